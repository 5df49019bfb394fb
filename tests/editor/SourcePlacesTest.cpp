#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "SourcePlaces.h"
#include "support/EditorTestSupport.h"

namespace scrivora {
namespace {

using test::modelText;

class SourcePlacesTest : public ::testing::Test {
 protected:
  std::string write(const std::string& bytes) {
    const std::string path = dir.filePath("book.tml").toStdString();
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), qint64(bytes.size()));
    return path;
  }

  QTemporaryDir dir;
};

TEST_F(SourcePlacesTest, LoaderWarningsNameTheLineAndColumnOfTheFileAsWritten) {
  struct Case {
    const char* name;
    std::string bytes;
    int line, column;
  };
  const Case cases[] = {
      {"LF", "one\nA \\Zx", 2, 3},
      {"CR LF", "one\r\ntwo\r\nA \\Zx", 3, 3},
      {"lone CR", "one\rA \\Z", 2, 3},
      {"after control bytes",
       std::string("one\n\x01\x02"
                   "A \\Z"),
       2, 5},
      {"after objects", "\\Q=\"a\"x\\w=\"5%\" \\Z", 1, 16},
      {"UTF-8 after a byte-order mark",
       "\xEF\xBB\xBF"
       "caf\xC3\xA9 \\Z",
       1, 7},
      {"UTF-8 outside the code page", "\xEF\xBB\xBFx\n\xC4\x80\xC4\x80 \\Z", 2, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = write(c.bytes);
    CollectingLogSink log;
    ScopedLogSink installed(log);
    TextDocumentModel view;
    BookInfo info;
    ASSERT_TRUE(loadTml(path, &info, &view));
    ASSERT_EQ(log.textsOf(LogKind::Warning), std::vector<std::string>{"Unrecognized tag: \\Z"});
    for (const LogMessage& message : log.messages) {
      if (message.kind != LogKind::Warning) continue;
      EXPECT_EQ(message.position.file, path);
      EXPECT_EQ(message.position.line, c.line);
      EXPECT_EQ(message.position.column, c.column);
    }
  }
}

TEST_F(SourcePlacesTest, TextWithoutAFileNamesNoPlace) {
  CollectingLogSink log;
  ScopedLogSink installed(log);
  TextDocumentModel view;
  test::loadText(view, "A \\Z tag");
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_FALSE(log.messages[0].position.known());
}

// The editor text a line and column became, and that text itself.
std::string placeIn(const TextDocumentModel& view, const std::string& path, int line, int column) {
  EditorRange range;
  if (!findSourcePlace(path, line, column, view, range)) return "(unreadable)";
  return std::to_string(range.start) + ":" +
         modelText(view).substr(size_t(range.start), size_t(range.end - range.start));
}

TEST_F(SourcePlacesTest, FollowsALineAndColumnToTheEditorTextItBecame) {
  // Objects, a hidden comment, style tags and a red tag stand before the
  // places; the information block is not in the editor text at all.
  const std::string path = write(
      "\\v\r\nTITLE=\"T\"\r\n\\v\r\n"                 // lines 1-3
      "\\Q=\"top\"\\iSee\\i \\m=\"p.png\" here\r\n"   // line 4
      "\\vnote\\v \\Zx and \\q=\"#top\"link\\q.\r\n"  // line 5
      "\x01last\r\n");                                // line 6
  TextDocumentModel view;
  BookInfo info;
  ASSERT_TRUE(loadTml(path, &info, &view));
  ASSERT_EQ(modelText(view),
            "\r\1See \1 here\r\1 \\Zx and \1link.\r"
            "last\r");

  struct Case {
    int line, column;
    const char* expected;
  };
  const Case cases[] = {
      {4, 1, "1:\1"},     // the anchor
      {4, 9, "2:"},       // a style tag leaves nothing
      {4, 11, "2:S"},     // text behind tags
      {4, 17, "6:\1"},    // the image
      {4, 32, "12:\r"},   // the line's end
      {4, 90, "12:\r"},   // past it
      {5, 3, "13:\1"},    // the comment's text: its object
      {5, 10, "15:\\Z"},  // a tag kept in red
      {5, 18, "23:\1"},   // the link
      {5, 27, "24:l"},    // the link's text
      {6, 2, "30:l"},     // behind a dropped control byte
      {2, 3, "0:"},       // the information block
      {99, 1, "35:"},     // past the last line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.line) + ":" + std::to_string(c.column));
    EXPECT_EQ(placeIn(view, path, c.line, c.column), c.expected);
  }
}

TEST_F(SourcePlacesTest, AnEditedDocumentGetsTheCorrespondingPlace) {
  const std::string path = write("First line.\nSecond \\iline\\i.\nThird line.\n");
  TextDocumentModel view;
  BookInfo info;
  ASSERT_TRUE(loadTml(path, &info, &view));
  view.setCaret(0);
  view.insertText("New ");
  ASSERT_EQ(modelText(view), "New First line.\rSecond line.\rThird line.\r");
  EXPECT_EQ(placeIn(view, path, 2, 10), "23:l");  // behind the edit
  view.removeText(0, 4);
  view.setCaret(view.length());
  view.insertText("More.\r");
  EXPECT_EQ(placeIn(view, path, 3, 1), "25:T");  // before the edit
}

TEST(CorrespondingPositionTest, FindsThePlaceAcrossEdits) {
  const auto at = [](const char32_t* saved, const char32_t* live, int position) {
    return correspondingPosition(saved, live, position);
  };
  EXPECT_EQ(at(U"abc\rdef", U"abc\rdef", 5), 5);
  EXPECT_EQ(at(U"abc\rdef", U"abc\rdefgh", 5), 5);  // edited behind
  EXPECT_EQ(at(U"abc\rdef", U"xxabc\rdef", 5), 7);  // edited before
  // Between two edits: found by its unchanged paragraph.
  EXPECT_EQ(at(U"a\rkeep\rb", U"aa\rkeep\rbb", 4), 5);
  // Its own paragraph edited: its share of the edited stretch.
  EXPECT_EQ(at(U"a\rbcde\rf", U"a\rbXYZe\rf", 4), 4);
  EXPECT_EQ(at(U"abc", U"", 2), 0);
}

}  // namespace
}  // namespace scrivora
