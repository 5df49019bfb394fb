// The \m tag after its syntax: the name's ending, the file's existence, the
// 26-byte header check, listing the image once, and the size it takes on the
// page. Each message is checked with the pass(es) it appears in.

#include "ImageTag.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "PageTable.h"
#include "TextPass.h"
#include "support/PngTestImages.h"

using namespace scrivora;
using pngtest::Bytes;

namespace {

// The first 26 bytes of a PNG as the header check sees them.
Bytes pngHead(uint32_t width, uint32_t height, uint8_t colourType) {
  Bytes b = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(width >> shift));
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(height >> shift));
  b.push_back(8);
  b.push_back(colourType);
  return b;
}

class ImageTagTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/scrivora-imagetag-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    imageDir = root + "/novel_img";
    ASSERT_EQ(mkdir(imageDir.c_str(), 0755), 0);
  }
  void TearDown() override { std::filesystem::remove_all(root); }

  void writeImage(const std::string& name, const Bytes& bytes) { pngtest::writeFile(imageDir + "/" + name, bytes); }

  void writeGreyImage(const std::string& name, uint32_t width, uint32_t height) {
    pngtest::PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels = pngtest::noisePixels(picture, width + height);
    writeImage(name, pngtest::encodePng(picture));
  }

  ImageMeasure tag(const std::string& name, ImagePass pass, bool indentOn = false) {
    return imageTag(imageDir, name, pass, indentOn, images, failed);
  }

  std::string stored(const std::string& name) const { return imageDir + "\\" + name; }

  // Runs the tag in both passes and checks the failure flag after each.
  void runBothPasses(const std::string& name) {
    tag(name, ImagePass::Small);
    EXPECT_TRUE(failed) << "small pass";
    failed = false;
    tag(name, ImagePass::Large);
    EXPECT_TRUE(failed) << "large pass";
  }

  std::string root;
  std::string imageDir;
  ImageList images;
  bool failed = false;
  pngtest::CapturedLog log;
};

TEST_F(ImageTagTest, GoodImageIsMeasuredAndListedWithItsStoredPath) {
  writeGreyImage("pic.png", 40, 30);
  const ImageMeasure m = tag("pic.png", ImagePass::Small);
  EXPECT_EQ(m.width, 40u);
  EXPECT_EQ(m.height, 30u);
  EXPECT_FALSE(failed);
  EXPECT_TRUE(log.messages().empty());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.entry(0).path, imageDir + "\\pic.png");
  EXPECT_EQ(images.entry(0).width, 40u);
  EXPECT_EQ(images.entry(0).height, 30u);
}

TEST_F(ImageTagTest, UpperCaseEndingIsAccepted) {
  writeGreyImage("Pic.PNG", 5, 6);
  const ImageMeasure m = tag("Pic.PNG", ImagePass::Small);
  EXPECT_FALSE(failed);
  EXPECT_EQ(m.width, 5u);
  EXPECT_EQ(m.height, 6u);
  EXPECT_TRUE(log.messages().empty());
  EXPECT_EQ(images.size(), 1u);
}

TEST_F(ImageTagTest, NameWithAnotherEndingFailsInBothPassesButIsReportedOnce) {
  writeGreyImage("pic.png.bak", 5, 6);  // a real PNG, but the name decides
  runBothPasses("pic.png.bak");
  EXPECT_EQ(log.errors(), (std::vector<std::string>{"Image file \"pic.png.bak\" doesn't end with .png!"}));
  // Still listed, at 0 by 0: the build fails through the flag.
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.entry(0).width, 0u);
  EXPECT_EQ(images.entry(0).height, 0u);
}

TEST_F(ImageTagTest, EndingIsTheWholePartAfterTheLastDot) {
  EXPECT_TRUE(hasPngEnding("a.b.png"));
  EXPECT_TRUE(hasPngEnding("x.pNg"));
  EXPECT_TRUE(hasPngEnding(".png"));
  EXPECT_FALSE(hasPngEnding("png"));
  EXPECT_FALSE(hasPngEnding("pic.apng"));
  EXPECT_FALSE(hasPngEnding("pic.pngx"));
  EXPECT_FALSE(hasPngEnding("pic.png."));
  EXPECT_FALSE(hasPngEnding("pic.pn"));
}

TEST_F(ImageTagTest, MissingFileFailsInBothPassesButIsReportedOnce) {
  const ImageMeasure m = tag("absent.png", ImagePass::Small);
  EXPECT_EQ(m.width, 0u);
  EXPECT_EQ(m.height, 0u);
  EXPECT_TRUE(failed);
  failed = false;
  tag("absent.png", ImagePass::Large);
  EXPECT_TRUE(failed);
  EXPECT_EQ(log.errors(), (std::vector<std::string>{"Image \"absent.png\" doesn't exist!"}));
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.entry(0).path, stored("absent.png"));
}

// A file whose first 26 bytes fail the check, and the message it draws
// (%s standing for the stored path).
struct BadHeader {
  const char* label;
  Bytes bytes;
  const char* message;
};

Bytes withByte(Bytes bytes, size_t at, uint8_t value) {
  bytes[at] = value;
  return bytes;
}
Bytes cutTo(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

class ImageHeaderFailure : public ImageTagTest, public testing::WithParamInterface<BadHeader> {};

TEST_P(ImageHeaderFailure, FailsAndIsReportedInEveryPassAtZeroByZero) {
  const BadHeader& bad = GetParam();
  writeImage("bad.png", bad.bytes);
  runBothPasses("bad.png");
  std::string message = bad.message;
  message.replace(message.find("%s"), 2, stored("bad.png"));
  EXPECT_EQ(log.errors(), (std::vector<std::string>{message, message}));
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.entry(0).width, 0u);
  EXPECT_EQ(images.entry(0).height, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    ImageTag, ImageHeaderFailure,
    testing::Values(BadHeader{"Empty", Bytes{}, "PNG file %s appears to be empty\n"},
                    BadHeader{"WrongSignature", withByte(pngHead(10, 10, 0), 1, 'Q'), "Bad PNG signature for %s"},
                    // Short files are judged on the bytes they have.
                    BadHeader{"ShorterThanSignature", cutTo(pngHead(10, 10, 0), 5), "Bad PNG signature for %s"},
                    BadHeader{"CutBeforeColourType", cutTo(pngHead(10, 10, 0), 25), "Couldn't find PNG header for %s"},
                    BadHeader{"CutInChunkType", cutTo(pngHead(10, 10, 0), 14), "Couldn't find PNG header for %s"},
                    BadHeader{"OtherFirstChunk", withByte(pngHead(10, 10, 0), 12, 't'),
                              "Couldn't find PNG header for %s"},
                    BadHeader{"Rgb", pngHead(10, 10, 2), "Unrecognized PNG color type for %s"},
                    BadHeader{"GreyAlpha", pngHead(10, 10, 4), "Unrecognized PNG color type for %s"},
                    BadHeader{"RgbAlpha", pngHead(10, 10, 6), "Unrecognized PNG color type for %s"}),
    [](const testing::TestParamInfo<BadHeader>& info) { return std::string(info.param.label); });

TEST_F(ImageTagTest, FolderWithAPngNameCannotBeReadInEveryPass) {
  ASSERT_EQ(mkdir((imageDir + "/folder.png").c_str(), 0755), 0);
  runBothPasses("folder.png");
  const std::string message = "Failed to read PNG file " + stored("folder.png") + "\n";
  EXPECT_EQ(log.errors(), (std::vector<std::string>{message, message}));
}

TEST_F(ImageTagTest, HeaderCheckOfAFileThatCannotBeOpened) {
  uint16_t width = 7;
  uint16_t height = 7;
  const std::string path = imageDir + "\\nowhere\\x.png";
  EXPECT_FALSE(checkPngHeader(path, width, height));
  EXPECT_EQ(width, 0u);
  EXPECT_EQ(height, 0u);
  EXPECT_EQ(log.errors(), (std::vector<std::string>{"Failed to open PNG file " + path + "\n"}));
}

TEST_F(ImageTagTest, HeaderGivesTheLow16BitsOfWidthAndHeight) {
  writeImage("wide.png", pngHead(0x12345, 0x00010020, 3));
  uint16_t width = 0;
  uint16_t height = 0;
  EXPECT_TRUE(checkPngHeader(stored("wide.png"), width, height));
  EXPECT_EQ(width, 0x2345);
  EXPECT_EQ(height, 0x0020);
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(ImageTagTest, SameNameTwiceIsListedOnceAndOnlyTheSmallPassLists) {
  writeGreyImage("a.png", 3, 3);
  writeGreyImage("b.png", 3, 3);
  tag("a.png", ImagePass::Small);
  tag("b.png", ImagePass::Small);
  tag("a.png", ImagePass::Small);
  tag("a.png", ImagePass::Large);
  tag("b.png", ImagePass::Large);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images.entry(0).path, stored("a.png"));
  EXPECT_EQ(images.entry(1).path, stored("b.png"));

  ImageList largeOnly;
  bool largeFailed = false;
  imageTag(imageDir, "a.png", ImagePass::Large, false, largeOnly, largeFailed);
  EXPECT_TRUE(largeOnly.empty());
  EXPECT_FALSE(largeFailed);
}

TEST_F(ImageTagTest, NamesDifferingOnlyInCaseAreDifferentEntries) {
  writeGreyImage("a.png", 3, 3);
  writeGreyImage("A.png", 3, 3);
  tag("a.png", ImagePass::Small);
  tag("A.png", ImagePass::Small);
  EXPECT_EQ(images.size(), 2u);
}

TEST_F(ImageTagTest, SuccessDoesNotClearAnEarlierFailure) {
  writeGreyImage("ok.png", 3, 3);
  failed = true;
  tag("ok.png", ImagePass::Small);
  EXPECT_TRUE(failed);
}

TEST_F(ImageTagTest, WideImageIsStoredAtItsSizeButMeasuredAsSixteen) {
  writeGreyImage("wide.png", 200, 20);
  const ImageMeasure m = tag("wide.png", ImagePass::Small);
  EXPECT_EQ(m.width, 16u);
  EXPECT_EQ(m.height, 16u);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.entry(0).width, 200u);
  EXPECT_EQ(images.entry(0).height, 20u);
}

TEST(ImageMeasureTest, LineAndPageLimits) {
  EXPECT_EQ(measureImage(158, 148, false).width, 158u);
  EXPECT_EQ(measureImage(158, 148, false).height, 148u);
  EXPECT_EQ(measureImage(159, 10, false).width, 16u);
  EXPECT_EQ(measureImage(159, 10, false).height, 16u);
  EXPECT_EQ(measureImage(10, 149, false).width, 16u);
  EXPECT_EQ(measureImage(10, 149, false).height, 16u);
  EXPECT_EQ(measureImage(0, 0, false).width, 0u);
  EXPECT_EQ(measureImage(0, 0, false).height, 0u);
}

TEST(ImageMeasureTest, IndentLeavesEightPixelsLess) {
  EXPECT_EQ(measureImage(150, 12, true).width, 150u);
  EXPECT_EQ(measureImage(150, 12, true).height, 12u);
  EXPECT_EQ(measureImage(151, 12, true).width, 16u);
  EXPECT_EQ(measureImage(151, 12, true).height, 16u);
  EXPECT_EQ(measureImage(151, 12, false).width, 151u);
}

TEST_F(ImageTagTest, IndentIsAppliedToTheTag) {
  writeGreyImage("w.png", 155, 10);
  EXPECT_EQ(tag("w.png", ImagePass::Small, false).width, 155u);
  EXPECT_EQ(tag("w.png", ImagePass::Small, true).width, 16u);
}

TEST_F(ImageTagTest, OverlongNameIsReportedOnceAndNotListed) {
  const std::string name = std::string(252, 'n') + ".png";  // 256 characters
  runBothPasses(name);
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"Image name \"" + name.substr(0, 255) + "\" is longer than 255 characters."}));
  EXPECT_TRUE(images.empty());
}

TEST_F(ImageTagTest, PathOverTheLimitIsRefusedEvenForAShortName) {
  const std::string name = std::string(255 - imageDir.size(), 'p') + ".png";  // path of 259
  ASSERT_LE(name.size(), 255u);
  tag(name, ImagePass::Small);
  EXPECT_TRUE(failed);
  EXPECT_EQ(log.errors().size(), 1u);
  EXPECT_TRUE(images.empty());
}

TEST_F(ImageTagTest, NameInASubfolderIsFoundThroughTheBackslash) {
  ASSERT_EQ(mkdir((imageDir + "/sub").c_str(), 0755), 0);
  writeGreyImage("sub/in.png", 9, 8);
  const ImageMeasure m = tag("sub\\in.png", ImagePass::Small);
  EXPECT_FALSE(failed);
  EXPECT_EQ(m.width, 9u);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.entry(0).path, imageDir + "\\sub\\in.png");
}

// The tag as the text pass meets it: both passes, the list, the finishing.
class ImageTagInTextTest : public ImageTagTest {
 protected:
  bool runText(const std::string& text) {
    source = text;
    recordEnds = {0, uint32_t(source.size())};
    TextPassInput input;
    input.text = reinterpret_cast<const uint8_t*>(source.data());
    input.length = source.size();
    input.imageDirectory = imageDir;
    input.textRecordEnds = &recordEnds;
    input.smallPages = &smallPages;
    input.largePages = &largePages;
    input.images = &images;
    return TextPass().run(input);
  }
  size_t countErrors(const std::string& text) const {
    size_t n = 0;
    for (const std::string& e : log.errors()) n += e == text;
    return n;
  }
  std::string source;
  U32Table recordEnds;
  PageTable smallPages;
  PageTable largePages;
};

TEST_F(ImageTagInTextTest, RgbImageFailsTheBuildWithTheHeaderMessageInBothPasses) {
  pngtest::PngPicture picture;
  picture.width = 4;
  picture.height = 4;
  picture.colourType = pngtest::kRgb;
  picture.pixels = pngtest::noisePixels(picture, 1);
  writeImage("colour.png", pngtest::encodePng(picture));
  EXPECT_TRUE(runText("Before \\m=\"colour.png\" after.\n"));
  EXPECT_EQ(countErrors("Unrecognized PNG color type for " + stored("colour.png")), 2u);
}

TEST_F(ImageTagInTextTest, GoodImagesAreListedOnceAndReencoded) {
  writeGreyImage("one.png", 10, 10);
  EXPECT_FALSE(runText("\\m=\"one.png\" and \\m=\"one.png\"\n"));
  EXPECT_TRUE(log.errors().empty());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_GT(images.entry(0).dataSize, 0u);
  EXPECT_EQ(images.imageData().size(), images.entry(0).dataSize);
}

TEST_F(ImageTagInTextTest, OversizeImageTakesLessRoomOnThePage) {
  // Two 100-pixel-high lines do not fit one 148-pixel page; two 16-pixel
  // placeholders do.
  writeGreyImage("tall.png", 10, 100);
  writeGreyImage("huge.png", 200, 100);
  ASSERT_FALSE(runText("\\m=\"tall.png\"\n\\m=\"tall.png\"\n"));
  const size_t tallPages = smallPages.count();
  smallPages.clear();
  largePages.clear();
  ImageList fresh;
  std::swap(images, fresh);
  ASSERT_FALSE(runText("\\m=\"huge.png\"\n\\m=\"huge.png\"\n"));
  EXPECT_EQ(smallPages.count() + 1, tallPages);
}

}  // namespace
