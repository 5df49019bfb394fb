#include "DialogDriver.h"

#include <QFileDialog>

namespace scrivora {

namespace {
DialogDriver* installedDriver = nullptr;
}  // namespace

bool runDialog(QDialog& dialog) {
  if (installedDriver != nullptr) return installedDriver->run(dialog);
  return dialog.exec() == QDialog::Accepted;
}

QString chooseOpenFile(QWidget* owner, const QString& caption, const QString& proposed, const QString& filter) {
  if (installedDriver != nullptr) return installedDriver->chooseOpenFile(owner, caption, proposed, filter);
  QFileDialog chooser(owner, caption, proposed, filter);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(QFileDialog::ExistingFile);
  chooser.setDefaultSuffix(QStringLiteral("png"));
  if (!proposed.isEmpty()) chooser.selectFile(proposed);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return QString();
  return chooser.selectedFiles().first();
}

bool ScriptedDialogDriver::run(QDialog& dialog) {
  ++dialogsRun;
  dialog.setResult(QDialog::Rejected);
  if (fill) fill(dialog);
  return dialog.result() == QDialog::Accepted;
}

ScopedDialogDriver::ScopedDialogDriver(DialogDriver& driver) : previous_(installedDriver) { installedDriver = &driver; }

ScopedDialogDriver::~ScopedDialogDriver() { installedDriver = previous_; }

}  // namespace scrivora
