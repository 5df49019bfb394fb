// The page preview pane against the books a build writes, and the caret and
// the preview following each other.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>

#include "BookBuilder.h"
#include "BookObject.h"
#include "BookReader.h"
#include "BuildLog.h"
#include "Commands.h"
#include "PagePreviewPane.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;
using test::loadInto;

class QuietLog : public BuildLogSink {
 public:
  void receive(const LogMessage&) override {}
};

// Lets the pane's pagination arrive; false when it never does.
bool waitForPages(PagePreviewPane& pane) {
  QElapsedTimer clock;
  clock.start();
  while (pane.pagination().busy() || !pane.pagination().pages()) {
    if (clock.elapsed() > 20000) return false;
    QTest::qWait(10);
  }
  AppFixture::settle();
  return true;
}

struct BuiltPages {
  size_t small = 0, large = 0;
};

BuiltPages buildPages(const std::string& source, const std::string& book) {
  QuietLog quiet;
  ScopedLogSink sink(quiet);
  BookInfo info;
  info.title = "Preview";
  BuiltPages pages;
  BookReader reader;
  if (!buildBook(source, book, info) || !reader.readFile(book)) return pages;
  pages.small = reader.contents().smallPages.size();
  pages.large = reader.contents().largePages.size();
  return pages;
}

TEST(PagePreviewTest, SampleBookShowsTheBuiltPagesInBothFonts) {
  AppFixture f;
  const std::string sample = SCRIVORA_SOURCE_DIR "/examples/sample.tml";
  DocumentWindow* window = f.app->openDocument(sample);
  ASSERT_NE(window, nullptr);
  AppFixture::activate(*window);
  const int narrow = window->width();
  const int textWidth = window->view().width();
  PagePreviewPane& pane = window->preview();
  EXPECT_EQ(window->commandCheckState(cmd::kPagePreview), kUnchecked);

  QTest::keyClick(&window->view(), Qt::Key_F9);
  AppFixture::settle();
  EXPECT_EQ(window->commandCheckState(cmd::kPagePreview), kChecked);
  EXPECT_TRUE(pane.isVisible());
  EXPECT_EQ(window->width(), narrow + pane.widthAt(2));
  // The text keeps its width: the pane takes only what the window gained.
  EXPECT_EQ(window->view().width(), textWidth);
  ASSERT_TRUE(waitForPages(pane));

  const BuiltPages built = buildPages(sample, f.dir.filePath("sample.tdb").toStdString());
  ASSERT_GT(built.small, 1u);
  EXPECT_EQ(pane.pageCount(), built.small);
  EXPECT_EQ(pane.pageLabel(), QStringLiteral("Page 1 of %1").arg(built.small));

  pane.setReaderFont(ReaderFont::Large);
  ASSERT_TRUE(waitForPages(pane));
  EXPECT_EQ(pane.pageCount(), built.large);

  // Every page of the sample shows something.
  for (size_t page = 0; page < pane.pageCount(); ++page) {
    pane.goToPage(page);
    EXPECT_FALSE(pane.canvas().page().items.empty()) << "page " << page;
  }

  QTest::keyClick(&window->view(), Qt::Key_F9);
  AppFixture::settle();
  EXPECT_EQ(window->commandCheckState(cmd::kPagePreview), kUnchecked);
  EXPECT_EQ(window->width(), narrow);
}

TEST(PagePreviewTest, CaretAndPreviewFollowEachOther) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  std::string tml = "\\x\\cThe First\\c\\x\n";
  for (int i = 0; i < 60; ++i)
    tml += "A paragraph \\iof several words\\i that wraps over the line " + std::to_string(i) + "\n";
  tml += "\\pLast\n";
  loadInto(window, tml);
  PagePreviewPane& pane = window.preview();
  pane.setShown(true);
  ASSERT_TRUE(waitForPages(pane));
  ASSERT_GT(pane.pageCount(), 4u);
  TextDocumentModel& text = window.document().text();
  EXPECT_EQ(pane.currentPage(), 0u);

  // Going to a page puts the caret on its first character, which the pages
  // place on that page.
  for (size_t page = 1; page < pane.pageCount(); ++page) {
    pane.pageForward();
    EXPECT_EQ(pane.currentPage(), page);
    const int caret = text.selectionStart();
    EXPECT_EQ(pane.pagination().pages()->pageOfPosition(caret), page);
    if (page + 1 < pane.pageCount()) {
      EXPECT_LT(caret, pane.pagination().pages()->firstPositionOf(page + 1));
    }
  }
  EXPECT_EQ(text.textOf(text.selectionStart(), text.selectionStart() + 4), U"Last");
  pane.pageForward();  // already on the last page
  EXPECT_EQ(pane.currentPage(), pane.pageCount() - 1);

  // Moving the caret shows its page.
  text.setSelection(0, 0);
  EXPECT_EQ(pane.currentPage(), 0u);
  const int middle = pane.pagination().pages()->firstPositionOf(3) + 5;
  text.setSelection(middle, middle);
  EXPECT_EQ(pane.currentPage(), 3u);
  EXPECT_EQ(pane.pageLabel(), QStringLiteral("Page 4 of %1").arg(pane.pageCount()));

  // Typing makes the pages again after the pause.
  const size_t before = pane.pageCount();
  text.setSelection(text.length(), text.length());
  for (int i = 0; i < 40; ++i) QTest::keyClicks(&window.view(), "More words at the end \r");
  ASSERT_TRUE(waitForPages(pane));
  EXPECT_GT(pane.pageCount(), before);
  EXPECT_EQ(pane.currentPage(), pane.pageCount() - 1);
}

TEST(PagePreviewTest, PageDrawsItsRuleHeadingAndImage) {
  AppFixture f;
  DocumentWindow& window = *f.app->newDocument();
  AppFixture::activate(window);
  const std::string image = SCRIVORA_SOURCE_DIR "/examples/sample_img/flag.png";
  const QImage picture(QString::fromStdString(image));
  ASSERT_FALSE(picture.isNull());
  TextDocumentModel& text = window.document().text();
  loadInto(window, "\\x\\cHeading\\x\nby its author\n\\c\\w=\"50%\"\n");
  text.setSelection(text.length(), text.length());
  insertImage(text, image);
  PagePreviewPane& pane = window.preview();
  pane.setShown(true);
  ASSERT_TRUE(waitForPages(pane));

  const QImage drawn = pane.canvas().grab().toImage();
  const int zoom = window.document().text().zoom();
  // The rule: half the line, centred, on the second line.
  const PageLayout& page = pane.canvas().page();
  ASSERT_GE(page.lines.size(), 4u);
  const PageLine& rule = page.lines[2];
  const int y = 1 + int(rule.top * 2 + rule.height) * zoom / 2;
  int dark = 0, first = -1;
  for (int x = 1; x <= 158 * zoom; ++x) {
    if (qGray(drawn.pixel(x, y)) < 64) {
      ++dark;
      if (first < 0) first = x - 1;
    }
  }
  EXPECT_EQ(dark, 79 * zoom);
  EXPECT_EQ(first, (158 - 79) * zoom / 2);
  // The heading is centred.
  const PageLine& heading = page.lines[0];
  EXPECT_GT(PageLayout::alignmentShift(heading), 0u);
  // The image at its size, its top left pixel as in the file.
  const PageLine& imageLine = page.lines[3];
  ASSERT_EQ(imageLine.itemCount, 1u);
  const PageItem& item = page.items[imageLine.firstItem];
  EXPECT_EQ(item.kind, PlacedKind::Image);
  EXPECT_EQ(int(item.width), picture.width());
  const QPoint corner(1 + int(item.x) * zoom, 1 + int(imageLine.top + imageLine.height - item.height) * zoom);
  EXPECT_EQ(QColor(drawn.pixel(corner)).rgb(), QColor(picture.pixel(0, 0)).rgb());
}

}  // namespace
}  // namespace scrivora
