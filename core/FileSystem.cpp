#include "FileSystem.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace scrivora {

namespace {

// How many links a chain may have before it counts as a loop (the kernel's
// own limit for one lookup).
constexpr int kMaxLinkHops = 40;

bool writeAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    contents.remove_prefix(size_t(written));
  }
  return true;
}

mode_t creationMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool pathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool removePath(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) return ::rmdir(path.c_str()) == 0;
  return ::unlink(path.c_str()) == 0;
}

std::FILE* openRegularFile(const std::string& path) {
  // O_NONBLOCK: a pipe opens at once instead of waiting for a writer, so it
  // can be refused below. A regular file reads as usual with it.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, "rb");
  if (!file) ::close(fd);
  return file;
}

bool canOpenForReading(const std::string& path) {
  std::FILE* file = openRegularFile(path);
  if (!file) return false;
  std::fclose(file);
  return true;
}

bool createAndOpenForWriting(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool canReplaceFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return false;
    // Opening without O_TRUNC or O_CREAT changes nothing in the file.
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
  } else if (errno != ENOENT) {
    return false;
  }
  const std::string folder = directoryOf(path);
  return isDirectory(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& contents) {
  std::string text, reason;
  contents.clear();
  if (!readRegularFile(path, text, reason)) return false;
  contents.assign(text.begin(), text.end());
  return true;
}

bool readRegularFile(const std::string& path, std::string& contents, std::string& reason) {
  contents.clear();
  // Non-blocking, so that opening a pipe with no writer does not wait for one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    reason = systemErrorText(errno);
    return false;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    reason = systemErrorText(errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    reason = S_ISDIR(info.st_mode) ? systemErrorText(EISDIR) : "not a regular file";
    ::close(fd);
    return false;
  }
  if (info.st_size > 0) contents.reserve(size_t(info.st_size));
  char block[65536];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0) {
      if (errno == EINTR) continue;
      reason = systemErrorText(errno);
      ::close(fd);
      contents.clear();
      return false;
    }
    if (got == 0) break;
    contents.append(block, size_t(got));
  }
  ::close(fd);
  return true;
}

int64_t fileSize(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return -1;
  return int64_t(info.st_size);
}

std::string fileNameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool sameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat first, second;
  const bool firstExists = ::stat(a.c_str(), &first) == 0;
  const bool secondExists = ::stat(b.c_str(), &second) == 0;
  if (firstExists && secondExists) return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  if (firstExists != secondExists) return false;
  // Neither exists: the same place if their spellings resolve alike.
  std::error_code error;
  const auto resolvedA = std::filesystem::weakly_canonical(std::filesystem::absolute(a, error), error);
  if (error) return false;
  const auto resolvedB = std::filesystem::weakly_canonical(std::filesystem::absolute(b, error), error);
  return !error && resolvedA == resolvedB;
}

std::string followSymbolicLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info;
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::vector<char> target(size_t(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
    ssize_t length = ::readlink(current.c_str(), target.data(), target.size() - 1);
    if (length < 0) return current;
    std::string next(target.data(), size_t(length));
    // A relative target is relative to the folder holding the link.
    if (next.empty() || next[0] != '/') next = directoryOf(current) + "/" + next;
    current = next;
  }
  return path;
}

std::string systemErrorText(int errorNumber) {
  char buffer[256] = {};
  // The GNU strerror_r gives either its own static text or the buffer.
  return std::string(::strerror_r(errorNumber, buffer, sizeof buffer));
}

std::string systemTemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder && *folder ? std::string(folder) : std::string("/tmp");
}

std::string makeUniqueFolder(const std::string& parent, const std::string& prefix) {
  std::string pattern = parent + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) return std::string();
  return std::string(name.data());
}

bool writeFileReplacing(const std::string& path, std::string_view contents, std::string& reason) {
  // A symbolic link is written through: its target gets the new contents.
  const std::string target = followSymbolicLinks(path);
  mode_t mode = creationMode();
  struct stat existing;
  if (::stat(target.c_str(), &existing) == 0) {
    // A device, a pipe or a folder is never replaced by a regular file.
    if (!S_ISREG(existing.st_mode)) {
      reason = S_ISDIR(existing.st_mode) ? systemErrorText(EISDIR) : "not a regular file";
      return false;
    }
    mode = existing.st_mode & 07777;
  }
  std::string temporary = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    reason = systemErrorText(errno);
    return false;
  }
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, contents) && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    reason = systemErrorText(error);
  }
  return ok;
}

}  // namespace scrivora
