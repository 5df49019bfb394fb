#pragma once
// The one Windows-1252 <-> Unicode table. TML files, the editor text and the
// book's text are Windows-1252; everything that meets Unicode (the editor's
// Qt text, imported HTML, UTF-8 sources) converts through here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scrivora {

// The Unicode character of a Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their own value, so
// every byte survives the trip to Unicode and back.
char16_t unicodeFromWindows1252(uint8_t byte);

// The Windows-1252 byte of a Unicode character, or -1 when the code page has
// none. U+0081, U+008D, U+008F, U+0090 and U+009D give back their undefined
// bytes; the other C1 controls have no byte.
int windows1252FromUnicode(uint32_t unicode);

// Appends a code point as UTF-8 (a lone surrogate or a value beyond U+10FFFF
// becomes U+FFFD).
void appendUtf8(uint32_t codePoint, std::string& out);

// Whether the whole text is well-formed UTF-8 (shortest forms, no
// surrogates, nothing beyond U+10FFFF).
bool isValidUtf8(std::string_view text);

// The length of the well-formed UTF-8 sequence at a position (at < size) and
// its code point, or 0 when the bytes there are not one.
size_t decodeUtf8At(std::string_view text, size_t at, uint32_t& codePoint);

}  // namespace scrivora
