#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "BookInfoDialog.h"
#include "Commands.h"
#include "DocumentOpening.h"
#include "DocumentSaving.h"
#include "support/DocumentFileSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;
using test::FileFixture;

std::string contentsOf(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<unreadable>");
}

void type(DocumentWindow& window, const char* text) {
  AppFixture::activate(window);
  QTest::keyClicks(&window.view(), QString::fromLatin1(text));
}

// A file nobody may change: read-only, and immutable too where the test runs
// as root, who may write any file whatever its mode.
class LockedFile {
 public:
  explicit LockedFile(const std::string& path) : path_(path) {
    ::chmod(path.c_str(), 0444);
    if (::geteuid() == 0) locked_ = setImmutable(true);
  }
  ~LockedFile() {
    if (locked_) setImmutable(false);
  }
  bool usable() const { return ::geteuid() != 0 || locked_; }

 private:
  bool setImmutable(bool on) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
  }
  std::string path_;
  bool locked_ = false;
};

// Drags the data onto the widget and drops it there, as the user would;
// whether the drop was accepted.
bool dragAndDrop(QWidget& target, const QMimeData& data) {
  const QPoint at(5, 5);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &drop);
  return drop.isAccepted();
}

TEST(DocumentFilesTest, OpenReadsEachKindOfFileItsOwnWay) {
  FileFixture f;
  EXPECT_FALSE(f.app->perform(cmd::kOpen, nullptr, 0));  // the dialog was cancelled
  ASSERT_EQ(f.files.shown.size(), 1u);
  EXPECT_EQ(f.files.shown[0].mode, FileDialogMode::Open);
  EXPECT_EQ(f.files.shown[0].filters,
            (QStringList{"All Files (*.*)", "Tolm Markup Language (*.tml)", "Text (*.txt)", "Rich Text (*.rtf)",
                         "HyperText Markup Language (*.html)", "HyperText Markup Language (*.htm)",
                         "EPUB Book (*.epub)"}));
  EXPECT_EQ(fileDialogFilters({openFileTypes()[0]}, FileDialogMode::Open),
            (QStringList{"Tolm Markup Language (*.tml)", "All Files (*.*)"}));
  EXPECT_TRUE(f.app->documents().empty());

  const std::string text = f.writeFile("story.TXT", "Plain \\bstory\\b.");
  f.files.answers = {QString::fromStdString(text)};
  ASSERT_TRUE(f.app->perform(cmd::kOpen, nullptr, 0));
  DocumentWindow& story = *f.app->documents().front();
  EXPECT_EQ(story.windowTitle(), "story.TXT");
  EXPECT_EQ(story.document().path(), text);
  EXPECT_FALSE(story.document().modified());
  EXPECT_EQ(story.view().toPlainText(), "Plain story.");

  // Imports open untitled and modified, without a box.
  for (const auto& [name, contents] : {std::pair{"page.HTML", "<title>Home</title><p>Dear <b>you</b>"},
                                       std::pair{"letter.rtf", "{\\rtf1 Dear {\\i reader}}"}}) {
    DocumentWindow* imported = f.app->openDocument(f.writeFile(name, contents));
    ASSERT_NE(imported, nullptr) << name;
    EXPECT_FALSE(imported->document().hasFile()) << name;
    EXPECT_TRUE(imported->document().modified()) << name;
    EXPECT_EQ(imported->windowTitle(), untitledName(imported->document().untitledNumber())) << name;
    EXPECT_TRUE(imported->view().toPlainText().contains("Dear")) << name;
  }
  EXPECT_TRUE(f.presenter_.shown.empty());

  EXPECT_EQ(f.app->openDocument(f.path("missing.tml")), nullptr);
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].kind, AlertKind::Error);
  EXPECT_EQ(f.presenter_.shown[0].message, "An error occurred while reading the file from disk.");
  EXPECT_EQ(f.presenter_.shown[0].detail.toStdString(), f.path("missing.tml") + ": No such file or directory");
  EXPECT_EQ(f.app->documents().size(), 3u);
}

TEST(DocumentFilesTest, TheOpenDialogsAllFilesShowsFilesWithoutAnExtension) {
  AppFixture f;  // the program's own file dialog, no queue
  QStringList shownFilters;
  QString selected;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      selected = dialog->selectedNameFilter();
      if (auto* model = dialog->findChild<QFileSystemModel*>()) shownFilters = model->nameFilters();
      dialog->reject();
    }
  });
  EXPECT_TRUE(chooseFileToOpen().empty());
  EXPECT_EQ(selected, "All Files (*.*)");
  EXPECT_EQ(shownFilters, QStringList{"*"});
}

TEST(DocumentFilesTest, AFileOpenedThroughALinkIsFoundOpen) {
  FileFixture f;
  const std::string target = f.writeFile("story.tml", "Text.");
  const std::string link = f.path("link.tml");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  DocumentWindow* first = f.app->openDocument(target);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(f.app->openDocument(link), first);
  EXPECT_EQ(f.app->documents().size(), 1u);
}

TEST(DocumentFilesTest, TmlNameRuleAppendsTheExtensionWithinTheNameLimit) {
  const QString longName(300, QLatin1Char('a'));
  struct Case {
    QString chosen, saved;
  };
  for (const Case& c :
       {Case{"/d/notes", "/d/notes.tml"}, Case{"/d/notes.txt", "/d/notes.txt"}, Case{"/d/NOTES.TML", "/d/NOTES.TML"},
        Case{"/d/ab", "/d/ab.tml"}, Case{"/d/.tml", "/d/.tml"}, Case{"/d/page.html", "/d/page.html.tml"},
        Case{"/d.tml/x", "/d.tml/x.tml"}, Case{"/d/" + longName, "/d/" + longName.left(251) + ".tml"}})
    EXPECT_EQ(tmlFileNameFor(c.chosen), c.saved) << c.chosen.toStdString();
  // A name of many-byte characters is cut on a character, within 251 bytes.
  const QString cut = tmlFileNameFor(QString(200, QChar(0x00E9)));
  EXPECT_EQ(cut, QString(125, QChar(0x00E9)) + ".tml");
}

TEST(DocumentFilesTest, SavingAsksForATitleAndANameThenWritesTml) {
  FileFixture f;
  DocumentWindow& window = *f.app->newDocument();
  type(window, "Chapter text");
  const QString untitled = window.windowTitle();

  // No title: the title-required dialog comes first; cancelling it writes nothing.
  EXPECT_FALSE(window.perform(cmd::kSave, nullptr, 0));
  EXPECT_EQ(f.titles.forms, std::deque<BookInfoForm>{BookInfoForm::TitleRequired});
  EXPECT_TRUE(f.files.shown.empty());

  // With a title, an untitled document asks for a name; cancelling writes nothing.
  f.titles.titles = {"Notes"};
  EXPECT_FALSE(window.perform(cmd::kSave, nullptr, 0));
  ASSERT_EQ(f.files.shown.size(), 1u);
  EXPECT_EQ(f.files.shown[0].mode, FileDialogMode::Save);
  EXPECT_EQ(f.files.shown[0].proposedName, untitled);
  EXPECT_EQ(f.files.shown[0].filters, QStringList{"Tolm Markup Language (*.tml)"});
  EXPECT_TRUE(window.document().modified());
  EXPECT_TRUE(QDir(f.dir.path()).entryList(QDir::Files).filter(".tml").isEmpty());

  f.files.answers = {QString::fromStdString(f.path("notes"))};
  ASSERT_TRUE(window.perform(cmd::kSave, nullptr, 0));
  EXPECT_EQ(window.windowTitle(), "notes.tml");
  EXPECT_FALSE(window.document().modified());
  EXPECT_FALSE(window.document().textDocument().isUndoAvailable());
  EXPECT_FALSE(window.commandEnabled(cmd::kSave));
  const std::string saved = contentsOf(f.path("notes.tml"));
  EXPECT_NE(saved.find("TITLE=\"Notes\""), std::string::npos);
  EXPECT_NE(saved.find("Chapter text"), std::string::npos);

  // Save As proposes the file and keeps a .txt name.
  f.files.answers = {QString::fromStdString(f.path("notes.txt"))};
  ASSERT_TRUE(window.perform(cmd::kSaveAs, nullptr, 0));
  EXPECT_EQ(f.files.shown.back().proposedName.toStdString(), f.path("notes.tml"));
  EXPECT_EQ(window.windowTitle(), "notes.txt");
  EXPECT_EQ(contentsOf(f.path("notes.txt")), saved);

  // A confirmed Edit Book Info (from the Book menu) modifies the document; a
  // cancelled one does not.
  EXPECT_FALSE(window.perform(cmd::kEditBookInfo, nullptr, 0));
  EXPECT_FALSE(window.document().modified());
  f.titles.titles = {"Other"};
  EXPECT_TRUE(window.perform(cmd::kEditBookInfo, nullptr, 0));
  EXPECT_TRUE(window.document().modified());
  EXPECT_EQ(window.document().bookInfo().title, "Other");
}

TEST(DocumentFilesTest, AFailedSaveKeepsTheChangesAndTheOldFile) {
  FileFixture f;
  const std::string path = f.writeFile("locked.tml", "Old text.");
  LockedFile lock(path);
  if (!lock.usable()) GTEST_SKIP() << "this file system cannot make a file unwritable for root";
  DocumentWindow* window = f.app->openDocument(path);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].kind, AlertKind::Note);
  EXPECT_EQ(f.presenter_.shown[0].text(),
            "The file is not writable.\n\nChanges will have to be saved to a different file.");
  EXPECT_FALSE(window->document().writable());
  window->document().setBookInfo(BookInfo{"Title", "", "", "", ""});
  type(*window, "New ");
  EXPECT_FALSE(window->commandEnabled(cmd::kSave));

  // Closing with a save needs another name: the dialog comes, and cancelling
  // it keeps the window.
  EXPECT_FALSE(window->requestClose(1));
  EXPECT_EQ(f.files.shown.size(), 1u);

  struct Case {
    const char* name;
    std::string target;  // empty: the document's own file
  };
  for (const Case& c : {Case{"own file", ""}, Case{"folder gone", f.path("gone/notes.tml")}}) {
    f.presenter_.shown.clear();
    if (!c.target.empty()) f.files.answers = {QString::fromStdString(c.target)};
    EXPECT_FALSE(saveDocument(*window, !c.target.empty())) << c.name;
    ASSERT_EQ(f.presenter_.shown.size(), 1u) << c.name;
    const AlertBox& box = f.presenter_.shown[0];
    EXPECT_EQ(box.kind, AlertKind::Error);
    EXPECT_TRUE(box.message.contains(QString::fromStdString(c.target.empty() ? path : c.target))) << c.name;
    EXPECT_FALSE(box.detail.isEmpty()) << c.name;
    EXPECT_TRUE(window->document().modified()) << c.name;
    EXPECT_TRUE(window->document().textDocument().isUndoAvailable()) << c.name;
    EXPECT_EQ(window->document().path(), path) << c.name;
    EXPECT_EQ(window->windowTitle(), "locked.tml") << c.name;
    EXPECT_EQ(contentsOf(path), "Old text.") << c.name;
  }
}

TEST(DocumentFilesTest, CloseQueryAsksOnlyForAModifiedDocument) {
  struct Case {
    const char* name;
    bool modified;
    int mode;
    std::deque<AlertAnswer> answers;
    bool prompted, closed, saved;
  };
  const Case cases[] = {
      {"unmodified", false, 0, {}, false, true, false},
      {"yes saves", true, 0, {AlertAnswer::Yes}, true, true, true},
      {"no discards", true, 0, {AlertAnswer::No}, true, true, false},
      {"cancel keeps", true, 0, {AlertAnswer::Cancel}, true, false, false},
      {"mode 1 saves", true, 1, {}, false, true, true},
      {"mode 2 discards", true, 2, {}, false, true, false},
  };
  for (const Case& c : cases) {
    FileFixture f;
    const std::string path = f.writeFile("story.tml", "\\v\r\nTITLE=\"Story\"\r\n\\v\r\nText.");
    DocumentWindow* window = f.app->openDocument(path);
    ASSERT_NE(window, nullptr);
    if (c.modified) type(*window, "More ");
    f.presenter_.answers = c.answers;
    EXPECT_EQ(window->requestClose(c.mode), c.closed) << c.name;
    AppFixture::settle();
    EXPECT_EQ(f.app->documents().size(), c.closed ? 0u : 1u) << c.name;
    ASSERT_EQ(f.presenter_.shown.size(), c.prompted ? 1u : 0u) << c.name;
    if (c.prompted) {
      const AlertBox& prompt = f.presenter_.shown[0];
      EXPECT_EQ(prompt.caption(), "Quarro Editor");
      EXPECT_EQ(prompt.kind, AlertKind::Warning);
      EXPECT_EQ(prompt.buttons, AlertButtons::YesNoCancel);
      EXPECT_EQ(prompt.text(), "Do you want to save the changes you made to story.tml?\n");
    }
    EXPECT_EQ(contentsOf(path).find("More") != std::string::npos, c.saved) << c.name;
  }

  // Quit goes through the same query and stops where it is refused.
  FileFixture f;
  DocumentWindow* window = f.app->newDocument();
  type(*window, "x");
  f.presenter_.answers = {AlertAnswer::Cancel};
  EXPECT_FALSE(f.app->perform(cmd::kQuit, nullptr, 0));
  EXPECT_EQ(f.app->documents().size(), 1u);
}

TEST(DocumentFilesTest, RevertReloadsTheFileAfterAWarning) {
  FileFixture f;
  const std::string path = f.writeFile("story.tml", "\\v\r\nTITLE=\"Story\"\r\n\\v\r\nSaved text.");
  DocumentWindow* window = f.app->openDocument(path);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->commandEnabled(cmd::kRevert));
  const QString saved = window->view().toPlainText();
  type(*window, "Typed ");
  window->document().bookInfo().title = "Changed";
  ASSERT_TRUE(window->commandEnabled(cmd::kRevert));

  f.presenter_.answers = {AlertAnswer::Cancel};
  EXPECT_FALSE(window->perform(cmd::kRevert, nullptr, 0));
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].caption(), "Warning");
  EXPECT_EQ(f.presenter_.shown[0].buttons, AlertButtons::OkCancel);
  EXPECT_EQ(f.presenter_.shown[0].text(),
            "Revert changes to \"story.tml\".\n\nReverting file\"story.tml\" will discard all changes made since you "
            "last saved it. Do you want to discard all changes to this file?");
  EXPECT_EQ(window->view().toPlainText(), "Typed " + saved);

  EXPECT_TRUE(window->perform(cmd::kRevert, nullptr, 0));
  EXPECT_EQ(window->view().toPlainText(), saved);
  EXPECT_EQ(window->document().bookInfo().title, "Story");
  EXPECT_TRUE(window->document().modified());  // Save stays enabled
  EXPECT_FALSE(window->commandEnabled(cmd::kRevert));

  // A file that has gone costs the author nothing on screen.
  type(*window, "Kept ");
  ASSERT_EQ(::unlink(path.c_str()), 0);
  f.presenter_.shown.clear();
  EXPECT_FALSE(window->perform(cmd::kRevert, nullptr, 0));
  ASSERT_EQ(f.presenter_.shown.size(), 2u);
  EXPECT_EQ(f.presenter_.shown[1].message, "An error occurred while reading the file from disk.");
  EXPECT_EQ(window->view().toPlainText(), "Kept " + saved);
}

TEST(DocumentFilesTest, DroppedDocumentsOpenAndOtherFilesAreTheViewsDrop) {
  FileFixture f;
  const std::string open = f.writeFile("open.tml", "Already open.");
  DocumentWindow* window = f.app->openDocument(open);
  ASSERT_NE(window, nullptr);
  const std::string page = f.writeFile("page.HTM", "<p>Page");
  const std::string picture = f.writeFile("picture.png", "not really a png");

  // Sees every drop that reaches the view's viewport: the user's, and the one
  // the opener hands on with the files it does not open.
  struct Spy : QObject {
    std::vector<QList<QUrl>> drops;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Drop) drops.push_back(static_cast<QDropEvent*>(e)->mimeData()->urls());
      return false;
    }
  } spy;
  QWidget* viewport = window->view().viewport();
  viewport->installEventFilter(&spy);
  const QUrl pictureUrl = QUrl::fromLocalFile(QString::fromStdString(picture));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(open)), QUrl::fromLocalFile(QString::fromStdString(page)),
                pictureUrl});
  EXPECT_TRUE(dragAndDrop(*viewport, data));
  // Two new documents (the open file again, without the check) and no box.
  EXPECT_EQ(f.app->documents().size(), 3u);
  EXPECT_TRUE(f.presenter_.shown.empty());
  QStringList titles;
  for (DocumentWindow* w : f.app->documents()) titles << w->windowTitle();
  EXPECT_EQ(titles.count("open.tml"), 2);
  ASSERT_EQ(spy.drops.size(), 2u);
  EXPECT_EQ(spy.drops[1], QList<QUrl>{pictureUrl});

  // A picture alone is the view's drop and opens nothing.
  QMimeData pictureOnly;
  pictureOnly.setUrls({pictureUrl});
  dragAndDrop(*viewport, pictureOnly);
  EXPECT_EQ(f.app->documents().size(), 3u);
  EXPECT_EQ(spy.drops.size(), 3u);
  viewport->removeEventFilter(&spy);
}

TEST(BookInfoDialogTest, OkFollowsTheTitleAndOnlyConfirmedChangesCount) {
  const BookInfo original{"", "Austen", "", "978-0", "1813"};
  BookInfoDialog dialog(original, BookInfoForm::Normal);
  EXPECT_EQ(dialog.windowTitle(), "Edit Book Info");
  EXPECT_EQ(dialog.authorField().text(), "Austen");
  EXPECT_EQ(dialog.copyrightField().text(), "1813");
  EXPECT_FALSE(dialog.okButton().isEnabled());
  EXPECT_FALSE(dialog.explanation().font().bold());
  dialog.titleField().insert(QString::fromUtf8("Caf\u00e9"));
  EXPECT_TRUE(dialog.okButton().isEnabled());
  EXPECT_EQ(dialog.info().title, "Caf\xe9");  // Windows-1252, as in TML
  dialog.publisherField().insert(QStringLiteral("A"));
  dialog.publisherField().insert(QString::fromUtf8("\u0416"));  // refused: not in the code page
  dialog.publisherField().insert(QStringLiteral("B"));
  EXPECT_EQ(dialog.info().publisher, "AB");
  dialog.publisherField().setText(QString(300, QLatin1Char('p')));
  EXPECT_EQ(dialog.info().publisher.size(), 255u);
  EXPECT_EQ(dialog.info().eisbn, "978-0");
  dialog.titleField().clear();
  EXPECT_FALSE(dialog.okButton().isEnabled());

  BookInfoDialog required(original, BookInfoForm::TitleRequired);
  EXPECT_TRUE(required.explanation().font().bold());
}

}  // namespace
}  // namespace scrivora
