#include "JsonText.h"

#include <cstdint>

#include "CodePage.h"

namespace scrivora::cli {

namespace {

void appendEscape(uint32_t unit, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 15];
}

void appendCodePoint(uint32_t codePoint, std::string& out) {
  switch (codePoint) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  if (codePoint >= 0x20 && codePoint < 0x7F) {
    out += char(codePoint);
  } else if (codePoint > 0xFFFF) {
    codePoint -= 0x10000;
    appendEscape(0xD800 + (codePoint >> 10), out);
    appendEscape(0xDC00 + (codePoint & 0x3FF), out);
  } else {
    appendEscape(codePoint, out);
  }
}

}  // namespace

std::string jsonString(std::string_view windows1252) {
  std::string out = "\"";
  for (unsigned char byte : windows1252) appendCodePoint(unicodeFromWindows1252(byte), out);
  return out + "\"";
}

std::string jsonFileName(std::string_view name) {
  if (!isValidUtf8(name)) return jsonString(name);
  std::string out = "\"";
  for (size_t at = 0; at < name.size();) {
    uint32_t codePoint = 0;
    at += decodeUtf8At(name, at, codePoint);
    appendCodePoint(codePoint, out);
  }
  return out + "\"";
}

}  // namespace scrivora::cli
