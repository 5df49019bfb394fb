#include "ImageTag.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "BuildLog.h"
#include "FileSystem.h"

namespace scrivora {

namespace {

constexpr size_t kPngHeaderBytes = 26;
constexpr unsigned kLineWidth = 158;
constexpr unsigned kIndentWidth = 8;
constexpr unsigned kPageHeight = 148;
constexpr unsigned kPlaceholderSize = 16;

const unsigned char kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

bool fileExists(const std::string& storedPath) {
  struct stat info;
  return ::stat(hostImagePath(storedPath).c_str(), &info) == 0;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Reads up to `wanted` bytes; false when the stream reports an error.
bool readUpTo(std::FILE* file, unsigned char* buffer, size_t wanted, size_t& got) {
  got = std::fread(buffer, 1, wanted, file);
  return got == wanted || !std::ferror(file);
}

}  // namespace

bool hasPngEnding(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ending = name.substr(dot + 1);
  if (ending.size() != 3) return false;
  return lowerAscii(ending[0]) == 'p' && lowerAscii(ending[1]) == 'n' && lowerAscii(ending[2]) == 'g';
}

bool checkPngHeader(const std::string& storedPath, uint16_t& width, uint16_t& height, const TextPlace& tag) {
  width = 0;
  height = 0;
  const char* path = storedPath.c_str();
  // A pipe or device named as an image is refused here, not waited on.
  std::FILE* file = openRegularFile(hostImagePath(storedPath));
  if (!file) {
    // A folder opens but cannot be read.
    if (errno == EISDIR) {
      reportErrorAt(tag, "Failed to read PNG file %s\n", path);
    } else {
      reportErrorAt(tag, "Failed to open PNG file %s\n", path);
    }
    return false;
  }
  unsigned char header[kPngHeaderBytes];
  size_t got = 0;
  const bool readOk = readUpTo(file, header, sizeof header, got);
  std::fclose(file);
  if (!readOk) {
    reportErrorAt(tag, "Failed to read PNG file %s\n", path);
    return false;
  }
  if (got == 0) {
    reportErrorAt(tag, "PNG file %s appears to be empty\n", path);
    return false;
  }
  // A short file is judged on the bytes it has: too short for the signature
  // is a bad signature, too short for the header's colour type a missing
  // header.
  if (got < sizeof kPngSignature || std::memcmp(header, kPngSignature, sizeof kPngSignature) != 0) {
    reportErrorAt(tag, "Bad PNG signature for %s", path);
    return false;
  }
  if (got < kPngHeaderBytes || std::memcmp(header + 12, "IHDR", 4) != 0) {
    reportErrorAt(tag, "Couldn't find PNG header for %s", path);
    return false;
  }
  const unsigned colourType = header[25];
  if (colourType != 0 && colourType != 3) {
    reportErrorAt(tag, "Unrecognized PNG color type for %s", path);
    return false;
  }
  // The low 16 bits of the header's 32-bit width and height.
  width = uint16_t((header[18] << 8) | header[19]);
  height = uint16_t((header[22] << 8) | header[23]);
  return true;
}

ImageMeasure measureImage(uint16_t width, uint16_t height, bool indentOn) {
  const unsigned effectiveWidth = width + (indentOn ? kIndentWidth : 0);
  if (effectiveWidth > kLineWidth || height > kPageHeight) return {kPlaceholderSize, kPlaceholderSize};
  return {width, height};
}

ImageMeasure imageTag(const std::string& imageDirectory, std::string_view name, ImagePass pass, bool indentOn,
                      ImageList& images, bool& failed, const TextPlace& tag) {
  const bool smallPass = pass == ImagePass::Small;
  const std::string nameText(name);
  const std::string path = joinImagePath(imageDirectory, nameText);
  uint16_t width = 0;
  uint16_t height = 0;

  if (name.size() > ImageList::kMaxPathLength || path.size() > ImageList::kMaxPathLength) {
    // Such a path cannot be stored in the list; it is reported and not listed.
    failed = true;
    if (smallPass)
      reportErrorAt(tag, "Image name \"%s\" is longer than 255 characters.",
                    nameText.substr(0, ImageList::kMaxPathLength).c_str());
    return measureImage(0, 0, indentOn);
  }

  if (!hasPngEnding(name)) {
    failed = true;
    if (smallPass) reportErrorAt(tag, "Image file \"%s\" doesn't end with .png!", nameText.c_str());
  } else if (!fileExists(path)) {
    failed = true;
    if (smallPass) reportErrorAt(tag, "Image \"%s\" doesn't exist!", nameText.c_str());
  } else if (!checkPngHeader(path, width, height, tag)) {
    failed = true;
  }

  if (smallPass) images.add(path, width, height, tag);
  return measureImage(width, height, indentOn);
}

}  // namespace scrivora
