#include "IndexList.h"

#include <algorithm>
#include <array>

namespace scrivora {

namespace {

std::array<uint8_t, 256> makeSortKeyTable() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = uint8_t(i);
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = uint8_t(c - 'A' + 'a');
  auto fold = [&table](int from, int to, char letter) {
    for (int i = from; i <= to; ++i) table[i] = uint8_t(letter);
  };
  fold(0x8A, 0x8A, 's');
  fold(0x9A, 0x9A, 's');
  fold(0x9F, 0x9F, 'y');
  fold(0xDD, 0xDD, 'y');
  fold(0xFD, 0xFD, 'y');
  fold(0xFF, 0xFF, 'y');
  fold(0xC0, 0xC5, 'a');
  fold(0xE0, 0xE5, 'a');
  fold(0xC7, 0xC7, 'c');
  fold(0xE7, 0xE7, 'c');
  fold(0xC8, 0xCB, 'e');
  fold(0xE8, 0xEB, 'e');
  fold(0xCC, 0xCF, 'i');
  fold(0xEC, 0xEF, 'i');
  fold(0xD1, 0xD1, 'n');
  fold(0xF1, 0xF1, 'n');
  fold(0xD2, 0xD6, 'o');
  fold(0xD8, 0xD8, 'o');
  fold(0xF2, 0xF6, 'o');
  fold(0xF8, 0xF8, 'o');
  fold(0xD9, 0xDC, 'u');
  fold(0xF9, 0xFC, 'u');
  return table;
}

const std::array<uint8_t, 256> kSortKeys = makeSortKeyTable();

bool ignoredInSort(uint8_t byte) { return byte == ' ' || byte == '-' || byte == 0x27; }

}  // namespace

uint8_t IndexList::sortKey(uint8_t byte) { return kSortKeys[byte]; }

int IndexList::compareTerms(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  for (;;) {
    while (i < a.size() && ignoredInSort(uint8_t(a[i]))) ++i;
    while (j < b.size() && ignoredInSort(uint8_t(b[j]))) ++j;
    bool aDone = i >= a.size();
    bool bDone = j >= b.size();
    if (aDone || bDone) return aDone == bDone ? 0 : (aDone ? -1 : 1);
    int ka = sortKey(uint8_t(a[i]));
    int kb = sortKey(uint8_t(b[j]));
    if (ka != kb) return ka - kb;
    ++i;
    ++j;
  }
}

bool IndexList::sortsBefore(const Entry& a, const Entry& b) {
  int byTerm = compareTerms(a.term, b.term);
  if (byTerm != 0) return byTerm < 0;
  if (a.record != b.record) return a.record < b.record;
  if (a.offset != b.offset) return a.offset < b.offset;
  // Terms that sort alike at one place ("Apple", "apple") are kept in a fixed
  // order so that repeats of each end up side by side.
  return a.term < b.term;
}

void IndexList::add(TextLocation location, const std::string& term) {
  entries_.push_back(Entry{uint16_t(location.record), uint16_t(location.offset), term});
}

void IndexList::buildRecords() {
  std::stable_sort(entries_.begin(), entries_.end(), sortsBefore);
  std::vector<Entry> kept;
  kept.reserve(entries_.size());
  for (Entry& entry : entries_) {
    if (!kept.empty()) {
      const Entry& last = kept.back();
      if (last.term == entry.term && last.record == entry.record && last.offset == entry.offset) continue;
    }
    kept.push_back(std::move(entry));
  }
  entries_ = std::move(kept);
  group();
}

void IndexList::group() {
  groups_.clear();
  size_t next = 0;
  while (next < entries_.size()) {
    Group g;
    g.first = next;
    while (next < entries_.size()) {
      g.bytes += entrySize(entries_[next]);
      ++g.count;
      ++next;
      if (g.bytes > kDataRecordLimit) break;
    }
    groups_.push_back(g);
  }
}

size_t IndexList::recordSize(size_t i) const {
  if (i == 0) {
    size_t bytes = 0;
    for (const Group& g : groups_) bytes += entries_[g.first].term.size() + 1;
    return bytes;
  }
  return groups_[i - 1].bytes;
}

void IndexList::appendRecord(size_t i, ByteBuffer& out) const {
  if (i == 0) {
    for (const Group& g : groups_) out.appendCString(entries_[g.first].term);
    return;
  }
  const Group& g = groups_[i - 1];
  for (size_t e = g.first; e < g.first + g.count; ++e) {
    out.appendU16(entries_[e].record);
    out.appendU16(entries_[e].offset);
    out.appendCString(entries_[e].term);
  }
}

}  // namespace scrivora
