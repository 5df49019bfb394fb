#pragma once
// The program's open and save dialogs. A dialog is described by its file
// types; their filter entries are built from each type's description and
// extension. Dialogs go through a presenter that tests replace, so no test
// has to click.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <vector>

class QWidget;

namespace scrivora {

// One file type of a dialog; the type code is kept for the record only.
struct FileTypeSpec {
  const char* extension;  // with the leading dot
  uint32_t typeCode;      // four characters, the first in the top byte
  const char* description;
};

enum class FileDialogMode { Open, Save };

// "Description (*.ext)" for each type. An open dialog with five or more types
// puts "All Files (*.*)" first, one with fewer puts it last; a save dialog
// offers only its types.
QStringList fileDialogFilters(const std::vector<FileTypeSpec>& types, FileDialogMode mode);

struct FileDialogRequest {
  FileDialogMode mode = FileDialogMode::Open;
  QString caption;
  // The first entry is preselected.
  QStringList filters;
  // Save dialogs: the name (or full path) shown in the file-name field.
  QString proposedName;
};

class FileDialogPresenter {
 public:
  virtual ~FileDialogPresenter() = default;
  // The chosen file's full path, or empty when the user cancelled.
  virtual QString choose(const FileDialogRequest& request, QWidget* owner) = 0;
};

// Runs the dialog modally through the installed presenter (Qt's own file
// dialog unless a test installed another). Without an owner the dialog
// belongs to the program's active window. A save dialog asks before it lets
// the user pick an existing file.
QString runFileDialog(const FileDialogRequest& request, QWidget* owner = nullptr);

// Installs a presenter for the life of this object; the previous one comes
// back after it.
class ScopedFileDialogPresenter {
 public:
  explicit ScopedFileDialogPresenter(FileDialogPresenter& presenter);
  ~ScopedFileDialogPresenter();
  ScopedFileDialogPresenter(const ScopedFileDialogPresenter&) = delete;
  ScopedFileDialogPresenter& operator=(const ScopedFileDialogPresenter&) = delete;

 private:
  FileDialogPresenter* previous_;
};

// A presenter that keeps every request and answers from its queue; with the
// queue empty it cancels.
class RecordingFileDialogPresenter : public FileDialogPresenter {
 public:
  QString choose(const FileDialogRequest& request, QWidget*) override {
    shown.push_back(request);
    if (answers.empty()) return QString();
    const QString next = answers.front();
    answers.pop_front();
    return next;
  }
  std::vector<FileDialogRequest> shown;
  std::deque<QString> answers;
};

}  // namespace scrivora
