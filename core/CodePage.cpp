#include "CodePage.h"

namespace scrivora {

namespace {

// Bytes 0x80 to 0x9F; the undefined ones keep their own value.
const char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char16_t unicodeFromWindows1252(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return char16_t(byte);
}

int windows1252FromUnicode(uint32_t unicode) {
  if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF)) return int(unicode);
  // The characters of 0x80 to 0x9F lie between U+0081 and U+2122.
  if (unicode > 0x2122) return -1;
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == unicode) return 0x80 + i;
  return -1;
}

void appendUtf8(uint32_t codePoint, std::string& out) {
  if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) codePoint = 0xFFFD;
  if (codePoint < 0x80) {
    out += char(codePoint);
  } else if (codePoint < 0x800) {
    out += char(0xC0 | (codePoint >> 6));
    out += char(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += char(0xE0 | (codePoint >> 12));
    out += char(0x80 | ((codePoint >> 6) & 0x3F));
    out += char(0x80 | (codePoint & 0x3F));
  } else {
    out += char(0xF0 | (codePoint >> 18));
    out += char(0x80 | ((codePoint >> 12) & 0x3F));
    out += char(0x80 | ((codePoint >> 6) & 0x3F));
    out += char(0x80 | (codePoint & 0x3F));
  }
}

size_t decodeUtf8At(std::string_view text, size_t at, uint32_t& codePoint) {
  const uint8_t lead = uint8_t(text[at]);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  size_t more;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (at + more >= text.size()) return 0;
  for (size_t k = 1; k <= more; ++k) {
    const uint8_t c = uint8_t(text[at + k]);
    if ((c & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (c & 0x3F);
  }
  // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
  if ((more == 2 && codePoint < 0x800) || (more == 3 && (codePoint < 0x10000 || codePoint > 0x10FFFF)) ||
      (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return 0;
  return more + 1;
}

bool isValidUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    uint32_t codePoint;
    const size_t length = decodeUtf8At(text, at, codePoint);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

}  // namespace scrivora
