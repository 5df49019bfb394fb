// Pages made from memory for the preview against the page tables of the book
// that a whole build writes for the same text.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

#include "BookBuilder.h"
#include "BookReader.h"
#include "PagePreview.h"
#include "Pagination.h"
#include "RandomTml.h"
#include "support/BookTestSupport.h"

using namespace scrivora;

namespace {

struct PageStarts {
  std::vector<uint32_t> positions;
  std::vector<uint16_t> states;
  bool operator==(const PageStarts& other) const { return positions == other.positions && states == other.states; }
};

std::ostream& operator<<(std::ostream& out, const PageStarts& starts) {
  out << starts.positions.size() << " pages:";
  for (size_t i = 0; i < starts.positions.size() && i < 40; ++i)
    out << ' ' << starts.positions[i] << '/' << std::hex << starts.states[i] << std::dec;
  return out;
}

PageStarts startsOf(const std::vector<StoredPageEntry>& table) {
  PageStarts starts;
  for (const StoredPageEntry& entry : table) {
    starts.positions.push_back(entry.position);
    starts.states.push_back(entry.state);
  }
  return starts;
}

PageStarts startsOf(const PagePreview& preview) {
  PageStarts starts;
  for (size_t page = 0; page < preview.pageCount(); ++page) {
    starts.positions.push_back(uint32_t(preview.pageStart(page)));
    starts.states.push_back(preview.pageState(page));
  }
  return starts;
}

class PreviewPaginationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    imageFolder = dir.file("book_img");
    ASSERT_EQ(mkdir(imageFolder.c_str(), 0700), 0);
    for (const char* image : scrivora::test::kRandomBookImages) {
      booktest::writeFile(imageFolder + "/" + image,
                          booktest::readFile(std::string(SCRIVORA_SOURCE_DIR "/examples/sample_img/") + image));
    }
  }

  // Builds the text as book.tml beside the images and reads its page tables
  // back; false when the build failed.
  bool build(const std::string& tml, PageStarts& small, PageStarts& large) {
    const std::string source = dir.file("book.tml"), book = dir.file("book.tdb");
    booktest::writeFile(source, tml);
    BookInfo info;
    info.title = "Preview";
    {
      booktest::LogCapture quiet;
      if (!buildBook(source, book, info)) return false;
    }
    BookReader reader;
    if (!reader.readFile(book)) return false;
    small = startsOf(reader.contents().smallPages);
    large = startsOf(reader.contents().largePages);
    return true;
  }

  PagePreview paginate(const std::string& tml, ReaderFont font) {
    booktest::LogCapture quiet;
    PreviewOptions options;
    options.imageDirectory = imageFolder;
    return PagePreview::paginate(tml, font, options);
  }

  // The preview's pages of both fonts are the built book's, and laying out
  // each page in turn ends exactly where the next one starts.
  void expectSamePagesAsBook(const std::string& tml, const std::string& what) {
    PageStarts small, large;
    ASSERT_TRUE(build(tml, small, large)) << what << " does not build";
    for (ReaderFont font : {ReaderFont::Small, ReaderFont::Large}) {
      const PagePreview preview = paginate(tml, font);
      EXPECT_EQ(startsOf(preview), font == ReaderFont::Small ? small : large)
          << what << (font == ReaderFont::Small ? ", small font" : ", large font");
      expectPagesFollowOn(preview, what);
    }
  }

  static void expectPagesFollowOn(const PagePreview& preview, const std::string& what) {
    for (size_t page = 0; page < preview.pageCount(); ++page) {
      const PageLayout layout = preview.layOutPage(page);
      size_t at = preview.pageStart(page);
      for (const PageLine& line : layout.lines) {
        ASSERT_EQ(line.start, at) << what << ", page " << page;
        at = line.end;
      }
      const size_t next = page + 1 < preview.pageCount() ? preview.pageStart(page + 1) : preview.text().size();
      ASSERT_EQ(at, next) << what << ", page " << page << " does not end where the next begins";
    }
  }

  booktest::TempDir dir;
  std::string imageFolder;
};

TEST_F(PreviewPaginationTest, SampleBookHasTheBuiltPages) {
  const std::string sample = booktest::readText(SCRIVORA_SOURCE_DIR "/examples/sample.tml");
  ASSERT_FALSE(sample.empty());
  // The sample's images are its own.
  imageFolder = SCRIVORA_SOURCE_DIR "/examples/sample_img";
  BookInfo info;
  info.title = "Sample";
  {
    booktest::LogCapture quiet;
    // Built beside its own images, as the program builds it.
    ASSERT_TRUE(buildBook(SCRIVORA_SOURCE_DIR "/examples/sample.tml", dir.file("sample.tdb"), info));
  }
  BookReader reader;
  ASSERT_TRUE(reader.readFile(dir.file("sample.tdb")));
  const PagePreview smallPreview = paginate(sample, ReaderFont::Small);
  const PagePreview largePreview = paginate(sample, ReaderFont::Large);
  EXPECT_GT(smallPreview.pageCount(), 3u);
  EXPECT_EQ(startsOf(smallPreview), startsOf(reader.contents().smallPages));
  EXPECT_EQ(startsOf(largePreview), startsOf(reader.contents().largePages));
  EXPECT_GT(largePreview.pageCount(), smallPreview.pageCount());
  expectPagesFollowOn(smallPreview, "sample");
  expectPagesFollowOn(largePreview, "sample");
}

TEST_F(PreviewPaginationTest, RandomBooksHaveTheBuiltPages) {
  std::mt19937 random(18);
  for (int i = 0; i < 200; ++i) {
    const std::string tml = scrivora::test::randomWellFormedTml(random);
    expectSamePagesAsBook(tml, "random book " + std::to_string(i));
    if (HasFatalFailure() || HasFailure()) return;
  }
}

TEST_F(PreviewPaginationTest, CorpusBooksHaveTheBuiltPages) {
  const std::string books = std::string(SCRIVORA_CORPUS_DIR) + "/books/";
  int compared = 0;
  for (const char* name : {"flatland.txt", "pride-and-prejudice.txt", "monte-cristo-1.txt", "war-and-peace.txt"}) {
    // Plain text becomes TML once its backslashes are escaped.
    std::string text;
    for (char c : booktest::readText(books + name)) {
      text += c;
      if (c == '\\') text += c;
    }
    if (text.empty()) continue;
    PageStarts small, large;
    ASSERT_TRUE(build(text, small, large)) << name;
    EXPECT_EQ(startsOf(paginate(text, ReaderFont::Small)), small) << name;
    EXPECT_EQ(startsOf(paginate(text, ReaderFont::Large)), large) << name;
    ++compared;
  }
  if (compared == 0) GTEST_SKIP() << "no corpus books under " << books;
}

TEST_F(PreviewPaginationTest, PagesTellWhereTheyStandInTheSource) {
  // CR LF line ends become one byte each and the notes block is no page.
  std::string tml = "\\v\r\nTITLE=\"T\"\r\n\\v";
  for (int i = 0; i < 40; ++i) tml += "Line " + std::to_string(i) + " of the book\r\n";
  tml += "\\pLast page\r\n<footnote id=\"a\">note</footnote>\r\n";
  const PagePreview preview = paginate(tml, ReaderFont::Small);
  ASSERT_GT(preview.pageCount(), 2u);
  for (size_t page = 1; page < preview.pageCount(); ++page) {
    const size_t source = preview.sourceOffsetOf(preview.pageStart(page));
    EXPECT_EQ(tml[source], char(preview.text()[preview.pageStart(page)])) << "page " << page;
    EXPECT_EQ(preview.textPositionOf(source), preview.pageStart(page));
    EXPECT_EQ(preview.pageAt(preview.textPositionOf(source)), page);
    EXPECT_EQ(preview.pageAt(preview.textPositionOf(source) - 1), page - 1);
  }
  EXPECT_EQ(tml.substr(preview.sourceOffsetOf(preview.pageStart(preview.pageCount() - 1)), 9), "Last page");
  EXPECT_EQ(preview.pageAt(preview.textPositionOf(tml.size())), preview.pageCount() - 1);
}

TEST_F(PreviewPaginationTest, UnicodeSourceMapsBackIntoItsBytes) {
  // A UTF-8 file with its mark is converted as a build converts it.
  std::string tml = "\xEF\xBB\xBF";
  for (int i = 0; i < 30; ++i) tml += "Caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D line\n";
  const PagePreview preview = paginate(tml, ReaderFont::Large);
  PageStarts small, large;
  ASSERT_TRUE(build(tml, small, large));
  EXPECT_EQ(startsOf(preview), large);
  ASSERT_GT(preview.pageCount(), 1u);
  EXPECT_EQ(tml.substr(preview.sourceOffsetOf(preview.pageStart(1)), 4), "Caf\xC3");
}

TEST_F(PreviewPaginationTest, PageItemsCarryWhatTheReaderDraws) {
  const std::string tml =
      "\\x\\cChapter One\\x\n\\c"
      "\\iab\\i\\UFB01 \\m=\"flag.png\"\n"
      "\\w=\"50%\"\n"
      "\\rright\n\\r"
      "Extraordinarily\\-long\\-words\\-keep\\-going\\-on\\-and\\-on\\-here\n";
  const PagePreview preview = paginate(tml, ReaderFont::Small);
  ASSERT_EQ(preview.pageCount(), 1u);
  const PageLayout page = preview.layOutPage(0);
  ASSERT_GE(page.lines.size(), 5u);
  const std::vector<uint8_t>& text = preview.text();

  // The heading: centred and marked as a chapter title.
  const PageLine& heading = page.lines[0];
  EXPECT_EQ(heading.alignment, kAlignCentre);
  EXPECT_EQ(PageLayout::alignmentShift(heading), (kLineWidth - heading.contentRight) / 2);
  ASSERT_GT(heading.itemCount, 0u);
  EXPECT_TRUE(page.items[heading.firstItem].inChapterTitle);
  EXPECT_EQ(page.items[heading.firstItem].value, 'C');

  // Italic letters, a Unicode character and the image, side by side.
  const PageLine& second = page.lines[1];
  const PageItem* items = &page.items[second.firstItem];
  ASSERT_EQ(second.itemCount, 5u);
  EXPECT_EQ(items[0].style & 0x8000, 0x8000);
  EXPECT_EQ(items[1].x, items[0].x + items[0].width);
  EXPECT_EQ(items[2].kind, PlacedKind::UnicodeCharacter);
  EXPECT_EQ(items[2].value, 0xFB01);
  EXPECT_EQ(items[4].kind, PlacedKind::Image);
  EXPECT_EQ(items[4].imagePath, imageFolder + "/flag.png");
  EXPECT_EQ(second.height, std::max(11u, items[4].height));

  // The rule stands alone with its percent.
  const PageLine& rule = page.lines[2];
  ASSERT_EQ(rule.itemCount, 1u);
  EXPECT_EQ(page.items[rule.firstItem].kind, PlacedKind::Rule);
  EXPECT_EQ(page.items[rule.firstItem].value, 50u);
  EXPECT_EQ(rule.top, heading.height + second.height);

  EXPECT_EQ(PageLayout::alignmentShift(page.lines[3]), kLineWidth - page.lines[3].contentRight);

  // A soft hyphen used as the break shows its hyphen at the line's end; the
  // unused ones show nothing.
  const PageLine& broken = page.lines[4];
  ASSERT_GT(broken.itemCount, 1u);
  const PageItem& last = page.items[broken.firstItem + broken.itemCount - 1];
  EXPECT_EQ(last.value, 0xAD);
  EXPECT_EQ(text[last.position], '\\');
  size_t hyphens = 0;
  for (size_t i = 0; i < broken.itemCount; ++i) hyphens += page.items[broken.firstItem + i].value == 0xAD;
  EXPECT_EQ(hyphens, 1u);
}

// Centred text closed before its line end, as the editor writes it, shows
// centred on every line it fills; text after the close is left-aligned.
TEST_F(PreviewPaginationTest, LinesTakeTheAlignmentTheirTextIsWrittenIn) {
  const std::string tml =
      "\\cA title long enough to fill more than one line of the handheld page\\c\n"
      "\\cShort\\c\n"
      "Left after it\n";
  const PageLayout page = paginate(tml, ReaderFont::Small).layOutPage(0);
  ASSERT_EQ(page.lines.size(), 4u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(page.lines[i].alignment, kAlignCentre) << "line " << i;
    EXPECT_GT(PageLayout::alignmentShift(page.lines[i]), 0u) << "line " << i;
  }
  EXPECT_EQ(page.lines[3].alignment, kAlignLeft);
}

TEST_F(PreviewPaginationTest, AbandonedWhenTheCallerStopsIt) {
  std::string tml;
  for (int i = 0; i < 20000; ++i) tml += "A line of a long book.\n";
  PreviewOptions options;
  int asked = 0;
  options.keepGoing = [&asked] { return ++asked < 3; };
  booktest::LogCapture quiet;
  const PagePreview stopped = PagePreview::paginate(tml, ReaderFont::Small, options);
  EXPECT_TRUE(stopped.abandoned());
  const PagePreview whole = PagePreview::paginate(tml, ReaderFont::Small);
  EXPECT_FALSE(whole.abandoned());
  EXPECT_LT(stopped.pageCount(), whole.pageCount());
}

}  // namespace
