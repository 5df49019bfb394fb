#pragma once
// The book's index: one entry per \I term, holding the text location of the
// \I tag (text record from 1, offset within it) and the term as written
// (letter case kept, at most 80 characters).
//
// Terms are collected in the small pass; a line that pagination scans again
// may collect a term twice, which buildRecords() removes. After the second
// pass buildRecords() sorts the entries the way the reader's index shows them
// and groups them into data records; the writer then stores
// - record 0, the directory: the first term of every data record, each with a
//   zero byte;
// - data record k (from 1): its entries in order, each as record number (u16),
//   offset (u16), the term and a zero byte.
// An empty index has no records at all.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BookSection.h"
#include "TextPassContext.h"

namespace scrivora {

class IndexList : public BookSection {
 public:
  struct Entry {
    uint16_t record = 1;
    uint16_t offset = 0;
    std::string term;
  };

  // A data record is closed by the entry that brings it above this size.
  static constexpr size_t kDataRecordLimit = 62000;

  void add(TextLocation location, const std::string& term);

  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  const Entry& at(size_t i) const { return entries_[i]; }

  // After the second pass: sort (terms compared byte by byte through the
  // sort key table as unsigned values, spaces, hyphens and apostrophes (0x27)
  // skipped, a term that runs out first coming first; then record, then
  // offset), drop repeats of the same term at the same place, and group the
  // entries into data records. May be called again after more adds.
  void buildRecords();

  // True when `a` sorts before `b` in the index.
  static bool sortsBefore(const Entry& a, const Entry& b);
  // <0, 0 or >0: the two terms compared as the index sorts them (folded,
  // with spaces, hyphens and apostrophes skipped).
  static int compareTerms(const std::string& a, const std::string& b);
  // The byte a term byte is compared as.
  static uint8_t sortKey(uint8_t byte);

  size_t dataRecordCount() const { return groups_.size(); }
  size_t recordCount() const override { return groups_.empty() ? 0 : groups_.size() + 1; }
  size_t recordSize(size_t i) const override;
  void appendRecord(size_t i, ByteBuffer& out) const override;

 private:
  struct Group {
    size_t first = 0;  // index of the record's first entry
    size_t count = 0;
    size_t bytes = 0;
  };
  static size_t entrySize(const Entry& entry) { return 4 + entry.term.size() + 1; }
  void group();

  std::vector<Entry> entries_;
  std::vector<Group> groups_;
};

}  // namespace scrivora
