// The sample book in examples/ uses every feature of the language. It must
// build without an error into a sound book whose navigation is what the
// source says (worked out from the source by hand, not printed by the build).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "BookBuilder.h"
#include "BookReader.h"
#include "support/BookTestSupport.h"

using namespace scrivora;
using booktest::LogCapture;
using booktest::TempDir;

namespace {

const std::string kExamples = std::string(SCRIVORA_SOURCE_DIR) + "/examples";

class SampleBookTest : public testing::Test {
 protected:
  void SetUp() override {
    // Built from a copy, so the temporaries never appear in the source tree.
    source = booktest::readText(kExamples + "/sample.tml");
    ASSERT_FALSE(source.empty());
    booktest::writeFile(dir.file("sample.tml"), source);
    ASSERT_EQ(mkdir(dir.file("sample_img").c_str(), 0755), 0);
    for (const char* image : {"lighthouse.png", "flag.png"}) {
      booktest::writeFile(dir.file(std::string("sample_img/") + image),
                          booktest::readFile(kExamples + "/sample_img/" + image));
    }
    BookInfo info;
    info.title = "The Lighthouse Keeper";
    info.author = "Scrivora Sample";
    built = buildBook(dir.file("sample.tml"), dir.file("sample.tdb"), info);
    BookReader reader;
    ASSERT_TRUE(reader.readFile(dir.file("sample.tdb")));
    problems = reader.problems();
    book = reader.contents();
  }

  TempDir dir;
  LogCapture log;
  std::string source;
  bool built = false;
  std::vector<std::string> problems;
  BookContents book;
};

}  // namespace

TEST_F(SampleBookTest, BuildsWithoutErrorsIntoASoundBook) {
  EXPECT_TRUE(built);
  EXPECT_TRUE(log.errors().empty()) << log.errors()[0];
  // The only warning: the Windows-1252 letters and dashes in the story.
  EXPECT_EQ(log.warnings(), std::vector<std::string>{"Non-ASCII characters in file; attempting to map them"});
  EXPECT_TRUE(problems.empty()) << problems[0];
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"sample.tdb", "sample.tml", "sample_img"}));
}

TEST_F(SampleBookTest, TextIsTheSourceUpToItsNotes) {
  size_t notes = source.find("\n\n\n\n<footnote id=\"log\">");
  ASSERT_NE(notes, std::string::npos);
  EXPECT_EQ(book.text, source.substr(0, notes));
}

TEST_F(SampleBookTest, ChaptersKeepTextOrderAndLevels) {
  std::vector<std::string> titles;
  for (const ChapterEntry& chapter : book.chapters) titles.push_back(chapter.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Contents", "1. The Storm", "    Wind and Water",
                                              "        The Log at Midnight", "2. The Visitor", "    The weather clears",
                                              "    Fair Weather", "3. The Lamp Room"}));
  EXPECT_EQ(book.chapters[1].position, source.find("\\x1. The Storm\\x"));
}

TEST_F(SampleBookTest, EveryLinkFindsItsAnchor) {
  ASSERT_EQ(book.links.size(), 5u);
  for (const LinkEntry& link : book.links) {
    std::string anchor = "\\Q=\"" + link.name + "\"";
    size_t at = source.find(anchor);
    ASSERT_NE(at, std::string::npos) << link.name;
    // The target is the closing quote plus 2.
    EXPECT_EQ(link.target, at + anchor.size() + 1) << link.name;
  }
}

TEST_F(SampleBookTest, IndexTermsAreSortedWithoutCaseAndBulletsDropped) {
  std::vector<std::string> terms;
  for (const IndexEntry& entry : book.indexEntries) terms.push_back(entry.term);
  EXPECT_EQ(terms, (std::vector<std::string>{" bullet lists", "Fresnel lens", "keeper", "keeper", "lamp room",
                                             "lamp room", "lighthouse", "lighthouse"}));
}

TEST_F(SampleBookTest, NotesAndTheirImagesAreStored) {
  ASSERT_EQ(book.footnotes.size(), 2u);
  EXPECT_EQ(book.footnotes[0].id, "lens");
  EXPECT_EQ(book.footnotes[0].body.substr(0, 16), "A Fresnel lens: ");
  EXPECT_EQ(book.footnotes[1].id, "log");
  ASSERT_EQ(book.sidebars.size(), 1u);
  EXPECT_EQ(book.sidebars[0].id, "flag");
  EXPECT_EQ(book.sidebars[0].body.substr(0, 18), "\\c\\m=\"flag.png\"\\c\n");
  // The flag is named only in the sidebar, the lighthouse in the text and a
  // footnote: both are stored once, sorted by name.
  ASSERT_EQ(book.images.size(), 2u);
  EXPECT_EQ(book.images[0].name, "flag.png");
  EXPECT_EQ(book.images[0].width, 40);
  EXPECT_EQ(book.images[0].height, 24);
  EXPECT_EQ(book.images[1].name, "lighthouse.png");
  EXPECT_EQ(book.images[1].width, 48);
  EXPECT_EQ(book.images[1].height, 64);
}
