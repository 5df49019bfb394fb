#include "TextEncoding.h"

#include "CodePage.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace scrivora {

std::string charsetLabelAfter(const std::string& text, size_t position) {
  while (position < text.size() && std::isspace((unsigned char)text[position])) ++position;
  if (position >= text.size() || text[position] != '=') return std::string();
  ++position;
  while (position < text.size() && std::isspace((unsigned char)text[position])) ++position;
  if (position < text.size() && (text[position] == '"' || text[position] == '\'')) ++position;
  size_t start = position;
  while (position < text.size() && (std::isalnum((unsigned char)text[position]) || text[position] == '-' ||
                                    text[position] == '_' || text[position] == '.' || text[position] == ':'))
    ++position;
  return text.substr(start, position - start);
}

namespace {

// How far into a page its charset declaration is looked for.
constexpr size_t kDeclarationScanLength = 8192;

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool isUtf8Label(const std::string& label) { return label == "utf-8" || label == "utf8"; }

// A charset named inside a <meta ...> tag of the scanned head.
std::string metaCharset(const std::string& head) {
  size_t meta = 0;
  while ((meta = head.find("<meta", meta)) != std::string::npos) {
    size_t tagEnd = head.find('>', meta);
    if (tagEnd == std::string::npos) tagEnd = head.size();
    size_t charset = head.find("charset", meta);
    if (charset != std::string::npos && charset < tagEnd) {
      std::string label = charsetLabelAfter(head, charset + 7);
      if (!label.empty()) return label;
    }
    meta = tagEnd;
  }
  return std::string();
}

std::string xmlDeclarationEncoding(const std::string& head) {
  if (head.compare(0, 5, "<?xml") != 0) return std::string();
  size_t end = head.find("?>");
  size_t encoding = head.find("encoding", 5);
  if (encoding == std::string::npos || encoding > end) return std::string();
  return charsetLabelAfter(head, encoding + 8);
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a
// valid, shortest-form sequence of a character.
size_t validUtf8Length(const std::string& text, size_t i, uint32_t& codePoint) {
  auto byte = [&](size_t k) { return (unsigned char)text[k]; };
  unsigned char lead = byte(i);
  size_t length;
  uint32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  return length;
}

void decodeUtf8(const std::string& bytes, size_t start, std::string& out) {
  for (size_t i = start; i < bytes.size();) {
    // Runs of plain ASCII are the bulk of every page: copy them whole.
    size_t run = i;
    while (run < bytes.size() && (unsigned char)bytes[run] < 0x80) ++run;
    out.append(bytes, i, run - i);
    i = run;
    if (i >= bytes.size()) break;
    uint32_t codePoint;
    size_t length = validUtf8Length(bytes, i, codePoint);
    if (length == 0) {
      appendUtf8(unicodeOfWindows1252((unsigned char)bytes[i]), out);
      ++i;
    } else {
      out.append(bytes, i, length);
      i += length;
    }
  }
}

void decodeUtf16(const std::string& bytes, size_t start, bool littleEndian, std::string& out) {
  auto unitAt = [&](size_t i) -> uint32_t {
    unsigned char a = (unsigned char)bytes[i], b = (unsigned char)bytes[i + 1];
    return littleEndian ? uint32_t(a | (b << 8)) : uint32_t((a << 8) | b);
  };
  size_t i = start;
  while (i + 1 < bytes.size()) {
    uint32_t unit = unitAt(i);
    i += 2;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < bytes.size()) {
      uint32_t low = unitAt(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        i += 2;
        appendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
        continue;
      }
    }
    appendUtf8(unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit, out);
  }
  if (i < bytes.size()) appendUtf8(0xFFFD, out);  // a lone last byte
}

}  // namespace

DetectedEncoding detectHtmlEncoding(const std::string& bytes) {
  DetectedEncoding detected;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return {TextEncoding::Utf8, 3};
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) return {TextEncoding::Utf16LittleEndian, 2};
  if (bytes.compare(0, 2, "\xFE\xFF") == 0) return {TextEncoding::Utf16BigEndian, 2};

  std::string head = lowerCase(bytes.substr(0, kDeclarationScanLength));
  std::string label = metaCharset(head);
  if (label.empty()) label = xmlDeclarationEncoding(head);
  if (isUtf8Label(label)) detected.encoding = TextEncoding::Utf8;
  return detected;
}

std::string decodeToUtf8(const std::string& bytes, const DetectedEncoding& detected) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  size_t start = std::min(detected.byteOrderMarkLength, bytes.size());
  switch (detected.encoding) {
    case TextEncoding::Utf8: decodeUtf8(bytes, start, out); break;
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf16BigEndian:
      decodeUtf16(bytes, start, detected.encoding == TextEncoding::Utf16LittleEndian, out);
      break;
    case TextEncoding::Windows1252:
      for (size_t i = start; i < bytes.size(); ++i) appendUtf8(unicodeOfWindows1252((unsigned char)bytes[i]), out);
      break;
  }
  return out;
}

uint32_t unicodeOfWindows1252(uint8_t byte) { return unicodeFromWindows1252(byte); }

int windows1252ByteOf(uint32_t codePoint) {
  if (codePoint >= 0x80 && codePoint < 0xA0) return int(codePoint);
  return windows1252FromUnicode(codePoint);
}

void appendTmlEscapedCharacter(uint32_t codePoint, std::string& out) {
  static const char kHex[] = "0123456789ABCDEF";
  int byte = windows1252ByteOf(codePoint);
  if (byte >= 0) {
    char digits[6] = {'\\', 'a', char('0' + byte / 100), char('0' + byte / 10 % 10), char('0' + byte % 10), 0};
    out.append(digits, 5);
    return;
  }
  if (codePoint > 0xFFFF) codePoint = 0xFFFD;
  char digits[6] = {'\\',
                    'U',
                    kHex[(codePoint >> 12) & 15],
                    kHex[(codePoint >> 8) & 15],
                    kHex[(codePoint >> 4) & 15],
                    kHex[codePoint & 15]};
  out.append(digits, 6);
}

}  // namespace scrivora
