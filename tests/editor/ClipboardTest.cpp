// Copy and paste keep text, styles and objects with their records, within a
// document and between documents.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "Clipboard.h"
#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

class ClipboardTest : public ::testing::Test {
 protected:
  TextDocumentModel source, target;
  LogCapture log;
};

TEST_F(ClipboardTest, FragmentCarriesTextStylesAndObjectsToAnotherDocument) {
  loadText(source, "Before \\iit\\Q=\"mark\"alic\\i \\q=\"#mark\"go\\q after");
  const int start = 7, end = source.length() - 6;  // "italic go"
  const auto data = mimeDataForRange(source, start, end);
  loadText(target, "[]");
  target.setCaret(1);
  ASSERT_TRUE(insertMimeData(target, *data));
  EXPECT_EQ(modelText(target), "[it\1alic \1go]");
  EXPECT_EQ(target.caret(), 12);
  EXPECT_TRUE(target.styleAt(1).italic);
  EXPECT_FALSE(target.styleAt(8).italic);
  EXPECT_EQ(bookObjectAt(target, 3).text(), "mark");
  EXPECT_EQ(bookObjectAt(target, 9).text(), "#mark");
  EXPECT_EQ(target.styleAt(10).colour, kLinkColour);
  EXPECT_EQ(target.styleAt(12).colour, kPlainColour);
  EXPECT_EQ(data->text(), QString("italic go"));
}

TEST_F(ClipboardTest, RecordsComeBackWholeEvenWhereTmlDropsThem) {
  source.applyStyleAtCaret(plainStyle());
  source.insertText("Title text");
  makeHeading(source, 2, 0, 5);  // the marker stores the title; TML does not
  const BookObjectData original = bookObjectAt(source, 0).data;
  ASSERT_EQ(original.text, "Title");
  const auto data = mimeDataForRange(source, 0, source.length());
  ASSERT_TRUE(insertMimeData(target, *data));
  const BookObject pasted = bookObjectAt(target, 0);
  ASSERT_EQ(pasted.kind(), kind::chapter);
  EXPECT_EQ(pasted.data, original);
  EXPECT_EQ(target.styleAt(1).colour, headingColour(2));
  // An image keeps its full path, which TML would cut to the file name.
  source.setCaret(source.length());
  insertImage(source, "/pictures/folder/pic.png");
  TextDocumentModel other;
  ASSERT_TRUE(insertMimeData(other, *mimeDataForRange(source, source.length() - 1, source.length())));
  EXPECT_EQ(bookObjectAt(other, 0).text(), "/pictures/folder/pic.png");
}

TEST_F(ClipboardTest, CopyingTheWholeTextLeavesItAlone) {
  loadText(source, "\\cCentred");
  ASSERT_EQ(source.paragraphFormatAt(0).alignment, kAlignCentre);
  const auto data = mimeDataForRange(source, 0, source.length());
  EXPECT_EQ(modelText(source), "Centred");
  ASSERT_TRUE(insertMimeData(target, *data));
  EXPECT_EQ(modelText(target), "Centred");
  EXPECT_EQ(target.paragraphFormatAt(0).alignment, kAlignCentre);
}

TEST_F(ClipboardTest, PasteReplacesTheSelectionAndUndoesInOneStep) {
  loadText(target, "keep REPLACE keep");
  target.document()->clearUndoRedoStacks();
  loadText(source, "\\bnew\\b");
  const auto data = mimeDataForRange(source, 0, 3);
  target.setSelection(5, 12);
  ASSERT_TRUE(insertMimeData(target, *data));
  EXPECT_EQ(modelText(target), "keep new keep");
  EXPECT_EQ(target.styleAt(5).face, kFaceBold);
  target.document()->undo();
  EXPECT_EQ(modelText(target), "keep REPLACE keep");
}

TEST_F(ClipboardTest, PlainTextFromOtherProgramsIsTyped) {
  QMimeData data;
  data.setText(QString::fromUtf8("one\r\ntwo\nthr\u00E9e \u263A"));
  ASSERT_TRUE(insertMimeData(target, data));
  EXPECT_EQ(modelText(target),
            "one\rtwo\rthr\xE9"
            "e ?");
  QMimeData nothing;
  EXPECT_FALSE(insertMimeData(target, nothing));
}

TEST_F(ClipboardTest, SystemClipboardRoundTrip) {
  loadText(source, "a\\Q=\"n\"b");
  source.setSelection(0, 3);
  copySelection(source);
  ASSERT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(kTmlFragmentMimeType));
  ASSERT_TRUE(paste(target));
  EXPECT_EQ(modelText(target), "a\1b");
  EXPECT_EQ(bookObjectAt(target, 1).text(), "n");
}

}  // namespace
