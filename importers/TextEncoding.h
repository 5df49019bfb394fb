#pragma once
// Reading HTML in the encoding it declares, and writing characters into TML,
// whose text is Windows-1252: a character that code page has becomes \aDDD of
// its byte there, any other \UXXXX, so that no text is lost.

#include <cstdint>
#include <string>

#include "CodePage.h"

namespace scrivora {

enum class TextEncoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Windows1252 };

struct DetectedEncoding {
  TextEncoding encoding = TextEncoding::Windows1252;
  size_t byteOrderMarkLength = 0;  // bytes to skip at the start
};

// The encoding of an HTML page: a byte-order mark first, then a charset named
// by a meta element or the XML declaration near the top; Windows-1252 when
// nothing (or nothing this importer reads) is declared.
DetectedEncoding detectHtmlEncoding(const std::string& bytes);

// The charset label after "charset" or "encoding" at the given position of a
// page's head: "=", optional quotes, then the name; "" when none follows.
std::string charsetLabelAfter(const std::string& text, size_t position);

// Decodes the bytes (after the byte-order mark) into UTF-8. Bytes that are not
// valid UTF-8 in a UTF-8 page are read as Windows-1252, as browsers do for
// stray legacy bytes, so that nothing is dropped.
std::string decodeToUtf8(const std::string& bytes, const DetectedEncoding& detected);

// The Windows-1252 byte of a Unicode character, or -1 when the code page does
// not have it. The C1 controls U+0080 to U+009F count as the bytes of the same
// value: numeric references such as &#150; mean the code page's characters.
int windows1252ByteOf(uint32_t codePoint);

// The Unicode character of a Windows-1252 byte; the five bytes the code page
// leaves undefined keep their own value.
uint32_t unicodeOfWindows1252(uint8_t byte);

// Appends a character of 128 or above as TML: "\aDDD" when Windows-1252 has
// it, else "\UXXXX" in upper-case hexadecimal (U+FFFD beyond the 16-bit range,
// which \U cannot name).
void appendTmlEscapedCharacter(uint32_t codePoint, std::string& out);

}  // namespace scrivora
