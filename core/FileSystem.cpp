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
  contents.clear();
  // Only a regular file has an end to read up to: a folder opens but cannot
  // be read, and a device or pipe might never end.
  std::FILE* file = openRegularFile(path);
  if (!file) return false;
  uint8_t block[16384];
  bool ok = true;
  for (;;) {
    size_t got = std::fread(block, 1, sizeof block, file);
    contents.insert(contents.end(), block, block + got);
    if (got < sizeof block) {
      ok = !std::ferror(file);
      break;
    }
  }
  std::fclose(file);
  return ok;
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

}  // namespace scrivora
