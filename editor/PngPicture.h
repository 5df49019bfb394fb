#pragma once
// Decoding of the PNG files that image objects show.

#include <string>

#include <QImage>

namespace scrivora {

// The picture of a PNG file; an empty image when the file cannot be read or
// is not a PNG libpng accepts.
QImage decodePngFile(const std::string& path);
QImage decodePng(const unsigned char* bytes, size_t size);

}  // namespace scrivora
