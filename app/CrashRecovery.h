#pragma once
// Crash recovery for the whole program: a recovery copy for every open
// document that has unsaved changes, removed again by a save or a clean
// close, and at start-up the offer of the copies that runs ended by a crash
// or a kill left behind.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "RecoveryFolder.h"

class QWidget;

namespace scrivora {

class DocumentRecovery;
class DocumentWindow;
class EditorDocument;

// How long after a change its copy is written.
constexpr std::chrono::milliseconds kRecoveryDelay{60000};

class CrashRecovery {
 public:
  explicit CrashRecovery(const std::string& folder);

  // Copies are written this long after the change they first hold; for
  // windows watched from now on.
  void setDelay(std::chrono::milliseconds delay) { delay_ = delay; }

  // Starts keeping copies of the window's document.
  void watch(DocumentWindow& window);
  // The window closed cleanly, saved or not: its copy goes.
  void closed(DocumentWindow& window);
  // The window's keeper of copies; null when it is not watched.
  static DocumentRecovery* of(DocumentWindow& window);

  struct Restored {
    std::unique_ptr<EditorDocument> document;
    // The copy it was restored from, which the document's window goes on
    // writing.
    std::string copy;
  };
  // Offers the copies of ended runs in one dialog, removes those the user
  // discards and gives the documents to restore; copies put off for later
  // are offered again at the next start.
  std::vector<Restored> offerLeftCopies(QWidget* owner);

  // The window goes on in the copy its document was restored from.
  static void adopt(DocumentWindow& window, const std::string& copy);

  RecoveryFolder& folder() { return folder_; }

 private:
  void reportFailure(QWidget* owner, const std::string& reason);

  RecoveryFolder folder_;
  std::chrono::milliseconds delay_ = kRecoveryDelay;
  bool failureShown_ = false;
};

}  // namespace scrivora
