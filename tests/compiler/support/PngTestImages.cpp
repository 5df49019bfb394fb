#include "support/PngTestImages.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace pngtest {

namespace {

void silentWarning(png_structp, png_const_charp) {}
void jumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void appendOutput(png_structp png, png_bytep data, png_size_t length) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void noFlush(png_structp) {}

struct MemoryReader {
  const Bytes* bytes;
  size_t position;
};

void readInput(png_structp png, png_bytep data, png_size_t length) {
  MemoryReader* in = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (in->position + length > in->bytes->size()) png_error(png, "short");
  std::memcpy(data, in->bytes->data() + in->position, length);
  in->position += length;
}

int channelsOf(int colourType) { return colourType == kRgb ? 3 : 1; }

// The libpng calls, in a frame of plain values so longjmp may leave it.
bool runEncode(const PngPicture* picture, Bytes* out, png_structp png, png_infop info, std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, appendOutput, noFlush);
  png_set_IHDR(png, info, picture->width, picture->height, picture->bitDepth, picture->colourType,
               picture->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  std::vector<png_color> palette;
  for (const Rgb& c : picture->palette) palette.push_back(png_color{c.r, c.g, c.b});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!picture->transparency.empty())
    png_set_tRNS(png, info, picture->transparency.data(), int(picture->transparency.size()), nullptr);
  png_text texts[2];
  std::memset(texts, 0, sizeof texts);
  char keyTitle[] = "Title";
  char valueTitle[] = "A test image";
  char keyComment[] = "Comment";
  char valueComment[] = "Compressed text that the book does not need";
  if (picture->textAndGamma) {
    png_set_gAMA(png, info, 0.45455);
    texts[0].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[0].key = keyTitle;
    texts[0].text = valueTitle;
    texts[1].compression = PNG_TEXT_COMPRESSION_zTXt;
    texts[1].key = keyComment;
    texts[1].text = valueComment;
    png_set_text(png, info, texts, 2);
  }
  png_write_info(png, info);
  png_write_image(png, rows->data());
  png_write_end(png, info);
  return true;
}

bool runDecode(const Bytes* png, DecodedPng* out, png_structp reader, png_infop info) {
  if (setjmp(png_jmpbuf(reader))) return false;
  MemoryReader input{png, 0};
  png_set_read_fn(reader, &input, readInput);
  png_read_info(reader, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(reader, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
  out->width = width;
  out->height = height;
  out->bitDepth = bitDepth;
  out->colourType = colourType;
  out->interlace = interlace;
  png_colorp palette = nullptr;
  int paletteSize = 0;
  if (png_get_PLTE(reader, info, &palette, &paletteSize) & PNG_INFO_PLTE)
    for (int i = 0; i < paletteSize; ++i)
      out->palette.push_back(Rgb{palette[i].red, palette[i].green, palette[i].blue});
  out->hasTransparency = png_get_valid(reader, info, PNG_INFO_tRNS) != 0;
  png_set_interlace_handling(reader);
  png_read_update_info(reader, info);
  const size_t stride = png_get_rowbytes(reader, info);
  out->pixels.assign(stride * height, 0);
  std::vector<png_bytep> rows(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = out->pixels.data() + y * stride;
  png_read_image(reader, rows.data());
  png_read_end(reader, nullptr);
  return true;
}

}  // namespace

size_t rowBytes(const PngPicture& picture) {
  const size_t bits = size_t(picture.width) * picture.bitDepth * channelsOf(picture.colourType);
  return (bits + 7) / 8;
}

Bytes noisePixels(const PngPicture& picture, uint32_t seed) {
  const size_t stride = rowBytes(picture);
  Bytes pixels(stride * picture.height);
  uint32_t state = seed * 2654435761u + 12345u;
  const size_t usedBits = size_t(picture.width) * picture.bitDepth * channelsOf(picture.colourType);
  const unsigned spareBits = unsigned(stride * 8 - usedBits);
  for (uint32_t y = 0; y < picture.height; ++y) {
    for (size_t i = 0; i < stride; ++i) {
      state = state * 1664525u + 1013904223u;
      uint8_t value = uint8_t(state >> 24);
      // An 8-bit palette image has fewer than 256 colours in some tests.
      if (picture.colourType == kPalette && picture.bitDepth == 8 && !picture.palette.empty())
        value = uint8_t(value % picture.palette.size());
      pixels[y * stride + i] = value;
    }
    if (spareBits) pixels[y * stride + stride - 1] &= uint8_t(0xFF << spareBits);
  }
  return pixels;
}

std::vector<Rgb> rampPalette(size_t count) {
  std::vector<Rgb> palette;
  for (size_t i = 0; i < count; ++i) palette.push_back(Rgb{uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) & 0xFF)});
  return palette;
}

Bytes encodePng(const PngPicture& picture) {
  if (picture.pixels.size() != rowBytes(picture) * picture.height)
    throw std::runtime_error("pixel rows of the wrong size");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, silentWarning);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(picture.height);
  Bytes pixels = picture.pixels;
  for (uint32_t y = 0; y < picture.height; ++y) rows[y] = pixels.data() + y * rowBytes(picture);
  Bytes out;
  const bool ok = runEncode(&picture, &out, png, info, &rows);
  png_destroy_write_struct(&png, &info);
  if (!ok) throw std::runtime_error("libpng could not encode the test image");
  return out;
}

bool decodePng(const Bytes& png, DecodedPng& out) {
  out = DecodedPng();
  png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, silentWarning);
  png_infop info = png_create_info_struct(reader);
  const bool ok = runDecode(&png, &out, reader, info);
  png_destroy_read_struct(&reader, &info, nullptr);
  return ok;
}

std::vector<std::string> chunkTypes(const Bytes& png) {
  static const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  std::vector<std::string> types;
  if (png.size() < 8 || std::memcmp(png.data(), signature, 8) != 0) return {};
  size_t at = 8;
  while (at < png.size()) {
    if (at + 12 > png.size()) return {};
    const uint32_t length =
        (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) | (uint32_t(png[at + 2]) << 8) | png[at + 3];
    if (at + 12 + size_t(length) > png.size()) return {};
    types.emplace_back(reinterpret_cast<const char*>(png.data() + at + 4), 4);
    at += 12 + size_t(length);
  }
  return types;
}

Bytes inflateImageData(const Bytes& png, size_t expectedSize) {
  Bytes deflated;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length =
        (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) | (uint32_t(png[at + 2]) << 8) | png[at + 3];
    if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0)
      deflated.insert(deflated.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
    at += 12 + size_t(length);
  }
  Bytes raw(expectedSize + 1);  // one spare byte shows a stream longer than expected
  uLongf rawSize = raw.size();
  if (uncompress(raw.data(), &rawSize, deflated.data(), deflated.size()) != Z_OK) return {};
  raw.resize(rawSize);
  return raw;
}

PngPicture greyPicture(uint32_t width, uint32_t height, uint32_t seed) {
  PngPicture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels = noisePixels(picture, seed);
  return picture;
}

void writeGreyPng(const std::string& path, uint32_t width, uint32_t height, uint32_t seed) {
  booktest::writeFile(path, encodePng(greyPicture(width, height, seed)));
}

}  // namespace pngtest
