#include "PngPicture.h"

#include <png.h>

#include <cstdio>

#include <sys/stat.h>
#include <cstring>
#include <vector>

namespace scrivora {

namespace {
bool readWholeFile(const std::string& path, std::vector<unsigned char>& out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  // Only a regular file has a size to read (a folder opens but cannot be read).
  struct stat info;
  bool ok = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
  const long size = ok ? long(info.st_size) : -1;
  if (ok) {
    out.resize(size_t(size));
    ok = size == 0 || std::fread(out.data(), 1, out.size(), file) == out.size();
  }
  std::fclose(file);
  return ok;
}
}  // namespace

QImage decodePng(const unsigned char* bytes, size_t size) {
  if (bytes == nullptr || size == 0) return QImage();
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes, size)) return QImage();
  image.format = PNG_FORMAT_RGBA;
  // Guard against sizes whose buffer would not fit in memory.
  if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
    png_image_free(&image);
    return QImage();
  }
  QImage picture(int(image.width), int(image.height), QImage::Format_RGBA8888);
  if (picture.isNull()) {
    png_image_free(&image);
    return QImage();
  }
  if (!png_image_finish_read(&image, nullptr, picture.bits(), png_int_32(picture.bytesPerLine()),
                             nullptr)) {
    png_image_free(&image);
    return QImage();
  }
  return picture;
}

QImage decodePngFile(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (!readWholeFile(path, bytes)) return QImage();
  return decodePng(bytes.data(), bytes.size());
}

}  // namespace scrivora
