#include "ImageList.h"

#include <algorithm>
#include <cstdio>

#include "BuildLog.h"
#include "FileSystem.h"
#include "PngReencode.h"

namespace scrivora {

namespace {

// The reader's order: bytes compared as signed 8-bit values, so the bytes
// 0x80 to 0xFF come before 0x00 to 0x7F; the end of a path counts as a zero
// byte, as in the reader's zero-terminated strings.
bool signedByteLess(const std::string& a, const std::string& b) {
  const size_t longer = std::max(a.size(), b.size());
  for (size_t i = 0; i < longer; ++i) {
    const int ca = i < a.size() ? static_cast<signed char>(a[i]) : 0;
    const int cb = i < b.size() ? static_cast<signed char>(b[i]) : 0;
    if (ca != cb) return ca < cb;
  }
  return false;
}

}  // namespace

std::string joinImagePath(const std::string& imageDirectory, const std::string& name) {
  return imageDirectory + '\\' + name;
}

std::string hostImagePath(const std::string& storedPath) {
  std::string host = storedPath;
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}

std::string imageFileName(const std::string& storedPath) {
  const size_t slash = storedPath.rfind('\\');
  return slash == std::string::npos ? storedPath : storedPath.substr(slash + 1);
}

bool ImageList::add(const std::string& path, uint16_t width, uint16_t height, TextPlace tag) {
  if (path.size() > kMaxPathLength) return false;
  for (const ListedImage& e : entries_)
    if (e.path == path) return false;
  ListedImage entry;
  entry.path = path;
  entry.width = width;
  entry.height = height;
  entry.firstTag = tag;
  entries_.push_back(entry);
  return true;
}

bool ImageList::finish() {
  std::sort(entries_.begin(), entries_.end(),
            [](const ListedImage& a, const ListedImage& b) { return signedByteLess(a.path, b.path); });
  // Every run re-encodes the whole list afresh, so what a record holds is
  // exactly the bytes of this run, never a leftover of an earlier one.
  imageData_.clear();
  for (ListedImage& e : entries_) {
    e.dataOffset = 0;
    e.dataSize = 0;
  }
  for (ListedImage& e : entries_)
    if (!reencodeEntry(e)) return false;
  return true;
}

bool ImageList::reencodeEntry(ListedImage& entry) {
  const size_t offset = imageData_.size();
  std::FILE* file = openRegularFile(hostImagePath(entry.path));
  if (!file) {
    // An image whose checks failed (listed at 0 by 0) was already reported
    // by the text pass; one that vanished or became unreadable since the
    // pass read its header is news, and the build must say why it fails.
    const bool checksPassed = entry.width != 0 || entry.height != 0;
    if (checksPassed) reportReencodeFailure(PngReencodeResult::Unreadable, entry.path, std::string(), entry.firstTag);
    return false;
  }
  uint32_t size = 0;
  std::string libpngReason;
  const PngReencodeResult result = reencodePng(file, imageData_, size, libpngReason);
  std::fclose(file);
  if (result != PngReencodeResult::Success) {
    reportReencodeFailure(result, entry.path, libpngReason, entry.firstTag);
    return false;
  }
  if (size > kMaxImageDataSize) {
    imageData_.resize(offset);
    reportErrorAt(entry.firstTag, "Image \"%s\" is too large", entry.path.c_str());
    return false;
  }
  entry.dataOffset = uint32_t(offset);
  entry.dataSize = size;
  return true;
}

size_t ImageList::recordSize(size_t i) const { return kRecordHeaderSize + entries_[i].dataSize; }

void ImageList::appendRecord(size_t i, ByteBuffer& out) const {
  const ListedImage& e = entries_[i];
  out.append("PNG ", 4);
  std::string name = imageFileName(e.path);
  if (name.size() > kRecordNameLength) name.resize(kRecordNameLength);
  out.append(name);
  out.appendZeros(32 - name.size());
  out.appendZeros(58 - 36);  // reserved fields
  out.appendU16(e.width);
  out.appendU16(e.height);
  out.append(imageData_.data() + e.dataOffset, e.dataSize);
}

}  // namespace scrivora
