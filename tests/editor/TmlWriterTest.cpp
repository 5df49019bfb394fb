// Writing the view back as TML: tag order, alignment around line ends, links,
// red backslashes, codes, indent modes, objects and the information block.

#include <gtest/gtest.h>

#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

class TmlWriterTest : public ::testing::Test {
 protected:
  TextDocumentModel view;
  LogCapture log;

  // Loads TML and writes it straight back (no information block).
  std::string resave(const std::string& tml) {
    loadText(view, tml);
    return saveText(view);
  }
  void insertStyled(const QString& text, const CharStyle& style) {
    view.applyStyleAtCaret(style);
    view.insertText(text);
  }
  void setAlignment(int position, FourCC alignment) {
    AttributeValue value;
    value.number = int32_t(alignment);
    view.setAttribute(attr::alignment, position, position, value);
  }
  void setIndent(FourCC mode, int position) {
    AttributeValue value;
    value.number = 8;
    view.setAttribute(mode, position, position, value);
  }
};

TEST_F(TmlWriterTest, CentredParagraphClosesBeforeItsLineEnd) {
  // The line ends in the alignment the book shows it in; an alignment closed
  // after the line end, as older files have it, reads the same.
  EXPECT_EQ(resave("\\cTitle\r\n\\cBody"), "\\cTitle\\c\r\nBody");
}

TEST_F(TmlWriterTest, SavingLeavesTheViewAsItIs) {
  insertStyled("Title", plainStyle());
  setAlignment(0, kAlignCentre);
  view.setSelection(1, 3);
  EXPECT_EQ(saveText(view), "\\cTitle\\c");
  EXPECT_EQ(modelText(view), "Title");
  EXPECT_EQ(view.selectionStart(), 1);
  EXPECT_EQ(view.selectionEnd(), 3);
}

// What the editor does not change keeps the file's own spelling, so that
// the book means the same: tags it keeps as written, the raw bytes of a
// footnote reference (no tag may stand inside one) and of a block's id, a
// bullet inside an index term, codes that would mean something else as the
// character, alignment in the middle of a line, a line end right after a
// place to break the line.
TEST_F(TmlWriterTest, FilesTheEditorWritesBackUnchanged) {
  const char* const files[] = {
      "lens\\Fn=\"lens\"\x86\\Fn was made",
      "a \\Sd=\"caf\xE9\"sign\xE9\\Sd b",
      "\\I\\a149 bullet\\I \\I\x95 kept\\I",
      "\\C0=\"Caf\xE9\"\\BBold\\B extra\\-ordinary\\Fx",
      "no\\a045break \\a032 \\U00E9 \\a001",
      "a \\cb\\c c\r\nd",
      "\\cends in a break_\r\n\\cnext",
      "x\\v\\a233\\\\ \\v\\vy\\v",
      "Text\r\n\r\n<footnote id=\"caf\xE9\">\r\nBody\r\n</footnote>",
  };
  for (const char* file : files) {
    view.removeText(0, view.length());
    EXPECT_EQ(resave(file), file);
  }
}

TEST_F(TmlWriterTest, LeftAlignedLastParagraphIsLeftAsItIs) {
  insertStyled("Text", plainStyle());
  EXPECT_EQ(saveText(view), "Text");
  EXPECT_EQ(modelText(view), "Text");
}

TEST_F(TmlWriterTest, AlignmentChangeBetweenParagraphs) {
  EXPECT_EQ(resave("\\cA\\c\r\n\\rB\\r\r\nC"), "\\cA\\c\r\n\\rB\\r\r\nC");
}

TEST_F(TmlWriterTest, LinkColouredTextWithoutLinkGetsAPlaceholderTarget) {
  CharStyle link = plainStyle();
  link.colour = kLinkColour;
  link.underline = true;
  insertStyled("a", plainStyle());
  insertStyled("typed", link);
  insertStyled("b", plainStyle());
  EXPECT_EQ(saveText(view), "a\\q=\"#GNDN\"typed\\qb");
}

TEST_F(TmlWriterTest, AdjacentLinksAreWrittenSeparately) {
  EXPECT_EQ(resave("\\q=\"#a\"one\\q\\q=\"#b\"two\\q"), "\\q=\"#a\"one\\q\\q=\"#b\"two\\q");
}

TEST_F(TmlWriterTest, AnchorJustBeforeALinkKeepsTheLinkTarget) {
  EXPECT_EQ(resave("\\Q=\"x\"\\q=\"#a\"one\\q"), "\\Q=\"x\"\\q=\"#a\"one\\q");
}

TEST_F(TmlWriterTest, RedBackslashStaysSingleAndBlackOneIsDoubled) {
  EXPECT_EQ(resave("\\Z x \\\\ y"), "\\Z x \\\\ y");
}

TEST_F(TmlWriterTest, HighBytesAreCharacterCodes) { EXPECT_EQ(resave("caf\\a233 \xE9\x80"), "caf\\a233 \\a233\\a128"); }

TEST_F(TmlWriterTest, CharactersOutsideTheCodePageAreUnicodeTags) {
  insertStyled(QString::fromUtf8("a\u263A\u0100b"), plainStyle());
  EXPECT_EQ(saveText(view), "a\\U263A\\U0100b");
}

TEST_F(TmlWriterTest, BoldRunCrossingACentredParagraphEnd) {
  CharStyle bold = plainStyle();
  bold.face = kFaceBold;
  insertStyled("a", plainStyle());
  insertStyled("b\rc", bold);
  insertStyled("d", plainStyle());
  setAlignment(0, kAlignCentre);
  EXPECT_EQ(saveText(view), "\\ca\\bb\\c\r\nc\\bd");
}

TEST_F(TmlWriterTest, TagsOpenAndCloseInMirroredOrder) {
  EXPECT_EQ(resave("\\i\\o\\u\\sx\\s\\u\\o\\i"), "\\i\\o\\u\\sx\\s\\u\\o\\i");
  view.removeText(0, view.length());
  EXPECT_EQ(resave("\\Spa\\Sp\\Sbb\\Sb"), "\\Spa\\Sp\\Sbb\\Sb");
}

TEST_F(TmlWriterTest, LinkTagsNestInsideTheStyleTags) {
  // The style comes first so that the link object takes it.
  EXPECT_EQ(resave("\\i\\q=\"#a\"x\\q\\i"), "\\i\\q=\"#a\"x\\q\\i");
  EXPECT_TRUE(view.styleAt(0).italic);
}

TEST_F(TmlWriterTest, LinkCloseBeforeAnEqualsSignStaysAClose) {
  EXPECT_EQ(resave("\\q=\"#a\"x\\q\\a061y"), "\\q=\"#a\"x\\q\\a061y");
  EXPECT_EQ(modelText(view), "\1x=y");
}

TEST_F(TmlWriterTest, ScriptInsideSmallTextClosesTheSmallFont) {
  // The script face replaces the font; the small font is reopened after it.
  EXPECT_EQ(resave("\\sa\\Spb\\Spc\\s"), "\\sa\\s\\Spb\\Sp\\sc\\s");
}

TEST_F(TmlWriterTest, FontOpenAtTheEndIsClosed) { EXPECT_EQ(resave("a\\lbig"), "a\\lbig\\l"); }

TEST_F(TmlWriterTest, UnderlineOfLinkTextIsNotWritten) {
  // Link text is always underlined, so an underline around it is not kept.
  EXPECT_EQ(resave("\\u\\q=\"#a\"x\\q\\u"), "\\q=\"#a\"x\\q");
}

TEST_F(TmlWriterTest, ChapterIsWrittenAsPageBreakAndLevelZeroHeading) {
  EXPECT_EQ(resave("a\\xOne\\xb"), "a\\p\\X0One\\X0b");
  view.removeText(0, view.length());
  EXPECT_EQ(resave("\\X3Sub\\X3\r\n"), "\\X3Sub\\X3\r\n");
}

TEST_F(TmlWriterTest, BodyIndentComesAfterTheFirstCharacter) {
  insertStyled("Hello\rNext", plainStyle());
  setIndent(attr::bodyIndent, 0);
  EXPECT_EQ(saveText(view), "H\\tello\\t\r\nNext");
}

TEST_F(TmlWriterTest, FirstLineIndentWrapsTheFirstCharacter) {
  insertStyled("Hello", plainStyle());
  setIndent(attr::firstLineIndent, 0);
  EXPECT_EQ(saveText(view), "\\tH\\tello");
}

TEST_F(TmlWriterTest, PageBreakStaysInsideTheIndentOfItsParagraph) {
  insertStyled("Hello\fWorld\rNext", plainStyle());
  setIndent(attr::firstLineIndent, 0);
  EXPECT_EQ(saveText(view), "\\tH\\tello\\pWorld\r\nNext");
  const std::string saved = saveText(view);
  TextDocumentModel again;
  loadText(again, saved);
  EXPECT_EQ(indentModeOf(again.paragraphFormatAt(0)), IndentMode::FirstLine);
  EXPECT_EQ(indentModeOf(again.paragraphFormatAt(12)), IndentMode::None);
  EXPECT_EQ(saveText(again), saved);
}

TEST_F(TmlWriterTest, BlockIndentWrapsEveryLine) {
  insertStyled("One\rTwo\r\rEnd", plainStyle());
  view.setAttribute(attr::blockIndent, 0, 8, AttributeValue{std::string(), 8, Rgb()});
  EXPECT_EQ(saveText(view), "\\tOne\\t\r\n\\tTwo\\t\r\n\r\nEnd");
}

TEST_F(TmlWriterTest, IndentOpenAtTheEndOfTheTextIsClosed) {
  insertStyled("Last", plainStyle());
  setIndent(attr::blockIndent, 0);
  EXPECT_EQ(saveText(view), "\\tLast\\t");
}

TEST_F(TmlWriterTest, EmptyBookInfoStillWritesTheWholeBlock) {
  BookInfo info;
  EXPECT_EQ(saveText(view, &info),
            "\\v\r\nTITLE=\"\"\r\nAUTHOR=\"\"\r\nPUBLISHER=\"\"\r\nEISBN=\"\"\r\nCOPYRIGHT=\"\"\r\n\\v");
}

TEST_F(TmlWriterTest, BookInfoValuesAreWrittenAndReadBack) {
  BookInfo info;
  info.title = "The Title";
  info.copyright = "(c) 2026";
  insertStyled("Body", plainStyle());
  const std::string saved = saveText(view, &info);
  EXPECT_EQ(saved,
            "\\v\r\nTITLE=\"The Title\"\r\nAUTHOR=\"\"\r\nPUBLISHER=\"\"\r\nEISBN=\"\"\r\n"
            "COPYRIGHT=\"(c) 2026\"\r\n\\vBody");
  TextDocumentModel again;
  BookInfo read;
  loadText(again, saved, &read);
  EXPECT_EQ(read, info);
  EXPECT_EQ(modelText(again), "Body");
}

TEST_F(TmlWriterTest, ObjectsBecomeTheirTags) {
  EXPECT_EQ(resave("\\d\\Q=\"n\"\\vnote\\v\\w=\"50%\"\\T=\"25%\""), "\\d\\Q=\"n\"\\vnote\\v\\w=\"50%\"\\T=\"25%\"");
}

TEST_F(TmlWriterTest, StrayObjectCodeWritesNothing) {
  // It stands for no object, and the book would show a control character.
  insertStyled(QStringLiteral("a\u0001b"), plainStyle());
  EXPECT_EQ(saveText(view), "ab");
}

TEST_F(TmlWriterTest, InformationBlockKeepsItsSpellingUntilChanged) {
  const std::string block = "\\v\r\nAUTHOR=\"B\"\r\nSUBTITLE=\"S\"\r\nTITLE=\"Caf\\a233\"\r\n\\vBody";
  BookInfo info;
  loadText(view, block, &info);
  EXPECT_EQ(saveText(view, &info), block);
  info.author = "C";
  EXPECT_EQ(saveText(view, &info),
            "\\v\r\nTITLE=\"Caf\\a233\"\r\nAUTHOR=\"C\"\r\nPUBLISHER=\"\"\r\nEISBN=\"\"\r\nCOPYRIGHT=\"\"\r\n"
            "SUBTITLE=\"S\"\r\n\\vBody");
}

TEST_F(TmlWriterTest, HeadingColourAloneMakesTheHeading) {
  CharStyle heading = plainStyle();
  heading.colour = headingColour(1);
  insertStyled("Typed", heading);
  EXPECT_EQ(saveText(view), "\\X1Typed\\X1");
}

TEST_F(TmlWriterTest, LongTextCrossesTheReadBlocksIntact) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text.push_back(char('a' + i % 26));
  text[16383] = '\\';  // a backslash right at the end of the first block
  text[16384] = '\\';
  EXPECT_EQ(resave(text), text);
}

}  // namespace
