#pragma once
// Offsets in a rewritten text traced back to the text it was made from.
//
// A rewrite that copies most bytes as they are (dropping control bytes,
// joining CR LF, converting UTF-8 to Windows-1252) records a point only where
// the two texts stop running in step: from that byte of the rewritten text on,
// bytes stem from the given byte of the original. Between two points both
// texts advance together, so a text copied unchanged costs nothing, and the
// offsets are looked up only when somebody asks (a message about a place).
//
// Several rewritten bytes made from one character (a \UXXXX tag standing for
// a UTF-8 character) all trace back into that character: a byte never maps
// past the original offset where the next point begins.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scrivora {

class OffsetMap {
 public:
  // From `rewritten` on, byte rewritten + k stems from byte original + k.
  // Points come in increasing order of both offsets; a point at the same
  // rewritten offset as the last one replaces it.
  void resumeAt(size_t rewritten, size_t original);

  // The offset in the original text that the rewritten byte stems from.
  size_t originalOf(size_t rewritten) const;

  bool empty() const { return points_.empty(); }
  void clear() { points_.clear(); }

 private:
  // 32 bits keep the map small: a book's text positions are 32 bits anyway.
  struct Point {
    uint32_t rewritten;
    uint32_t original;
  };
  std::vector<Point> points_;
};

}  // namespace scrivora
