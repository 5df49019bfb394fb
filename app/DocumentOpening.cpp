#include "DocumentOpening.h"

#include <QFileInfo>

#include "AlertBox.h"
#include "DocumentWindow.h"

namespace scrivora {

namespace {

const char kUnknownFailure[] = "An unknown error occurred opening the file.";

// Where the file is, as the file system names it once links are followed; a
// file that does not exist keeps its absolute path.
QString canonicalPathOf(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

const std::vector<FileTypeSpec>& openFileTypes() {
  static const std::vector<FileTypeSpec> types = {
      {".tml", fourCC("TEXT"), "Tolm Markup Language"},
      {".txt", fourCC("TEXT"), "Text"},
      {".rtf", fourCC("RTF "), "Rich Text"},
      {".html", fourCC("TEXT"), "HyperText Markup Language"},
      {".htm", fourCC("TEXT"), "HyperText Markup Language"},
      {".epub", fourCC("EPUB"), "EPUB Book"},
  };
  return types;
}

std::string chooseFileToOpen(QWidget* owner) {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.caption = QStringLiteral("Open");
  request.filters = fileDialogFilters(openFileTypes(), FileDialogMode::Open);
  return runFileDialog(request, owner).toStdString();
}

DocumentWindow* windowWithFile(const std::list<DocumentWindow*>& windows, const std::string& path) {
  const QString wanted = canonicalPathOf(path);
  for (DocumentWindow* window : windows)
    if (window->document().hasFile() && canonicalPathOf(window->document().path()) == wanted) return window;
  return nullptr;
}

void reportLoadResult(const DocumentOpenResult& result, QWidget* owner) {
  const QString message = QString::fromStdString(result.message);
  const QString detail = QString::fromStdString(result.detail);
  switch (result.status) {
    case DocumentLoadStatus::Loaded: return;
    case DocumentLoadStatus::NotWritable:
      showAlert({AlertKind::Note, message, detail, AlertButtons::Ok}, owner);
      return;
    case DocumentLoadStatus::ReadFailed:
      showAlert({AlertKind::Error, message, detail, AlertButtons::Ok}, owner);
      return;
    default:
      showAlert({AlertKind::Error, QString::fromLatin1(kUnknownFailure), detail, AlertButtons::Ok}, owner);
      return;
  }
}

bool opensWhenDropped(const QString& path) {
  for (const char* extension : {".txt", ".tml", ".htm", ".html", ".rtf", ".epub"})
    if (path.endsWith(QLatin1String(extension), Qt::CaseInsensitive)) return true;
  return false;
}

}  // namespace scrivora
