// The view presents the 8-bit editor text model over QTextDocument: codes,
// runs that follow styles rather than Qt's fragments, attributes by code.

#include <gtest/gtest.h>

#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

class TextDocumentModelTest : public ::testing::Test {
 protected:
  TextDocumentModel view;
  void insertStyled(const QString& text, const CharStyle& style) {
    view.applyStyleAtCaret(style);
    view.insertText(text);
  }
};

TEST_F(TextDocumentModelTest, CharactersReadAsTheirModelCodes) {
  insertStyled(QString::fromUtf8("a\u20AC\u00E9\r\f\u263A\uFFFC"), plainStyle());
  insertAnchor(view, "x");
  EXPECT_EQ(view.length(), 8);
  EXPECT_EQ(view.characterAt(0), EditorChar('a'));
  EXPECT_EQ(view.characterAt(1), 128u);
  EXPECT_EQ(view.characterAt(2), 233u);
  EXPECT_EQ(view.characterAt(3), kParagraphEndChar);
  EXPECT_EQ(view.characterAt(4), kPageBreakChar);
  EXPECT_EQ(view.characterAt(5), kOutsideCodePage + 0x263A);
  // A typed object replacement character is not an object.
  EXPECT_EQ(view.characterAt(6), kOutsideCodePage + 0xFFFC);
  EXPECT_EQ(view.characterAt(7), kObjectChar);
  EXPECT_EQ(view.textOf(5, 8), (std::u32string{kOutsideCodePage + 0x263A, kOutsideCodePage + 0xFFFC, kObjectChar}));
}

// Runs follow the styles, not Qt's fragments: an object takes the style
// around it, a link object starts a run, a paragraph end keeps the style it
// was typed in.
TEST_F(TextDocumentModelTest, StyleRunsFollowStylesAndLinks) {
  CharStyle italic = plainStyle(), link = plainStyle(), bold = plainStyle();
  italic.italic = true;
  link.colour = kLinkColour;
  link.underline = true;
  bold.face = kFaceBold;
  insertStyled("ab", italic);
  insertAnchor(view, "n");
  view.insertText("cd");
  view.applyStyleAtCaret(link);
  insertLink(view, "#a");
  view.insertText("one");
  insertLink(view, "#b");
  view.insertText("two");
  insertStyled("b\rc", bold);
  std::vector<std::pair<int, int>> bounds;
  for (const StyleRun& run : view.styleRuns()) bounds.emplace_back(run.start, run.end);
  EXPECT_EQ(bounds, (std::vector<std::pair<int, int>>{{0, 5}, {5, 9}, {9, 13}, {13, 16}}));
  EXPECT_TRUE(view.styleAt(4).italic);
  EXPECT_EQ(view.styleAt(14).face, kFaceBold);
}

TEST_F(TextDocumentModelTest, ParagraphRunsJoinEqualParagraphs) {
  insertStyled("one\rtwo\rthree", plainStyle());
  AttributeValue centre;
  centre.number = int32_t(kAlignCentre);
  view.setAttribute(attr::alignment, 4, 5, centre);
  const std::vector<ParagraphRun> runs = view.paragraphRuns();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].end, 4);
  EXPECT_EQ(runs[1].start, 4);
  EXPECT_EQ(runs[1].end, 8);
  EXPECT_EQ(runs[1].format.alignment, kAlignCentre);
  EXPECT_EQ(runs[2].end, 13);
  view.setAttribute(attr::alignment, 0, 13, centre);
  EXPECT_EQ(view.paragraphRuns().size(), 1u);
}

TEST_F(TextDocumentModelTest, IndentAttributesSetAndIdentifyTheModes) {
  insertStyled("p", plainStyle());
  AttributeValue v;
  v.number = 16;
  const std::pair<FourCC, IndentMode> cases[] = {{attr::blockIndent, IndentMode::Block},
                                                 {attr::bodyIndent, IndentMode::Body},
                                                 {attr::firstLineIndent, IndentMode::FirstLine},
                                                 {attr::noIndent, IndentMode::None}};
  for (const auto& c : cases) {
    view.setAttribute(c.first, 0, 1, v);
    EXPECT_EQ(indentModeOf(view.paragraphFormatAt(0)), c.second);
  }
  view.setAttribute(attr::bodyIndent, 0, 1, v);
  EXPECT_EQ(view.attributeAt(attr::leftIndent, 0).number, 16);
  EXPECT_EQ(view.attributeAt(attr::firstIndent, 0).number, -16);
}

TEST_F(TextDocumentModelTest, CharacterAttributesChangeOnlyTheirPart) {
  insertStyled("abc", plainStyle());
  insertAnchor(view, "kept");
  AttributeValue on;
  on.number = 1;
  view.setAttribute(attr::italic, 1, 4, on);
  view.setAttribute(attr::bold, 0, 4, on);
  AttributeValue red;
  red.colour = Rgb{200, 10, 20};
  view.setAttribute(attr::colour, 0, 1, red);
  EXPECT_FALSE(view.styleAt(0).italic);
  EXPECT_TRUE(view.styleAt(1).italic);
  EXPECT_EQ(view.styleAt(0).colour, (Rgb{200, 10, 20}));
  EXPECT_EQ(view.styleAt(1).colour, kPlainColour);
  EXPECT_EQ(view.attributeAt(attr::bold, 2).number, 1);
  EXPECT_EQ(bookObjectAt(view, 3).text(), "kept");  // the object survived
  EXPECT_TRUE(view.styleAt(3).italic);
  view.setAttribute(attr::plain, 0, 4, AttributeValue());
  EXPECT_FALSE(view.styleAt(1).italic);
  EXPECT_EQ(view.attributeAt(attr::bold, 2).number, 0);
  EXPECT_EQ(view.styleAt(0).colour, (Rgb{200, 10, 20}));  // plain keeps the colour
  EXPECT_EQ(bookObjectAt(view, 3).kind(), kind::anchor);
}

TEST_F(TextDocumentModelTest, FaceAttributeKeepsTheBoldStyle) {
  insertStyled("abc", plainStyle());
  AttributeValue on;
  on.number = 1;
  view.setAttribute(attr::bold, 0, 3, on);
  AttributeValue face;
  face.text = kFaceLarge;
  view.setAttribute(attr::face, 1, 2, face);
  EXPECT_EQ(view.styleAt(1).face, kFaceLarge);
  EXPECT_EQ(view.attributeAt(attr::bold, 1).number, 1);
  EXPECT_EQ(view.attributeAt(attr::bold, 0).number, 1);
  EXPECT_EQ(view.attributeAt(attr::bold, 2).number, 1);
}

TEST_F(TextDocumentModelTest, WholeStyleOverARangeKeepsObjects) {
  insertStyled("ab", plainStyle());
  insertRule(view, 40);
  CharStyle large = plainStyle();
  large.face = kFaceLarge;
  large.size = 11;
  view.applyStyle(0, 3, large);
  EXPECT_EQ(view.styleAt(0).face, kFaceLarge);
  EXPECT_EQ(view.styleAt(2).face, kFaceLarge);
  EXPECT_EQ(bookObjectAt(view, 2).percent(), 40);
}

TEST_F(TextDocumentModelTest, ReaderFacesAreKeptAndDrawnThroughSubstitutes) {
  CharStyle bold = plainStyle();
  bold.face = kFaceBold;
  insertStyled("b", bold);
  EXPECT_EQ(view.styleAt(0).face, "TolmText9B");
  EXPECT_TRUE(QFont::substitutes("TolmText9B").contains("DejaVu Sans", Qt::CaseInsensitive));
  EXPECT_TRUE(QFont::substitutes("subscriptFont").contains("DejaVu Sans", Qt::CaseInsensitive));
}

TEST(GivenDocumentTest, ViewWorksOnADocumentItIsGivenAndMayOutliveIt) {
  auto document = std::make_unique<QTextDocument>();
  auto view = std::make_unique<TextDocumentModel>(document.get());
  loadText(*view, "\\iText\\i\\Q=\"a\"");
  EXPECT_EQ(document->toPlainText(), QString("Text") + QChar(0xFFFC));
  document.reset();
  view.reset();  // must not touch the document that is gone
}

TEST_F(TextDocumentModelTest, ColoursCompareOnTheirLowBytes) {
  EXPECT_EQ((Rgb{0x101, 1, 253}), kLinkColour);
  EXPECT_NE((Rgb{1, 1, 252}), kLinkColour);
  EXPECT_EQ(headingLevelOfColour(Rgb{1, 97, 2}), 3);
  EXPECT_EQ(headingLevelOfColour(Rgb{1, 99, 2}), -1);
}

TEST_F(TextDocumentModelTest, EditGroupUndoesAsOneStep) {
  insertStyled("base", plainStyle());
  view.document()->clearUndoRedoStacks();
  view.beginEditGroup();
  view.insertText(" one");
  insertAnchor(view, "a");
  view.insertText(" two");
  view.endEditGroup();
  view.document()->undo();
  EXPECT_EQ(modelText(view), "base");
}

}  // namespace
