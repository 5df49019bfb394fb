// Re-encoding must keep every pixel, the bit depth, the colour type and the
// palette, and must leave nothing else: no interlacing, no row filters, no
// ancillary chunks. Failures must leave the shared buffer as it was.

#include "PngReencode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/PngTestImages.h"

using namespace scrivora;
using pngtest::Bytes;
using pngtest::PngPicture;

namespace {

// An unnamed temporary file holding `bytes`, positioned at its start.
struct TempInput {
  std::FILE* file;
  explicit TempInput(const Bytes& bytes) : file(std::tmpfile()) {
    if (file && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    if (file) std::rewind(file);
  }
  ~TempInput() {
    if (file) std::fclose(file);
  }
};

PngReencodeResult reencodeBytes(const Bytes& input, ByteBuffer& out, uint32_t& size) {
  TempInput in(input);
  EXPECT_NE(in.file, nullptr);
  return reencodePng(in.file, out, size);
}

Bytes bufferBytes(const ByteBuffer& buffer) { return Bytes(buffer.bytes().begin(), buffer.bytes().end()); }

void appendChunk(Bytes& png, const char* type, const Bytes& data) {
  const uint32_t length = uint32_t(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(length >> shift));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  const uint32_t crc = uint32_t(crc32(0, typed.data(), uInt(typed.size())));
  for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(crc >> shift));
}

Bytes ihdrData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType) {
  Bytes d;
  for (int shift = 24; shift >= 0; shift -= 8) d.push_back(uint8_t(width >> shift));
  for (int shift = 24; shift >= 0; shift -= 8) d.push_back(uint8_t(height >> shift));
  d.push_back(bitDepth);
  d.push_back(colourType);
  d.push_back(0);
  d.push_back(0);
  d.push_back(0);
  return d;
}

struct Variant {
  int colourType;
  int bitDepth;
  bool interlaced;
};

std::string variantName(const testing::TestParamInfo<Variant>& info) {
  const Variant& v = info.param;
  return std::string(v.colourType == pngtest::kGrey ? "Grey" : "Palette") + std::to_string(v.bitDepth) +
         (v.interlaced ? "Interlaced" : "");
}

class ReencodeKeepsImage : public testing::TestWithParam<Variant> {};

TEST_P(ReencodeKeepsImage, SamePixelsPaletteAndDepthWithOnlyCriticalChunksAndNoFilters) {
  const Variant v = GetParam();
  PngPicture picture;
  picture.width = 13;  // odd, so packed rows end in spare bits
  picture.height = 9;
  picture.bitDepth = v.bitDepth;
  picture.colourType = v.colourType;
  picture.interlaced = v.interlaced;
  if (v.colourType == pngtest::kPalette)
    picture.palette = pngtest::rampPalette(v.bitDepth == 8 ? 200 : 1u << v.bitDepth);
  picture.pixels = pngtest::noisePixels(picture, 7);
  const Bytes input = pngtest::encodePng(picture);
  const size_t stride = pngtest::rowBytes(picture);
  if (!v.interlaced) {
    // The input really uses row filters, so a copy of its data would fail.
    const Bytes inputRaw = pngtest::inflateImageData(input, (stride + 1) * 9);
    ASSERT_EQ(inputRaw.size(), (stride + 1) * 9);
    bool anyFiltered = false;
    for (size_t row = 0; row < 9; ++row) anyFiltered = anyFiltered || inputRaw[row * (stride + 1)] != 0;
    EXPECT_TRUE(anyFiltered);
  }

  ByteBuffer out;
  uint32_t size = 0;
  ASSERT_EQ(reencodeBytes(input, out, size), PngReencodeResult::Success);
  ASSERT_EQ(size, out.size());
  const Bytes result = bufferBytes(out);

  pngtest::DecodedPng decoded;
  ASSERT_TRUE(pngtest::decodePng(result, decoded));
  EXPECT_EQ(decoded.width, 13u);
  EXPECT_EQ(decoded.height, 9u);
  EXPECT_EQ(decoded.bitDepth, v.bitDepth);
  EXPECT_EQ(decoded.colourType, v.colourType);
  EXPECT_EQ(decoded.interlace, 0);
  EXPECT_EQ(decoded.palette, picture.palette);
  EXPECT_EQ(decoded.pixels, picture.pixels);

  std::vector<std::string> chunks = pngtest::chunkTypes(result);
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front(), "IHDR");
  EXPECT_EQ(chunks.back(), "IEND");
  size_t at = 1;
  if (v.colourType == pngtest::kPalette) {
    EXPECT_EQ(chunks[at], "PLTE");
    ++at;
  }
  for (; at + 1 < chunks.size(); ++at) EXPECT_EQ(chunks[at], "IDAT");

  // Without interlacing the data is one filter byte and one row, nine times.
  const Bytes raw = pngtest::inflateImageData(result, (stride + 1) * 9);
  ASSERT_EQ(raw.size(), (stride + 1) * 9);
  for (size_t row = 0; row < 9; ++row) EXPECT_EQ(raw[row * (stride + 1)], 0) << "row " << row;
}

INSTANTIATE_TEST_SUITE_P(GreyAndPalette, ReencodeKeepsImage,
                         testing::Values(Variant{pngtest::kGrey, 1, false}, Variant{pngtest::kGrey, 2, false},
                                         Variant{pngtest::kGrey, 4, false}, Variant{pngtest::kGrey, 8, false},
                                         Variant{pngtest::kGrey, 16, false}, Variant{pngtest::kPalette, 1, false},
                                         Variant{pngtest::kPalette, 2, false}, Variant{pngtest::kPalette, 4, false},
                                         Variant{pngtest::kPalette, 8, false}, Variant{pngtest::kGrey, 8, true},
                                         Variant{pngtest::kGrey, 1, true}, Variant{pngtest::kPalette, 4, true},
                                         Variant{pngtest::kGrey, 16, true}),
                         variantName);

TEST(ReencodeFailure, FailureLeavesTheBufferAsItWas) {
  PngPicture rgb;
  rgb.width = 3;
  rgb.height = 2;
  rgb.colourType = pngtest::kRgb;
  rgb.pixels = pngtest::noisePixels(rgb, 5);
  PngPicture grey;
  grey.width = 100;
  grey.height = 50;
  grey.pixels = pngtest::noisePixels(grey, 9);
  Bytes cut = pngtest::encodePng(grey);
  cut.resize(cut.size() / 2);  // the writer has already produced IHDR by then
  const Bytes signature = {137, 80, 78, 71, 13, 10, 26, 10};
  // 60000 x 60000 greyscale would be 3.6 GB of rows; no record could hold it.
  Bytes huge = signature;
  appendChunk(huge, "IHDR", ihdrData(60000, 60000, 8, 0));
  appendChunk(huge, "IDAT", Bytes{});
  appendChunk(huge, "IEND", Bytes{});
  Bytes headless = signature;
  appendChunk(headless, "tEXt", Bytes{'a', 0, 'b'});
  appendChunk(headless, "IEND", Bytes{});
  const std::pair<Bytes, PngReencodeResult> cases[] = {
      {pngtest::encodePng(rgb), PngReencodeResult::UnsupportedColourType},
      {Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, PngReencodeResult::Unreadable},
      {Bytes{137, 80, 78}, PngReencodeResult::Unreadable},
      {Bytes{}, PngReencodeResult::Unreadable},
      {cut, PngReencodeResult::Failed},
      {huge, PngReencodeResult::TooLarge},
      {headless, PngReencodeResult::Failed},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    // The buffer already holds an earlier image's bytes that must survive.
    ByteBuffer out;
    out.append("earlier", 7);
    uint32_t size = 99;
    std::string reason;
    TempInput in(cases[i].first);
    EXPECT_EQ(reencodePng(in.file, out, size, reason), cases[i].second) << "case " << i;
    EXPECT_EQ(std::string(out.bytes().begin(), out.bytes().end()), "earlier") << "case " << i;
    EXPECT_EQ(size, 0u);
    // libpng's own words come with its failures only.
    EXPECT_EQ(reason.empty(), cases[i].second != PngReencodeResult::Failed) << "case " << i << ": " << reason;
  }
}

TEST(ReencodeMessages, EachResultHasItsMessageNamingThePath) {
  booktest::LogCapture log;
  const std::string path = "C:\\books\\novel_img\\pic.png";
  reportReencodeFailure(PngReencodeResult::Success, path);
  EXPECT_TRUE(log.messages().empty());
  reportReencodeFailure(PngReencodeResult::Unreadable, path);
  reportReencodeFailure(PngReencodeResult::UnsupportedColourType, path);
  reportReencodeFailure(PngReencodeResult::Failed, path);
  reportReencodeFailure(PngReencodeResult::TooLarge, path);
  ASSERT_EQ(log.messages().size(), 4u);
  for (const scrivora::LogMessage& m : log.messages()) EXPECT_EQ(m.kind, scrivora::LogKind::Error);
  EXPECT_EQ(log.messages()[0].text, "Could not read the file \"C:\\books\\novel_img\\pic.png\"");
  EXPECT_EQ(log.messages()[1].text,
            "The file \"C:\\books\\novel_img\\pic.png\" must be an 8-bit color image or a grayscale image.");
  EXPECT_EQ(log.messages()[2].text, "An unknown error occurred reading the file \"C:\\books\\novel_img\\pic.png\"");
  EXPECT_EQ(log.messages()[3].text, "Image \"C:\\books\\novel_img\\pic.png\" is too large");
}

}  // namespace
