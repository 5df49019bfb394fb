#pragma once
// The characters of a stretch of a document, read once for a search: as the
// 8-bit editor text the searches run over, and as the document's own
// characters, from which matched text is copied.

#include <string>

#include <QString>

#include "TextDocumentModel.h"

namespace scrivora {

// The byte that stands for a character Windows-1252 has no byte for: the
// searches read it as one character that no typed pattern matches by mistake.
constexpr char kUnmappedByte = 0x1A;

struct TextSnapshot {
  int start = 0;      // document position of the first character
  std::string bytes;  // editor characters: objects are 1, paragraph ends CR
  QString unicode;    // the same characters as the document holds them

  int end() const { return start + int(bytes.size()); }
  // The document's characters of [from, to), given as document positions.
  QString unicodeOf(int from, int to) const { return unicode.mid(from - start, to - from); }
  // Whether the character at a document position is a book object.
  bool isObjectAt(int position) const { return bytes[size_t(position - start)] == char(kObjectChar); }
};

// The snapshot of [start, end), clamped to the document.
TextSnapshot takeSnapshot(const TextDocumentModel& view, int start, int end);

}  // namespace scrivora
