#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <fstream>

#include "BookReader.h"
#include "BuildProgressWindow.h"
#include "Commands.h"
#include "MakeBook.h"
#include "support/DocumentFileSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;
using test::FileFixture;

const char kTitledStory[] = "\\v\r\nTITLE=\"Story\"\r\n\\v\r\nOnce upon a time.\r\n";

std::string contentsOf(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

QString logText(Application& app) {
  return app.buildLog().view() != nullptr ? app.buildLog().view()->text().toPlainText() : QString();
}

bool bookIsSound(const std::string& path, BookReader& reader) {
  if (!reader.readFile(path)) return false;
  for (const std::string& problem : reader.problems()) ADD_FAILURE() << problem;
  return reader.consistent();
}

TEST(MakeBookTest, BookFileNameRuleIsExactAboutCase) {
  const QString longName(300, QLatin1Char('b'));
  struct Case {
    QString name, book;
  };
  for (const Case& c :
       {Case{"Untitled.tml", "Untitled.tdb"}, Case{"STORY.TML", "STORY.TML.tdb"}, Case{"Story.txt", "Story.tdb"},
        Case{"mybook", "mybook.tdb"}, Case{"mybook.tdb", "mybook.tdb"}, Case{"mybook.TDB", "mybook.TDB.tdb"},
        Case{"tdb", "tdb.tdb"}, Case{".tml", ".tdb"}, Case{"/books.tml/mybook", "/books.tml/mybook.tdb"},
        Case{"/d/story.tml", "/d/story.tdb"}, Case{longName + ".tml", longName.left(251) + ".tdb"}})
    EXPECT_EQ(bookFileNameFor(c.name), c.book) << c.name.toStdString();
}

TEST(MakeBookTest, ASavedDocumentGoesStraightToTheBookDialog) {
  FileFixture f;
  DocumentWindow* window = f.app->openDocument(f.writeFile("story.tml", kTitledStory));
  ASSERT_NE(window, nullptr);
  f.files.answers = {QString::fromStdString(f.path("mybook"))};
  EXPECT_TRUE(window->perform(cmd::kMakeBook, nullptr, 0));
  EXPECT_TRUE(f.presenter_.shown.empty()) << "no question and no summary box";
  ASSERT_EQ(f.files.shown.size(), 1u);
  EXPECT_EQ(f.files.shown[0].proposedName.toStdString(), f.path("story.tdb"));
  EXPECT_EQ(f.files.shown[0].filters, QStringList{"Tolm eBook (*.tdb)"});
  BookReader reader;
  EXPECT_TRUE(bookIsSound(f.path("mybook.tdb"), reader));  // the chosen name takes the extension
  EXPECT_NE(reader.contents().text.find("Once upon a time."), std::string::npos);
  EXPECT_TRUE(logText(*f.app).contains("Writing book <Story> from file <story.tml>..."));
}

// Notes what the TML file held when the book dialog came.
class BookDialogWatcher : public FileDialogPresenter {
 public:
  BookDialogWatcher(RecordingFileDialogPresenter& answers, std::string source) : answers_(answers), source_(source) {}
  QString choose(const FileDialogRequest& request, QWidget* owner) override {
    if (request.filters == QStringList{"Tolm eBook (*.tdb)"}) sourceAtBookDialog = contentsOf(source_);
    return answers_.choose(request, owner);
  }
  std::string sourceAtBookDialog;

 private:
  RecordingFileDialogPresenter& answers_;
  std::string source_;
};

TEST(MakeBookTest, UnsavedChangesAreSavedBeforeTheBookDialog) {
  FileFixture f;
  const std::string source = f.writeFile("story.tml", kTitledStory);
  DocumentWindow* window = f.app->openDocument(source);
  ASSERT_NE(window, nullptr);
  AppFixture::activate(*window);
  QTest::keyClicks(&window->view(), "Fresh words. ");
  BookDialogWatcher watcher(f.files, source);
  ScopedFileDialogPresenter watching(watcher);

  f.presenter_.answers = {AlertAnswer::Cancel};
  EXPECT_FALSE(window->perform(cmd::kMakeBook, nullptr, 0));
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  const AlertBox& question = f.presenter_.shown[0];
  EXPECT_EQ(question.caption(), "Warning");
  EXPECT_EQ(question.buttons, AlertButtons::OkCancel);
  EXPECT_EQ(question.text(),
            "Do you want to save changes to \"story.tml\" and make the book?\n\nThe TML file must be saved to disk "
            "before you can make a book.");
  EXPECT_TRUE(f.files.shown.empty());
  EXPECT_EQ(contentsOf(source), kTitledStory);

  f.files.answers = {QString::fromStdString(f.path("story.tdb"))};
  EXPECT_TRUE(window->perform(cmd::kMakeBook, nullptr, 0));
  EXPECT_NE(watcher.sourceAtBookDialog.find("Fresh words."), std::string::npos);
  EXPECT_FALSE(window->document().modified());
  BookReader reader;
  ASSERT_TRUE(bookIsSound(f.path("story.tdb"), reader));
  EXPECT_NE(reader.contents().text.find("Fresh words."), std::string::npos);
}

TEST(MakeBookTest, CancelStopsTheBuildAndLeavesThePreviousBook) {
  FileFixture f;
  const std::string source = f.writeFile("big.tml", kTitledStory);
  const std::string book = f.writeFile("big.tdb", "the previous book");
  DocumentWindow* window = f.app->openDocument(source);
  ASSERT_NE(window, nullptr);
  // The book is made from the file, which grows behind the editor's back
  // into one that takes a while to build.
  {
    std::ofstream out(source, std::ios::binary | std::ios::app);
    for (int i = 0; i < 80000; ++i)
      out << "Paragraph " << i << " of a long book, with \\bbold\\b and \\iitalic\\i words.\r\n";
  }
  f.files.answers = {QString::fromStdString(book)};

  // Cancels as a user would, once the bar has moved.
  QString title, caption, name;
  int percentAtCancel = -1;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<BuildProgressWindow*>(widget);
      if (progress == nullptr || !progress->isVisible() || progress->bar().value() == 0) continue;
      title = progress->windowTitle();
      caption = progress->caption().text();
      name = progress->bookName().text();
      percentAtCancel = progress->bar().value();
      progress->cancelButton().click();
      watch.stop();
    }
  });
  watch.start(5);
  EXPECT_FALSE(window->perform(cmd::kMakeBook, nullptr, 0));
  EXPECT_EQ(title, "Building Books");
  EXPECT_EQ(caption, "Compressing:");
  EXPECT_EQ(name, "big.tdb");
  EXPECT_GT(percentAtCancel, 0);
  EXPECT_LT(percentAtCancel, 100);
  EXPECT_EQ(contentsOf(book), "the previous book");
  EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList{"Scrivora.conf", "big.tdb", "big.tml"}));
  EXPECT_TRUE(logText(*f.app).contains("Book build cancelled."));
  AppFixture::settle();
  for (QWidget* widget : QApplication::topLevelWidgets())
    EXPECT_EQ(qobject_cast<BuildProgressWindow*>(widget), nullptr) << "the progress window is gone";
}

TEST(MakeBookTest, ACorpusPageOpensSavesAndBuildsIntoASoundBook) {
  const std::string page = SCRIVORA_CORPUS_DIR "/books/pride-and-prejudice.html";
  if (!QFile::exists(QString::fromStdString(page))) GTEST_SKIP() << "the corpus is missing: " << page;
  FileFixture f;
  ASSERT_TRUE(f.app->perform(cmd::kOpen, &page, 0));
  DocumentWindow& window = *f.app->documents().front();
  EXPECT_FALSE(window.document().hasFile());
  f.titles.titles = {"Pride and Prejudice"};
  f.files.answers = {QString::fromStdString(f.path("pride")), QString::fromStdString(f.path("pride"))};
  ASSERT_TRUE(window.perform(cmd::kSave, nullptr, 0));
  EXPECT_EQ(window.windowTitle(), "pride.tml");
  ASSERT_TRUE(window.perform(cmd::kMakeBook, nullptr, 0)) << logText(*f.app).toStdString();
  EXPECT_EQ(f.files.shown.back().proposedName.toStdString(), f.path("pride.tdb"));
  BookReader reader;
  ASSERT_TRUE(bookIsSound(f.path("pride.tdb"), reader));
  EXPECT_NE(reader.contents().text.find("Elizabeth"), std::string::npos);
  EXPECT_FALSE(reader.contents().chapters.empty());
  EXPECT_FALSE(logText(*f.app).contains("Error: "));
}

}  // namespace
}  // namespace scrivora
