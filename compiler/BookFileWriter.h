#pragma once
// An output file for book data: the text and note temporaries and the book
// database itself. Numbers go out big-endian. The first failure (open, write,
// flush or close) sticks: later writes are skipped and the caller checks once,
// at the end, instead of after every one of hundreds of small writes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ByteBuffer.h"

namespace scrivora {

class BookFileWriter {
 public:
  BookFileWriter() = default;
  ~BookFileWriter();
  BookFileWriter(const BookFileWriter&) = delete;
  BookFileWriter& operator=(const BookFileWriter&) = delete;

  // Creates the file, or empties an existing one, and opens it for writing.
  bool open(const std::string& path);
  // Creates the file only when nothing exists at the path yet.
  bool openNew(const std::string& path);

  bool isOpen() const { return file_ != nullptr; }
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }
  // What went wrong first, in words; empty while nothing has.
  const std::string& errorText() const { return errorText_; }
  uint64_t bytesWritten() const { return bytesWritten_; }

  void write(const void* data, size_t length);
  void write(const ByteBuffer& buffer) { write(buffer.data(), buffer.size()); }
  void writeU8(uint8_t value);
  void writeU16(uint16_t value);
  void writeU24(uint32_t value);
  void writeU32(uint32_t value);
  void writeZeros(size_t count);
  // Appends the whole file at sourcePath in blocks of 16384 bytes. A file
  // that cannot be read counts as a failure of this writer.
  void copyFile(const std::string& sourcePath);

  // Flushes and closes the file; true when every step since open succeeded.
  // syncToDisk also waits until the data is on the disk, for a file that is
  // about to be renamed into the place of a finished book.
  bool close(bool syncToDisk = false);

 private:
  bool openWithFlags(const std::string& path, int flags);
  void fail(const std::string& what, int errorNumber);

  std::FILE* file_ = nullptr;
  std::string path_;
  bool failed_ = false;
  std::string errorText_;
  uint64_t bytesWritten_ = 0;
};

}  // namespace scrivora
