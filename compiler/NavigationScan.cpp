#include "NavigationScan.h"

#include <algorithm>
#include <cstring>

#include "BuildLog.h"

namespace scrivora {

namespace {
constexpr size_t kLongestExcerpt = 255;
}

TextLocation textLocationOf(const U32Table& recordEnds, size_t position) {
  TextLocation location;
  location.offset = uint32_t(position);
  if (recordEnds.size() < 2 || position == 0) return location;
  // The record starts are every entry but the last (which ends the last record).
  auto startsBegin = recordEnds.begin();
  auto startsEnd = recordEnds.end() - 1;
  auto firstNotBelow = std::lower_bound(startsBegin, startsEnd, uint32_t(position));
  size_t startsBelow = size_t(firstNotBelow - startsBegin);
  if (startsBelow == 0) return location;
  location.record = uint32_t(startsBelow);
  location.offset = uint32_t(position - recordEnds[startsBelow - 1]);
  return location;
}

bool NavigationScan::hasAt(size_t position, const char* bytes) const {
  size_t count = std::strlen(bytes);
  if (position > length || length - position < count) return false;
  return std::memcmp(text + position, bytes, count) == 0;
}

size_t NavigationScan::find(uint8_t byte, size_t from) const {
  if (from >= length) return length;
  const void* hit = std::memchr(text + from, byte, length - from);
  return hit ? size_t(static_cast<const uint8_t*>(hit) - text) : length;
}

std::string NavigationScan::slice(size_t from, size_t to) const {
  to = std::min(to, length);
  if (from >= to) return std::string();
  return std::string(reinterpret_cast<const char*>(text + from), to - from);
}

std::string NavigationScan::excerpt(long long from, size_t count) const {
  count = std::min(count, kLongestExcerpt);
  long long end = from + static_cast<long long>(count);
  long long start = std::max(from, 0LL);
  if (end <= start) return std::string();
  return slice(size_t(start), size_t(end));
}

void NavigationScan::raiseFailure() const {
  if (failed) *failed = true;
}

void NavigationScan::excerptError(const char* format, long long from, size_t count) const {
  raiseFailure();
  if (isSmallPass()) reportError(format, excerpt(from, count).c_str());
}

TextLocation NavigationScan::locationOf(size_t position) const {
  if (!textRecordEnds) {
    TextLocation location;
    location.offset = uint32_t(position);
    return location;
  }
  return textLocationOf(*textRecordEnds, position);
}

}  // namespace scrivora
