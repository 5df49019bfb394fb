// Whole builds from source file to book: the path checks, the book name, the
// temporaries, the navigation, the footnote and sidebar bodies, the images,
// the failures that stop a build and what each leaves behind, the source's
// encoding, progress and cancelling, and builds side by side.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "BookBuilder.h"
#include "BookDatabaseWriter.h"
#include "BookReader.h"
#include "SourceEncoding.h"
#include "support/BookTestSupport.h"
#include "support/PngTestImages.h"

using namespace scrivora;
using booktest::LogCapture;
using Strings = std::vector<std::string>;

namespace {

const std::string kPassFailed = "Errors occurred while paginating the book. No output file generated.";

class BookBuildTest : public testing::Test {
 protected:
  std::string source(const std::string& name, const std::string& text) {
    booktest::writeFile(dir.file(name), text);
    return dir.file(name);
  }

  // Builds NAME.tml into NAME.tdb; true when the book was written.
  bool build(const std::string& name, const std::string& text, const BuildOptions& options = BuildOptions()) {
    return buildBook(source(name + ".tml", text), dir.file(name + ".tdb"), info, options);
  }

  BookContents read(const std::string& name) {
    BookReader reader;
    EXPECT_TRUE(reader.readFile(dir.file(name + ".tdb")));
    EXPECT_TRUE(reader.consistent()) << (reader.problems().empty() ? "" : reader.problems()[0]);
    return reader.contents();
  }

  // A PNG whose header passes the checks but whose body libpng cannot read.
  void writeCutImage(const std::string& path) {
    pngtest::Bytes png = pngtest::encodePng(pngtest::greyPicture(40, 40));
    png.resize(40);
    booktest::writeFile(path, png);
  }

  booktest::TempDir dir;
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

// --- paths -------------------------------------------------------------------

TEST_F(BookBuildTest, PlainSourceBecomesABookAndStaleTemporariesAreReplaced) {
  std::string text;
  for (int i = 0; text.size() < 20000; ++i) text += "Line " + std::to_string(i) + " of the story.\n";
  const std::string src = source("story.tml", text);
  for (const char* suffix : {".tmp", ".sid", ".ftn"}) booktest::writeFile(src + suffix, std::string("stale"));
  info.title = "Story";
  ASSERT_TRUE(buildBook(src, dir.file("story.tdb"), info));
  EXPECT_EQ(dir.entries(), (Strings{"story.tdb", "story.tml"}));
  EXPECT_TRUE(log.errors().empty());
  EXPECT_EQ(log.statuses().front(), "Writing book <Story> from file <story.tml>...");
  EXPECT_EQ(log.statuses().back(), "Done.");
  const BookContents book = read("story");
  EXPECT_EQ(book.text, text);
  EXPECT_EQ(book.header.name, "Story");
  EXPECT_GT(book.smallPages.size(), 1u);
  EXPECT_GT(book.largePages.size(), book.smallPages.size());
}

TEST_F(BookBuildTest, SameSourceAndOutputIsRefusedHoweverSpeltAndNothingChanges) {
  const std::string src = source("same.tml", "text");
  booktest::makeFolder(dir.file("sub"));
  ASSERT_EQ(symlink(src.c_str(), dir.file("soft.tdb").c_str()), 0);
  ASSERT_EQ(link(src.c_str(), dir.file("hard.tdb").c_str()), 0);
  for (const std::string& output : {src, dir.file("sub/../same.tml"), dir.file("soft.tdb"), dir.file("hard.tdb")}) {
    LogCapture attempt;
    EXPECT_FALSE(buildBook(src, output, info)) << output;
    EXPECT_EQ(attempt.errors(), Strings{"The input and output files are the same! (" + src + ")"});
    EXPECT_TRUE(attempt.statuses().empty()) << output;
    EXPECT_EQ(booktest::readText(src), "text") << output;
  }
  // Nor may the book be written over one of its own temporaries (a stale one
  // exists, the others do not) or one of its images.
  booktest::writeFile(src + ".sid", std::string("stale"));
  for (const char* suffix : {".tmp", ".sid", ".ftn"}) {
    LogCapture attempt;
    const std::string output = dir.file("sub/../same.tml") + suffix;
    EXPECT_FALSE(buildBook(src, output, info));
    EXPECT_EQ(attempt.errors(),
              Strings{"The output file \"" + output + "\" is one of the build's own temporary files."});
  }
  EXPECT_EQ(booktest::readText(src + ".sid"), "stale");
  booktest::makeFolder(dir.file("same_img"));
  pngtest::writeGreyPng(dir.file("same_img/p.png"), 10, 10);
  const booktest::Bytes image = booktest::readFile(dir.file("same_img/p.png"));
  booktest::writeFile(src, std::string("\\m=\"p.png\""));
  log.clear();
  EXPECT_FALSE(buildBook(src, dir.file("same_img/../same_img/p.png"), info));
  EXPECT_EQ(log.errors(), Strings{"The input and output files are the same! (" + dir.file("same_img/p.png") + ")"});
  EXPECT_EQ(booktest::readFile(dir.file("same_img/p.png")), image);
  EXPECT_EQ(dir.entries(), (Strings{"hard.tdb", "same.tml", "same_img", "soft.tdb", "sub"}));
}

TEST_F(BookBuildTest, PathsThatAreNoRegularFilesAreRefusedWithoutWaiting) {
  // /dev/zero never ends and a pipe without a writer never opens: either
  // would hold the build for ever. A folder cannot be replaced by a book.
  const std::string src = source("n.tml", "text");
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0644), 0);
  booktest::makeFolder(dir.file("folder.tdb"));
  for (const std::string& input : {std::string("/dev/zero"), dir.file("pipe"), dir.file("folder.tdb")}) {
    LogCapture attempt;
    EXPECT_FALSE(buildBook(input, dir.file("out.tdb"), info));
    EXPECT_EQ(attempt.errors(), Strings{"The input file \"" + input + "\" could not be opened."});
  }
  for (const std::string& output : {dir.file("pipe"), dir.file("folder.tdb")}) {
    LogCapture attempt;
    EXPECT_FALSE(buildBook(src, output, info));
    EXPECT_EQ(attempt.errors(), Strings{"The file \"" + output + "\" could not be opened for writing."});
  }
  booktest::makeFolder(dir.file("img_img"));
  ASSERT_EQ(mkfifo(dir.file("img_img/pipe.png").c_str(), 0644), 0);
  EXPECT_FALSE(build("img", "\\m=\"pipe.png\""));
  EXPECT_TRUE(log.hasError("Failed to open PNG file " + dir.file("img_img") + "\\pipe.png\n"));
  struct stat status;
  ASSERT_EQ(lstat(dir.file("pipe").c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_TRUE(booktest::entriesOf(dir.file("folder.tdb")).empty());
  EXPECT_EQ(dir.entries(), (Strings{"folder.tdb", "img.tml", "img_img", "n.tml", "pipe"}));
}

TEST_F(BookBuildTest, MissingSourceAndUnwritableOutputAreBothReportedAndNothingIsCreated) {
  const std::string missing = dir.file("missing.tml");
  const std::string unwritable = dir.file("no/such/folder/out.tdb");
  EXPECT_FALSE(buildBook(missing, unwritable, info));
  EXPECT_FALSE(buildBook(missing, dir.file("out.tdb"), info));
  EXPECT_EQ(log.errors(), (Strings{"The input file \"" + missing + "\" could not be opened.",
                                   "The file \"" + unwritable + "\" could not be opened for writing.",
                                   "The input file \"" + missing + "\" could not be opened."}));
  // An empty book would pass for a real one when the user copies it.
  EXPECT_TRUE(dir.entries().empty());
}

TEST_F(BookBuildTest, SourceThatOpensButCannotBeReadLeavesNothing) {
  // The kernel lets this file be opened but refuses to read its first byte.
  EXPECT_FALSE(buildBook("/proc/self/mem", dir.file("mem.tdb"), info));
  EXPECT_EQ(log.errors(), Strings{"An error occurred reading the file /proc/self/mem.\n"});
  EXPECT_TRUE(dir.entries().empty());
}

TEST_F(BookBuildTest, OutputThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
  booktest::makeFolder(dir.file("shelf"));
  booktest::writeFile(dir.file("shelf/book.tdb"), std::string("earlier book"));
  ASSERT_EQ(chmod(dir.file("shelf/book.tdb").c_str(), 0640), 0);
  ASSERT_EQ(symlink("shelf/book.tdb", dir.file("link.tdb").c_str()), 0);
  ASSERT_TRUE(buildBook(source("l.tml", "linked text"), dir.file("link.tdb"), info));
  struct stat status;
  ASSERT_EQ(lstat(dir.file("link.tdb").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  ASSERT_EQ(stat(dir.file("shelf/book.tdb").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u) << "the rebuilt book keeps the permissions of the earlier one";
  BookReader reader;
  ASSERT_TRUE(reader.readFile(dir.file("shelf/book.tdb")));
  EXPECT_EQ(reader.contents().text, "linked text");
  EXPECT_EQ(booktest::entriesOf(dir.file("shelf")), Strings{"book.tdb"});
}

TEST_F(BookBuildTest, TemporaryBookOfAKilledBuildIsRemovedByTheNextBuild) {
  // A process that has ended stands for the killed build.
  const pid_t gone = fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) _exit(0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  booktest::writeFile(temporaryBookPath(dir.file("k.tdb"), long(gone), 7), std::string("half a book"));
  booktest::writeFile(dir.file("k.tdb.writing-notes"), std::string("the user's own file"));
  ASSERT_TRUE(build("k", "text"));
  EXPECT_EQ(dir.entries(), (Strings{"k.tdb", "k.tdb.writing-notes", "k.tml"}));
}

TEST_F(BookBuildTest, TemporariesThatCannotGoBesideTheSourceGoBesideTheOutput) {
  // A non-empty folder where the text records should go cannot be removed or
  // opened as a file, as in a folder the user may not write in.
  const std::string src = source("f.tml", "text");
  booktest::makeFolder(src + ".tmp");
  booktest::writeFile(src + ".tmp/keep", std::string("x"));
  booktest::makeFolder(dir.file("out"));
  ASSERT_TRUE(buildBook(src, dir.file("out/f.tdb"), info));
  EXPECT_TRUE(log.errors().empty());
  EXPECT_EQ(read("out/f").text, "text");
  EXPECT_EQ(booktest::entriesOf(dir.file("out")), Strings{"f.tdb"});
}

// --- the book name and the image folder -------------------------------------

TEST_F(BookBuildTest, TitleBecomesTheBookNameCutTo29WithColonsMadeHyphens) {
  const std::string truncating = "Book name is greater than 29 characters.  Truncating.";
  const std::string colons = "Colons are not currently permitted in the book title. Translating colons to hyphens.";
  const struct {
    std::string title, name;
    Strings warnings;
  } cases[] = {
      {std::string(29, 'a'), std::string(29, 'a'), {}},
      {std::string(29, 'a') + "b", std::string(29, 'a'), {truncating}},
      {"Part 1: Intro: More", "Part 1- Intro- More", {colons}},
      {"", "", {}},
  };
  for (const auto& c : cases) {
    LogCapture attempt;
    info.title = c.title;
    ASSERT_TRUE(build("b", "x"));
    EXPECT_EQ(attempt.warnings(), c.warnings) << c.title;
    const BookContents book = read("b");
    EXPECT_EQ(book.header.name, c.name);
    EXPECT_EQ(book.metadata.title, c.title) << "the metadata keeps the title whole";
  }
}

TEST_F(BookBuildTest, ImageFolderDropsOnlyAnExactTmlOrTxtExtension) {
  EXPECT_EQ(imageDirectoryFor("/books/novel.tml"), "/books/novel_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel.txt"), "/books/novel_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel.TML"), "/books/novel.TML_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel.htm"), "/books/novel.htm_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel"), "/books/novel_img");
  booktest::makeFolder(dir.file("novel.TML_img"));
  pngtest::writeGreyPng(dir.file("novel.TML_img/p.png"), 10, 10);
  ASSERT_TRUE(buildBook(source("novel.TML", "\\m=\"p.png\""), dir.file("upper.tdb"), info));
  EXPECT_EQ(read("upper").images.size(), 1u);
  booktest::writeFile(dir.file("pic_img"), std::string("not a folder"));
  ASSERT_TRUE(build("pic", "x"));
  EXPECT_EQ(log.warnings(), Strings{"The image directory \"" + dir.file("pic_img") + "\" isn't a directory."});
}

// --- footnotes, sidebars and their images ---------------------------------

TEST_F(BookBuildTest, FootnotesAndSidebarsAreStoredAndTheTextEndsBeforeThem) {
  ASSERT_TRUE(build("book",
                    "The keeper\\Fn=\"Log\"*\\Fn climbed.\n"
                    "A \\Sd=\"Tower\"note\\Sd on towers.\n\n\n"
                    "<footnote id=\"log\">\nHe kept it \\ievery\\i hour.\n</footnote>\n"
                    "<footnote id=\"spare\">Nobody refers to this one.</footnote>\n"
                    "<sidebar id=\"TOWER\">Built in 1850.</sidebar>\n"));
  EXPECT_TRUE(log.errors().empty());
  EXPECT_EQ(dir.entries(), (Strings{"book.tdb", "book.tml"}));
  const BookContents book = read("book");
  EXPECT_EQ(book.text, "The keeper\\Fn=\"Log\"*\\Fn climbed.\nA \\Sd=\"Tower\"note\\Sd on towers.");
  ASSERT_EQ(book.footnotes.size(), 1u);
  EXPECT_EQ(book.footnotes[0].id, "log");
  EXPECT_EQ(book.footnotes[0].body, "He kept it \\ievery\\i hour.");
  ASSERT_EQ(book.sidebars.size(), 1u);
  EXPECT_EQ(book.sidebars[0].id, "tower");
  EXPECT_EQ(book.sidebars[0].body, "Built in 1850.");
  EXPECT_EQ(book.bookHeader.footnoteCount, 2) << "the index record and one body record";
}

TEST_F(BookBuildTest, ChaptersLinksAndIndexTermsReachTheBook) {
  //                  0         1         2         3
  //                  0123456789012345678901234567890123456789
  ASSERT_TRUE(build("nav", "\\C1=\"One\"\\Q=\"Top\"text \\q=\"#top\"up\\q \\Ikey\\I"));
  const BookContents book = read("nav");
  ASSERT_EQ(book.chapters.size(), 1u);
  EXPECT_EQ(book.chapters[0].title, "    One");
  EXPECT_EQ(book.chapters[0].position, 0u);
  ASSERT_EQ(book.links.size(), 1u);
  EXPECT_EQ(book.links[0].name, "top");
  EXPECT_EQ(book.links[0].target, 18u) << "just after the anchor's closing quote";
  EXPECT_EQ(book.indexDirectory, Strings{"key"});
  ASSERT_EQ(book.indexEntries.size(), 1u);
  EXPECT_EQ(book.indexEntries[0].term, "key");
  EXPECT_EQ(book.indexEntries[0].record, 1);
  EXPECT_EQ(book.indexEntries[0].offset, 36);
}

TEST_F(BookBuildTest, BodyWithoutItsEndTagHasNoRecordsAndTheBookIsStillWritten) {
  ASSERT_TRUE(build("open", "See\\Fn=\"n\"1\\Fn.\n<footnote id=\"n\">Never closed."));
  EXPECT_EQ(log.errors(), Strings{"No end tag for sidebar or footnote named n was found."});
  EXPECT_EQ(dir.entries(), (Strings{"open.tdb", "open.tml"}));
  const BookContents book = read("open");
  ASSERT_EQ(book.footnotes.size(), 1u);
  EXPECT_EQ(book.footnotes[0].recordCount, 0);
  EXPECT_EQ(book.bookHeader.footnoteCount, 1) << "the index record only";
}

TEST_F(BookBuildTest, EveryMissingIdIsReportedAndTheEarlierBookIsKept) {
  booktest::writeFile(dir.file("miss.tdb"), std::string("an earlier book"));
  EXPECT_FALSE(build("miss",
                     "a\\Fn=\"gone\"1\\Fn b\\Sd=\"away\"2\\Sd c\\Fn=\"also\"3\\Fn\n"
                     "<footnote id=\"gone2\">x</footnote>"));
  EXPECT_EQ(log.errors(), (Strings{"No sidebar named \"away\" was found.", "No footnote named \"also\" was found.",
                                   "No footnote named \"gone\" was found."}));
  EXPECT_EQ(dir.entries(), (Strings{"miss.tdb", "miss.tml"}));
  EXPECT_EQ(booktest::readText(dir.file("miss.tdb")), "an earlier book");
}

TEST_F(BookBuildTest, ImagesInBodiesJoinTheBooksImages) {
  booktest::makeFolder(dir.file("pics_img"));
  pngtest::writeGreyPng(dir.file("pics_img/main.png"), 30, 20);
  pngtest::writeGreyPng(dir.file("pics_img/aside.png"), 12, 8);
  ASSERT_TRUE(build("pics",
                    "\\m=\"main.png\" text\\Sd=\"s\"x\\Sd\n"
                    "<sidebar id=\"s\">Aside: \\m=\"aside.png\"\\m=\"main.png\"</sidebar>"));
  const BookContents book = read("pics");
  ASSERT_EQ(book.images.size(), 2u);
  // Sorted by path once the bodies' images joined.
  EXPECT_EQ(book.images[0].name, "aside.png");
  EXPECT_EQ(book.images[0].width, 12);
  EXPECT_EQ(book.images[1].name, "main.png");
}

TEST_F(BookBuildTest, BrokenImagesInBodiesFailTheBuildInsteadOfStoringEmptyImages) {
  booktest::makeFolder(dir.file("bad_img"));
  pngtest::PngPicture rgb = pngtest::greyPicture(4, 4);
  rgb.colourType = pngtest::kRgb;
  rgb.pixels = pngtest::noisePixels(rgb, 1);
  booktest::writeFile(dir.file("bad_img/colour.png"), pngtest::encodePng(rgb));
  EXPECT_FALSE(build("bad", "Text\\Fn=\"f\"1\\Fn\n<footnote id=\"f\">\\m=\"colour.png\"</footnote>"));
  EXPECT_TRUE(log.hasError("Unrecognized PNG color type for " + dir.file("bad_img") + "\\colour.png"));

  // An image that passes the header check but cannot be re-encoded is found
  // by the loading after the sidebars, and again after the footnotes (whose
  // body names an image too).
  LogCapture attempt;
  booktest::makeFolder(dir.file("twice_img"));
  pngtest::writeGreyPng(dir.file("twice_img/whole.png"), 40, 40);
  writeCutImage(dir.file("twice_img/cut.png"));
  EXPECT_FALSE(build("twice",
                     "Text\\Sd=\"s\"1\\Sd and\\Fn=\"f\"2\\Fn and\\Fn=\"g\"3\\Fn\n"
                     "<sidebar id=\"s\">\\m=\"cut.png\"</sidebar>\n"
                     "<footnote id=\"f\">\\m=\"whole.png\"</footnote>\n"
                     "<footnote id=\"g\">never closed"));
  const Strings errors = attempt.errors();
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_NE(errors[0].find("cut.png"), std::string::npos) << errors[0];
  EXPECT_EQ(errors[1], "No end tag for sidebar or footnote named g was found.");
  EXPECT_EQ(errors[2], errors[0]);
  EXPECT_EQ(errors[3], "Errors occurred in the images of the footnotes or sidebars. No output file generated.");
  EXPECT_EQ(dir.entries(), (Strings{"bad.tml", "bad_img", "twice.tml", "twice_img"}));
}

TEST_F(BookBuildTest, DamagedImageNamesLibpngsReasonAndTheFile) {
  booktest::makeFolder(dir.file("book_img"));
  pngtest::PngPicture picture = pngtest::greyPicture(40, 30);
  picture.colourType = pngtest::kPalette;
  picture.palette = pngtest::rampPalette(4);
  picture.pixels = pngtest::noisePixels(picture, 9);
  const pngtest::Bytes whole = pngtest::encodePng(picture);
  // Cut short, and a palette image whose palette chunk (right after the
  // 33 bytes of signature and header) is gone.
  const pngtest::Bytes truncated(whole.begin(), whole.begin() + whole.size() / 2);
  pngtest::Bytes withoutPalette(whole.begin(), whole.begin() + 33);
  withoutPalette.insert(withoutPalette.end(), whole.begin() + 33 + 12 + 3 * 4, whole.end());
  ASSERT_EQ(pngtest::chunkTypes(withoutPalette), (Strings{"IHDR", "IDAT", "IEND"}));
  // Image data whose checksum no longer matches, and image data that is no
  // zlib stream under a checksum that matches.
  const size_t data = 33 + 12 + 3 * 4 + 8;
  const uint32_t dataLength = readU32(&whole[data - 8]);
  pngtest::Bytes badChecksum = whole;
  badChecksum[data + 1] ^= 0x55;
  pngtest::Bytes badStream = whole;
  badStream[data] = badStream[data + 1] = 0xFF;
  const uint32_t crc = uint32_t(crc32(0, &badStream[data - 4], uInt(dataLength + 4)));
  for (int i = 0; i < 4; ++i) badStream[data + dataLength + i] = uint8_t(crc >> (24 - 8 * i));
  for (const pngtest::Bytes& damaged : {truncated, withoutPalette, badChecksum, badStream}) {
    booktest::writeFile(dir.file("book_img/pic.png"), damaged);
    LogCapture attempt;
    EXPECT_FALSE(build("book", "\\m=\"pic.png\""));
    EXPECT_EQ(
        attempt.errors(),
        (Strings{"An unknown error occurred reading the file \"" + dir.file("book_img") + "\\pic.png\"", kPassFailed}));
    const std::string prefix = "The image " + dir.file("book_img/pic.png") + " is damaged: ";
    ASSERT_EQ(attempt.warnings().size(), 1u);
    EXPECT_EQ(attempt.warnings()[0].substr(0, prefix.size()), prefix);
    EXPECT_GT(attempt.warnings()[0].size(), prefix.size()) << "libpng's reason is missing";
  }
}

// --- failures ---------------------------------------------------------------

TEST_F(BookBuildTest, TextPassErrorsEndWithTheirMessageThenDoneAndLeaveNoBook) {
  EXPECT_FALSE(build("err", "Bad \\Z tag.\n"));
  EXPECT_EQ(log.errors().back(), kPassFailed);
  EXPECT_EQ(log.statuses().back(), "Done.");
  EXPECT_EQ(dir.entries(), Strings{"err.tml"});
}

TEST_F(BookBuildTest, NoteFilesThatCannotBeOpenedAreEachReported) {
  const std::string src = source("both.tml",
                                 "a\\Fn=\"n\"1\\Fn\\Sd=\"s\"2\\Sd\n"
                                 "<footnote id=\"n\">N</footnote><sidebar id=\"s\">S</sidebar>");
  for (const char* suffix : {".sid", ".ftn"}) {
    booktest::makeFolder(src + suffix);
    booktest::writeFile(src + suffix + "/keep", std::string("x"));
  }
  EXPECT_FALSE(buildBook(src, dir.file("both.tdb"), info));
  EXPECT_EQ(log.errors(), (Strings{"Could not open file " + src + ".sid for writing.",
                                   "Could not open file " + src + ".ftn for writing."}));
  EXPECT_EQ(dir.entries(), (Strings{"both.tml", "both.tml.ftn", "both.tml.sid"}));
}

TEST_F(BookBuildTest, SourceWithoutMainTextGivesNoBook) {
  // A book of no text records would send the reader's first page into the
  // record after the text.
  EXPECT_FALSE(build("empty", ""));
  EXPECT_FALSE(build("notesonly", "\n\n<footnote id=\"a\">A</footnote>"));
  EXPECT_TRUE(log.hasError("The file " + dir.file("empty.tml") +
                           " has no text before its footnotes and sidebars. No output file generated."));
  EXPECT_EQ(dir.entries(), (Strings{"empty.tml", "notesonly.tml"}));
}

// --- the source's bytes -------------------------------------------------------

TEST_F(BookBuildTest, CarriageReturnLineEndsGiveTheSameBookByteForByte) {
  const std::string lf =
      "\\x1. Start\\x\nLine one\\Fn=\"a\"*\\Fn\n\nLine two\n\n<footnote id=\"a\">\nFoot\nnote\n</footnote>\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  const bool first = build("lf", lf);
  const bool second = build("crlf", crlf);
  unsetenv("SOURCE_DATE_EPOCH");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(booktest::readFile(dir.file("lf.tdb")), booktest::readFile(dir.file("crlf.tdb")));
  EXPECT_EQ(read("crlf").footnotes.at(0).body, "Foot\nnote");
}

TEST_F(BookBuildTest, SourceEncodingDecidesHowItsBytesAreRead) {
  const std::string converting = "The file " + dir.file("enc.tml") + " is UTF-8; converting it to Windows-1252.";
  const std::string looksLikeUtf8 =
      "The file looks like UTF-8; TML files are Windows-1252. Use --input-encoding=utf-8 to convert it.";
  const std::string notAllUtf8 =
      "The file " + dir.file("enc.tml") + " is not entirely UTF-8; the bytes that are not are kept as Windows-1252.";
  const struct {
    InputEncoding encoding;
    std::string source;
    std::string text;     // the book's text
    bool converted;       // the status line says so
    std::string warning;  // the one encoding warning, if any
    int line, column;     // where it points
  } cases[] = {
      {InputEncoding::Detect,
       "\xEF\xBB\xBF"
       "Caf\xC3\xA9 \xD0\x96\r\n",
       "Caf\xE9 \\U0416\n", true, "", 0, 0},
      {InputEncoding::Detect, "Plain\r\nA caf\xC3\xA9", "Plain\nA caf\xC3\xA9", false, looksLikeUtf8, 2, 6},
      {InputEncoding::Detect, "caf\xE9", "caf\xE9", false, "", 0, 0},
      {InputEncoding::Utf8, "ok\ncaf\xE9 \xC3\xA9", "ok\ncaf\xE9 \xE9", true, notAllUtf8, 2, 4},
      {InputEncoding::Windows1252, "\xEF\xBB\xBFX\xC3\xA9", "\xEF\xBB\xBFX\xC3\xA9", false, "", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    LogCapture attempt;
    BuildOptions options;
    options.inputEncoding = c.encoding;
    ASSERT_TRUE(build("enc", c.source, options));
    EXPECT_EQ(read("enc").text, c.text);
    EXPECT_EQ(attempt.count(LogKind::Status, converting), c.converted ? 1 : 0);
    std::vector<LogMessage> encodingWarnings;
    for (const LogMessage& message : attempt.messages()) {
      if (message.kind == LogKind::Warning && message.text.find("UTF-8") != std::string::npos)
        encodingWarnings.push_back(message);
    }
    ASSERT_EQ(encodingWarnings.size(), c.warning.empty() ? 0u : 1u);
    if (c.warning.empty()) continue;
    EXPECT_EQ(encodingWarnings[0].text, c.warning);
    EXPECT_EQ(encodingWarnings[0].position, (SourcePosition{dir.file("enc.tml"), c.line, c.column}));
  }
}

TEST_F(BookBuildTest, CorpusBooksBuildTheSameBookFromEitherEncoding) {
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
    EXPECT_TRUE(build(name, text, options)) << name;
    return booktest::readFile(dir.file(name + ".tdb"));
  };
  EXPECT_EQ(buildAs("detected", utf8, InputEncoding::Detect),
            buildAs("converted", utf8ToWindows1252Tml(utf8), InputEncoding::Windows1252));
  EXPECT_EQ(buildAs("latin", latin1, InputEncoding::Detect), buildAs("asis", latin1, InputEncoding::Windows1252));
  unsetenv("SOURCE_DATE_EPOCH");
}

// --- progress, cancelling and builds side by side ---------------------------

TEST_F(BookBuildTest, ProgressRisesToAHundredAndACancelledBuildLeavesTheEarlierBook) {
  const std::string text = longProse(400000) + "\\Fn=\"n\"*\\Fn\n<footnote id=\"n\">A note.</footnote>";
  std::vector<int> seen;
  BuildOptions options;
  options.progress = [&seen](int percent) {
    seen.push_back(percent);
    return true;
  };
  ASSERT_TRUE(build("p", text, options));
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
    EXPECT_EQ(dir.entries(), (Strings{"p.tdb", "p.tml"}));
    EXPECT_EQ(booktest::readFile(dir.file("p.tdb")), earlier);
  }
}

TEST_F(BookBuildTest, TwoBuildsOnTwoThreadsKeepTheirBooksAndLogsApart) {
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
  EXPECT_EQ(secondLog.textsOf(LogKind::Error).back(), kPassFailed);
  EXPECT_TRUE(log.messages().empty()) << "a build wrote into the test thread's log";
  EXPECT_EQ(dir.entries(), (Strings{"first.tdb", "first.tml", "second.tml"}));
}

}  // namespace
