// Pictures of every format turned into book images: fitted to the page,
// greyscale or palette, no larger than an image record allows, and left at
// the same size by the compiler's re-encoding.

#include <gtest/gtest.h>

#include <zlib.h>

#include <QBuffer>
#include <QImage>

#include <cstdio>
#include <string>
#include <vector>

#include "BookImage.h"
#include "ByteBuffer.h"
#include "ImageList.h"
#include "PngReencode.h"

using namespace scrivora;

namespace {

std::string encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  return bytes.toStdString();
}

// A photograph: every pixel a different colour.
QImage photo(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
  return image;
}

// A GIF, which Qt reads but cannot write: four colours, the LZW codes kept
// at three bits by a clear code after every two pixels.
std::string gif(int width, int height, const std::vector<uint8_t>& pixels, const uint8_t (&palette)[4][3]) {
  auto word = [](std::string& out, int value) {
    out += char(value & 0xFF);
    out += char(value >> 8);
  };
  std::string out = "GIF89a";
  word(out, width);
  word(out, height);
  out += '\x91';
  out += std::string(2, '\0');
  for (const auto& colour : palette) out.append(reinterpret_cast<const char*>(colour), 3);
  out += '\x2C';
  word(out, 0);
  word(out, 0);
  word(out, width);
  word(out, height);
  out += '\0';
  out += '\x02';
  std::vector<int> codes;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % 2 == 0) codes.push_back(4);
    codes.push_back(pixels[i]);
  }
  codes.push_back(5);
  std::string data;
  unsigned bits = 0, count = 0;
  for (int code : codes) {
    bits |= unsigned(code) << count;
    count += 3;
    while (count >= 8) data += char(bits & 0xFF), bits >>= 8, count -= 8;
  }
  if (count) data += char(bits & 0xFF);
  for (size_t at = 0; at < data.size(); at += 255) {
    const std::string block = data.substr(at, 255);
    out += char(block.size());
    out += block;
  }
  out += '\0';
  out += '\x3B';
  return out;
}

// The compiler's re-encoding of a book image: its size, or 0 on failure.
size_t reencodedSize(const std::string& png) {
  std::FILE* file = fmemopen(const_cast<char*>(png.data()), png.size(), "rb");
  ByteBuffer buffer;
  uint32_t size = 0;
  const PngReencodeResult result = reencodePng(file, buffer, size);
  std::fclose(file);
  return result == PngReencodeResult::Success ? size : 0;
}

int colourType(const std::string& png) { return png.size() > 25 ? (unsigned char)png[25] : -1; }

}  // namespace

TEST(BookImage, EveryFormatFitsThePageInGreyAtTheSizeTheCompilerKeeps) {
  const uint8_t greys[4][3] = {{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}};
  std::vector<uint8_t> gifPixels(300 * 40);
  for (size_t i = 0; i < gifPixels.size(); ++i) gifPixels[i] = uint8_t(i % 300 / 75);
  const struct {
    const char* what;
    std::string picture;
    unsigned width, height;
  } cases[] = {
      {"PNG wider than the page", encoded(photo(632, 200), "png"), 158, 50},
      {"JPEG taller than the page", encoded(photo(300, 600), "jpg"), 74, 148},
      {"WebP smaller than the page", encoded(photo(100, 60), "webp"), 100, 60},
      {"GIF", gif(300, 40, gifPixels, greys), 158, 21},
  };
  for (const auto& c : cases) {
    const BookImageResult result = makeBookImage(c.picture);
    ASSERT_TRUE(result.ok) << c.what << ": " << result.problem;
    const BookImage& image = result.image;
    EXPECT_EQ(image.width, c.width) << c.what;
    EXPECT_EQ(image.height, c.height) << c.what;
    EXPECT_EQ(image.tone, BookImageTone::Greyscale) << c.what;
    EXPECT_EQ(colourType(image.png), 0) << c.what;
    EXPECT_EQ(image.png[24], 8) << c.what << ": 8 bits a pixel";
    EXPECT_EQ(reencodedSize(image.png), image.png.size()) << c.what;
  }
}

TEST(BookImage, ColourLineArtKeepsItsColoursAndTransparencyIsPaper) {
  QImage art(40, 20, QImage::Format_ARGB32);
  art.fill(Qt::transparent);
  for (int x = 0; x < 40; ++x) art.setPixel(x, 5, qRgb(200, 0, 0)), art.setPixel(x, 15, qRgb(0, 0, 200));
  const BookImageResult result = makeBookImage(encoded(art, "png"));
  ASSERT_TRUE(result.ok) << result.problem;
  EXPECT_EQ(result.image.tone, BookImageTone::Palette);
  EXPECT_EQ(result.image.levels, 3u);
  EXPECT_EQ(colourType(result.image.png), 3);
  EXPECT_EQ(reencodedSize(result.image.png), result.image.png.size());
  // Grey line art stays greyscale, and what was transparent is white.
  QImage grey(10, 10, QImage::Format_ARGB32);
  grey.fill(Qt::transparent);
  grey.setPixel(0, 0, qRgb(0, 0, 0));
  const BookImageResult plain = makeBookImage(encoded(grey, "png"));
  ASSERT_TRUE(plain.ok);
  EXPECT_EQ(plain.image.tone, BookImageTone::Greyscale);
  const QImage back = QImage::fromData(QByteArray::fromStdString(plain.image.png));
  EXPECT_EQ(qGray(back.pixel(0, 0)), 0);
  EXPECT_EQ(qGray(back.pixel(5, 5)), 255);
}

TEST(BookImage, ATightLimitCostsGreyLevelsFirstThenSize) {
  QImage noise(158, 148, QImage::Format_RGB32);
  unsigned seed = 12345;
  for (int y = 0; y < 148; ++y)
    for (int x = 0; x < 158; ++x) {
      seed = seed * 1103515245 + 12345;
      const int v = int(seed >> 16) & 255;
      noise.setPixel(x, y, qRgb(v, v, v));
    }
  const std::string picture = encoded(noise, "png");
  const size_t full = makeBookImage(picture).image.png.size();
  const struct {
    size_t limit;
    bool fewerLevels, smaller;
  } cases[] = {{full, false, false}, {full * 2 / 3, true, false}, {full / 4, true, true}};
  for (const auto& c : cases) {
    BookImageLimits limits;
    limits.maxBytes = c.limit;
    const BookImageResult result = makeBookImage(picture, limits);
    ASSERT_TRUE(result.ok) << c.limit << ": " << result.problem;
    EXPECT_LE(result.image.png.size(), c.limit);
    EXPECT_EQ(result.image.levels < 256, c.fewerLevels) << c.limit;
    EXPECT_EQ(result.image.width < 158, c.smaller) << c.limit;
  }
  BookImageLimits impossible;
  impossible.maxBytes = 40;
  EXPECT_EQ(makeBookImage(picture, impossible).problem,
            "the picture cannot be made small enough for a book (40 bytes)");
}

TEST(BookImage, WhatIsNoPictureIsRefusedWithAReason) {
  std::string huge = encoded(photo(4, 4), "png");
  // The header claims 100000 by 100000 pixels; the data is never decoded.
  const char dimensions[8] = {0, 1, (char)0x86, (char)0xA0, 0, 1, (char)0x86, (char)0xA0};
  huge.replace(16, 8, dimensions, 8);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17);
  for (int i = 0; i < 4; ++i) huge[29 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
  const std::string png = encoded(photo(50, 50), "png");
  const struct {
    const char* what;
    std::string bytes;
    const char* problem;
  } cases[] = {
      {"text", "hello, world", "it is not a picture in a format this program reads (PNG, JPEG, GIF, WebP)"},
      {"nothing", "", "it is not a picture in a format this program reads (PNG, JPEG, GIF, WebP)"},
      {"a huge picture", huge, "the picture is too large to read (100000 by 100000 pixels)"},
      {"a cut-off PNG", png.substr(0, png.size() / 2), "the picture could not be decoded"},
  };
  for (const auto& c : cases) {
    const BookImageResult result = makeBookImage(c.bytes);
    EXPECT_FALSE(result.ok) << c.what;
    EXPECT_EQ(result.problem.rfind(c.problem, 0), 0u) << c.what << ": " << result.problem;
  }
}
