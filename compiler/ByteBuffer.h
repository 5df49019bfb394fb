#pragma once
// A growable run of bytes in which records are composed. Every number that
// goes into a book database is big-endian, so the append helpers write that
// order whatever the host's is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scrivora {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  explicit ByteBuffer(size_t initialCapacity) { bytes_.reserve(initialCapacity); }

  void clear() { bytes_.clear(); }
  void reserve(size_t capacity) { bytes_.reserve(capacity); }
  void resize(size_t size) { bytes_.resize(size); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const uint8_t* data() const { return bytes_.data(); }
  uint8_t* data() { return bytes_.data(); }
  uint8_t operator[](size_t i) const { return bytes_[i]; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

  void appendU8(uint8_t value) { bytes_.push_back(value); }
  void appendU16(uint16_t value) {
    bytes_.push_back(uint8_t(value >> 8));
    bytes_.push_back(uint8_t(value));
  }
  void appendU24(uint32_t value) {
    bytes_.push_back(uint8_t(value >> 16));
    bytes_.push_back(uint8_t(value >> 8));
    bytes_.push_back(uint8_t(value));
  }
  void appendU32(uint32_t value) {
    bytes_.push_back(uint8_t(value >> 24));
    bytes_.push_back(uint8_t(value >> 16));
    bytes_.push_back(uint8_t(value >> 8));
    bytes_.push_back(uint8_t(value));
  }
  void append(const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + length);
  }
  void append(const std::string& text) { append(text.data(), text.size()); }
  // The string's bytes followed by the zero byte that ends strings in records.
  void appendCString(const std::string& text) {
    append(text);
    appendU8(0);
  }
  void appendZeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }

 private:
  std::vector<uint8_t> bytes_;
};

// Big-endian reads, for the book reader and for tests.
inline uint16_t readU16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t readU24(const uint8_t* p) { return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]; }
inline uint32_t readU32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

}  // namespace scrivora
