// Loading TML into the view: the tag table, quoted values, unknown tags,
// headings, links, comments with the book's information, and indent regions.

#include <gtest/gtest.h>

#include <fstream>

#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

class TmlLoaderTest : public ::testing::Test {
 protected:
  TextDocumentModel view;
  LogCapture log;

  std::string load(const std::string& tml, BookInfo* info = nullptr) {
    loadText(view, tml, info);
    return modelText(view);
  }
  Rgb colourAt(int position) const { return view.styleAt(position).colour; }
};

TEST_F(TmlLoaderTest, LineEndsOfEveryKindBecomeParagraphEnds) { EXPECT_EQ(load("ab\r\ncd\nef\rg"), "ab\rcd\ref\rg"); }

TEST_F(TmlLoaderTest, CharacterCodeGivesItsByte) {
  EXPECT_EQ(load("x\\a233y"), "x\xE9y");
  EXPECT_EQ(view.characterAt(1), 233u);
}

TEST_F(TmlLoaderTest, CharacterCodesThatWouldChangeMeaningAreKeptAsWritten) {
  // \a092 is a backslash character, not the start of a tag.
  EXPECT_EQ(load("x\\a092Byz"), "x\\Byz");
  EXPECT_EQ(colourAt(1), kPlainColour);
  EXPECT_EQ(colourAt(2), kPlainColour);
  // A code whose character would be a line end, a place to break the line
  // or a Windows-1252 letter measured otherwise stays as the file spells it.
  for (const char* kept : {"\\a045", "\\a032", "\\a013", "\\a001", "\\U00E9"}) {
    view.removeText(0, view.length());
    EXPECT_EQ(load(std::string("a") + kept + "b"), std::string("a") + kept + "b") << kept;
    EXPECT_EQ(colourAt(1), kUnknownTagColour) << kept;
    EXPECT_EQ(colourAt(view.length() - 1), kPlainColour) << kept;
  }
  EXPECT_TRUE(LogCapture::warnings().empty());
}

TEST_F(TmlLoaderTest, UnknownTagStaysVisibleInRedWithOneWarning) {
  EXPECT_EQ(load("a\\Zbold\\Z"), "a\\Zbold\\Z");
  EXPECT_EQ(colourAt(1), kUnknownTagColour);
  EXPECT_EQ(colourAt(2), kUnknownTagColour);
  EXPECT_EQ(colourAt(3), kPlainColour);
  EXPECT_FALSE(view.styleAt(3).italic);
  EXPECT_EQ(LogCapture::warnings().size(), 2u);
}

TEST_F(TmlLoaderTest, RuleValueAboveHundredIsClamped) {
  EXPECT_EQ(load("\\w=\"150%\""), "\1");
  const BookObject rule = bookObjectAt(view, 0);
  EXPECT_EQ(rule.kind(), kind::rule);
  EXPECT_EQ(rule.percent(), 100);
}

TEST_F(TmlLoaderTest, MalformedValueKeepsItsTagAsWritten) {
  // Dropped, the tag would leave a book that compiles where it did not.
  EXPECT_EQ(load("\\w=\"\""), "\\w=\"\"");
  EXPECT_EQ(load("\\Q=name"), "\\w=\"\"\\Q=name");
  EXPECT_FALSE(bookObjectAt(view, 0).isPresent());
  EXPECT_EQ(colourAt(6), kUnknownTagColour);
  EXPECT_EQ(colourAt(7), kPlainColour);
  EXPECT_EQ(LogCapture::warnings().size(), 2u);
}

TEST_F(TmlLoaderTest, AnchorTakesItsName) {
  EXPECT_EQ(load("a\\Q=\"Target One\"b"), "a\1b");
  const BookObject anchor = bookObjectAt(view, 1);
  EXPECT_EQ(anchor.kind(), kind::anchor);
  EXPECT_EQ(anchor.text(), "Target One");
}

TEST_F(TmlLoaderTest, MismatchedHeadingCloseIsIgnored) {
  EXPECT_EQ(load("\\X2Title\\X1 more"), "\1Title more");
  const BookObject marker = bookObjectAt(view, 0);
  EXPECT_EQ(marker.kind(), kind::chapter);
  EXPECT_EQ(marker.level(), 2);
  EXPECT_EQ(colourAt(1), headingColour(2));
  EXPECT_EQ(colourAt(7), headingColour(2));  // still open after the ignored \X1
}

TEST_F(TmlLoaderTest, ChapterHeadingStartsWithAPageBreak) {
  EXPECT_EQ(load("a\\xOne\\xb"), "a\f\1Oneb");
  EXPECT_EQ(colourAt(1), kPlainColour);
  EXPECT_EQ(colourAt(2), headingColour(0));
  EXPECT_EQ(colourAt(5), headingColour(0));
  EXPECT_EQ(colourAt(6), kPlainColour);
  EXPECT_EQ(bookObjectAt(view, 2).level(), 0);
}

TEST_F(TmlLoaderTest, HeadingWithoutDigitIsLevelZeroAndKeepsTheNextCharacter) {
  EXPECT_EQ(load("\\XaB\\X"), "\1aB");
  EXPECT_EQ(colourAt(1), headingColour(0));
}

TEST_F(TmlLoaderTest, ChapterAndHeadingTagsDoNotCloseEachOther) {
  // \X0 does not close a heading opened by \x.
  EXPECT_EQ(load("\\xA\\X0B\\xC"), "\f\1ABC");
  EXPECT_EQ(colourAt(3), headingColour(0));
  EXPECT_EQ(colourAt(4), kPlainColour);
}

TEST_F(TmlLoaderTest, MetadataOnlyCommentSetsTheTitleAndLeavesNoObject) {
  BookInfo info;
  EXPECT_EQ(load("\\v\r\nTITLE=\"A\"\r\n\\v", &info), "");
  EXPECT_EQ(info.title, "A");
  EXPECT_EQ(view.nextObject(-1), -1);
}

TEST_F(TmlLoaderTest, EveryMetadataKeyIsRead) {
  BookInfo info;
  load(
      "\\v\r\nTITLE=\"T\"\r\nAUTHOR=\"Au\"\r\nPUBLISHER=\"P\"\r\nEISBN=\"978\"\r\n"
      "COPYRIGHT=\"(c)\"\r\nOUT=\"x.tdb\"\r\n\\vBody",
      &info);
  EXPECT_EQ(info.title, "T");
  EXPECT_EQ(info.author, "Au");
  EXPECT_EQ(info.publisher, "P");
  EXPECT_EQ(info.eisbn, "978");
  EXPECT_EQ(info.copyright, "(c)");
  EXPECT_EQ(modelText(view), "Body");
}

TEST_F(TmlLoaderTest, InformationBlockIsReadLineByLine) {
  // Keys in any order, a line the editor does not know, a value with quotes
  // and another key's name in it, a code, and no closing tag: the block then
  // runs to the end, as the compiler reads it.
  BookInfo info;
  EXPECT_EQ(load("\\v\r\nAUTHOR=\"The TITLE=\"\r\nSUBTITLE=\"S\"\r\nTITLE=\"Caf\\a233 \"Noir\"\"\r\nText", &info), "");
  EXPECT_EQ(info.title, "Caf\xE9 \"Noir\"");
  EXPECT_EQ(info.author, "The TITLE=");
  EXPECT_EQ(info.sourceBlock, "\\v\r\nAUTHOR=\"The TITLE=\"\r\nSUBTITLE=\"S\"\r\nTITLE=\"Caf\\a233 \"Noir\"\"\r\nText");
}

TEST_F(TmlLoaderTest, OnlyTheBlockThatOpensTheFileIsTheInformation) {
  BookInfo info;
  EXPECT_EQ(load("\r\n\\v\r\nTITLE=\"A\"\r\n\\vText\\vTITLE=\"B\"\\v", &info), "\r\1Text\1");
  EXPECT_EQ(info.title, "");
  EXPECT_EQ(bookObjectAt(view, 1).text(), "\rTITLE=\"A\"\r");
  EXPECT_EQ(bookObjectAt(view, 6).text(), "TITLE=\"B\"");
}

TEST_F(TmlLoaderTest, WithoutBookInfoTheKeysStayInTheComment) {
  EXPECT_EQ(load("\\vTITLE=\"T\"\\v"), "\1");
  const BookObject comment = bookObjectAt(view, 0);
  EXPECT_EQ(comment.kind(), kind::comment);
  EXPECT_EQ(comment.text(), "TITLE=\"T\"");
}

TEST_F(TmlLoaderTest, CommentKeepsItsEscapesAsWritten) {
  // The book measures escapes even in hidden text; a comment left open at
  // the end stays a comment.
  EXPECT_EQ(load("a\\vnote \\\\ \\a233 \\B more"), "a\1");
  EXPECT_EQ(bookObjectAt(view, 1).text(), "note \\\\ \\a233 \\B more");
  EXPECT_EQ(saveText(view), "a\\vnote \\\\ \\a233 \\B more\\v");
}

TEST_F(TmlLoaderTest, HeadingDigitAboveFourStaysText) {
  EXPECT_EQ(load("\\X5T\\X"),
            "\1"
            "5T");
  EXPECT_EQ(bookObjectAt(view, 0).level(), 0);
  EXPECT_EQ(colourAt(1), headingColour(0));
}

TEST_F(TmlLoaderTest, TrailingLoneBackslashIsDropped) {
  EXPECT_EQ(load("abc\\"), "abc");
  EXPECT_TRUE(LogCapture::warnings().empty());
}

TEST_F(TmlLoaderTest, TagsTheEditorDoesNotShowAreKeptWholeWithTheirArguments) {
  EXPECT_EQ(load("a\\Sxb\\Sd=\"n\"c\\Fn=\"f\"d"), "a\\Sxb\\Sd=\"n\"c\\Fn=\"f\"d");
  for (int p : {1, 3, 5, 11, 13, 19}) EXPECT_EQ(colourAt(p), kUnknownTagColour) << p;
  for (int p : {4, 12, 20}) EXPECT_EQ(colourAt(p), kPlainColour) << p;
  ASSERT_EQ(LogCapture::warnings().size(), 3u);
  EXPECT_EQ(LogCapture::warnings()[1], "Unrecognized tag: \\S");
}

TEST_F(TmlLoaderTest, ScriptStylesUseTheScriptFaceAndOffsets) {
  view.setZoom(2);
  EXPECT_EQ(load("\\Sp2\\Sp\\Sbx\\Sby"), "2xy");
  const CharStyle sup = view.styleAt(0), sub = view.styleAt(1), plain = view.styleAt(2);
  EXPECT_EQ(sup.face, "subscriptFont");
  EXPECT_EQ(sup.size, 0);
  EXPECT_EQ(sup.offset, 6);
  EXPECT_EQ(sub.offset, -2);
  EXPECT_EQ(plain.face, "NTolmText9");
  EXPECT_EQ(plain.size, 18);
  EXPECT_EQ(plain.offset, 0);
}

TEST_F(TmlLoaderTest, FontTagsToggleAgainstNormal) {
  EXPECT_EQ(load("a\\sb\\bc\\bd\\le\\lf\\sg\\n"), "abcdefg");
  EXPECT_EQ(view.styleAt(0).face, "NTolmText9");
  EXPECT_EQ(view.styleAt(1).face, "TolmText9");
  EXPECT_EQ(view.styleAt(2).face, "TolmText9B");
  EXPECT_EQ(view.styleAt(3).face, "NTolmText9");  // \b again: back to Normal
  EXPECT_EQ(view.styleAt(4).face, "TolmText12");
  EXPECT_EQ(view.styleAt(4).size, 11);
  EXPECT_EQ(view.styleAt(5).face, "NTolmText9");
  EXPECT_EQ(view.styleAt(6).face, "TolmText9");
}

TEST_F(TmlLoaderTest, LargeNormalFontHasItsOwnSize) {
  view.setNormalFace("NTolmText12");
  load("a");
  EXPECT_EQ(view.styleAt(0).face, "NTolmText12");
  EXPECT_EQ(view.styleAt(0).size, 11);
}

TEST_F(TmlLoaderTest, EffectsToggle) {
  EXPECT_EQ(load("\\ia\\ub\\oc\\i\\u\\od"), "abcd");
  EXPECT_TRUE(view.styleAt(0).italic);
  EXPECT_FALSE(view.styleAt(0).underline);
  EXPECT_TRUE(view.styleAt(1).underline);
  EXPECT_TRUE(view.styleAt(2).overstrike);
  const CharStyle last = view.styleAt(3);
  EXPECT_FALSE(last.italic || last.underline || last.overstrike);
}

TEST_F(TmlLoaderTest, CentredParagraphNeedsItsClosingTagAfterTheLineEnd) {
  load("\\cTitle\r\n\\cNext");
  EXPECT_EQ(view.paragraphFormatAt(0).alignment, kAlignCentre);
  EXPECT_EQ(view.paragraphFormatAt(6).alignment, kAlignLeft);
}

TEST_F(TmlLoaderTest, OneLineAlignmentHoldsItsParagraph) {
  load("\\cTitle\\c\r\nNext\r\n\\rEnd\\r");
  EXPECT_EQ(view.paragraphFormatAt(0).alignment, kAlignCentre);
  EXPECT_EQ(view.paragraphFormatAt(6).alignment, kAlignLeft);
  EXPECT_EQ(view.paragraphFormatAt(11).alignment, kAlignRight);
}

TEST_F(TmlLoaderTest, AlignmentInTheMiddleOfALineIsKeptAsWritten) {
  EXPECT_EQ(load("a \\cb\\c c\r\nd"), "a \\cb\\c c\rd");
  EXPECT_EQ(view.paragraphFormatAt(0).alignment, kAlignLeft);
  EXPECT_EQ(colourAt(2), kUnknownTagColour);
  EXPECT_EQ(colourAt(5), kUnknownTagColour);
  EXPECT_TRUE(LogCapture::warnings().empty());
}

TEST_F(TmlLoaderTest, RightAlignmentReplacesCentre) {
  load("\\cA\r\n\\rB\r\n\\r");
  EXPECT_EQ(view.paragraphFormatAt(0).alignment, kAlignCentre);
  EXPECT_EQ(view.paragraphFormatAt(2).alignment, kAlignRight);
  EXPECT_EQ(view.paragraphFormatAt(4).alignment, kAlignLeft);
}

TEST_F(TmlLoaderTest, LinkMarksItsTextAndCarriesTheTarget) {
  EXPECT_EQ(load("a\\q=\"#There\"go\\qb"), "a\1gob");
  const BookObject link = bookObjectAt(view, 1);
  EXPECT_EQ(link.kind(), kind::link);
  EXPECT_EQ(link.text(), "#There");
  for (int p = 1; p <= 3; ++p) {
    EXPECT_EQ(colourAt(p), kLinkColour) << p;
    EXPECT_TRUE(view.styleAt(p).underline) << p;
  }
  EXPECT_EQ(colourAt(4), kPlainColour);
  EXPECT_FALSE(view.styleAt(4).underline);
}

TEST_F(TmlLoaderTest, MalformedLinksShowTheirCharactersInRed) {
  EXPECT_EQ(load("\\q=x"), "\\q=x");
  EXPECT_EQ(colourAt(2), kUnknownTagColour);
  EXPECT_EQ(colourAt(3), kPlainColour);
  view.removeText(0, view.length());
  EXPECT_EQ(load("\\q=\"\"y"), "\\q=\"\"y");
  EXPECT_EQ(colourAt(4), kUnknownTagColour);
  EXPECT_EQ(colourAt(5), kPlainColour);
  view.removeText(0, view.length());
  EXPECT_EQ(load("\\q=\"abc"), "\\q=\"abc");
  EXPECT_EQ(colourAt(3), kUnknownTagColour);
  EXPECT_EQ(colourAt(4), kPlainColour);
  EXPECT_EQ(view.nextObject(-1), -1);
}

TEST_F(TmlLoaderTest, LinkInsideALinkAndCloseWithoutLinkAreUnknown) {
  EXPECT_EQ(load("\\q"), "\\q");
  EXPECT_EQ(colourAt(0), kUnknownTagColour);
  view.removeText(0, view.length());
  EXPECT_EQ(load("\\q=\"#a\"x\\q=\"#b\"y\\q"), "\1x\\q=\"#b\"y");
  EXPECT_EQ(colourAt(2), kUnknownTagColour);
  EXPECT_EQ(colourAt(4), kUnknownTagColour);  // the `=` stays with the tag
  EXPECT_EQ(colourAt(5), kLinkColour);        // the rest is link text
  // The lone \q and the nested \q= give one warning each, naming the two
  // characters of the tag.
  ASSERT_EQ(LogCapture::warnings().size(), 2u);
  EXPECT_EQ(LogCapture::warnings()[0], "Unrecognized tag: \\q");
  EXPECT_EQ(LogCapture::warnings()[1], "Unrecognized tag: \\q");
}

TEST_F(TmlLoaderTest, UnicodeTagOutsideTheCodePageIsThatCharacter) {
  EXPECT_EQ(load("\\U263A"), "?");
  EXPECT_EQ(view.characterAt(0), kOutsideCodePage + 0x263A);
  EXPECT_TRUE(LogCapture::warnings().empty());
}

TEST_F(TmlLoaderTest, EscapeWithWrongDigitsIsKeptWhole) {
  // Nothing may come between its letter and its digits on saving.
  EXPECT_EQ(load("\\U00e9x\\a1b2"), "\\U00e9x\\a1b2");
  EXPECT_EQ(colourAt(5), kUnknownTagColour);
  EXPECT_EQ(colourAt(6), kPlainColour);
  EXPECT_EQ(colourAt(11), kUnknownTagColour);
  EXPECT_EQ(LogCapture::warnings().size(), 2u);
}

TEST_F(TmlLoaderTest, SimpleObjectsAndBreaks) {
  EXPECT_EQ(load("a\\db\\pc\\\\d"), "a\1b\fc\\d");
  EXPECT_EQ(bookObjectAt(view, 1).kind(), kind::bookPlate);
  EXPECT_EQ(colourAt(5), kPlainColour);
}

TEST_F(TmlLoaderTest, TabTakesItsPercent) {
  load("\\T=\"50%\"");
  const BookObject tab = bookObjectAt(view, 0);
  EXPECT_EQ(tab.kind(), kind::tab);
  EXPECT_EQ(tab.percent(), 50);
  EXPECT_EQ(tab.data.tabTarget, 79);
}

TEST_F(TmlLoaderTest, TabsAreMeasuredWhereTheyStand) {
  load("A long line of text\\T=\"100%\"\r\nx\\T=\"100%\"\r\n\\T=\"100%\"");
  const int first = bookObjectAt(view, 19).data.tabStart;
  const int second = bookObjectAt(view, 22).data.tabStart;
  EXPECT_GT(first, second);
  EXPECT_GT(second, 0);
  EXPECT_EQ(bookObjectAt(view, 24).data.tabStart, 0);
  EXPECT_EQ(view.caret(), view.length());
}

TEST_F(TmlLoaderTest, ImageNamesAFileInTheDocumentsImageFolder) {
  loadText(view, "\\m=\"pic.png\"", nullptr, "/books/Story.TML");
  const BookObject image = bookObjectAt(view, 0);
  EXPECT_EQ(image.kind(), kind::image);
  EXPECT_EQ(image.text(), "/books/Story_img/pic.png");
  EXPECT_EQ(image.imageFileName(), "pic.png");
}

TEST_F(TmlLoaderTest, ImageWithoutADocumentFileIsKeptAsWritten) {
  EXPECT_EQ(load("\\m=\"pic.png\""), "\\m=\"pic.png\"");
  EXPECT_EQ(colourAt(0), kUnknownTagColour);
}

TEST_F(TmlLoaderTest, ImageFolderKeepsOtherEndings) {
  EXPECT_EQ(imageFolderOf("/a/b.txt"), "/a/b_img");
  EXPECT_EQ(imageFolderOf("/a/b.Tml"), "/a/b_img");
  EXPECT_EQ(imageFolderOf("/a/b.html"), "/a/b.html_img");
  EXPECT_EQ(imageFolderOf("tml"), "tml_img");
}

TEST_F(TmlLoaderTest, IndentRegionInsideALineIsABodyIndent) {
  load("H\\tello\\t\r\nNext");
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(0)), IndentMode::Body);
  EXPECT_EQ(view.paragraphFormatAt(0).leftIndent, 8);
  EXPECT_EQ(view.paragraphFormatAt(0).firstLineIndent, -8);
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(7)), IndentMode::None);
}

TEST_F(TmlLoaderTest, IndentRegionEndingInsideALineIsAFirstLineIndent) {
  view.setZoom(3);
  load("\\tH\\tello");
  EXPECT_EQ(view.paragraphFormatAt(0).leftIndent, 0);
  EXPECT_EQ(view.paragraphFormatAt(0).firstLineIndent, 24);
}

TEST_F(TmlLoaderTest, IndentRegionOfWholeLinesIsABlockIndent) {
  load("\\tOne\r\nTwo\\t\r\nThree");
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(0)), IndentMode::Block);
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(4)), IndentMode::Block);
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(8)), IndentMode::None);
}

TEST_F(TmlLoaderTest, ObjectsBesideAnIndentRegionDoNotPlaceItInsideALine) {
  load("\\Q=\"a\"\\tOne\\t\\Q=\"b\"\r\nx");
  EXPECT_EQ(modelText(view), "\1One\1\rx");
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(0)), IndentMode::Block);
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(6)), IndentMode::None);
}

TEST_F(TmlLoaderTest, OpenIndentRegionRunsToTheEnd) {
  load("A\r\n\\tB\r\nC");
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(0)), IndentMode::None);
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(2)), IndentMode::Block);
  EXPECT_EQ(indentModeOf(view.paragraphFormatAt(4)), IndentMode::Block);
}

TEST_F(TmlLoaderTest, LoadLeavesUndoAsItWasAndRecordsNothing) {
  ASSERT_TRUE(view.document()->isUndoRedoEnabled());
  load("Some \\itext\\i");
  EXPECT_TRUE(view.document()->isUndoRedoEnabled());
  EXPECT_FALSE(view.document()->isUndoAvailable());
  EXPECT_TRUE(view.notificationsEnabled());
}

TEST_F(TmlLoaderTest, NoViewIsAFailure) { EXPECT_FALSE(loadTmlFromMemory("x", TmlLoadOptions(), nullptr, nullptr)); }

class TmlFileLoadTest : public TmlLoaderTest {
 protected:
  QTemporaryDir dir;
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(TmlFileLoadTest, FileIsAnnouncedAndLoaded) {
  const std::string path = write("book.tml", "Hello\r\n\\m=\"a.png\"");
  BookInfo info;
  ASSERT_TRUE(loadTml(path, &info, &view));
  EXPECT_EQ(modelText(view), "Hello\r\1");
  ASSERT_EQ(LogCapture::statuses().size(), 1u);
  EXPECT_EQ(LogCapture::statuses()[0], "Opening file \"" + path + "\"");
  EXPECT_EQ(bookObjectAt(view, 6).text(), dir.path().toStdString() + "/book_img/a.png");
}

TEST_F(TmlFileLoadTest, MissingFileFailsAndLeavesTheViewUntouched) {
  view.insertText("kept");
  EXPECT_FALSE(loadTml(dir.filePath("none.tml").toStdString(), nullptr, &view));
  EXPECT_FALSE(loadTml(dir.path().toStdString(), nullptr, &view));  // a folder
  EXPECT_EQ(modelText(view), "kept");
  EXPECT_TRUE(LogCapture::statuses().empty());
}

TEST_F(TmlFileLoadTest, Utf8FilesAreRecognised) {
  // With the byte-order mark the file is converted, without one it only
  // draws a warning naming the line; asked for, either way is taken.
  const std::string marked = write("marked.tml",
                                   "\xEF\xBB\xBF"
                                   "caf\xC3\xA9 \xE2\x98\xBA");
  const std::string unmarked = write("plain.tml", "line\r\ncaf\xC3\xA9");
  ASSERT_TRUE(loadTml(marked, nullptr, &view));
  EXPECT_EQ(modelText(view), "caf\xE9 ?");
  EXPECT_EQ(LogCapture::statuses().back(), "The file " + marked + " is UTF-8; converting it to Windows-1252.");
  view.removeText(0, view.length());
  ASSERT_TRUE(loadTml(unmarked, nullptr, &view));
  EXPECT_EQ(modelText(view), "line\rcaf\xC3\xA9");
  ASSERT_EQ(LogCapture::warnings().size(), 1u);
  EXPECT_NE(LogCapture::warnings()[0].find("looks like UTF-8 (line 2)"), std::string::npos);
  view.removeText(0, view.length());
  ASSERT_TRUE(loadTml(unmarked, nullptr, &view, InputEncoding::Utf8));
  EXPECT_EQ(modelText(view), "line\rcaf\xE9");
  view.removeText(0, view.length());
  ASSERT_TRUE(loadTml(marked, nullptr, &view, InputEncoding::Windows1252));
  EXPECT_EQ(modelText(view).substr(0, 3), "\xEF\xBB\xBF");
}

TEST_F(TmlFileLoadTest, BytesAboveAsciiAreWindows1252) {
  const std::string path = write("cp.txt", "\x80\x81\xE9\x9F");
  ASSERT_TRUE(loadTml(path, nullptr, &view));
  EXPECT_EQ(modelText(view), "\x80\x81\xE9\x9F");
  EXPECT_EQ(view.document()->characterAt(0), QChar(0x20AC));
  EXPECT_EQ(view.document()->characterAt(3), QChar(0x0178));
}

}  // namespace
