#include "SourceEncoding.h"

#include "CodePage.h"

namespace scrivora {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void appendUnicodeTag(uint32_t codePoint, std::string& out) {
  static const char kHex[] = "0123456789ABCDEF";
  if (codePoint > 0xFFFF) codePoint = 0xFFFD;
  out += "\\U";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(codePoint >> shift) & 15];
}

}  // namespace

SourceEncodingGuess guessSourceEncoding(std::string_view bytes) {
  SourceEncodingGuess guess;
  if (bytes.substr(0, 3) == kByteOrderMark) {
    guess.byteOrderMark = true;
    return guess;
  }
  int line = 1, column = 1;
  int firstLine = 0, firstColumn = 0;
  for (size_t at = 0; at < bytes.size();) {
    uint32_t codePoint = 0;
    const size_t length = decodeUtf8At(bytes, at, codePoint);
    if (length == 0) return guess;  // not UTF-8: a Windows-1252 file
    if (length > 1 && firstLine == 0) {
      firstLine = line;
      firstColumn = column;
    }
    const char c = bytes[at];
    if (c == '\n' || (c == '\r' && (at + 1 >= bytes.size() || bytes[at + 1] != '\n'))) {
      ++line;
      column = 1;
    } else {
      column += int(length);
    }
    at += length;
  }
  if (firstLine == 0) return guess;  // plain ASCII reads the same either way
  guess.looksLikeUtf8 = true;
  guess.firstMultiByteLine = firstLine;
  guess.firstMultiByteColumn = firstColumn;
  return guess;
}

std::string utf8ToWindows1252Tml(std::string_view utf8, OffsetMap* offsets) {
  size_t skipped = 0;
  if (utf8.substr(0, 3) == kByteOrderMark) skipped = 3;
  if (offsets && skipped) offsets->resumeAt(0, skipped);
  std::string out;
  out.reserve(utf8.size());
  for (size_t at = skipped; at < utf8.size();) {
    uint32_t codePoint = 0;
    size_t length = decodeUtf8At(utf8, at, codePoint);
    if (length == 0) {
      out += utf8[at];
      ++at;
      continue;
    }
    const int byte = windows1252FromUnicode(codePoint);
    if (byte >= 0 && (codePoint < 0x80 || codePoint >= 0xA0)) {
      out += char(byte);
    } else {
      appendUnicodeTag(codePoint, out);
    }
    at += length;
    // Only where a character changed its length do the two texts part.
    if (offsets && length > 1) offsets->resumeAt(out.size(), at);
  }
  return out;
}

}  // namespace scrivora
