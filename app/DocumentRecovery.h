#pragma once
// Keeps a recovery copy of one document while it has unsaved changes. The
// first change the copy does not hold yet starts a timer; when it runs out
// the whole document is written, so the copy is never more than one delay
// behind the text, and nothing is written while the author does not type.
// Writing a large book's copy takes a moment on the user-interface thread,
// so a copy that falls due waits for a pause in the typing (of at most the
// delay again: one who types without a pause for that long still gets a
// copy).
// A save removes the copy; so does a clean close, which the owner reports.
// Going away in any other way (a crash, a kill) leaves the copy for the next
// start to offer.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>

namespace scrivora {

class EditorDocument;
class RecoveryFolder;

class DocumentRecovery : public QObject {
  Q_OBJECT

 public:
  // Told why a copy could not be written.
  using FailureReport = std::function<void(const std::string& reason)>;

  DocumentRecovery(EditorDocument& document, RecoveryFolder& folder, std::chrono::milliseconds delay,
                   FailureReport failed, QObject* parent = nullptr);

  // A restored document goes on in the copy it was restored from.
  void adopt(const std::string& copyPath) { copyPath_ = copyPath; }
  // Writes the copy now (whole, then renamed into place). False when it
  // could not be written; the failure was reported.
  bool writeCopy();
  // After a save or a clean close: the copy goes, and so does a pending write.
  void removeCopy();

  bool writePending() const { return timer_.isActive() || due_; }
  // Where the copy is, or will be; empty before the first write.
  const std::string& copyPath() const { return copyPath_; }

 private:
  void changed();
  // The delay has run out: write at the next pause in the typing.
  void fallDue();

  EditorDocument& document_;
  RecoveryFolder& folder_;
  FailureReport failed_;
  QTimer timer_;
  // Runs out once the typing has paused while a copy is due.
  QTimer pause_;
  int pauseLength_ = 0;  // milliseconds without a change
  QElapsedTimer sinceChange_, sinceDue_;
  bool due_ = false;
  std::string copyPath_;
};

}  // namespace scrivora
