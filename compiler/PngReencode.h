#pragma once
// Re-encoding a book's PNG image into the plain form the reader expects:
// the same pixels, bit depth, colour type and palette, no interlacing, no row
// filters and no chunk besides IHDR, PLTE, IDAT and IEND.

#include <cstdint>
#include <cstdio>
#include <string>

#include "ByteBuffer.h"
#include "SourceMap.h"

namespace scrivora {

enum class PngReencodeResult {
  Success = 0,
  Unreadable = 1,             // no PNG signature at the start of the file
  UnsupportedColourType = 2,  // neither greyscale nor palette
  Failed = 3,                 // any libpng error: truncated or corrupt data, no memory
  // The decoded image is so big that no deflate stream of it could fit in an
  // image record; refused before decoding rather than after.
  TooLarge = 4,
};

// Reads a PNG from `input` (positioned at its start) and appends the
// re-encoded file to `output`; `dataSize` is the number of bytes appended.
// On any failure `output` is cut back to its size before the call and
// `dataSize` is 0. Reports nothing.
PngReencodeResult reencodePng(std::FILE* input, ByteBuffer& output, uint32_t& dataSize);
// The same, also giving libpng's own words for a Failed result ("CRC error",
// "Read Error!", ...); empty for the other results.
PngReencodeResult reencodePng(std::FILE* input, ByteBuffer& output, uint32_t& dataSize, std::string& libpngReason);

// Reports the message for a failed re-encoding through the error hook, with
// the image's stored path. TooLarge reports "Image "%s" is too large". When
// libpng gave a reason, a warning follows with it and the file's path as this
// system spells it, so the user learns what is wrong with which file. Both
// point at `tag`, the \m that named the image first.
void reportReencodeFailure(PngReencodeResult result, const std::string& storedPath,
                           const std::string& libpngReason = std::string(), const TextPlace& tag = TextPlace());

}  // namespace scrivora
