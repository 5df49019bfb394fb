// The commands for the bold style, soft hyphens, index terms, footnote and
// sidebar references and hidden chapter entries, from their shortcuts, the
// menus and Edit Objects, on a document window.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include "Commands.h"
#include "DialogDriver.h"
#include "NoteDialogs.h"
#include "TmlWriter.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;

class NotesAndTermsTest : public ::testing::Test {
 protected:
  NotesAndTermsTest() : window(*f.app->newDocument()), text(window.document().text()), scope(driver) {
    AppFixture::activate(window);
  }
  bool dispatch(Command command, const void* argument = nullptr) { return window.perform(command, argument, 0); }
  std::string saved() { return writeTml(text, nullptr); }
  void shortcut(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(&window.view(), key, modifiers);
    AppFixture::settle();
  }
  // Every dialog gets the id or the entry and is confirmed.
  void answerWith(const QString& id, int level = 0) {
    driver.fill = [id, level](QDialog& dialog) {
      if (auto* note = dynamic_cast<NoteIdDialog*>(&dialog)) note->setId(id);
      if (auto* entry = dynamic_cast<HiddenChapterDialog*>(&dialog)) entry->setEntry(level, id);
      dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
  }

  AppFixture f;
  DocumentWindow& window;
  TextDocumentModel& text;
  ScriptedDialogDriver driver;
  ScopedDialogDriver scope;
};

TEST_F(NotesAndTermsTest, ShortcutsApplyTheBoldStyleAndInsertASoftHyphen) {
  test::loadInto(window, "make believe");
  text.setSelection(0, 4);
  shortcut(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window.commandCheckState(cmd::kBoldStyle), kChecked);
  text.setCaret(9);
  shortcut(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(saved(), "\\Bmake\\B beli\\-eve");
  // The bold font now clashes: refused with the book's own message.
  text.setSelection(5, 8);
  EXPECT_FALSE(dispatch(cmd::kFontBold));
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].message, QStringLiteral("You can't use \\b and \\B in the same file."));
  EXPECT_EQ(saved(), "\\Bmake\\B beli\\-eve");
}

TEST_F(NotesAndTermsTest, IndexTermsAreMarkedFromTheBookMenuAndRemovedFromTheContextMenu) {
  test::loadInto(window, "an apple tree");
  EXPECT_FALSE(window.commandEnabled(cmd::kMarkIndexTerm));
  text.setSelection(3, 8);
  ASSERT_TRUE(dispatch(cmd::kMarkIndexTerm));
  EXPECT_EQ(saved(), "an \\Iapple\\I tree");
  text.setCaret(6);
  EXPECT_TRUE(window.commandEnabled(cmd::kRemoveIndexTerm));
  ASSERT_TRUE(dispatch(cmd::kRemoveIndexTerm));
  EXPECT_EQ(saved(), "an apple tree");
}

TEST_F(NotesAndTermsTest, ReferencesAreInsertedEditedAndLeadToTheirNotes) {
  test::loadInto(window, "see here");
  text.setSelection(4, 8);
  answerWith(QStringLiteral("n1"));
  ASSERT_TRUE(dispatch(cmd::kInsertFootnote));
  EXPECT_EQ(saved(), "see \\Fn=\"n1\"here\\Fn\r\n\r\n<footnote id=\"n1\">\r\n\r\n</footnote>");
  // Go To Note and back.
  text.setCaret(6);
  ASSERT_TRUE(dispatch(cmd::kGoToNote));
  const int body = text.caret();
  EXPECT_GT(body, 10);
  ASSERT_TRUE(dispatch(cmd::kGoToNote));
  EXPECT_EQ(text.caret(), 5);
  // Edited through Edit Objects' edit command: another id, a new note.
  int reference = 4;
  answerWith(QStringLiteral("n2"));
  ASSERT_TRUE(dispatch(cmd::kEditObject, &reference));
  EXPECT_EQ(saved(),
            "see \\Fn=\"n2\"here\\Fn\r\n\r\n<footnote id=\"n1\">\r\n\r\n</footnote>\r\n"
            "<footnote id=\"n2\">\r\n\r\n</footnote>");
  // A sidebar at the caret takes a "*" as its text.
  text.setCaret(0);
  answerWith(QStringLiteral("side"));
  ASSERT_TRUE(dispatch(cmd::kInsertSidebar));
  EXPECT_EQ(saved().substr(0, 17), "\\Sd=\"side\"*\\Sdsee");
}

TEST_F(NotesAndTermsTest, HiddenChapterEntriesAreInsertedAndEdited) {
  test::loadInto(window, "text");
  answerWith(QStringLiteral("Prologue"), 1);
  ASSERT_TRUE(dispatch(cmd::kInsertHiddenChapter));
  EXPECT_EQ(saved(), "\\C1=\"Prologue\"text");
  int entry = 0;
  answerWith(QStringLiteral("Opening"), 0);
  ASSERT_TRUE(dispatch(cmd::kEditObject, &entry));
  EXPECT_EQ(saved(), "\\C0=\"Opening\"text");
  // A title the file cannot spell is refused.
  answerWith(QStringLiteral("a \"b\""), 0);
  EXPECT_FALSE(dispatch(cmd::kEditObject, &entry));
  EXPECT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(saved(), "\\C0=\"Opening\"text");
}

}  // namespace
}  // namespace scrivora
