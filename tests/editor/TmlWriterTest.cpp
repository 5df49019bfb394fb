// Writing the view back as TML: tag order, alignment around line ends, links,
// red backslashes, codes, indent modes, objects and the information block.

#include <gtest/gtest.h>

#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

// Loads TML into a fresh view and writes it straight back (no information block).
std::string resave(const std::string& tml) {
  TextDocumentModel view;
  loadText(view, tml);
  return saveText(view);
}

void insertStyled(TextDocumentModel& view, const QString& text, const CharStyle& style) {
  view.applyStyleAtCaret(style);
  view.insertText(text);
}

void setFormat(TextDocumentModel& view, FourCC attribute, int position, int32_t number) {
  AttributeValue value;
  value.number = number;
  view.setAttribute(attribute, position, position, value);
}

class TmlWriterTest : public ::testing::Test {
 protected:
  TextDocumentModel view;
  LogCapture log;
};

// What the editor does not change keeps the file's own spelling, so that
// the book means the same: tags it keeps as written, the raw bytes of a
// footnote reference (no tag may stand inside one) and of a block's id, a
// bullet inside an index term, codes that would mean something else as the
// character, alignment in the middle of a line, a line end right after a
// place to break the line, an alignment closed between the two (the place
// then fits the line only while its character does); and the tags it
// shows, each in its place.
TEST_F(TmlWriterTest, FilesTheEditorWritesBackUnchanged) {
  std::string longText;
  for (int i = 0; i < 40000; ++i) longText.push_back(char('a' + i % 26));
  longText[16383] = longText[16384] = '\\';  // an escape across the first read block's end
  const std::string files[] = {
      "lens\\Fn=\"lens\"\x86\\Fn was made",
      "a \\Sd=\"caf\xE9\"sign\xE9\\Sd b",
      "\\I\\a149 bullet\\I \\I\x95 kept\\I",
      "\\C0=\"Caf\xE9\"\\BBold\\B extra\\-ordinary\\Fx",
      "no\\a045break \\a032 \\U00E9 \\a001",
      "a \\cb\\c c\r\nd",
      "\\cends in a break_\r\n\\cnext",
      "\\cends in a space \\c\r\nnext",
      "x\\v\\a233\\\\ \\v\\vy\\v",
      "Text\r\n\r\n<footnote id=\"caf\xE9\">\r\nBody\r\n</footnote>",
      "\\cA\\c\r\n\\rB\\r\r\nC",
      "\\q=\"#a\"one\\q\\q=\"#b\"two\\q",  // adjacent links stay apart
      "\\Q=\"x\"\\q=\"#a\"one\\q",         // an anchor just before a link
      "\\Z x \\\\ y",                      // a red backslash single, a black one doubled
      "\\i\\o\\u\\sx\\s\\u\\o\\i",         // tags close in mirrored order
      "\\Spa\\Sp\\Sbb\\Sb",
      "\\i\\q=\"#a\"x\\q\\i",   // the link inside the style, so that it takes the style
      "\\q=\"#a\"x\\q\\a061y",  // a link close before '=' stays a close
      "\\X3Sub\\X3\r\n",
      "\\d\\Q=\"n\"\\vnote\\v\\w=\"50%\"\\T=\"25%\"",
      longText,
  };
  for (const std::string& file : files) EXPECT_EQ(resave(file), file) << file.substr(0, 60);
}

TEST_F(TmlWriterTest, FilesTheEditorRewrites) {
  struct Case {
    const char *file, *saved;
  };
  const Case cases[] = {
      // The line ends in the alignment the book shows it in; an alignment
      // closed after the line end, as older files have it, reads the same.
      {"\\cTitle\r\n\\cBody", "\\cTitle\\c\r\nBody"},
      {"caf\\a233 \xE9\x80", "caf\\a233 \\a233\\a128"},
      // The script face replaces the font; the small font is reopened after it.
      {"\\sa\\Spb\\Spc\\s", "\\sa\\s\\Spb\\Sp\\sc\\s"},
      {"a\\lbig", "a\\lbig\\l"},
      // Link text is always underlined, so an underline around it is not kept.
      {"\\u\\q=\"#a\"x\\q\\u", "\\q=\"#a\"x\\q"},
      {"a\\xOne\\xb", "a\\p\\X0One\\X0b"},
  };
  for (const Case& c : cases) EXPECT_EQ(resave(c.file), c.saved) << c.file;
}

TEST_F(TmlWriterTest, SavingLeavesTheViewAsItIs) {
  insertStyled(view, "Title", plainStyle());
  setFormat(view, attr::alignment, 0, int32_t(kAlignCentre));
  view.setSelection(1, 3);
  EXPECT_EQ(saveText(view), "\\cTitle\\c");
  EXPECT_EQ(modelText(view), "Title");
  EXPECT_EQ(view.selectionStart(), 1);
  EXPECT_EQ(view.selectionEnd(), 3);
}

TEST_F(TmlWriterTest, TypedTextGetsItsTags) {
  CharStyle link = plainStyle(), bold = plainStyle(), heading = plainStyle();
  link.colour = kLinkColour;
  link.underline = true;
  bold.face = kFaceBold;
  heading.colour = headingColour(1);
  struct Run {
    const char* text;
    CharStyle style;
  };
  struct Case {
    std::vector<Run> runs;
    FourCC format;  // set at position 0 with the number below; 0: none
    int32_t number;
    const char* saved;
  };
  const Case cases[] = {
      {{{"Text", plainStyle()}}, 0, 0, "Text"},
      // Link-coloured text without a link gets a placeholder target.
      {{{"a", plainStyle()}, {"typed", link}, {"b", plainStyle()}}, 0, 0, "a\\q=\"#GNDN\"typed\\qb"},
      {{{"a", plainStyle()}, {"b\rc", bold}, {"d", plainStyle()}},
       attr::alignment,
       int32_t(kAlignCentre),
       "\\ca\\bb\\c\r\nc\\bd"},
      {{{"Typed", heading}}, 0, 0, "\\X1Typed\\X1"},  // the heading colour alone makes the heading
      {{{"Hello\rNext", plainStyle()}}, attr::bodyIndent, 8, "H\\tello\\t\r\nNext"},
      {{{"Hello", plainStyle()}}, attr::firstLineIndent, 8, "\\tH\\tello"},
      {{{"Last", plainStyle()}}, attr::blockIndent, 8, "\\tLast\\t"},
  };
  for (const Case& c : cases) {
    TextDocumentModel fresh;
    for (const Run& run : c.runs) insertStyled(fresh, QString::fromLatin1(run.text), run.style);
    if (c.format != 0) setFormat(fresh, c.format, 0, c.number);
    EXPECT_EQ(saveText(fresh), c.saved);
  }
  // Characters outside the code page are Unicode tags; a stray object code
  // stands for no object and would show as a control character.
  insertStyled(view, QString::fromUtf8("a\u263A\u0100b\u0001c"), plainStyle());
  EXPECT_EQ(saveText(view), "a\\U263A\\U0100bc");
}

TEST_F(TmlWriterTest, PageBreakStaysInsideTheIndentOfItsParagraph) {
  insertStyled(view, "Hello\fWorld\rNext", plainStyle());
  setFormat(view, attr::firstLineIndent, 0, 8);
  const std::string saved = saveText(view);
  EXPECT_EQ(saved, "\\tH\\tello\\pWorld\r\nNext");
  TextDocumentModel again;
  loadText(again, saved);
  EXPECT_EQ(indentModeOf(again.paragraphFormatAt(0)), IndentMode::FirstLine);
  EXPECT_EQ(indentModeOf(again.paragraphFormatAt(12)), IndentMode::None);
  EXPECT_EQ(saveText(again), saved);
}

TEST_F(TmlWriterTest, BlockIndentWrapsEveryLine) {
  insertStyled(view, "One\rTwo\r\rEnd", plainStyle());
  view.setAttribute(attr::blockIndent, 0, 8, AttributeValue{std::string(), 8, Rgb()});
  EXPECT_EQ(saveText(view), "\\tOne\\t\r\n\\tTwo\\t\r\n\r\nEnd");
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

}  // namespace
