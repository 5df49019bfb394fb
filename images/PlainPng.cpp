// The PNG writer of the images library: libpng with the compiler's own
// settings, so that the compiler's re-encoding of the file is byte for byte
// the same size as the file itself and the size limit can be checked here.

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <new>

#include "BookImage.h"

namespace scrivora {

namespace {

void appendToString(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  try {
    out->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    png_error(png, "Out of memory");  // never let an exception cross libpng's C frames
  }
}

void flushNothing(png_structp) {}
void ignoreWarning(png_structp, png_const_charp) {}
void leaveOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

struct WriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytepp rows = nullptr;
};

// Only plain values live in this frame: a libpng error leaves it by longjmp.
bool writeRows(WriteState* s, unsigned width, unsigned height, const uint8_t* pixels, std::string_view palette,
               std::string* out) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_set_write_fn(s->png, out, appendToString, flushNothing);
  const bool paletted = !palette.empty();
  png_set_IHDR(s->png, s->info, width, height, 8, paletted ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(s->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  if (paletted) {
    png_color entries[256];
    const int count = int(palette.size() / 3);
    for (int i = 0; i < count; ++i)
      entries[i] = {png_byte(palette[3 * i]), png_byte(palette[3 * i + 1]), png_byte(palette[3 * i + 2])};
    png_set_PLTE(s->png, s->info, entries, count);
  }
  png_write_info(s->png, s->info);
  s->rows = static_cast<png_bytepp>(png_malloc(s->png, sizeof(png_bytep) * png_alloc_size_t(height)));
  for (unsigned y = 0; y < height; ++y) s->rows[y] = const_cast<png_bytep>(pixels + size_t(y) * width);
  png_write_image(s->png, s->rows);
  png_write_end(s->png, nullptr);
  return true;
}

}  // namespace

std::string encodePlainPng(unsigned width, unsigned height, const uint8_t* pixels, std::string_view palette) {
  if (width == 0 || height == 0 || palette.size() % 3 != 0 || palette.size() > 3 * 256) return std::string();
  WriteState state;
  state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, leaveOnError, ignoreWarning);
  if (state.png) state.info = png_create_info_struct(state.png);
  std::string out;
  bool written = false;
  if (state.png && state.info) written = writeRows(&state, width, height, pixels, palette, &out);
  if (state.rows) png_free(state.png, state.rows);
  png_destroy_write_struct(&state.png, &state.info);
  return written ? out : std::string();
}

}  // namespace scrivora
