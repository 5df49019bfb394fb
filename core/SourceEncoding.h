#pragma once
// TML files are Windows-1252, but modern editors save UTF-8. Every reader of
// TML files (the compiler, the editor) looks at a file's bytes the same way:
// a UTF-8 byte-order mark means UTF-8; a file without one that is entirely
// valid UTF-8 and holds multi-byte sequences only looks like UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

#include "OffsetMap.h"

namespace scrivora {

// How the bytes of a TML file are read.
enum class InputEncoding { Detect, Windows1252, Utf8 };

struct SourceEncodingGuess {
  // The text starts with EF BB BF.
  bool byteOrderMark = false;
  // No mark, the whole text is valid UTF-8 and at least one character takes
  // more than one byte.
  bool looksLikeUtf8 = false;
  // Where the first multi-byte sequence stands (1-based line and byte
  // column), when there is one.
  int firstMultiByteLine = 0;
  int firstMultiByteColumn = 0;
};

SourceEncodingGuess guessSourceEncoding(std::string_view bytes);

// UTF-8 text (a leading byte-order mark dropped) as TML's Windows-1252: a
// character the code page has becomes its byte, any other becomes the tag
// \UXXXX (U+FFFD beyond U+FFFF, which \U cannot name), and a byte that is
// not valid UTF-8 is kept as the Windows-1252 byte it is, so no text is lost.
// With `offsets`, records where each byte of the result came from in `utf8`,
// so that a place in the result can be shown as a place in the file.
std::string utf8ToWindows1252Tml(std::string_view utf8, OffsetMap* offsets = nullptr);

}  // namespace scrivora
