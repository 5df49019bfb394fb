// A book written only through the program's commands and dialogs is saved,
// compiled, and read back with its chapters, links and images.

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "BookBuilder.h"
#include "BookReader.h"
#include "BuildLog.h"
#include "Commands.h"
#include "DialogDriver.h"
#include "ObjectDialogs.h"
#include "TmlWriter.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;

TEST(BookByCommandsTest, ABookMadeThroughCommandsCompilesWithItsChaptersLinksAndImages) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  TextDocumentModel& text = window.document().text();
  ScriptedDialogDriver driver;
  ScopedDialogDriver scope(driver);

  QImage picture(8, 6, QImage::Format_Grayscale8);
  picture.fill(200);
  const QString pictureFile = f.dir.filePath("pictures/Map.png");
  ASSERT_TRUE(QDir().mkpath(f.dir.filePath("pictures")));
  ASSERT_TRUE(picture.save(pictureFile, "PNG"));

  // Positions from the plain text, where paragraph ends read as '\n'.
  auto select = [&](const char* word) {
    const int at = int(text.document()->toPlainText().indexOf(QString::fromLatin1(word)));
    text.setSelection(at, at + int(strlen(word)));
  };
  auto caretBefore = [&](const char* word) {
    text.setCaret(int(text.document()->toPlainText().indexOf(QString::fromLatin1(word))));
  };
  auto fieldAnswer = [&](const char* value) {
    driver.fill = [value](QDialog& dialog) {
      if (auto* single = dynamic_cast<SingleFieldDialog*>(&dialog)) single->field().setText(value);
      dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
  };
  auto dispatch = [&](Command command) { return window.perform(command, nullptr, 0); };

  // Written first, then marked up, as an author types and then formats.
  text.insertText(QStringLiteral("Beginning\rThe river, as the map shows.\r\rSecond part\rBack to the ford.\r"));
  select("Beginning");
  ASSERT_TRUE(dispatch(cmd::kChapter));
  caretBefore("map");
  fieldAnswer(nullptr);
  EXPECT_FALSE(dispatch(cmd::kCreateAnchor));  // no name from an empty selection: refused
  fieldAnswer("the \"old\" ford\\");
  ASSERT_TRUE(dispatch(cmd::kCreateAnchor));
  caretBefore("\nSecond");
  driver.choose = [&](const QString&) { return pictureFile; };
  ASSERT_TRUE(dispatch(cmd::kInsertImage));
  select("Second part");
  ASSERT_TRUE(dispatch(cmd::kHeading1));
  caretBefore("ford.");
  fieldAnswer("40");
  ASSERT_TRUE(dispatch(cmd::kInsertTab));
  select("ford.");
  text.setSelection(text.selectionStart(), text.selectionEnd() - 1);
  driver.fill = [](QDialog& dialog) {
    auto& link = dynamic_cast<LinkDialog&>(dialog);
    link.anchorList().setCurrentRow(0);
    link.okButton()->click();
  };
  ASSERT_TRUE(dispatch(cmd::kCreateLink));
  text.setCaret(text.length());
  fieldAnswer("60");
  ASSERT_TRUE(dispatch(cmd::kInsertRule));
  fieldAnswer("checked by the editor");
  ASSERT_TRUE(dispatch(cmd::kInsertComment));

  const std::string source = f.dir.filePath("river.tml").toStdString();
  std::string why;
  ASSERT_TRUE(saveTml(text, &window.document().bookInfo(), source, &why)) << why;

  CollectingLogSink log;
  ScopedLogSink logScope(log);
  BookInfo info;
  info.title = "River";
  const std::string book = f.dir.filePath("river.tdb").toStdString();
  ASSERT_TRUE(buildBook(source, book, info));
  for (const LogMessage& message : log.messages) EXPECT_NE(message.kind, LogKind::Error) << message.text;

  BookReader reader;
  ASSERT_TRUE(reader.readFile(book));
  EXPECT_TRUE(reader.consistent());
  const BookContents& contents = reader.contents();
  ASSERT_EQ(contents.chapters.size(), 2u);
  EXPECT_EQ(contents.chapters[0].title, "Beginning");
  EXPECT_EQ(contents.chapters[1].title, "    Second part");
  ASSERT_EQ(contents.links.size(), 1u);
  EXPECT_EQ(contents.links[0].name, "the _old_ ford_");
  EXPECT_NE(contents.links[0].target, kUndefinedLinkTarget);
  ASSERT_EQ(contents.images.size(), 1u);
  EXPECT_EQ(contents.images[0].name, "Map.png");
  EXPECT_EQ(contents.images[0].width, 8);
}

}  // namespace
}  // namespace scrivora
