// Page tables worked out by hand. Small font: 'm' is 8 pixels wide, 'a' 5,
// lines are 11 high, so 19 'm' fill a line (152; a 20th makes 160) and 13
// lines fill a page (143; a 14th makes 154). Large font: 'm' is 10, 'a' 6,
// lines are 14 high: 15 'm' to a line, 10 lines to a page. The large pass
// starts in font 2, so its state word carries 2 << 3 = 16.

#include <gtest/gtest.h>

#include <vector>

#include "support/BookTestSupport.h"
#include "support/PngTestImages.h"
#include "support/TextPassTestSupport.h"

using namespace passtest;

namespace {

class PaginationTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;
};

constexpr uint16_t kLarge = 16;

TEST_F(PaginationTest, EmptyTextHasOnePageInEachTable) {
  PassedBook result("", {{0}});
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}}));
}

TEST_F(PaginationTest, LongWordBreaksBeforeTheLetterThatDoesNotFit) {
  // Small: 13 lines of 19 letters, the 14th line starts at 247.
  // Large: 10 lines of 15 letters, the 11th line starts at 150.
  PassedBook result(std::string(248, 'm'));
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 247, 247, 0}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 150, 150, kLarge}}));
}

TEST_F(PaginationTest, PageStartsAreLocatedInTheirTextRecords) {
  PassedBook result(std::string(248, 'm'), {{0, 100, 200, 248}});
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 3, 47, 247, 0}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 2, 50, 150, kLarge}}));
}

TEST_F(PaginationTest, PageStartingExactlyAtARecordStartBelongsToThePreviousRecord) {
  // 198 'a' take 7 lines in either font; \p at 198 starts page 1 at 200,
  // where record 3 begins: it is entered as record 2 at offset 100.
  std::string text = std::string(198, 'a') + "\\p" + "b";
  PassedBook result(text, {{0, 100, 200, 201}});
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 2, 100, 200, 0}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 2, 100, 200, kLarge}}));
}

TEST_F(PaginationTest, TrailingSpacesAfterAFullLineDoNotOverflowIt) {
  // 19 'm' and a 'w' make exactly 158 pixels; three spaces follow. Each
  // source line stays one line, so the 14th (at 13 x 24) opens page 1.
  // In the large font ('w' 10) each source line takes two lines.
  std::string line = std::string(19, 'm') + "w   \n";
  ASSERT_EQ(line.size(), 24u);
  PassedBook result(repeat(line, 14));
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 312, 312, 0}}));
  EXPECT_EQ(pagesOf(result.largePages),
            (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 120, 120, kLarge}, {2, 1, 240, 240, kLarge}}));
}

TEST_F(PaginationTest, RuleInMidLineStandsOnALineOfItsOwn) {
  // Lines 12 "abc", 13 the rule (from 25), 14 "def" (from 33) on page 1.
  // Large: ten 'a' lines fill page 0, the 11th (at 20) opens page 1.
  std::string text = repeat("a\n", 11) + "abc\\w=\"50%\"def";
  PassedBook result(text);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 33, 33, 0}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 20, 20, kLarge}}));
}

TEST_F(PaginationTest, LineMovedToTheNextPageIsScannedAgainFromItsStart) {
  // Line 14 "ab\icd" does not fit: page 1 starts at its start (26) in the
  // state of that start (italic off). Scanned again, \i turns italic on, so
  // the page that \p opens at 35 carries italic (0x8000).
  std::string text = repeat("a\n", 13) + "ab\\icd\n\\pef";
  PassedBook result(text);
  EXPECT_EQ(pagesOf(result.smallPages),
            (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 26, 26, 0}, {2, 1, 35, 35, 0x8000}}));
  EXPECT_EQ(pagesOf(result.largePages),
            (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 20, 20, kLarge}, {2, 1, 35, 35, 0x8000 | kLarge}}));
}

TEST_F(PaginationTest, EmptyLinesAtThePageTopTakeNoRoom) {
  // Page 1 starts at 3; its three line feeds are swallowed, 13 'b' lines fill
  // it and 'c' at 32 opens page 2 (large: the 11th 'b' line, at 26).
  std::string text = "a\\p\n\n\n" + repeat("b\n", 13) + "c";
  PassedBook result(text);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 3, 3, 0}, {2, 1, 32, 32, 0}}));
  EXPECT_EQ(pagesOf(result.largePages),
            (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 3, 3, kLarge}, {2, 1, 26, 26, kLarge}}));
}

// Texts whose second small-font page begins where one rule of line breaking
// or measuring says (0 for no second page), with the state it carries.
struct SecondPage {
  std::string text;
  uint32_t position;
  uint16_t state;
};

TEST_F(PaginationTest, SecondSmallFontPageBeginsWhereTheLineRulesSay) {
  const SecondPage cases[] = {
      // Line 13: 15 'm' (120) and a space (122), then 'm' up to 154; the fifth
      // overflows, so the line breaks after the space, at 24 + 16 = 40.
      {repeat("a\n", 12) + std::string(15, 'm') + " " + std::string(5, 'm'), 40, 0},
      // Line 13: 18 'm' (144); the hyphen (4) would fit, so the break point is
      // after \- at 24 + 18 + 2 = 44. Without it the line would end after 19 'm'.
      {repeat("a\n", 12) + std::string(18, 'm') + "\\-" + std::string(5, 'm'), 44, 0},
      // 10 'm', \-, 9 'm' and 'w' make exactly 158: the line fits whole and 'b'
      // at 47 opens page 1. Counting the hyphen would break the line at 36.
      {repeat("a\n", 12) + std::string(10, 'm') + "\\-" + std::string(9, 'm') + "w\nb", 47, 0},
      // A page break on an empty page is ignored; one at the end enters a
      // page at the text end.
      {"\\pabc", 0, 0},
      {"a\\p\\pb", 3, 0},
      {"abc\\p", 5, 0},
      // Superscript asks for at least 7, but every line starts at 11: 13 lines
      // fit, the 14th (at 3 + 13 x 2) opens page 1.
      {"\\Sp" + repeat("a\n", 14), 29, 0x0200},
      // 15 \U fill 150 pixels; the 16th begins line 14 at 24 + 15 x 6.
      {repeat("a\n", 12) + repeat("\\U0041", 16), 114, 0},
      // A chapter title begins a page with its tag, except at the top.
      {"abc\\xTitle\\x more", 3, 0},
      {"\\xTitle\\x more", 0, 0},
      // A large line (14) and 11 small ones bring y to 135. Line 13 has 15 'm',
      // a space, then large 'm' from \l at 44 that overflow: the line breaks at
      // the \l, keeps height 11 and fits (146). The rest moves to page 1 at 44
      // in the small font of the break point. Had the line kept height 14 it
      // would have moved whole, opening page 1 at 28.
      {"\\lA\\l\n" + repeat("a\n", 11) + std::string(15, 'm') + " \\lmmmm\\l", 44, 0},
      // 17 'm' (136), the sidebar mark (16) and its space (2) make 154; 'x'
      // overflows and the line breaks at the \Sd (41), which opens page 1.
      {repeat("a\n", 12) + std::string(17, 'm') + "\\Sd=\"s\"x\\Sd", 41, 0},
      // 18 'm' after the indent fill 152; 13 lines take 234 letters, so the
      // 14th line starts at 2 + 234 with the indented style (0x2000).
      {"\\t" + std::string(18 * 13 + 1, 'm'), 236, 0x2000},
  };
  for (const SecondPage& c : cases) {
    log.clear();
    PassedBook result(c.text);
    EXPECT_FALSE(result.failed) << c.text;
    std::vector<Page> expected{{0, 1, 0, 0, 0}};
    if (c.position > 0) expected.push_back({1, 1, uint16_t(c.position), c.position, c.state});
    EXPECT_EQ(pagesOf(result.smallPages), expected) << c.text;
  }
}

TEST_F(PaginationTest, PageEntriesCarryStyleAlignmentAndFont) {
  // Centre (1), bold font 1 (1 << 3), italic, underline and bold style.
  std::string text = "\\c\\b\\i\\u\\Bab\\pcd";
  PassedBook result(text);
  uint16_t state = 0x8000 | 0x4000 | 0x0080 | 1 | (1 << 3);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 14, 14, state}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 14, 14, state}}));
}

TEST_F(PaginationTest, LargeBoldLinesAreFifteenHigh) {
  // Nine lines of 15 fill 135; the tenth (at 4 + 9 x 2) opens page 1. In the
  // large pass \l returns to the large base font, so both tables agree;
  // the state is bold style (0x80) and font 2 (16).
  std::string text = "\\l\\B" + repeat("a\n", 10);
  PassedBook result(text);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 22, 22, 0x90}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 22, 22, 0x90}}));
}

TEST_F(PaginationTest, LineThatCannotFitAnyPageStaysOnTheFreshPage) {
  // Five \d add 165 to the line: it moves to page 1 (at 0), still does not
  // fit there and stays; the next line moves on to page 2 as usual.
  std::string text = "\\d\\d\\d\\d\\dabc\ndef";
  PassedBook result(text);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 0, 0, 0}, {2, 1, 14, 14, 0}}));
  EXPECT_EQ(pagesOf(result.largePages),
            (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 0, 0, kLarge}, {2, 1, 14, 14, kLarge}}));
}

TEST_F(PaginationTest, ImageTakesItsWidthAndHeight) {
  booktest::TempDir folder;
  pngtest::writeGreyPng(folder.file("pic.png"), 100, 50);
  // Line 13: 8 'm' (64) and the image (100) overflow; the image goes to
  // line 14 at 32, whose 50 pixels do not fit under 143: page 1 at 32.
  const std::string text = repeat("a\n", 12) + std::string(8, 'm') + "\\m=\"pic.png\"";
  PassedBook result(text, {{}, folder.path()});
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 32, 32, 0}}));
}

TEST_F(PaginationTest, TooManyPagesFailsForEachFont) {
  PassedBook result(repeat("a\\p", 65535));
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(log.count(scrivora::LogKind::Error,
                      "The book has too many pages (65536) for the small font; at most 65535 are allowed."),
            1);
  EXPECT_EQ(log.count(scrivora::LogKind::Error,
                      "The book has too many pages (65536) for the large font; at most 65535 are allowed."),
            1);
}

TEST_F(PaginationTest, AsManyPagesAsTheBookCanNumberAreAccepted) {
  PassedBook result(repeat("a\\p", 65534));
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(result.smallPages.count(), 65535u);
  EXPECT_EQ(result.smallPages.at(65534).page, 65534);
}

// A chapter whose line moves to the next page is withdrawn and made again
// there: the book lists it once, where the line now stands.
TEST_F(PaginationTest, ChapterOnAMovedLineIsListedOnceWhereItNowStands) {
  PassedBook result(repeat("a\n", 13) + "ab\\X1Title\\X1");
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 26, 26, 0}}));
  EXPECT_EQ(result.chapterTitles(), std::vector<std::string>{"    Title"});
  EXPECT_EQ(result.chapters.at(0).position, 28u);
  EXPECT_EQ(result.chapters.count(), 1);
}

TEST_F(PaginationTest, ChapterTagAtTheTextEndStillEndsTheLastLine) {
  // Line 14 "ab" is followed only by \X1: the line still ends at the text
  // end, does not fit and moves to page 1 at 26.
  PassedBook result(repeat("a\n", 13) + "ab\\X1");
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 26, 26, 0}}));
  ASSERT_EQ(result.chapters.size(), 1u);
  EXPECT_EQ(result.chapters.at(0).position, 28u);
}

TEST_F(PaginationTest, PageTitleWhoseLineMovesIsWithdrawnAndMadeAgain) {
  // "ab" ends at the \x but does not fit: it moves to page 1 (26), the \x
  // is met again and opens page 2 at its own position (28).
  PassedBook result(repeat("a\n", 13) + "ab\\xT\\x");
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 26, 26, 0}, {2, 1, 28, 28, 0}}));
  EXPECT_EQ(result.chapterTitles(), std::vector<std::string>{"T"});
  EXPECT_EQ(result.chapters.at(0).position, 28u);
  EXPECT_EQ(result.chapters.count(), 1);
}

TEST_F(PaginationTest, VerticalSpaceCountsTowardsThePageHeight) {
  // Four \d (132) and the line "a" make 143 in the small font and 146 in the
  // large one; the line "b" no longer fits in either and opens page 1 at 10.
  PassedBook result("\\d\\d\\d\\da\nb");
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 10, 10, 0}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 10, 10, kLarge}}));
}

TEST_F(PaginationTest, InvisibleTextIsNotMeasuredButUnicodeInsideItIs) {
  // After 12 lines (132) the 300 'm' and the line end inside \v take no room;
  // 15 \U fill 150 pixels, the 16th (at 24 + 2 + 301 + 90) starts line 14,
  // which opens page 1 with the invisible style on.
  std::string text = repeat("a\n", 12) + "\\v" + std::string(300, 'm') + "\n" + repeat("\\U0041", 16) + "\\v";
  PassedBook result(text);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 417, 417, 0x0800}}));
}

TEST_F(PaginationTest, SwitchedAlignmentIsCarriedIntoTheNextPage) {
  // \c then \r leaves right alignment (2) on at the page that \p opens.
  PassedBook result("\\cab\\rcd\\pef");
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 10, 10, 2}}));
  EXPECT_EQ(pagesOf(result.largePages), (std::vector<Page>{{0, 1, 0, 0, kLarge}, {1, 1, 10, 10, kLarge | 2}}));
}

TEST_F(PaginationTest, IndentLeavesABreakPointAfterItself) {
  // Line 13: 18 'm' and a space (146), \T at 43 moves x to 158, and the 'x'
  // at 52 overflows. The line breaks after the tag, so the 'x' alone moves to
  // page 1; breaking before the tag would have opened it at 43.
  std::string text = repeat("a\n", 12) + std::string(18, 'm') + " \\T=\"100%\"x";
  PassedBook result(text);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(pagesOf(result.smallPages), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 52, 52, 0}}));
}

}  // namespace
