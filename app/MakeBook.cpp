#include "MakeBook.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include "AlertBox.h"
#include "BookBuildWorker.h"
#include "BuildLogWindow.h"
#include "BuildProgressWindow.h"
#include "DocumentSaving.h"
#include "DocumentWindow.h"
#include "EditorText.h"

namespace scrivora {

namespace {

constexpr int kMaxNameBytesBeforeExtension = 251;
// How often the bar follows the build: smooth to the eye, and cheap beside
// the build however fast it runs.
constexpr int kProgressIntervalMs = 40;

// Whether the book would miss something unless the document is saved first:
// its changes, its title, or a file at all.
bool mustSaveFirst(const EditorDocument& document) {
  return document.modified() || !document.hasTitle() || !document.hasFile();
}

bool askToSave(DocumentWindow& window) {
  const AlertBox question{
      AlertKind::Warning,
      QStringLiteral("Do you want to save changes to \"%1\" and make the book?").arg(window.document().name()),
      QStringLiteral("The TML file must be saved to disk before you can make a book."), AlertButtons::OkCancel};
  return showAlert(question, &window) == AlertAnswer::Ok;
}

QString chooseBookFile(DocumentWindow& window) {
  const EditorDocument& document = window.document();
  const QString proposed = bookFileNameFor(document.name());
  FileDialogRequest request;
  request.mode = FileDialogMode::Save;
  request.caption = QStringLiteral("Make Book");
  request.filters = fileDialogFilters(bookFileTypes(), FileDialogMode::Save);
  request.proposedName =
      document.hasFile() ? QFileInfo(QString::fromStdString(document.path())).dir().filePath(proposed) : proposed;
  const QString chosen = runFileDialog(request, &window);
  return chosen.isEmpty() ? chosen : bookFileNameFor(chosen);
}

// One build behind the progress window; the window goes when the build ends.
bool build(DocumentWindow& window, const QString& bookFile, BuildLogWindow& log) {
  BookBuildWorker worker(window.document().path(), bookFile.toStdString(), window.document().bookInfo());
  BuildProgressWindow progress(QFileInfo(bookFile).fileName(), &window);
  progress.bookName().setToolTip(bookFile);
  QTimer bar;
  QObject::connect(&bar, &QTimer::timeout, &progress, [&] { progress.setPercent(worker.percent()); });
  QObject::connect(
      &worker, &BookBuildWorker::reported, &worker,
      [&log](LogKind kind, const QString& message, const SourcePosition& place) { log.add(kind, message, place); });
  QObject::connect(&progress, &BuildProgressWindow::cancelRequested, &worker, &BookBuildWorker::cancel);
  progress.show();
  progress.repaint();
  worker.start();
  bar.start(kProgressIntervalMs);
  const bool written = worker.waitForEnd();
  progress.hide();
  return written;
}

}  // namespace

const std::vector<FileTypeSpec>& bookFileTypes() {
  static const std::vector<FileTypeSpec> types = {{".tdb", fourCC("TDB "), "Tolm eBook"}};
  return types;
}

QString bookFileNameFor(const QString& name) {
  const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
  const QString folder = name.left(slash + 1);
  QString file = name.mid(slash + 1);
  if (file.size() >= 4 && file.endsWith(QLatin1String(".tdb"))) return name;
  if (file.size() >= 4 && (file.endsWith(QLatin1String(".txt")) || file.endsWith(QLatin1String(".tml")))) file.chop(4);
  while (file.toUtf8().size() > kMaxNameBytesBeforeExtension) file.chop(file.back().isLowSurrogate() ? 2 : 1);
  return folder + file + QStringLiteral(".tdb");
}

bool makeBook(DocumentWindow& window, BuildLogWindow& log) {
  // A shortcut that arrives while a build runs starts no second one.
  static bool building = false;
  if (building) return false;
  EditorDocument& document = window.document();
  if (mustSaveFirst(document)) {
    if (!askToSave(window)) return false;
    if (!saveDocument(window, !document.writable())) return false;
  }
  const QString bookFile = chooseBookFile(window);
  if (bookFile.isEmpty()) return false;
  building = true;
  const bool written = build(window, bookFile, log);
  building = false;
  return written;
}

}  // namespace scrivora
