#include <gtest/gtest.h>

#include "BookObject.h"
#include "DocumentLayout.h"
#include "FormatCommands.h"
#include "TextDocumentModel.h"
#include "TmlLoader.h"

namespace scrivora {
namespace {

void load(TextDocumentModel& text, const std::string& tml) { loadTmlFromMemory(tml, TmlLoadOptions(), nullptr, &text); }

TEST(FormattingTest, StyleCommandsSetAMixedSelectionWholeAndClearAFullOne) {
  TextDocumentModel text(nullptr, 2);
  load(text, "ab\\icd\\i \\q=\"#x\"link\\q");
  text.setSelection(0, 4);
  EXPECT_EQ(effectMarked(text, CharEffect::Italic), Marked::Partly);
  toggleEffect(text, CharEffect::Italic);
  EXPECT_EQ(effectMarked(text, CharEffect::Italic), Marked::Yes);
  EXPECT_TRUE(text.styleAt(0).italic);
  toggleEffect(text, CharEffect::Italic);
  EXPECT_FALSE(text.styleAt(3).italic);
  // Link text is underlined but does not count as underlined, and keeps its
  // underline when underlining is switched off.
  const int link = 6;
  text.setSelection(link, text.length());
  EXPECT_EQ(effectMarked(text, CharEffect::Underline), Marked::No);
  EXPECT_EQ(plainMarked(text), Marked::Yes);
  toggleEffect(text, CharEffect::Underline);
  toggleEffect(text, CharEffect::Underline);
  EXPECT_TRUE(text.styleAt(link + 2).underline);
}

TEST(FormattingTest, FontCommandsAndTheCaretsInsertionFormat) {
  TextDocumentModel text(nullptr, 3);
  load(text, "one \\btwo\\b");
  text.setSelection(0, 7);
  EXPECT_EQ(fontMarked(text, FontKind::Bold), Marked::Partly);
  EXPECT_EQ(fontMarked(text, FontKind::Normal), Marked::Partly);
  setFont(text, FontKind::Large);
  EXPECT_EQ(fontMarked(text, FontKind::Large), Marked::Yes);
  EXPECT_EQ(text.styleAt(5).size, 33);
  // Nothing selected: the next typed text takes the font.
  text.setCaret(text.length());
  setFont(text, FontKind::Small);
  EXPECT_EQ(fontMarked(text, FontKind::Small), Marked::Yes);
  text.insertText("x");
  EXPECT_EQ(text.styleAt(text.length() - 1).face, kFaceSmall);
}

TEST(FormattingTest, AlignmentAndIndentsReplaceEachOther) {
  TextDocumentModel text(nullptr, 2);
  load(text, "\\tblock\\t\r\n\\ccentred\r\n\\c");
  text.setCaret(1);
  EXPECT_EQ(indentMarked(text, IndentMode::Block), Marked::Yes);
  setAlignment(text, kAlignCentre);
  EXPECT_EQ(indentMarked(text, IndentMode::None), Marked::Yes);
  EXPECT_EQ(alignmentMarked(text, kAlignCentre), Marked::Yes);

  text.setCaret(9);  // in "centred"
  EXPECT_EQ(alignmentMarked(text, kAlignCentre), Marked::Yes);
  setIndentMode(text, IndentMode::Block);
  EXPECT_EQ(alignmentMarked(text, kAlignLeft), Marked::Yes);
  EXPECT_EQ(text.paragraphFormatAt(9).leftIndent, 16);

  // Both paragraphs selected: one centred, one left.
  text.setSelection(0, text.length());
  EXPECT_EQ(alignmentMarked(text, kAlignCentre), Marked::Partly);
}

TEST(FormattingTest, ZoomRelayoutScalesFontsIndentsAndObjects) {
  TextDocumentModel text(nullptr, 2);
  load(text, "\\tsome \\lbig\\l text \\Sp2\\Sp\\Q=\"a\"\\t\r\n");
  relayoutForZoom(text, 3);
  EXPECT_EQ(text.zoom(), 3);
  EXPECT_EQ(text.styleAt(0).size, 27);
  EXPECT_EQ(text.styleAt(5).size, 33);                  // large
  EXPECT_EQ(text.paragraphFormatAt(0).leftIndent, 24);  // a block indent
  const int raised = 14;                                // the "2"
  EXPECT_EQ(text.styleAt(raised).offset, 9);
  const BookObject anchor = nextBookObject(text, -1);
  ASSERT_TRUE(anchor.isPresent());
  EXPECT_EQ(anchor.data.zoom, 3);

  changeNormalFont(text, kFaceNormal12);
  EXPECT_EQ(text.styleAt(0).face, kFaceNormal12);
  EXPECT_EQ(text.styleAt(0).size, 33);
  EXPECT_EQ(text.styleAt(5).face, kFaceLarge);  // only normal text changes
}

}  // namespace
}  // namespace scrivora
