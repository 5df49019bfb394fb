#include "SourceMap.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace scrivora {

void SourceMap::setText(const uint8_t* mainText, size_t mainLength, const uint8_t* notes, size_t notesLength) {
  mainText_ = mainText;
  mainLength_ = mainLength;
  notes_ = notes;
  notesLength_ = notesLength;
}

SourcePosition SourceMap::positionInText(size_t offset) const { return positionOf(offset); }

SourcePosition SourceMap::positionInNotes(size_t offset) const { return positionOf(mainLength_ + offset); }

void SourceMap::findLineStarts() const {
  lineStartsFound_ = true;
  lineStarts_.assign(1, 0);
  size_t base = 0;
  for (const auto& piece : {std::make_pair(mainText_, mainLength_), std::make_pair(notes_, notesLength_)}) {
    const uint8_t* bytes = piece.first;
    const size_t length = piece.first ? piece.second : 0;
    for (size_t at = 0; at < length;) {
      const void* lineFeed = std::memchr(bytes + at, '\n', length - at);
      if (!lineFeed) break;
      at = size_t(static_cast<const uint8_t*>(lineFeed) - bytes) + 1;
      lineStarts_.push_back(uint32_t(base + at));
    }
    base += length;
  }
}

size_t SourceMap::fileOffsetOf(size_t normalised) const {
  return conversion_.originalOf(normalisation_.originalOf(normalised));
}

SourcePosition SourceMap::positionOf(size_t normalised) const {
  if (!lineStartsFound_) findLineStarts();
  SourcePosition position;
  position.file = file_;
  const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), normalised);
  const size_t line = size_t(after - lineStarts_.begin());
  // The file's line begins after the line end that the previous normalised
  // line feed stands for (a CR of CR LF was dropped before it, a lone CR
  // became it); the first line begins where the converted text does.
  const size_t lineStart = line == 1 ? conversion_.originalOf(0) : fileOffsetOf(lineStarts_[line - 1] - 1) + 1;
  const size_t offset = fileOffsetOf(normalised);
  position.line = int(line);
  position.column = int(offset >= lineStart ? offset - lineStart + 1 : 1);
  return position;
}

SourcePosition TextPlace::position() const {
  if (!map) return SourcePosition();
  return inNotes ? map->positionInNotes(offset) : map->positionInText(offset);
}

namespace {

// Positions are worked out only for a sink that keeps them; the function
// slots drop them anyway.
SourcePosition positionForLog(const TextPlace& place) { return currentLogSink() ? place.position() : SourcePosition(); }

}  // namespace

void reportErrorAt(const TextPlace& place, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatMessage(format, args);
  va_end(args);
  reportErrorAt(positionForLog(place), "%s", text.c_str());
}

void reportWarningAt(const TextPlace& place, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatMessage(format, args);
  va_end(args);
  reportWarningAt(positionForLog(place), "%s", text.c_str());
}

}  // namespace scrivora
