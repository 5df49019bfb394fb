#include "ReferenceList.h"

#include <algorithm>

#include "LinkTable.h"

namespace scrivora {

void ReferenceList::add(const std::string& id, TextPlace place) {
  Entry entry;
  entry.reference = place;
  entry.id = LinkTable::lowerCased(id.substr(0, kLongestId));
  entries_.push_back(std::move(entry));
}

void ReferenceList::finish() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return LinkTable::compareSigned(a.id, b.id) < 0; });
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [](const Entry& kept, const Entry& next) { return kept.id == next.id; }),
                 entries_.end());
}

size_t ReferenceList::indexRecordSize() const {
  size_t bytes = 0;
  for (const Entry& entry : entries_) bytes += 2 + 1 + entry.id.size() + 1;
  return bytes;
}

void ReferenceList::appendIndexRecord(ByteBuffer& out) const {
  for (const Entry& entry : entries_) {
    // A body of more than 65535 records cannot be listed; it would need a
    // footnote of half a gigabyte.
    out.appendU16(uint16_t(std::min<uint32_t>(entry.recordCount, 0xFFFF)));
    out.appendU8(uint8_t(entry.id.size()));
    out.appendCString(entry.id);
  }
}

}  // namespace scrivora
