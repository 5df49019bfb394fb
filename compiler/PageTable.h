#pragma once
// Where each page of the book begins for one reader font: one 12-byte entry
// per page, in page order, which the book writer cuts into records of 1333.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "BookSection.h"

namespace scrivora {

struct PageEntry {
  uint16_t page = 0;
  uint16_t record = 0;    // text record in which the page begins, from 1
  uint16_t offset = 0;    // offset of the page start in that record
  uint32_t position = 0;  // offset of the page start in the whole text
  uint16_t state = 0;     // style word | alignment | (font & 15) << 3
};

class PageTable : public EntryTable {
 public:
  static constexpr size_t kEntrySize = 12;
  static constexpr size_t kEntriesPerRecord = 1333;

  void add(uint16_t page, uint16_t record, uint16_t offset, uint32_t position, uint16_t state);
  size_t count() const { return entries_.size(); }
  const PageEntry& at(size_t i) const { return entries_[i]; }
  void clear() { entries_.clear(); }

  size_t entryCount() const override { return entries_.size(); }
  size_t entrySize() const override { return kEntrySize; }
  // Page, record, offset, position and state, big-endian, no padding.
  void appendEntry(size_t i, ByteBuffer& out) const override;

 private:
  std::vector<PageEntry> entries_;
};

}  // namespace scrivora
