#include "TmlPositionMap.h"

#include <algorithm>

namespace scrivora {

void TmlPositionMap::mark(int position, size_t offset) {
  if (!marks_.empty() && marks_.back().position >= position) return;
  marks_.push_back({position, offset});
}

size_t TmlPositionMap::offsetOf(int position) const {
  if (marks_.empty()) return 0;
  auto after = std::upper_bound(marks_.begin(), marks_.end(), position,
                                [](int p, const Mark& mark) { return p < mark.position; });
  if (after == marks_.begin()) return marks_.front().offset;
  const Mark& at = *(after - 1);
  size_t offset = at.offset + size_t(position - at.position);
  if (after != marks_.end()) offset = std::min(offset, after->offset);
  return offset;
}

int TmlPositionMap::positionOf(size_t offset) const {
  if (marks_.empty()) return 0;
  auto after = std::upper_bound(marks_.begin(), marks_.end(), offset,
                                [](size_t o, const Mark& mark) { return o < mark.offset; });
  if (after == marks_.begin()) return marks_.front().position;
  const Mark& at = *(after - 1);
  const size_t step = offset - at.offset;
  if (after == marks_.end()) return at.position;
  return at.position + int(std::min(step, size_t(after->position - at.position)));
}

}  // namespace scrivora
