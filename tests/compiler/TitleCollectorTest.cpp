// Titles and index terms as the reader lists them: tags left out, escapes
// turned into their byte, line ends folded, the 80-character cut, and the
// mapping of \U characters with its warnings.

#include <gtest/gtest.h>

#include "support/BookTestSupport.h"
#include "support/TextPassTestSupport.h"

using namespace scrivora;
using passtest::PassedBook;

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
  booktest::LogCapture log;

  // The title of the first chapter of a book.
  static std::string firstTitle(const PassedBook& book) {
    return book.chapters.size() ? book.chapters.at(0).title : std::string();
  }
  // The title of a book's single chapter.
  static std::string chapterTitle(const PassedBook& book) {
    EXPECT_EQ(book.chapters.size(), 1u);
    return firstTitle(book);
  }
};

TEST_F(TitleCollectorTest, TitleIsItsTextWithoutTagsAndWithItsEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"\\C2=\"Intro\"rest", "        Intro"},
      // Line ends become single spaces, but not at the start.
      {"\\x\n\nOne\n\nTwo \nThree\\x", "One Two Three"},
      // Tags with an argument are skipped with it; the closing \q has none.
      {"\\xSee \\m=\"pic.png\" here\\x", "See  here"},
      {"\\X1A\\Q=\"n\"B\\T=\"50%\"C\\q=\"#x\"D\\qE\\w=\"10%\"F\\X1", "    ABCDEF"},
      {"\\xSee \\q=\"#a\"here\\q and more\\x after \"quoted\" text", "See here and more"},
      // \aDDD gives its byte modulo 256; a zero byte is left out.
      {"\\C0=\"\\a065\\a300\\a233\"", "A,\xE9"},
      {"\\C0=\"a\\a000b\"", "ab"},
      {"\\C0=\"" + std::string(80, 't') + "\"", std::string(80, 't')},
      // Escapes cut off by the end of the text add nothing (\U01: value 1,
      // which has no letter).
      {"\\xab\\a06", "ab"},
      {"\\xab\\U01", "ab "},
  };
  for (const auto& [source, title] : cases) {
    log.clear();
    PassedBook book(source);
    EXPECT_EQ(chapterTitle(book), title) << source;
    // Argument titles stand alone: nothing else in them to report.
    if (source.compare(0, 2, "\\C") == 0) {
      EXPECT_FALSE(book.failed) << source;
      EXPECT_TRUE(log.warnings().empty()) << source;
    }
  }
}

TEST_F(TitleCollectorTest, AnchorWithoutEqualsStillSkipsToTheSecondQuote) {
  // Only the closing \q is known to stand alone; a malformed \Q still takes
  // everything up to the second double quote after it out of the title.
  PassedBook book("\\xA\\Q B\"x\"C\\x");
  EXPECT_EQ(chapterTitle(book), "AC");
  EXPECT_TRUE(book.failed);  // the anchor's syntax
}

TEST_F(TitleCollectorTest, OtherTagsInAScopeAreSkippedAsTwoBytes) {
  // \i, \\ and a \X inside a \x title leave nothing behind; \\ does not give
  // a backslash either. (The scanner takes that \X for the end of the open
  // title, so the closing \x opens a second, empty one.)
  PassedBook book("\\xA\\iB\\i\\\\C\\X2D\\x");
  ASSERT_EQ(book.chapters.size(), 2u);
  EXPECT_EQ(firstTitle(book), "ABC2D");
  EXPECT_EQ(book.chapters.at(1).title, "");
}

TEST_F(TitleCollectorTest, BulletIsLeftOutOfIndexTermsOnly) {
  PassedBook term("\\I\\a149 Item\\I");
  ASSERT_EQ(term.index.size(), 1u);
  EXPECT_EQ(term.index.at(0).term, " Item");

  PassedBook title("\\x\\a149 Item\\x");
  EXPECT_EQ(chapterTitle(title), "\x95 Item");
}

TEST_F(TitleCollectorTest, TagInsideArgumentTitleIsAPlainErrorInBothPasses) {
  PassedBook book("\\C0=\"A\\iB\"");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.count(scrivora::LogKind::Error, "Tags are not allowed inside \\C definitions!"), 2);
  EXPECT_EQ(chapterTitle(book), "AB");
}

TEST_F(TitleCollectorTest, MappedUnicodeGivesItsLetterAndAWarning) {
  PassedBook book("xy\\C0=\"\\U0141odz\"");
  EXPECT_EQ(chapterTitle(book), "Lodz");
  EXPECT_FALSE(book.failed);
  // 20 bytes from two before the backslash of \U, in the small pass only.
  std::vector<std::string> warnings = log.warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], mappingWarning("=\"\\U0141odz\""));
  // Counted in both passes.
}

TEST_F(TitleCollectorTest, UnicodeWithoutLetterFailsInEveryPassAndGivesASpace) {
  PassedBook book("\\xcaf\\U00E9 au lait\\x");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.count(scrivora::LogKind::Error, "Don't know how to map unicode character 00E9"), 2);
  // Warned in the small pass only, counted in both.
  EXPECT_EQ(log.warnings().size(), 1u);
  EXPECT_EQ(chapterTitle(book), "caf  au lait");
}

TEST_F(TitleCollectorTest, BadHexDigitInArgumentTitleIsAnExcerptError) {
  PassedBook book("\\C0=\"\\U00g1x\"");
  EXPECT_TRUE(book.failed);
  // Reported once (small pass); the value read so far is 0, which has no
  // letter: that plain error shows in both passes.
  EXPECT_EQ(log.count(scrivora::LogKind::Error, "Error in \\U specification: \"\\U00g1\""), 1);
  EXPECT_EQ(log.count(scrivora::LogKind::Error, "Don't know how to map unicode character 0000"), 2);
  EXPECT_EQ(chapterTitle(book), " x");
}

TEST_F(TitleCollectorTest, BadHexDigitInATitleFailsEvenWhereTheScannerReadsAnArgument) {
  // The scanner takes "\U100g" as the footnote's id and never checks it; the
  // title reader skips \F as a two-byte tag and meets the \U as title text.
  PassedBook book("Opening text.\n\\xChapter \\Fn=\"\\U100g\"one\\Fn\\x\nBody text.");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.count(scrivora::LogKind::Error, "Error in \\U specification: \"\\U100g\""), 1);
  // Where both readers meet the same bad \U, each reports it.
  PassedBook twice("\\xA\\U01g1B\\x");
  EXPECT_EQ(log.count(scrivora::LogKind::Error, "Error in \\U specification: \"\\U01g1\""), 2);
  EXPECT_EQ(chapterTitle(twice), "A B");
}

TEST_F(TitleCollectorTest, OnlyTheFirstHundredMappingsAreReported) {
  std::string source;
  for (int i = 0; i < 105; ++i) source += "\\C0=\"\\U0142\"";
  PassedBook book(source);
  std::vector<std::string> warnings = log.warnings();
  ASSERT_EQ(warnings.size(), 101u);
  EXPECT_EQ(warnings[100], "Showing only the first 100 mapping warnings.");
  EXPECT_EQ(log.count(scrivora::LogKind::Warning, "Showing only the first 100 mapping warnings."), 1);
  EXPECT_FALSE(book.failed);
}

TEST_F(TitleCollectorTest, CapMessageNeedsTheHundredAndFirstInTheSmallPass) {
  // 60 mappings per pass: the counter passes 101 in the large pass, where
  // nothing is reported.
  std::string source;
  for (int i = 0; i < 60; ++i) source += "\\C0=\"\\U0142\"";
  PassedBook book(source);
  EXPECT_EQ(log.warnings().size(), 60u);
}

}  // namespace
