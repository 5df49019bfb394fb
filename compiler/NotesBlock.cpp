#include "NotesBlock.h"

#include <algorithm>
#include <cstring>

namespace scrivora {

namespace {

uint8_t foldAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? uint8_t(c - 'A' + 'a') : c; }

bool sameByte(uint8_t a, uint8_t b, bool ignoreCase) { return ignoreCase ? foldAscii(a) == foldAscii(b) : a == b; }

}  // namespace

size_t findMarker(const uint8_t* text, size_t length, size_t from, std::string_view marker, bool ignoreCase) {
  if (marker.empty()) return from <= length ? from : kMarkerNotFound;
  const uint8_t first = uint8_t(marker[0]);
  // With nothing matched, bytes other than the first marker byte only keep
  // the scan where it is, so it may jump straight to the next candidate.
  const bool firstIsLetter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
  const bool canJump = !ignoreCase || !firstIsLetter;
  size_t matched = 0;
  for (size_t i = from; i < length; ++i) {
    if (matched == 0 && canJump) {
      const void* candidate = std::memchr(text + i, first, length - i);
      if (!candidate) return kMarkerNotFound;
      i = size_t(static_cast<const uint8_t*>(candidate) - text);
    }
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
  sidebarOpenings_ = OpeningIndex();
  footnoteOpenings_ = OpeningIndex();
}

const NotesBlock::OpeningIndex& NotesBlock::openingIndex(NoteKind kind) const {
  OpeningIndex& index = kind == NoteKind::Sidebar ? sidebarOpenings_ : footnoteOpenings_;
  if (index.built) return index;
  index.built = true;
  const std::string_view marker = blockOpening(kind);
  index.idleAt.assign(bytes_.size() + 1, 0);
  size_t matched = 0;
  for (size_t i = 0; i < bytes_.size(); ++i) {
    index.idleAt[i] = matched == 0;
    if (sameByte(bytes_[i], uint8_t(marker[matched]), true)) {
      if (++matched == marker.size()) {
        index.openings.push_back(i + 1 - marker.size());
        matched = 0;
      }
    } else {
      matched = 0;
    }
  }
  index.idleAt[bytes_.size()] = matched == 0;
  indexOpeningIds(index, marker.size());
  return index;
}

void NotesBlock::indexOpeningIds(OpeningIndex& index, size_t openingLength) const {
  std::unordered_map<std::string, size_t> starts;
  for (size_t opening : index.openings) {
    const size_t idBegin = opening + openingLength;
    size_t quote = idBegin;
    while (quote < bytes_.size() && bytes_[quote] != '"') ++quote;
    const size_t checkedEnd = std::min(quote + 2, bytes_.size());
    if (std::find(bytes_.begin() + idBegin, bytes_.begin() + checkedEnd, '<') != bytes_.begin() + checkedEnd) return;
    // An opening whose id is not closed by "> names no block.
    if (quote + 1 >= bytes_.size() || bytes_[quote + 1] != '>') continue;
    std::string id(bytes_.begin() + idBegin, bytes_.begin() + quote);
    for (char& c : id) c = char(foldAscii(uint8_t(c)));
    starts.emplace(std::move(id), skipLineFeeds(quote + 2));
  }
  index.bodyStartById = std::move(starts);
  index.idsIndexed = true;
}

size_t NotesBlock::skipLineFeeds(size_t from) const {
  while (from < bytes_.size() && bytes_[from] == '\n') ++from;
  return from;
}

size_t NotesBlock::nextOpening(NoteKind kind, size_t from) const {
  const OpeningIndex& index = openingIndex(kind);
  const std::string_view marker = blockOpening(kind);
  size_t matched = 0;
  for (size_t i = from; i <= bytes_.size(); ++i) {
    if (matched == 0 && index.idleAt[i]) {
      // In step with the whole-block scan from here on.
      auto next = std::lower_bound(index.openings.begin(), index.openings.end(), i);
      return next == index.openings.end() ? kMarkerNotFound : *next;
    }
    if (i == bytes_.size()) break;
    if (sameByte(bytes_[i], uint8_t(marker[matched]), true)) {
      if (++matched == marker.size()) return i + 1 - marker.size();
    } else {
      matched = 0;
    }
  }
  return kMarkerNotFound;
}

size_t NotesBlock::findBodyStart(NoteKind kind, const std::string& id) const {
  const OpeningIndex& index = openingIndex(kind);
  if (!index.idsIndexed || id.find('"') != std::string::npos) return walkToBodyStart(kind, id);
  std::string folded = id;
  for (char& c : folded) c = char(foldAscii(uint8_t(c)));
  auto found = index.bodyStartById.find(folded);
  return found == index.bodyStartById.end() ? kMarkerNotFound : found->second;
}

size_t NotesBlock::openingBefore(NoteKind kind, size_t bodyStart, size_t idLength) const {
  size_t afterOpening = std::min(bodyStart, bytes_.size());
  while (afterOpening > 0 && bytes_[afterOpening - 1] == '\n') --afterOpening;
  const size_t openingLength = blockOpening(kind).size() + idLength + 2;  // and the closing ">
  return afterOpening >= openingLength ? afterOpening - openingLength : 0;
}

size_t NotesBlock::walkToBodyStart(NoteKind kind, const std::string& id) const {
  std::string tail = id + "\">";
  const size_t openingLength = blockOpening(kind).size();
  size_t from = 0;
  for (;;) {
    size_t opening = nextOpening(kind, from);
    if (opening == kMarkerNotFound) return kMarkerNotFound;
    // The scan for the whole pattern goes on into the id; at the first byte
    // that differs it starts again, with nothing matched, at the next byte.
    size_t at = opening + openingLength;
    size_t k = 0;
    while (k < tail.size() && at + k < bytes_.size() && sameByte(bytes_[at + k], uint8_t(tail[k]), true)) ++k;
    if (k == tail.size()) return skipLineFeeds(at + k);
    if (at + k >= bytes_.size()) return kMarkerNotFound;
    from = at + k + 1;
  }
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
