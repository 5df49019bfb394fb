// Find and replace on a document: where a search starts, what Replace and
// Replace All change and keep, their messages, and undo.

#include <gtest/gtest.h>

#include <regex.h>

#include <random>

#include <QAbstractTextDocumentLayout>

#include "FindReplace.h"
#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

constexpr FindOptions kLiteral{true, false, false};
constexpr FindOptions kRegex{true, false, true};

class FindReplaceTest : public ::testing::Test {
 protected:
  TextDocumentModel view;

  void setPlain(const QString& text, int selectionStart = 0, int selectionEnd = 0) {
    view.insertText(text);
    view.setSelection(selectionStart, selectionEnd);
  }
  std::pair<int, int> selection() const { return {view.selectionStart(), view.selectionEnd()}; }
};

struct FindCase {
  const char* text;
  int selectionStart, selectionEnd;
  const char* pattern;
  FindOptions options;
  Direction direction;
  int foundStart, foundEnd;  // -1: not found
};

TEST_F(FindReplaceTest, SearchesStartWhereEachModeSays) {
  const FindOptions noCase{false, false, false}, word{true, true, false}, regexWord{true, true, true};
  const Direction fwd = Direction::Forwards, back = Direction::Backwards;
  const FindCase cases[] = {
      {"abab", 0, 2, "ab", kLiteral, fwd, 2, 4},  // from the selection's start + 1
      {"abab", 0, 2, "ab", kRegex, fwd, 2, 4},    // from the selection's end
      {"aaa", 0, 2, "aa", kLiteral, fwd, 1, 3},   // overlapping the selection
      {"aaa", 0, 2, "aa", kRegex, fwd, -1, -1},
      {"ab", 0, 0, "ab", kLiteral, fwd, 0, 2},     // from the caret
      {"xab", 1, 3, "ab", kLiteral, fwd, -1, -1},  // no wrap-around
      {"abab", 2, 4, "ab", kLiteral, back, 0, 2},
      {"abab", 4, 4, "ab", kLiteral, back, 0, 2},  // one before the caret
      {"abab", 4, 4, "ab", kRegex, back, 2, 4},    // the text before the caret
      {"a1 a2 a3", 6, 8, "a[0-9]", kRegex, back, 3, 5},
      {"ab", 0, 0, "ab", kLiteral, back, -1, -1},
      {"ABC abc", 0, 0, "abc", kLiteral, fwd, 4, 7},
      {"ABC abc", 0, 0, "abc", noCase, fwd, 0, 3},
      {"cat concat cat", 0, 3, "cat", word, fwd, 11, 14},
      {"concat", 0, 0, "cat", regexWord, fwd, 3, 6},  // Entire Word is not applied
      {"a\rb", 0, 0, "\\p", kLiteral, fwd, -1, -1},
      {"a\fb", 0, 0, "\\p", kLiteral, fwd, 1, 2},
      {"a\fb", 0, 0, "\\p", kRegex, fwd, 1, 2},
      {"a\rb", 0, 0, "a\\nb", kLiteral, fwd, 0, 3},
      {"ab\rb", 0, 0, "^b", kRegex, fwd, 3, 4},    // a paragraph starts a line
      {"a\rb", 0, 0, "a.b", kRegex, fwd, -1, -1},  // '.' stays in its paragraph
      {"ab", 0, 0, "x*", kRegex, fwd, 1, 1},       // an empty match moves on
  };
  for (const FindCase& c : cases) {
    TextDocumentModel fresh;
    fresh.insertText(QString::fromLatin1(c.text));
    fresh.setSelection(c.selectionStart, c.selectionEnd);
    const FindOutcome outcome = find(fresh, c.pattern, c.options, c.direction);
    const std::string label = std::string(c.text) + " / " + c.pattern;
    if (c.foundStart < 0) {
      EXPECT_TRUE(outcome.shouldBeep()) << label;
      EXPECT_EQ(fresh.selectionStart(), c.selectionStart) << label;
      continue;
    }
    EXPECT_EQ(outcome.status, FindStatus::Done) << label;
    EXPECT_TRUE(outcome.revealSelection) << label;
    EXPECT_EQ(fresh.selectionStart(), c.foundStart) << label;
    EXPECT_EQ(fresh.selectionEnd(), c.foundEnd) << label;
  }
}

TEST_F(FindReplaceTest, ReplacingTheSelectionInBothModes) {
  setPlain("hello world", 0, 5);
  EXPECT_EQ(replaceSelection(view, "", "bye\\n", kLiteral).status, FindStatus::Done);
  EXPECT_EQ(modelText(view), "bye\r world");
  EXPECT_EQ(selection(), std::make_pair(4, 4));

  view.setSelection(5, 10);                                              // "world"
  EXPECT_TRUE(replaceSelection(view, "wor", "x", kRegex).shouldBeep());  // only part of it
  EXPECT_EQ(modelText(view), "bye\r world");
  EXPECT_EQ(replaceSelection(view, "w(or)(ld)", "\\2\\1\\x", kRegex).status, FindStatus::Done);
  EXPECT_EQ(modelText(view), "bye\r ldor");
}

TEST_F(FindReplaceTest, BadExpressionsAndTooManyGroupsChangeNothing) {
  setPlain("aaaa", 0, 4);
  for (const std::string& pattern : {std::string("("), std::string(255, '('), std::string("a{2,1}")}) {
    const FindOutcome outcome = replaceAll(view, pattern, "x", kRegex);
    EXPECT_EQ(outcome.status, FindStatus::BadPattern) << pattern;
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_EQ(find(view, pattern, kRegex, Direction::Forwards).status, FindStatus::BadPattern);
  }
  const std::string tenGroups = "((((((((((a))))))))))";
  for (const FindOutcome& outcome :
       {replaceAll(view, tenGroups, "x", kRegex), replaceSelection(view, tenGroups, "x", kRegex)}) {
    EXPECT_EQ(outcome.status, FindStatus::TooManyGroups);
    EXPECT_EQ(outcome.message, "Currently the Tolm Editor only supports up to 9 backreferences.");
    EXPECT_EQ(outcome.count, 0);
  }
  EXPECT_EQ(modelText(view), "aaaa");
  // Finding needs no backreferences.
  view.setCaret(0);
  EXPECT_EQ(find(view, tenGroups, kRegex, Direction::Forwards).status, FindStatus::Done);
}

struct ReplaceAllCase {
  const char* text;
  const char* pattern;
  const char* replacement;
  FindOptions options;
  const char* expected;
  int count;
};

TEST_F(FindReplaceTest, ReplaceAllOfEachKind) {
  const FindOptions noCase{false, false, false};
  const ReplaceAllCase cases[] = {
      {"aaaa", "aa", "b", kLiteral, "bb", 2},
      {"ab", "(a)(b)", "\\2\\1\\x", kRegex, "ba", 1},
      {"axb", "x*", "-", kRegex, "-a--b-", 4},  // past each empty match
      {"a\rb", "^", "> ", kRegex, "> a\r> b", 2},
      {"ab", "(a)", "\\1\\2", kRegex, "ab", 1},   // no group 2: nothing
      {"a", "a", "\\\\\\", kLiteral, "\\\\", 1},  // backslashes only
      {"a", "a", "\\\\\\", kRegex, "\\", 1},
      {"abc", "b", "\\n", kLiteral, "a\rc", 1},
      {"\xE9t\xE9 \xC9T\xC9", "\xC9T\xC9", "x", noCase, "x x", 2},
      {"\xE9t\xE9 \xC9T\xC9", "\xC9T\xC9", "x", kLiteral, "\xE9t\xE9 x", 1},
      {"cat concat", "cat", "dog", FindOptions{true, true, false}, "dog concat", 1},
  };
  for (const ReplaceAllCase& c : cases) {
    TextDocumentModel fresh;
    fresh.insertText(QString::fromLatin1(c.text));
    fresh.setCaret(0);
    const FindOutcome outcome = replaceAll(fresh, c.pattern, c.replacement, c.options);
    EXPECT_EQ(modelText(fresh), c.expected) << c.pattern;
    EXPECT_EQ(outcome.count, c.count) << c.pattern;
    EXPECT_FALSE(outcome.revealSelection);
  }
  EXPECT_EQ(replacedCountMessage(1), "Replaced 1 occurrence.");
  EXPECT_EQ(replacedCountMessage(2), "Replaced 2 occurrences.");
  EXPECT_EQ(replacedCountMessage(0), "");
}

TEST_F(FindReplaceTest, ReplaceAllRunsFromTheSelectionAndKeepsIt) {
  setPlain("ab ab ab", 3, 5);  // the second "ab", the first match
  FindOutcome outcome = replaceAll(view, "ab", "xyz", kLiteral);
  EXPECT_EQ(modelText(view), "ab xyz xyz");
  EXPECT_EQ(outcome.message, "Replaced 2 occurrences.");
  EXPECT_EQ(selection(), std::make_pair(3, 6));  // grown with its replacement

  view.setSelection(1, 2);
  outcome = replaceAll(view, "xyz", "q", kLiteral);
  EXPECT_EQ(modelText(view), "ab q q");
  EXPECT_EQ(selection(), std::make_pair(1, 2));

  outcome = replaceAll(view, "nothing", "q", kLiteral);
  EXPECT_TRUE(outcome.shouldBeep());
  EXPECT_TRUE(outcome.message.empty());
}

TEST_F(FindReplaceTest, ReplacementsKeepTheStylesAndObjectsAroundThem) {
  loadText(view, "x\\iab-ab\\i cd\\Q=\"n\"ef ab");
  view.setCaret(0);
  replaceAll(view, "ab", "XYZ", kLiteral);
  EXPECT_EQ(modelText(view), "xXYZ-XYZ cd\1ef XYZ");
  // Each replacement takes the style of the first character it replaced.
  EXPECT_FALSE(view.styleAt(0).italic);
  for (int italic = 1; italic < 8; ++italic) EXPECT_TRUE(view.styleAt(italic).italic) << italic;
  EXPECT_FALSE(view.styleAt(8).italic);
  EXPECT_FALSE(view.styleAt(16).italic);
  EXPECT_EQ(bookObjectAt(view, 11).text(), "n");

  // An object a group takes along stays an object.
  view.setCaret(0);
  replaceAll(view, "d(.)e", "\\1-\\1", kRegex);
  EXPECT_EQ(modelText(view), "xXYZ-XYZ c\1-\1f XYZ");
  EXPECT_EQ(bookObjectAt(view, 10).text(), "n");
  EXPECT_EQ(bookObjectAt(view, 12).text(), "n");

  // A character without a Windows-1252 byte stays itself when a group copies it.
  TextDocumentModel unicode;
  unicode.insertText(QString::fromUtf8("\u263Ax\u263Bx"));
  unicode.setCaret(0);
  EXPECT_EQ(replaceAll(unicode, "(.)x", "\\1\\1", kRegex).count, 2);
  EXPECT_EQ(unicode.document()->toPlainText(), QString::fromUtf8("\u263A\u263A\u263B\u263B"));
}

TEST_F(FindReplaceTest, ReplaceAllIsOneUndoStepThatRestoresTheSelection) {
  loadText(view, "one \\ithe\\i\r\ntwo the\r\nthe end");
  const std::string before = modelText(view);
  view.setSelection(4, 7);
  view.document()->documentLayout();  // as a window showing it would have
  int changes = 0;
  QObject::connect(view.document(), &QTextDocument::contentsChange, [&changes] { ++changes; });
  EXPECT_EQ(replaceAll(view, "the", "a", kLiteral).count, 3);
  // One change for the layout to follow.
  EXPECT_EQ(changes, 1);
  const std::string after = modelText(view);
  EXPECT_EQ(selection(), std::make_pair(4, 5));

  view.setCaret(0);
  view.document()->undo();
  EXPECT_FALSE(view.document()->isUndoAvailable());  // loading kept no steps
  EXPECT_EQ(modelText(view), before);
  EXPECT_TRUE(view.styleAt(4).italic);
  EXPECT_EQ(selection(), std::make_pair(4, 7));
  view.document()->redo();
  EXPECT_EQ(modelText(view), after);
  EXPECT_EQ(selection(), std::make_pair(4, 5));
}

// Replace All of an expression done on a std::string with regexec, as the
// document should come out. `origins` receives, for each character of the
// result, the position in `text` it was copied from unmatched, or -1.
std::string replacedWithRegexec(const std::string& text, const std::string& pattern, const std::string& replacement,
                                std::vector<int>* origins = nullptr) {
  // Paragraph ends are line ends, in the text and in the pattern.
  std::string lines = text, linePattern = pattern;
  for (std::string* s : {&lines, &linePattern})
    for (char& c : *s) c = c == '\r' ? '\n' : c;
  regex_t regex;
  if (regcomp(&regex, linePattern.c_str(), REG_EXTENDED | REG_NEWLINE) != 0) return "bad pattern";
  std::string out;
  size_t copied = 0;
  regmatch_t m[10];
  for (size_t from = 0; from <= text.size();) {
    m[0].rm_so = regoff_t(from);
    m[0].rm_eo = regoff_t(text.size());
    if (regexec(&regex, lines.c_str(), 10, m, REG_STARTEND) != 0) break;
    if (origins != nullptr) {
      for (size_t i = copied; i < size_t(m[0].rm_so); ++i) origins->push_back(int(i));
      origins->resize(out.size() + size_t(m[0].rm_so) - copied, -1);
    }
    out.append(text, copied, size_t(m[0].rm_so) - copied);
    for (size_t i = 0; i < replacement.size(); ++i) {
      const int group = replacement[i] == '\\' ? replacement[++i] - '0' : -1;
      if (group < 0)
        out += replacement[i];
      else if (size_t(group) <= regex.re_nsub && m[group].rm_so >= 0)
        out.append(text, size_t(m[group].rm_so), size_t(m[group].rm_eo - m[group].rm_so));
    }
    if (origins != nullptr) origins->resize(out.size(), -1);
    copied = size_t(m[0].rm_eo);
    from = m[0].rm_eo > m[0].rm_so ? size_t(m[0].rm_eo) : size_t(m[0].rm_eo) + 1;
  }
  regfree(&regex);
  if (origins != nullptr)
    for (size_t i = copied; i < text.size(); ++i) origins->push_back(int(i));
  return out + text.substr(copied);
}

TEST_F(FindReplaceTest, RegexReplaceAllAgreesWithRegexecOnAString) {
  const char* patterns[] = {"a+", "(a)(b)?", "b*", "^a", "a$", "(ab|b)(\r|$)", "([ab]) ([ab])"};
  std::mt19937 random(7);
  CharStyle italic = plainStyle();
  italic.italic = true;
  for (int round = 0; round < 80; ++round) {
    // Every fourth text is one long paragraph with few matches far apart.
    const bool sparse = round % 4 == 0;
    std::string text(sparse ? 4000 : random() % 40, ' ');
    for (char& c : text) c = sparse ? (random() % 1500 == 0 ? 'a' : ' ') : "ab \r"[random() % 4];
    const std::string pattern = patterns[random() % std::size(patterns)];
    TextDocumentModel fresh;
    fresh.insertText(QString::fromLatin1(text.c_str()));
    // Styled stretches that the replacements have to leave in place.
    for (int k = 0; k < 3 && !text.empty(); ++k) {
      const int start = int(random() % text.size());
      fresh.applyStyle(start, start + int(random() % (text.size() - size_t(start) + 1)), italic);
    }
    std::vector<bool> italicBefore;
    for (int i = 0; i < fresh.length(); ++i) italicBefore.push_back(fresh.styleAt(i).italic);
    fresh.setCaret(0);
    replaceAll(fresh, pattern, "<\\2\\1>", kRegex);
    std::vector<int> origins;
    ASSERT_EQ(modelText(fresh), replacedWithRegexec(text, pattern, "<\\2\\1>", &origins))
        << "'" << text << "' " << pattern;
    // Text outside the matches keeps its style.
    for (size_t i = 0; i < origins.size(); ++i)
      if (origins[i] >= 0)
        ASSERT_EQ(fresh.styleAt(int(i)).italic, italicBefore[size_t(origins[i])]) << round << " " << i;
  }
}

TEST_F(FindReplaceTest, TwentyMegabytesEndInAResult) {
  QString line = QStringLiteral("All happy families are alike; each unhappy family is unhappy in its own way.\n");
  QString text;
  text.reserve(20'000'000);
  int needles = 0;
  for (int i = 0; text.size() < 20'000'000; ++i) {
    const bool needle = i % 2000 == 0;
    text += needle ? QStringLiteral("needle\n") : line;
    needles += needle;
  }
  QTextDocument document;
  document.setPlainText(text);
  TextDocumentModel big(&document);
  big.setCaret(0);
  EXPECT_EQ(replaceAll(big, "needle", "pin", kLiteral).count, needles);
  EXPECT_EQ(find(big, "pin$", kRegex, Direction::Forwards).status, FindStatus::Done);
  EXPECT_EQ(find(big, "^pin", kRegex, Direction::Backwards).status, FindStatus::NotFound);
}

TEST_F(FindReplaceTest, SearchCommandsFollowTheSettings) {
  FindSettings settings;
  setPlain("a.b axb a.b", 0, 3);

  // The selection is searched as it stands, not as an expression.
  settings.setRegex(true);
  EXPECT_EQ(runSearchCommand(SearchCommand::FindSelectionNext, settings, view).status, FindStatus::Done);
  EXPECT_EQ(settings.findText(), "a\\.b");
  EXPECT_EQ(selection(), std::make_pair(8, 11));

  settings.setReplaceText("c");
  runSearchCommand(SearchCommand::ReplaceAndFindPrevious, settings, view);
  EXPECT_EQ(modelText(view), "a.b axb c");
  EXPECT_EQ(selection(), std::make_pair(0, 3));
  EXPECT_EQ(runSearchCommand(SearchCommand::ReplaceAll, settings, view).message, "Replaced 1 occurrence.");
  EXPECT_EQ(modelText(view), "c axb c");
}

}  // namespace
