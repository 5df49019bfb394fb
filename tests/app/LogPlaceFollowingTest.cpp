#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextBrowser>

#include "Commands.h"
#include "support/DocumentFileSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;
using test::FileFixture;

// The text the document window selects, objects as '\1'.
std::string selectedText(DocumentWindow& window) {
  TextDocumentModel& text = window.document().text();
  std::string bytes;
  for (EditorChar c : text.textOf(text.selectionStart(), text.selectionEnd())) bytes.push_back(char(c));
  return bytes;
}

// Clicks the middle of the first log entry that holds `words`; false when
// there is none.
bool clickEntry(BuildLogWindow& log, const QString& words) {
  if (log.view() == nullptr) return false;
  QTextEdit& text = log.view()->text();
  for (QTextBlock block = text.document()->begin(); block.isValid(); block = block.next()) {
    const int at = int(block.text().indexOf(words));
    if (at < 0) continue;
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + at + 1);
    text.setTextCursor(cursor);
    text.ensureCursorVisible();
    QTest::mouseClick(text.viewport(), Qt::LeftButton, {}, text.cursorRect(cursor).center());
    AppFixture::settle();
    return true;
  }
  return false;
}

TEST(LogPlaceFollowingTest, ClickingABuildMessageSelectsItsPlaceBehindObjects) {
  FileFixture f;
  const std::string source = f.writeFile("story.tml",
                                         "\\v\r\nTITLE=\"Story\"\r\n\\v\r\n"
                                         "\\Q=\"top\"Look: \\m=\"gone.png\"\r\n"
                                         "and \\i\\Zbad\\i words.\r\n");
  DocumentWindow* window = f.app->openDocument(source);
  ASSERT_NE(window, nullptr);
  f.files.answers = {QString::fromStdString(f.path("story.tdb"))};
  window->perform(cmd::kMakeBook, nullptr, 0);
  BuildLogWindow& log = f.app->buildLog();
  ASSERT_NE(log.view(), nullptr);
  const QString entries = log.view()->text().toPlainText();
  EXPECT_TRUE(entries.contains("Error: story.tml:4:15: Image \"gone.png\" doesn't exist!")) << entries.toStdString();

  window->document().text().setCaret(0);
  ASSERT_TRUE(clickEntry(log, "story.tml:4:15"));
  EXPECT_EQ(selectedText(*window), "\1");
  EXPECT_EQ(window->document().text().selectionStart(), 8) << "behind the line end, the anchor and \"Look: \"";
  ASSERT_TRUE(clickEntry(log, "story.tml:5:7"));
  EXPECT_EQ(selectedText(*window), "\\Z");
  EXPECT_EQ(log.view()->text().toPlainText(), entries) << "the entries stay for the next click";
}

TEST(LogPlaceFollowingTest, AnEntryOpensItsFileAndFindsItsPlaceAfterEdits) {
  AppFixture f;
  const std::string source = f.writeFile("notes.txt", "First \\Q=\"a\"line\nSecond \\Zline\n");
  SourcePosition place;
  place.file = source;
  place.line = 2;
  place.column = 8;
  BuildLogWindow& log = f.app->buildLog();
  log.addStatus("Writing book...");
  log.add(LogKind::Warning, "Unrecognized tag: \\Z", place);
  log.add(LogKind::Error, "Somewhere else", SourcePosition{source, 1, 7});
  ASSERT_EQ(log.view()->text().toPlainText(),
            "Writing book...\nWarning: notes.txt:2:8: Unrecognized tag: \\Z\nError: notes.txt:1:7: Somewhere else\n");

  ASSERT_TRUE(clickEntry(log, "Unrecognized"));
  ASSERT_EQ(f.app->documents().size(), 1u);
  DocumentWindow& window = *f.app->documents().front();
  EXPECT_EQ(selectedText(window), "\\Z");
  EXPECT_EQ(log.view()->text().toPlainText().count('\n'), 3) << "opening the file kept the entries";

  // Typed since the file was saved: the place moves with its text.
  window.document().text().setCaret(0);
  window.document().text().insertText("New ");
  ASSERT_TRUE(clickEntry(log, "Unrecognized"));
  EXPECT_EQ(f.app->documents().size(), 1u) << "the open window is used";
  EXPECT_EQ(selectedText(window), "\\Z");
  EXPECT_EQ(window.document().text().selectionStart(), 4 + 12 + 7);
  ASSERT_TRUE(clickEntry(log, "Somewhere"));
  EXPECT_EQ(selectedText(window), "\1");
}

}  // namespace
}  // namespace scrivora
