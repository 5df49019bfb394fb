#pragma once
// Turns a picture of any common format (PNG, JPEG, GIF, WebP) into an image a
// book can hold: scaled to fit the reader's page, 8-bit greyscale (or an
// 8-bit palette for colour line art), written as a plain PNG that the
// compiler's re-encoding leaves at the same size, and no larger than the
// compiler's limit for one image record. When the picture does not fit, the
// grey levels and then the size are lowered until it does.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scrivora {

struct BookImageLimits {
  // The reader's page: an image wider than the line (158 pixels, 150 in an
  // indented paragraph) or taller than 148 is shown only as a symbol.
  unsigned maxWidth = 158;
  unsigned maxHeight = 148;
  // The largest PNG the compiler stores as one image record.
  size_t maxBytes = 65443;
  // Pictures are refused before decoding beyond this many pixels, so that a
  // small file declaring a huge picture cannot exhaust memory.
  uint64_t maxSourcePixels = 40'000'000;
};

enum class BookImageTone {
  Greyscale,  // colour type 0, 8 bits
  Palette,    // colour type 3, 8 bits, the picture's own few colours
};

struct BookImage {
  std::string png;
  unsigned width = 0;
  unsigned height = 0;
  BookImageTone tone = BookImageTone::Greyscale;
  // Grey levels kept (256 when none were given up) or colours in the palette.
  unsigned levels = 0;
};

struct BookImageResult {
  bool ok = false;
  BookImage image;
  // Why the picture could not be used, for the user; empty on success.
  std::string problem;
};

BookImageResult makeBookImage(std::string_view encodedPicture, const BookImageLimits& limits = BookImageLimits());

// The pixels of a greyscale or palette image as a plain PNG file (8 bits,
// no interlacing, no row filters, no ancillary chunks: the form the compiler
// re-encodes every image into, so the compiler keeps its size). `palette`
// holds 3 bytes per entry and is empty for greyscale; `pixels` one byte per
// pixel, row after row. Empty when libpng fails.
std::string encodePlainPng(unsigned width, unsigned height, const uint8_t* pixels, std::string_view palette);

}  // namespace scrivora
