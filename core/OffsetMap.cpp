#include "OffsetMap.h"

#include <algorithm>

namespace scrivora {

void OffsetMap::resumeAt(size_t rewritten, size_t original) {
  const Point point{uint32_t(rewritten), uint32_t(original)};
  if (!points_.empty() && points_.back().rewritten == point.rewritten) {
    points_.back() = point;
  } else {
    points_.push_back(point);
  }
}

size_t OffsetMap::originalOf(size_t rewritten) const {
  // The last point at or before the offset; before the first one both texts
  // start together.
  auto next = std::upper_bound(points_.begin(), points_.end(), rewritten,
                               [](size_t offset, const Point& point) { return offset < point.rewritten; });
  size_t fromRewritten = 0;
  size_t fromOriginal = 0;
  if (next != points_.begin()) {
    fromRewritten = (next - 1)->rewritten;
    fromOriginal = (next - 1)->original;
  }
  const size_t original = fromOriginal + (rewritten - fromRewritten);
  // The bytes of a character written as several stay inside it.
  if (next != points_.end() && original >= next->original) {
    return next->original > fromOriginal ? next->original - 1 : fromOriginal;
  }
  return original;
}

}  // namespace scrivora
