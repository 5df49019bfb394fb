#include "BookFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "FileSystem.h"

namespace scrivora {

namespace {

constexpr size_t kCopyBlockSize = 16384;

}  // namespace

BookFileWriter::~BookFileWriter() {
  if (file_) std::fclose(file_);
}

bool BookFileWriter::open(const std::string& path) { return openWithFlags(path, O_WRONLY | O_CREAT | O_TRUNC); }

bool BookFileWriter::openNew(const std::string& path) { return openWithFlags(path, O_WRONLY | O_CREAT | O_EXCL); }

bool BookFileWriter::openWithFlags(const std::string& path, int flags) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  path_ = path;
  failed_ = false;
  errorText_.clear();
  bytesWritten_ = 0;
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) {
    fail("cannot open", errno);
    return false;
  }
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    fail("cannot open", errno);
    ::close(fd);
    return false;
  }
  return true;
}

void BookFileWriter::fail(const std::string& what, int errorNumber) {
  if (failed_) return;
  failed_ = true;
  errorText_ = what;
  if (errorNumber != 0) errorText_ += std::string(": ") + systemErrorText(errorNumber);
}

void BookFileWriter::write(const void* data, size_t length) {
  if (failed_) return;
  if (!file_) {
    fail("not open", 0);
    return;
  }
  if (length == 0) return;
  errno = 0;
  size_t written = std::fwrite(data, 1, length, file_);
  bytesWritten_ += written;
  if (written != length) fail("write failed", errno);
}

void BookFileWriter::writeU8(uint8_t value) { write(&value, 1); }

void BookFileWriter::writeU16(uint16_t value) {
  uint8_t bytes[2] = {uint8_t(value >> 8), uint8_t(value)};
  write(bytes, sizeof bytes);
}

void BookFileWriter::writeU24(uint32_t value) {
  uint8_t bytes[3] = {uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
  write(bytes, sizeof bytes);
}

void BookFileWriter::writeU32(uint32_t value) {
  uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
  write(bytes, sizeof bytes);
}

void BookFileWriter::writeZeros(size_t count) {
  static const uint8_t zeros[256] = {};
  while (count > 0 && !failed_) {
    size_t chunk = count < sizeof zeros ? count : sizeof zeros;
    write(zeros, chunk);
    count -= chunk;
  }
}

void BookFileWriter::copyFile(const std::string& sourcePath) {
  if (failed_) return;
  std::FILE* source = std::fopen(sourcePath.c_str(), "rb");
  if (!source) {
    fail("cannot read " + sourcePath, errno);
    return;
  }
  std::vector<uint8_t> block(kCopyBlockSize);
  for (;;) {
    size_t got = std::fread(block.data(), 1, block.size(), source);
    if (got > 0) write(block.data(), got);
    if (got < block.size()) {
      if (std::ferror(source)) fail("cannot read " + sourcePath, errno);
      break;
    }
    if (failed_) break;
  }
  std::fclose(source);
}

bool BookFileWriter::close(bool syncToDisk) {
  if (!file_) {
    if (!failed_) fail("not open", 0);
    return false;
  }
  if (std::fflush(file_) != 0) fail("write failed", errno);
  // A book that only sits in the page cache is not yet safe from a crash;
  // the rename that follows must not publish an empty file.
  if (syncToDisk && !failed_ && ::fsync(::fileno(file_)) != 0 && errno != EINVAL) fail("write failed", errno);
  if (std::fclose(file_) != 0) fail("close failed", errno);
  file_ = nullptr;
  return !failed_;
}

}  // namespace scrivora
