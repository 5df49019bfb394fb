#include "DocumentRecovery.h"

#include <QPointer>

#include <algorithm>
#include <cerrno>

#include "EditorDocument.h"
#include "FileSystem.h"
#include "RecoveryCopy.h"
#include "RecoveryFolder.h"
#include "TmlWriter.h"

namespace scrivora {

DocumentRecovery::DocumentRecovery(EditorDocument& document, RecoveryFolder& folder, std::chrono::milliseconds delay,
                                   FailureReport failed, QObject* parent)
    : QObject(parent), document_(document), folder_(folder), failed_(std::move(failed)) {
  timer_.setSingleShot(true);
  timer_.setInterval(delay);
  connect(&timer_, &QTimer::timeout, this, &DocumentRecovery::fallDue);
  // A second and a half without a key is a pause; shorter delays (tests)
  // make shorter pauses.
  pause_.setSingleShot(true);
  pauseLength_ = int(std::min<std::chrono::milliseconds>(delay, std::chrono::milliseconds(1500)).count());
  connect(&pause_, &QTimer::timeout, this, [this] {
    if (document_.modified())
      writeCopy();
    else
      due_ = false;
  });
  connect(&document.textDocument(), &QTextDocument::contentsChanged, this, &DocumentRecovery::changed);
  // The document may outlive this object (or not): it calls back only while
  // this object exists.
  QPointer<DocumentRecovery> self(this);
  document.setListener([self](EditorDocument::Event event) {
    if (self == nullptr) return;
    if (event == EditorDocument::Event::Saved)
      self->removeCopy();
    else
      self->changed();
  });
}

void DocumentRecovery::changed() {
  sinceChange_.start();
  if (due_) {
    if (sinceDue_.elapsed() >= timer_.interval()) {
      writeCopy();
      return;
    }
    pause_.start(pauseLength_);
    return;
  }
  // Later changes ride on the write already due.
  if (!timer_.isActive()) timer_.start();
}

void DocumentRecovery::fallDue() {
  if (!document_.modified()) return;
  due_ = true;
  sinceDue_.start();
  const qint64 quiet = sinceChange_.isValid() ? sinceChange_.elapsed() : pauseLength_;
  if (quiet >= pauseLength_) {
    writeCopy();
    return;
  }
  pause_.start(pauseLength_ - int(quiet));
}

bool DocumentRecovery::writeCopy() {
  timer_.stop();
  pause_.stop();
  due_ = false;
  std::string reason;
  if (copyPath_.empty()) copyPath_ = folder_.newCopyPath(reason);
  if (copyPath_.empty()) {
    if (failed_) failed_(reason);
    return false;
  }
  TmlWriteOptions options;
  // The copy lies far from the document's image folder.
  options.fullImagePaths = true;
  const std::string tml = writeTml(document_.text(), &document_.bookInfo(), options);
  const std::string origin = document_.hasFile() ? document_.path() : document_.recoveredFrom();
  const std::string bytes = composeRecoveryCopy(origin, document_.name(), QDateTime::currentDateTimeUtc(), tml);
  if (!writeFileReplacing(copyPath_, bytes, reason)) {
    if (failed_) failed_(copyPath_ + ": " + reason);
    return false;
  }
  return true;
}

void DocumentRecovery::removeCopy() {
  timer_.stop();
  pause_.stop();
  due_ = false;
  if (copyPath_.empty()) return;
  // A copy left behind would be offered again at the next start.
  if (!removePath(copyPath_) && failed_) failed_(copyPath_ + ": " + systemErrorText(errno));
}

}  // namespace scrivora
