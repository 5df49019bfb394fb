#pragma once
// Places in the text a build compiles, told as the line and column of the
// source file as the author wrote it.
//
// The build compiles a rewritten copy of the file: a UTF-8 file converted to
// Windows-1252, control bytes 0x00-0x08 dropped, every line end made one line
// feed, and the footnote and sidebar blocks split off the end into a notes
// block. The rewrites record where the texts part (OffsetMap), and the line
// starts are found only when the first message asks for a place, so a build
// without messages pays nothing for positions.
//
// Lines count from 1, each LF, CR LF or lone CR of the file ending one;
// columns count bytes of the file from 1 (a UTF-8 byte-order mark is not part
// of the first line, as editors do not show it).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BuildLog.h"
#include "OffsetMap.h"

namespace scrivora {

class SourceMap {
 public:
  explicit SourceMap(std::string file = std::string()) : file_(std::move(file)) {}

  // Converted text -> bytes of the file; stays empty when the file was taken
  // as it is.
  OffsetMap& conversion() { return conversion_; }
  // Normalised text -> converted text.
  OffsetMap& normalisation() { return normalisation_; }

  // The normalised text the positions are asked about: the main text and the
  // notes block that was split off after it. Set again after the split; both
  // calls describe the same bytes.
  void setText(const uint8_t* mainText, size_t mainLength, const uint8_t* notes = nullptr, size_t notesLength = 0);

  // A byte offset in the main text, or in the notes block.
  SourcePosition positionInText(size_t offset) const;
  SourcePosition positionInNotes(size_t offset) const;

 private:
  SourcePosition positionOf(size_t normalised) const;
  void findLineStarts() const;
  // Where a byte of the normalised text stands in the file.
  size_t fileOffsetOf(size_t normalised) const;

  std::string file_;
  OffsetMap conversion_;
  OffsetMap normalisation_;
  const uint8_t* mainText_ = nullptr;
  size_t mainLength_ = 0;
  const uint8_t* notes_ = nullptr;
  size_t notesLength_ = 0;
  // Normalised offsets where each line starts; found at the first request.
  mutable std::vector<uint32_t> lineStarts_;
  mutable bool lineStartsFound_ = false;
};

// A place in the text of a build, turned into a position only when a message
// about it is reported. Without a map (a text compiled on its own, or a build
// that keeps no positions) the message has no place.
struct TextPlace {
  const SourceMap* map = nullptr;
  size_t offset = 0;
  bool inNotes = false;

  SourcePosition position() const;
  // The place `distance` bytes further on.
  TextPlace advancedBy(size_t distance) const { return TextPlace{map, offset + distance, inNotes}; }
};

// The build log's hooks for a message about a place in the text.
void reportErrorAt(const TextPlace& place, const char* format, ...) SCRIVORA_PRINTF(2, 3);
void reportWarningAt(const TextPlace& place, const char* format, ...) SCRIVORA_PRINTF(2, 3);

}  // namespace scrivora
