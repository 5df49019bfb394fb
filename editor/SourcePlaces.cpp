#include "SourcePlaces.h"

#include <algorithm>

#include "TextDocumentModel.h"
#include "TmlLoader.h"

namespace scrivora {

void SourcePlaces::setFile(std::string path, std::string bytes) {
  path_ = std::move(path);
  bytes_ = std::move(bytes);
  conversion_.clear();
  normalisation_.clear();
  lineStarts_.clear();
  lineStartsFound_ = false;
  editorPlaces_.clear();
}

void SourcePlaces::findLineStarts() const {
  lineStartsFound_ = true;
  lineStarts_.clear();
  const size_t size = bytes_.size();
  for (size_t at = 0; at < size; ++at) {
    const char c = bytes_[at];
    if (c == '\r') {
      if (at + 1 < size && bytes_[at + 1] == '\n') ++at;
      lineStarts_.push_back(at + 1);
    } else if (c == '\n') {
      lineStarts_.push_back(at + 1);
    }
  }
}

size_t SourcePlaces::lineStart(size_t line) const {
  // The first line begins where the converted text does, behind a
  // byte-order mark.
  if (line <= 1) return conversion_.originalOf(0);
  return lineStarts_[line - 2];
}

size_t SourcePlaces::fileOffsetOf(size_t offset) const {
  return conversion_.originalOf(normalisation_.originalOf(offset));
}

SourcePosition SourcePlaces::positionOf(size_t offset) const {
  if (!lineStartsFound_) findLineStarts();
  const size_t file = fileOffsetOf(offset);
  const size_t line = size_t(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), file) - lineStarts_.begin()) + 1;
  const size_t start = lineStart(line);
  SourcePosition position;
  position.file = path_;
  position.line = int(line);
  position.column = int(file >= start ? file - start + 1 : 1);
  return position;
}

size_t SourcePlaces::offsetAt(int line, int column) const {
  if (!lineStartsFound_) findLineStarts();
  const size_t lines = lineStarts_.size() + 1;
  const size_t wanted = std::clamp(size_t(std::max(line, 1)), size_t(1), lines);
  const size_t start = lineStart(wanted);
  // The line's own end: its LF, CR LF or CR, or the end of the file.
  size_t end = bytes_.size();
  if (wanted < lines) {
    end = lineStarts_[wanted - 1];
    if (end > start && bytes_[end - 1] == '\n') --end;
    if (end > start && bytes_[end - 1] == '\r') --end;
  }
  const size_t file = std::min(start + size_t(std::max(column, 1)) - 1, std::max(start, end));
  return rewrittenOffsetOf(normalisation_, rewrittenOffsetOf(conversion_, file));
}

void SourcePlaces::reached(size_t offset, int editorPosition, bool tagStarts) {
  editorPlaces_.push_back(EditorPlace{offset, editorPosition, tagStarts});
}

EditorRange SourcePlaces::editorRangeOf(size_t offset, int editorLength) const {
  const auto next = std::upper_bound(editorPlaces_.begin(), editorPlaces_.end(), offset,
                                     [](size_t wanted, const EditorPlace& place) { return wanted < place.offset; });
  if (next == editorPlaces_.begin()) {
    // Before the first place the loader told of: the information block,
    // which the editor keeps apart from the text.
    const int start = editorPlaces_.empty() ? 0 : editorPlaces_.front().position;
    return EditorRange{start, start};
  }
  const EditorPlace& from = *(next - 1);
  const int limit = next != editorPlaces_.end() ? next->position : editorLength;
  if (from.tagStarts) return EditorRange{from.position, std::max(from.position, limit)};
  // Ordinary text is one character per byte, as far as the next tag; text
  // that waits for a later object (a comment's) stops short of it.
  const int at = int(std::min<size_t>(size_t(from.position) + (offset - from.offset), size_t(std::max(limit, 0))));
  if (at >= limit && next != editorPlaces_.end() && next->tagStarts) {
    // Text that became part of the tag behind it: a comment's text is its
    // object.
    const int tagEnd = next + 1 != editorPlaces_.end() ? (next + 1)->position : editorLength;
    if (tagEnd > limit) return EditorRange{limit, tagEnd};
  }
  return EditorRange{at, std::min(at + 1, std::max(limit, at))};
}

SourcePosition sourcePositionAt(const SourcePlaces* places, size_t offset) {
  // The function slots drop positions anyway; no need to work them out.
  if (places == nullptr || currentLogSink() == nullptr) return SourcePosition();
  return places->positionOf(offset);
}

size_t rewrittenOffsetOf(const OffsetMap& map, size_t original) {
  if (map.empty()) return original;
  // The map only answers the other way; the original offsets grow with the
  // rewritten ones, so the first rewritten byte at or past `original` is
  // found by halving.
  size_t high = original + 1;
  while (map.originalOf(high) < original) high *= 2;
  size_t low = 0;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (map.originalOf(middle) < original) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

namespace {

size_t commonPrefix(const std::u32string& a, const std::u32string& b) {
  return size_t(std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin());
}

size_t commonSuffix(const std::u32string& a, const std::u32string& b, size_t prefix) {
  const size_t most = std::min(a.size(), b.size()) - prefix;
  size_t length = 0;
  while (length < most && a[a.size() - 1 - length] == b[b.size() - 1 - length]) ++length;
  return length;
}

// Whether [start, end) of a text is a whole paragraph.
bool isWholeParagraph(const std::u32string& text, size_t start, size_t end) {
  return (start == 0 || text[start - 1] == kParagraphEndChar) && (end == text.size() || text[end] == kParagraphEndChar);
}

// The start of the whole paragraph equal to `paragraph` that lies nearest to
// `near` in `text`, or npos.
size_t nearestParagraph(const std::u32string& text, const std::u32string& paragraph, size_t near) {
  size_t best = std::u32string::npos;
  for (size_t at = text.find(paragraph); at != std::u32string::npos; at = text.find(paragraph, at + 1)) {
    if (!isWholeParagraph(text, at, at + paragraph.size())) continue;
    const auto distance = [near](size_t from) { return from > near ? from - near : near - from; };
    if (best == std::u32string::npos || distance(at) < distance(best)) best = at;
    if (at > near) break;
  }
  return best;
}

}  // namespace

int correspondingPosition(const std::u32string& saved, const std::u32string& live, int position) {
  const size_t place = std::min(size_t(std::max(position, 0)), saved.size());
  const size_t prefix = commonPrefix(saved, live);
  if (place <= prefix) return int(std::min(place, live.size()));
  const size_t suffix = commonSuffix(saved, live, prefix);
  const size_t savedEdited = saved.size() - suffix;
  const size_t liveEdited = live.size() - suffix;
  if (place >= savedEdited) return int(place - savedEdited + liveEdited);

  // Inside what was edited: the place keeps its share of the edited stretch,
  // unless its paragraph is found unchanged.
  const size_t estimate = prefix + (place - prefix) * (liveEdited - prefix) / (savedEdited - prefix);
  size_t paragraphStart = saved.rfind(char32_t(kParagraphEndChar), place - 1);
  paragraphStart = paragraphStart == std::u32string::npos ? 0 : paragraphStart + 1;
  size_t paragraphEnd = saved.find(char32_t(kParagraphEndChar), place);
  if (paragraphEnd == std::u32string::npos) paragraphEnd = saved.size();
  if (paragraphEnd > paragraphStart) {
    const size_t within = place - paragraphStart;
    const size_t found = nearestParagraph(live, saved.substr(paragraphStart, paragraphEnd - paragraphStart),
                                          estimate > within ? estimate - within : 0);
    if (found != std::u32string::npos) return int(found + within);
  }
  return int(std::min(estimate, live.size()));
}

namespace {

// The scratch load repeats what was reported when the file was opened.
class DiscardingLogSink : public BuildLogSink {
 public:
  void receive(const LogMessage&) override {}
};

}  // namespace

bool findSourcePlace(const std::string& path, int line, int column, const RichTextView& view, EditorRange& range) {
  TextDocumentModel scratch(nullptr, view.zoom(), view.normalFace());
  SourcePlaces places;
  places.recordEditorPlaces();
  // The information block is taken out of the text as when the document
  // was opened.
  BookInfo info;
  {
    DiscardingLogSink quiet;
    ScopedLogSink installed(quiet);
    if (!loadTml(path, &info, &scratch, InputEncoding::Detect, &places)) return false;
  }
  const EditorRange saved = places.editorRangeOf(places.offsetAt(line, column), scratch.length());
  const std::u32string savedText = scratch.textOf(0, scratch.length());
  const std::u32string liveText = view.textOf(0, view.length());
  range.start = correspondingPosition(savedText, liveText, saved.start);
  range.end = std::max(range.start, correspondingPosition(savedText, liveText, saved.end));
  return true;
}

}  // namespace scrivora
