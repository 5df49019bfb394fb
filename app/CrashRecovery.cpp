#include "CrashRecovery.h"

#include <QPointer>

#include <algorithm>
#include <cerrno>

#include "AlertBox.h"
#include "DocumentRecovery.h"
#include "DocumentWindow.h"
#include "EditorDocument.h"
#include "FileSystem.h"
#include "RecoveryOfferDialog.h"

namespace scrivora {

CrashRecovery::CrashRecovery(const std::string& folder) : folder_(folder) {}

void CrashRecovery::watch(DocumentWindow& window) {
  QPointer<DocumentWindow> owner(&window);
  new DocumentRecovery(
      window.document(), folder_, delay_,
      [this, owner](const std::string& reason) { reportFailure(owner.data(), reason); }, &window);
}

DocumentRecovery* CrashRecovery::of(DocumentWindow& window) {
  return window.findChild<DocumentRecovery*>(QString(), Qt::FindDirectChildrenOnly);
}

void CrashRecovery::closed(DocumentWindow& window) {
  if (DocumentRecovery* recovery = of(window)) recovery->removeCopy();
}

void CrashRecovery::adopt(DocumentWindow& window, const std::string& copy) {
  if (DocumentRecovery* recovery = of(window)) recovery->adopt(copy);
}

void CrashRecovery::reportFailure(QWidget* owner, const std::string& reason) {
  // Once a run: the author needs to know the safety net is gone, not to be
  // stopped every minute while typing.
  if (failureShown_) return;
  failureShown_ = true;
  showAlert({AlertKind::Warning, QStringLiteral("Recovery copies of your documents cannot be kept."),
             QString::fromStdString(reason) +
                 QStringLiteral("\n\nSave your work often: after a crash, unsaved changes will be lost."),
             AlertButtons::Ok},
            owner);
}

std::vector<CrashRecovery::Restored> CrashRecovery::offerLeftCopies(QWidget* owner) {
  std::vector<Restored> restored;
  std::vector<RecoveryCopy> copies;
  for (const std::string& file : folder_.claimCopiesOfEndedSessions()) {
    std::string bytes, reason;
    // A copy that cannot be read is offered as damaged, so the user can
    // discard it.
    RecoveryCopy copy;
    if (readRegularFile(file, bytes, reason))
      copy = parseRecoveryCopy(bytes);
    else
      copy.damaged = true;
    copy.file = file;
    copies.push_back(std::move(copy));
  }
  if (copies.empty()) return restored;
  std::stable_sort(copies.begin(), copies.end(),
                   [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.takenAt < b.takenAt; });
  const std::vector<RecoveryChoice> choices = offerRecoveryCopies(copies, owner);
  for (size_t i = 0; i < copies.size(); ++i) {
    const RecoveryCopy& copy = copies[i];
    if (choices[i] == RecoveryChoice::Discard) {
      if (!removePath(copy.file))
        showAlert({AlertKind::Error, QStringLiteral("The recovery copy could not be removed."),
                   QString::fromStdString(copy.file + ": " + systemErrorText(errno)), AlertButtons::Ok},
                  owner);
    } else if (choices[i] == RecoveryChoice::Restore && !copy.damaged) {
      std::unique_ptr<EditorDocument> document = EditorDocument::recovered(copy.tml, copy.originPath);
      if (document != nullptr)
        restored.push_back({std::move(document), copy.file});
      else  // kept for the next start
        showAlert({AlertKind::Error, QStringLiteral("The recovery copy could not be read."),
                   QString::fromStdString(copy.file), AlertButtons::Ok},
                  owner);
    }
  }
  return restored;
}

}  // namespace scrivora
