// Chapter entries: the tags that make them, their level checks and messages,
// withdrawal when a line moves to the next page, and the chapter records.

#include <gtest/gtest.h>

#include "support/NavigationTestSupport.h"

using namespace scrivora;
using navtest::Harness;
using navtest::Kind;

namespace {

class ChapterListTest : public ::testing::Test {
 protected:
  void SetUp() override { navtest::captureLog(); }
};

TEST_F(ChapterListTest, RecordsHoldPositionTitleAndZeroByte) {
  //            0         1
  //            0123456789012345678
  Harness h("ab\\C1=\"One\"\n\\x Two\\x");
  h.reader.beginPass(NavigationPass::Small);
  EXPECT_EQ(h.reader.readChapterArgument(2), 11u);
  h.reader.readChapterScope(12);
  h.reader.finish();
  ASSERT_EQ(h.chapters.recordCount(), 2u);
  EXPECT_EQ(h.chapters.recordSize(0), 4u + 7u + 1u);
  EXPECT_EQ(navtest::recordBytes(h.chapters, 0),
            (std::vector<uint8_t>{0, 0, 0, 2, ' ', ' ', ' ', ' ', 'O', 'n', 'e', 0}));
  EXPECT_EQ(h.chapters.recordSize(1), 4u + 4u + 1u);
  EXPECT_EQ(navtest::recordBytes(h.chapters, 1), (std::vector<uint8_t>{0, 0, 0, 12, ' ', 'T', 'w', 'o', 0}));
}

TEST_F(ChapterListTest, EntriesAreListedInTheSmallPassAndCountedInBoth) {
  Harness h("\\C0=\"A\"\\C4=\"B\"");
  h.reader.beginPass(NavigationPass::Small);
  size_t p = h.reader.readChapterArgument(0);
  EXPECT_EQ(p, 7u);
  h.reader.readChapterArgument(p);
  EXPECT_EQ(h.chapters.count(), 2);
  h.reader.beginPass(NavigationPass::Large);
  EXPECT_EQ(h.chapters.count(), 0);
  h.reader.readChapterArgument(0);
  EXPECT_EQ(h.chapters.count(), 1);
  ASSERT_EQ(h.chapters.size(), 2u);
  EXPECT_EQ(h.chapters.at(1).title, "                B");
}

TEST_F(ChapterListTest, ChapterOnALineMovedToTheNextPageIsStoredOnce) {
  // The scan reaches the chapter, the line does not fit, pagination moves it
  // (from its start at 10) to the next page and scans it again.
  std::string text = std::string(10, 'a') + "xx\\C1=\"Moved\" rest";
  Harness h(text);
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterArgument(12);
  h.reader.lineMovedToNextPage(10);
  EXPECT_EQ(h.chapters.size(), 0u);
  EXPECT_EQ(h.chapters.count(), 0);
  h.reader.readChapterArgument(12);
  h.reader.beginPass(NavigationPass::Large);
  h.reader.readChapterArgument(12);
  h.reader.lineMovedToNextPage(10);
  EXPECT_EQ(h.chapters.count(), 0);
  EXPECT_EQ(h.chapters.size(), 1u);  // the large pass touches only the count
  h.reader.readChapterArgument(12);
  h.reader.finish();
  ASSERT_EQ(h.chapters.size(), 1u);
  EXPECT_EQ(h.chapters.at(0).position, 12u);
  EXPECT_EQ(h.chapters.at(0).title, "    Moved");
}

TEST_F(ChapterListTest, MovingALineKeepsTheChaptersOfEarlierLines) {
  ChapterList list;
  list.beginPass(NavigationPass::Small);
  list.add(NavigationPass::Small, 5, "first");
  list.add(NavigationPass::Small, 40, "second");
  list.add(NavigationPass::Small, 44, "third");
  EXPECT_EQ(list.withdrawFrom(NavigationPass::Small, 30), 2u);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.at(0).title, "first");
  EXPECT_EQ(list.count(), 1);
  // A moved line that holds no chapter withdraws nothing.
  EXPECT_EQ(list.withdrawFrom(NavigationPass::Small, 6), 0u);
  EXPECT_EQ(list.size(), 1u);
}

TEST_F(ChapterListTest, TagsMetAgainAfterABreakPointAreListedOnce) {
  // Two chapters after a break point are scanned again on the next line
  // without any withdrawal: each is still listed once, in text order.
  ChapterList list;
  list.beginPass(NavigationPass::Small);
  list.add(NavigationPass::Small, 100, "A");
  list.add(NavigationPass::Small, 110, "B");
  list.add(NavigationPass::Small, 100, "A");
  list.add(NavigationPass::Small, 110, "B");
  list.removeDuplicates();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.at(0).title, "A");
  EXPECT_EQ(list.at(1).title, "B");
}

TEST_F(ChapterListTest, BadLevelDigitIsReportedAndLeavesNoIndentation) {
  Harness h("\\C7=\"Seven\"");
  h.reader.beginPass(NavigationPass::Small);
  EXPECT_EQ(h.reader.readChapterArgument(0), h.text.size());
  EXPECT_TRUE(h.failed);
  EXPECT_EQ(navtest::messagesOf(Kind::Error),
            std::vector<std::string>{"Chapter syntax is \\Cn (0 <= n <= 4); you have \"C7=\"S\""});
  ASSERT_EQ(h.chapters.size(), 1u);
  EXPECT_EQ(h.chapters.at(0).title, "Seven");
}

TEST_F(ChapterListTest, MissingArgumentMakesNoEntryAndResumesAfterTheDigit) {
  Harness h("\\C1 Title");
  h.reader.beginPass(NavigationPass::Small);
  EXPECT_EQ(h.reader.readChapterArgument(0), 3u);
  h.reader.beginPass(NavigationPass::Large);
  EXPECT_EQ(h.reader.readChapterArgument(0), 3u);
  EXPECT_TRUE(h.failed);
  // An excerpt error: shown in the small pass only.
  EXPECT_EQ(navtest::messagesOf(Kind::Error),
            std::vector<std::string>{"Chapter syntax is \\Cx=\"chapter title\"; you have \"C1 Ti\""});
  EXPECT_EQ(h.chapters.size(), 0u);
  EXPECT_EQ(h.chapters.count(), 0);
}

TEST_F(ChapterListTest, LongArgumentTitleIsCutAndWarnedInTheSmallPassOnly) {
  std::string title(81, 'n');
  title[80] = 'Z';
  Harness h("\\C0=\"" + title + "\" after \"x\"");
  h.reader.beginPass(NavigationPass::Small);
  // Reading stops at the 81st character and resumes after the next quote.
  EXPECT_EQ(h.reader.readChapterArgument(0), 5u + 81u + 1u);
  h.reader.beginPass(NavigationPass::Large);
  h.reader.readChapterArgument(0);
  EXPECT_FALSE(h.failed);
  EXPECT_EQ(navtest::messagesOf(Kind::Warning),
            std::vector<std::string>{"Chapter name is > 80 characters; mismatched chapter markers? Begins with \"" +
                                     std::string(40, 'n') + "\""});
  EXPECT_EQ(h.chapters.at(0).title, std::string(80, 'n'));
}

TEST_F(ChapterListTest, IndentationCountsTowardsTheEightyCharacters) {
  Harness h("\\C4=\"" + std::string(70, 'k') + "\"");
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterArgument(0);
  EXPECT_EQ(h.chapters.at(0).title, std::string(16, ' ') + std::string(64, 'k'));
  EXPECT_EQ(navtest::messagesOf(Kind::Warning).size(), 1u);
}

TEST_F(ChapterListTest, LongTitleCrossingARecordBoundaryFailsTheBuild) {
  // Records: [0, 50) and [50, 200). The title starts at 5 and the scan
  // resumes at 87, in the second record.
  std::string text = "\\C0=\"" + std::string(81, 'r') + "\"" + std::string(113, ' ');
  ASSERT_EQ(text.size(), 200u);
  Harness h(text, {0, 50, 200});
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterArgument(0);
  EXPECT_TRUE(h.failed);
  EXPECT_EQ(navtest::messagesOf(Kind::Error),
            std::vector<std::string>{"Chapter tag spans text records -- reduce chapter to 80 characters. \"" +
                                     std::string(40, 'r') + "\""});
  EXPECT_EQ(navtest::messagesOf(Kind::Warning).size(), 1u);
}

TEST_F(ChapterListTest, LongTitleEndingWhereTheNextRecordBeginsStaysInOneRecord) {
  // The scan resumes at 87, the start of the second record, which as a
  // location is the end of the first.
  std::string text = "\\C0=\"" + std::string(81, 'r') + "\"" + std::string(13, ' ');
  Harness h(text, {0, 87, 100});
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterArgument(0);
  EXPECT_FALSE(h.failed);
}

TEST_F(ChapterListTest, MismatchedClosingLevelIsReportedAndTheEntryKeepsTheOpeningLevel) {
  //          0123456789012345
  Harness h("\\X2Title\\X3 and more");
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterScope(0);
  h.reader.beginPass(NavigationPass::Large);
  h.reader.readChapterScope(0);
  EXPECT_TRUE(h.failed);
  // Ten characters from the closing digit, shown in the small pass only.
  EXPECT_EQ(navtest::messagesOf(Kind::Error),
            std::vector<std::string>{"\"\\X3 and more\" does not match closing \\X"});
  ASSERT_EQ(h.chapters.size(), 1u);
  EXPECT_EQ(h.chapters.at(0).title, "        Title");
  EXPECT_EQ(h.chapters.at(0).position, 0u);
}

TEST_F(ChapterListTest, MatchingClosingLevelIsQuiet) {
  Harness h("\\X3Deep\\X3");
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterScope(0);
  EXPECT_FALSE(h.failed);
  EXPECT_TRUE(navtest::loggedMessages().empty());
  EXPECT_EQ(h.chapters.at(0).title, "            Deep");
}

TEST_F(ChapterListTest, BadScopeLevelIsReported) {
  Harness h("\\X9Nine\\X9");
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterScope(0);
  EXPECT_TRUE(h.failed);
  EXPECT_EQ(navtest::messagesOf(Kind::Error),
            std::vector<std::string>{"Chapter syntax is \\Xn (0 <= n <= 4); you have \"X9Nin\""});
  EXPECT_EQ(h.chapters.at(0).title, "Nine");
}

TEST_F(ChapterListTest, LongScopeTitleIsCutWithTheChapterWarning) {
  Harness h("\\x" + std::string(100, 'w') + "\\x");
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterScope(0);
  h.reader.beginPass(NavigationPass::Large);
  h.reader.readChapterScope(0);
  EXPECT_EQ(h.chapters.at(0).title, std::string(80, 'w'));
  EXPECT_EQ(navtest::messagesOf(Kind::Warning).size(), 1u);
  EXPECT_FALSE(h.failed);
}

}  // namespace

// ---- through the text pass

namespace {

using navtest::PassedBook;

std::string lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "a\n";
  return text;
}

TEST_F(ChapterListTest, ChapterOnALineThatMovesToANewPageIsStoredOnceThroughTheTextPass) {
  // Thirteen lines of 11 pixels fill 143 of the 148 pixels of a small-font
  // page; the fourteenth, which holds the chapter, moves to page 1.
  PassedBook book(lines(13) + "b \\C1=\"Moved\" c\nd");
  EXPECT_FALSE(book.failed);
  ASSERT_GE(book.smallPages.count(), 2u);
  EXPECT_EQ(book.smallPages.at(1).position, 26u);
  ASSERT_EQ(book.chapters.size(), 1u);
  EXPECT_EQ(book.chapters.at(0).position, 28u);
  EXPECT_EQ(book.chapters.at(0).title, "    Moved");
}

TEST_F(ChapterListTest, PageTitlesAndLevelTitlesAreListedInTextOrderThroughTheTextPass) {
  PassedBook book("\\xOne\\x\ntext\n\\X2Two\\X3\n" + lines(20) + "\\xThree\\x");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(navtest::messagesOf(Kind::Error),
            std::vector<std::string>{"\"\\X3\n" + lines(4) + "\" does not match closing \\X"});
  ASSERT_EQ(book.chapters.size(), 3u);
  EXPECT_EQ(book.chapters.at(0).title, "One");
  EXPECT_EQ(book.chapters.at(0).position, 0u);
  EXPECT_EQ(book.chapters.at(1).title, "        Two");
  EXPECT_EQ(book.chapters.at(1).position, 13u);
  EXPECT_EQ(book.chapters.at(2).title, "Three");
  EXPECT_EQ(book.chapters.at(2).position, 13u + 10u + 40u);
}

TEST_F(ChapterListTest, MappingFailureInATitleFailsTheTextPass) {
  PassedBook book("\\C0=\"caf\\U00E9\"");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(navtest::countOf(Kind::Error, "Don't know how to map unicode character 00E9"), 2);
  EXPECT_EQ(book.chapters.at(0).title, "caf ");
}

}  // namespace
