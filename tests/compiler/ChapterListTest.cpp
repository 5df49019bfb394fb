// Chapter entries: the tags that make them, their level checks and messages,
// withdrawal when a line moves to the next page, and the chapter records.

#include <gtest/gtest.h>

#include "support/BookTestSupport.h"
#include "support/TextPassTestSupport.h"

using namespace scrivora;

namespace {

class ChapterListTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;
};

TEST_F(ChapterListTest, RecordsHoldPositionTitleAndZeroByte) {
  //                   0         1
  //                   0123456789012345678
  passtest::PassedBook book("ab\\C1=\"One\"\n\\x Two\\x");
  EXPECT_FALSE(book.failed);
  ASSERT_EQ(book.chapters.recordCount(), 2u);
  EXPECT_EQ(book.chapters.recordSize(0), 4u + 7u + 1u);
  EXPECT_EQ(booktest::recordBytes(book.chapters, 0),
            (std::vector<uint8_t>{0, 0, 0, 2, ' ', ' ', ' ', ' ', 'O', 'n', 'e', 0}));
  EXPECT_EQ(book.chapters.recordSize(1), 4u + 4u + 1u);
  EXPECT_EQ(booktest::recordBytes(book.chapters, 1), (std::vector<uint8_t>{0, 0, 0, 12, ' ', 'T', 'w', 'o', 0}));
  // The scan went on at the line end after the \C argument, and the \x
  // begins a page of its own.
  ASSERT_EQ(book.smallPages.count(), 2u);
  EXPECT_EQ(book.smallPages.at(1).position, 12u);
}

TEST_F(ChapterListTest, EntriesAreListedInTheSmallPassAndCountedInBoth) {
  passtest::PassedBook book("\\C0=\"A\"\\C4=\"B\"");
  // The count is the large pass's; the list holds the small pass's entries.
  EXPECT_EQ(book.chapters.count(), 2);
  ASSERT_EQ(book.chapters.size(), 2u);
  EXPECT_EQ(book.chapters.at(0).title, "A");
  EXPECT_EQ(book.chapters.at(1).title, "                B");
}

TEST_F(ChapterListTest, ChapterOnALineMovedToTheNextPageInBothPassesIsStoredOnce) {
  // Four \d fill 132 pixels at the page top; the line "a" ends at 143 (small)
  // or 146 (large), so the next line, holding the chapter, moves in both
  // passes and is scanned again from its start at 10.
  //                        0          1
  //                        0123456789 0123456789
  passtest::PassedBook book("\\d\\d\\d\\da\nb \\C1=\"Moved\" c\nd");
  EXPECT_FALSE(book.failed);
  ASSERT_EQ(book.smallPages.count(), 2u);
  EXPECT_EQ(book.smallPages.at(1).position, 10u);
  ASSERT_EQ(book.largePages.count(), 2u);
  EXPECT_EQ(book.largePages.at(1).position, 10u);
  EXPECT_EQ(book.chapters.count(), 1);
  ASSERT_EQ(book.chapters.size(), 1u);
  EXPECT_EQ(book.chapters.at(0).position, 12u);
  EXPECT_EQ(book.chapters.at(0).title, "    Moved");
}

TEST_F(ChapterListTest, MovingALineKeepsTheChaptersOfEarlierLines) {
  ChapterList list;
  list.beginPass(FontPass::Small);
  list.add(FontPass::Small, 5, "first");
  list.add(FontPass::Small, 40, "second");
  list.add(FontPass::Small, 44, "third");
  EXPECT_EQ(list.withdrawFrom(FontPass::Small, 30), 2u);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.at(0).title, "first");
  EXPECT_EQ(list.count(), 1);
  // A moved line that holds no chapter withdraws nothing.
  EXPECT_EQ(list.withdrawFrom(FontPass::Small, 6), 0u);
  EXPECT_EQ(list.size(), 1u);
}

TEST_F(ChapterListTest, LargePassWithdrawsFromTheCountOnly) {
  ChapterList list;
  list.beginPass(FontPass::Small);
  list.add(FontPass::Small, 12, "Moved");
  list.beginPass(FontPass::Large);
  EXPECT_EQ(list.count(), 0);
  list.add(FontPass::Large, 12, "Moved");
  EXPECT_EQ(list.withdrawFrom(FontPass::Large, 10), 1u);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.size(), 1u);
}

TEST_F(ChapterListTest, TagsMetAgainAfterABreakPointAreListedOnce) {
  // Two chapters after a break point are scanned again on the next line
  // without any withdrawal: each is still listed once, in text order.
  ChapterList list;
  list.beginPass(FontPass::Small);
  list.add(FontPass::Small, 100, "A");
  list.add(FontPass::Small, 110, "B");
  list.add(FontPass::Small, 100, "A");
  list.add(FontPass::Small, 110, "B");
  list.removeDuplicates();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.at(0).title, "A");
  EXPECT_EQ(list.at(1).title, "B");
}

TEST_F(ChapterListTest, MissingArgumentMakesNoEntryAndResumesAfterTheDigit) {
  // The \I right after the digit is met by the scan.
  passtest::PassedBook book("\\C1\\Ix\\I Title");
  EXPECT_TRUE(book.failed);
  // An excerpt error: shown in the small pass only.
  EXPECT_EQ(log.errors(), std::vector<std::string>{"Chapter syntax is \\Cx=\"chapter title\"; you have \"C1\\Ix\""});
  EXPECT_EQ(book.chapters.size(), 0u);
  EXPECT_EQ(book.chapters.count(), 0);
  ASSERT_EQ(book.index.size(), 1u);
  EXPECT_EQ(book.index.at(0).offset, 3u);
}

TEST_F(ChapterListTest, LevelsAndLengthsAreCheckedAndTheEntryKeepsItsTitle) {
  struct Case {
    std::string text;
    std::vector<std::string> errors;
    std::string title;
    size_t warnings;
  };
  const Case cases[] = {
      // A bad digit leaves no indentation.
      {"\\C7=\"Seven\"", {"Chapter syntax is \\Cn (0 <= n <= 4); you have \"C7=\"S\""}, "Seven", 0},
      {"\\X9Nine\\X9", {"Chapter syntax is \\Xn (0 <= n <= 4); you have \"X9Nin\""}, "Nine", 0},
      // Ten characters from the closing digit, shown in the small pass only;
      // the entry keeps the opening level.
      {"\\X2Title\\X3 and more", {"\"\\X3 and more\" does not match closing \\X"}, "        Title", 0},
      {"\\X3Deep\\X3", {}, "            Deep", 0},
      // The indentation counts towards the 80 characters.
      {"\\C4=\"" + std::string(70, 'k') + "\"", {}, std::string(16, ' ') + std::string(64, 'k'), 1},
      {"\\x" + std::string(100, 'w') + "\\x", {}, std::string(80, 'w'), 1},
  };
  for (const Case& c : cases) {
    log.clear();
    passtest::PassedBook book(c.text);
    EXPECT_EQ(book.failed, !c.errors.empty()) << c.text;
    EXPECT_EQ(log.errors(), c.errors) << c.text;
    EXPECT_EQ(log.warnings().size(), c.warnings) << c.text;
    ASSERT_EQ(book.chapters.size(), 1u) << c.text;
    EXPECT_EQ(book.chapters.at(0).title, c.title);
    EXPECT_EQ(book.chapters.at(0).position, 0u);
  }
}

TEST_F(ChapterListTest, LongArgumentTitleIsCutAndWarnedInTheSmallPassOnly) {
  std::string title(81, 'n');
  title[80] = 'Z';
  // Reading stops at the 81st character; the scan resumes after the
  // closing quote, so the \I after it is met.
  passtest::PassedBook book("\\C0=\"" + title + "\"\\Ix\\I after \"x\"");
  EXPECT_FALSE(book.failed);
  EXPECT_EQ(log.warnings(),
            std::vector<std::string>{"Chapter name is > 80 characters; mismatched chapter markers? Begins with \"" +
                                     std::string(40, 'n') + "\""});
  ASSERT_EQ(book.chapters.size(), 1u);
  EXPECT_EQ(book.chapters.at(0).title, std::string(80, 'n'));
  ASSERT_EQ(book.index.size(), 1u);
  EXPECT_EQ(book.index.at(0).offset, 5u + 81u + 1u);
}

TEST_F(ChapterListTest, LongTitleCrossingARecordBoundaryFailsTheBuild) {
  // Records: [0, 50) and [50, 200). The title starts at 5 and the scan
  // resumes at 87, in the second record.
  std::string text = "\\C0=\"" + std::string(81, 'r') + "\"" + std::string(113, ' ');
  ASSERT_EQ(text.size(), 200u);
  passtest::PassedBook book(text, {{0, 50, 200}});
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.errors(),
            std::vector<std::string>{"Chapter tag spans text records -- reduce chapter to 80 characters. \"" +
                                     std::string(40, 'r') + "\""});
  EXPECT_EQ(log.warnings().size(), 1u);
}

TEST_F(ChapterListTest, LongTitleEndingWhereTheNextRecordBeginsStaysInOneRecord) {
  // The scan resumes at 87, the start of the second record, which as a
  // location is the end of the first.
  std::string text = "\\C0=\"" + std::string(81, 'r') + "\"" + std::string(13, ' ');
  passtest::PassedBook book(text, {{0, 87, 100}});
  EXPECT_FALSE(book.failed);
}

}  // namespace

// ---- through the text pass

namespace {

using passtest::PassedBook;

std::string lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "a\n";
  return text;
}

TEST_F(ChapterListTest, PageTitlesAndLevelTitlesAreListedInTextOrderThroughTheTextPass) {
  PassedBook book("\\xOne\\x\ntext\n\\X2Two\\X3\n" + lines(20) + "\\xThree\\x");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.errors(), std::vector<std::string>{"\"\\X3\n" + lines(4) + "\" does not match closing \\X"});
  ASSERT_EQ(book.chapters.size(), 3u);
  EXPECT_EQ(book.chapters.at(0).title, "One");
  EXPECT_EQ(book.chapters.at(0).position, 0u);
  EXPECT_EQ(book.chapters.at(1).title, "        Two");
  EXPECT_EQ(book.chapters.at(1).position, 13u);
  EXPECT_EQ(book.chapters.at(2).title, "Three");
  EXPECT_EQ(book.chapters.at(2).position, 13u + 10u + 40u);
}

}  // namespace
