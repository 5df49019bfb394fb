#pragma once
// What the readers of the navigation tags (chapters, index terms, links,
// anchors, footnote and sidebar references) need to know about the pass that
// meets them: the text being scanned, where its text records begin, which
// font pass is running, the build's failure flag and the counter of \U
// mappings in titles. The text pass builds one of these per pass; nothing in
// it outlives the build.
//
// The three kinds of report:
// - an error with an excerpt raises the failure flag in both passes and is
//   reported only in the small pass, %s standing for an excerpt of the text;
// - a plain error raises the failure flag and is reported in whichever pass
//   meets it;
// - a warning never fails the build (whether it shows in both passes is the
//   caller's rule).

#include <cstddef>
#include <cstdint>
#include <string>

#include "BuildTables.h"

namespace scrivora {

// Which reader font the pass measures. Entries are collected in the small
// pass only; counts and plain errors happen in both.
enum class NavigationPass { Small, Large };

// A text position turned into the pair the book stores: the text record it
// falls in (the first record is 1) and the offset within that record.
struct TextLocation {
  uint32_t record = 1;
  uint32_t offset = 0;
};

// The record is the last one whose start is strictly below the position, so a
// position equal to a record's start belongs to the record before it (at an
// offset equal to that record's length); position 0 is record 1, offset 0.
// recordEnds is the TextRecordEnds table: 0, then the end offset of each
// record. With no records at all every position is in record 1.
TextLocation textLocationOf(const U32Table& recordEnds, size_t position);

struct NavigationScan {
  const uint8_t* text = nullptr;
  size_t length = 0;
  const U32Table* textRecordEnds = nullptr;  // may be null: one record
  NavigationPass pass = NavigationPass::Small;
  bool* failed = nullptr;          // the build's failure flag, kept over both passes
  int* mappingWarnings = nullptr;  // \U in titles and terms, counted over both passes

  bool isSmallPass() const { return pass == NavigationPass::Small; }
  uint8_t byteAt(size_t position) const { return position < length ? text[position] : 0; }
  bool hasAt(size_t position, const char* bytes) const;
  // Position of the first `byte` at or after `from`, or `length` when none.
  size_t find(uint8_t byte, size_t from) const;
  std::string slice(size_t from, size_t to) const;

  // Up to `count` bytes of the text from `from` (at most 255), keeping only
  // the part of that window that lies inside the text: a window that would
  // start before the text starts at its first byte.
  std::string excerpt(long long from, size_t count) const;

  void raiseFailure() const;
  // An error with an excerpt; `format` holds one %s for the excerpt.
  void excerptError(const char* format, long long from, size_t count) const;

  TextLocation locationOf(size_t position) const;
};

}  // namespace scrivora
