#pragma once
// The folder of recovery copies, shared by every instance of the program
// that runs at the same time. Each instance is a session: it names its
// copies after itself and holds a lock on a file of its own for as long as
// it runs. The system drops the lock when the process ends in any way, a
// crash or a kill included, so copies whose session holds no lock were left
// by a run that is over.

#include <QString>

#include <string>
#include <vector>

namespace scrivora {

class RecoveryFolder {
 public:
  // The user's folder: "recovery" in the program's data folder.
  static std::string defaultPath();

  explicit RecoveryFolder(std::string path);
  // Ends the session: its lock goes, and any copy still here is offered at
  // a later start.
  ~RecoveryFolder();
  RecoveryFolder(const RecoveryFolder&) = delete;
  RecoveryFolder& operator=(const RecoveryFolder&) = delete;

  const std::string& path() const { return path_; }

  // A file name for one document's copies, unique in this session. Starts
  // the session on first use; empty, with the reason, when the folder or the
  // lock cannot be made.
  std::string newCopyPath(std::string& reason);

  // Takes over the copies of ended sessions, renaming them into this one, so
  // that an instance starting at the same moment does not offer them too;
  // removes those sessions' locks and half-written copies. The copies' new
  // paths, or their old ones when this session cannot start.
  std::vector<std::string> claimCopiesOfEndedSessions();

 private:
  bool startSession(std::string& reason);
  std::string fileOf(const std::string& name) const { return path_ + "/" + name; }

  std::string path_;
  std::string session_;
  int lockDescriptor_ = -1;
  int copiesNamed_ = 0;
};

}  // namespace scrivora
