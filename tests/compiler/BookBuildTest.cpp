// The build driver as far as it goes without the text pass: path checks, the
// book name, temporary files, the text records and the finished book, and
// what is left behind after each kind of failure.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "BookBuilder.h"
#include "BookDatabaseWriter.h"
#include "BookReader.h"
#include "support/BookTestSupport.h"

using namespace scrivora;
using booktest::LogCapture;
using booktest::TempDir;

namespace {

class BookBuildTest : public testing::Test {
 protected:
  std::string source(const std::string& name, const std::string& text) {
    std::string path = dir.file(name);
    booktest::writeFile(path, text);
    return path;
  }

  BookInfo titled(const std::string& title) {
    BookInfo info;
    info.title = title;
    return info;
  }

  TempDir dir;
  LogCapture log;
};

}  // namespace

TEST_F(BookBuildTest, PlainSourceBecomesABookWithTheSameTextAndNoTemporariesLeft) {
  std::string text;
  for (int i = 0; text.size() < 20000; ++i) text += "Line " + std::to_string(i) + " of the story.\n";
  std::string src = source("story.tml", text);
  ASSERT_TRUE(buildBook(src, dir.file("story.tdb"), titled("Story")));
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"story.tdb", "story.tml"}));
  EXPECT_TRUE(log.errors().empty());
  ASSERT_GE(log.statuses().size(), 2u);
  EXPECT_EQ(log.statuses().front(), "Writing book <Story> from file <story.tml>...");
  EXPECT_EQ(log.statuses().back(), "Done.");
  BookReader reader;
  ASSERT_TRUE(reader.readFile(dir.file("story.tdb")));
  EXPECT_TRUE(reader.consistent());
  EXPECT_EQ(reader.contents().text, text);
  EXPECT_EQ(reader.contents().header.name, "Story");
}

TEST_F(BookBuildTest, SameSourceAndOutputIsRefusedHoweverSpeltAndNothingChanges) {
  std::string src = source("same.tml", "text");
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink(src.c_str(), dir.file("soft.tdb").c_str()), 0);
  ASSERT_EQ(link(src.c_str(), dir.file("hard.tdb").c_str()), 0);
  char* previous = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  for (const std::string& output : {src, std::string("./same.tml"), dir.file("sub/../same.tml"), dir.file("./same.tml"),
                                    dir.file("soft.tdb"), dir.file("hard.tdb")}) {
    LogCapture attempt;
    EXPECT_FALSE(buildBook(src, output, titled("T"))) << output;
    EXPECT_EQ(attempt.errors(), std::vector<std::string>{"The input and output files are the same! (" + src + ")"});
    EXPECT_TRUE(attempt.statuses().empty());
    EXPECT_EQ(booktest::readText(src), "text") << output;
  }
  ASSERT_EQ(chdir(previous), 0);
  std::free(previous);
}

TEST_F(BookBuildTest, OutputThatIsATemporaryFileOfTheBuildIsRefused) {
  std::string src = source("d.tml", "text");
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  // A stale one exists; the others do not.
  booktest::writeFile(src + ".sid", std::string("stale"));
  for (const char* suffix : {".tmp", ".sid", ".ftn"}) {
    LogCapture attempt;
    std::string output = dir.file("sub/../d.tml") + suffix;
    EXPECT_FALSE(buildBook(src, output, titled("T")));
    EXPECT_EQ(attempt.errors(), std::vector<std::string>{"The output file \"" + output +
                                                         "\" is one of the build's own temporary files."});
  }
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"d.tml", "d.tml.sid", "sub"}));
}

TEST_F(BookBuildTest, OutputThatIsNoRegularFileIsNeverReplaced) {
  std::string src = source("n.tml", "text");
  ASSERT_EQ(mkfifo(dir.file("pipe.tdb").c_str(), 0644), 0);
  ASSERT_EQ(mkdir(dir.file("folder.tdb").c_str(), 0755), 0);
  for (const std::string& output : {dir.file("pipe.tdb"), dir.file("folder.tdb")}) {
    LogCapture attempt;
    EXPECT_FALSE(buildBook(src, output, titled("T")));
    EXPECT_EQ(attempt.errors(),
              std::vector<std::string>{"The file \"" + output + "\" could not be opened for writing."});
  }
  struct stat info;
  ASSERT_EQ(lstat(dir.file("pipe.tdb").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_TRUE(booktest::entriesOf(dir.file("folder.tdb")).empty());
}

TEST_F(BookBuildTest, OutputThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
  std::string src = source("l.tml", "linked text");
  ASSERT_EQ(mkdir(dir.file("shelf").c_str(), 0755), 0);
  booktest::writeFile(dir.file("shelf/book.tdb"), std::string("earlier book"));
  ASSERT_EQ(chmod(dir.file("shelf/book.tdb").c_str(), 0640), 0);
  ASSERT_EQ(symlink("shelf/book.tdb", dir.file("link.tdb").c_str()), 0);
  ASSERT_TRUE(buildBook(src, dir.file("link.tdb"), titled("L")));
  struct stat info;
  ASSERT_EQ(lstat(dir.file("link.tdb").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(stat(dir.file("shelf/book.tdb").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "the rebuilt book keeps the permissions of the earlier one";
  BookReader reader;
  ASSERT_TRUE(reader.readFile(dir.file("shelf/book.tdb")));
  EXPECT_EQ(reader.contents().text, "linked text");
  EXPECT_EQ(booktest::entriesOf(dir.file("shelf")), std::vector<std::string>{"book.tdb"});
}

TEST_F(BookBuildTest, TemporaryBookOfAKilledBuildIsRemovedByTheNextBuild) {
  // A process that has ended stands for the killed build.
  pid_t gone = fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) _exit(0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  std::string stale = temporaryBookPath(dir.file("k.tdb"), long(gone), 7);
  booktest::writeFile(stale, std::string("half a book"));
  booktest::writeFile(dir.file("k.tdb.writing-notes"), std::string("the user's own file"));
  ASSERT_TRUE(buildBook(source("k.tml", "text"), dir.file("k.tdb"), titled("K")));
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"k.tdb", "k.tdb.writing-notes", "k.tml"}));
}

TEST_F(BookBuildTest, MissingSourceIsReportedAndIsNeverCreated) {
  std::string missing = dir.file("missing.tml");
  EXPECT_FALSE(buildBook(missing, dir.file("out.tdb"), titled("T")));
  EXPECT_EQ(log.errors(), std::vector<std::string>{"The input file \"" + missing + "\" could not be opened."});
  EXPECT_FALSE(booktest::fileExists(missing));
  // An empty file would pass for a book when the user copies it.
  EXPECT_FALSE(booktest::fileExists(dir.file("out.tdb")));
}

TEST_F(BookBuildTest, BothPathProblemsAreReportedTogether) {
  std::string missing = dir.file("missing.tml");
  std::string unwritable = dir.file("no/such/folder/out.tdb");
  EXPECT_FALSE(buildBook(missing, unwritable, titled("T")));
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"The input file \"" + missing + "\" could not be opened.",
                                      "The file \"" + unwritable + "\" could not be opened for writing."}));
}

TEST_F(BookBuildTest, FolderGivenAsSourceIsNotAReadableFile) {
  ASSERT_EQ(mkdir(dir.file("folder.tml").c_str(), 0755), 0);
  EXPECT_FALSE(buildBook(dir.file("folder.tml"), dir.file("out.tdb"), titled("T")));
  ASSERT_EQ(log.errors().size(), 1u);
  EXPECT_NE(log.errors()[0].find("could not be opened."), std::string::npos);
}

TEST_F(BookBuildTest, TitleOf29CharactersIsTheBookNameUnchanged) {
  std::string title(29, 'a');
  ASSERT_TRUE(buildBook(source("b.tml", "x"), dir.file("b.tdb"), titled(title)));
  EXPECT_TRUE(log.warnings().empty());
  BookReader reader;
  reader.readFile(dir.file("b.tdb"));
  EXPECT_EQ(reader.contents().header.name, title);
}

TEST_F(BookBuildTest, TitleOf30CharactersIsCutTo29WithAWarningButStoredWhole) {
  std::string title = std::string(29, 'a') + "b";
  ASSERT_TRUE(buildBook(source("b.tml", "x"), dir.file("b.tdb"), titled(title)));
  EXPECT_EQ(log.warnings(), std::vector<std::string>{"Book name is greater than 29 characters.  Truncating."});
  BookReader reader;
  reader.readFile(dir.file("b.tdb"));
  EXPECT_EQ(reader.contents().header.name, std::string(29, 'a'));
  EXPECT_EQ(reader.contents().metadata.title, title);
}

TEST_F(BookBuildTest, ColonsBecomeHyphensInTheNameWithOneWarning) {
  ASSERT_TRUE(buildBook(source("c.tml", "x"), dir.file("c.tdb"), titled("Part 1: Intro: More")));
  EXPECT_EQ(
      log.warnings(),
      std::vector<std::string>{"Colons are not currently permitted in the book title. Translating colons to hyphens."});
  BookReader reader;
  reader.readFile(dir.file("c.tdb"));
  EXPECT_EQ(reader.contents().header.name, "Part 1- Intro- More");
  EXPECT_EQ(reader.contents().metadata.title, "Part 1: Intro: More");
}

TEST_F(BookBuildTest, EmptyTitleGivesAnEmptyBookName) {
  ASSERT_TRUE(buildBook(source("e.tml", "x"), dir.file("e.tdb"), BookInfo()));
  EXPECT_EQ(log.statuses()[0], "Writing book <> from file <e.tml>...");
}

TEST_F(BookBuildTest, ImageFolderDropsOnlyAnExactTmlOrTxtExtension) {
  EXPECT_EQ(imageDirectoryFor("/books/novel.tml"), "/books/novel_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel.txt"), "/books/novel_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel.TML"), "/books/novel.TML_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel.htm"), "/books/novel.htm_img");
  EXPECT_EQ(imageDirectoryFor("/books/novel"), "/books/novel_img");
}

TEST_F(BookBuildTest, FileInPlaceOfTheImageFolderIsWarnedAboutAndTheBookIsBuilt) {
  booktest::writeFile(dir.file("pic_img"), std::string("not a folder"));
  ASSERT_TRUE(buildBook(source("pic.tml", "x"), dir.file("pic.tdb"), titled("P")));
  EXPECT_EQ(log.warnings(),
            std::vector<std::string>{"The image directory \"" + dir.file("pic_img") + "\" isn't a directory."});
}

TEST_F(BookBuildTest, LeftoverTemporariesFromAnEarlierBuildAreReplaced) {
  std::string src = source("l.tml", "fresh text");
  booktest::writeFile(src + ".tmp", std::string("stale records"));
  booktest::writeFile(src + ".sid", std::string("stale"));
  booktest::writeFile(src + ".ftn", std::string("stale"));
  ASSERT_TRUE(buildBook(src, dir.file("l.tdb"), titled("L")));
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"l.tdb", "l.tml"}));
  BookReader reader;
  reader.readFile(dir.file("l.tdb"));
  EXPECT_EQ(reader.contents().text, "fresh text");
}

TEST_F(BookBuildTest, TemporariesThatCannotGoBesideTheSourceGoBesideTheOutput) {
  // A non-empty folder where the text records should go cannot be removed or
  // opened as a file, as in a folder the user may not write in.
  std::string src = source("f.tml", "text");
  ASSERT_EQ(mkdir((src + ".tmp").c_str(), 0755), 0);
  booktest::writeFile(src + ".tmp/keep", std::string("x"));
  ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
  ASSERT_TRUE(buildBook(src, dir.file("out/f.tdb"), titled("F")));
  EXPECT_TRUE(log.errors().empty());
  BookReader reader;
  ASSERT_TRUE(reader.readFile(dir.file("out/f.tdb")));
  EXPECT_EQ(reader.contents().text, "text");
  EXPECT_EQ(booktest::entriesOf(dir.file("out")), std::vector<std::string>{"f.tdb"});
}

TEST_F(BookBuildTest, BuildingTwiceWithTheSameDateGivesIdenticalBooks) {
  setenv("SOURCE_DATE_EPOCH", "1600000000", 1);
  std::string src = source("r.tml", std::string(20000, 'r') + "\n");
  ASSERT_TRUE(buildBook(src, dir.file("one.tdb"), titled("R")));
  ASSERT_TRUE(buildBook(src, dir.file("two.tdb"), titled("R")));
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(booktest::readFile(dir.file("one.tdb")), booktest::readFile(dir.file("two.tdb")));
}
