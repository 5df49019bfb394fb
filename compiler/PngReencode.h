#pragma once
// Re-encoding a book's PNG image into the plain form the reader expects:
// the same pixels, bit depth, colour type and palette, no interlacing, no row
// filters and no chunk besides IHDR, PLTE, IDAT and IEND.

#include <cstdint>
#include <cstdio>
#include <string>

#include "ByteBuffer.h"

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

// Reports the message for a failed re-encoding through the error hook, with
// the image's stored path. TooLarge reports "Image "%s" is too large".
void reportReencodeFailure(PngReencodeResult result, const std::string& storedPath);

}  // namespace scrivora
