// The book database: the container and record layout worked out by hand,
// the sections' places and first-record fields, the metadata and text-length
// records, input that does not add up leaving no book, and reading books
// back, sound or damaged.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "BookDatabaseWriter.h"
#include "BookFileWriter.h"
#include "BookReader.h"
#include "ByteBuffer.h"
#include "RecordCompression.h"
#include "support/BookTestSupport.h"

using namespace scrivora;
using booktest::Bytes;
using booktest::FakePageTable;
using booktest::FakeReferences;
using booktest::FakeSection;
using booktest::numberAndName;

namespace {

// A page table whose entries are given outright.
class ListedPageTable : public EntryTable {
 public:
  explicit ListedPageTable(std::vector<StoredPageEntry> entries) : entries_(std::move(entries)) {}
  size_t entryCount() const override { return entries_.size(); }
  size_t entrySize() const override { return 12; }
  void appendEntry(size_t i, ByteBuffer& out) const override {
    const StoredPageEntry& e = entries_[i];
    out.append(booktest::join({booktest::u16(e.page), booktest::u16(e.record), booktest::u16(e.offset),
                               booktest::u32(e.position), booktest::u16(e.state)})
                   .data(),
               12);
  }

 private:
  std::vector<StoredPageEntry> entries_;
};

Bytes imageRecord(const std::string& name, uint16_t width, uint16_t height) {
  std::string field = name;
  field.resize(32, '\0');
  return booktest::join({Bytes{'P', 'N', 'G', ' '}, Bytes(field.begin(), field.end()), Bytes(22, 0),
                         booktest::u16(width), booktest::u16(height),
                         Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3}});
}

Bytes indexEntry(uint16_t record, uint16_t offset, const std::string& term) {
  return booktest::join({booktest::u16(record), booktest::u16(offset), booktest::cstring(term)});
}

class BookDatabaseTest : public testing::Test {
 protected:
  // Prepares the text records of text and an input that writes to book.tdb.
  BookDatabaseInput inputFor(const std::string& text) {
    BookDatabaseInput input = booktest::bookInputFor(dir, "book", text, tables);
    input.bookName = "Sample";
    input.info.title = "Sample";
    input.creationTime = 1000000000;
    return input;
  }

  // Compresses bodies into the notes file at path, filling sizes and counts.
  void writeBodies(const std::string& path, const std::vector<std::string>& bodies, U32Table& sizes,
                   std::vector<uint32_t>& counts) {
    BookFileWriter out;
    ASSERT_TRUE(out.open(path));
    sizes.push_back(0);
    for (const std::string& body : bodies) {
      const size_t before = sizes.size();
      compressRecords(reinterpret_cast<const uint8_t*>(body.data()), body.size(), out, sizes, nullptr);
      counts.push_back(uint32_t(sizes.size() - before));
    }
    ASSERT_TRUE(out.close());
  }

  Bytes writeBook(const BookDatabaseInput& input) {
    EXPECT_TRUE(writeBookDatabase(input));
    return booktest::readFile(input.outputPath);
  }

  BookReader& read(const Bytes& bytes) {
    reader.readBytes(bytes);
    return reader;
  }

  bool reports(const std::string& fragment) const {
    return std::any_of(reader.problems().begin(), reader.problems().end(),
                       [&](const std::string& p) { return p.find(fragment) != std::string::npos; });
  }

  std::string allProblems() const {
    std::string all;
    for (const std::string& p : reader.problems()) all += p + "\n";
    return all;
  }

  static uint32_t recordOffset(const Bytes& book, size_t k) { return readU32(&book[78 + 8 * k]); }
  static uint16_t headerField(const Bytes& book, size_t offset) {
    return readU16(&book[recordOffset(book, 0) + offset]);
  }
  static Bytes recordBytes(const Bytes& book, size_t k) {
    const size_t n = readU16(&book[76]);
    const size_t end = k + 1 < n ? recordOffset(book, k + 1) : book.size();
    return Bytes(book.begin() + recordOffset(book, k), book.begin() + end);
  }

  booktest::TempDir dir;
  booktest::LogCapture log;
  BuildTables tables;
  BookReader reader;
};

// --- writing ------------------------------------------------------------------

TEST_F(BookDatabaseTest, PlainBookHoldsHeaderTextMetadataAndTextLengths) {
  BookDatabaseInput input = inputFor("Hello, world.\n");
  input.info = {"Title", "Author", "Publisher", "ISBN", "(c) 2026"};
  const Bytes book = writeBook(input);
  const uint32_t textSize = tables.textRecordSizes[1];
  // Records: 0 header, 1 text, 2 metadata, 3 text lengths.
  ASSERT_GE(book.size(), 112u);
  EXPECT_EQ(std::string(book.begin(), book.begin() + 32), "Sample" + std::string(26, '\0'));
  EXPECT_EQ(readU16(&book[32]), 8);
  EXPECT_EQ(readU16(&book[34]), 0);
  EXPECT_EQ(readU32(&book[36]), 1000000000u);
  EXPECT_EQ(readU32(&book[40]), 1000000001u);
  EXPECT_EQ(Bytes(book.begin() + 44, book.begin() + 60), Bytes(16, 0));
  EXPECT_EQ(std::string(book.begin() + 60, book.begin() + 68), "QXbkQXmk");
  EXPECT_EQ(Bytes(book.begin() + 68, book.begin() + 76), Bytes(8, 0));
  EXPECT_EQ(readU16(&book[76]), 4);
  // Record list at 78, 8 bytes each, then two zero bytes: record 0 at 112.
  const uint32_t metadataSize = 6 + 7 + 9 + 10 + 5;  // title, author, copyright, publisher, eisbn + zeros
  const uint32_t expectedOffsets[4] = {112, 244, 244 + textSize, 244 + textSize + metadataSize};
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(recordOffset(book, k), expectedOffsets[k]) << k;
    EXPECT_EQ(readU32(&book[78 + 8 * k + 4]), 0x6F8000u + k) << "attributes 0 and the unique id of record " << k;
  }
  EXPECT_EQ(readU16(&book[110]), 0);
  EXPECT_EQ(book.size(), 244u + textSize + metadataSize + 2u);

  EXPECT_EQ(headerField(book, 0), 10);
  EXPECT_EQ(readU32(&book[112 + 4]), 0x6240u);
  EXPECT_EQ(headerField(book, 12), 2) << "text records plus 1";
  EXPECT_EQ(headerField(book, 24), 1) << "metadata records";
  EXPECT_EQ(headerField(book, 54), 1) << "text-length records";
  for (size_t offset : {8, 10, 14, 16, 18, 20, 22, 26, 28, 30}) EXPECT_EQ(headerField(book, offset), 0) << offset;
  // Empty sections before the metadata point at it (record 2); the sidebar,
  // footnote and text-length fields at the record after it.
  for (size_t offset : {32, 36, 38, 40, 42, 44, 46}) EXPECT_EQ(headerField(book, offset), 2) << offset;
  for (size_t offset : {48, 50, 52}) EXPECT_EQ(headerField(book, offset), 3) << offset;
  EXPECT_EQ(headerField(book, 34), 10 << 8);
  EXPECT_EQ(Bytes(book.begin() + 112 + 56, book.begin() + 244), Bytes(76, 0));

  const Bytes text = recordBytes(book, 1);
  EXPECT_EQ(booktest::inflateRecord(text.data(), text.size()), "Hello, world.\n");
  const Bytes metadata = recordBytes(book, 2);
  EXPECT_EQ(std::string(metadata.begin(), metadata.end()),
            std::string("Title\0Author\0(c) 2026\0Publisher\0ISBN\0", metadataSize));
  EXPECT_EQ(recordBytes(book, 3), (Bytes{0, 14}));
  EXPECT_EQ(log.statuses(), std::vector<std::string>{"Done."});

  const Bytes full = writeBook(inputFor(std::string(8192, 'a')));
  EXPECT_EQ(headerField(full, 12), 2) << "8192 bytes are one text record";
  EXPECT_EQ(recordBytes(full, 3), (Bytes{0x20, 0x00}));
}

TEST_F(BookDatabaseTest, LongMetadataStringIsWarnedAboutAndStoredWhole) {
  BookDatabaseInput input = inputFor("x");
  input.info.title = std::string(256, 't');
  input.info.author = std::string(257, 'a');
  const Bytes book = writeBook(input);
  EXPECT_EQ(log.warnings(), std::vector<std::string>{"The string \"" + std::string(257, 'a') +
                                                     "\" is longer than 256 characters; is this necessary?"});
  EXPECT_EQ(recordBytes(book, 2).size(), 256u + 257u + 5u);
}

TEST_F(BookDatabaseTest, PageTablesAreCutInto1333EntryRecordsSmallBeforeLarge) {
  BookDatabaseInput input = inputFor(std::string(5000, 'p'));
  FakePageTable small(1334), large(1333);
  input.smallPageTable = &small;
  input.largePageTable = &large;
  const Bytes book = writeBook(input);
  // 0 header, 1 text, 2-3 small, 4 large, 5 metadata, 6 text lengths.
  EXPECT_EQ(readU16(&book[76]), 7);
  EXPECT_EQ(headerField(book, 8), 1334);
  EXPECT_EQ(headerField(book, 10), 1333);
  EXPECT_EQ(headerField(book, 16), 2);
  EXPECT_EQ(headerField(book, 18), 1);
  EXPECT_EQ(headerField(book, 36), 2);
  EXPECT_EQ(headerField(book, 38), 4);
  EXPECT_EQ(headerField(book, 44), 5);
  EXPECT_EQ(recordBytes(book, 2).size(), 15996u);
  const Bytes lastSmall = recordBytes(book, 3);
  ASSERT_EQ(lastSmall.size(), 12u);
  EXPECT_EQ(readU16(&lastSmall[0]), 1333) << "the 1334th entry";
  EXPECT_EQ(recordBytes(book, 4).size(), 15996u);
}

TEST_F(BookDatabaseTest, FootnotesWithOneNoneAndTwoBodyRecordsMakeAFourRecordSection) {
  BookDatabaseInput input = inputFor("text");
  booktest::writeFile(input.footnoteTempPath, std::string("111"
                                                          "2222"
                                                          "33333"));
  tables.footnoteRecordSizes = {0, 3, 4, 5};
  FakeReferences footnotes({"a", "bb", "c"}, {1, 0, 2});
  input.footnotes = &footnotes;
  const Bytes book = writeBook(input);
  // 0 header, 1 text, 2 metadata, 3-6 footnotes, 7 text lengths.
  EXPECT_EQ(readU16(&book[76]), 8);
  EXPECT_EQ(headerField(book, 28), 4);
  EXPECT_EQ(headerField(book, 48), 3);
  EXPECT_EQ(headerField(book, 30), 0);
  EXPECT_EQ(headerField(book, 50), 3) << "no sidebars: the sidebar section is empty before the footnotes";
  EXPECT_EQ(headerField(book, 52), 7);
  const Bytes index = recordBytes(book, 3);
  EXPECT_EQ(std::string(index.begin(), index.end()), std::string("\0\1\1a\0"
                                                                 "\0\0\2bb\0"
                                                                 "\0\2\1c\0",
                                                                 16));
  EXPECT_EQ(recordBytes(book, 4), (Bytes{'1', '1', '1'}));
  EXPECT_EQ(recordBytes(book, 6), (Bytes{'3', '3', '3', '3', '3'}));
}

TEST_F(BookDatabaseTest, SectionsFollowInTheirFixedOrder) {
  BookDatabaseInput input = inputFor("Chapter one. Some text.");
  FakeSection chapters({numberAndName(0, "One"), numberAndName(13, "Two")});
  FakeSection links({numberAndName(0xFFFFFFFF, "nowhere")});
  FakeSection images({Bytes(70, 'i')});
  FakeSection index({Bytes{'a', 0}, indexEntry(1, 0, "a")});
  booktest::writeFile(input.sidebarTempPath, std::string("S"));
  tables.sidebarRecordSizes = {0, 1};
  FakeReferences sidebars({"side"}, {1});
  input.chapters = &chapters;
  input.links = &links;
  input.images = &images;
  input.index = &index;
  input.sidebars = &sidebars;
  const Bytes book = writeBook(input);
  // 0 header, 1 text, 2-3 chapters, 4 link, 5 image, 6-7 index, 8 metadata,
  // 9-10 sidebars, 11 text lengths. Pairs of first-record and count fields:
  EXPECT_EQ(readU16(&book[76]), 12);
  const std::pair<size_t, size_t> placements[] = {{32, 14}, {42, 22}, {40, 20}, {46, 26}, {50, 30}};
  const std::pair<uint16_t, uint16_t> expected[] = {{2, 2}, {4, 1}, {5, 1}, {6, 2}, {9, 2}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(headerField(book, placements[i].first), expected[i].first) << placements[i].first;
    EXPECT_EQ(headerField(book, placements[i].second), expected[i].second) << placements[i].second;
  }
  EXPECT_EQ(headerField(book, 44), 8);
  EXPECT_EQ(headerField(book, 48), 11);
  EXPECT_EQ(headerField(book, 52), 11);
  EXPECT_EQ(recordBytes(book, 3), numberAndName(13, "Two"));
  EXPECT_EQ(recordBytes(book, 5), Bytes(70, 'i'));
  EXPECT_EQ(recordBytes(book, 10), Bytes{'S'});
}

TEST_F(BookDatabaseTest, InputThatDoesNotAddUpLeavesTheEarlierFileAsItWas) {
  FakeSection liar({Bytes(10, 'c')}, -1);
  FakeSection tooMany(std::vector<Bytes>(65533, Bytes{'x', 0}));
  FakeReferences sidebars({"x"}, {1});
  const std::pair<const char*, std::function<void(BookDatabaseInput&)>> cases[] = {
      {"a record longer than announced", [&](BookDatabaseInput& in) { in.chapters = &liar; }},
      {"text records that do not match their sizes", [&](BookDatabaseInput&) { tables.textRecordSizes[1] += 1; }},
      {"note records that do not match their counts",
       [&](BookDatabaseInput& in) {
         booktest::writeFile(in.sidebarTempPath, std::string("ab"));
         tables.sidebarRecordSizes = {0, 1, 1};
         in.sidebars = &sidebars;
       }},
      {"more records than a book can count", [&](BookDatabaseInput& in) { in.chapters = &tooMany; }},
  };
  for (const auto& [what, spoil] : cases) {
    SCOPED_TRACE(what);
    booktest::LogCapture attempt;
    BookDatabaseInput input = inputFor("text");
    booktest::writeFile(input.outputPath, std::string("old book"));
    spoil(input);
    EXPECT_FALSE(writeBookDatabase(input));
    ASSERT_EQ(attempt.errors().size(), 1u);
    EXPECT_NE(attempt.errors()[0].find(input.outputPath), std::string::npos) << attempt.errors()[0];
    EXPECT_TRUE(attempt.statuses().empty()) << "no Done. after a failure";
    EXPECT_EQ(booktest::readText(input.outputPath), "old book");
    for (const std::string& name : dir.entries()) EXPECT_EQ(name.find(".writing-"), std::string::npos) << name;
  }
  // Two records fewer just fit.
  BookDatabaseInput input = inputFor("text");
  FakeSection justEnough(std::vector<Bytes>(65531, Bytes{'x', 0}));
  input.chapters = &justEnough;
  EXPECT_EQ(readU16(&writeBook(input)[76]), 65535);
}

TEST_F(BookDatabaseTest, WriteFailureLeavesNoBookAndNoTemporary) {
  BookDatabaseInput input = inputFor(booktest::noiseText(40000, 3));
  input.outputPath = dir.file("missing/book.tdb");
  EXPECT_FALSE(writeBookDatabase(input));
  input.outputPath = dir.file("book.tdb");
  // The file size limit makes a write fail once the book passes 10000 bytes.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 10000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool written = writeBookDatabase(input);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"book.tmp"});
  ASSERT_EQ(log.errors().size(), 2u);
  EXPECT_NE(log.errors()[0].find(dir.file("missing/book.tdb")), std::string::npos) << log.errors()[0];
  EXPECT_NE(log.errors()[1].find(input.outputPath), std::string::npos) << log.errors()[1];
}

TEST(BookCreationTime, SourceDateEpochFixesTheDate) {
  booktest::LogCapture log;
  setenv("SOURCE_DATE_EPOCH", "1234567890", 1);
  EXPECT_EQ(bookCreationTime(), 1234567890u);
  setenv("SOURCE_DATE_EPOCH", "12x", 1);
  EXPECT_GT(bookCreationTime(), 1700000000u) << "an unusable value falls back to the current time";
  EXPECT_EQ(log.warnings().size(), 1u);
  unsetenv("SOURCE_DATE_EPOCH");
}

// --- reading back -------------------------------------------------------------

TEST_F(BookDatabaseTest, EverySectionReadsBackAsWritten) {
  std::string text;
  for (int i = 0; text.size() < 30000; ++i) text += "Paragraph " + std::to_string(i) + " \\iwith\\i tags.\n";
  BookDatabaseInput input = inputFor(text);
  input.info = {"Title: one", "Author", "Publisher", "978", "2026"};
  FakePageTable small(1400);
  ListedPageTable large({{0, 1, 0, 0, 0x0008}, {1, 1, 2000, 2000, 0x0011}});
  FakeSection chapters({numberAndName(0, "Chapter One"), numberAndName(1500, "    Part")});
  FakeSection links({numberAndName(42, "home"), numberAndName(kUndefinedLinkTarget, "lost")});
  FakeSection images({imageRecord("cover.png", 120, 80)});
  FakeSection index({Bytes{'a', 'p', 'p', 'l', 'e', 0, 'p', 'e', 'a', 'r', 0},
                     booktest::join({indexEntry(1, 10, "apple"), indexEntry(1, 20, "fig")}),
                     indexEntry(1, 30, "pear")});
  std::vector<uint32_t> sidebarCounts, footnoteCounts;
  writeBodies(input.sidebarTempPath, {"Side body."}, tables.sidebarRecordSizes, sidebarCounts);
  writeBodies(input.footnoteTempPath, {"First note.", "", std::string(9000, 'n')}, tables.footnoteRecordSizes,
              footnoteCounts);
  FakeReferences sidebars({"side1"}, sidebarCounts);
  FakeReferences footnotes({"n1", "empty", "long"}, footnoteCounts);
  input.smallPageTable = &small;
  input.largePageTable = &large;
  input.chapters = &chapters;
  input.links = &links;
  input.images = &images;
  input.index = &index;
  input.sidebars = &sidebars;
  input.footnotes = &footnotes;
  read(writeBook(input));
  EXPECT_TRUE(reader.consistent()) << allProblems();
  const BookContents& c = reader.contents();
  EXPECT_EQ(c.text, text);
  EXPECT_EQ(c.header.name, "Sample");
  EXPECT_EQ(c.header.creationTime, 1000000000u);
  EXPECT_EQ(c.metadata, input.info);
  EXPECT_EQ(c.textRecordEnds, tables.textRecordEnds);
  ASSERT_EQ(c.smallPages.size(), 1400u);
  EXPECT_EQ(c.smallPages[1399].position, 1399u);
  ASSERT_EQ(c.largePages.size(), 2u);
  EXPECT_EQ(c.largePages[1].offset, 2000);
  EXPECT_EQ(c.largePages[1].state, 0x0011);
  ASSERT_EQ(c.chapters.size(), 2u);
  EXPECT_EQ(c.chapters[1].position, 1500u);
  EXPECT_EQ(c.chapters[1].title, "    Part");
  ASSERT_EQ(c.links.size(), 2u);
  EXPECT_EQ(c.links[1].target, kUndefinedLinkTarget);
  EXPECT_EQ(c.links[1].name, "lost");
  ASSERT_EQ(c.images.size(), 1u);
  EXPECT_EQ(c.images[0].name, "cover.png");
  EXPECT_EQ(c.images[0].width, 120);
  EXPECT_EQ(c.images[0].height, 80);
  EXPECT_EQ(c.images[0].png.size(), 11u);
  EXPECT_EQ(c.indexDirectory, (std::vector<std::string>{"apple", "pear"}));
  ASSERT_EQ(c.indexEntries.size(), 3u);
  EXPECT_EQ(c.indexEntries[1].term, "fig");
  EXPECT_EQ(c.indexEntries[1].offset, 20);
  ASSERT_EQ(c.sidebars.size(), 1u);
  EXPECT_EQ(c.sidebars[0].body, "Side body.");
  ASSERT_EQ(c.footnotes.size(), 3u);
  EXPECT_EQ(c.footnotes[1].recordCount, 0);
  EXPECT_EQ(c.footnotes[1].body, "");
  EXPECT_EQ(c.footnotes[2].recordCount, 2);
  EXPECT_EQ(c.footnotes[2].body, std::string(9000, 'n'));
}

TEST_F(BookDatabaseTest, EachKindOfDamageIsReported) {
  ListedPageTable pages({{0, 1, 0, 0, 0}, {1, 1, 10, 9, 0}, {2, 2, 0, 20, 0}});
  FakeSection wrongDirectory({Bytes{'z', 0}, indexEntry(1, 5, "apple")});
  FakeSection farLink({numberAndName(99999, "far")});
  Bytes notPng = imageRecord("a.png", 1, 1);
  notPng[62] = 'X';
  FakeSection badImage({notPng});
  // A text record that inflates to 9000 bytes under tables that claim 8192.
  const std::string big(9000, 'b');
  Bytes oversized(compressBound(big.size()));
  uLongf oversizedLength = oversized.size();
  ASSERT_EQ(compress(oversized.data(), &oversizedLength, reinterpret_cast<const uint8_t*>(big.data()), big.size()),
            Z_OK);
  oversized.resize(oversizedLength);
  const auto none = [](BookDatabaseInput&) {};
  const auto intact = [](Bytes&) {};
  const struct {
    std::function<void(BookDatabaseInput&)> sections;
    std::function<void(Bytes&)> damage;
    std::string report;
  } cases[] = {
      {none, [](Bytes& b) { b[78 + 8 * 2 + 7] = 0x01; }, "repeats the unique id"},
      {none, [](Bytes& b) { b[78 + 8 * 2] = 0x7F; }, "record 2 starts at"},
      {none,
       [](Bytes& b) {
         const uint32_t early = recordOffset(b, 1) - 1;
         b[78 + 8 * 2 + 2] = uint8_t(early >> 8);
         b[78 + 8 * 2 + 3] = uint8_t(early);
       },
       "not after record 1"},
      {none,
       [](Bytes& b) {
         b[recordOffset(b, 0) + 12] = 0x01;  // 500 text records plus 1
         b[recordOffset(b, 0) + 13] = 0xF5;
       },
       "counts 500 text records but the book has only 4 records"},
      {[&](BookDatabaseInput& in) {
         booktest::writeFile(in.textTempPath, oversized);
         tables.textRecordEnds = {0, 8192};
         tables.textRecordSizes = {0, uint32_t(oversized.size())};
       },
       intact, "8192"},
      {none, [](Bytes& b) { b[recordOffset(b, 1) + 5] ^= 0xFF; }, "text record 1"},
      {none,
       [](Bytes& b) {
         b[b.size() - 2] = 0;
         b.back() = 99;
       },
       "inflates to 2009 bytes but the text-length record says 99"},
      // One chapter claimed, none present: the sections overrun the book.
      {none, [](Bytes& b) { b[recordOffset(b, 0) + 15] = 1; }, "the link section starts at record 2, expected 3"},
      // The metadata ends just before the 2-byte text-length record.
      {none, [](Bytes& b) { b[b.size() - 3] = 'x'; }, "five zero-terminated strings"},
      {[&](BookDatabaseInput& in) { in.smallPageTable = &pages; }, intact,
       "gives the position 9 but its record and offset mean 10"},
      {[&](BookDatabaseInput& in) { in.smallPageTable = &pages; }, intact, "points to text record 2"},
      {[&](BookDatabaseInput& in) { in.index = &wrongDirectory; }, intact,
       "begins with \"apple\" but the directory says \"z\""},
      {[&](BookDatabaseInput& in) { in.links = &farLink; }, intact, "targets position 99999"},
      {[&](BookDatabaseInput& in) { in.images = &badImage; }, intact, "does not hold a PNG file"},
  };
  EXPECT_FALSE(read(Bytes(50, 0)).consistent());
  EXPECT_TRUE(reports("too few for a database header")) << allProblems();
  for (const auto& c : cases) {
    BookDatabaseInput input = inputFor(std::string(2000, 'z') + " and more");
    c.sections(input);
    Bytes book = writeBook(input);
    c.damage(book);
    read(book);
    EXPECT_TRUE(reports(c.report)) << c.report << "\n" << allProblems();
    // One fault, a few reports, not one per record.
    EXPECT_LT(reader.problems().size(), 10u) << allProblems();
  }
  EXPECT_FALSE(reader.readFile(dir.file("nothing.tdb")));
}

TEST_F(BookDatabaseTest, DamagedBooksAreReadWithoutGoingOutOfBounds) {
  // A book with every kind of section, then thousands of damaged copies: the reader
  // must stay inside the bytes it was given (the sanitizers watch).
  BookDatabaseInput input = inputFor(std::string(3000, 'w') + "\n" + std::string(9000, 'v'));
  FakePageTable small(20);
  FakeSection chapters({numberAndName(0, "One")});
  FakeSection links({numberAndName(5, "home")});
  FakeSection images({imageRecord("a.png", 2, 2)});
  FakeSection index({Bytes{'a', 0}, indexEntry(1, 1, "a")});
  std::vector<uint32_t> counts;
  writeBodies(input.footnoteTempPath, {"note body"}, tables.footnoteRecordSizes, counts);
  FakeReferences footnotes({"n"}, counts);
  input.smallPageTable = &small;
  input.chapters = &chapters;
  input.links = &links;
  input.images = &images;
  input.index = &index;
  input.footnotes = &footnotes;
  const Bytes book = writeBook(input);
  ASSERT_TRUE(read(book).consistent()) << allProblems();
  uint32_t state = 12345;
  auto next = [&state]() {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  for (int round = 0; round < 3000; ++round) {
    Bytes damaged = book;
    const int flips = 1 + int(next() % 4);
    for (int f = 0; f < flips; ++f) damaged[next() % damaged.size()] ^= uint8_t(1 + next() % 255);
    if (round % 7 == 0) damaged.resize(next() % damaged.size());
    read(damaged);
    if (damaged.size() < book.size()) {
      EXPECT_FALSE(reader.consistent()) << "a cut book is never sound";
    }
  }
}

}  // namespace
