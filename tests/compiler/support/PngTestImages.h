#pragma once
// Test PNGs made on the spot with libpng, and the tools to look inside the
// PNGs the compiler produces: decode to raw rows, list the chunks, inflate
// the image data to see the row filter bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "BookTestSupport.h"

namespace pngtest {

using Bytes = std::vector<uint8_t>;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// Colour types as stored in the PNG header.
constexpr int kGrey = 0;
constexpr int kRgb = 2;
constexpr int kPalette = 3;

struct PngPicture {
  uint32_t width = 1;
  uint32_t height = 1;
  int bitDepth = 8;
  int colourType = kGrey;
  bool interlaced = false;
  std::vector<Rgb> palette;   // palette images: written as PLTE
  Bytes transparency;         // palette images: written as tRNS when not empty
  bool textAndGamma = false;  // adds a tEXt, a zTXt and a gAMA chunk
  Bytes pixels;               // packed rows as libpng takes them; rowBytes() each
};

size_t rowBytes(const PngPicture& picture);

// Pseudo-random rows for `picture` (deterministic for a seed). Sample values stay
// within the palette for palette images and the unused low bits at the end of
// a packed row are zero, so a decoder gives back exactly these bytes.
Bytes noisePixels(const PngPicture& picture, uint32_t seed);

// A palette of `count` distinct colours.
std::vector<Rgb> rampPalette(size_t count);

// Encodes with every row filter allowed, so the input has filtered rows.
Bytes encodePng(const PngPicture& picture);

// A greyscale picture of noise, and the same as a PNG file.
PngPicture greyPicture(uint32_t width, uint32_t height, uint32_t seed = 1);
void writeGreyPng(const std::string& path, uint32_t width, uint32_t height, uint32_t seed = 1);

struct DecodedPng {
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 0;
  int colourType = -1;
  int interlace = -1;
  std::vector<Rgb> palette;
  bool hasTransparency = false;
  Bytes pixels;  // de-interlaced packed rows
};

// False when libpng refuses the data.
bool decodePng(const Bytes& png, DecodedPng& out);

// The chunk types in file order; empty when the signature is wrong or a
// chunk runs past the end.
std::vector<std::string> chunkTypes(const Bytes& png);

// All IDAT data inflated; empty on a zlib error.
Bytes inflateImageData(const Bytes& png, size_t expectedSize);

}  // namespace pngtest
