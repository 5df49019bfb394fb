// Where the compiler's messages point: each message about a place names the
// line and byte column of that place in the file as written, whatever the
// build did to the text first (line ends made LF, control bytes dropped, a
// UTF-8 file converted, the notes block split off). Each case names the tag
// (or byte) in its line that its message must point at.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "BookBuilder.h"
#include "support/BookTestSupport.h"
#include "support/PngTestImages.h"

using namespace scrivora;

namespace {

// A message (found by a part of its text) and the place it must name: the
// first occurrence of `at` in line `line` of the source.
struct Expected {
  const char* message;
  size_t line;
  std::string at;
};

struct Source {
  std::vector<std::string> lines;
  std::vector<Expected> expected;
};

// How one variant writes a source: its line end, bytes put before every line
// and whether it is a UTF-8 file with the byte-order mark.
struct Variant {
  const char* name;
  const char* lineEnd;
  std::string linePrefix;
  bool utf8;
};

const Variant kVariants[] = {
    {"LF", "\n", "", false},
    {"CR LF", "\r\n", "", false},
    {"CR", "\r", "", false},
    {"control bytes", "\n", "\x01\x02", false},
    // The letter l with stroke: two bytes in the file, six (\U0141) in the
    // converted text.
    {"UTF-8", "\n", "\xC5\x82", true},
    {"UTF-8 CR LF", "\r\n", "\xC5\x82", true},
};

std::string write(const Source& source, const Variant& variant) {
  std::string text = variant.utf8 ? "\xEF\xBB\xBF" : "";
  for (const std::string& line : source.lines) text += variant.linePrefix + line + variant.lineEnd;
  return text;
}

// Messages about a place in the main text that stop the build in the text
// pass.
Source textPassMistakes() {
  const std::string longName(81, 'a');
  return {{
              "A first line.",
              "ab\\zed",
              "x \\Sxy",
              "\\iit \\Iterm\\I\\i",
              "H\\Sb2\\Sp3\\Sp\\Sb",
              "\\w50%\" rule",
              "\\T=\"5a%\"",
              "x\\U00g1y",
              "See \\Fn=\"n1\"Text\\i\\Fn here.",
              "\\q=x\\q",
              "\\q=\"#there\"\\dtext\\q",
              "see \\m'pic.png'",
              "an \\m=\"unseen.png\" image",
              "an \\m=\"rgb.png\" image",
              "\\C7=\"Seven\"",
              "\\C1=\"a\\ib\"",
              "\\X1Title\\X2",
              "\\Bbold\\B \\bbold\\b",
              "\\C0=\"\\U00E9t\"",
              "\\Q=\"" + longName + "\"",
              "\\q=\"#" + longName + "\"x\\q",
              "ab\\Sd\"x\"y\\Sd",
              "\\ccentred \\rright\\r",
              "\\C0=\"" + std::string(85, 'c') + "\"",
              "\\T=\"200%\"\\T=\"100%\"",
          },
          {
              {"Illegal control code starting at", 2, "\\z"},
              {"Illegal control code: \\Sx", 3, "\\Sx"},
              {"No styles permitted before", 4, "\\Iterm"},
              {"Can't have superscript and subscript", 5, "\\Sp3"},
              {"Rule syntax is", 6, "\\w"},
              {"Indent specifier must be only digits!", 7, "\\T"},
              {"Error in \\U specification: \"\\U00g1\"", 8, "\\U"},
              {"Tags are not permitted within footnote references", 9, "\\i\\Fn"},
              {"and it should be \\q=\"#", 10, "\\q"},
              {"Illegal tag \"\\d\" in link reference", 11, "\\d"},
              {"Image syntax incorrect.  You have", 12, "\\m"},
              {"Image \"unseen.png\" doesn't exist!", 13, "\\m"},
              {"Unrecognized PNG color type", 14, "\\m"},
              // Re-encoding, after both passes.
              {"must be an 8-bit color image", 14, "\\m"},
              {"Chapter syntax is \\Cn", 15, "\\C7"},
              {"Tags are not allowed inside \\C definitions!", 16, "\\ib"},
              {"does not match closing \\X", 17, "\\X2"},
              {"You can't use \\b and \\B", 18, "\\bbold"},
              {"Don't know how to map unicode character 00E9", 19, "\\U"},
              {"Unicode characters currently aren't allowed", 19, "\\U"},
              {"Link is longer than 80 characters", 20, "\\Q"},
              {"Link reference is longer than 80 characters", 21, "\\q"},
              {"Sidebar syntax incorrect.", 22, "\\Sd"},
              {"Should close alignment tag", 23, "\\rright"},
              {"Chapter name is > 80 characters", 24, "\\C0"},
              {"You specified an indent of 100%", 25, "\\T=\"100"},
          }};
}

// Warnings of a book that is written, and the messages about footnote bodies
// in the notes block after the text.
Source noteMistakes() {
  return {{
              "Price 200 \x80 here.",
              "An odd \x99 byte.",
              "\\Q=\"a\"one \\Q=\"A\"two",
              "\\q=\"#nowhere\"x\\q",
              "\\Fn=\"n1\"*\\Fn \\Fn=\"n2\"*\\Fn",
              "",
              "<footnote id=\"n1\">",
              "",
              "A body with \\d in it and \\m\"pic\".",
              "</footnote>",
              "<footnote id=\"n2\">",
              "never closed",
          },
          {
              {"Non-ASCII characters in file", 1, "\x80"},
              {"The Euro symbol", 1, "\x80"},
              {"Unmappable character in string", 2, "\x99"},
              {"Link \"A\" defined more than once", 3, "\\Q=\"A"},
              {"Link \"nowhere\" has not been defined", 4, "\\q"},
              {"Illegal tag \"\\d\" in file \"n1\"", 9, "\\d"},
              {"Image syntax incorrect.  It should be", 9, "\\m"},
              {"No end tag for sidebar or footnote named n2", 11, "<footnote"},
          }};
}

// References to blocks that do not exist stop the build before the bodies.
Source missingBlocks() {
  return {{
              "Text.",
              "More \\Fn=\"gone\"*\\Fn and \\Sd=\"away\"side\\Sd.",
          },
          {
              {"No footnote named \"gone\" was found.", 2, "\\Fn"},
              {"No sidebar named \"away\" was found.", 2, "\\Sd"},
          }};
}

class SourcePositionTest : public testing::Test {
 protected:
  // Builds the source written as the variant writes it and checks that every
  // expected message came with its place, the same each time it came.
  void check(const Source& source, const Variant& variant) {
    SCOPED_TRACE(variant.name);
    const std::string path = dir.file("book.tml");
    booktest::writeFile(path, write(source, variant));
    booktest::LogCapture log;
    BuildOptions options;
    options.inputEncoding = variant.utf8 ? InputEncoding::Detect : InputEncoding::Windows1252;
    buildBook(path, dir.file("book.tdb"), BookInfo(), options);
    for (const Expected& expected : source.expected) {
      const std::string& line = source.lines[expected.line - 1];
      ASSERT_NE(line.find(expected.at), std::string::npos) << expected.message;
      const int column = int(variant.linePrefix.size() + line.find(expected.at) + 1);
      int seen = 0;
      for (const LogMessage& message : log.messages()) {
        if (message.text.find(expected.message) == std::string::npos) continue;
        ++seen;
        EXPECT_EQ(message.position, (SourcePosition{path, int(expected.line), column})) << message.text;
      }
      EXPECT_GT(seen, 0) << "no message " << expected.message;
    }
    // What is not about a place carries none.
    for (const LogMessage& message : log.messages()) {
      if (message.kind == LogKind::Status || message.text.rfind("Errors occurred", 0) == 0) {
        EXPECT_FALSE(message.position.known()) << message.text;
      }
    }
  }

  booktest::TempDir dir;
};

TEST_F(SourcePositionTest, MessagesInTheTextPointAtTheirTags) {
  ASSERT_EQ(mkdir(dir.file("book_img").c_str(), 0755), 0);
  pngtest::PngPicture rgb;
  rgb.colourType = pngtest::kRgb;
  rgb.pixels = pngtest::noisePixels(rgb, 1);
  booktest::writeFile(dir.file("book_img/rgb.png"), pngtest::encodePng(rgb));
  for (const Variant& variant : kVariants) check(textPassMistakes(), variant);
}

TEST_F(SourcePositionTest, WarningsAndNoteBodyMessagesPointIntoTheFile) {
  for (const Variant& variant : kVariants) check(noteMistakes(), variant);
}

TEST_F(SourcePositionTest, MissingBlocksPointAtTheirFirstReference) {
  for (const Variant& variant : kVariants) check(missingBlocks(), variant);
}

TEST_F(SourcePositionTest, NotEntirelyUtf8PointsAtTheStrayByteAfterTheMark) {
  const std::string path = dir.file("stray.tml");
  booktest::writeFile(path, "\xEF\xBB\xBFOn\xE9 \xC3\xA9\r\nTwo\r\n");
  booktest::LogCapture log;
  buildBook(path, dir.file("stray.tdb"), BookInfo());
  bool found = false;
  for (const LogMessage& message : log.messages()) {
    if (message.text.find("is not entirely UTF-8") == std::string::npos) continue;
    found = true;
    EXPECT_EQ(message.position, (SourcePosition{path, 1, 3}));
  }
  EXPECT_TRUE(found);
}

TEST_F(SourcePositionTest, WithoutPositionsTheMessagesStayTheSame) {
  const std::string path = dir.file("book.tml");
  booktest::writeFile(path, write(textPassMistakes(), kVariants[1]));
  std::vector<std::string> texts[2];
  for (bool positions : {true, false}) {
    booktest::LogCapture log;
    BuildOptions options;
    options.sourcePositions = positions;
    EXPECT_FALSE(buildBook(path, dir.file("book.tdb"), BookInfo(), options));
    for (const LogMessage& message : log.messages()) {
      texts[positions].push_back(logKindName(message.kind) + std::string(": ") + message.text);
      if (!positions) {
        EXPECT_FALSE(message.position.known()) << message.text;
      }
    }
  }
  EXPECT_EQ(texts[0], texts[1]);
}

}  // namespace
