// The Search menu and the Find dialog in the program: enabling, the menu,
// the shortcuts and the dialog's buttons acting on the active document, the
// beep and the message boxes, undo of Replace All from the Edit menu, and
// what outlives a restart.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>

#include "Beep.h"
#include "Commands.h"
#include "FindDialog.h"
#include "TextSnapshot.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;
using test::loadInto;

std::pair<int, int> selectionOf(DocumentWindow& window) {
  return {window.document().text().selectionStart(), window.document().text().selectionEnd()};
}

QString textOf(DocumentWindow& window) { return window.view().toPlainText(); }

void press(DocumentWindow& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(&window.view(), key, modifiers);
  AppFixture::settle();
}

FindDialog& openFindDialog(AppFixture& f, DocumentWindow& window) {
  press(window, Qt::Key_F, Qt::ControlModifier);
  FindDialog* dialog = f.app->findDialog();
  EXPECT_NE(dialog, nullptr);
  return *dialog;
}

TEST(SearchTest, MenuEnablingFollowsTheFindTextAndTheSelection) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  loadInto(window, "one two one");
  FindSettings& find = f.app->findSettings();
  TextDocumentModel& text = window.document().text();
  struct Case {
    const char* findText;
    int selectionEnd;
    std::vector<Command> enabled;
  };
  const std::vector<Command> searchMenu = {cmd::kFind,
                                           cmd::kFindNext,
                                           cmd::kFindPrevious,
                                           cmd::kFindSelectionNext,
                                           cmd::kFindSelectionPrevious,
                                           cmd::kEnterFindString,
                                           cmd::kReplaceSelection,
                                           cmd::kReplaceFindNext,
                                           cmd::kReplaceFindPrevious,
                                           cmd::kReplaceAll};
  const Case cases[] = {
      {"", 0, {cmd::kFind}},
      {"one", 0, {cmd::kFind, cmd::kFindNext, cmd::kFindPrevious, cmd::kReplaceAll}},
      {"",
       3,
       {cmd::kFind, cmd::kFindSelectionNext, cmd::kFindSelectionPrevious, cmd::kEnterFindString,
        cmd::kReplaceSelection}},
      {"one", 3, searchMenu},
  };
  QMenu& menu = *window.menus().menuFor(cmd::kSearchMenu);
  for (const Case& c : cases) {
    find.setFindText(c.findText);
    text.setSelection(0, c.selectionEnd);
    emit menu.aboutToShow();
    for (Command command : searchMenu) {
      const bool expected = std::find(c.enabled.begin(), c.enabled.end(), command) != c.enabled.end();
      EXPECT_EQ(window.menus().actionFor(command)->isEnabled(), expected)
          << command << " with '" << c.findText << "' and selection end " << c.selectionEnd;
    }
  }
}

TEST(SearchTest, MenuAndShortcutsSearchReplaceAndReport) {
  AppFixture f;
  ScopedBeepCounter beeps;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  loadInto(window, "cat dog cat dog");
  TextDocumentModel& text = window.document().text();
  FindSettings& find = f.app->findSettings();

  // Enter Find String (Ctrl+E) takes the selection; F3 and Shift+F3 search.
  text.setSelection(4, 7);
  press(window, Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(find.findText(), "dog");
  press(window, Qt::Key_F3);
  EXPECT_EQ(selectionOf(window), std::make_pair(12, 15));
  press(window, Qt::Key_F3);  // no wrap-around: a beep, the selection stays
  EXPECT_EQ(beeps.count(), 1);
  EXPECT_EQ(selectionOf(window), std::make_pair(12, 15));
  press(window, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(selectionOf(window), std::make_pair(4, 7));

  // Replace & Find Next (Ctrl+L) from the menu's own entry.
  find.setReplaceText("emu");
  window.menus().actionFor(cmd::kReplaceFindNext)->trigger();
  EXPECT_EQ(textOf(window), "cat emu cat dog");
  EXPECT_EQ(selectionOf(window), std::make_pair(12, 15));
  EXPECT_TRUE(window.document().modified());

  // Find Selection Previous from the menu.
  text.setSelection(8, 11);
  window.menus().actionFor(cmd::kFindSelectionPrevious)->trigger();
  EXPECT_EQ(find.findText(), "cat");
  EXPECT_EQ(selectionOf(window), std::make_pair(0, 3));

  // Replace All: the count in a note, no box when nothing was replaced.
  find.setReplaceText("cow");
  text.setCaret(0);
  window.menus().actionFor(cmd::kReplaceAll)->trigger();
  EXPECT_EQ(textOf(window), "cow emu cow dog");
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].text(), "Replaced 2 occurrences.");
  EXPECT_EQ(f.presenter_.shown[0].caption(), "");
  window.menus().actionFor(cmd::kReplaceAll)->trigger();
  EXPECT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(beeps.count(), 2);

  // A bad expression shows the library's text in an error box.
  find.setRegex(true);
  find.setFindText(std::string(255, '('));
  press(window, Qt::Key_F3);
  ASSERT_EQ(f.presenter_.shown.size(), 2u);
  EXPECT_EQ(f.presenter_.shown[1].caption(), "Error");
  EXPECT_FALSE(f.presenter_.shown[1].message.isEmpty());

  // Ten groups: the nine-backreferences message, nothing changes.
  find.setFindText("(c)(o)(w)(.?)(.?)(.?)(.?)(.?)(.?)(.?)");
  text.setSelection(0, 3);
  press(window, Qt::Key_H, Qt::ControlModifier);
  ASSERT_EQ(f.presenter_.shown.size(), 3u);
  EXPECT_EQ(f.presenter_.shown[2].message, "Currently the Tolm Editor only supports up to 9 backreferences.");
  EXPECT_EQ(textOf(window), "cow emu cow dog");
}

TEST(SearchTest, DialogMirrorsTheSettingsAndActsOnTheActiveDocument) {
  AppFixture f;
  ScopedBeepCounter beeps;
  DocumentWindow& first = *f.app->newDocument();
  DocumentWindow& second = *f.app->newDocument();
  loadInto(first, "Plain text plain");
  loadInto(second, "Plain text plain");
  FindSettings& find = f.app->findSettings();
  find.setFindText("plain");
  find.setCaseSensitive(false);
  AppFixture::activate(first);
  FindDialog& dialog = openFindDialog(f, first);
  ASSERT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.windowTitle(), "Find");
  EXPECT_EQ(dialog.findField().text(), "plain");
  EXPECT_EQ(dialog.findField().selectedText(), "plain");
  EXPECT_FALSE(dialog.caseSensitiveBox().isChecked());

  // Typing copies at once; a character without a Windows-1252 byte becomes
  // the unmapped byte, and the field keeps it as typed.
  dialog.findField().clear();
  QTest::keyClicks(&dialog.findField(), "pl");
  dialog.findField().insert(QString::fromUtf8("\u263A"));
  EXPECT_EQ(find.findText(), std::string("pl") + kUnmappedByte);
  EXPECT_EQ(dialog.findField().text(), QString::fromUtf8("pl\u263A"));
  QTest::keyClick(&dialog.findField(), Qt::Key_Backspace);
  QTest::keyClicks(&dialog.findField(), "ain");
  dialog.replaceField().insert(QString::fromUtf8("caf\u00e9"));
  EXPECT_EQ(find.replaceText(), "caf\xe9");

  // RegEx switches Case Sensitive on and Entire Word off.
  dialog.entireWordBox().click();
  EXPECT_TRUE(find.entireWord());
  dialog.regexBox().click();
  EXPECT_TRUE(find.regex());
  EXPECT_TRUE(dialog.caseSensitiveBox().isChecked());
  EXPECT_FALSE(dialog.entireWordBox().isEnabled());
  dialog.regexBox().click();
  dialog.entireWordBox().click();
  dialog.caseSensitiveBox().click();

  // The buttons act on the window that was active last.
  dialog.findButton().click();
  EXPECT_EQ(selectionOf(first), std::make_pair(0, 5));
  EXPECT_EQ(selectionOf(second), std::make_pair(0, 0));
  AppFixture::activate(second);
  dialog.replaceButton().click();  // nothing selected there: a beep
  EXPECT_EQ(beeps.count(), 1);
  dialog.replaceAllButton().click();
  EXPECT_EQ(textOf(second), QString::fromUtf8("caf\u00e9 text caf\u00e9"));
  EXPECT_EQ(textOf(first), "Plain text plain");
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].text(), "Replaced 2 occurrences.");

  // A command that changes the find text shows in the open dialog.
  second.document().text().setSelection(5, 9);
  second.perform(cmd::kEnterFindString, nullptr, 0);
  EXPECT_EQ(dialog.findField().text(), "text");
  find.setFindText("");
  EXPECT_FALSE(dialog.findButton().isEnabled());
  EXPECT_FALSE(dialog.replaceAllButton().isEnabled());
  EXPECT_TRUE(dialog.replaceButton().isEnabled());
}

TEST(SearchTest, UndoOfReplaceAllFromTheEditMenuRestoresTextAndSelection) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  loadInto(window, "a the b the\r\nthe c");
  TextDocumentModel& text = window.document().text();
  f.app->findSettings().setFindText("the");
  f.app->findSettings().setReplaceText("x");
  text.setSelection(2, 5);
  window.menus().actionFor(cmd::kReplaceAll)->trigger();
  EXPECT_EQ(textOf(window), "a x b x\nx c");
  EXPECT_EQ(selectionOf(window), std::make_pair(2, 3));

  press(window, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(textOf(window), "a the b the\nthe c");
  EXPECT_EQ(selectionOf(window), std::make_pair(2, 5));
  press(window, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(textOf(window), "a x b x\nx c");
  EXPECT_EQ(selectionOf(window), std::make_pair(2, 3));

  // Typing still undoes as it should.
  text.setCaret(0);
  QTest::keyClicks(&window.view(), "z");
  EXPECT_EQ(textOf(window), "za x b x\nx c");
  press(window, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(textOf(window), "a x b x\nx c");
  press(window, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(textOf(window), "a the b the\nthe c");
}

TEST(SearchTest, OptionsAndTheDialogsPlaceOutliveARestart) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  FindDialog& dialog = openFindDialog(f, window);
  dialog.move(123, 87);
  const QPoint placed = dialog.pos();
  dialog.regexBox().click();
  dialog.caseSensitiveBox().click();
  dialog.reject();  // Esc: the dialog closes and keeps its place
  f.app.reset();
  QSettings stored(f.settingsFile(), QSettings::IniFormat);
  EXPECT_EQ(stored.value("FindSettings").toByteArray(), QByteArray("\x02\x00\x00\x00\x01\x00", 6));
  EXPECT_TRUE(stored.contains("Find.WindowPos.x"));

  // The next run on the same store.
  Application again(std::make_unique<SettingsStore>("Scrivora", f.settingsFile()));
  EXPECT_FALSE(again.findSettings().caseSensitive());
  EXPECT_TRUE(again.findSettings().regex());
  again.newDocument();
  again.perform(cmd::kFind, nullptr, 0);
  ASSERT_NE(again.findDialog(), nullptr);
  EXPECT_EQ(again.findDialog()->pos(), placed);
  EXPECT_FALSE(again.findDialog()->caseSensitiveBox().isChecked());
  EXPECT_FALSE(again.findDialog()->entireWordBox().isEnabled());

  // A place on no screen (one unplugged since) is not taken.
  again.settings().writeInteger("Find.WindowPos.x", 90000);
  again.settings().writeInteger("Find.WindowPos.y", 90000);
  FindDialog elsewhere(again.findSettings(), again.settings(), [] { return nullptr; });
  EXPECT_NE(elsewhere.pos(), QPoint(90000, 90000));
}

}  // namespace
}  // namespace scrivora
