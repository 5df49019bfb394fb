#include "TmlComposer.h"

#include <strings.h>
#include <algorithm>
#include <cstring>

namespace scrivora::modern {

namespace {

// Pixels the widest common characters take in the large font; a guess on
// the generous side keeps tab stops from landing behind the text.
constexpr unsigned kColumnWidth = 7;
constexpr unsigned kLineWidth = 158;
constexpr unsigned kIndentWidth = 8;
// Spaces from one tab stop of preformatted text to the next.
constexpr size_t kTabColumns = 8;
// An image counts as this many columns of text on its line.
constexpr size_t kImageColumns = 20;
// The compiler keeps 80 characters of a chapter title, its indentation
// included.
constexpr size_t kMaxChapterTitle = 80;
constexpr size_t kSpacesPerLevel = 4;

const char* fontTag(TextFont font) {
  switch (font) {
    case TextFont::Small: return "\\s";
    case TextFont::Bold: return "\\b";
    case TextFont::Large: return "\\l";
    case TextFont::Base: break;
  }
  return "";
}

const char* scriptTag(ScriptPosition script) {
  return script == ScriptPosition::Superscript ? "\\Sp" : script == ScriptPosition::Subscript ? "\\Sb" : "";
}

const char* alignmentTag(LineAlignment alignment) {
  return alignment == LineAlignment::Centre ? "\\c" : alignment == LineAlignment::Right ? "\\r" : "";
}

bool isHtmlSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0xA0; }

// Printable ASCII but the backslash, space included: what text is made of.
constexpr bool isAsciiTextByte(unsigned char c) { return c >= ' ' && c < 0x7F && c != '\\'; }

}  // namespace

void TmlComposer::begin(std::string preamble, size_t expectedSize) {
  out_ = std::move(preamble);
  out_.reserve(out_.size() + expectedSize);
}

void TmlComposer::requestBreak(int lineEnds) {
  pendingLineEnds_ = std::max(pendingLineEnds_, lineEnds);
  settled_ = false;
}

void TmlComposer::requestPageBreak() {
  pendingPage_ = true;
  requestBreak(1);
}

void TmlComposer::writeLineEnd() {
  settled_ = false;
  out_ += '\r';
  ++lineEnds_;
  atLineStart_ = true;
  lineColumns_ = 0;
  pendingSpace_ = false;
}

// Alignment and indentation end right after a line end and begin before
// the line's first content, where the clean-up rules place them.
void TmlComposer::closeLineLayout() {
  if (written_.alignment != wanted_.alignment && written_.alignment != LineAlignment::Left) {
    out_ += alignmentTag(written_.alignment);
    written_.alignment = LineAlignment::Left;
  }
  if (written_.indented && !wanted_.indented) {
    out_ += "\\t";
    written_.indented = false;
  }
}

void TmlComposer::openLineLayout() {
  if (written_.alignment != wanted_.alignment) {
    out_ += alignmentTag(wanted_.alignment);
    written_.alignment = wanted_.alignment;
  }
}

void TmlComposer::placeBreaks() {
  if (!started_) {
    pendingLineEnds_ = 0;
    pendingPage_ = false;
    return;
  }
  if (pendingLineEnds_ == 0) return;
  if (writtenHeading_ >= 0) {
    // A chapter title is one line: a break inside it becomes a space.
    pendingSpace_ = true;
    pendingLineEnds_ = 0;
    pendingPage_ = false;
    return;
  }
  closeEmittedLink();
  // Styles that end with the line close before its line end.
  closeStyles();
  if (lineEnds_ == 0) writeLineEnd();
  closeLineLayout();
  while (lineEnds_ < pendingLineEnds_) writeLineEnd();
  // \x breaks the page itself.
  if (pendingPage_ && !(wantedHeading_ == 0 && waitingEntries_.empty())) out_ += "\\p";
  pendingLineEnds_ = 0;
  pendingPage_ = false;
}

void TmlComposer::closeStyles() {
  InlineStyle& written = written_.style;
  const InlineStyle& wanted = wanted_.style;
  if (written.font != wanted.font && written.font != TextFont::Base) {
    out_ += fontTag(written.font);
    written.font = TextFont::Base;
  }
  if (written.script != wanted.script && written.script != ScriptPosition::Normal) {
    out_ += scriptTag(written.script);
    written.script = ScriptPosition::Normal;
  }
  if (written.italic && !wanted.italic) out_ += "\\i", written.italic = false;
  if (written.underline && !wanted.underline) out_ += "\\u", written.underline = false;
  if (written.overstrike && !wanted.overstrike) out_ += "\\o", written.overstrike = false;
}

void TmlComposer::openStyles() {
  InlineStyle& written = written_.style;
  const InlineStyle& wanted = wanted_.style;
  if (written.font != wanted.font) {
    out_ += fontTag(wanted.font);
    written.font = wanted.font;
  }
  if (written.script != wanted.script) {
    out_ += scriptTag(wanted.script);
    written.script = wanted.script;
  }
  if (!written.italic && wanted.italic) out_ += "\\i", written.italic = true;
  if (!written.underline && wanted.underline) out_ += "\\u", written.underline = true;
  if (!written.overstrike && wanted.overstrike) out_ += "\\o", written.overstrike = true;
}

void TmlComposer::closeEmittedLink() {
  if (writtenLink_.empty()) return;
  closeStyles();
  out_ += "\\q";
  writtenLink_.clear();
}

// Everything that has to stand before the next piece of content, in order:
// line ends and layout, chapter entries, the chapter title, styles that end,
// the space, anchors, styles that begin, and (before text only) the link.
void TmlComposer::prepareContent(bool opensText) {
  settled_ = false;
  placeBreaks();
  if (atLineStart_) {
    closeLineLayout();
    openLineLayout();
    pendingSpace_ = false;
  }
  if (!written_.indented && wanted_.indented) {
    out_ += "\\t";
    written_.indented = true;
  }
  if (opensText && wantedHeading_ >= 0 && writtenHeading_ < 0) {
    closeEmittedLink();
    for (const std::string& entry : waitingEntries_) out_ += entry;
    waitingEntries_.clear();
    if (wantedHeading_ == 0) {
      out_ += "\\x";
    } else {
      out_ += "\\X";
      out_ += char('0' + wantedHeading_);
    }
    writtenHeading_ = wantedHeading_;
  }
  closeStyles();
  if (pendingSpace_) {
    out_ += ' ';
    ++lineColumns_;
    pendingSpace_ = false;
  }
  placeWaitingMarks();
  openStyles();
  if (opensText && !wantedLink_.empty() && writtenLink_ != wantedLink_) {
    closeEmittedLink();
    out_ += "\\q=\"#" + wantedLink_ + "\"";
    writtenLink_ = wantedLink_;
  }
  settled_ = opensText;
}

void TmlComposer::placeWaitingMarks() {
  for (const std::string& entry : waitingEntries_) out_ += entry;
  waitingEntries_.clear();
  for (const std::string& name : waitingAnchors_) out_ += "\\Q=\"" + name + "\"";
  waitingAnchors_.clear();
}

void TmlComposer::contentWritten(size_t columns) {
  started_ = true;
  atLineStart_ = false;
  lineEnds_ = 0;
  lineColumns_ += columns;
}

void TmlComposer::lineEnd() {
  settled_ = false;
  if (!started_) return;
  if (writtenHeading_ >= 0) {
    pendingSpace_ = true;
    return;
  }
  placeBreaks();
  pendingSpace_ = false;
  if (lineEnds_ >= 2) return;
  writeLineEnd();
}

void TmlComposer::writePlainCharacter(char32_t c) {
  const CharacterPlace place = writtenHeading_ >= 0 ? CharacterPlace::Title : CharacterPlace::Text;
  characters_.append(c, place, out_);
}

// Writes a run of printable ASCII without backslashes, spaces included:
// spaces at its ends become the pending space, runs of spaces inside it one
// space. This is most of every book, so it goes in pieces, not by the byte.
void TmlComposer::writeAsciiRun(std::string_view run) {
  size_t first = 0, last = run.size();
  while (first < last && run[first] == ' ') ++first;
  while (last > first && run[last - 1] == ' ') --last;
  if (first > 0) pendingSpace_ = true;
  if (first == last) return;
  if (!settled_) {
    prepareContent(true);
  } else if (pendingSpace_) {
    out_ += ' ';
    ++lineColumns_;
    pendingSpace_ = false;
  }
  const size_t before = out_.size();
  for (size_t at = first;;) {
    const size_t doubled = run.find("  ", at);
    if (doubled >= last) {
      out_.append(run.data() + at, last - at);
      break;
    }
    out_.append(run.data() + at, doubled + 1 - at);
    at = doubled;
    while (run[at] == ' ') ++at;
  }
  contentWritten(out_.size() - before);
  if (last < run.size()) pendingSpace_ = true;
}

void TmlComposer::text(std::string_view utf8) {
  const char* data = utf8.data();
  for (size_t at = 0; at < utf8.size();) {
    const unsigned char byte = (unsigned char)data[at];
    if (!preformatted_ && isAsciiTextByte(byte)) {
      size_t end = at + 1;
      while (end < utf8.size() && isAsciiTextByte((unsigned char)data[end])) ++end;
      writeAsciiRun(utf8.substr(at, end - at));
      at = end;
      continue;
    }
    char32_t c = byte;
    size_t length = 1;
    if (byte >= 0x80) {
      uint32_t codePoint = 0xFFFD;
      length = decodeUtf8At(utf8, at, codePoint);
      if (length == 0) length = 1, codePoint = 0xFFFD;
      c = codePoint;
    }
    at += length;
    if (!isHtmlSpace(c)) {
      if (c < 0x20 || c == 0x7F) continue;
      prepareContent(true);
      writePlainCharacter(c);
      contentWritten(1);
      continue;
    }
    if (!preformatted_) {
      pendingSpace_ = true;
    } else if (c == '\n') {
      lineEnd();
    } else if (c != '\r') {
      const size_t spaces = c == '\t' ? kTabColumns - lineColumns_ % kTabColumns : 1;
      prepareContent(true);
      out_.append(spaces, ' ');
      contentWritten(spaces);
    }
  }
}

void TmlComposer::marker(std::string_view tml, size_t columns) {
  prepareContent(false);
  out_ += tml;
  contentWritten(columns);
}

void TmlComposer::openHeading(int level) {
  wantedHeading_ = std::clamp(level, 0, 4);
  settled_ = false;
}

void TmlComposer::closeHeading() {
  if (writtenHeading_ >= 0) {
    closeEmittedLink();
    closeStyles();
    if (writtenHeading_ == 0) {
      out_ += "\\x";
    } else {
      out_ += "\\X";
      out_ += char('0' + writtenHeading_);
    }
  }
  writtenHeading_ = -1;
  wantedHeading_ = -1;
  pendingSpace_ = false;
  settled_ = false;
  std::vector<std::pair<std::string, std::string>> references;
  references.swap(referencesAfterTitle_);
  for (const auto& [id, mark] : references) noteReference(id, mark);
}

void TmlComposer::openLink(const std::string& anchorName) {
  wantedLink_ = anchorName;
  settled_ = false;
}

void TmlComposer::closeLink() {
  closeEmittedLink();
  wantedLink_.clear();
  settled_ = false;
}

void TmlComposer::noteReference(const std::string& noteId, const std::string& utf8Mark) {
  if (wantedHeading_ >= 0) {
    referencesAfterTitle_.emplace_back(noteId, utf8Mark);
    return;
  }
  prepareContent(false);
  // A reference shares the reader's link state with links: never inside one.
  closeEmittedLink();
  out_ += "\\Fn=\"" + noteId + "\"";
  std::string mark;
  bool space = false;
  forEachCodePoint(utf8Mark, [&](char32_t c) {
    if (isHtmlSpace(c)) {
      space = !mark.empty();
      return;
    }
    if (space) mark += ' ';
    space = false;
    characters_.append(c, CharacterPlace::Plain, mark);
  });
  if (mark.empty()) mark = "*";
  out_ += mark;
  out_ += "\\Fn";
  contentWritten(mark.size());
}

void TmlComposer::anchor(const std::string& name) {
  waitingAnchors_.push_back(name);
  settled_ = false;
}

void TmlComposer::chapterEntry(int level, const std::string& utf8Title) {
  level = std::clamp(level, 0, 4);
  std::string title;
  bool space = false;
  forEachCodePoint(utf8Title, [&](char32_t c) {
    if (isHtmlSpace(c)) {
      space = !title.empty();
      return;
    }
    if (space) title += ' ';
    space = false;
    characters_.append(c, CharacterPlace::Argument, title);
  });
  // Cut where the compiler would, but never inside an escape.
  const size_t room = kMaxChapterTitle - kSpacesPerLevel * size_t(level);
  size_t cut = 0, letters = 0;
  while (cut < title.size() && letters < room) {
    size_t length = 1;
    if (title[cut] == '\\') length = title[cut + 1] == 'a' ? 5 : 6;
    cut += length;
    ++letters;
  }
  title.resize(std::min(cut, title.size()));
  if (title.empty()) return;
  waitingEntries_.push_back("\\C" + std::string(1, char('0' + level)) + "=\"" + title + "\"");
  settled_ = false;
}

void TmlComposer::image(const std::string& fileName) {
  prepareContent(false);
  out_ += "\\m=\"" + fileName + "\"";
  contentWritten(kImageColumns);
}

void TmlComposer::comment(const std::string& utf8) {
  // The space before a comment stays for the text after it, so that no space
  // ends up before the comment's closing tag.
  const bool space = pendingSpace_;
  pendingSpace_ = false;
  prepareContent(false);
  pendingSpace_ = space;
  out_ += "\\v";
  bool gap = false, any = false;
  forEachCodePoint(utf8, [&](char32_t c) {
    if (isHtmlSpace(c)) {
      gap = any;
      return;
    }
    if (gap) out_ += ' ';
    gap = false;
    any = true;
    characters_.append(c, CharacterPlace::Text, out_);
  });
  out_ += "\\v";
  started_ = true;
}

void TmlComposer::rule() {
  requestLineBreak();
  prepareContent(false);
  // The line must be empty for the rule to stand alone on it.
  if (!atLineStart_) writeLineEnd();
  out_ += "\\w=\"100%\"";
  contentWritten(kLineWidth / kColumnWidth);
  requestLineBreak();
}

unsigned TmlComposer::estimatedLineWidth() const {
  return unsigned(lineColumns_) * kColumnWidth + (written_.indented ? kIndentWidth : 0);
}

void TmlComposer::tabStop(unsigned percent) {
  percent = std::min(percent, 100u);
  const unsigned target = percent * kLineWidth / 100;
  pendingSpace_ = false;
  placeBreaks();
  if (started_ && !atLineStart_ && estimatedLineWidth() + kColumnWidth >= target) writeLineEnd();
  prepareContent(false);
  out_ += "\\T=\"" + std::to_string(percent) + "%\"";
  contentWritten(0);
  lineColumns_ = target / kColumnWidth;
}

// Literal "<footnote id=" or "<sidebar id=" in a book's text would cut the
// text there, and "</footnote>" would end a note early: the "<" of such
// words is written as the code of the character instead.
void TmlComposer::protectNoteMarkers() {
  static const char* const kMarkers[] = {"footnote", "sidebar", "/footnote", "/sidebar"};
  for (size_t at = out_.find('<'); at != std::string::npos; at = out_.find('<', at + 1)) {
    for (const char* marker : kMarkers) {
      const size_t length = std::strlen(marker);
      if (out_.size() - at - 1 >= length && strncasecmp(out_.c_str() + at + 1, marker, length) == 0) {
        out_.replace(at, 1, "\\a060");
        at += 4;
        break;
      }
    }
  }
}

std::string TmlComposer::finish() {
  pendingLineEnds_ = 0;
  pendingPage_ = false;
  pendingSpace_ = false;
  placeWaitingMarks();
  closeEmittedLink();
  wantedLink_.clear();
  closeHeading();
  wanted_.style = InlineStyle();
  closeStyles();
  wanted_.alignment = LineAlignment::Left;
  wanted_.indented = false;
  if (written_.alignment != LineAlignment::Left || written_.indented) {
    if (!atLineStart_) writeLineEnd();
    closeLineLayout();
  }
  protectNoteMarkers();
  return std::move(out_);
}

}  // namespace scrivora::modern
