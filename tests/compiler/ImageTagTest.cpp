// The \m tag after its syntax: the name's ending, the file's existence, the
// 26-byte header check, listing the image once, and the size it takes on the
// page. Each message is checked with the pass(es) it appears in.

#include "ImageTag.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/PngTestImages.h"
#include "support/TextPassTestSupport.h"

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
  void SetUp() override { booktest::makeFolder(imageDir); }

  void writeImage(const std::string& name, const Bytes& bytes) { booktest::writeFile(imageDir + "/" + name, bytes); }
  void writeGreyImage(const std::string& name, uint32_t width, uint32_t height) {
    pngtest::writeGreyPng(imageDir + "/" + name, width, height);
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

  booktest::TempDir root;
  const std::string imageDir = root.file("novel_img");
  ImageList images;
  bool failed = false;
  booktest::LogCapture log;
};

TEST_F(ImageTagTest, GoodImagesAreMeasuredAndListedAtTheirOwnSize) {
  ASSERT_EQ(mkdir((imageDir + "/sub").c_str(), 0755), 0);
  struct Case {
    std::string file, name;
    uint32_t width, height;
    bool indent;
    unsigned measuredWidth, measuredHeight;
  };
  const Case cases[] = {
      {"pic.png", "pic.png", 40, 30, false, 40, 30},    {"Pic.PNG", "Pic.PNG", 5, 6, false, 5, 6},  // any letter case
      {"sub/in.png", "sub\\in.png", 9, 8, false, 9, 8},  // a backslash reaches a subfolder
      {"wide.png", "wide.png", 200, 20, false, 16, 16},  // too wide: a placeholder
      {"w.png", "w.png", 155, 10, false, 155, 10},       // fits without the indent
      {"w.png", "w.png", 155, 10, true, 16, 16},         // not with it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeGreyImage(c.file, c.width, c.height);
    ImageList list;
    bool caseFailed = false;
    const ImageMeasure m = imageTag(imageDir, c.name, ImagePass::Small, c.indent, list, caseFailed);
    EXPECT_FALSE(caseFailed);
    EXPECT_EQ(m.width, c.measuredWidth);
    EXPECT_EQ(m.height, c.measuredHeight);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.entry(0).path, stored(c.name));
    EXPECT_EQ(list.entry(0).width, c.width);
    EXPECT_EQ(list.entry(0).height, c.height);
  }
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(ImageTagTest, EndingIsTheWholePartAfterTheLastDot) {
  for (const char* name : {"a.b.png", "x.pNg", ".png"}) EXPECT_TRUE(hasPngEnding(name)) << name;
  for (const char* name : {"png", "pic.apng", "pic.pngx", "pic.png.", "pic.pn"})
    EXPECT_FALSE(hasPngEnding(name)) << name;
}

TEST_F(ImageTagTest, BadNameOrMissingFileFailsInBothPassesButIsReportedOnce) {
  writeGreyImage("pic.png.bak", 5, 6);  // a real PNG, but the name decides
  const std::pair<std::string, std::string> cases[] = {
      {"pic.png.bak", "Image file \"pic.png.bak\" doesn't end with .png!"},
      {"absent.png", "Image \"absent.png\" doesn't exist!"},
  };
  for (const auto& [name, message] : cases) {
    booktest::LogCapture attempt;
    ImageList list;
    bool caseFailed = false;
    const ImageMeasure m = imageTag(imageDir, name, ImagePass::Small, false, list, caseFailed);
    EXPECT_TRUE(caseFailed) << name;
    caseFailed = false;
    imageTag(imageDir, name, ImagePass::Large, false, list, caseFailed);
    EXPECT_TRUE(caseFailed) << name;
    EXPECT_EQ(attempt.errors(), std::vector<std::string>{message});
    EXPECT_EQ(m.width, 0u);
    // Still listed, at 0 by 0: the build fails through the flag.
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.entry(0).width, 0u);
  }
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

TEST_F(ImageTagTest, EachExactNameIsListedOnceAndOnlyByTheSmallPass) {
  for (const char* name : {"a.png", "A.png", "b.png"}) writeGreyImage(name, 3, 3);
  for (const char* name : {"a.png", "A.png", "b.png", "a.png"}) tag(name, ImagePass::Small);
  tag("b.png", ImagePass::Large);
  tag("c.png", ImagePass::Large);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images.entry(0).path, stored("a.png"));
  EXPECT_EQ(images.entry(1).path, stored("A.png"));
  EXPECT_EQ(images.entry(2).path, stored("b.png"));
  // Success never clears an earlier failure (the missing c.png).
  EXPECT_TRUE(failed);
  tag("a.png", ImagePass::Small);
  EXPECT_TRUE(failed);
}

TEST(ImageMeasureTest, LineAndPageLimitsLessTheIndent) {
  struct Case {
    uint16_t width, height;
    bool indent;
    unsigned measuredWidth, measuredHeight;
  };
  for (const Case& c : {Case{158, 148, false, 158, 148}, Case{159, 10, false, 16, 16}, Case{10, 149, false, 16, 16},
                        Case{0, 0, false, 0, 0}, Case{150, 12, true, 150, 12}, Case{151, 12, true, 16, 16},
                        Case{151, 12, false, 151, 12}}) {
    const ImageMeasure m = measureImage(c.width, c.height, c.indent);
    EXPECT_EQ(m.width, c.measuredWidth) << c.width << "x" << c.height << (c.indent ? " indented" : "");
    EXPECT_EQ(m.height, c.measuredHeight) << c.width << "x" << c.height << (c.indent ? " indented" : "");
  }
}

TEST_F(ImageTagTest, OverlongNameOrPathIsReportedOnceAndNotListed) {
  const std::string name = std::string(252, 'n') + ".png";  // 256 characters
  runBothPasses(name);
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"Image name \"" + name.substr(0, 255) + "\" is longer than 255 characters."}));
  const std::string shortName = std::string(255 - imageDir.size(), 'p') + ".png";  // path of 259
  ASSERT_LE(shortName.size(), 255u);
  runBothPasses(shortName);
  EXPECT_EQ(log.errors().size(), 2u);
  EXPECT_TRUE(images.empty());
}

TEST_F(ImageTagTest, OversizeImageTakesLessRoomOnThePageOfTheTextPass) {
  // Two 100-pixel-high lines do not fit one 148-pixel page; two 16-pixel
  // placeholders do.
  writeGreyImage("tall.png", 10, 100);
  writeGreyImage("huge.png", 200, 100);
  const passtest::PassedBook tall("\\m=\"tall.png\"\n\\m=\"tall.png\"\n", {{}, imageDir});
  const passtest::PassedBook huge("\\m=\"huge.png\"\n\\m=\"huge.png\"\n", {{}, imageDir});
  ASSERT_FALSE(tall.failed);
  ASSERT_FALSE(huge.failed);
  EXPECT_EQ(huge.smallPages.count() + 1, tall.smallPages.count());
}

}  // namespace
