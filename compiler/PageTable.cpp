#include "PageTable.h"

namespace scrivora {

void PageTable::add(uint16_t page, uint16_t record, uint16_t offset, uint32_t position, uint16_t state) {
  PageEntry entry;
  entry.page = page;
  entry.record = record;
  entry.offset = offset;
  entry.position = position;
  entry.state = state;
  entries_.push_back(entry);
}

void PageTable::appendEntry(size_t i, ByteBuffer& out) const {
  const PageEntry& entry = entries_.at(i);
  out.appendU16(entry.page);
  out.appendU16(entry.record);
  out.appendU16(entry.offset);
  out.appendU32(entry.position);
  out.appendU16(entry.state);
}

}  // namespace scrivora
