#pragma once
// Text as JSON string literals, in plain ASCII. The messages and the book's
// texts are Windows-1252, so each byte from 0x80 up is read as the character
// it stands for there (0x97 is U+2014); the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for U+0081, U+008D, U+008F,
// U+0090 and U+009D.

#include <string>
#include <string_view>

namespace scrivora::cli {

// A Windows-1252 text as a quoted JSON string.
std::string jsonString(std::string_view windows1252);

// A file name as a quoted JSON string: read as UTF-8 when it is valid UTF-8
// (as names on this system usually are), as Windows-1252 otherwise.
std::string jsonFileName(std::string_view name);

}  // namespace scrivora::cli
