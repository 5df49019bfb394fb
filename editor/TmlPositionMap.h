#pragma once
// Where the editor's positions went in a TML text written from them, and
// back. The writer marks a position and the length of its output whenever
// the two stop running side by side (tags, escapes, line ends, objects);
// between two marks each editor character is one byte of TML.

#include <cstddef>
#include <vector>

namespace scrivora {

class TmlPositionMap {
 public:
  // Marks are made in writing order; a second mark for the same position
  // keeps the first, the place where that position's writing began.
  void mark(int position, size_t offset);

  bool empty() const { return marks_.empty(); }
  // The TML offset where the character at an editor position was written.
  size_t offsetOf(int position) const;
  // The editor position of the character written at or after a TML offset;
  // offsets inside tags give the character the tags stand before.
  int positionOf(size_t offset) const;

 private:
  struct Mark {
    int position;
    size_t offset;
  };
  std::vector<Mark> marks_;
};

}  // namespace scrivora
