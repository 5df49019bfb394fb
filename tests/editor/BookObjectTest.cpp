// Book objects: the stored record, creation, descriptions, heading titles,
// tab widths and layout, sizes, drawing and pictures.

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <fstream>

#include "PngPicture.h"
#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

class BookObjectTest : public ::testing::Test {
 protected:
  TextDocumentModel view;
  void type(const char* text) {
    view.applyStyleAtCaret(plainStyle(view.zoom()));
    view.insertText(QString::fromLatin1(text));
  }
};

TEST(BookObjectRecordTest, RecordIsLittleEndianWithTheKindSpelledBackwards) {
  BookObjectData data;
  data.kind = kind::anchor;
  data.linkSerial = 0x01020304;
  data.zoom = 2;
  data.level = 3;
  data.percent = 55;
  data.tabTarget = 86;
  data.tabStart = -1;
  data.text = "name";
  const std::vector<uint8_t> record = data.toRecord();
  ASSERT_EQ(record.size(), 4128u);
  EXPECT_EQ(std::string(record.begin(), record.begin() + 4), "hcnA");
  EXPECT_EQ(record[8], 0x04);
  EXPECT_EQ(record[11], 0x01);
  EXPECT_EQ(record[16], 2);
  EXPECT_EQ(record[18], 3);
  EXPECT_EQ(record[20], 55);
  EXPECT_EQ(record[24], 86);
  EXPECT_EQ(record[28], 0xFF);
  EXPECT_EQ(record[31], 0xFF);
  EXPECT_EQ(std::string(record.begin() + 32, record.begin() + 37), std::string("name\0", 5));
  BookObjectData back;
  ASSERT_TRUE(BookObjectData::fromRecord(record.data(), record.size(), back));
  EXPECT_EQ(back, data);
}

TEST(BookObjectRecordTest, ShortOrUnknownRecordsAreRefused) {
  BookObjectData data;
  data.kind = kind::rule;
  std::vector<uint8_t> record = data.toRecord();
  BookObjectData out;
  EXPECT_FALSE(BookObjectData::fromRecord(record.data(), record.size() - 1, out));
  record[0] = 'x';
  EXPECT_FALSE(BookObjectData::fromRecord(record.data(), record.size(), out));
}

TEST(BookObjectRecordTest, TextIsCutToWhatTheRecordHolds) {
  BookObjectData data;
  data.kind = kind::comment;
  data.text = std::string(5000, 'c');
  BookObjectData back;
  const std::vector<uint8_t> record = data.toRecord();
  ASSERT_TRUE(BookObjectData::fromRecord(record.data(), record.size(), back));
  EXPECT_EQ(back.text.size(), 4095u);
  EXPECT_EQ(record[32 + 4095], 0);
}

TEST_F(BookObjectTest, CreationFillsTheRecordAndStoresTheZoom) {
  view.setZoom(3);
  insertAnchor(view, "a");
  insertComment(view, std::string(5000, 'x'));
  insertImage(view, std::string(300, 'p'));
  insertRule(view, 150);
  insertChapterMarker(view, 7, "T");
  EXPECT_EQ(bookObjectAt(view, 0).data.zoom, 3);
  EXPECT_EQ(bookObjectAt(view, 1).text().size(), 4095u);
  EXPECT_EQ(bookObjectAt(view, 2).text().size(), 259u);
  EXPECT_EQ(bookObjectAt(view, 3).percent(), 100);
  EXPECT_EQ(bookObjectAt(view, 4).level(), 4);
  EXPECT_EQ(bookObjectAt(view, 4).text(), "T");
}

TEST_F(BookObjectTest, EnumerationWalksTheObjectsInOrder) {
  type("ab");
  insertAnchor(view, "1");
  type("cd");
  insertRule(view, 10);
  std::vector<int> positions;
  for (BookObject o = nextBookObject(view, -1); o.isPresent(); o = nextBookObject(view, o.position))
    positions.push_back(o.position);
  EXPECT_EQ(positions, (std::vector<int>{2, 5}));
  EXPECT_FALSE(nextBookObject(view, 5).isPresent());
  EXPECT_FALSE(bookObjectAt(view, 0).isPresent());
  EXPECT_EQ(bookObjectAt(view, 0).kind(), 0u);
}

TEST_F(BookObjectTest, LinkSerialsCountUpAndTheLinkIsMarked) {
  type("hello world");
  const uint32_t before = lastLinkSerial();
  view.setSelection(6, 11);
  makeLink(view, "#w");
  EXPECT_EQ(lastLinkSerial(), before + 1);
  EXPECT_EQ(modelText(view), "hello \1world");
  EXPECT_EQ(bookObjectAt(view, 6).data.linkSerial, before + 1);
  for (int p = 6; p < 12; ++p) {
    EXPECT_EQ(view.styleAt(p).colour, kLinkColour) << p;
    EXPECT_TRUE(view.styleAt(p).underline) << p;
  }
  EXPECT_EQ(view.styleAt(5).colour, kPlainColour);
  EXPECT_EQ(view.selectionStart(), 6);
  EXPECT_EQ(view.selectionEnd(), 12);
  EXPECT_EQ(saveText(view), "hello \\q=\"#w\"world\\q");
}

TEST_F(BookObjectTest, MakeHeadingTakesTheSelectedTextAsTitle) {
  type("Intro text");
  makeHeading(view, 1, 0, 5);
  const BookObject marker = bookObjectAt(view, 0);
  EXPECT_EQ(marker.kind(), kind::chapter);
  EXPECT_EQ(marker.text(), "Intro");
  EXPECT_EQ(view.styleAt(5).colour, headingColour(1));
  EXPECT_EQ(view.styleAt(6).colour, kPlainColour);
  EXPECT_EQ(describe(view, marker), "Heading 1: \"Intro\"");
  EXPECT_EQ(saveText(view), "\\X1Intro\\X1 text");
}

TEST_F(BookObjectTest, BookPlateWithParagraphsStandsOnALineOfItsOwn) {
  type("ab");
  insertBookPlate(view, 1, true);
  EXPECT_EQ(modelText(view), "a\r\1\rb");
  EXPECT_EQ(bookObjectAt(view, 2).kind(), kind::bookPlate);
  EXPECT_TRUE(view.redrawEnabled());
}

TEST_F(BookObjectTest, DescriptionsCutLongTextsButNotAnchorNames) {
  const std::string hundred(100, 'n');
  insertAnchor(view, hundred);
  insertComment(view, hundred);
  insertImage(view, "/some/folder\\deep/" + std::string(70, 'i') + ".png");
  insertLink(view, hundred);
  insertRule(view, 50);
  insertTab(view, 30);
  insertBookPlate(view);
  EXPECT_EQ(describe(view, bookObjectAt(view, 0)), "Link Anchor: \"" + hundred + "\"");
  EXPECT_EQ(describe(view, bookObjectAt(view, 1)), "Comment: \"" + hundred.substr(0, 63) + "\"");
  EXPECT_EQ(describe(view, bookObjectAt(view, 2)), "Image: \"" + std::string(63, 'i') + "\"");
  EXPECT_EQ(describe(view, bookObjectAt(view, 3)), "Link: \"" + hundred.substr(0, 63) + "\"");
  EXPECT_EQ(describe(view, bookObjectAt(view, 4)), "Horizontal Rule: 50%");
  EXPECT_EQ(describe(view, bookObjectAt(view, 5)), "Tab: 30%");
  EXPECT_EQ(describe(view, bookObjectAt(view, 6)), "Book Plate");
  EXPECT_EQ(describe(view, BookObject()), "");
}

TEST_F(BookObjectTest, HeadingTitlesAreReadFromTheColouredText) {
  loadText(view, "\\xThe\r\nChapter\\x\r\n\\X2Sub \\d part\\X2 after");
  const int chapter = view.nextObject(-1);
  EXPECT_EQ(describe(view, bookObjectAt(view, chapter)), "Chapter: \"The Chapter\"");
  const int heading = view.nextObject(chapter);
  ASSERT_EQ(bookObjectAt(view, heading).kind(), kind::chapter);
  EXPECT_EQ(describe(view, bookObjectAt(view, heading)), "Heading 2: \"Sub  part\"");
}

TEST_F(BookObjectTest, HeadingTitleStopsAtEightyCharacters) {
  loadText(view, "\\X1" + std::string(100, 'h') + "\\X1");
  EXPECT_EQ(headingTitle(view, bookObjectAt(view, 0)), std::string(80, 'h'));
}

TEST_F(BookObjectTest, HeadingThatLostItsColourHasAnEmptyTitle) {
  loadText(view, "\\X3Lost\\X3");
  AttributeValue black;
  view.setAttribute(attr::colour, 1, 5, black);
  EXPECT_EQ(describe(view, bookObjectAt(view, 0)), "");
}

TEST_F(BookObjectTest, FullTabFromTheLineStart) {
  view.setZoom(2);
  insertTab(view, 100);
  const BookObject tab = bookObjectAt(view, 0);
  EXPECT_EQ(tab.data.tabTarget, 158);
  EXPECT_EQ(tab.data.tabStart, 0);
  EXPECT_EQ(bookObjectSize(tab.data, QImage()), QSize(155 * 2, 4));
}

TEST_F(BookObjectTest, TabPastItsTargetHasTheMinimalWidth) {
  BookObjectData tab;
  tab.kind = kind::tab;
  tab.zoom = 1;
  tab.tabTarget = 79;
  tab.tabStart = 76;  // past target - 4
  EXPECT_EQ(bookObjectSize(tab, QImage()).width(), 1);
  tab.tabStart = 75;
  EXPECT_EQ(bookObjectSize(tab, QImage()).width(), 1);
  tab.tabStart = 74;
  EXPECT_EQ(bookObjectSize(tab, QImage()).width(), 2);
}

TEST_F(BookObjectTest, TabAboveHundredPercentIsALineEnd) {
  type("a");
  insertTab(view, 101);
  EXPECT_EQ(modelText(view), "a\r");
}

TEST_F(BookObjectTest, TabStartsWhereTheCaretStands) {
  type("Some words before the tab");
  insertTab(view, 100);
  const int start = bookObjectAt(view, 25).data.tabStart;
  EXPECT_GT(start, 0);
  // Text typed before the tab moves it; re-making it measures again.
  view.setCaret(0);
  view.beginEditGroup();  // one user command
  type("More words ");
  view.endEditGroup();
  relayoutTabs(view, 0, 11);
  EXPECT_GT(bookObjectAt(view, 36).data.tabStart, start);
  EXPECT_EQ(bookObjectAt(view, 36).percent(), 100);
  // The re-layout goes with the typing that caused it; the history stays.
  EXPECT_TRUE(view.document()->isUndoRedoEnabled());
  view.document()->undo();
  EXPECT_EQ(modelText(view), "Some words before the tab");
  EXPECT_TRUE(view.document()->isUndoAvailable());
}

TEST_F(BookObjectTest, TabsOnOneLineMeasureAsIfMadeOneByOne) {
  // Made one by one, each tab is measured with the ones before it in place.
  type("ab");
  insertTab(view, 30);
  type("cd");
  insertTab(view, 90);
  const int second = bookObjectAt(view, 5).data.tabStart;
  ASSERT_GT(second, bookObjectAt(view, 2).data.tabStart);
  // Re-made all at once, the first tab's new width moves the second.
  TextDocumentModel loaded;
  loadText(loaded, "ab\\T=\"30%\"cd\\T=\"90%\"");
  EXPECT_EQ(bookObjectAt(loaded, 2).data.tabStart, bookObjectAt(view, 2).data.tabStart);
  EXPECT_NEAR(bookObjectAt(loaded, 5).data.tabStart, second, 1);
}

TEST_F(BookObjectTest, RelayoutKeepsTheSelection) {
  type("ab");
  insertTab(view, 40);
  type("cd");
  view.setSelection(1, 4);
  relayoutTabs(view);
  EXPECT_EQ(view.selectionStart(), 1);
  EXPECT_EQ(view.selectionEnd(), 4);
  EXPECT_EQ(bookObjectAt(view, 2).percent(), 40);
}

TEST_F(BookObjectTest, SizesFollowTheKindAndZoom) {
  BookObjectData data;
  data.zoom = 2;
  data.kind = kind::bookPlate;
  EXPECT_EQ(bookObjectSize(data, QImage()), QSize(310, 132));
  data.kind = kind::rule;
  EXPECT_EQ(bookObjectSize(data, QImage()), QSize(316, 18));
  data.kind = kind::anchor;
  EXPECT_EQ(bookObjectSize(data, QImage()), QSize(6, 6));
  data.kind = kind::image;
  EXPECT_EQ(bookObjectSize(data, QImage()), QSize(0, 0));
  EXPECT_EQ(bookObjectSize(data, QImage(5, 3, QImage::Format_RGBA8888)), QSize(10, 6));
}

TEST_F(BookObjectTest, LayoutSizesObjectsThroughTheirHandler) {
  view.setZoom(2);
  insertRule(view, 50);
  const QTextBlock block = view.document()->begin();
  view.document()->documentLayout()->blockBoundingRect(block);
  ASSERT_NE(block.layout(), nullptr);
  ASSERT_GT(block.layout()->lineCount(), 0);
  EXPECT_DOUBLE_EQ(block.layout()->lineAt(0).naturalTextWidth(), 316.0);
}

QImage drawn(const BookObjectData& data, const QRect& rect) {
  QImage canvas(200, 40, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  drawBookObject(painter, rect, data, QImage());
  painter.end();
  return canvas;
}

TEST_F(BookObjectTest, HalfRuleCoversTheMiddleHalfOneZoomThick) {
  BookObjectData rule;
  rule.kind = kind::rule;
  rule.zoom = 1;
  rule.percent = 50;
  const QImage canvas = drawn(rule, QRect(20, 0, 158, 9));
  // Margin: 25% of 158 = 39 pixels on each side; the row is at 0 + 9 / 2.
  EXPECT_EQ(canvas.pixelColor(58, 4), QColor(Qt::white));
  EXPECT_EQ(canvas.pixelColor(59, 4), QColor(Qt::black));
  EXPECT_EQ(canvas.pixelColor(138, 4), QColor(Qt::black));
  EXPECT_EQ(canvas.pixelColor(139, 4), QColor(Qt::white));
  EXPECT_EQ(canvas.pixelColor(100, 3), QColor(Qt::white));
  EXPECT_EQ(canvas.pixelColor(100, 5), QColor(Qt::white));
  rule.zoom = 2;
  const QImage thick = drawn(rule, QRect(20, 0, 158, 9));
  EXPECT_EQ(thick.pixelColor(100, 5), QColor(Qt::black));
  EXPECT_EQ(thick.pixelColor(100, 6), QColor(Qt::white));
}

TEST_F(BookObjectTest, AnchorTriangleReachesOutsideItsRectangle) {
  BookObjectData anchor;
  anchor.kind = kind::anchor;
  anchor.zoom = 1;
  const QImage canvas = drawn(anchor, QRect(50, 5, 3, 3));
  // Rows y = top + 10 + i for i = 1, 2: x from left - i to left + i - 1.
  EXPECT_EQ(canvas.pixelColor(49, 16), QColor(0, 0, 255));
  EXPECT_EQ(canvas.pixelColor(50, 16), QColor(0, 0, 255));
  EXPECT_EQ(canvas.pixelColor(51, 16), QColor(Qt::white));
  EXPECT_EQ(canvas.pixelColor(48, 17), QColor(0, 0, 255));
  EXPECT_EQ(canvas.pixelColor(51, 17), QColor(0, 0, 255));
  EXPECT_EQ(canvas.pixelColor(50, 18), QColor(Qt::white));
}

TEST_F(BookObjectTest, PicturesAreDecodedOnceAndUnreadableOnesAreEmpty) {
  QTemporaryDir dir;
  const std::string good = dir.filePath("good.png").toStdString();
  const std::string bad = dir.filePath("bad.png").toStdString();
  QImage source(4, 2, QImage::Format_RGB32);
  source.fill(QColor(10, 200, 30));
  ASSERT_TRUE(source.save(QString::fromStdString(good), "PNG"));
  std::ofstream(bad, std::ios::binary) << "not a png";
  const QImage picture = view.picture(good);
  ASSERT_EQ(picture.size(), QSize(4, 2));
  EXPECT_EQ(picture.pixelColor(1, 1), QColor(10, 200, 30));
  EXPECT_TRUE(view.picture(bad).isNull());
  EXPECT_TRUE(view.picture(dir.filePath("missing.png").toStdString()).isNull());
  EXPECT_TRUE(decodePng(nullptr, 0).isNull());
  // Kept from the first read.
  QFile::remove(QString::fromStdString(good));
  EXPECT_EQ(view.picture(good).size(), QSize(4, 2));
}

}  // namespace
