#include "DocumentSaving.h"

#include <QApplication>
#include <QFileInfo>

#include "AlertBox.h"
#include "Application.h"
#include "BookInfoDialog.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "EditorText.h"

namespace scrivora {

namespace {

constexpr int kMaxNameBytesBeforeExtension = 251;

// The view neither redraws nor shows the arrow while the file is written.
class BusyView {
 public:
  explicit BusyView(QWidget& view) : view_(view), updates_(view.updatesEnabled()) {
    view_.setUpdatesEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~BusyView() {
    QApplication::restoreOverrideCursor();
    view_.setUpdatesEnabled(updates_);
    view_.update();
  }
  BusyView(const BusyView&) = delete;
  BusyView& operator=(const BusyView&) = delete;

 private:
  QWidget& view_;
  bool updates_;
};

// The proposed name in the save dialog: the document's file where it has
// one (or had, for a restored copy), so the dialog opens in its folder.
QString proposedName(EditorDocument& document) {
  if (document.hasFile()) return QString::fromStdString(document.path());
  if (!document.recoveredFrom().empty()) return QString::fromStdString(document.recoveredFrom());
  return document.name();
}

}  // namespace

const std::vector<FileTypeSpec>& saveFileTypes() {
  static const std::vector<FileTypeSpec> types = {{".tml", fourCC("TEXT"), "Tolm Markup Language"}};
  return types;
}

QString tmlFileNameFor(const QString& chosen) {
  const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
  const QString folder = chosen.left(slash + 1);
  QString name = chosen.mid(slash + 1);
  if (name.size() >= 4 && (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) ||
                           name.endsWith(QLatin1String(".tml"), Qt::CaseInsensitive)))
    return chosen;
  while (name.toUtf8().size() > kMaxNameBytesBeforeExtension) name.chop(name.back().isLowSurrogate() ? 2 : 1);
  return folder + name + QStringLiteral(".tml");
}

bool saveDocument(DocumentWindow& window, bool askForName) {
  EditorDocument& document = window.document();
  if (!document.hasTitle() && !editBookInfo(document, BookInfoForm::TitleRequired, &window)) return false;
  if (!document.hasFile()) askForName = true;
  std::string target = document.path();
  if (askForName) {
    FileDialogRequest request;
    request.mode = FileDialogMode::Save;
    request.caption = QStringLiteral("Save As");
    request.filters = fileDialogFilters(saveFileTypes(), FileDialogMode::Save);
    request.proposedName = proposedName(document);
    const QString chosen = runFileDialog(request, &window);
    if (chosen.isEmpty()) return false;
    target = tmlFileNameFor(chosen).toStdString();
  }
  std::string reason;
  bool saved;
  {
    BusyView busy(window.view());
    saved = document.saveTo(target, reason);
  }
  if (!saved) {
    showAlert(
        {AlertKind::Error, QStringLiteral("The file \"%1\" could not be saved.").arg(QString::fromStdString(target)),
         QString::fromStdString(reason), AlertButtons::Ok},
        &window);
    return false;
  }
  window.setWindowTitle(document.name());
  window.update();
  return true;
}

bool revertDocument(DocumentWindow& window) {
  EditorDocument& document = window.document();
  if (!document.hasFile()) return false;
  const QString name = document.name();
  AlertBox question{
      AlertKind::Warning, QStringLiteral("Revert changes to \"%1\".").arg(name),
      QStringLiteral("Reverting file\"%1\"").arg(name) + QStringLiteral(" will discard all changes made since ") +
          QStringLiteral("you last saved it. Do you want to discard ") + QStringLiteral("all changes to this file?"),
      AlertButtons::OkCancel};
  if (showAlert(question, &window) != AlertAnswer::Ok) return false;
  // The log shows this load's messages only, as when the file was opened.
  if (Application* application = Application::instance()) application->buildLog().clear();
  std::string reason;
  bool reverted;
  {
    BusyView busy(window.view());
    reverted = document.reloadFromFile(reason);
  }
  if (!reverted) {
    showAlert({AlertKind::Error, QStringLiteral("An error occurred while reading the file from disk."),
               QString::fromStdString(document.path() + ": " + reason), AlertButtons::Ok},
              &window);
    return false;
  }
  window.view().document()->markContentsDirty(0, window.view().document()->characterCount());
  return true;
}

bool closeQuery(DocumentWindow& window, int mode) {
  EditorDocument& document = window.document();
  bool save = false;
  switch (mode) {
    case 0: {
      if (!document.modified()) return true;
      AlertBox prompt{AlertKind::Warning,
                      QStringLiteral("Do you want to save the changes you made to %1?\n").arg(document.name()),
                      QString(), AlertButtons::YesNoCancel, QStringLiteral("Quarro Editor")};
      const AlertAnswer answer = showAlert(prompt, &window);
      if (answer == AlertAnswer::Cancel) return false;
      save = answer == AlertAnswer::Yes;
      break;
    }
    case 1: save = true; break;
    default: return true;  // 2 discards; other modes close without saving
  }
  return !save || saveDocument(window, !document.writable());
}

}  // namespace scrivora
