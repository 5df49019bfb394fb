// The Book menu's dialogs, the object dialogs in edit mode, Insert
// Character, Edit Objects and the context menu, driven through the dialog
// seam on a real document window.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTextBlock>

#include <fstream>

#include "BookObject.h"
#include "Commands.h"
#include "DialogDriver.h"
#include "EditObjectsDialog.h"
#include "FormattingToolBar.h"
#include "InsertCharacterDialog.h"
#include "ObjectDialogs.h"
#include "TextContextMenu.h"
#include "TmlWriter.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;
using test::loadInto;

// Clicks OK the way the author would: a disabled OK does nothing.
void clickOk(QDialog& dialog) {
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  buttons->button(QDialogButtonBox::Ok)->click();
}

std::string saved(DocumentWindow& window) {
  TmlWriteOptions options;
  return writeTml(window.document().text(), nullptr, options);
}

int positionOf(DocumentWindow& window, const std::string& word) {
  std::string model;
  TextDocumentModel& text = window.document().text();
  for (EditorChar c : text.textOf(0, text.length())) model.push_back(isOutsideCodePage(c) ? '?' : char(c));
  const size_t at = model.find(word);
  return at == std::string::npos ? -1 : int(at);
}

class ObjectDialogsTest : public ::testing::Test {
 protected:
  ObjectDialogsTest() : driverScope_(driver) {
    window = f.app->newDocument();
    AppFixture::activate(*window);
  }
  // Loads the text and puts the caret at its end, or selects a word.
  void load(const std::string& tml, const std::string& selected = std::string()) {
    loadInto(*window, tml);
    TextDocumentModel& text = window->document().text();
    if (selected.empty()) {
      text.setCaret(text.length());
    } else {
      const int at = positionOf(*window, selected);
      text.setSelection(at, at + int(selected.size()));
    }
  }
  bool perform(Command command, const int* object = nullptr) { return window->perform(command, object, 0); }

  AppFixture f;
  ScriptedDialogDriver driver;
  DocumentWindow* window = nullptr;

 private:
  ScopedDialogDriver driverScope_;
};

TEST_F(ObjectDialogsTest, SingleFieldDialogsInInsertAndEditMode) {
  const struct {
    const char* name;
    Command command;
    const char* tml;
    const char* selected;
    const char* caption;
    const char* label;
    const char* proposed;
    const char* typed;
    const char* saved;
  } cases[] = {
      {"anchor", cmd::kCreateAnchor, "see Chapter One", "Chapter One", "Insert Anchor", "Name:", "Chapter_One", nullptr,
       "see \\Q=\"Chapter_One\"Chapter One"},
      {"anchor with quotes", cmd::kCreateAnchor, "x", "", "Insert Anchor", "Name:", "", "a\"b\\c", "x\\Q=\"a_b_c\""},
      {"comment", cmd::kInsertComment, "x", "", "Insert Comment", "Comment:", "", "remember", "x\\vremember\\v"},
      {"rule", cmd::kInsertRule, "x", "", "Insert Rule", "Percent:", "80", "250", "x\\w=\"100%\""},
      {"rule of 300 digits", cmd::kInsertRule, "x", "", "Insert Rule", "Percent:", "80", nullptr, "x\\w=\"100%\""},
      {"tab", cmd::kInsertTab, "x", "", "Insert Tab", "Percent:", "50", "-5", "x\\T=\"0%\""},
  };
  const std::string longDigits(300, '7');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    load(c.tml, c.selected);
    driver.fill = [&](QDialog& dialog) {
      auto& single = dynamic_cast<SingleFieldDialog&>(dialog);
      EXPECT_EQ(single.windowTitle(), c.caption);
      EXPECT_EQ(single.label(), c.label);
      EXPECT_FALSE(single.explanation().isEmpty());
      EXPECT_EQ(single.field().text(), c.proposed);
      if (c.typed != nullptr) single.field().setText(QString::fromLatin1(c.typed));
      if (std::string(c.name) == "rule of 300 digits") single.field().setText(QString::fromStdString(longDigits));
      clickOk(single);
    };
    EXPECT_TRUE(perform(c.command));
    EXPECT_EQ(saved(*window), c.saved);
  }

  // Edit mode: the current value is offered; Cancel changes nothing.
  load("\\Q=\"old\"\\vnote\\v\\w=\"30%\"\\T=\"60%\"");
  const char* const expected[] = {"old", "note", "30", "60"};
  const char* const captions[] = {"Edit Anchor", "Edit Comment", "Edit Rule", "Edit Tab"};
  for (int position = 0; position < 4; ++position) {
    driver.fill = [&](QDialog& dialog) {
      auto& single = dynamic_cast<SingleFieldDialog&>(dialog);
      EXPECT_EQ(single.windowTitle(), captions[position]);
      EXPECT_EQ(single.field().text(), expected[position]);
      dialog.reject();
    };
    EXPECT_FALSE(perform(cmd::kEditObject, &position));
  }
  EXPECT_EQ(saved(*window), "\\Q=\"old\"\\vnote\\v\\w=\"30%\"\\T=\"60%\"");
  int rule = 2;
  driver.fill = [](QDialog& dialog) {
    dynamic_cast<SingleFieldDialog&>(dialog).field().setText("45");
    clickOk(dialog);
  };
  EXPECT_TRUE(perform(cmd::kEditObject, &rule));
  EXPECT_EQ(saved(*window), "\\Q=\"old\"\\vnote\\v\\w=\"45%\"\\T=\"60%\"");

  // A comment longer than the field reads comes back whole when the author
  // confirms it untouched.
  const std::string longComment = "\\v" + std::string(300, 'c') + "\\v";
  load(longComment);
  int comment = 0;
  driver.fill = [](QDialog& dialog) { clickOk(dialog); };
  EXPECT_TRUE(perform(cmd::kEditObject, &comment));
  EXPECT_EQ(saved(*window), longComment);
  EXPECT_EQ(driver.dialogsRun, 6 + 4 + 2);
}

TEST_F(ObjectDialogsTest, LinkDialogListsAnchorsInTextOrderAndNeedsAChoice) {
  load("\\Q=\"zeta\"one \\Q=\"alpha\"two \\q=\"#alpha\"three\\q \\q=\"#none\"four\\q", "two");
  const int selectionStart = window->document().text().selectionStart();
  driver.fill = [&](QDialog& dialog) {
    auto& link = dynamic_cast<LinkDialog&>(dialog);
    EXPECT_EQ(link.windowTitle(), "Edit Link");
    ASSERT_EQ(link.anchorList().count(), 2);
    EXPECT_EQ(link.anchorList().item(0)->text(), "zeta");
    EXPECT_EQ(link.anchorList().item(1)->text(), "alpha");
    EXPECT_FALSE(link.okButton()->isEnabled());
    clickOk(link);  // nothing chosen: OK does nothing
    EXPECT_EQ(link.result(), QDialog::Rejected);
    link.anchorList().setCurrentRow(0);
    EXPECT_EQ(window->document().text().caret(), 0);  // the caret shows the anchor
    clickOk(link);
  };
  ASSERT_TRUE(perform(cmd::kCreateLink));
  EXPECT_EQ(saved(*window),
            "\\Q=\"zeta\"one \\Q=\"alpha\"\\q=\"#zeta\"two\\q \\q=\"#alpha\"three\\q "
            "\\q=\"#none\"four\\q");
  // The new link, object and text, is the selection.
  EXPECT_EQ(window->document().text().selectionStart(), selectionStart);
  EXPECT_EQ(window->document().text().selectionEnd(), selectionStart + 4);

  // Edit mode preselects the current anchor; a target naming no anchor
  // opens with nothing chosen and OK disabled.
  int three = positionOf(*window, "three") - 1, four = positionOf(*window, "four") - 1;
  driver.fill = [](QDialog& dialog) {
    auto& link = dynamic_cast<LinkDialog&>(dialog);
    EXPECT_EQ(link.anchorList().currentRow(), 1);
    EXPECT_TRUE(link.okButton()->isEnabled());
    link.anchorList().setCurrentRow(0);
    clickOk(link);
  };
  ASSERT_TRUE(perform(cmd::kEditObject, &three));
  driver.fill = [](QDialog& dialog) {
    auto& link = dynamic_cast<LinkDialog&>(dialog);
    EXPECT_TRUE(link.anchorList().selectedItems().isEmpty());
    EXPECT_FALSE(link.okButton()->isEnabled());
    dialog.reject();
  };
  EXPECT_FALSE(perform(cmd::kEditObject, &four));
  EXPECT_EQ(saved(*window),
            "\\Q=\"zeta\"one \\Q=\"alpha\"\\q=\"#zeta\"two\\q \\q=\"#zeta\"three\\q "
            "\\q=\"#none\"four\\q");
}

TEST_F(ObjectDialogsTest, HeadingDialogChangesTheLevelOfTheWholeHeading) {
  load("\\X1Intro\\X1 text");
  int marker = 0;
  driver.fill = [](QDialog& dialog) {
    auto& heading = dynamic_cast<HeadingDialog&>(dialog);
    EXPECT_EQ(heading.windowTitle(), "Edit Chapter/Heading");
    EXPECT_EQ(heading.level(), 1);
    heading.chooseLevel(4);
    clickOk(heading);
  };
  ASSERT_TRUE(perform(cmd::kEditObject, &marker));
  EXPECT_EQ(saved(*window), "\\X4Intro\\X4 text");
}

TEST_F(ObjectDialogsTest, ImagesMustBeReadablePngs) {
  QImage picture(4, 3, QImage::Format_Grayscale8);
  picture.fill(128);
  const std::string photo = f.dir.filePath("PHOTO.PNG").toStdString();
  ASSERT_TRUE(picture.save(QString::fromStdString(photo), "PNG"));
  const std::string gif = f.writeFile("photo.gif", "GIF89a");
  const std::string damaged = f.writeFile("broken.png", "\x89PNG\r\n\x1a\n not really");
  load("x");
  std::string answer;
  driver.choose = [&](const QString&) { return QString::fromStdString(answer); };

  for (const std::string& refused : {gif, damaged, std::string()}) {
    answer = refused;
    EXPECT_FALSE(perform(cmd::kInsertImage)) << refused;
  }
  EXPECT_EQ(saved(*window), "x");
  ASSERT_EQ(f.presenter_.shown.size(), 1u);  // the damaged file is explained; a .gif is just ignored
  EXPECT_EQ(f.presenter_.shown[0].kind, AlertKind::Warning);
  EXPECT_TRUE(f.presenter_.shown[0].detail.contains("broken.png"));

  answer = photo;
  ASSERT_TRUE(perform(cmd::kInsertImage));
  EXPECT_EQ(saved(*window), "x\\m=\"PHOTO.PNG\"");
  // Edit mode proposes the current file.
  int image = 1;
  QString proposed;
  driver.choose = [&](const QString& current) {
    proposed = current;
    return QString();
  };
  EXPECT_FALSE(perform(cmd::kEditObject, &image));
  EXPECT_EQ(proposed.toStdString(), photo);
}

TEST_F(ObjectDialogsTest, InsertCharacterOffersTheUpperHalfAndReplacesTheSelection) {
  const std::vector<uint8_t>& bytes = CharacterGrid::bytes();
  ASSERT_EQ(bytes.size(), 125u);
  EXPECT_EQ(bytes.front(), 128);
  EXPECT_EQ(bytes[1], 130);
  EXPECT_EQ(bytes[27], 156);
  EXPECT_EQ(bytes[28], 159);
  EXPECT_EQ(bytes.back(), 255);
  EXPECT_EQ(characterNote(160), "Non-breaking space");
  EXPECT_TRUE(characterNote(153).startsWith("Warning: This character is not recommended"));
  EXPECT_TRUE(characterNote(233).isEmpty());

  load("a?b", "?");
  driver.fill = [&](QDialog& dialog) {
    auto& characters = dynamic_cast<InsertCharacterDialog&>(dialog);
    EXPECT_EQ(characters.windowTitle(), "Insert Character");
    EXPECT_EQ(characters.grid().size(), QSize(16 * 28 + 1, 8 * 28 + 1));
    EXPECT_FALSE(characters.okButton()->isEnabled());
    // A double-click on an empty cell does nothing; one on é confirms it.
    QTest::mouseDClick(&characters.grid(), Qt::LeftButton, {}, QPoint(15 * 28 + 5, 7 * 28 + 5));
    EXPECT_EQ(characters.result(), QDialog::Rejected);
    const int cell = int(std::find(bytes.begin(), bytes.end(), 233) - bytes.begin());
    QTest::mouseClick(&characters.grid(), Qt::LeftButton, {}, QPoint((cell % 16) * 28 + 14, (cell / 16) * 28 + 14));
    EXPECT_EQ(characters.chosenByte(), 233);
    QTest::mouseDClick(&characters.grid(), Qt::LeftButton, {}, QPoint((cell % 16) * 28 + 14, (cell / 16) * 28 + 14));
  };
  ASSERT_TRUE(perform(cmd::kInsertCharacter));
  EXPECT_EQ(saved(*window), "a\\a233b");
}

TEST_F(ObjectDialogsTest, EditObjectsListsFiltersFollowsAndEdits) {
  EditObjectsDialog& list = f.app->editObjects();
  list.show();
  list.bind(nullptr);
  EXPECT_EQ(list.windowTitle(), "Edit Objects");
  EXPECT_EQ(list.list().count(), 0);

  load("\\X0Start\\X0 \\w=\"20%\" a\\T=\"10%\" \\Q=\"here\"");
  ASSERT_TRUE(perform(cmd::kEditObjects));
  AppFixture::settle();
  EXPECT_EQ(list.windowTitle(), "Edit Objects: " + window->document().name());
  QStringList shown;
  for (const auto& filter : EditObjectsDialog::filters()) shown << filter.first;
  EXPECT_EQ(shown, (QStringList{"All Objects", "Links", "Link Anchors", "Chapters/Headings", "Comments", "Images",
                                "Book Plates", "Horizontal Rules", "Tabs", "Index Terms", "Footnotes", "Sidebars"}));
  ASSERT_EQ(list.list().count(), 4);
  EXPECT_EQ(list.list().item(1)->text(), "Horizontal Rule: 20%");

  // Selecting a line moves the caret; Edit opens the object's dialog and
  // the list shows the change.
  list.list().setCurrentRow(1);
  EXPECT_EQ(window->document().text().caret(), list.positions()[1]);
  driver.fill = [](QDialog& dialog) {
    dynamic_cast<SingleFieldDialog&>(dialog).field().setText("75");
    clickOk(dialog);
  };
  list.editButton().click();
  EXPECT_EQ(list.list().item(1)->text(), "Horizontal Rule: 75%");
  EXPECT_EQ(list.list().currentRow(), 1);

  list.filterBox().setCurrentIndex(8);
  emit list.filterBox().activated(8);
  ASSERT_EQ(list.list().count(), 1);
  EXPECT_EQ(list.list().item(0)->text(), "Tab: 10%");

  // A change of the text refills it.
  TextDocumentModel& text = window->document().text();
  text.setCaret(text.length());
  insertTab(text, 90);
  QTest::qWait(300);
  EXPECT_EQ(list.list().count(), 2);

  // Closing keeps the place; a closed document leaves the list empty.
  list.move(40, 50);
  list.reject();
  int32_t x = 0, y = 0;
  EXPECT_TRUE(f.app->settings().readInteger("EditObjects.WindowPos.x", x));
  EXPECT_TRUE(f.app->settings().readInteger("EditObjects.WindowPos.y", y));
  EXPECT_EQ(x, list.x());
  EXPECT_EQ(y, list.y());
  list.show();
  window->requestClose(2);
  AppFixture::settle();
  EXPECT_EQ(list.list().count(), 0);
  EXPECT_EQ(list.windowTitle(), "Edit Objects");
}

TEST_F(ObjectDialogsTest, ContextMenuEntriesSendTheirCommandsForTheirOwnObjects) {
  load("some text \\vfirst\\v\\vsecond\\v more");
  // A right-click on "more", outside the (empty) selection, moves the caret.
  TextDocumentModel& text = window->document().text();
  const int more = positionOf(*window, "more");
  QTextCursor at(window->view().document());
  at.setPosition(more);
  const QRect place = window->view().cursorRect(at);
  EXPECT_EQ(characterUnderPoint(window->view(), place.center() + QPoint(2, 0)), more);

  text.setCaret(positionOf(*window, " more"));
  std::unique_ptr<QMenu> menu(buildTextContextMenu(*window, window->view().cursorRect().center() + QPoint(-1, 0)));
  QStringList labels;
  for (QAction* action : menu->actions()) labels << (action->isSeparator() ? "|" : action->text());
  EXPECT_EQ(labels, (QStringList{"Cut", "Copy", "Paste", "Clear", "|", "Insert Character...", "|", "Edit Comment...",
                                 "Edit Comment..."}));
  EXPECT_FALSE(menu->actions()[0]->isEnabled());  // nothing selected to cut
  QString edited;
  driver.fill = [&](QDialog& dialog) {
    auto& single = dynamic_cast<SingleFieldDialog&>(dialog);
    edited = single.field().text();
    single.field().setText("changed");
    clickOk(single);
  };
  menu->actions()[7]->trigger();
  EXPECT_EQ(edited, "first");
  EXPECT_EQ(saved(*window), "some text \\vchanged\\v\\vsecond\\v more");
}

TEST_F(ObjectDialogsTest, ToolbarShowsPartlyPressedAndTheScriptKeysWork) {
  load("plain \\iitalic\\i");
  TextDocumentModel& text = window->document().text();
  text.setSelection(0, text.length());
  window->toolBar().refresh();
  EXPECT_EQ(window->toolBar().shownState(cmd::kItalic), kPartlyChecked);
  EXPECT_FALSE(window->toolBar().actionFor(cmd::kItalic)->isChecked());
  text.setSelection(positionOf(*window, "italic"), text.length());
  window->toolBar().refresh();
  EXPECT_EQ(window->toolBar().shownState(cmd::kItalic), kChecked);

  text.setSelection(0, 5);
  QTest::keyClick(&window->view(), Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
  AppFixture::settle();
  EXPECT_GT(text.styleAt(0).offset, 0);
  text.setSelection(0, 5);
  QTest::keyClick(&window->view(), Qt::Key_Equal, Qt::ControlModifier);
  AppFixture::settle();
  EXPECT_LT(text.styleAt(0).offset, 0);
  EXPECT_EQ(saved(*window), "\\Sbplain\\Sb \\iitalic\\i");
}

}  // namespace
}  // namespace scrivora
