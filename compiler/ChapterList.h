#pragma once
// The book's chapter entries, in text order: where each chapter tag stands
// (the position of its backslash) and the title the reader lists for it
// (level indentation included, at most 80 characters).
//
// Entries are made in the small pass only; the chapter count is kept in both
// passes. Pagination may move a line that carries chapter entries to the next
// page and scan it again: the entries of that line are then withdrawn and
// made again when the line is scanned anew. A scan that went back to an
// earlier break point (a line broken before a word that did not fit) meets
// the same tags again as well; making an entry therefore first drops every
// entry at or after its position, so a chapter is never listed twice.
//
// After the second pass removeDuplicates() runs once; the writer then stores
// one record per entry: the position (u32, big-endian), the title and a zero
// byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BookSection.h"
#include "TextPassContext.h"

namespace scrivora {

class ChapterList : public BookSection {
 public:
  struct Entry {
    uint32_t position = 0;
    std::string title;
  };

  // Starts counting a new pass; the entries made so far stay.
  void beginPass(FontPass pass);

  // A chapter tag at `position` titled `title`: counted in both passes,
  // listed in the small pass.
  void add(FontPass pass, uint32_t position, const std::string& title);

  // The line that starts at `lineStart` moves to the next page: every entry
  // made on it (position at or after lineStart) is withdrawn, from the list in
  // the small pass and from the count in both. Returns how many were
  // withdrawn. Safe to call for any moved line, whether or not it holds one.
  size_t withdrawFrom(FontPass pass, size_t lineStart);

  // Chapter entries counted in the current pass.
  int count() const { return int(passPositions_.size()); }

  // After the second pass: an entry whose title and position equal those of
  // the last entry kept is dropped. The list stays in text order.
  void removeDuplicates();

  size_t size() const { return entries_.size(); }
  const Entry& at(size_t i) const { return entries_[i]; }

  size_t recordCount() const override { return entries_.size(); }
  size_t recordSize(size_t i) const override;
  void appendRecord(size_t i, ByteBuffer& out) const override;

 private:
  void dropFrom(size_t position, FontPass pass);

  std::vector<Entry> entries_;
  // Positions of the entries counted in the current pass, in the order made.
  std::vector<uint32_t> passPositions_;
};

}  // namespace scrivora
