#pragma once
// The four tables one build shares between its phases. Each starts with a 0
// entry appended by whoever fills it (the sidebar and footnote tables stay
// completely empty when the book has none).

#include <cstdint>
#include <vector>

namespace scrivora {

using U32Table = std::vector<uint32_t>;

struct BuildTables {
  // 0, then the text offset just after each text record's last byte; entry
  // k-1 is therefore where text record k (counted from 1) starts.
  U32Table textRecordEnds;
  // 0, then the compressed size of each text record.
  U32Table textRecordSizes;
  // Empty without sidebars/footnotes; otherwise 0, then the compressed size of
  // each body record, all ids in list order.
  U32Table sidebarRecordSizes;
  U32Table footnoteRecordSizes;

  BuildTables() {
    // The tables start with room for 1024 entries, as 4096-byte arrays did.
    textRecordEnds.reserve(1024);
    textRecordSizes.reserve(1024);
    sidebarRecordSizes.reserve(1024);
    footnoteRecordSizes.reserve(1024);
  }
};

}  // namespace scrivora
