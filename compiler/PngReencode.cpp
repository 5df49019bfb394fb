#include "PngReencode.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "BuildLog.h"
#include "ImageList.h"

namespace scrivora {

namespace {

// A deflate stream never shrinks its input by more than about 1032 to 1. An
// image whose raw rows exceed this many bytes can therefore never re-encode
// into an image record; it is refused before its rows are decoded, so a small
// file declaring a huge image cannot make the build allocate gigabytes.
constexpr uint64_t kMaxRawImageBytes = uint64_t(ImageList::kMaxImageDataSize) * 2048;

// libpng allocates through these, the program's own allocation functions.
png_voidp allocateForPng(png_structp, png_alloc_size_t size) { return std::malloc(size); }
void freeForPng(png_structp, png_voidp memory) { std::free(memory); }

// Warnings about the input (unknown chunks, bad CRCs of ancillary chunks)
// change nothing in the result, so they are not worth a line in the log.
void ignorePngWarning(png_structp, png_const_charp) {}

// Where libpng's words for the first error are kept; a plain array, since the
// error handler leaves through longjmp.
struct PngErrorText {
  char text[160] = {};
};

// Errors return to the setjmp point quietly: the caller reports one message
// naming the file instead of libpng's own text on standard error, and adds
// libpng's words to it.
void returnOnPngError(png_structp png, png_const_charp message) {
  PngErrorText* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
  if (error && error->text[0] == '\0' && message) std::snprintf(error->text, sizeof error->text, "%s", message);
  png_longjmp(png, 1);
}

void readFromFile(png_structp png, png_bytep data, png_size_t length) {
  std::FILE* file = static_cast<std::FILE*>(png_get_io_ptr(png));
  if (std::fread(data, 1, length, file) != length) png_error(png, "Read Error!");
}

void appendToBuffer(png_structp png, png_bytep data, png_size_t length) {
  ByteBuffer* out = static_cast<ByteBuffer*>(png_get_io_ptr(png));
  try {
    out->append(data, length);
  } catch (const std::bad_alloc&) {
    // Never let an exception cross libpng's C frames.
    png_error(png, "Out of memory");
  }
}

void flushNothing(png_structp) {}

// Everything the libpng calls touch, kept outside the function that calls
// setjmp so that its values are well defined after a longjmp.
struct ReencodeState {
  std::FILE* input = nullptr;
  ByteBuffer* output = nullptr;
  png_structp reader = nullptr;
  png_infop readInfo = nullptr;
  png_infop readEndInfo = nullptr;
  png_structp writer = nullptr;
  png_infop writeInfo = nullptr;
  png_bytep pixels = nullptr;
  png_bytepp rows = nullptr;
  PngErrorText error;
};

void releaseState(ReencodeState& s) {
  if (s.reader) {
    if (s.pixels) png_free(s.reader, s.pixels);
    if (s.rows) png_free(s.reader, s.rows);
  }
  s.pixels = nullptr;
  s.rows = nullptr;
  if (s.reader) png_destroy_read_struct(&s.reader, &s.readInfo, &s.readEndInfo);
  if (s.writer) png_destroy_write_struct(&s.writer, &s.writeInfo);
}

bool createStructures(ReencodeState& s) {
  s.reader = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s.error, returnOnPngError, ignorePngWarning, nullptr,
                                      allocateForPng, freeForPng);
  s.writer = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &s.error, returnOnPngError, ignorePngWarning, nullptr,
                                       allocateForPng, freeForPng);
  if (!s.reader || !s.writer) return false;
  s.readInfo = png_create_info_struct(s.reader);
  s.readEndInfo = png_create_info_struct(s.reader);
  s.writeInfo = png_create_info_struct(s.writer);
  return s.readInfo && s.readEndInfo && s.writeInfo;
}

// The libpng part proper. Only plain values live in this frame, because a
// libpng error leaves it through longjmp.
PngReencodeResult runLibpng(ReencodeState* s) {
  if (setjmp(png_jmpbuf(s->reader))) return PngReencodeResult::Failed;
  if (setjmp(png_jmpbuf(s->writer))) return PngReencodeResult::Failed;

  png_set_read_fn(s->reader, s->input, readFromFile);
  png_set_write_fn(s->writer, s->output, appendToBuffer, flushNothing);
  png_set_sig_bytes(s->reader, 8);

  png_read_info(s->reader, s->readInfo);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colourType = 0;
  int interlaceMethod = 0;
  int compressionMethod = 0;
  int filterMethod = 0;
  png_get_IHDR(s->reader, s->readInfo, &width, &height, &bitDepth, &colourType, &interlaceMethod, &compressionMethod,
               &filterMethod);
  if (colourType != PNG_COLOR_TYPE_GRAY && colourType != PNG_COLOR_TYPE_PALETTE)
    return PngReencodeResult::UnsupportedColourType;

  // png_read_image de-interlaces into full rows only when asked to.
  png_set_interlace_handling(s->reader);
  png_read_update_info(s->reader, s->readInfo);
  const png_size_t rowBytes = png_get_rowbytes(s->reader, s->readInfo);
  if (uint64_t(rowBytes) * height > kMaxRawImageBytes) return PngReencodeResult::TooLarge;

  png_set_IHDR(s->writer, s->writeInfo, width, height, bitDepth, colourType, PNG_INTERLACE_NONE, compressionMethod,
               filterMethod);
  png_set_filter(s->writer, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);

  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (png_get_PLTE(s->reader, s->readInfo, &palette, &paletteSize) & PNG_INFO_PLTE)
      png_set_PLTE(s->writer, s->writeInfo, palette, paletteSize);
  }

  png_write_info(s->writer, s->writeInfo);

  s->pixels = static_cast<png_bytep>(png_malloc(s->reader, png_alloc_size_t(rowBytes) * height));
  s->rows = static_cast<png_bytepp>(png_malloc(s->reader, sizeof(png_bytep) * png_alloc_size_t(height)));
  for (png_uint_32 y = 0; y < height; ++y) s->rows[y] = s->pixels + png_size_t(y) * rowBytes;

  png_read_image(s->reader, s->rows);
  png_write_image(s->writer, s->rows);
  png_free(s->reader, s->rows);
  s->rows = nullptr;
  png_free(s->reader, s->pixels);
  s->pixels = nullptr;
  png_write_end(s->writer, nullptr);
  return PngReencodeResult::Success;
}

}  // namespace

PngReencodeResult reencodePng(std::FILE* input, ByteBuffer& output, uint32_t& dataSize) {
  std::string ignoredReason;
  return reencodePng(input, output, dataSize, ignoredReason);
}

PngReencodeResult reencodePng(std::FILE* input, ByteBuffer& output, uint32_t& dataSize, std::string& libpngReason) {
  dataSize = 0;
  libpngReason.clear();
  const size_t sizeBefore = output.size();

  png_byte signature[8];
  if (!input || std::fread(signature, 1, sizeof signature, input) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0)
    return PngReencodeResult::Unreadable;

  ReencodeState state;
  state.input = input;
  state.output = &output;
  PngReencodeResult result = PngReencodeResult::Failed;
  if (createStructures(state)) result = runLibpng(&state);
  releaseState(state);

  if (result != PngReencodeResult::Success) {
    output.resize(sizeBefore);
    if (result == PngReencodeResult::Failed) libpngReason = state.error.text;
    return result;
  }
  dataSize = uint32_t(output.size() - sizeBefore);
  return result;
}

void reportReencodeFailure(PngReencodeResult result, const std::string& storedPath, const std::string& libpngReason,
                           const TextPlace& tag) {
  switch (result) {
    case PngReencodeResult::Success: return;
    case PngReencodeResult::Unreadable:
      reportErrorAt(tag, "Could not read the file \"%s\"", storedPath.c_str());
      return;
    case PngReencodeResult::UnsupportedColourType:
      reportErrorAt(tag, "The file \"%s\" must be an 8-bit color image or a grayscale image.", storedPath.c_str());
      return;
    case PngReencodeResult::TooLarge: reportErrorAt(tag, "Image \"%s\" is too large", storedPath.c_str()); return;
    case PngReencodeResult::Failed: break;
  }
  reportErrorAt(tag, "An unknown error occurred reading the file \"%s\"", storedPath.c_str());
  if (!libpngReason.empty()) {
    reportWarningAt(tag, "The image %s is damaged: %s", hostImagePath(storedPath).c_str(), libpngReason.c_str());
  }
}

}  // namespace scrivora
