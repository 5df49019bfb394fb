#include "PngPicture.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "FileSystem.h"

namespace scrivora {

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
  if (!png_image_finish_read(&image, nullptr, picture.bits(), png_int_32(picture.bytesPerLine()), nullptr)) {
    png_image_free(&image);
    return QImage();
  }
  return picture;
}

QImage decodePngFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!readWholeFile(path, bytes)) return QImage();
  return decodePng(bytes.data(), bytes.size());
}

}  // namespace scrivora
