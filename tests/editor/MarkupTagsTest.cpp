// Index terms, footnote and sidebar references, hidden chapter entries, the
// bold style and soft hyphens: how they load, save and are made by the
// commands, and the clash of the bold font with the bold style.

#include <gtest/gtest.h>

#include "FormatCommands.h"
#include "NoteCommands.h"
#include "ObjectCommands.h"
#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

class MarkupTagsTest : public ::testing::Test {
 protected:
  TextDocumentModel view;
  LogCapture log;

  std::string resave(const std::string& tml) {
    view.removeText(0, view.length());
    LogCapture::warnings().clear();
    loadText(view, tml);
    return saveText(view);
  }
  FourCC kindAt(int position) { return bookObjectAt(view, position).kind(); }
  void select(int start, int end) { view.setSelection(start, end); }
};

TEST_F(MarkupTagsTest, EachTagLoadsAsFormattingAndSavesAsWritten) {
  const std::string notes =
      "\r\n\r\n<footnote id=\"n1\">\r\nThe note.\r\n</footnote>\r\n"
      "<sidebar id=\"s1\">\r\nThe side.\r\n</sidebar>";
  struct Case {
    std::string tml;
    int position;  // where the object or style shows
    FourCC kind;   // the object there, or 0
    Rgb colour;    // the colour of the character after it
    bool bold;     // the bold style at position
  };
  const Case cases[] = {
      {"a\\Bbold\\B b", 1, 0, kPlainColour, true},
      {"\\Iterm\\I rest", 0, kind::indexTerm, kIndexTermColour, false},
      {"see\\Fn=\"n1\"*\\Fn." + notes, 3, kind::footnote, kFootnoteColour, false},
      {"see \\Sd=\"s1\"aside\\Sd" + notes, 4, kind::sidebar, kSidebarColour, false},
      {"\\C1=\"Hidden \\a233t\\a233\"text", 0, kind::hiddenChapter, kPlainColour, false},
      {"soft\\-hyphen", 4, kind::softHyphen, kPlainColour, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(resave(c.tml), c.tml);
    EXPECT_TRUE(LogCapture::warnings().empty()) << c.tml << ": " << LogCapture::warnings().front();
    EXPECT_EQ(kindAt(c.position), c.kind) << c.tml;
    EXPECT_EQ(view.styleAt(c.position + 1).colour, c.colour) << c.tml;
    EXPECT_EQ(view.styleAt(c.position).bold, c.bold) << c.tml;
  }
  resave("\\C2=\"Caf\\a233 \\U0141\"");
  const BookObject entry = bookObjectAt(view, 0);
  EXPECT_EQ(entry.level(), 2);
  EXPECT_EQ(hiddenChapterTitleText(entry.text()), QString::fromUtf8("Café Ł"));
  EXPECT_EQ(describe(view, entry), "Hidden Heading 2: \"Caf\xE9 ?\"");
}

TEST_F(MarkupTagsTest, MalformedTagsStayKeptAsWrittenWithAWarning) {
  for (const std::string tml : {"\\C7=\"x\"", "\\C1=\"a\\ib\"", "a\\Fn=\"n\"unclosed", "\\bfont\\b and \\Bstyle\\B"}) {
    EXPECT_EQ(resave(tml), tml);
    EXPECT_FALSE(LogCapture::warnings().empty()) << tml << " saved " << saveText(view);
    EXPECT_EQ(view.styleAt(1).colour, kUnknownTagColour) << tml;
  }
}

TEST_F(MarkupTagsTest, BoldStyleAndBoldFontDoNotMix) {
  resave("plain \\bbold font\\b");
  select(0, 5);
  EXPECT_TRUE(effectWouldClash(view, CharEffect::BoldStyle));
  resave("plain \\Bbold style\\B");
  select(0, 5);
  EXPECT_FALSE(effectWouldClash(view, CharEffect::BoldStyle));
  EXPECT_TRUE(fontWouldClash(view, FontKind::Bold));
  EXPECT_FALSE(fontWouldClash(view, FontKind::Large));
  select(0, 6);
  toggleEffect(view, CharEffect::BoldStyle);
  EXPECT_EQ(saveText(view), "\\Bplain bold style\\B");
  // Switching it off everywhere takes the clash away.
  select(0, view.length());
  toggleEffect(view, CharEffect::BoldStyle);
  EXPECT_EQ(saveText(view), "plain bold style");
  EXPECT_FALSE(fontWouldClash(view, FontKind::Bold));
}

TEST_F(MarkupTagsTest, IndexTermIsMarkedAndRemoved) {
  resave("an apple tree");
  select(3, 8);
  ASSERT_TRUE(markIndexTerm(view));
  EXPECT_EQ(saveText(view), "an \\Iapple\\I tree");
  EXPECT_EQ(listObjects(view, kind::indexTerm).front().description, "Index Term: \"apple\"");
  view.setCaret(5);
  ASSERT_TRUE(removeMarkingAtCaret(view, Marking::IndexTerm));
  EXPECT_EQ(saveText(view), "an apple tree");
  select(3, 3);
  EXPECT_FALSE(markIndexTerm(view));
}

TEST_F(MarkupTagsTest, ReferencesAreMadeRenamedAndLeadToTheirNotes) {
  resave("one two");
  select(4, 7);
  ASSERT_TRUE(createReference(view, Marking::Footnote, "n\"1"));
  appendNote(view, Marking::Footnote, "n_1");
  const int body = view.caret();
  view.insertText(QStringLiteral("Body"));
  view.setCaret(1);
  select(1, 1);
  ASSERT_TRUE(createReference(view, Marking::Sidebar, "s"));
  appendNote(view, Marking::Sidebar, "s");
  EXPECT_EQ(saveText(view),
            "o\\Sd=\"s\"*\\Sdne \\Fn=\"n_1\"two\\Fn\r\n\r\n<footnote id=\"n_1\">\r\nBody\r\n</footnote>\r\n"
            "<sidebar id=\"s\">\r\n\r\n</sidebar>");
  EXPECT_EQ(noteIds(view, Marking::Footnote), std::vector<std::string>{"n_1"});
  // To the body and back.
  view.setCaret(8);
  ASSERT_TRUE(goToNote(view));
  EXPECT_EQ(view.caret(), body + 2);  // the sidebar reference went in before it
  ASSERT_TRUE(goToNote(view));
  EXPECT_EQ(view.caret(), 7);
  // A reference's text holds no line end.
  select(0, view.length());
  EXPECT_FALSE(createReference(view, Marking::Footnote, "x"));
  // Renamed in place.
  replaceReferenceId(view, 6, "other");
  EXPECT_EQ(bookObjectAt(view, 6).text(), "other");
  EXPECT_EQ(listObjects(view, kind::footnote).front().description, "Footnote: \"other\"");
}

TEST_F(MarkupTagsTest, HiddenChapterAndSoftHyphenAreInsertedAndEdited) {
  resave("ab");
  view.setCaret(1);
  ASSERT_TRUE(insertHiddenChapterAtCaret(view, 0, QString::fromUtf8("Café Ł")));
  EXPECT_EQ(saveText(view), "a\\C0=\"Caf\xE9 \\U0141\"b");
  EXPECT_FALSE(insertHiddenChapterAtCaret(view, 0, QStringLiteral("a \"quote\"")));
  ASSERT_TRUE(replaceHiddenChapter(view, 1, 3, QStringLiteral("Later")));
  EXPECT_EQ(saveText(view), "a\\C3=\"Later\"b");
  EXPECT_EQ(listObjects(view, kind::chapter).front().description, "Hidden Heading 3: \"Later\"");
  view.setCaret(3);
  insertSoftHyphenAtCaret(view);
  EXPECT_EQ(saveText(view), "a\\C3=\"Later\"b\\-");
}

}  // namespace
