#pragma once
// The ids that \Fn="id" (footnotes) or \Sd="id" (sidebars) refer to; one list
// for each kind. Ids are cut to 255 bytes and lower-cased when added (small
// pass); finish() sorts them (bytes compared as signed values) and drops
// repeats after the second pass. The build driver then finds each id's block
// (setBodyStart) and writes its body (setRecordCount), and the writer stores
// the list as the kind's index record: for each id in order the number of body
// records (u16), the id's length (u8), the id and a zero byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BookSection.h"
#include "SourceMap.h"

namespace scrivora {

class ReferenceList : public ReferenceSource {
 public:
  static constexpr size_t kLongestId = 255;

  struct Entry {
    std::string id;            // at most 255 bytes, lower-cased
    uint32_t bodyStart = 0;    // offset of the block's body in the notes block
    uint32_t recordCount = 0;  // body records written for the id
    TextPlace reference;       // the first reference to the id
  };

  // A reference at `place` to `id`.
  void add(const std::string& id, TextPlace place = TextPlace());

  // After the second pass: sort by id, comparing bytes as signed 8-bit
  // values, then drop an id equal to the last one kept (the order of equal
  // ids is kept, so the first reference stays).
  void finish();

  bool empty() const { return entries_.empty(); }
  size_t idCount() const override { return entries_.size(); }
  const std::string& idAt(size_t i) const override { return entries_[i].id; }
  uint32_t recordCountAt(size_t i) const override { return entries_[i].recordCount; }

  uint32_t bodyStartAt(size_t i) const { return entries_[i].bodyStart; }
  const TextPlace& referenceAt(size_t i) const { return entries_[i].reference; }
  void setBodyStart(size_t i, uint32_t offset) { entries_[i].bodyStart = offset; }
  void setRecordCount(size_t i, uint32_t records) { entries_[i].recordCount = records; }

  // The whole list as the kind's index record.
  size_t indexRecordSize() const;
  void appendIndexRecord(ByteBuffer& out) const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace scrivora
