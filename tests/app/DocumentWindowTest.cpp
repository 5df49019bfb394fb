#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "CheckMarks.h"
#include "Commands.h"
#include "FormattingToolBar.h"
#include "MenuTable.h"
#include "ShortcutRouter.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;
using test::loadInto;

QString labelOf(const MenuItemSpec& record) { return QString::fromLatin1(record.label); }

TEST(DocumentWindowTest, MenusHoldEveryEntryOfTheTableAndTheHelpMenu) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  QStringList bar;
  for (QAction* action : window.menuBar()->actions()) bar << action->text();
  EXPECT_EQ(bar,
            (QStringList{"&File", "&Edit", "&Search", "&View", "&Book", "F&ont", "S&tyle", "&Paragraph", "&Help"}));
  int items = 0;
  for (const MenuItemSpec& record : menuTable()) {
    if (record.isSeparator() || record.isSubmenu()) continue;
    ++items;
    QAction* action = window.menus().actionFor(record.command);
    ASSERT_NE(action, nullptr) << record.label;
    EXPECT_EQ(action->text(), labelOf(record));
    // The key is the window's, never a Qt shortcut that would bypass the table.
    EXPECT_TRUE(action->shortcut().isEmpty());
    EXPECT_EQ(window.shortcuts().commandAt(ShortcutTable::slotOf(record.key, record.modifiers)),
              record.key != 0 ? record.command : 0)
        << record.label;
  }
  EXPECT_EQ(items, 70);
  QAction* about = window.menus().actionFor(cmd::kAbout);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->text(), "&About Scrivora...");
  EXPECT_EQ(window.menus().actionFor(cmd::kDelete)->text(), "&Delete\tDel");
  EXPECT_EQ(window.shortcuts().commandAt(ShortcutTable::slotOf(kKeyDelete, 0)), 0);
  // Edit Objects and Open share the letter O, told apart by Shift.
  EXPECT_EQ(window.shortcuts().commandAt(ShortcutTable::slotOf('O', kCtrlKey | kShiftKey)), cmd::kEditObjects);
  EXPECT_EQ(window.menus().menuFor(cmd::kHeadingMenu)->title(), "Create &Heading");
}

TEST(DocumentWindowTest, ZoomShortcutsSetTheWindowGeometry) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  EXPECT_EQ(window.width(), 349);  // zoom 2
  EXPECT_EQ(window.height(), 296 * 2 + 4);
  struct Case {
    Qt::Key key;
    int zoom, width, minimumHeight;
  };
  for (const Case& c : {Case{Qt::Key_1, 1, 349, 152}, Case{Qt::Key_3, 3, 507, 448}, Case{Qt::Key_4, 4, 665, 596},
                        Case{Qt::Key_2, 2, 349, 300}}) {
    QTest::keyClick(&window.view(), c.key, Qt::ControlModifier | Qt::ShiftModifier);
    AppFixture::settle();
    EXPECT_EQ(window.document().text().zoom(), c.zoom);
    EXPECT_EQ(window.width(), c.width);
    EXPECT_EQ(window.minimumWidth(), c.width);
    EXPECT_EQ(window.maximumWidth(), c.width);
    EXPECT_EQ(window.minimumHeight(), c.minimumHeight);
    EXPECT_GE(window.height(), c.minimumHeight);
    EXPECT_EQ(window.commandCheckState(cmd::kZoom1 + Command(c.zoom - 1)), kChecked);
    EXPECT_EQ(window.view().lineWrapColumnOrWidth() - 2 * int(window.view().document()->documentMargin()),
              158 * c.zoom);
  }
}

TEST(DocumentWindowTest, ShortcutsAreConsumedEvenWhenDisabledAndDelReachesTheView) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  loadInto(window, "Hello world");
  // A filter on the view sees only what the window's shortcut table let by.
  struct Spy : QObject {
    int keys = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      // Counts the keys, not the modifiers pressed with them.
      if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() < Qt::Key_Shift) ++keys;
      return false;
    }
  } spy;
  window.view().installEventFilter(&spy);

  // Chapter needs a selection: disabled, consumed, nothing happens.
  EXPECT_FALSE(window.commandEnabled(cmd::kChapter));
  QTest::keyClick(&window.view(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
  AppFixture::settle();
  EXPECT_EQ(spy.keys, 0);
  EXPECT_EQ(window.document().text().length(), 11);

  // Save: disabled in an unmodified document, enabled after one typed key.
  EXPECT_FALSE(window.commandEnabled(cmd::kSave));
  QTest::keyClick(&window.view(), Qt::Key_X);
  EXPECT_TRUE(window.document().modified());
  EXPECT_TRUE(window.commandEnabled(cmd::kSave));
  spy.keys = 0;

  // Del is the view's own key.
  window.document().text().setSelection(0, 6);
  QTest::keyClick(&window.view(), Qt::Key_Delete);
  AppFixture::settle();
  EXPECT_EQ(spy.keys, 1);
  EXPECT_EQ(window.view().toPlainText(), " world");  // "x" was typed before "Hello"
}

TEST(DocumentWindowTest, ShortcutActsOnTheActiveWindowOnly) {
  AppFixture f;
  DocumentWindow& first = *f.app->newDocument();
  DocumentWindow& second = *f.app->newDocument();
  loadInto(first, "Plain words");
  loadInto(second, "Plain words");
  first.document().text().setSelection(0, 5);
  second.document().text().setSelection(0, 5);
  AppFixture::activate(second);
  QTest::keyClick(&second.view(), Qt::Key_B, Qt::ControlModifier);
  AppFixture::settle();
  EXPECT_EQ(second.document().text().styleAt(0).face, kFaceBold);
  EXPECT_EQ(first.document().text().styleAt(0).face, kFaceNormal9);
}

TEST(DocumentWindowTest, ChecksFollowTheSelectionInMenusAndToolbar) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  loadInto(window, "plain \\iitalic\\i \\bbold\\b\r\n\\ccentred\r\n\\c");
  TextDocumentModel& text = window.document().text();
  QAction* italicButton = window.toolBar().actionFor(cmd::kItalic);
  QAction* italicItem = window.menus().actionFor(cmd::kItalic);
  QMenu* styleMenu = window.menus().menuFor(cmd::kStyleMenu);

  text.setSelection(7, 10);  // inside "italic"
  AppFixture::settle();
  EXPECT_TRUE(italicButton->isChecked());
  emit styleMenu->aboutToShow();
  EXPECT_TRUE(italicItem->icon().pixmap(16).toImage() == checkMarkIcon(kChecked).pixmap(16).toImage());

  text.setSelection(2, 10);  // part plain, part italic
  AppFixture::settle();
  EXPECT_FALSE(italicButton->isChecked());
  emit styleMenu->aboutToShow();
  EXPECT_TRUE(italicItem->icon().pixmap(16).toImage() == checkMarkIcon(kPartlyChecked).pixmap(16).toImage());

  text.setSelection(0, 3);
  AppFixture::settle();
  emit styleMenu->aboutToShow();
  EXPECT_TRUE(italicItem->icon().isNull());

  // Bold partly: the Font menu shows the partial mark on Bold.
  const int boldStart = int(window.view().toPlainText().indexOf("bold"));
  text.setSelection(boldStart - 3, boldStart + 2);
  AppFixture::settle();
  QMenu* fontMenu = window.menus().menuFor(cmd::kFontMenu);
  emit fontMenu->aboutToShow();
  EXPECT_TRUE(window.menus().actionFor(cmd::kFontBold)->icon().pixmap(16).toImage() ==
              checkMarkIcon(kPartlyChecked).pixmap(16).toImage());

  // Enabling before a menu opens: Cut needs a selection.
  QMenu* editMenu = window.menus().menuFor(cmd::kEditMenu);
  emit editMenu->aboutToShow();
  EXPECT_TRUE(window.menus().actionFor(cmd::kCut)->isEnabled());
  text.setCaret(1);
  emit editMenu->aboutToShow();
  EXPECT_FALSE(window.menus().actionFor(cmd::kCut)->isEnabled());
  EXPECT_FALSE(window.menus().actionFor(cmd::kUndo)->isEnabled());

  // The caret in the centred paragraph presses Center on the toolbar.
  text.setCaret(int(window.view().toPlainText().indexOf("centred")) + 2);
  AppFixture::settle();
  EXPECT_TRUE(window.toolBar().actionFor(cmd::kAlignCenter)->isChecked());
  EXPECT_FALSE(window.toolBar().actionFor(cmd::kAlignLeft)->isChecked());
}

TEST(DocumentWindowTest, ToolbarButtonsSendTheirCommandsLikeTheMenu) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  loadInto(window, "some words");
  QStringList tips;
  for (QAction* action : window.toolBar().actions())
    if (!action->isSeparator()) tips << action->toolTip();
  EXPECT_EQ(tips, (QStringList{"Normal Font", "Small Font", "Bold Font", "Large Font", "Italic", "Underline",
                               "Overstrike", "Align Left", "Center", "Align Right", "No Indent", "Block Indent",
                               "Body Indent", "First Line Indent"}));
  window.document().text().setSelection(0, 4);
  window.toolBar().refresh();
  EXPECT_FALSE(window.toolBar().actionFor(cmd::kUnderline)->isChecked());
  window.toolBar().actionFor(cmd::kUnderline)->trigger();
  EXPECT_TRUE(window.document().text().styleAt(1).underline);
  EXPECT_TRUE(window.toolBar().actionFor(cmd::kUnderline)->isChecked());
  window.menus().actionFor(cmd::kUnderline)->trigger();
  EXPECT_FALSE(window.document().text().styleAt(1).underline);
}

TEST(DocumentWindowTest, ModelAndWidgetShareOneCursor) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  loadInto(window, "one two three");
  window.document().text().setSelection(4, 7);
  EXPECT_EQ(window.view().textCursor().selectedText(), "two");
  QTextCursor cursor = window.view().textCursor();
  cursor.setPosition(8);
  cursor.setPosition(13, QTextCursor::KeepAnchor);
  window.view().setTextCursor(cursor);
  EXPECT_EQ(window.document().text().selectionStart(), 8);
  EXPECT_EQ(window.document().text().selectionEnd(), 13);
  // What the model inserts lands at the widget's caret.
  window.document().text().insertText("3");
  EXPECT_EQ(window.view().toPlainText(), "one two 3");
}

TEST(DocumentWindowTest, ClosingTheWindowLeavesTheApplicationsList) {
  AppFixture f;
  DocumentWindow* window = f.app->newDocument();
  window->close();
  AppFixture::settle();
  EXPECT_TRUE(f.app->documents().empty());
}

}  // namespace
}  // namespace scrivora
