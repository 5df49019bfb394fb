// The book database writer: the container and record layout worked out by
// hand, the sections' places and first-record fields, the metadata and
// text-length records, and that a failure leaves no book behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include "BookDatabaseWriter.h"
#include "ByteBuffer.h"
#include "support/BookTestSupport.h"

using namespace scrivora;
using booktest::Bytes;
using booktest::FakePageTable;
using booktest::FakeReferences;
using booktest::FakeSection;
using booktest::LogCapture;
using booktest::TempDir;

namespace {

class BookWriterTest : public testing::Test {
 protected:
  // Prepares the text records of text and an input that writes to book.tdb.
  BookDatabaseInput inputFor(const std::string& text) {
    BookDatabaseInput input = booktest::bookInputFor(dir, "book", text, tables);
    input.bookName = "Sample";
    input.info.title = "Sample";
    input.creationTime = 1000000000;
    return input;
  }

  Bytes writeBook(const BookDatabaseInput& input) {
    EXPECT_TRUE(writeBookDatabase(input));
    return booktest::readFile(input.outputPath);
  }

  static uint32_t recordOffset(const Bytes& book, size_t k) { return readU32(&book[78 + 8 * k]); }
  static uint16_t headerField(const Bytes& book, size_t offset) {
    return readU16(&book[recordOffset(book, 0) + offset]);
  }
  static Bytes recordBytes(const Bytes& book, size_t k) {
    size_t n = readU16(&book[76]);
    size_t end = k + 1 < n ? recordOffset(book, k + 1) : book.size();
    return Bytes(book.begin() + recordOffset(book, k), book.begin() + end);
  }

  TempDir dir;
  LogCapture log;
  BuildTables tables;
};

}  // namespace

TEST_F(BookWriterTest, StepOneBookHoldsHeaderTextMetadataAndTextLengths) {
  BookDatabaseInput input = inputFor("Hello, world.\n");
  input.info = {"Title", "Author", "Publisher", "ISBN", "(c) 2026"};
  Bytes book = writeBook(input);
  uint32_t textSize = tables.textRecordSizes[1];
  // Records: 0 header, 1 text, 2 metadata, 3 text lengths.
  ASSERT_GE(book.size(), 78u);
  EXPECT_EQ(std::string(book.begin(), book.begin() + 7), std::string("Sample\0", 7));
  for (size_t i = 6; i < 32; ++i) EXPECT_EQ(book[i], 0) << i;
  EXPECT_EQ(readU16(&book[32]), 8);
  EXPECT_EQ(readU16(&book[34]), 0);
  EXPECT_EQ(readU32(&book[36]), 1000000000u);
  EXPECT_EQ(readU32(&book[40]), 1000000001u);
  for (size_t i = 44; i < 60; ++i) EXPECT_EQ(book[i], 0) << i;
  EXPECT_EQ(std::string(book.begin() + 60, book.begin() + 68), "QXbkQXmk");
  EXPECT_EQ(readU32(&book[68]), 0u);
  EXPECT_EQ(readU32(&book[72]), 0u);
  EXPECT_EQ(readU16(&book[76]), 4);
  // Record list at 78, 8 bytes each, then two zero bytes: record 0 at 112.
  const uint32_t metadataSize = 6 + 7 + 9 + 10 + 5;  // title, author, copyright, publisher, eisbn + zeros
  const uint32_t expectedOffsets[4] = {112, 244, 244 + textSize, 244 + textSize + metadataSize};
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(recordOffset(book, k), expectedOffsets[k]) << k;
    EXPECT_EQ(book[78 + 8 * k + 4], 0) << k;
    EXPECT_EQ(readU24(&book[78 + 8 * k + 5]), 0x6F8000u + k) << k;
  }
  EXPECT_EQ(book[110], 0);
  EXPECT_EQ(book[111], 0);
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
  EXPECT_EQ(book[112 + 34], 10);
  EXPECT_EQ(book[112 + 35], 0);
  for (size_t i = 56; i < 132; ++i) EXPECT_EQ(book[112 + i], 0) << i;

  Bytes text = recordBytes(book, 1);
  EXPECT_EQ(booktest::inflateRecord(text.data(), text.size()), "Hello, world.\n");
  Bytes metadata = recordBytes(book, 2);
  EXPECT_EQ(std::string(metadata.begin(), metadata.end()),
            std::string("Title\0Author\0(c) 2026\0Publisher\0ISBN\0", metadataSize));
  EXPECT_EQ(recordBytes(book, 3), (Bytes{0, 14}));
  EXPECT_EQ(log.statuses(), std::vector<std::string>{"Done."});
}

TEST_F(BookWriterTest, TextOfExactly8192BytesGivesOneRecordAndLength8192) {
  Bytes book = writeBook(inputFor(std::string(8192, 'a')));
  EXPECT_EQ(readU16(&book[76]), 4);
  EXPECT_EQ(headerField(book, 12), 2);
  EXPECT_EQ(recordBytes(book, 3), (Bytes{0x20, 0x00}));
}

TEST_F(BookWriterTest, EmptyTextHasNoTextRecordsAndAnEmptyTextLengthRecord) {
  BookDatabaseInput input = inputFor("");
  input.info = BookInfo();
  Bytes book = writeBook(input);
  EXPECT_EQ(readU16(&book[76]), 3);
  EXPECT_EQ(headerField(book, 12), 1);
  EXPECT_EQ(recordBytes(book, 1), Bytes(5, 0)) << "five empty strings";
  EXPECT_TRUE(recordBytes(book, 2).empty());
  EXPECT_EQ(headerField(book, 44), 1);
  EXPECT_EQ(headerField(book, 52), 2);
}

TEST_F(BookWriterTest, LongMetadataStringIsWarnedAboutAndStoredWhole) {
  BookDatabaseInput input = inputFor("x");
  input.info.title = std::string(256, 't');
  input.info.author = std::string(257, 'a');
  Bytes book = writeBook(input);
  ASSERT_EQ(log.warnings().size(), 1u);
  EXPECT_EQ(log.warnings()[0],
            "The string \"" + std::string(257, 'a') + "\" is longer than 256 characters; is this necessary?");
  EXPECT_EQ(recordBytes(book, 2).size(), 256u + 257u + 5u);
}

TEST_F(BookWriterTest, PageTablesAreCutInto1333EntryRecordsSmallBeforeLarge) {
  BookDatabaseInput input = inputFor(std::string(5000, 'p'));
  FakePageTable small(1334), large(1333);
  input.smallPageTable = &small;
  input.largePageTable = &large;
  Bytes book = writeBook(input);
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
  Bytes lastSmall = recordBytes(book, 3);
  ASSERT_EQ(lastSmall.size(), 12u);
  EXPECT_EQ(readU16(&lastSmall[0]), 1333) << "the 1334th entry";
  EXPECT_EQ(recordBytes(book, 4).size(), 15996u);
}

TEST_F(BookWriterTest, FootnotesWithOneNoneAndTwoBodyRecordsMakeAFourRecordSection) {
  BookDatabaseInput input = inputFor("text");
  // Three bodies' records: 1 for "a", none for "bb", 2 for "c".
  std::string bodies =
      "111"
      "2222"
      "33333";
  booktest::writeFile(input.footnoteTempPath, bodies);
  tables.footnoteRecordSizes = {0, 3, 4, 5};
  FakeReferences footnotes({"a", "bb", "c"}, {1, 0, 2});
  input.footnotes = &footnotes;
  Bytes book = writeBook(input);
  // 0 header, 1 text, 2 metadata, 3-6 footnotes, 7 text lengths.
  EXPECT_EQ(readU16(&book[76]), 8);
  EXPECT_EQ(headerField(book, 28), 4);
  EXPECT_EQ(headerField(book, 48), 3);
  EXPECT_EQ(headerField(book, 30), 0);
  EXPECT_EQ(headerField(book, 50), 3) << "no sidebars: the sidebar section is empty before the footnotes";
  EXPECT_EQ(headerField(book, 52), 7);
  Bytes index = recordBytes(book, 3);
  EXPECT_EQ(std::string(index.begin(), index.end()), std::string("\0\1\1a\0"
                                                                 "\0\0\2bb\0"
                                                                 "\0\2\1c\0",
                                                                 16));
  EXPECT_EQ(recordBytes(book, 4), (Bytes{'1', '1', '1'}));
  EXPECT_EQ(recordBytes(book, 5), (Bytes{'2', '2', '2', '2'}));
  EXPECT_EQ(recordBytes(book, 6), (Bytes{'3', '3', '3', '3', '3'}));
}

TEST_F(BookWriterTest, SectionsFollowInTheirFixedOrder) {
  BookDatabaseInput input = inputFor("Chapter one. Some text.");
  FakeSection chapters({booktest::numberAndName(0, "One"), booktest::numberAndName(13, "Two")});
  FakeSection links({booktest::numberAndName(0xFFFFFFFF, "nowhere")});
  FakeSection images({Bytes(70, 'i')});
  FakeSection index({Bytes{'a', 0}, Bytes{0, 1, 0, 0, 'a', 0}});
  booktest::writeFile(input.sidebarTempPath, std::string("S"));
  tables.sidebarRecordSizes = {0, 1};
  FakeReferences sidebars({"side"}, {1});
  input.chapters = &chapters;
  input.links = &links;
  input.images = &images;
  input.index = &index;
  input.sidebars = &sidebars;
  Bytes book = writeBook(input);
  // 0 header, 1 text, 2-3 chapters, 4 link, 5 image, 6-7 index, 8 metadata,
  // 9-10 sidebars, 11 text lengths.
  EXPECT_EQ(readU16(&book[76]), 12);
  EXPECT_EQ(headerField(book, 32), 2);
  EXPECT_EQ(headerField(book, 14), 2);
  EXPECT_EQ(headerField(book, 42), 4);
  EXPECT_EQ(headerField(book, 22), 1);
  EXPECT_EQ(headerField(book, 40), 5);
  EXPECT_EQ(headerField(book, 20), 1);
  EXPECT_EQ(headerField(book, 46), 6);
  EXPECT_EQ(headerField(book, 26), 2);
  EXPECT_EQ(headerField(book, 44), 8);
  EXPECT_EQ(headerField(book, 50), 9);
  EXPECT_EQ(headerField(book, 30), 2);
  EXPECT_EQ(headerField(book, 48), 11);
  EXPECT_EQ(headerField(book, 52), 11);
  EXPECT_EQ(recordBytes(book, 3), booktest::numberAndName(13, "Two"));
  EXPECT_EQ(recordBytes(book, 5), Bytes(70, 'i'));
  EXPECT_EQ(recordBytes(book, 10), Bytes{'S'});
}

TEST_F(BookWriterTest, SameInputGivesIdenticalBooksAndOnlyTheDatesFollowTheTime) {
  BookDatabaseInput input = inputFor("Identical twins.\n");
  Bytes first = writeBook(input);
  Bytes second = writeBook(input);
  EXPECT_EQ(first, second);
  input.creationTime = 2000000000;
  Bytes later = writeBook(input);
  ASSERT_EQ(later.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    if (i >= 36 && i < 44) continue;
    EXPECT_EQ(first[i], later[i]) << i;
  }
  EXPECT_EQ(readU32(&later[40]), 2000000001u);
}

TEST_F(BookWriterTest, SectionWhoseRecordComesOutLongerThanAnnouncedLeavesNoBook) {
  BookDatabaseInput input = inputFor("text");
  booktest::writeFile(input.outputPath, std::string("old book"));
  FakeSection liar({Bytes(10, 'c')}, -1);
  input.chapters = &liar;
  EXPECT_FALSE(writeBookDatabase(input));
  ASSERT_EQ(log.errors().size(), 1u);
  EXPECT_NE(log.errors()[0].find(input.outputPath), std::string::npos) << log.errors()[0];
  EXPECT_EQ(booktest::readText(input.outputPath), "old book") << "the earlier file is untouched";
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"book.tdb", "book.tmp"})) << "no temporary left";
  EXPECT_TRUE(log.statuses().empty()) << "no Done. after a failure";
}

TEST_F(BookWriterTest, TextFileThatDoesNotMatchItsSizesLeavesNoBook) {
  BookDatabaseInput input = inputFor("some text");
  tables.textRecordSizes[1] += 1;
  EXPECT_FALSE(writeBookDatabase(input));
  EXPECT_FALSE(booktest::fileExists(input.outputPath));
  ASSERT_EQ(log.errors().size(), 1u);
}

TEST_F(BookWriterTest, NoteRecordCountsThatDisagreeWithTheSizesLeaveNoBook) {
  BookDatabaseInput input = inputFor("text");
  booktest::writeFile(input.sidebarTempPath, std::string("ab"));
  tables.sidebarRecordSizes = {0, 1, 1};
  FakeReferences sidebars({"x"}, {1});
  input.sidebars = &sidebars;
  EXPECT_FALSE(writeBookDatabase(input));
  EXPECT_FALSE(booktest::fileExists(input.outputPath));
}

TEST_F(BookWriterTest, MoreRecordsThanABookCanCountAreRefused) {
  BookDatabaseInput input = inputFor("text");
  FakeSection many(std::vector<Bytes>(65533, Bytes{'x', 0}));
  input.chapters = &many;
  EXPECT_FALSE(writeBookDatabase(input));
  EXPECT_FALSE(booktest::fileExists(input.outputPath));
  FakeSection justEnough(std::vector<Bytes>(65531, Bytes{'x', 0}));
  input.chapters = &justEnough;
  Bytes book = writeBook(input);
  EXPECT_EQ(readU16(&book[76]), 65535);
}

TEST_F(BookWriterTest, OutputFolderThatDoesNotExistIsReportedByName) {
  BookDatabaseInput input = inputFor("text");
  input.outputPath = dir.file("missing/book.tdb");
  EXPECT_FALSE(writeBookDatabase(input));
  ASSERT_EQ(log.errors().size(), 1u);
  EXPECT_NE(log.errors()[0].find(input.outputPath), std::string::npos);
}

TEST_F(BookWriterTest, WriteFailurePartWayThroughLeavesNoBookAndNoTemporary) {
  BookDatabaseInput input = inputFor(booktest::noiseText(40000, 3));
  // The file size limit makes a write fail once the book passes 10000 bytes.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 10000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  bool written = writeBookDatabase(input);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(written);
  EXPECT_FALSE(booktest::fileExists(input.outputPath));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"book.tmp"});
  ASSERT_EQ(log.errors().size(), 1u);
  EXPECT_NE(log.errors()[0].find(input.outputPath), std::string::npos) << log.errors()[0];
}

TEST(BookCreationTime, SourceDateEpochFixesTheDate) {
  LogCapture log;
  setenv("SOURCE_DATE_EPOCH", "1234567890", 1);
  EXPECT_EQ(bookCreationTime(), 1234567890u);
  setenv("SOURCE_DATE_EPOCH", "12x", 1);
  uint32_t now = bookCreationTime();
  EXPECT_GT(now, 1700000000u) << "an unusable value falls back to the current time";
  EXPECT_EQ(log.warnings().size(), 1u);
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_GT(bookCreationTime(), 1700000000u);
}
