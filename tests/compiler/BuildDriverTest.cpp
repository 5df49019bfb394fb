// The whole build from source file to book: footnotes and sidebars found,
// checked and stored, the failures that stop a build and what each leaves
// behind, and the properties every build keeps (line ends do not matter, no
// temporary file survives).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "BookBuilder.h"
#include "BookReader.h"
#include "support/BookTestSupport.h"
#include "support/PngTestImages.h"

using namespace scrivora;
using booktest::LogCapture;
using booktest::TempDir;

namespace {

class BuildDriverTest : public testing::Test {
 protected:
  std::string source(const std::string& name, const std::string& text) {
    std::string path = dir.file(name);
    booktest::writeFile(path, text);
    return path;
  }

  // Builds name.tml into name.tdb; true when the book was written.
  bool build(const std::string& name, const std::string& text) {
    return buildBook(source(name + ".tml", text), dir.file(name + ".tdb"), info);
  }

  BookContents read(const std::string& name) {
    BookReader reader;
    EXPECT_TRUE(reader.readFile(dir.file(name + ".tdb")));
    EXPECT_TRUE(reader.consistent()) << (reader.problems().empty() ? "" : reader.problems()[0]);
    return reader.contents();
  }

  void writeImage(const std::string& path, uint32_t width, uint32_t height, int colourType) {
    pngtest::PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colourType = colourType;
    if (colourType == pngtest::kPalette) picture.palette = pngtest::rampPalette(4);
    picture.pixels = pngtest::noisePixels(picture, width * 7 + height);
    pngtest::writeFile(path, pngtest::encodePng(picture));
  }

  // Only the source and, when it was written, the book are left.
  void expectOnly(const std::vector<std::string>& names) { EXPECT_EQ(dir.entries(), names); }

  TempDir dir;
  LogCapture log;
  BookInfo info;
};

std::string longProse(size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += "Entry " + std::to_string(i) + ": wind from the west.\n";
  text.resize(bytes);
  text.back() = '.';
  return text;
}

}  // namespace

// --- footnotes and sidebars in a built book ---------------------------------

TEST_F(BuildDriverTest, FootnotesAndSidebarsAreStoredAndTheTextEndsBeforeThem) {
  std::string text =
      "The keeper\\Fn=\"Log\"*\\Fn climbed the stairs.\n"
      "A \\Sd=\"Tower\"note\\Sd on towers.\n\n\n"
      "<footnote id=\"log\">\nHe kept it \\ievery\\i hour.\n</footnote>\n"
      "<sidebar id=\"TOWER\">Built in 1850.</sidebar>\n";
  ASSERT_TRUE(build("book", text));
  expectOnly({"book.tdb", "book.tml"});
  BookContents book = read("book");
  EXPECT_EQ(book.text, "The keeper\\Fn=\"Log\"*\\Fn climbed the stairs.\nA \\Sd=\"Tower\"note\\Sd on towers.");
  ASSERT_EQ(book.footnotes.size(), 1u);
  EXPECT_EQ(book.footnotes[0].id, "log");
  EXPECT_EQ(book.footnotes[0].recordCount, 1);
  EXPECT_EQ(book.footnotes[0].body, "He kept it \\ievery\\i hour.");
  ASSERT_EQ(book.sidebars.size(), 1u);
  EXPECT_EQ(book.sidebars[0].id, "tower");
  EXPECT_EQ(book.sidebars[0].body, "Built in 1850.");
  // One index record and one body record each.
  EXPECT_EQ(book.bookHeader.footnoteCount, 2);
  EXPECT_EQ(book.bookHeader.sidebarCount, 2);
  EXPECT_TRUE(log.errors().empty());
}

TEST_F(BuildDriverTest, ThreeFootnotesOfOneNoneAndTwoRecords) {
  std::string two = longProse(11000);
  std::string text =
      "A\\Fn=\"f1\"1\\Fn B\\Fn=\"f2\"2\\Fn C\\Fn=\"f3\"3\\Fn\n"
      "<footnote id=\"f1\">One record.</footnote>"
      "<footnote id=\"f2\">\n\n</footnote>"
      "<footnote id=\"f3\">" +
      two + "</footnote>";
  ASSERT_TRUE(build("three", text));
  BookContents book = read("three");
  EXPECT_EQ(book.bookHeader.footnoteCount, 4);
  ASSERT_EQ(book.footnotes.size(), 3u);
  EXPECT_EQ(book.footnotes[0].recordCount, 1);
  EXPECT_EQ(book.footnotes[1].recordCount, 0);
  EXPECT_EQ(book.footnotes[2].recordCount, 2);
  EXPECT_EQ(book.footnotes[1].body, "");
  EXPECT_EQ(book.footnotes[2].body, two);
  EXPECT_EQ(book.bookHeader.sidebarCount, 0);
}

TEST_F(BuildDriverTest, BodyWithoutItsEndTagHasNoRecordsAndTheBookIsStillWritten) {
  ASSERT_TRUE(build("open", "See\\Fn=\"n\"1\\Fn.\n<footnote id=\"n\">Never closed."));
  EXPECT_EQ(log.errors(), std::vector<std::string>{"No end tag for sidebar or footnote named n was found."});
  BookContents book = read("open");
  ASSERT_EQ(book.footnotes.size(), 1u);
  EXPECT_EQ(book.footnotes[0].recordCount, 0);
  EXPECT_EQ(book.bookHeader.footnoteCount, 1);
}

TEST_F(BuildDriverTest, IllegalTagsInABodyAreReportedByIdButDoNotStopTheBuild) {
  ASSERT_TRUE(build("tags", "x\\Sd=\"box\"b\\Sd\n<sidebar id=\"box\">\\x Title\\x and \\Q=\"a\"</sidebar>"));
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"Illegal tag \"\\x\" in file \"box\"", "Illegal tag \"\\x\" in file \"box\"",
                                      "Illegal tag \"\\Q\" in file \"box\""}));
  EXPECT_EQ(read("tags").sidebars.size(), 1u);
}

TEST_F(BuildDriverTest, BlocksNobodyRefersToAreLeftOut) {
  ASSERT_TRUE(build("unused", "Plain text.\n<footnote id=\"spare\">Unused.</footnote>"));
  BookContents book = read("unused");
  EXPECT_EQ(book.text, "Plain text.");
  EXPECT_TRUE(book.footnotes.empty());
  EXPECT_EQ(book.bookHeader.footnoteCount, 0);
  expectOnly({"unused.tdb", "unused.tml"});
}

TEST_F(BuildDriverTest, ImagesInBodiesJoinTheBooksImages) {
  ASSERT_EQ(mkdir(dir.file("pics_img").c_str(), 0755), 0);
  writeImage(dir.file("pics_img/main.png"), 30, 20, pngtest::kGrey);
  writeImage(dir.file("pics_img/aside.png"), 12, 8, pngtest::kPalette);
  ASSERT_TRUE(build("pics",
                    "\\m=\"main.png\" text\\Sd=\"s\"x\\Sd\n"
                    "<sidebar id=\"s\">Aside: \\m=\"aside.png\"\\m=\"main.png\"</sidebar>"));
  BookContents book = read("pics");
  ASSERT_EQ(book.images.size(), 2u);
  // Sorted by path once the bodies' images joined.
  EXPECT_EQ(book.images[0].name, "aside.png");
  EXPECT_EQ(book.images[0].width, 12);
  EXPECT_EQ(book.images[1].name, "main.png");
  pngtest::DecodedPng decoded;
  ASSERT_TRUE(pngtest::decodePng(book.images[0].png, decoded));
  EXPECT_EQ(decoded.colourType, pngtest::kPalette);
}

TEST_F(BuildDriverTest, BrokenImageInABodyFailsTheBuildInsteadOfStoringAnEmptyImage) {
  ASSERT_EQ(mkdir(dir.file("bad_img").c_str(), 0755), 0);
  writeImage(dir.file("bad_img/colour.png"), 4, 4, pngtest::kRgb);
  EXPECT_FALSE(build("bad", "Text\\Fn=\"f\"1\\Fn\n<footnote id=\"f\">\\m=\"colour.png\"</footnote>"));
  EXPECT_TRUE(log.hasError("Unrecognized PNG color type for " + dir.file("bad_img") + "\\colour.png"));
  expectOnly({"bad.tml", "bad_img"});
}

TEST_F(BuildDriverTest, ImageThatCannotBeReencodedAfterTheBodiesFailsTheBuild) {
  // A valid header over a body libpng cannot read: only the loading after
  // the bodies finds it.
  ASSERT_EQ(mkdir(dir.file("cut_img").c_str(), 0755), 0);
  writeImage(dir.file("cut_img/whole.png"), 40, 40, pngtest::kGrey);
  pngtest::Bytes png = pngtest::readFile(dir.file("cut_img/whole.png"));
  png.resize(40);
  pngtest::writeFile(dir.file("cut_img/cut.png"), png);
  EXPECT_FALSE(build("cut", "Text\\Fn=\"f\"1\\Fn\n<footnote id=\"f\">\\m=\"cut.png\"</footnote>"));
  EXPECT_FALSE(log.errors().empty());
  expectOnly({"cut.tml", "cut_img"});
}

TEST_F(BuildDriverTest, ImagesAreLoadedAgainAfterEachKindThatNamedOne) {
  // The sidebar's image passes the header check but cannot be re-encoded:
  // loading after the sidebars reports it, and loading again after the
  // footnotes (whose body names an image too) reports it once more.
  ASSERT_EQ(mkdir(dir.file("twice_img").c_str(), 0755), 0);
  writeImage(dir.file("twice_img/whole.png"), 40, 40, pngtest::kGrey);
  pngtest::Bytes png = pngtest::readFile(dir.file("twice_img/whole.png"));
  png.resize(40);
  pngtest::writeFile(dir.file("twice_img/cut.png"), png);
  EXPECT_FALSE(build("twice",
                     "Text\\Sd=\"s\"1\\Sd and\\Fn=\"f\"2\\Fn and\\Fn=\"g\"3\\Fn\n"
                     "<sidebar id=\"s\">\\m=\"cut.png\"</sidebar>\n"
                     "<footnote id=\"f\">\\m=\"whole.png\"</footnote>\n"
                     "<footnote id=\"g\">never closed"));
  ASSERT_EQ(log.errors().size(), 4u);
  EXPECT_NE(log.errors()[0].find("cut.png"), std::string::npos) << log.errors()[0];
  EXPECT_EQ(log.errors()[1], "No end tag for sidebar or footnote named g was found.");
  EXPECT_EQ(log.errors()[2], log.errors()[0]);
  EXPECT_EQ(log.errors()[3], "Errors occurred in the images of the footnotes or sidebars. No output file generated.");
  expectOnly({"twice.tml", "twice_img"});
}

// --- the failures that stop a build --------------------------------------

TEST_F(BuildDriverTest, EveryMissingIdIsReportedAndTheEarlierBookIsKept) {
  booktest::writeFile(dir.file("miss.tdb"), std::string("an earlier book"));
  EXPECT_FALSE(build("miss",
                     "a\\Fn=\"gone\"1\\Fn b\\Sd=\"away\"2\\Sd c\\Fn=\"also\"3\\Fn\n"
                     "<footnote id=\"gone2\">x</footnote>"));
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"No sidebar named \"away\" was found.", "No footnote named \"also\" was found.",
                                      "No footnote named \"gone\" was found."}));
  expectOnly({"miss.tdb", "miss.tml"});
  EXPECT_EQ(booktest::readText(dir.file("miss.tdb")), "an earlier book");
}

TEST_F(BuildDriverTest, TextPassErrorsEndWithTheirMessageThenDone) {
  EXPECT_FALSE(build("err", "Bad \\Z tag.\n"));
  ASSERT_FALSE(log.errors().empty());
  EXPECT_EQ(log.errors().back(), "Errors occurred while paginating the book. No output file generated.");
  EXPECT_EQ(log.statuses().back(), "Done.");
  expectOnly({"err.tml"});
}

TEST_F(BuildDriverTest, SourceThatOpensButCannotBeReadLeavesNothing) {
  // The kernel lets this file be opened but refuses to read its first byte.
  std::string output = dir.file("mem.tdb");
  EXPECT_FALSE(buildBook("/proc/self/mem", output, info));
  EXPECT_EQ(log.errors(), std::vector<std::string>{"An error occurred reading the file /proc/self/mem.\n"});
  expectOnly({});
}

TEST_F(BuildDriverTest, SourceOrImageThatIsNoRegularFileIsRefusedWithoutWaiting) {
  // /dev/zero never ends and a pipe without a writer never opens: either
  // would hold the build for ever.
  ASSERT_EQ(mkfifo(dir.file("pipe.tml").c_str(), 0644), 0);
  ASSERT_EQ(mkdir(dir.file("book_img").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(dir.file("book_img/pipe.png").c_str(), 0644), 0);
  for (const std::string& input : {std::string("/dev/zero"), dir.file("pipe.tml")}) {
    LogCapture inputLog;
    EXPECT_FALSE(buildBook(input, dir.file("out.tdb"), info));
    EXPECT_EQ(inputLog.errors(), std::vector<std::string>{"The input file \"" + input + "\" could not be opened."});
  }
  EXPECT_FALSE(build("book", "\\m=\"pipe.png\""));
  EXPECT_TRUE(log.hasError("Failed to open PNG file " + dir.file("book_img") + "\\pipe.png\n"));
  expectOnly({"book.tml", "book_img", "pipe.tml"});
}

TEST_F(BuildDriverTest, FootnoteFileThatCannotBeOpenedFailsTheBuild) {
  std::string src = source("ftn.tml", "a\\Fn=\"n\"1\\Fn\n<footnote id=\"n\">N</footnote>");
  ASSERT_EQ(mkdir((src + ".ftn").c_str(), 0755), 0);
  booktest::writeFile(src + ".ftn/keep", std::string("x"));
  EXPECT_FALSE(buildBook(src, dir.file("ftn.tdb"), info));
  EXPECT_EQ(log.errors(), std::vector<std::string>{"Could not open file " + src + ".ftn for writing."});
  EXPECT_FALSE(booktest::fileExists(dir.file("ftn.tdb")));
  EXPECT_FALSE(booktest::fileExists(src + ".tmp"));
}

TEST_F(BuildDriverTest, SidebarFailureDoesNotHideAFootnoteFailure) {
  std::string src = source("both.tml",
                           "a\\Fn=\"n\"1\\Fn\\Sd=\"s\"2\\Sd\n"
                           "<footnote id=\"n\">N</footnote><sidebar id=\"s\">S</sidebar>");
  for (const char* suffix : {".sid", ".ftn"}) {
    ASSERT_EQ(mkdir((src + suffix).c_str(), 0755), 0);
    booktest::writeFile(src + suffix + "/keep", std::string("x"));
  }
  EXPECT_FALSE(buildBook(src, dir.file("both.tdb"), info));
  EXPECT_EQ(log.errors(), (std::vector<std::string>{"Could not open file " + src + ".sid for writing.",
                                                    "Could not open file " + src + ".ftn for writing."}));
}

TEST_F(BuildDriverTest, SourceWithoutMainTextGivesNoBook) {
  // A book of no text records would send the reader's first page into the
  // record after the text.
  EXPECT_FALSE(build("empty", ""));
  EXPECT_FALSE(build("notesonly", "\n\n<footnote id=\"a\">A</footnote>"));
  EXPECT_TRUE(log.hasError("The file " + dir.file("empty.tml") +
                           " has no text before its footnotes and sidebars. No output file generated."));
  expectOnly({"empty.tml", "notesonly.tml"});
}

// --- properties of every build -------------------------------------------

TEST_F(BuildDriverTest, CarriageReturnLineEndsGiveTheSameBook) {
  std::string lf =
      "\\x1. Start\\x\nLine one\\Fn=\"a\"*\\Fn\n\nLine two\n\n<footnote id=\"a\">\nFoot\nnote\n</footnote>\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  bool first = build("lf", lf);
  bool second = build("crlf", crlf);
  unsetenv("SOURCE_DATE_EPOCH");
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  booktest::Bytes a = booktest::readFile(dir.file("lf.tdb"));
  booktest::Bytes b = booktest::readFile(dir.file("crlf.tdb"));
  EXPECT_EQ(a, b);
  EXPECT_EQ(read("crlf").footnotes.at(0).body, "Foot\nnote");
}

TEST_F(BuildDriverTest, UpperCaseExtensionStaysInTheImageFolderName) {
  ASSERT_EQ(mkdir(dir.file("novel.TML_img").c_str(), 0755), 0);
  writeImage(dir.file("novel.TML_img/p.png"), 10, 10, pngtest::kGrey);
  EXPECT_TRUE(buildBook(source("novel.TML", "\\m=\"p.png\""), dir.file("upper.tdb"), info));
  EXPECT_EQ(read("upper").images.size(), 1u);
  // The same source named .tml looks in novel_img, which does not exist.
  EXPECT_FALSE(buildBook(source("novel.tml", "\\m=\"p.png\""), dir.file("lower.tdb"), info));
  EXPECT_TRUE(log.hasError("Image \"p.png\" doesn't exist!"));
}

TEST_F(BuildDriverTest, NoTemporaryFileSurvivesAnyKindOfBuild) {
  std::string notes = "\n<footnote id=\"f\">F</footnote><sidebar id=\"s\">S</sidebar>";
  const std::vector<std::string> sources = {
      "ok\\Fn=\"f\"1\\Fn\\Sd=\"s\"2\\Sd" + notes,   // written
      "bad \\Z" + notes,                            // text pass error
      "x\\Fn=\"none\"1\\Fn" + notes,                // missing id
      "y\\Fn=\"f\"1\\Fn\n<footnote id=\"f\">open",  // missing end tag
  };
  for (size_t i = 0; i < sources.size(); ++i) {
    std::string name = "t" + std::to_string(i);
    build(name, sources[i]);
    for (const char* suffix : {".tmp", ".sid", ".ftn"}) {
      EXPECT_FALSE(booktest::fileExists(dir.file(name + ".tml" + suffix))) << name << suffix;
    }
  }
}
