// Reading books back: every section of a book the writer made comes back as
// it went in, and each kind of damage to a book is reported.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
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
using booktest::LogCapture;
using booktest::TempDir;

namespace {

// A page table whose entries are given outright.
class ListedPageTable : public EntryTable {
 public:
  explicit ListedPageTable(std::vector<StoredPageEntry> entries) : entries_(std::move(entries)) {}
  size_t entryCount() const override { return entries_.size(); }
  size_t entrySize() const override { return 12; }
  void appendEntry(size_t i, ByteBuffer& out) const override {
    out.appendU16(entries_[i].page);
    out.appendU16(entries_[i].record);
    out.appendU16(entries_[i].offset);
    out.appendU32(entries_[i].position);
    out.appendU16(entries_[i].state);
  }

 private:
  std::vector<StoredPageEntry> entries_;
};

Bytes imageRecord(const std::string& name, uint16_t width, uint16_t height) {
  ByteBuffer record;
  record.append("PNG ", 4);
  std::string field = name;
  field.resize(32, '\0');
  record.append(field);
  record.appendZeros(22);
  record.appendU16(width);
  record.appendU16(height);
  const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3};
  record.append(png, sizeof png);
  return record.bytes();
}

Bytes indexDataRecord(std::initializer_list<IndexEntry> entries) {
  ByteBuffer record;
  for (const IndexEntry& e : entries) {
    record.appendU16(e.record);
    record.appendU16(e.offset);
    record.appendCString(e.term);
  }
  return record.bytes();
}

class BookReaderTest : public testing::Test {
 protected:
  BookDatabaseInput inputFor(const std::string& text) {
    BookDatabaseInput input = booktest::bookInputFor(dir, "t", text, tables);
    input.bookName = "Reader";
    input.info = {"Title: one", "Author", "Publisher", "978", "2026"};
    input.creationTime = 1700000000;
    return input;
  }

  // Compresses bodies into the notes file at path, filling sizes.
  void writeBodies(const std::string& path, const std::vector<std::string>& bodies, U32Table& sizes,
                   std::vector<uint32_t>& counts) {
    BookFileWriter out;
    ASSERT_TRUE(out.open(path));
    sizes.push_back(0);
    for (const std::string& body : bodies) {
      size_t before = sizes.size();
      compressRecords(reinterpret_cast<const uint8_t*>(body.data()), body.size(), out, sizes, nullptr);
      counts.push_back(uint32_t(sizes.size() - before));
    }
    ASSERT_TRUE(out.close());
  }

  Bytes write(const BookDatabaseInput& input) {
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

  TempDir dir;
  LogCapture log;
  BuildTables tables;
  BookReader reader;
};

}  // namespace

TEST_F(BookReaderTest, StepOneBookReadsBackWithItsTextAndMetadata) {
  std::string text;
  for (int i = 0; text.size() < 30000; ++i) text += "Paragraph " + std::to_string(i) + " \\iwith\\i tags.\n";
  Bytes book = write(inputFor(text));
  read(book);
  EXPECT_TRUE(reader.consistent()) << allProblems();
  const BookContents& c = reader.contents();
  EXPECT_EQ(c.text, text);
  EXPECT_EQ(c.header.name, "Reader");
  EXPECT_EQ(c.header.creationTime, 1700000000u);
  EXPECT_EQ(c.metadata, (BookInfo{"Title: one", "Author", "Publisher", "978", "2026"}));
  EXPECT_EQ(c.storedTextLengths.size(), tables.textRecordEnds.size() - 1);
  EXPECT_EQ(c.textRecordEnds, tables.textRecordEnds);
}

TEST_F(BookReaderTest, EverySectionReadsBackAsWritten) {
  std::string text(3000, 'w');
  BookDatabaseInput input = inputFor(text);
  FakePageTable small(1400);
  ListedPageTable large({{0, 1, 0, 0, 0x0008}, {1, 1, 2000, 2000, 0x0011}});
  FakeSection chapters({booktest::numberAndName(0, "Chapter One"), booktest::numberAndName(1500, "    Part")});
  FakeSection links({booktest::numberAndName(42, "home"), booktest::numberAndName(kUndefinedLinkTarget, "lost")});
  FakeSection images({imageRecord("cover.png", 120, 80)});
  FakeSection index({Bytes{'a', 'p', 'p', 'l', 'e', 0, 'p', 'e', 'a', 'r', 0},
                     indexDataRecord({{1, 10, "apple"}, {1, 20, "fig"}}), indexDataRecord({{1, 30, "pear"}})});
  std::vector<uint32_t> sidebarCounts, footnoteCounts;
  writeBodies(input.sidebarTempPath, {"Side body."}, tables.sidebarRecordSizes, sidebarCounts);
  writeBodies(input.footnoteTempPath, {"First note.", "", std::string(9000, 'n')}, tables.footnoteRecordSizes,
              footnoteCounts);
  EXPECT_EQ(footnoteCounts, (std::vector<uint32_t>{1, 0, 2}));
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
  read(write(input));
  EXPECT_TRUE(reader.consistent()) << allProblems();
  const BookContents& c = reader.contents();
  ASSERT_EQ(c.smallPages.size(), 1400u);
  EXPECT_EQ(c.smallPages[1399].position, 1399u);
  ASSERT_EQ(c.largePages.size(), 2u);
  EXPECT_EQ(c.largePages[1].offset, 2000);
  EXPECT_EQ(c.largePages[1].state, 0x0011);
  ASSERT_EQ(c.chapters.size(), 2u);
  EXPECT_EQ(c.chapters[1].position, 1500u);
  EXPECT_EQ(c.chapters[1].title, "    Part");
  ASSERT_EQ(c.links.size(), 2u);
  EXPECT_EQ(c.links[0].target, 42u);
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
  EXPECT_EQ(c.sidebars[0].id, "side1");
  EXPECT_EQ(c.sidebars[0].body, "Side body.");
  ASSERT_EQ(c.footnotes.size(), 3u);
  EXPECT_EQ(c.footnotes[1].recordCount, 0);
  EXPECT_EQ(c.footnotes[1].body, "");
  EXPECT_EQ(c.footnotes[2].recordCount, 2);
  EXPECT_EQ(c.footnotes[2].body, std::string(9000, 'n'));
}

TEST_F(BookReaderTest, EachKindOfDamageToTheContainerIsReported) {
  struct Case {
    std::string text;
    std::function<void(Bytes&)> damage;
    std::string report;
  };
  const Case cases[] = {
      {"some text", [](Bytes& b) { b[78 + 8 * 2 + 7] = 0x01; }, "repeats the unique id"},
      {"some text", [](Bytes& b) { b[78 + 8 * 2] = 0x7F; }, "record 2 starts at"},
      {"some text that is long enough",
       [](Bytes& b) {
         // Record 2 now starts before record 1.
         uint32_t early = recordOffset(b, 1) - 1;
         b[78 + 8 * 2 + 2] = uint8_t(early >> 8);
         b[78 + 8 * 2 + 3] = uint8_t(early);
       },
       "not after record 1"},
      {std::string(2000, 'z') + " and more",
       [](Bytes& b) {
         b[recordOffset(b, 1) + 5] ^= 0xFF;
         b[recordOffset(b, 1) + 6] ^= 0xFF;
       },
       "text record 1"},
      {"twelve bytes", [](Bytes& b) { b.back() = 11; }, "inflates to 12 bytes but the text-length record says 11"},
      // One chapter claimed, none present: the sections overrun the book.
      {"text", [](Bytes& b) { b[recordOffset(b, 0) + 15] = 1; }, "the link section starts at record 2, expected 3"},
      // The metadata ends just before the 2-byte text-length record.
      {"text", [](Bytes& b) { b[b.size() - 3] = 'x'; }, "five zero-terminated strings"},
      {"text",
       [](Bytes& b) {
         b[recordOffset(b, 0) + 12] = 0x01;  // 500 text records plus 1
         b[recordOffset(b, 0) + 13] = 0xF5;
       },
       "counts 500 text records but the book has only 4 records"},
  };
  EXPECT_FALSE(read(Bytes(50, 0)).consistent());
  EXPECT_TRUE(reports("too few for a database header")) << allProblems();
  for (const Case& c : cases) {
    Bytes book = write(inputFor(c.text));
    c.damage(book);
    read(book);
    EXPECT_FALSE(reader.consistent()) << c.report;
    EXPECT_TRUE(reports(c.report)) << allProblems();
    // One fault, a few reports, not one per record.
    EXPECT_LT(reader.problems().size(), 10u) << allProblems();
  }
}

TEST_F(BookReaderTest, TextRecordThatInflatesBeyond8192BytesIsReported) {
  // Tables that claim 8192 bytes for a record that really holds 9000.
  std::string big(9000, 'b');
  std::vector<uint8_t> compressed(compressBound(big.size()));
  uLongf length = compressed.size();
  ASSERT_EQ(compress(compressed.data(), &length, reinterpret_cast<const uint8_t*>(big.data()), big.size()), Z_OK);
  compressed.resize(length);
  BookDatabaseInput input = inputFor("");
  booktest::writeFile(dir.file("t.tmp"), compressed);
  tables.textRecordEnds = {0, 8192};
  tables.textRecordSizes = {0, uint32_t(length)};
  read(write(input));
  EXPECT_TRUE(reports("8192")) << allProblems();
}

TEST_F(BookReaderTest, PageEntryWhosePositionDisagreesWithItsPlaceIsReported) {
  BookDatabaseInput input = inputFor(std::string(500, 'p'));
  ListedPageTable pages({{0, 1, 0, 0, 0}, {1, 1, 100, 90, 0}, {2, 2, 0, 400, 0}});
  input.smallPageTable = &pages;
  read(write(input));
  EXPECT_TRUE(reports("gives the position 90 but its record and offset mean 100")) << allProblems();
  EXPECT_TRUE(reports("points to text record 2")) << allProblems();
}

TEST_F(BookReaderTest, IndexDirectoryThatNamesTheWrongFirstTermIsReported) {
  BookDatabaseInput input = inputFor(std::string(100, 'i'));
  FakeSection index({Bytes{'z', 0}, indexDataRecord({{1, 5, "apple"}})});
  input.index = &index;
  read(write(input));
  EXPECT_TRUE(reports("begins with \"apple\" but the directory says \"z\"")) << allProblems();
}

TEST_F(BookReaderTest, LinkTargetBeyondTheTextIsReported) {
  BookDatabaseInput input = inputFor("short");
  FakeSection links({booktest::numberAndName(6, "far")});
  input.links = &links;
  read(write(input));
  EXPECT_TRUE(reports("targets position 6")) << allProblems();
}

TEST_F(BookReaderTest, ImageRecordWithoutAPngIsReported) {
  BookDatabaseInput input = inputFor("pic");
  Bytes bad = imageRecord("a.png", 1, 1);
  bad[62] = 'X';
  FakeSection images({bad});
  input.images = &images;
  read(write(input));
  EXPECT_TRUE(reports("does not hold a PNG file")) << allProblems();
}

TEST_F(BookReaderTest, UnreadableFileIsNotABook) { EXPECT_FALSE(reader.readFile(dir.file("nothing.tdb"))); }

TEST_F(BookReaderTest, DamagedBooksAreReadWithoutGoingOutOfBounds) {
  // A book with every kind of section, then thousands of damaged copies: the
  // reader must stay inside the bytes it was given (the sanitizers watch)
  // and report something for each copy it cannot read cleanly.
  BookDatabaseInput input = inputFor(std::string(3000, 'w') + "\n" + std::string(9000, 'v'));
  FakePageTable small(20);
  FakeSection chapters({booktest::numberAndName(0, "One")});
  FakeSection links({booktest::numberAndName(5, "home")});
  FakeSection images({imageRecord("a.png", 2, 2)});
  FakeSection index({Bytes{'a', 0}, indexDataRecord({{1, 1, "a"}})});
  std::vector<uint32_t> counts;
  writeBodies(input.footnoteTempPath, {"note body"}, tables.footnoteRecordSizes, counts);
  FakeReferences footnotes({"n"}, counts);
  input.smallPageTable = &small;
  input.chapters = &chapters;
  input.links = &links;
  input.images = &images;
  input.index = &index;
  input.footnotes = &footnotes;
  Bytes book = write(input);
  read(book);
  ASSERT_TRUE(reader.consistent()) << allProblems();
  uint32_t state = 12345;
  auto next = [&state]() {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  for (int round = 0; round < 3000; ++round) {
    Bytes damaged = book;
    int flips = 1 + int(next() % 4);
    for (int f = 0; f < flips; ++f) damaged[next() % damaged.size()] ^= uint8_t(1 + next() % 255);
    if (round % 7 == 0) damaged.resize(next() % damaged.size());
    read(damaged);
    if (damaged.size() < book.size()) {
      EXPECT_FALSE(reader.consistent()) << "a cut book is never sound";
    }
  }
}
