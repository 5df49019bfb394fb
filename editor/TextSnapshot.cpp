#include "TextSnapshot.h"

#include <algorithm>

#include <QTextCursor>

namespace scrivora {

namespace {

constexpr size_t kBlock = 64;

// Copies the low bytes of a block of characters; true when all of them were
// ASCII. A fixed length lets the compiler do it many characters at a time.
bool copyAsciiBlock(const char16_t* __restrict unicode, char* __restrict bytes) {
  char16_t seen = 0;
  for (size_t i = 0; i < kBlock; ++i) {
    bytes[i] = char(unicode[i]);
    seen |= unicode[i];
  }
  return seen < 0x80;
}

// The editor byte of a character beyond ASCII at a document position.
int editorByteOf(const TextDocumentModel& view, int position, char16_t unicode) {
  if (unicode == 0x2029) return kParagraphEndChar;
  // The replacement character is an object only where an object's format
  // says so; a typed one is text like any other.
  if (unicode == 0xFFFC) return view.characterAt(position) == kObjectChar ? int(kObjectChar) : kUnmappedByte;
  const int byte = codePageFromUnicode(unicode);
  return byte < 0 ? kUnmappedByte : byte;
}

}  // namespace

TextSnapshot takeSnapshot(const TextDocumentModel& view, int start, int end) {
  TextSnapshot snapshot;
  start = std::clamp(start, 0, view.length());
  end = std::clamp(end, start, view.length());
  snapshot.start = start;
  if (start == 0 && end == view.length()) {
    snapshot.unicode = view.document()->toRawText();
    snapshot.unicode.truncate(end);
  } else {
    QTextCursor range(view.document());
    range.setPosition(start);
    range.setPosition(end, QTextCursor::KeepAnchor);
    snapshot.unicode = range.selectedText();
  }
  const size_t length = size_t(snapshot.unicode.size());
  snapshot.bytes.resize(length);
  const char16_t* unicode = reinterpret_cast<const char16_t*>(snapshot.unicode.constData());
  char* bytes = snapshot.bytes.data();
  // Books are mostly ASCII: each block of characters is copied as it is, and
  // only a block that holds other characters is looked at one by one.
  for (size_t at = 0; at < length; at += kBlock) {
    const size_t count = std::min(kBlock, length - at);
    if (count == kBlock) {
      if (copyAsciiBlock(unicode + at, bytes + at)) continue;
    } else {
      for (size_t i = at; i < length; ++i) bytes[i] = char(unicode[i]);
    }
    for (size_t i = at; i < at + count; ++i)
      if (unicode[i] >= 0x80) bytes[i] = char(editorByteOf(view, start + int(i), unicode[i]));
  }
  return snapshot;
}

}  // namespace scrivora
