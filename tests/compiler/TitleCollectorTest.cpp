// Titles and index terms as the reader lists them: tags left out, escapes
// turned into their byte, line ends folded, the 80-character cut, and the
// mapping of \U characters with its warnings.

#include <gtest/gtest.h>

#include "TitleCollector.h"
#include "support/NavigationTestSupport.h"

using namespace scrivora;
using navtest::Harness;
using navtest::Kind;

namespace {

const char* const kMappingWarning =
    "Unicode characters currently aren't allowed in chapter or index specifications! Mapping them. "
    "Begins with \"%s\"";

std::string mappingWarning(const std::string& excerpt) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, kMappingWarning, excerpt.c_str());
  return buffer;
}

class TitleCollectorTest : public ::testing::Test {
 protected:
  void SetUp() override { navtest::captureLog(); }

  // The title of a single chapter tag at the start of `source`, read in the
  // small pass.
  static std::string chapterTitle(Harness& h) {
    h.reader.beginPass(NavigationPass::Small);
    if (h.text.compare(0, 2, "\\C") == 0) {
      h.reader.readChapterArgument(0);
    } else {
      h.reader.readChapterScope(0);
    }
    EXPECT_EQ(h.chapters.size(), 1u);
    return h.chapters.size() ? h.chapters.at(0).title : std::string();
  }
};

TEST_F(TitleCollectorTest, LevelTwoArgumentTitleIsIndentedByEightSpaces) {
  Harness h("\\C2=\"Intro\"rest");
  h.reader.beginPass(NavigationPass::Small);
  EXPECT_EQ(h.reader.readChapterArgument(0), 11u);
  ASSERT_EQ(h.chapters.size(), 1u);
  EXPECT_EQ(h.chapters.at(0).title, "        Intro");
  EXPECT_FALSE(h.failed);
  EXPECT_TRUE(navtest::loggedMessages().empty());
}

TEST_F(TitleCollectorTest, LineEndsBecomeSingleSpacesButNotAtTheStart) {
  Harness h("\\x\n\nOne\n\nTwo \nThree\\x");
  EXPECT_EQ(chapterTitle(h), "One Two Three");
}

TEST_F(TitleCollectorTest, QuotedTagsAreSkippedWithTheirArgument) {
  Harness h("\\xSee \\m=\"pic.png\" here\\x");
  EXPECT_EQ(chapterTitle(h), "See  here");
  Harness anchors("\\X1A\\Q=\"n\"B\\T=\"50%\"C\\q=\"#x\"D\\qE\\w=\"10%\"F\\X1");
  EXPECT_EQ(chapterTitle(anchors), "    ABCDEF");
  EXPECT_FALSE(anchors.failed);
}

TEST_F(TitleCollectorTest, ClosingLinkTagSkipsNoArgument) {
  Harness h("\\xSee \\q=\"#a\"here\\q and more\\x after \"quoted\" text");
  EXPECT_EQ(chapterTitle(h), "See here and more");
}

TEST_F(TitleCollectorTest, OtherTagsInAScopeAreSkippedAsTwoBytes) {
  // \i, \\ and a \X inside a \x title leave nothing behind; \\ does not give
  // a backslash either.
  Harness h("\\xA\\iB\\i\\\\C\\X2D\\x");
  EXPECT_EQ(chapterTitle(h), "ABC2D");
}

TEST_F(TitleCollectorTest, DecimalEscapesGiveTheirByteModulo256) {
  Harness h("\\C0=\"\\a065\\a300\\a233\"");
  EXPECT_EQ(chapterTitle(h), "A,\xE9");
  EXPECT_FALSE(h.failed);
}

TEST_F(TitleCollectorTest, AZeroByteEscapeIsLeftOutOfTheTitle) {
  Harness h("\\C0=\"a\\a000b\"");
  EXPECT_EQ(chapterTitle(h), "ab");
}

TEST_F(TitleCollectorTest, BulletIsLeftOutOfIndexTermsOnly) {
  Harness term("\\I\\a149 Item\\I");
  term.reader.beginPass(NavigationPass::Small);
  term.reader.readIndexTerm(0);
  ASSERT_EQ(term.index.size(), 1u);
  EXPECT_EQ(term.index.at(0).term, " Item");

  Harness title("\\x\\a149 Item\\x");
  EXPECT_EQ(chapterTitle(title), "\x95 Item");
}

TEST_F(TitleCollectorTest, TagInsideArgumentTitleIsAPlainErrorInBothPasses) {
  Harness h("\\C0=\"A\\iB\"");
  for (NavigationPass pass : {NavigationPass::Small, NavigationPass::Large}) {
    h.reader.beginPass(pass);
    EXPECT_EQ(h.reader.readChapterArgument(0), h.text.size());
  }
  EXPECT_TRUE(h.failed);
  EXPECT_EQ(navtest::countOf(Kind::Error, "Tags are not allowed inside \\C definitions!"), 2);
  ASSERT_EQ(h.chapters.size(), 1u);
  EXPECT_EQ(h.chapters.at(0).title, "AB");
}

TEST_F(TitleCollectorTest, MappedUnicodeGivesItsLetterAndAWarning) {
  Harness h("xy\\C0=\"\\U0141odz\"");
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterArgument(2);
  ASSERT_EQ(h.chapters.size(), 1u);
  EXPECT_EQ(h.chapters.at(0).title, "Lodz");
  EXPECT_FALSE(h.failed);
  // 20 bytes from two before the backslash of \U.
  std::vector<std::string> warnings = navtest::messagesOf(Kind::Warning);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], mappingWarning("=\"\\U0141odz\""));
  EXPECT_EQ(h.mappingWarnings, 1);
}

TEST_F(TitleCollectorTest, UnicodeWithoutLetterFailsInEveryPassAndGivesASpace) {
  Harness h("\\xcaf\\U00E9 au lait\\x");
  for (NavigationPass pass : {NavigationPass::Small, NavigationPass::Large}) {
    h.reader.beginPass(pass);
    h.reader.readChapterScope(0);
  }
  EXPECT_TRUE(h.failed);
  EXPECT_EQ(navtest::countOf(Kind::Error, "Don't know how to map unicode character 00E9"), 2);
  // Warned in the small pass only, counted in both.
  EXPECT_EQ(navtest::messagesOf(Kind::Warning).size(), 1u);
  EXPECT_EQ(h.mappingWarnings, 2);
  ASSERT_EQ(h.chapters.size(), 1u);
  EXPECT_EQ(h.chapters.at(0).title, "caf  au lait");
}

TEST_F(TitleCollectorTest, BadHexDigitInArgumentTitleIsAnExcerptError) {
  Harness h("\\C0=\"\\U00g1x\"");
  for (NavigationPass pass : {NavigationPass::Small, NavigationPass::Large}) {
    h.reader.beginPass(pass);
    EXPECT_EQ(h.reader.readChapterArgument(0), h.text.size());
  }
  EXPECT_TRUE(h.failed);
  // Reported once (small pass); the value read so far is 0, which has no
  // letter: that plain error shows in both passes.
  EXPECT_EQ(navtest::countOf(Kind::Error, "Error in \\U specification: \"\\U00g1\""), 1);
  EXPECT_EQ(navtest::countOf(Kind::Error, "Don't know how to map unicode character 0000"), 2);
  EXPECT_EQ(h.chapters.at(0).title, " x");
}

TEST_F(TitleCollectorTest, BadHexDigitInScopedTitleIsLeftToTheScanner) {
  Harness h("\\xA\\U01g1B\\x");
  h.reader.beginPass(NavigationPass::Small);
  h.reader.readChapterScope(0);
  for (const std::string& error : navtest::messagesOf(Kind::Error)) {
    EXPECT_EQ(error.find("Error in \\U"), std::string::npos) << error;
  }
  // 0x01 has no letter.
  EXPECT_EQ(navtest::countOf(Kind::Error, "Don't know how to map unicode character 0001"), 1);
  EXPECT_EQ(h.chapters.at(0).title, "A B");
}

TEST_F(TitleCollectorTest, OnlyTheFirstHundredMappingsAreReported) {
  std::string source;
  for (int i = 0; i < 105; ++i) source += "\\C0=\"\\U0142\"";
  Harness h(source);
  for (NavigationPass pass : {NavigationPass::Small, NavigationPass::Large}) {
    h.reader.beginPass(pass);
    size_t p = 0;
    while (p < h.text.size()) p = h.reader.readChapterArgument(p);
  }
  std::vector<std::string> warnings = navtest::messagesOf(Kind::Warning);
  ASSERT_EQ(warnings.size(), 101u);
  EXPECT_EQ(warnings[100], "Showing only the first 100 mapping warnings.");
  EXPECT_EQ(navtest::countOf(Kind::Warning, "Showing only the first 100 mapping warnings."), 1);
  EXPECT_EQ(h.mappingWarnings, 210);
  EXPECT_FALSE(h.failed);
}

TEST_F(TitleCollectorTest, CapMessageNeedsTheHundredAndFirstInTheSmallPass) {
  // 60 mappings per pass: the counter passes 101 in the large pass, where
  // nothing is reported.
  std::string source;
  for (int i = 0; i < 60; ++i) source += "\\C0=\"\\U0142\"";
  Harness h(source);
  for (NavigationPass pass : {NavigationPass::Small, NavigationPass::Large}) {
    h.reader.beginPass(pass);
    size_t p = 0;
    while (p < h.text.size()) p = h.reader.readChapterArgument(p);
  }
  EXPECT_EQ(navtest::messagesOf(Kind::Warning).size(), 60u);
  EXPECT_EQ(h.mappingWarnings, 120);
}

TEST_F(TitleCollectorTest, EightyCharactersAreKeptWhole) {
  std::string title(80, 't');
  Harness h("\\C0=\"" + title + "\"");
  EXPECT_EQ(chapterTitle(h), title);
  EXPECT_TRUE(navtest::loggedMessages().empty());
}

TEST_F(TitleCollectorTest, EscapesCutOffByTheEndOfTheTextAddNothing) {
  Harness h("\\xab\\a06");
  EXPECT_EQ(chapterTitle(h), "ab");
  Harness u("\\xab\\U01");
  EXPECT_EQ(chapterTitle(u), "ab ");  // value 1, no letter
}

TEST(TitleEscapes, HexadecimalDigitsAreUpperCaseOnly) {
  const std::string lower = "00e9";
  bool valid = true;
  auto bytes = reinterpret_cast<const uint8_t*>(lower.data());
  EXPECT_EQ(titlechars::hexadecimalEscapeValue(bytes, lower.size(), 0, &valid), 0);
  EXPECT_FALSE(valid);
  const std::string upper = "2011";
  bytes = reinterpret_cast<const uint8_t*>(upper.data());
  EXPECT_EQ(titlechars::hexadecimalEscapeValue(bytes, upper.size(), 0, &valid), 0x2011);
  EXPECT_TRUE(valid);
  EXPECT_EQ(titlechars::plainLetterFor(0x2011), '-');
  EXPECT_EQ(titlechars::plainLetterFor(0x01CE), 'a');
  EXPECT_EQ(titlechars::plainLetterFor(0xE004), 'c');
  EXPECT_EQ(titlechars::plainLetterFor(0x017D), 'Z');
  EXPECT_EQ(titlechars::plainLetterFor(0x0041), 0);
  EXPECT_EQ(titlechars::plainLetterFor(0x00E9), 0);
}

}  // namespace
