// The pieces under find and replace that need no document: the escapes of
// both modes, the replacement template, the literal search against a plain
// one, the regular expression's byte-wise and case-blind matching, and the
// find options.

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "FindEscapes.h"
#include "FindSettings.h"
#include "HorspoolSearch.h"
#include "RegexSearch.h"

using namespace scrivora;

namespace {

struct Rewrite {
  std::string input, expected;
};

TEST(FindEscapes, LiteralModeRewritesBothStrings) {
  const Rewrite cases[] = {
      {"a\\nb", "a\rb"},
      {"\\r", "\r"},
      {"\\p", "\f"},
      {"\\t", "\t"},
      {"\\\\", "\\"},
      {"\\x\\.", "x."},
      {"end\\", "end\\"},
      {"\\\\\\\\\\", "\\\\\\"},
      {"no escapes", "no escapes"},
  };
  for (const Rewrite& c : cases) EXPECT_EQ(rewriteLiteralEscapes(c.input), c.expected) << c.input;
}

TEST(FindEscapes, RegexModeRewritesOnlyTheControlEscapes) {
  const Rewrite cases[] = {
      {"a\\nb", "a\rb"}, {"\\r\\p\\t", "\r\f\t"}, {"\\.\\(", "\\.\\("}, {"\\\\n", "\\\\n"}, {"end\\", "end\\"},
  };
  for (const Rewrite& c : cases) EXPECT_EQ(rewriteRegexEscapes(c.input), c.expected) << c.input;
}

// The expansion of a template with group n holding "<n>".
std::string expand(const std::string& replacement) {
  const ReplacementTemplate parsed(replacement);
  std::string out;
  for (const ReplacementTemplate::Piece& piece : parsed.pieces())
    out += piece.group == 0 ? piece.text : "<" + std::to_string(piece.group) + ">";
  return out;
}

TEST(FindEscapes, ReplacementExpandsGroupsAndDropsUnknownEscapes) {
  const Rewrite cases[] = {
      {"\\2\\1", "<2><1>"},         {"a\\xb", "ab"},        {"\\0\\9", "<9>"}, {"\\\\1", "\\1"},
      {"\\n\\r\\p\\t", "\r\r\f\t"}, {"\\\\\\\\\\", "\\\\"}, {"\\", ""},
  };
  for (const Rewrite& c : cases) EXPECT_EQ(expand(c.input), c.expected) << c.input;
  EXPECT_EQ(ReplacementTemplate("\\3x\\1").highestGroup(), 3);
}

TEST(FindEscapes, SelectionBecomesASearchStringForItsMode) {
  EXPECT_EQ(escapeForSearch("a\\b\r\f\t.", false), "a\\\\b\\n\\p\\t.");
  EXPECT_EQ(escapeForSearch("(a.b)*", true), "\\(a\\.b\\)\\*");
  // Each escaped string reads back as the selected text.
  EXPECT_EQ(rewriteLiteralEscapes(escapeForSearch("x\\y\rz", false)), "x\\y\rz");
}

TEST(CaseFolding, Windows1252LettersFoldBothWays) {
  const std::pair<uint8_t, uint8_t> pairs[] = {{'a', 'A'},   {'z', 'Z'},   {0xE9, 0xC9}, {0xE0, 0xC0}, {0xFE, 0xDE},
                                               {0xFF, 0x9F}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}};
  for (auto [lower, upper] : pairs) {
    EXPECT_EQ(upperCaseOf(lower), upper) << int(lower);
    EXPECT_EQ(lowerCaseOf(upper), lower) << int(upper);
  }
  // Signs and letters without a single other case stay.
  for (uint8_t same : {uint8_t(0xF7), uint8_t(0xD7), uint8_t(0xDF), uint8_t(0xB5), uint8_t('1'), uint8_t(0x80)}) {
    EXPECT_EQ(upperCaseOf(same), same);
    EXPECT_EQ(lowerCaseOf(same), same);
  }
}

// Every match of a plain search, in order, overlapping ones included.
std::vector<size_t> plainMatches(const std::string& text, const std::string& pattern, bool caseSensitive,
                                 bool entireWord) {
  auto fold = [&](char c) { return caseSensitive ? uint8_t(c) : upperCaseOf(uint8_t(c)); };
  std::vector<size_t> found;
  for (size_t at = 0; at + pattern.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < pattern.size() && fold(text[at + i]) == fold(pattern[i])) ++i;
    if (i == pattern.size() && (!entireWord || isWholeWord(text, at, at + pattern.size()))) found.push_back(at);
  }
  return found;
}

TEST(HorspoolSearch, FindsWhatAPlainSearchFinds) {
  // Few letters, so that patterns recur and partial matches abound; the
  // high letters test the folding of the shift table.
  const std::string alphabet =
      "abAB \xE9\xC9\xFF\x9F"
      "1";
  std::mt19937 random(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 60, ' '), pattern(1 + random() % 5, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    for (char& c : pattern) c = alphabet[random() % alphabet.size()];
    const bool caseSensitive = random() % 2, entireWord = random() % 3 == 0;
    const std::vector<size_t> expected = plainMatches(text, pattern, caseSensitive, entireWord);
    const HorspoolSearch search(pattern, caseSensitive, entireWord);
    const size_t from = text.empty() ? 0 : random() % text.size();
    size_t firstFrom = HorspoolSearch::npos, lastBefore = HorspoolSearch::npos;
    for (size_t at : expected) {
      if (at >= from && firstFrom == HorspoolSearch::npos) firstFrom = at;
      if (at + pattern.size() <= from) lastBefore = at;
    }
    ASSERT_EQ(search.find(text, from), firstFrom) << "text '" << text << "' pattern '" << pattern << "' from " << from;
    ASSERT_EQ(search.findLast(text, from), lastBefore) << "text '" << text << "' pattern '" << pattern << "'";
  }
}

TEST(HorspoolSearch, EntireWordJudgesAgainstTheWholeText) {
  const HorspoolSearch search("cat", true, true);
  EXPECT_EQ(search.find("concat cat", 3), 7u);  // the "cat" of "concat" has a letter before it
  EXPECT_EQ(search.find("cat\xE9", 0), 0u);     // only ASCII letters make words
  EXPECT_EQ(HorspoolSearch("", true, false).find("abc", 0), HorspoolSearch::npos);
}

bool regexFinds(const std::string& pattern, bool caseSensitive, const std::string& text) {
  const RegexSearch regex(pattern, caseSensitive);
  std::vector<RegexSearch::Span> spans;
  return regex.isValid() && regex.match(searchTextOf(text), 0, text.size(), spans);
}

TEST(RegexSearch, IgnoringCaseCoversTheWindows1252Letters) {
  struct Case {
    const char* pattern;
    const char* text;
    bool found;
  };
  const Case cases[] = {
      {"caf\xE9", "CAF\xC9", true}, {"\xC9T\xC9", "\xE9t\xE9", true},
      {"[\xE9]x", "\xC9x", true},   {"[\xE0-\xE9]", "\xC3", true},
      {"[\xE9-]x", "-x", true},     {"[\xE9-]x", "\xC9x", true},
      {"[^\xE9]", "\xC9", false},   {"[[:digit:]\xE9]", "\xC9", true},
      {"\\.\xE9", ".\xC9", true},   {"\xFF", "\x9F", true},
      {"[a-", "a", false},
  };
  for (const Case& c : cases) EXPECT_EQ(regexFinds(c.pattern, false, c.text), c.found) << c.pattern;
  EXPECT_FALSE(regexFinds("caf\xE9", true, "CAF\xC9"));
}

TEST(RegexSearch, ReadsBytesWhateverTheLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  // A UTF-8 locale would read 0xE9 as the start of a broken sequence.
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
  const bool accented = regexFinds("^caf.$", true, "caf\xE9");
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_TRUE(accented);
}

TEST(RegexSearch, MatchesInsideARangeWithTheTextAroundIt) {
  const std::string text = searchTextOf("ab\rab");
  std::vector<RegexSearch::Span> spans;
  EXPECT_FALSE(RegexSearch("^b", true).match(text, 1, text.size(), spans));  // 'b' follows 'a'
  EXPECT_FALSE(RegexSearch("a$", true).match(text, 0, 1, spans));            // the cut is inside a line
  EXPECT_TRUE(RegexSearch("b$", true).match(text, 0, 2, spans));             // the cut is a line end
  ASSERT_TRUE(RegexSearch("^a", true).match(text, 1, text.size(), spans));
  EXPECT_EQ(spans[0].start, 3u);
}

TEST(RegexSearch, ReportsTheLibrarysErrorAndCountsGroups) {
  const RegexSearch unbalanced(std::string(255, '('), true);
  EXPECT_FALSE(unbalanced.isValid());
  EXPECT_FALSE(unbalanced.error().empty());
  EXPECT_LE(unbalanced.error().size(), kMaxRegexErrorLength);
  EXPECT_FALSE(RegexSearch("a{2,1}", true).isValid());
  EXPECT_EQ(RegexSearch("((a)(b))(c)", true).groupCount(), 4u);
}

TEST(FindSettings, TextsAreCutAndOnlyChangesAreTold) {
  FindSettings settings;
  std::vector<FindSettings::Change> told;
  const int id = settings.addListener([&](FindSettings::Change change) { told.push_back(change); });
  settings.setFindText(std::string(300, 'x'));
  EXPECT_EQ(settings.findText().size(), 255u);
  settings.setFindText(std::string(256, 'x'));  // the same once cut
  settings.setReplaceText("r");
  settings.setReplaceText("r");
  EXPECT_EQ(told,
            (std::vector<FindSettings::Change>{FindSettings::Change::FindText, FindSettings::Change::ReplaceText}));
  settings.removeListener(id);
  settings.setFindText("y");
  EXPECT_EQ(told.size(), 2u);
}

TEST(FindSettings, RegexTurnsCaseSensitivityOnAndEntireWordOff) {
  FindSettings settings;
  EXPECT_EQ(settings.toBytes(), (FindSettings::OptionBytes{1, 0, 0}));
  settings.setCaseSensitive(false);
  settings.setEntireWord(true);
  EXPECT_TRUE(settings.entireWordApplies());
  settings.setRegex(true);
  EXPECT_TRUE(settings.caseSensitive());
  EXPECT_TRUE(settings.entireWord());  // kept for when RegEx goes off again
  EXPECT_FALSE(settings.entireWordApplies());
  EXPECT_EQ(settings.toBytes(), (FindSettings::OptionBytes{1, 1, 1}));
  // Case Sensitive may be switched off again with RegEx on.
  settings.setCaseSensitive(false);
  FindSettings restored;
  restored.fromBytes(settings.toBytes());
  EXPECT_EQ(restored.toBytes(), (FindSettings::OptionBytes{0, 1, 1}));
  restored.fromBytes({2, 0, 0});
  EXPECT_TRUE(restored.caseSensitive());
}

}  // namespace
