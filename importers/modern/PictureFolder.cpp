#include "PictureFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "FileSystem.h"

namespace scrivora::modern {

namespace {

// 31 characters in all with "-NN" and ".png".
constexpr size_t kMaxStem = 27;
constexpr size_t kMaxNameLength = 31;

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool sameContents(const std::string& path, const std::string& bytes) {
  std::string existing, reason;
  return readRegularFile(path, existing, reason) && existing == bytes;
}

enum class WriteOutcome { Written, NameTaken, Failed };

// Writes a new file under a name nobody has: a temporary file in the folder,
// then a hard link to the final name, which fails rather than replace
// anything (even a symbolic link) that appeared there meanwhile.
WriteOutcome writeNewFile(const std::string& folder, const std::string& name, const std::string& bytes,
                          std::string& problem) {
  const std::string path = folder + "/" + name;
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0) return WriteOutcome::NameTaken;
  std::string temporary = folder + "/.scrivora-picture-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    problem = systemErrorText(errno);
    return WriteOutcome::Failed;
  }
  ::fchmod(fd, 0644);
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += size_t(n);
  }
  const int writeError = written == bytes.size() ? 0 : (errno ? errno : ENOSPC);
  const bool closed = ::fsync(fd) == 0 && ::close(fd) == 0;
  if (writeError != 0 || !closed) {
    problem = systemErrorText(writeError ? writeError : errno);
    ::unlink(temporary.c_str());
    return WriteOutcome::Failed;
  }
  const int linked = ::link(temporary.c_str(), path.c_str());
  const int linkError = errno;
  ::unlink(temporary.c_str());
  if (linked == 0) return WriteOutcome::Written;
  if (linkError == EEXIST) return WriteOutcome::NameTaken;
  problem = systemErrorText(linkError);
  return WriteOutcome::Failed;
}

}  // namespace

std::string pictureFileStem(const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  std::string stem;
  for (char c : name) {
    if (stem.size() >= kMaxStem) break;
    if (std::isalnum((unsigned char)c) || c == '-' || c == '_')
      stem += c;
    else if (!stem.empty() && stem.back() != '_')
      stem += '_';
  }
  while (!stem.empty() && (stem.back() == '_' || stem.back() == '-')) stem.pop_back();
  return stem.empty() ? "picture" : stem;
}

bool PictureFolder::ensureFolder(std::string& problem) {
  if (folderReady_) return true;
  struct stat info;
  if (::stat(folder_.c_str(), &info) != 0) {
    if (errno != ENOENT || ::mkdir(folder_.c_str(), 0777) != 0) {
      problem = "the folder " + folder_ + " cannot be made (" + systemErrorText(errno) + ")";
      return false;
    }
  } else if (!S_ISDIR(info.st_mode)) {
    problem = folder_ + " is not a folder";
    return false;
  }
  folderReady_ = true;
  return true;
}

std::string PictureFolder::place(const std::string& stem, const std::string& png, std::string& problem) {
  for (int attempt = 1; attempt < 1000; ++attempt) {
    const std::string suffix = attempt == 1 ? std::string() : "-" + std::to_string(attempt);
    const std::string name = stem.substr(0, kMaxNameLength - 4 - suffix.size()) + suffix + ".png";
    if (takenNames_.count(lowerCase(name))) continue;
    const std::string path = folder_ + "/" + name;
    struct stat info;
    // The same picture from an earlier import of the book is used again.
    if (::lstat(path.c_str(), &info) == 0) {
      if (S_ISREG(info.st_mode) && size_t(info.st_size) == png.size() && sameContents(path, png)) {
        takenNames_.insert(lowerCase(name));
        return name;
      }
      continue;
    }
    switch (writeNewFile(folder_, name, png, problem)) {
      case WriteOutcome::Written: takenNames_.insert(lowerCase(name)); return name;
      case WriteOutcome::NameTaken: continue;
      case WriteOutcome::Failed: problem = "it cannot be written into " + folder_ + " (" + problem + ")"; return {};
    }
  }
  problem = "no free name for it is left in " + folder_;
  return std::string();
}

std::string PictureFolder::store(const std::string& key, const std::string& nameHint, unsigned maxWidth,
                                 const Loader& load, std::string& problem) {
  const auto request = std::make_pair(key, maxWidth);
  auto done = done_.find(request);
  if (done != done_.end()) {
    problem = done->second.second;
    return done->second.first;
  }
  std::string name;
  problem.clear();
  std::string bytes;
  if (!available()) {
    problem = "there is no image folder to put it in";
  } else if (load(bytes, problem)) {
    BookImageLimits limits = limits_;
    limits.maxWidth = std::min(limits.maxWidth, maxWidth);
    const BookImageResult image = makeBookImage(bytes, limits);
    if (!image.ok) {
      problem = image.problem;
    } else if (ensureFolder(problem)) {
      name = place(pictureFileStem(nameHint), image.image.png, problem);
      if (!name.empty()) files_.push_back(name);
    }
  }
  done_[request] = {name, problem};
  return name;
}

}  // namespace scrivora::modern
