#pragma once
// What every collection that becomes a section of the book database offers the
// writer. The writer lays out the whole record list from sizes first and
// writes the bytes afterwards, so recordSize(i) must equal the number of bytes
// appendRecord(i, ...) appends.

#include <cstddef>
#include <cstdint>
#include <string>

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

namespace scrivora {

// A table of fixed-size entries that the writer cuts into records itself
// (the page tables: 12-byte entries, 1333 to a record).
class EntryTable {
 public:
  virtual ~EntryTable() = default;
  virtual size_t entryCount() const = 0;
  virtual size_t entrySize() const = 0;
  virtual void appendEntry(size_t i, ByteBuffer& out) const = 0;
};

// The ids of the book's footnotes or sidebars as the writer needs them for
// the section's index record: the id and how many body records it has.
class ReferenceSource {
 public:
  virtual ~ReferenceSource() = default;
  virtual size_t idCount() const = 0;
  virtual const std::string& idAt(size_t i) const = 0;
  virtual uint32_t recordCountAt(size_t i) const = 0;
};

}  // namespace scrivora
