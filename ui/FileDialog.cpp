#include "FileDialog.h"

#include <QApplication>
#include <QFileDialog>

namespace scrivora {

namespace {

const char kAllFiles[] = "All Files (*.*)";
constexpr size_t kAllFilesFirstFrom = 5;

QString filterOf(const FileTypeSpec& type) {
  return QStringLiteral("%1 (*%2)").arg(QString::fromLatin1(type.description), QString::fromLatin1(type.extension));
}

class QtFileDialogPresenter : public FileDialogPresenter {
 public:
  QString choose(const FileDialogRequest& request, QWidget* owner) override {
    QFileDialog dialog(owner, request.caption);
    // One look on every desktop, and a file-name field that takes a typed
    // full path.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty()) dialog.selectNameFilter(request.filters.front());
    if (request.mode == FileDialogMode::Save) {
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      if (!request.proposedName.isEmpty()) dialog.selectFile(request.proposedName);
    } else {
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
  }
};

QtFileDialogPresenter qtPresenter;
FileDialogPresenter* currentPresenter = &qtPresenter;

}  // namespace

QStringList fileDialogFilters(const std::vector<FileTypeSpec>& types, FileDialogMode mode) {
  QStringList filters;
  for (const FileTypeSpec& type : types) filters << filterOf(type);
  if (mode == FileDialogMode::Open) {
    if (types.size() >= kAllFilesFirstFrom)
      filters.prepend(QString::fromLatin1(kAllFiles));
    else
      filters.append(QString::fromLatin1(kAllFiles));
  }
  return filters;
}

QString runFileDialog(const FileDialogRequest& request, QWidget* owner) {
  return currentPresenter->choose(request, owner != nullptr ? owner : QApplication::activeWindow());
}

ScopedFileDialogPresenter::ScopedFileDialogPresenter(FileDialogPresenter& presenter) : previous_(currentPresenter) {
  currentPresenter = &presenter;
}

ScopedFileDialogPresenter::~ScopedFileDialogPresenter() { currentPresenter = previous_; }

}  // namespace scrivora
