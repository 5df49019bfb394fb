#include "SafeFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace scrivora {

namespace {

constexpr int kMaxLinkHops = 40;

std::string directoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows a chain of symbolic links to the name that is finally written,
// which may not exist yet.
bool resolveLinks(const std::string& path, std::string& target, std::string& reason) {
  target = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info;
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    std::vector<char> buffer(size_t(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t length = ::readlink(target.c_str(), buffer.data(), buffer.size());
    if (length < 0) {
      reason = systemReason(errno);
      return false;
    }
    std::string link(buffer.data(), size_t(length));
    target = link[0] == '/' ? link : directoryOf(target) + "/" + link;
  }
  reason = systemReason(ELOOP);
  return false;
}

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

std::string systemReason(int error) { return std::strerror(error); }

bool sameFile(const std::string& first, const std::string& second) {
  struct stat a, b;
  if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool readRegularFile(const std::string& path, std::string& contents, std::string& reason) {
  contents.clear();
  // Non-blocking, so that opening a pipe with no writer does not wait for one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    reason = systemReason(errno);
    return false;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    reason = systemReason(errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    reason = S_ISDIR(info.st_mode) ? systemReason(EISDIR) : "not a regular file";
    ::close(fd);
    return false;
  }
  if (info.st_size > 0) contents.reserve(size_t(info.st_size));
  char block[65536];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0) {
      if (errno == EINTR) continue;
      reason = systemReason(errno);
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

bool writeFileReplacing(const std::string& path, std::string_view contents, std::string& reason) {
  std::string target;
  if (!resolveLinks(path, target, reason)) return false;
  mode_t mode = creationMode();
  struct stat existing;
  if (::stat(target.c_str(), &existing) == 0) {
    // A device, a pipe or a folder is never replaced by a regular file.
    if (!S_ISREG(existing.st_mode)) {
      reason = S_ISDIR(existing.st_mode) ? systemReason(EISDIR) : "not a regular file";
      return false;
    }
    mode = existing.st_mode & 07777;
  }
  std::string temporary = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    reason = systemReason(errno);
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
    reason = systemReason(error);
  }
  return ok;
}

}  // namespace scrivora
