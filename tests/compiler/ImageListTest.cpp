// The image list after the text pass: the reader's sort order, re-encoding
// into one shared buffer, the too-large limit, stopping at the first failure,
// running the finishing a second time, and the image records it lays out.

#include "ImageList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BookBuilder.h"
#include "BookReader.h"
#include "PngReencode.h"
#include "support/PngTestImages.h"

using namespace scrivora;
using pngtest::Bytes;
using pngtest::PngPicture;

namespace {

// The size a PNG has after re-encoding, found by re-encoding it.
uint32_t reencodedSize(const Bytes& png) {
  std::FILE* file = std::tmpfile();
  if (!file) return 0;
  std::fwrite(png.data(), 1, png.size(), file);
  std::rewind(file);
  ByteBuffer out;
  uint32_t size = 0;
  const bool ok = reencodePng(file, out, size) == PngReencodeResult::Success;
  std::fclose(file);
  return ok ? size : 0;
}

// A one-row greyscale noise image whose re-encoded form has exactly `target`
// bytes. Noise does not compress, so each extra pixel adds about one byte;
// the search steps the width towards the target, and tries other noise when
// one pixel more jumps over it.
bool noiseImageOfReencodedSize(uint32_t target, Bytes& png) {
  for (uint32_t seed = 42; seed < 52; ++seed) {
    uint32_t width = target - 100;
    for (int step = 0; step < 30; ++step) {
      png = pngtest::encodePng(pngtest::greyPicture(width, 1, seed));
      const uint32_t size = reencodedSize(png);
      if (size == 0) return false;
      if (size == target) return true;
      const int64_t change = int64_t(target) - int64_t(size);
      width = uint32_t(int64_t(width) + change);
    }
  }
  return false;
}

class ImageListTest : public testing::Test {
 protected:
  void SetUp() override { booktest::makeFolder(imageDir); }

  // Writes the image and lists it as the tag would, with its real size.
  std::string addImage(const std::string& name, const Bytes& png, uint16_t width, uint16_t height) {
    booktest::writeFile(imageDir + "/" + name, png);
    const std::string path = joinImagePath(imageDir, name);
    EXPECT_TRUE(images.add(path, width, height));
    return path;
  }
  std::string addGrey(const std::string& name, uint32_t width, uint32_t height, uint32_t seed = 1) {
    return addImage(name, pngtest::encodePng(pngtest::greyPicture(width, height, seed)), uint16_t(width),
                    uint16_t(height));
  }

  Bytes record(size_t i) const { return booktest::recordBytes(images, i); }
  Bytes recordPng(size_t i) const {
    const Bytes r = record(i);
    return Bytes(r.begin() + 62, r.end());
  }

  booktest::TempDir root;
  const std::string imageDir = root.file("book_img");
  ImageList images;
  booktest::LogCapture log;
};

TEST_F(ImageListTest, EachPathIsListedOnceUpTo255Bytes) {
  EXPECT_TRUE(images.finish()) << "an empty list finishes";
  EXPECT_TRUE(images.add("d\\a.png", 1, 2));
  EXPECT_FALSE(images.add("d\\a.png", 3, 4));
  EXPECT_TRUE(images.add("d\\A.png", 1, 2));
  EXPECT_TRUE(images.add(std::string(255, 'x'), 1, 1));
  EXPECT_FALSE(images.add(std::string(256, 'y'), 1, 1));
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images.entry(0).width, 1u);  // the first sizes are kept
  EXPECT_EQ(images.recordCount(), 3u);
}

TEST_F(ImageListTest, SortComparesBytesAsSignedWithThePathEndAsAZeroByte) {
  for (const char* name : {"b.png", "a.pngx.png", "\xE9t\xE9.png", "B.png", "a.png", "a.png\xE9.png", "a.png0.png"}) {
    addGrey(name, 2, 2);
  }
  ASSERT_TRUE(images.finish());
  std::vector<std::string> names;
  for (size_t i = 0; i < images.size(); ++i) names.push_back(imageFileName(images.entry(i).path));
  EXPECT_EQ(names, (std::vector<std::string>{"\xE9t\xE9.png", "B.png", "a.png\xE9.png", "a.png", "a.png0.png",
                                             "a.pngx.png", "b.png"}));
}

TEST_F(ImageListTest, RecordsHoldTheHeaderAndTheReencodedPng) {
  PngPicture palette;
  palette.width = 7;
  palette.height = 3;
  palette.bitDepth = 2;
  palette.colourType = pngtest::kPalette;
  palette.palette = pngtest::rampPalette(4);
  palette.transparency = {10, 20};
  palette.pixels = pngtest::noisePixels(palette, 8);
  addImage("pal.png", pngtest::encodePng(palette), 7, 3);
  const PngPicture grey = pngtest::greyPicture(0x0102, 3, 4);
  addImage("grey.png", pngtest::encodePng(grey), 0x0102, 3);
  ASSERT_TRUE(images.finish());
  EXPECT_TRUE(log.messages().empty());

  // Sorted: grey.png, pal.png.
  ASSERT_EQ(images.recordCount(), 2u);
  const Bytes r = record(0);
  ASSERT_GE(r.size(), 62u);
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 4), (Bytes{'P', 'N', 'G', ' '}));
  Bytes name(r.begin() + 4, r.begin() + 36);
  Bytes expectedName = {'g', 'r', 'e', 'y', '.', 'p', 'n', 'g'};
  expectedName.resize(32, 0);
  EXPECT_EQ(name, expectedName);
  EXPECT_EQ(Bytes(r.begin() + 36, r.begin() + 58), Bytes(22, 0));
  EXPECT_EQ(Bytes(r.begin() + 58, r.begin() + 62), (Bytes{0x01, 0x02, 0x00, 0x03}));
  EXPECT_EQ(images.recordSize(0), 62u + images.entry(0).dataSize);

  pngtest::DecodedPng decoded;
  ASSERT_TRUE(pngtest::decodePng(recordPng(0), decoded));
  EXPECT_EQ(decoded.pixels, grey.pixels);
  ASSERT_TRUE(pngtest::decodePng(recordPng(1), decoded));
  EXPECT_EQ(decoded.pixels, palette.pixels);
  EXPECT_EQ(decoded.palette, palette.palette);
  EXPECT_FALSE(decoded.hasTransparency);
  EXPECT_EQ(pngtest::chunkTypes(recordPng(1)), (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));

  // Both images lie one after the other in the shared buffer.
  EXPECT_EQ(images.entry(0).dataOffset, 0u);
  EXPECT_EQ(images.entry(1).dataOffset, images.entry(0).dataSize);
  EXPECT_EQ(images.imageData().size(), size_t(images.entry(0).dataSize) + images.entry(1).dataSize);
}

TEST_F(ImageListTest, RecordNameIsCutTo31CharactersAndEndsWithAZeroByte) {
  const std::string longName = "abcdefghijklmnopqrstuvwxyz0123456789.png";  // 40 characters
  const std::string fullName = "abcdefghijklmnopqrstuvwxyz0.png";           // 31 characters
  addGrey(longName, 3, 3);
  addGrey(fullName, 3, 3);
  ASSERT_TRUE(images.finish());
  for (size_t i = 0; i < 2; ++i) {
    const Bytes r = record(i);
    EXPECT_EQ(std::string(r.begin() + 4, r.begin() + 35), imageFileName(images.entry(i).path).substr(0, 31));
    EXPECT_EQ(r[35], 0);
  }
}

TEST_F(ImageListTest, ReencodedSizeOf65443IsAcceptedAnd65444Refused) {
  Bytes fits;
  Bytes tooBig;
  ASSERT_TRUE(noiseImageOfReencodedSize(65443, fits));
  ASSERT_TRUE(noiseImageOfReencodedSize(65444, tooBig));

  addImage("fits.png", fits, 1, 1);
  ASSERT_TRUE(images.finish());
  EXPECT_EQ(images.entry(0).dataSize, 65443u);
  EXPECT_EQ(images.recordSize(0), 65505u);
  EXPECT_TRUE(log.messages().empty());

  const std::string path = addImage("huge.png", tooBig, 1, 1);
  EXPECT_FALSE(images.finish());
  EXPECT_EQ(log.errors(), (std::vector<std::string>{"Image \"" + path + "\" is too large"}));
  // fits.png comes first and is kept; the refused one leaves nothing behind.
  EXPECT_EQ(images.entry(0).dataSize, 65443u);
  EXPECT_EQ(images.entry(1).dataSize, 0u);
  EXPECT_EQ(images.imageData().size(), 65443u);
}

TEST_F(ImageListTest, FinishingStopsAtTheFirstFailure) {
  addGrey("a.png", 4, 4);
  PngPicture rgb;
  rgb.width = 2;
  rgb.height = 2;
  rgb.colourType = pngtest::kRgb;
  rgb.pixels = pngtest::noisePixels(rgb, 2);
  const std::string bad = addImage("b.png", pngtest::encodePng(rgb), 0, 0);
  addGrey("c.png", 4, 4);
  EXPECT_FALSE(images.finish());
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"The file \"" + bad + "\" must be an 8-bit color image or a grayscale image."}));
  EXPECT_GT(images.entry(0).dataSize, 0u);
  EXPECT_EQ(images.entry(1).dataSize, 0u);
  EXPECT_EQ(images.entry(2).dataSize, 0u);  // never reached
  EXPECT_EQ(images.imageData().size(), images.entry(0).dataSize);
  // The records stay well formed: a header without image bytes.
  EXPECT_EQ(record(2).size(), 62u);
}

TEST_F(ImageListTest, ImageThatCannotBeReencodedFailsWithItsMessage) {
  Bytes truncated = pngtest::encodePng(pngtest::greyPicture(50, 40, 6));
  truncated.resize(truncated.size() - 30);
  struct Case {
    std::string name;
    bool written;
    Bytes png;
    uint16_t width, height;  // as listed by the text pass
    std::string message;     // before the stored path
  };
  const Case cases[] = {
      // Checked fine by the text pass, gone since.
      {"gone.png", false, {}, 4, 4, "Could not read the file \""},
      // Already reported missing by its check: no second message.
      {"absent.png", false, {}, 0, 0, ""},
      {"text.png", true, Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, 0, 0,
       "Could not read the file \""},
      {"broken.png", true, truncated, 50, 40, "An unknown error occurred reading the file \""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    booktest::LogCapture attempt;
    ImageList list;
    if (c.written) booktest::writeFile(imageDir + "/" + c.name, c.png);
    const std::string path = joinImagePath(imageDir, c.name);
    list.add(path, c.width, c.height);
    EXPECT_FALSE(list.finish());
    EXPECT_EQ(attempt.errors(),
              c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message + path + "\""});
    EXPECT_TRUE(list.imageData().empty());
  }
}

TEST_F(ImageListTest, SecondFinishingHoldsExactlyEachImageOnce) {
  const PngPicture zed = pngtest::greyPicture(6, 6, 3);
  const PngPicture mid = pngtest::greyPicture(9, 2, 5);
  addImage("zed.png", pngtest::encodePng(zed), 6, 6);
  ASSERT_TRUE(images.finish());
  const uint32_t zedSize = images.entry(0).dataSize;
  const Bytes zedFirst = recordPng(0);

  // An image named in a footnote arrives after the text pass, then the list
  // is finished again; the earlier image is listed only once.
  addImage("mid.png", pngtest::encodePng(mid), 9, 2);
  EXPECT_FALSE(images.add(joinImagePath(imageDir, "zed.png"), 6, 6));
  ASSERT_TRUE(images.finish());
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(imageFileName(images.entry(0).path), "mid.png");
  EXPECT_EQ(imageFileName(images.entry(1).path), "zed.png");
  EXPECT_EQ(images.entry(1).dataSize, zedSize);
  EXPECT_EQ(recordPng(1), zedFirst);
  EXPECT_EQ(images.imageData().size(), size_t(images.entry(0).dataSize) + zedSize);

  pngtest::DecodedPng decoded;
  ASSERT_TRUE(pngtest::decodePng(recordPng(0), decoded));
  EXPECT_EQ(decoded.pixels, mid.pixels);
  ASSERT_TRUE(pngtest::decodePng(recordPng(1), decoded));
  EXPECT_EQ(decoded.pixels, zed.pixels);
}

TEST(ImagePathTest, StoredPathsUseABackslashThatThisPlatformOpensAsASeparator) {
  EXPECT_EQ(joinImagePath("/books/novel_img", "pic.png"), "/books/novel_img\\pic.png");
  EXPECT_EQ(hostImagePath("/books/novel_img\\pic.png"), "/books/novel_img/pic.png");
  EXPECT_EQ(imageFileName("/books/novel_img\\sub\\pic.png"), "pic.png");
  EXPECT_EQ(imageFileName("pic.png"), "pic.png");
}

// Whole books: the images a source names come back out of the book file.
class BookImagesTest : public ImageListTest {
 protected:
  bool build(const std::string& text) {
    source = root.file("book.tml");
    output = root.file("book.tdb");
    booktest::writeFile(source, Bytes(text.begin(), text.end()));
    BookInfo info;
    info.title = "Pictures";
    return buildBook(source, output, info);
  }
  std::string source;
  std::string output;
};

TEST_F(BookImagesTest, ImagesComeBackAsPlainPngsOfTheSamePixels) {
  PngPicture palette;
  palette.width = 21;
  palette.height = 5;
  palette.bitDepth = 4;
  palette.colourType = pngtest::kPalette;
  palette.interlaced = true;
  palette.palette = pngtest::rampPalette(16);
  palette.transparency = {0, 0, 0, 90};
  palette.pixels = pngtest::noisePixels(palette, 12);
  booktest::writeFile(imageDir + "/Shield.PNG", pngtest::encodePng(palette));
  PngPicture grey = pngtest::greyPicture(200, 30, 13);  // wider than a line: measured small, stored whole
  grey.bitDepth = 8;
  grey.textAndGamma = true;
  booktest::writeFile(imageDir + "/map.png", pngtest::encodePng(grey));

  ASSERT_TRUE(build("A map \\m=\"map.png\" and a shield \\m=\"Shield.PNG\".\nThe map again: \\m=\"map.png\"\n"));
  BookReader reader;
  ASSERT_TRUE(reader.readFile(output));
  EXPECT_TRUE(reader.consistent());
  const auto& stored = reader.contents().images;
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].name, "Shield.PNG");  // 'S' sorts before 'm'
  EXPECT_EQ(stored[0].width, 21u);
  EXPECT_EQ(stored[0].height, 5u);
  EXPECT_EQ(stored[1].name, "map.png");
  EXPECT_EQ(stored[1].width, 200u);
  EXPECT_EQ(stored[1].height, 30u);

  pngtest::DecodedPng decoded;
  ASSERT_TRUE(pngtest::decodePng(stored[0].png, decoded));
  EXPECT_EQ(decoded.interlace, 0);
  EXPECT_EQ(decoded.palette, palette.palette);
  EXPECT_FALSE(decoded.hasTransparency);
  EXPECT_EQ(decoded.pixels, palette.pixels);
  EXPECT_EQ(pngtest::chunkTypes(stored[0].png), (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
  ASSERT_TRUE(pngtest::decodePng(stored[1].png, decoded));
  EXPECT_EQ(decoded.pixels, grey.pixels);
  EXPECT_EQ(pngtest::chunkTypes(stored[1].png), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
}

}  // namespace
