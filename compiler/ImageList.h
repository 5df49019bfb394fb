#pragma once
// The distinct images a book names, and the image records made from them.
//
// Entries are added while the text is scanned (small-font pass only, one entry
// per distinct path). After the text pass, finish() sorts the list and
// re-encodes every image into one shared buffer; the database writer then
// asks for one record per entry through the BookSection interface.
//
// Paths are stored as the book's image folder, a backslash and the name from
// the tag. hostImagePath() turns such a path into one this platform can open.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BookSection.h"
#include "ByteBuffer.h"
#include "SourceMap.h"

namespace scrivora {

// One image of the book (named so apart from what the book reader gives back).
struct ListedImage {
  std::string path;    // image folder + '\\' + name, at most 255 characters
  uint16_t width = 0;  // from the PNG header; 0 when its checks failed
  uint16_t height = 0;
  uint32_t dataOffset = 0;  // where the re-encoded PNG starts in imageData()
  uint32_t dataSize = 0;    // 0 until finish() has re-encoded this image
  TextPlace firstTag;       // the \m that named it first: where its messages point
};

class ImageList : public BookSection {
 public:
  static constexpr size_t kMaxPathLength = 255;
  // Keeps every record (62-byte header + PNG) within 65505 bytes.
  static constexpr uint32_t kMaxImageDataSize = 65443;
  static constexpr size_t kRecordHeaderSize = 62;
  static constexpr size_t kRecordNameLength = 31;

  // Adds an image unless an entry with exactly the same path (byte for byte)
  // is already listed. Returns true when a new entry was made; false for a
  // duplicate or a path longer than kMaxPathLength (which is not listed).
  // `tag` is the place of the \m naming it.
  bool add(const std::string& path, uint16_t width, uint16_t height, TextPlace tag = TextPlace());

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const ListedImage& entry(size_t i) const { return entries_[i]; }
  const ByteBuffer& imageData() const { return imageData_; }

  // Sorts the entries by path (bytes compared as signed 8-bit values) and
  // re-encodes every image in that order into the shared buffer, stopping at
  // the first image that cannot be read, re-encoded or is too large (each
  // reported through the error hook). Safe to run again after more images
  // were added: every run starts from an empty buffer and re-encodes the whole
  // list, and images a failed run did not reach are left at data size 0.
  // Returns true when every image was re-encoded.
  bool finish();

  // BookSection: one record per entry, a 62-byte header then the PNG bytes.
  size_t recordCount() const override { return entries_.size(); }
  size_t recordSize(size_t i) const override;
  void appendRecord(size_t i, ByteBuffer& out) const override;

 private:
  bool reencodeEntry(ListedImage& entry);

  std::vector<ListedImage> entries_;
  ByteBuffer imageData_;
};

// The stored path of an image: folder, a backslash, name.
std::string joinImagePath(const std::string& imageDirectory, const std::string& name);

// The stored path as a file name of this platform. Every backslash counts as
// a directory separator: the one that joins folder and name, and any the
// author wrote in the name for a subfolder. (A folder whose own name holds a
// backslash cannot be told apart and is not supported.)
std::string hostImagePath(const std::string& storedPath);

// The part of a stored path after its last backslash (the whole path if none).
std::string imageFileName(const std::string& storedPath);

}  // namespace scrivora
