// The rule-based importer: reading the rule text, the escapes of patterns and
// replacements, the exceptions, and the HTML clean-up rules.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "QXException.h"
#include "RegexImporter.h"

using namespace scrivora;

namespace {

// One rule as the rule text writes it.
std::string rule(const std::string& pattern, const std::string& replacement) {
  return "\rs=" + pattern + "\rr=" + replacement;
}

std::string applyRules(const std::string& rules, const std::string& text) {
  RegexImporter importer(rules);
  return importer.convert(text);
}

}  // namespace

TEST(RegexRuleText, LiteralPatternReplacesEveryOccurrence) {
  EXPECT_EQ(applyRules(rule("cat", "dog"), "a cat and a catalog"), "a dog and a dogalog");
}

TEST(RegexRuleText, RulesApplyInOrderEachOverTheWholeText) {
  // The second rule sees the first one's output.
  EXPECT_EQ(applyRules(rule("a", "b") + rule("b", "c"), "ab"), "cc");
  EXPECT_EQ(applyRules(rule("b", "c") + rule("a", "b"), "ab"), "bc");
}

TEST(RegexRuleText, TextBeforeTheFirstRuleAndUnpairedPatternsAreIgnored) {
  RegexImporter importer("comment line" + rule("x", "y") + "\rs=lonely");
  EXPECT_EQ(importer.ruleCount(), 1u);
  EXPECT_EQ(importer.convert("xx"), "yy");
}

TEST(RegexRuleText, PatternEndsAtTheFirstCarriageReturnEvenBeforeJunkLines) {
  RegexImporter importer("\rs=a\rjunk\rr=b");
  EXPECT_EQ(importer.ruleCount(), 1u);
  EXPECT_EQ(importer.convert("aja"), "bjb");
}

TEST(RegexRuleText, ReplacementRunsToTheEndOfTheText) { EXPECT_EQ(applyRules("\rs=o\rr=0 0", "foo"), "f0 00 0"); }

TEST(RegexRuleText, EmptyReplacementDeletes) { EXPECT_EQ(applyRules(rule("[0-9]", ""), "a1b22c"), "abc"); }

TEST(RegexRuleExceptions, NoCarriageReturnBeforePatternIsBadRules) {
  EXPECT_THROW(RegexImporter("s=cat\rr=dog"), QXGenericImporterBadRulesException);
}

TEST(RegexRuleExceptions, PatternWithoutReplacementIsBadRules) {
  EXPECT_THROW(RegexImporter("\rs=cat"), QXGenericImporterBadRulesException);
  EXPECT_THROW(RegexImporter("\rr=dog\rs=cat"), QXGenericImporterBadRulesException);
}

TEST(RegexRuleExceptions, EmptyRuleTextIsNullPointer) { EXPECT_THROW(RegexImporter(""), QXNullPtrException); }

TEST(RegexRuleExceptions, PatternThatDoesNotCompileThrowsWhenConverting) {
  RegexImporter importer(rule("a(b", "x"));  // constructing still succeeds
  EXPECT_THROW(importer.convert("ab"), QXNullPtrException);
}

TEST(RegexRuleExceptions, ReferenceBeyondTheGroupsThrowsAtTheFirstMatch) {
  RegexImporter importer(rule("(b+)", "\\2"));
  EXPECT_EQ(importer.convert("no match here"), "no match here");
  EXPECT_THROW(importer.convert("abbc"), QXGenericImporterRegexException);
}

TEST(RegexRuleExceptions, MessagesAreTheFixedTexts) {
  EXPECT_STREQ(QXException().message(), "Unhandled exception.");
  EXPECT_STREQ(QXMemoryException().message(), "Out of memory.");
  EXPECT_STREQ(QXNullPtrException().message(), "Null pointer.");
  EXPECT_STREQ(QXGenericImporterNoRulesException().message(), "Importer: No regex rules specified.");
  EXPECT_STREQ(QXGenericImporterBadRulesException().message(), "Importer: Error in regex rules.");
  EXPECT_STREQ(QXGenericImporterRegexException().message(), "Importer: Error in regex search/replace.");
  // Caught through the base, the message is still the derived one.
  try {
    throw QXGenericImporterRegexException();
  } catch (const QXException& failure) {
    EXPECT_STREQ(failure.message(), "Importer: Error in regex search/replace.");
    EXPECT_STREQ(failure.what(), "Importer: Error in regex search/replace.");
  }
}

TEST(RegexReplacement, GroupReferencesInsertCapturedText) {
  EXPECT_EQ(applyRules(rule("(b+)", "[\\1]"), "abbc"), "a[bb]c");
  EXPECT_EQ(applyRules(rule("([a-z]+)=([0-9]+)", "\\2:\\1"), "x=1, yy=22"), "1:x, 22:yy");
}

TEST(RegexReplacement, GroupThatDidNotTakePartGivesNothing) {
  EXPECT_EQ(applyRules(rule("a(x)?(b)", "<\\1|\\2>"), "ab"), "<|b>");
}

TEST(RegexReplacement, EscapesOfControlCharactersAndOthers) {
  EXPECT_EQ(applyRules(rule("-", "\\n\\r\\t"), "a-b"), "a\n\r\tb");
  // Any other escaped character stands for itself, \0 included.
  EXPECT_EQ(applyRules(rule("-", "\\\\\\0\\q"), "a-b"), "a\\0qb");
}

TEST(RegexPatternEscapes, ControlCharacterEscapesBecomeTheCharacters) {
  EXPECT_EQ(applyRules(rule("\\t", "T"), "a\tb"), "aTb");
  EXPECT_EQ(applyRules(rule("x\\ny", "+"), "x\ny"), "+");
  EXPECT_EQ(applyRules(rule("\\r\\r", "R"), "\r\r\r"), "R\r");
}

TEST(RegexPatternEscapes, OtherEscapesReachTheRegexLibrary) {
  // An escaped backslash matches a backslash; an escaped dot only a dot.
  EXPECT_EQ(applyRules(rule("\\\\a160", " "), "x\\a160y"), "x y");
  EXPECT_EQ(applyRules(rule("a\\.b", "!"), "a.b axb"), "! axb");
}

TEST(RegexSearching, EachSearchStartsALine) {
  // After a replacement the next search begins at a line start, so "^"
  // matches there again: every leading x goes, one search after another.
  EXPECT_EQ(applyRules(rule("^x", ""), "xxxa x"), "a x");
  // A line feed starts a line too; a carriage return does not.
  EXPECT_EQ(applyRules(rule("^b", "B"), "ab\nb\rb"), "ab\nB\rb");
  EXPECT_EQ(applyRules(rule("a$", "A"), "a\na\ra"), "A\na\rA");
}

TEST(RegexSearching, EmptyMatchesStepOverOneCharacter) {
  EXPECT_EQ(applyRules(rule("x*", "-"), "ab"), "-a-b-");
  EXPECT_EQ(applyRules(rule("x*", "-"), "xxa"), "--a-");
  EXPECT_EQ(applyRules(rule("x*", ""), "abc"), "abc");
  EXPECT_EQ(applyRules(rule("^", ">"), ""), ">");
}

TEST(RegexSearching, ReplacementIsNotSearchedAgain) {
  EXPECT_EQ(applyRules(rule("a", "aa"), "aaa"), "aaaaaa");
  EXPECT_EQ(applyRules(rule("ab", "b"), "aabb"), "abb");
}

TEST(RegexSearching, LongTextWithManyMatches) {
  // A match every few bytes over a large text: the result must still be exact.
  std::string text, expected;
  for (int i = 0; i < 20000; ++i) {
    text += "word  ";
    expected += "word ";
  }
  EXPECT_EQ(applyRules(rule("  +", " "), text), expected);
}

TEST(RegexFiles, ConvertFileReadsTheWholeFile) {
  std::string path = ::testing::TempDir() + "/regex-input.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out << "one cat\ntwo cats";
  }
  RegexImporter importer(rule("cat", "dog"));
  EXPECT_EQ(importer.convertFile(path), "one dog\ntwo dogs");
  std::remove(path.c_str());
  EXPECT_THROW(importer.convertFile(path), QXFileException);
}

TEST(HtmlCleanupRules, AreSixRules) {
  RegexImporter importer(kHtmlCleanupRules);
  EXPECT_EQ(importer.ruleCount(), 6u);
}

TEST(HtmlCleanupRules, SpacesCollapseAndTrim) {
  EXPECT_EQ(applyRules(kHtmlCleanupRules, "  Hello   world  "), "Hello world");
}

TEST(HtmlCleanupRules, CarriageReturnRunsBecomeTwo) {
  EXPECT_EQ(applyRules(kHtmlCleanupRules, "a\r\r\r\r\rb"), "a\r\rb");
  EXPECT_EQ(applyRules(kHtmlCleanupRules, "a\r\rb\rc"), "a\r\rb\rc");
}

TEST(HtmlCleanupRules, NonBreakingSpaceCodeBecomesSpace) {
  EXPECT_EQ(applyRules(kHtmlCleanupRules, "a\\a160b \\a160 c"), "a b c");
  // Other codes stay.
  EXPECT_EQ(applyRules(kHtmlCleanupRules, "caf\\a233"), "caf\\a233");
}

TEST(HtmlCleanupRules, SpacesBeforeTheClosingQuoteOfAComment) {
  EXPECT_EQ(applyRules(kHtmlCleanupRules, "\\vTITLE=\"My  Book  \"\\v text"), "\\vTITLE=\"My Book\"\\v text");
  // A quote not followed by \v keeps its space.
  EXPECT_EQ(applyRules(kHtmlCleanupRules, "say \"hi\""), "say \"hi\"");
}
