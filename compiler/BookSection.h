#pragma once
// What every collection that becomes a section of the book database offers the
// writer. The writer lays out the whole record list from sizes first and
// writes the bytes afterwards, so recordSize(i) must equal the number of bytes
// appendRecord(i, ...) appends.

#include <cstddef>

#include "ByteBuffer.h"

namespace scrivora {

class BookSection {
 public:
  virtual ~BookSection() = default;
  virtual size_t recordCount() const = 0;
  virtual size_t recordSize(size_t i) const = 0;
  virtual void appendRecord(size_t i, ByteBuffer& out) const = 0;
};

// The section of a book that has nothing of that kind.
class EmptySection : public BookSection {
 public:
  size_t recordCount() const override { return 0; }
  size_t recordSize(size_t) const override { return 0; }
  void appendRecord(size_t, ByteBuffer&) const override {}
};

}  // namespace scrivora
