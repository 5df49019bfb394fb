// The checks of the tag scanner: which message each fault draws, of which
// kind, how often over the two passes, and whether it fails the build.

#include <gtest/gtest.h>

#include "support/TextPassTestSupport.h"

using namespace passtest;

namespace {

class TextPassMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { captureLog(); }
};

TEST_F(TextPassMessagesTest, CleanTextReportsOnlyThePassStatuses) {
  PassResult result = runPass("Plain \\itext\\i with \\\\ and \\a149.\n");
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(textsOf(Kind::Status), (std::vector<std::string>{"Generating page tables for the small font...",
                                                             "Generating page tables for the large font..."}));
  EXPECT_TRUE(textsOf(Kind::Error).empty());
  EXPECT_TRUE(textsOf(Kind::Warning).empty());
}

TEST_F(TextPassMessagesTest, SuperscriptInsideSubscriptFailsInBothPasses) {
  PassResult result = runPass("a\\Sbb\\Spc\\Sp\\Sb");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Can't have superscript and subscript at the same time!"), 2);
}

TEST_F(TextPassMessagesTest, BoldFontAndBoldStyleInOneFileFailOnce) {
  PassResult result = runPass("\\bbold\\b then \\Bbold\\B and \\b again\\b");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "You can't use \\b and \\B in the same file."), 1);
}

TEST_F(TextPassMessagesTest, SwitchingAlignmentWarnsOncePerPass) {
  PassResult result = runPass("\\ccentred \\rright\\r");
  EXPECT_FALSE(result.failed);
  // 30 characters from the backslash of \r.
  EXPECT_EQ(countOf(Kind::Warning, "Should close alignment tag before switching to another, before \"\\rright\\r\""),
            2);
}

TEST_F(TextPassMessagesTest, AlignmentLeftOnAtThePageStart) {
  // \c then \r leaves right alignment (2) on for the page \p opens.
  PassResult result = runPass("\\cx\\rab\\pcd");
  ASSERT_EQ(result.small.count(), 2u);
  EXPECT_EQ(result.small.at(1).state, 2);
}

TEST_F(TextPassMessagesTest, IllegalControlCodeQuotesFortyCharactersAfterTheBackslash) {
  std::string text = "ab\\z" + std::string(50, 'y');
  PassResult result = runPass(text);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Illegal control code starting at \"\\z" + std::string(39, 'y') + "\""), 1);
}

TEST_F(TextPassMessagesTest, UnknownScriptLetterIsAnIllegalControlCode) {
  PassResult result = runPass("a\\Sxyz");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Illegal control code: \\Sx"), 1);
}

TEST_F(TextPassMessagesTest, FootnoteTagWithoutNIsSkippedSilently) {
  PassResult result = runPass("a\\Fxb");
  EXPECT_FALSE(result.failed);
  EXPECT_TRUE(textsOf(Kind::Error).empty());
}

TEST_F(TextPassMessagesTest, UnclosedScopesAtTheEndAreNotReported) {
  PassResult result = runPass("\\iitalic to the end \\c");
  EXPECT_FALSE(result.failed);
  EXPECT_TRUE(textsOf(Kind::Error).empty());
  EXPECT_TRUE(textsOf(Kind::Warning).empty());
}

TEST_F(TextPassMessagesTest, IndexTermOpenedWithAStyleOnFailsOnceAndIsStillRead) {
  struct Terms : scrivora::TextPassCollector {
    void indexTerm(scrivora::TextPassContext&, size_t tag, scrivora::TextLocation location) override {
      tags.push_back(tag);
      offsets.push_back(location.offset);
    }
    std::vector<size_t> tags;
    std::vector<uint32_t> offsets;
  } terms;
  PassResult result = runPass("\\iword \\Iterm\\I", {}, &terms);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "No styles permitted before \"\\Iterm\\I\""), 1);
  // Read in the small pass only.
  EXPECT_EQ(terms.tags, (std::vector<size_t>{7}));
  EXPECT_EQ(terms.offsets, (std::vector<uint32_t>{7}));
}

TEST_F(TextPassMessagesTest, IndentBeyondOneHundredPercentCountsAsTheFullLine) {
  // The first indent moves x to 158; the second, to the same target, warns.
  PassResult result = runPass("\\T=\"200%\"\\T=\"100%\"");
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(
      countOf(Kind::Warning, "You specified an indent of 100%, which is before the current position of 158 pixels"), 2);
}

TEST_F(TextPassMessagesTest, IndentBeforeTheCurrentPositionWarnsWithValueAndPosition) {
  // Twelve 'm' and a 'c': 100 pixels in the small font, 126 in the large.
  PassResult result = runPass("mmmmmmmmmmmmc\\T=\"50%\"");
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(
      countOf(Kind::Warning, "You specified an indent of 50%, which is before the current position of 100 pixels"), 1);
  EXPECT_EQ(
      countOf(Kind::Warning, "You specified an indent of 50%, which is before the current position of 126 pixels"), 1);
}

TEST_F(TextPassMessagesTest, RuleWithoutItsArgumentQuotesSevenCharacters) {
  PassResult result = runPass("a\\w50%\" more");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Rule syntax is '\\w=\"xx%\"'.  You have '\\w50%\" '"), 1);
}

TEST_F(TextPassMessagesTest, RuleWidthOfLettersFailsForEachLetterInEachPass) {
  PassResult result = runPass("\\w=\"5ab%\"");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Rule width specifier must be only digits!"), 4);
}

TEST_F(TextPassMessagesTest, RuleWidthOfFourDigitsFailsInEachPass) {
  PassResult result = runPass("\\w=\"1000%\"");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "More than three digits were specified for the rule width"), 2);
}

TEST_F(TextPassMessagesTest, RuleWithoutPercentSignFailsInEachPassWithALiteralPercent) {
  PassResult result = runPass("\\w=\"50\"");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Rule syntax is '\\w=\"xx%\"' -- you forgot the %."), 2);
}

TEST_F(TextPassMessagesTest, PercentNotFollowedByQuoteQuotesFromTheByteBeforeIt) {
  PassResult result = runPass("\\T=\"50%x\" tail");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Indent syntax is '\\T=\"xx%\"'.  You have '0%x\" ta'"), 1);
}

TEST_F(TextPassMessagesTest, BadUnicodeDigitFailsOnceWithTheTag) {
  PassResult result = runPass("x\\U00g1y");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Error in \\U specification: \"\\U00g1\""), 1);
}

TEST_F(TextPassMessagesTest, TagInsideAFootnoteReferenceFailsInEachPass) {
  PassResult result = runPass("See \\Fn=\"note1\"Text\\i\\Fn here.");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Tags are not permitted within footnote references, see reference to note1"), 2);
}

TEST_F(TextPassMessagesTest, ClosedReferencesAreAccepted) {
  struct Ids : scrivora::TextPassCollector {
    void footnoteReference(scrivora::TextPassContext& c, size_t b, size_t e) override {
      ids.push_back("F" + c.slice(b, e));
    }
    void sidebarReference(scrivora::TextPassContext& c, size_t b, size_t e) override {
      ids.push_back("S" + c.slice(b, e));
    }
    std::vector<std::string> ids;
  } ids;
  PassResult result = runPass("\\Fn=\"n1\"one\\Fn and \\Sd=\"s1\"two\\Sd", {}, &ids);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(ids.ids, (std::vector<std::string>{"Fn1", "Ss1"}));
}

TEST_F(TextPassMessagesTest, SidebarSyntaxErrorQuotesFromSevenBeforeTheTag) {
  // The window would start before the text: only its part inside is shown.
  PassResult result = runPass("ab\\Sd\"x\"y\\Sd");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Sidebar syntax incorrect.  You have 'ab\\Sd\"x\"y\\Sd' and it should be \\Sd=\""), 1);
}

TEST_F(TextPassMessagesTest, LinkSyntaxErrorKeepsTheExcerptInsideTheText) {
  PassResult result = runPass("\\q=x\\q");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Link syntax incorrect.  You have '\\q=x\\q' and it should be \\q=\"#"), 1);
}

TEST_F(TextPassMessagesTest, ForbiddenFirstTagInLinkTextIsReportedWithoutFailing) {
  PassResult result = runPass("\\q=\"#there\"\\dtext\\q");
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Illegal tag \"\\d\" in link reference to \"there\""), 1);
}

TEST_F(TextPassMessagesTest, ImageWithoutArgumentIsASyntaxError) {
  PassResult result = runPass("123456789\\m'pic.png'");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Image syntax incorrect.  You have '23456789\\m'pic.png'' and it should be \\m=\""),
            1);
}

TEST_F(TextPassMessagesTest, MissingImageFailsTheBuild) {
  PassResult result = runPass("\\m=\"absent.png\"", {}, nullptr, "/nonexistent-folder");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Image \"absent.png\" doesn't exist!"), 1);
}

TEST_F(TextPassMessagesTest, ChapterLevelOutOfRangeIsReported) {
  PassResult result = runPass("\\C7=\"Seven\" and \\X9Title\\X9");
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Chapter syntax is \\Cn (0 <= n <= 4); you have \"C7=\"S\""), 1);
  EXPECT_EQ(countOf(Kind::Error, "Chapter syntax is \\Xn (0 <= n <= 4); you have \"X9Tit\""), 1);
}

TEST_F(TextPassMessagesTest, ChapterEntryWithoutArgumentMakesNoEntry) {
  struct Count : scrivora::TextPassCollector {
    void chapterTag(scrivora::TextPassContext&, ChapterForm, size_t, int, size_t, size_t) override { ++made; }
    int made = 0;
  } count;
  PassResult result = runPass("\\C1Title", {}, &count);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(countOf(Kind::Error, "Chapter syntax is \\Cx=\"chapter title\"; you have \"C1Tit\""), 1);
  EXPECT_EQ(count.made, 0);
}

TEST_F(TextPassMessagesTest, ChapterArgumentSpanEndsAtTheClosingQuote) {
  struct Span : scrivora::TextPassCollector {
    void chapterTag(scrivora::TextPassContext& c, ChapterForm, size_t, int level, size_t b, size_t e) override {
      if (c.smallPass()) titles.push_back(std::to_string(level) + ":" + c.slice(b, e));
    }
    std::vector<std::string> titles;
  } span;
  PassResult result = runPass("\\C2=\"Intro \\a065\"after", {}, &span);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(span.titles, (std::vector<std::string>{"2:Intro \\a065"}));
}

}  // namespace
