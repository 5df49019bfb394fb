#include "FileDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>

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
    // "*.*" would hide every file without a dot here; all files means all.
    const auto widenAllFiles = [&dialog](const QString& filter) {
      if (filter != QLatin1String(kAllFiles)) return;
      if (auto* model = dialog.findChild<QFileSystemModel*>()) model->setNameFilters({QStringLiteral("*")});
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, widenAllFiles);
    if (!request.filters.isEmpty()) {
      dialog.selectNameFilter(request.filters.front());
      widenAllFiles(request.filters.front());
    }
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
