// Inserting, editing and removing book objects through the commands, the
// link and heading lookups, and the context menu's entries.

#include <gtest/gtest.h>

#include <functional>

#include "FormatCommands.h"
#include "ObjectCommands.h"
#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

// The position of the n-th occurrence (from 0) of a character of the model
// text.
int positionOf(const TextDocumentModel& text, char c, int nth = 0) {
  const std::string model = modelText(text);
  size_t at = model.find(c);
  while (nth-- > 0 && at != std::string::npos) at = model.find(c, at + 1);
  return at == std::string::npos ? -1 : int(at);
}

int positionOf(const TextDocumentModel& text, const std::string& word) {
  const size_t at = modelText(text).find(word);
  return at == std::string::npos ? -1 : int(at);
}

void selectWord(TextDocumentModel& text, const std::string& word) {
  const int start = positionOf(text, word);
  ASSERT_GE(start, 0) << word;
  text.setSelection(start, start + int(word.size()));
}

struct CommandCase {
  const char* name;
  const char* tml;
  const char* selected;  // null: the caret stays at the end of the text
  std::function<void(TextDocumentModel&)> command;
  const char* saved;
};

TEST(ObjectCommandsTest, EachCommandSavesTheTagsAnAuthorWouldWrite) {
  const CommandCase cases[] = {
      {"italic", "a word here", "word", [](TextDocumentModel& t) { toggleEffect(t, CharEffect::Italic); },
       "a \\iword\\i here"},
      {"bold", "a word here", "word", [](TextDocumentModel& t) { setFont(t, FontKind::Bold); }, "a \\bword\\b here"},
      {"superscript", "x2", "2", [](TextDocumentModel& t) { toggleEffect(t, CharEffect::Superscript); }, "x\\Sp2\\Sp"},
      {"heading 2", "Title\r\nText", "Title", [](TextDocumentModel& t) { createHeading(t, 2); },
       "\\X2Title\\X2\r\nText"},
      {"centre", "Title\r\nText", "Title", [](TextDocumentModel& t) { setAlignment(t, kAlignCentre); },
       "\\cTitle\\c\r\nText"},
      {"body indent", "Hello", "ell", [](TextDocumentModel& t) { setIndentMode(t, IndentMode::Body); }, "H\\tello\\t"},
      {"page break", "ab", nullptr, [](TextDocumentModel& t) { insertPageBreakAtCaret(t); }, "ab\\p"},
      {"book plate", "ab", nullptr, [](TextDocumentModel& t) { insertBookPlateAtCaret(t); }, "ab\r\n\\d\r\n"},
      {"character", "caf", nullptr, [](TextDocumentModel& t) { insertCharacterAtCaret(t, 233); }, "caf\\a233"},
      {"character over a selection", "a?b", "?", [](TextDocumentModel& t) { insertCharacterAtCaret(t, 169); },
       "a\\a169b"},
      {"comment", "ab", nullptr, [](TextDocumentModel& t) { insertCommentAtCaret(t, "note"); }, "ab\\vnote\\v"},
      {"rule clamped", "", nullptr, [](TextDocumentModel& t) { insertRuleAtCaret(t, 250); }, "\\w=\"100%\""},
      {"tab", "a", nullptr, [](TextDocumentModel& t) { insertTabAtCaret(t, 50); }, "a\\T=\"50%\""},
      {"image", "a", nullptr, [](TextDocumentModel& t) { insertImageAtCaret(t, "/pics/Cover.PNG"); },
       "a\\m=\"Cover.PNG\""},
      {"anchor at the selection's start", "see Chapter One", "Chapter One",
       [](TextDocumentModel& t) { createAnchor(t, anchorNameFromSelection(t)); }, "see \\Q=\"Chapter_One\"Chapter One"},
      {"anchor name with a quote and a backslash", "x", nullptr,
       [](TextDocumentModel& t) { createAnchor(t, "say \"hi\\"); }, "x\\Q=\"say _hi_\""},
      {"link over the selection", "\\Q=\"a\"go there", "there",
       [](TextDocumentModel& t) { createLink(t, "a", t.selectionStart(), t.selectionEnd()); },
       "\\Q=\"a\"go \\q=\"#a\"there\\q"},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.name);
    TextDocumentModel text(nullptr, 2);
    loadText(text, c.tml);
    if (c.selected != nullptr)
      selectWord(text, c.selected);
    else
      text.setCaret(text.length());
    c.command(text);
    TmlWriteOptions options;
    EXPECT_EQ(writeTml(text, nullptr, options), c.saved);
  }
}

TEST(ObjectCommandsTest, CreateLinkSelectsTheWholeNewLink) {
  TextDocumentModel text;
  loadText(text, "\\Q=\"a\"go there");
  selectWord(text, "there");
  const int start = text.selectionStart();
  createLink(text, "a", start, text.selectionEnd());
  EXPECT_EQ(text.selectionStart(), start);
  EXPECT_EQ(text.selectionEnd(), start + 6);  // the link object and "there"
  EXPECT_EQ(bookObjectAt(text, start).kind(), kind::link);
}

TEST(ObjectCommandsTest, AnchorNameFromTheSelection) {
  TextDocumentModel text;
  loadText(text, "Chapter\\pOne\r\nTwo \\a233t\\a233\"q\\\\");
  text.setSelection(0, text.length());
  EXPECT_EQ(anchorNameFromSelection(text), "Chapter_One_Two__t__q_");

  // A selection of a whole book proposes its first 40 characters only.
  TextDocumentModel book;
  loadText(book, std::string(100000, 'w'));
  book.setSelection(0, book.length());
  EXPECT_EQ(anchorNameFromSelection(book), std::string(40, 'w'));
  createLink(book, "w", 0, book.length());
  EXPECT_EQ(findLinkAt(book, 99999).object, 0);
  EXPECT_EQ(findLinkAt(book, 99999).end, 100001);
}

TEST(ObjectCommandsTest, PercentFields) {
  const struct {
    std::string field;
    int percent;
  } cases[] = {{"42", 42}, {"250", 100}, {"-5", 0},    {"abc", 0},
               {"", 0},    {" 7 ", 7},   {"12abc", 0}, {std::string(300, '9'), 100}};
  for (const auto& c : cases) EXPECT_EQ(percentFromField(c.field), c.percent) << c.field;
}

TEST(ObjectCommandsTest, EachEditIsOneUndoStepInThePlaceAndStyleOfTheOld) {
  const struct {
    const char* name;
    std::function<void(TextDocumentModel&, int)> edit;
    char marker;
    const char* saved;
  } cases[] = {
      {"anchor", [](TextDocumentModel& t, int p) { replaceAnchor(t, p, "new\"one"); }, 'A',
       "\\iA\\Q=\"new_one\"B\\i \\vnote\\v \\w=\"80%\" \\T=\"10%\""},
      {"comment", [](TextDocumentModel& t, int p) { replaceComment(t, p, "changed"); }, 'N',
       "\\iA\\Q=\"old\"B\\i \\vchanged\\v \\w=\"80%\" \\T=\"10%\""},
      {"rule", [](TextDocumentModel& t, int p) { replaceRule(t, p, 30); }, 'R',
       "\\iA\\Q=\"old\"B\\i \\vnote\\v \\w=\"30%\" \\T=\"10%\""},
      {"tab", [](TextDocumentModel& t, int p) { replaceTab(t, p, 70); }, 'T',
       "\\iA\\Q=\"old\"B\\i \\vnote\\v \\w=\"80%\" \\T=\"70%\""},
  };
  const std::string original = "\\iA\\Q=\"old\"B\\i \\vnote\\v \\w=\"80%\" \\T=\"10%\"";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TextDocumentModel text;
    loadText(text, original);
    text.document()->clearUndoRedoStacks();
    text.document()->setUndoRedoEnabled(true);
    // The objects in text order: anchor, comment, rule, tab.
    const std::vector<BookObject> objects = allBookObjects(text);
    ASSERT_EQ(objects.size(), 4u);
    const int index = c.marker == 'A' ? 0 : c.marker == 'N' ? 1 : c.marker == 'R' ? 2 : 3;
    text.setCaret(0);
    c.edit(text, objects[size_t(index)].position);
    EXPECT_EQ(saveText(text), c.saved);
    EXPECT_EQ(text.caret(), 0);
    text.document()->undo();
    EXPECT_EQ(saveText(text), original);
  }
}

TEST(ObjectCommandsTest, RemoveLinkClearsOnlyThatLinkAndGoToAnchorMatchesNamesExactly) {
  TextDocumentModel text;
  loadText(text, "\\uu\\u \\Q=\"CH2\"\\Q=\"ch2\"\\q=\"#ch2\"one\\q\\q=\"#gone\"two\\q");
  text.setCaret(positionOf(text, "ne"));
  const MarkedStretch link = linkAtCaret(text);
  ASSERT_TRUE(link.found());
  EXPECT_EQ(link.end, positionOf(text, "two") - 1);  // the next link begins there

  ASSERT_TRUE(goToAnchorFromCaret(text));
  const int ch2 = positionOf(text, '\1', 1);
  EXPECT_EQ(text.selectionStart(), ch2);
  EXPECT_EQ(text.selectionEnd(), ch2 + 1);
  text.setCaret(positionOf(text, "two") + 1);
  EXPECT_FALSE(goToAnchorFromCaret(text));
  EXPECT_EQ(text.selectionStart(), positionOf(text, "two") + 1);

  // Just behind the last letter still counts as in the link.
  text.setCaret(text.length());
  ASSERT_TRUE(removeLinkAtCaret(text));
  EXPECT_EQ(saveText(text), "\\uu\\u \\Q=\"CH2\"\\Q=\"ch2\"\\q=\"#ch2\"one\\qtwo");
  EXPECT_EQ(text.caret(), text.length());
  text.setCaret(1);
  EXPECT_FALSE(removeLinkAtCaret(text));
}

TEST(ObjectCommandsTest, HeadingsAreFoundRemovedAndChangedInLevel) {
  TextDocumentModel text;
  loadText(text, "\\X2Old title\\X2\r\nbody \\xChapter\\x");
  text.setCaret(positionOf(text, "title"));
  MarkedStretch heading = headingAtCaret(text);
  ASSERT_TRUE(heading.found());
  EXPECT_EQ(heading.level, 2);

  changeHeadingLevel(text, heading.object, 3);
  EXPECT_EQ(saveText(text), "\\X3Old title\\X3\r\nbody \\p\\X0Chapter\\X0");
  EXPECT_EQ(describe(text, bookObjectAt(text, heading.object)), "Heading 3: \"Old title\"");

  text.setCaret(positionOf(text, "hapter"));
  EXPECT_EQ(headingAtCaret(text).level, 0);
  ASSERT_TRUE(removeHeadingAtCaret(text));
  EXPECT_EQ(saveText(text), "\\X3Old title\\X3\r\nbody \\pChapter");
  text.setCaret(positionOf(text, "body"));
  EXPECT_FALSE(removeHeadingAtCaret(text));
}

TEST(ObjectCommandsTest, ListingFiltersDescribesAndSkipsHeadingsThatLostTheirColour) {
  TextDocumentModel text;
  const std::string longName(200, 'n');
  loadText(text, "\\X1Head\\X1 \\T=\"20%\"\\Q=\"" + longName + "\"\\v" + std::string(100, 'c') +
                     "\\v\\T=\"40%\"\\d\\w=\"50%\"");
  std::vector<std::string> all;
  for (const ObjectListLine& line : listObjects(text, 0)) all.push_back(line.description);
  EXPECT_EQ(all, (std::vector<std::string>{"Heading 1: \"Head\"", "Tab: 20%", "Link Anchor: \"" + longName + "\"",
                                           "Comment: \"" + std::string(63, 'c') + "\"", "Tab: 40%", "Book Plate",
                                           "Horizontal Rule: 50%"}));
  const std::vector<ObjectListLine> tabs = listObjects(text, kind::tab);
  ASSERT_EQ(tabs.size(), 2u);
  EXPECT_EQ(tabs[1].description, "Tab: 40%");
  EXPECT_EQ(bookObjectAt(text, tabs[1].position).percent(), 40);

  AttributeValue black;
  text.setAttribute(attr::colour, 1, 5, black);
  EXPECT_EQ(listObjects(text, kind::chapter).size(), 0u);
}

// The context menu's entries as label, with "|" for a separator.
std::vector<std::string> menuOf(const TextDocumentModel& text, ContextAvailability available = {}) {
  std::vector<std::string> labels;
  for (const ContextEntry& entry : contextMenuEntries(text, available)) {
    if (entry.separatorBefore) labels.push_back("|");
    labels.push_back(entry.label + (entry.enabled ? "" : " (off)"));
  }
  return labels;
}

TEST(ObjectCommandsTest, ContextMenuFollowsTheCaretAndTheObjectsAtHand) {
  TextDocumentModel text;
  loadText(text, "\\X1Head\\X1 \\q=\"#a\"link\\q \\vc\\v\\Q=\"a\"\\w=\"5%\" \\d");
  const std::vector<std::string> editing = {"Cut (off)",   "Copy (off)", "Paste (off)",
                                            "Clear (off)", "|",          "Insert Character..."};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> all = editing;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };

  placeCaretForContextMenu(text, positionOf(text, "ink"));
  EXPECT_EQ(menuOf(text), with({"|", "Go To Anchor", "Remove Link"}));

  placeCaretForContextMenu(text, positionOf(text, "ead"));
  const std::vector<ContextEntry> heading = contextMenuEntries(text, {});
  EXPECT_EQ(menuOf(text), with({"|", "Remove Heading", "Edit Heading..."}));
  EXPECT_EQ(heading.back().object, 0);

  // A right-click on the comment puts the caret behind it, between the
  // comment and the anchor: one entry for each, editing its own object.
  const int comment = positionOf(text, '\1', 2);
  placeCaretForContextMenu(text, comment);
  EXPECT_EQ(text.caret(), comment + 1);
  const std::vector<ContextEntry> notes = contextMenuEntries(text, {});
  EXPECT_EQ(menuOf(text), with({"|", "Edit Anchor...", "|", "Edit Comment..."}));
  EXPECT_EQ(notes[notes.size() - 2].object, comment + 1);
  EXPECT_EQ(notes.back().object, comment);

  // A selected rule offers its own entry; a selected book plate none.
  const int rule = comment + 2;
  text.setSelection(rule, rule + 1);
  placeCaretForContextMenu(text, rule);  // inside the selection: it stays
  EXPECT_EQ(text.selectionEnd(), rule + 1);
  ContextAvailability available;
  available.cut = available.copy = true;
  EXPECT_EQ(menuOf(text, available), (std::vector<std::string>{"Cut", "Copy", "Paste (off)", "Clear (off)", "|",
                                                               "Insert Character...", "|", "Edit Horizontal Rule..."}));
  const int plate = text.length() - 1;
  text.setSelection(plate, plate + 1);
  EXPECT_EQ(menuOf(text).back(), "Insert Character...");
}

}  // namespace
