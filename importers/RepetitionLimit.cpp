#include "RepetitionLimit.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace scrivora {

namespace {

// Counts past this are all "too many"; it keeps the products from overflowing.
constexpr unsigned long kSaturated = 1ul << 40;

unsigned long saturatedProduct(unsigned long a, unsigned long b) {
  if (a == 0 || b == 0) return 0;
  return a > kSaturated / b ? kSaturated : a * b;
}

// One open group: the pieces it holds so far, and the size of its last
// piece, which a following repetition operator copies.
struct GroupFrame {
  unsigned long pieces = 0;
  unsigned long lastPiece = 0;
};

// The end of a bracket expression that starts at `at` (on the '['), or the
// pattern's size when it is not closed.
size_t bracketEnd(const std::string& pattern, size_t at) {
  size_t i = at + 1;
  if (i < pattern.size() && pattern[i] == '^') ++i;
  if (i < pattern.size() && pattern[i] == ']') ++i;  // a leading ']' is a member
  while (i < pattern.size() && pattern[i] != ']') {
    if (pattern[i] == '[' && i + 1 < pattern.size() &&
        (pattern[i + 1] == ':' || pattern[i + 1] == '.' || pattern[i + 1] == '=')) {
      const char kind = pattern[i + 1];
      size_t close = pattern.find(std::string(1, kind) + "]", i + 2);
      i = close == std::string::npos ? pattern.size() : close + 2;
      continue;
    }
    ++i;
  }
  return i;
}

// Reads "{m}", "{m,}" or "{m,n}" at `at` (on the '{'). False when it is not
// a bound, which the library then judges.
bool readBound(const std::string& pattern, size_t at, unsigned long& low, unsigned long& high, bool& open,
               size_t& end) {
  size_t i = at + 1;
  auto number = [&](unsigned long& value) {
    const size_t start = i;
    value = 0;
    while (i < pattern.size() && std::isdigit((unsigned char)pattern[i])) {
      value = std::min(kSaturated, value * 10 + unsigned(pattern[i] - '0'));
      ++i;
    }
    return i > start;
  };
  if (!number(low)) return false;
  high = low;
  open = false;
  if (i < pattern.size() && pattern[i] == ',') {
    ++i;
    open = !number(high);
  }
  if (i >= pattern.size() || pattern[i] != '}') return false;
  end = i + 1;
  return true;
}

}  // namespace

bool repetitionWithinLimits(const std::string& pattern, std::string& reason) {
  std::vector<GroupFrame> groups(1);
  for (size_t i = 0; i < pattern.size();) {
    GroupFrame& frame = groups.back();
    const char c = pattern[i];
    unsigned long piece = 1;
    if (c == '\\') {
      i += 2;
    } else if (c == '[') {
      i = bracketEnd(pattern, i) + 1;
    } else if (c == '(') {
      groups.emplace_back();
      ++i;
      continue;
    } else if (c == ')' && groups.size() > 1) {
      piece = std::max<unsigned long>(frame.pieces, 1);
      groups.pop_back();
      ++i;
    } else if (c == '|') {
      frame.lastPiece = 0;
      ++i;
      continue;
    } else if (c == '{') {
      unsigned long low, high;
      bool open;
      size_t end;
      if (!readBound(pattern, i, low, high, open, end)) {
        ++i;
      } else {
        const unsigned long count = open ? low + 1 : std::max(low, high);
        if (std::max(low, high) > kMaxRepetitionCount) {
          reason = "a repetition count above " + std::to_string(kMaxRepetitionCount);
          return false;
        }
        // The bound copies the piece before it count times in all.
        const unsigned long copied = saturatedProduct(frame.lastPiece, count);
        frame.pieces = std::min(kSaturated, frame.pieces - frame.lastPiece + copied);
        frame.lastPiece = copied;
        i = end;
      }
      if (frame.pieces > kMaxRepeatedPieces) break;
      continue;
    } else if (c == '+') {
      // "x+" is compiled as "xx*".
      frame.pieces = std::min(kSaturated, frame.pieces + frame.lastPiece);
      frame.lastPiece = std::min(kSaturated, frame.lastPiece * 2);
      ++i;
      continue;
    } else if (c == '*' || c == '?') {
      ++i;
      continue;
    } else {
      ++i;
    }
    GroupFrame& current = groups.back();
    current.pieces = std::min(kSaturated, current.pieces + piece);
    current.lastPiece = piece;
  }
  unsigned long largest = 0;
  for (const GroupFrame& frame : groups) largest = std::max(largest, frame.pieces);
  if (largest > kMaxRepeatedPieces) {
    reason = "repetitions that make more than " + std::to_string(kMaxRepeatedPieces) + " pieces";
    return false;
  }
  return true;
}

}  // namespace scrivora
