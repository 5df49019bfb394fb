// The rule-based importer: reading the rule text, the escapes of patterns and
// replacements, the searches, the exceptions, the limits on what a pattern
// may make the library build, and the HTML clean-up rules.

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

TEST(RegexRules, ConvertAsTheRuleTextSays) {
  const struct {
    const char* what;
    std::string rules, text, expected;
  } cases[] = {
      {"literal", rule("cat", "dog"), "a cat and a catalog", "a dog and a dogalog"},
      {"in order, each over the whole text", rule("a", "b") + rule("b", "c"), "ab", "cc"},
      {"text before the first rule, and a lone pattern, ignored", "comment" + rule("x", "y") + "\rs=lonely", "xx",
       "yy"},
      {"the pattern ends at its carriage return", "\rs=a\rjunk\rr=b", "aja", "bjb"},
      {"the replacement runs to the end", "\rs=o\rr=0 0", "foo", "f0 00 0"},
      {"empty replacement deletes", rule("[0-9]", ""), "a1b22c", "abc"},
      {"groups", rule("([a-z]+)=([0-9]+)", "\\2:\\1"), "x=1, yy=22", "1:x, 22:yy"},
      {"a group that took no part is empty", rule("a(x)?(b)", "<\\1|\\2>"), "ab", "<|b>"},
      {"replacement escapes", rule("-", "\\n\\r\\t\\\\\\0\\q"), "a-b", "a\n\r\t\\0qb"},
      {"pattern control escapes", rule("\\t|x\\ny|\\r\\r", "+"), "a\tb x\ny \r\r\r", "a+b + +\r"},
      {"other pattern escapes reach the library", rule("\\\\a160|a\\.b", "!"), "x\\a160y a.b axb", "x!y ! axb"},
      {"each search starts a line", rule("^x", ""), "xxxa x", "a x"},
      {"a line feed starts a line, a carriage return does not", rule("^b", "B"), "ab\nb\rb", "ab\nB\rb"},
      {"and ends one", rule("a$", "A"), "a\na\ra", "A\na\rA"},
      {"empty matches step over one character", rule("x*", "-"), "xxa", "--a-"},
      {"an empty text has one empty match", rule("^", ">"), "", ">"},
      {"the replacement is not searched again", rule("a", "aa"), "aaa", "aaaaaa"},
      {"nor the text before it", rule("ab", "b"), "aabb", "abb"},
      {"clean-up: spaces collapse and trim", kHtmlCleanupRules, "  Hello   world  ", "Hello world"},
      {"clean-up: carriage return runs become two", kHtmlCleanupRules, "a\r\r\r\r\rb\r\rc\rd", "a\r\rb\r\rc\rd"},
      {"clean-up: non-breaking space codes", kHtmlCleanupRules, "a\\a160b \\a160 caf\\a233", "a b caf\\a233"},
      {"clean-up: spaces before a comment's quote", kHtmlCleanupRules, "\\vTITLE=\"My  Book  \"\\v say \"hi\"",
       "\\vTITLE=\"My Book\"\\v say \"hi\""},
  };
  for (const auto& c : cases) EXPECT_EQ(applyRules(c.rules, c.text), c.expected) << c.what;
}

TEST(RegexRules, DenseMatchesOverALongTextAreAllReplaced) {
  std::string text, expected;
  for (int i = 0; i < 20000; ++i) {
    text += "word  ";
    expected += "word ";
  }
  EXPECT_EQ(applyRules(rule("  +", " "), text), expected);
  EXPECT_EQ(applyRules(rule("a", "b"), std::string(300000, 'a')), std::string(300000, 'b'));
}

TEST(RegexRuleExceptions, TheRuleTextAndTheReplacementsAreChecked) {
  EXPECT_THROW(RegexImporter("s=cat\rr=dog"), QXGenericImporterBadRulesException);
  EXPECT_THROW(RegexImporter("\rs=cat"), QXGenericImporterBadRulesException);
  EXPECT_THROW(RegexImporter("\rr=dog\rs=cat"), QXGenericImporterBadRulesException);
  EXPECT_THROW(RegexImporter(""), QXNullPtrException);
  RegexImporter importer(rule("(b+)", "\\2"));
  EXPECT_EQ(importer.convert("no match here"), "no match here");
  EXPECT_THROW(importer.convert("abbc"), QXGenericImporterRegexException);
}

TEST(RegexRuleExceptions, PatternsThatDoNotCompileAreNamedAndThrowWhenConverting) {
  RegexImporter importer(rule("x", "y") + rule("a(b", "") + rule("a{1,32767}", "") +
                         rule("((a{1,100}){1,100}){1,100}", "") + rule("(a+b+c+d+e+f){1,1000}", ""));
  const auto failures = importer.rulesThatDoNotCompile();
  ASSERT_EQ(failures.size(), 4u);
  EXPECT_EQ(failures[0].number, 2u);
  EXPECT_EQ(failures[0].pattern, "a(b");
  EXPECT_EQ(failures[0].reason, "Unmatched ( or \\(");
  EXPECT_EQ(failures[1].reason, "the pattern has a repetition count above 1000");
  EXPECT_EQ(failures[2].reason, "the pattern has repetitions that make more than 10000 pieces");
  EXPECT_EQ(failures[3].number, 5u);  // "x+" is copied once more: 11 pieces a thousand times
  EXPECT_THROW(importer.convert("ab"), QXNullPtrException);
}

TEST(RegexRuleExceptions, RepetitionsWithinTheLimitsStillWork) {
  const struct {
    const char* pattern;
    std::string text, expected;
  } cases[] = {
      {"a{2,3}", "aaaa", "-a"},
      {"(ab){1,50}", "ababx", "-x"},
      {"[a-z]{1,1000}", "abc1", "-1"},
      {"x{1000}", std::string(1001, 'x'), "-x"},
      {"((a{1,10}){1,10}){1,10}", "aaab", "-b"},
      {"[{]{1,2}|b\\{", "{{b{x", "--x"},
  };
  for (const auto& c : cases) EXPECT_EQ(applyRules(rule(c.pattern, "-"), c.text), c.expected) << c.pattern;
}

TEST(RegexFiles, ConvertFileReadsOnlyWholeRegularFiles) {
  const std::string path = ::testing::TempDir() + "/regex-input.txt";
  std::ofstream(path, std::ios::binary) << "one cat\ntwo cats";
  RegexImporter importer(rule("cat", "dog"));
  EXPECT_EQ(importer.convertFile(path), "one dog\ntwo dogs");
  std::remove(path.c_str());
  for (const std::string& unreadable : {path, std::string("/dev/zero")}) {
    try {
      importer.convertFile(unreadable);
      ADD_FAILURE() << unreadable;
    } catch (const QXFileException& failure) {
      EXPECT_EQ(failure.path(), unreadable);
      EXPECT_EQ(failure.reason(), unreadable == path ? "No such file or directory" : "not a regular file");
    }
  }
}
