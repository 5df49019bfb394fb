#include "TextSnapshot.h"

#include <algorithm>

#include <QTextCursor>

namespace scrivora {

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
  snapshot.bytes.resize(size_t(snapshot.unicode.size()));
  const char16_t* unicode = reinterpret_cast<const char16_t*>(snapshot.unicode.constData());
  for (size_t i = 0; i < snapshot.bytes.size(); ++i) {
    const char16_t u = unicode[i];
    int byte;
    if (u < 0x80) {
      byte = u;
    } else if (u == 0x2029) {
      byte = kParagraphEndChar;
    } else if (u == 0xFFFC) {
      // The replacement character is an object only where an object's format
      // says so; a typed one is text like any other.
      byte = view.characterAt(start + int(i)) == kObjectChar ? int(kObjectChar) : kUnmappedByte;
    } else {
      byte = codePageFromUnicode(u);
      if (byte < 0) byte = kUnmappedByte;
    }
    snapshot.bytes[i] = char(byte);
  }
  return snapshot;
}

}  // namespace scrivora
