// The whole build from source file to book: footnotes and sidebars found,
// checked and stored, the failures that stop a build and what each leaves
// behind, and the properties every build keeps (line ends do not matter, no
// temporary file survives).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "BookBuilder.h"
#include "BookReader.h"
#include "BuildLog.h"
#include "SourceEncoding.h"
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

enum class Damage { Truncated, BadCrc, BadZlibStream, PaletteWithoutPlte };

uint32_t bigEndian32(const pngtest::Bytes& bytes, size_t at) {
  return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) | (uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
}

// A whole PNG damaged in one way, its header still sound.
pngtest::Bytes damaged(const pngtest::Bytes& png, Damage damage) {
  if (damage == Damage::Truncated) return pngtest::Bytes(png.begin(), png.begin() + png.size() / 2);
  pngtest::Bytes out(png.begin(), png.begin() + 8);
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = bigEndian32(png, at);
    std::string type(png.begin() + at + 4, png.begin() + at + 8);
    pngtest::Bytes chunk(png.begin() + at, png.begin() + at + 12 + length);
    at += 12 + length;
    if (type == "PLTE" && damage == Damage::PaletteWithoutPlte) continue;
    if (type == "IDAT" && damage == Damage::BadCrc) chunk[8] ^= 0x55;
    if (type == "IDAT" && damage == Damage::BadZlibStream) {
      chunk[8] = chunk[9] = 0xFF;
      const uint32_t crc = uint32_t(crc32(0, chunk.data() + 4, uInt(length + 4)));
      for (int i = 0; i < 4; ++i) chunk[8 + length + i] = uint8_t(crc >> (24 - 8 * i));
    }
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

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

TEST_F(BuildDriverTest, BodyWithoutItsEndTagHasNoRecordsAndTheBookIsStillWritten) {
  ASSERT_TRUE(build("open", "See\\Fn=\"n\"1\\Fn.\n<footnote id=\"n\">Never closed."));
  EXPECT_EQ(log.errors(), std::vector<std::string>{"No end tag for sidebar or footnote named n was found."});
  BookContents book = read("open");
  ASSERT_EQ(book.footnotes.size(), 1u);
  EXPECT_EQ(book.footnotes[0].recordCount, 0);
  EXPECT_EQ(book.bookHeader.footnoteCount, 1);
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

TEST_F(BuildDriverTest, DamagedImageNamesLibpngsReasonAndTheFile) {
  ASSERT_EQ(mkdir(dir.file("book_img").c_str(), 0755), 0);
  const std::string stored = dir.file("book_img") + "\\pic.png";
  for (Damage damage : {Damage::Truncated, Damage::BadCrc, Damage::BadZlibStream, Damage::PaletteWithoutPlte}) {
    pngtest::PngPicture picture;
    picture.width = 40;
    picture.height = 30;
    picture.colourType = pngtest::kPalette;
    picture.palette = pngtest::rampPalette(4);
    picture.pixels = pngtest::noisePixels(picture, 9);
    pngtest::writeFile(dir.file("book_img/pic.png"), damaged(pngtest::encodePng(picture), damage));
    LogCapture attempt;
    EXPECT_FALSE(build("book", "\\m=\"pic.png\""));
    EXPECT_EQ(attempt.errors(),
              (std::vector<std::string>{"An unknown error occurred reading the file \"" + stored + "\"",
                                        "Errors occurred while paginating the book. No output file generated."}));
    const std::string prefix = "The image " + dir.file("book_img/pic.png") + " is damaged: ";
    ASSERT_EQ(attempt.warnings().size(), 1u) << int(damage);
    EXPECT_EQ(attempt.warnings()[0].substr(0, prefix.size()), prefix);
    EXPECT_GT(attempt.warnings()[0].size(), prefix.size()) << "libpng's reason is missing";
  }
}

TEST_F(BuildDriverTest, ImageOfTheBookAsOutputIsRefusedAndKept) {
  ASSERT_EQ(mkdir(dir.file("book_img").c_str(), 0755), 0);
  writeImage(dir.file("book_img/p.png"), 10, 10, pngtest::kGrey);
  const pngtest::Bytes image = pngtest::readFile(dir.file("book_img/p.png"));
  EXPECT_FALSE(buildBook(source("book.tml", "\\m=\"p.png\""), dir.file("book_img/../book_img/p.png"), info));
  EXPECT_EQ(log.errors(),
            std::vector<std::string>{"The input and output files are the same! (" + dir.file("book_img/p.png") + ")"});
  EXPECT_EQ(pngtest::readFile(dir.file("book_img/p.png")), image);
  EXPECT_EQ(booktest::entriesOf(dir.file("book_img")), std::vector<std::string>{"p.png"});
}

// --- the source's encoding ------------------------------------------------

TEST_F(BuildDriverTest, SourceEncodingDecidesHowItsBytesAreRead) {
  const std::string utf8Status = "The file " + dir.file("enc.tml") + " is UTF-8; converting it to Windows-1252.";
  const std::string looksLikeUtf8 =
      "The file looks like UTF-8; TML files are Windows-1252. Use --input-encoding=utf-8 to convert it.";
  const std::string notAllUtf8 =
      "The file " + dir.file("enc.tml") + " is not entirely UTF-8; the bytes that are not are kept as Windows-1252.";
  struct Case {
    InputEncoding encoding;
    std::string source;
    std::string text;     // the book's text
    bool converted;       // the status line says so
    std::string warning;  // the one encoding warning, if any
    int line, column;     // where it points
  };
  const Case cases[] = {
      {InputEncoding::Detect,
       "\xEF\xBB\xBF"
       "Caf\xC3\xA9 \xD0\x96\r\n",
       "Caf\xE9 \\U0416\n", true, "", 0, 0},
      {InputEncoding::Detect, "Plain\r\nA caf\xC3\xA9", "Plain\nA caf\xC3\xA9", false, looksLikeUtf8, 2, 6},
      {InputEncoding::Detect, "caf\xE9", "caf\xE9", false, "", 0, 0},
      {InputEncoding::Utf8, "ok\ncaf\xE9 \xC3\xA9", "ok\ncaf\xE9 \xE9", true, notAllUtf8, 2, 4},
      {InputEncoding::Windows1252, "\xEF\xBB\xBFX\xC3\xA9", "\xEF\xBB\xBFX\xC3\xA9", false, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    LogCapture attempt;
    BuildOptions options;
    options.inputEncoding = c.encoding;
    ASSERT_TRUE(buildBook(source("enc.tml", c.source), dir.file("enc.tdb"), info, options));
    EXPECT_EQ(read("enc").text, c.text);
    const std::vector<std::string> statuses = attempt.statuses();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), utf8Status), c.converted ? 1 : 0);
    std::vector<LogMessage> encodingWarnings;
    for (const LogMessage& message : attempt.messages()) {
      if (message.kind == LogKind::Warning && message.text.find("UTF-8") != std::string::npos) {
        encodingWarnings.push_back(message);
      }
    }
    ASSERT_EQ(encodingWarnings.size(), c.warning.empty() ? 0u : 1u);
    if (c.warning.empty()) continue;
    EXPECT_EQ(encodingWarnings[0].text, c.warning);
    EXPECT_EQ(encodingWarnings[0].position.file, dir.file("enc.tml"));
    EXPECT_EQ(encodingWarnings[0].position.line, c.line);
    EXPECT_EQ(encodingWarnings[0].position.column, c.column);
  }
}

TEST_F(BuildDriverTest, CorpusBooksBuildTheSameBookFromEitherEncoding) {
  // War and Peace is UTF-8 with a byte-order mark, every character of it in
  // Windows-1252; Monte Cristo is Latin-1, which detection leaves alone.
  const std::string corpus = std::string(SCRIVORA_CORPUS_DIR) + "/books/";
  const std::string utf8 = booktest::readText(corpus + "war-and-peace.txt");
  const std::string latin1 = booktest::readText(corpus + "monte-cristo-1.txt");
  if (utf8.empty() || latin1.empty()) GTEST_SKIP() << "corpus books not found under " << corpus;
  setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  auto buildAs = [&](const std::string& name, const std::string& text, InputEncoding encoding) {
    BuildOptions options;
    options.inputEncoding = encoding;
    EXPECT_TRUE(buildBook(source(name + ".tml", text), dir.file(name + ".tdb"), info, options)) << name;
    return booktest::readFile(dir.file(name + ".tdb"));
  };
  EXPECT_EQ(buildAs("detected", utf8, InputEncoding::Detect),
            buildAs("converted", utf8ToWindows1252Tml(utf8), InputEncoding::Windows1252));
  EXPECT_EQ(buildAs("latin", latin1, InputEncoding::Detect), buildAs("asis", latin1, InputEncoding::Windows1252));
  unsetenv("SOURCE_DATE_EPOCH");
}

// --- progress, cancelling and builds side by side ---------------------------

TEST_F(BuildDriverTest, ProgressRisesToAHundredAndACancelledBuildLeavesNothing) {
  const std::string text = longProse(400000) + "\\Fn=\"n\"*\\Fn\n<footnote id=\"n\">A note.</footnote>";
  std::vector<int> seen;
  BuildOptions options;
  options.progress = [&seen](int percent) {
    seen.push_back(percent);
    return true;
  };
  ASSERT_TRUE(buildBook(source("p.tml", text), dir.file("p.tdb"), info, options));
  ASSERT_GT(seen.size(), 20u) << "too few steps for a smooth bar";
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  const booktest::Bytes earlier = booktest::readFile(dir.file("p.tdb"));

  // One cancel in each phase: text records, both passes, bodies, writing.
  for (int cancelAt : {5, 12, 40, 70, 90, 97}) {
    SCOPED_TRACE(cancelAt);
    LogCapture attempt;
    options.progress = [cancelAt](int percent) { return percent < cancelAt; };
    EXPECT_FALSE(buildBook(dir.file("p.tml"), dir.file("p.tdb"), info, options));
    EXPECT_TRUE(attempt.errors().empty());
    EXPECT_EQ(attempt.statuses().back(), "Book build cancelled.");
    expectOnly({"p.tdb", "p.tml"});
    EXPECT_EQ(booktest::readFile(dir.file("p.tdb")), earlier);
  }
}

TEST_F(BuildDriverTest, TwoBuildsOnTwoThreadsKeepTheirBooksAndLogsApart) {
  const std::string first =
      source("first.tml", longProse(200000) + "\n\\Fn=\"a\"1\\Fn\n<footnote id=\"a\">One</footnote>");
  const std::string second = source("second.tml", longProse(150000) + "\n\\Z");
  bool firstBuilt = false, secondBuilt = true;
  CollectingLogSink firstLog, secondLog;
  std::thread one([&] {
    ScopedLogSink installed(firstLog);
    firstBuilt = buildBook(first, dir.file("first.tdb"), info);
  });
  std::thread two([&] {
    ScopedLogSink installed(secondLog);
    secondBuilt = buildBook(second, dir.file("second.tdb"), info);
  });
  one.join();
  two.join();
  EXPECT_TRUE(firstBuilt);
  EXPECT_FALSE(secondBuilt);
  EXPECT_EQ(read("first").footnotes.at(0).body, "One");
  EXPECT_TRUE(firstLog.textsOf(LogKind::Error).empty());
  EXPECT_EQ(firstLog.textsOf(LogKind::Status).front(), "Writing book <> from file <first.tml>...");
  EXPECT_EQ(firstLog.textsOf(LogKind::Status).back(), "Done.");
  EXPECT_EQ(secondLog.textsOf(LogKind::Status).front(), "Writing book <> from file <second.tml>...");
  EXPECT_EQ(secondLog.textsOf(LogKind::Error).back(),
            "Errors occurred while paginating the book. No output file generated.");
  EXPECT_TRUE(log.messages().empty()) << "a build wrote into the test thread's log";
  expectOnly({"first.tdb", "first.tml", "second.tml"});
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
