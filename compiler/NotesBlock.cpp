#include "NotesBlock.h"

#include <algorithm>

namespace scrivora {

namespace {

uint8_t foldAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? uint8_t(c - 'A' + 'a') : c; }

bool sameByte(uint8_t a, uint8_t b, bool ignoreCase) {
  return ignoreCase ? foldAscii(a) == foldAscii(b) : a == b;
}

}  // namespace

size_t findMarker(const uint8_t* text, size_t length, size_t from, std::string_view marker, bool ignoreCase) {
  if (marker.empty()) return from <= length ? from : kMarkerNotFound;
  size_t matched = 0;
  for (size_t i = from; i < length; ++i) {
    if (sameByte(text[i], uint8_t(marker[matched]), ignoreCase)) {
      if (++matched == marker.size()) return i + 1 - marker.size();
    } else {
      matched = 0;
    }
  }
  return kMarkerNotFound;
}

std::string_view blockOpening(NoteKind kind) {
  return kind == NoteKind::Sidebar ? std::string_view("<sidebar id=\"") : std::string_view("<footnote id=\"");
}

std::string_view blockEndTag(NoteKind kind) {
  return kind == NoteKind::Sidebar ? std::string_view("</sidebar>") : std::string_view("</footnote>");
}

size_t mainTextEnd(const uint8_t* text, size_t length) {
  size_t sidebar = findMarker(text, length, 0, blockOpening(NoteKind::Sidebar), false);
  size_t footnote = findMarker(text, length, 0, blockOpening(NoteKind::Footnote), false);
  size_t end = std::min(sidebar, footnote);
  if (end == kMarkerNotFound) return length;
  while (end > 0 && text[end - 1] == '\n') --end;
  return end;
}

NotesBlock NotesBlock::splitFrom(std::vector<uint8_t>& source) {
  size_t end = mainTextEnd(source.data(), source.size());
  NotesBlock notes(std::vector<uint8_t>(source.begin() + end, source.end()));
  source.resize(end);
  return notes;
}

void NotesBlock::release() {
  bytes_.clear();
  bytes_.shrink_to_fit();
}

size_t NotesBlock::findBodyStart(NoteKind kind, const std::string& id) const {
  std::string pattern(blockOpening(kind));
  pattern += id;
  pattern += "\">";
  size_t at = findMarker(bytes_.data(), bytes_.size(), 0, pattern, true);
  if (at == kMarkerNotFound) return kMarkerNotFound;
  size_t start = at + pattern.size();
  while (start < bytes_.size() && bytes_[start] == '\n') ++start;
  return start;
}

NoteBody NotesBlock::bodyFrom(NoteKind kind, size_t start) const {
  NoteBody body;
  body.begin = body.end = std::min(start, bytes_.size());
  size_t tag = findMarker(bytes_.data(), bytes_.size(), body.begin, blockEndTag(kind), false);
  if (tag == kMarkerNotFound) return body;
  body.hasEndTag = true;
  size_t end = tag;
  // A body of nothing but line feeds is empty: its end never passes its start.
  while (end > body.begin && bytes_[end - 1] == '\n') --end;
  body.end = end;
  return body;
}

}  // namespace scrivora
