#include "RecoveryFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <map>
#include <set>

#include "FileSystem.h"

namespace scrivora {

namespace {

constexpr std::string_view kCopySuffix = ".recovery";
constexpr std::string_view kLockSuffix = ".lock";
// writeFileReplacing's temporaries beside a copy.
constexpr std::string_view kTemporaryMark = ".recovery.tmp-";

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The session a copy belongs to: its name is "<session>-<number>.recovery".
std::string sessionOfCopy(std::string_view stem) {
  const size_t dash = stem.rfind('-');
  return dash == std::string_view::npos ? std::string() : std::string(stem.substr(0, dash));
}

// What the folder holds, by session.
struct FolderContents {
  std::map<std::string, std::vector<std::string>> copies, temporaries;
  std::set<std::string> locks;
  // Locks made but never put in place (their session ended while starting).
  std::vector<std::string> unplacedLocks;
};

FolderContents listFolder(const std::string& path) {
  FolderContents contents;
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr) return contents;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (name[0] == '.') {
      if (endsWith(name, kLockSuffix)) contents.unplacedLocks.push_back(name);
    } else if (endsWith(name, kCopySuffix)) {
      const std::string session = sessionOfCopy(std::string_view(name).substr(0, name.size() - kCopySuffix.size()));
      if (!session.empty()) contents.copies[session].push_back(name);
    } else if (const size_t mark = name.find(kTemporaryMark); mark != std::string::npos) {
      const std::string session = sessionOfCopy(std::string_view(name).substr(0, mark));
      if (!session.empty()) contents.temporaries[session].push_back(name);
    } else if (endsWith(name, kLockSuffix)) {
      contents.locks.insert(name.substr(0, name.size() - kLockSuffix.size()));
    }
  }
  ::closedir(folder);
  return contents;
}

// Opens and locks a session's lock file. -1 when its session still runs
// (or the file cannot be opened for another reason than being gone);
// `missing` tells when there is no lock file at all.
int lockEndedSession(const std::string& lockFile, bool& missing) {
  missing = false;
  const int descriptor = ::open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
  if (descriptor < 0) {
    missing = errno == ENOENT;
    return -1;
  }
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    ::close(descriptor);
    return -1;
  }
  return descriptor;
}

}  // namespace

std::string RecoveryFolder::defaultPath() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  return QFile::encodeName(data + QStringLiteral("/recovery")).toStdString();
}

RecoveryFolder::RecoveryFolder(std::string path) : path_(std::move(path)) {}

RecoveryFolder::~RecoveryFolder() {
  if (lockDescriptor_ < 0) return;
  ::unlink(fileOf(session_ + std::string(kLockSuffix)).c_str());
  ::close(lockDescriptor_);
}

bool RecoveryFolder::startSession(std::string& reason) {
  if (lockDescriptor_ >= 0) return true;
  if (!QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(path_)))) {
    reason = path_ + ": the folder cannot be made";
    return false;
  }
  // The copies hold the user's text: for the user's eyes only.
  ::chmod(path_.c_str(), 0700);
  const std::string session =
      std::to_string(::getpid()) + "-" + QString::number(QRandomGenerator::global()->generate(), 16).toStdString();
  // The lock is taken before the file shows under its real name, so that no
  // other instance ever sees this session's lock file unlocked.
  const std::string unplaced = fileOf("." + session + std::string(kLockSuffix));
  const int descriptor = ::open(unplaced.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    reason = unplaced + ": " + systemErrorText(errno);
    return false;
  }
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 ||
      ::rename(unplaced.c_str(), fileOf(session + std::string(kLockSuffix)).c_str()) != 0) {
    reason = unplaced + ": " + systemErrorText(errno);
    ::unlink(unplaced.c_str());
    ::close(descriptor);
    return false;
  }
  session_ = session;
  lockDescriptor_ = descriptor;
  return true;
}

std::string RecoveryFolder::newCopyPath(std::string& reason) {
  if (!startSession(reason)) return std::string();
  return fileOf(session_ + "-" + std::to_string(++copiesNamed_) + std::string(kCopySuffix));
}

std::vector<std::string> RecoveryFolder::claimCopiesOfEndedSessions() {
  std::vector<std::string> claimed;
  FolderContents contents = listFolder(path_);
  std::set<std::string> sessions = contents.locks;
  for (const auto& [session, names] : contents.copies) sessions.insert(session);
  for (const auto& [session, names] : contents.temporaries) sessions.insert(session);
  sessions.erase(session_);
  for (const std::string& session : sessions) {
    bool missing = false;
    const std::string lockFile = fileOf(session + std::string(kLockSuffix));
    const int lock = lockEndedSession(lockFile, missing);
    if (lock < 0 && !missing) continue;  // still running
    for (const std::string& name : contents.copies[session]) {
      std::string reason;
      const std::string target = newCopyPath(reason);
      // Another instance may have claimed the copy a moment before.
      if (target.empty()) {
        claimed.push_back(fileOf(name));
      } else if (::rename(fileOf(name).c_str(), target.c_str()) == 0) {
        claimed.push_back(target);
      }
    }
    for (const std::string& name : contents.temporaries[session]) ::unlink(fileOf(name).c_str());
    if (lock >= 0) {
      ::unlink(lockFile.c_str());
      ::close(lock);
    }
  }
  for (const std::string& name : contents.unplacedLocks) {
    bool missing = false;
    const int lock = lockEndedSession(fileOf(name), missing);
    if (lock < 0) continue;
    ::unlink(fileOf(name).c_str());
    ::close(lock);
  }
  return claimed;
}

}  // namespace scrivora
