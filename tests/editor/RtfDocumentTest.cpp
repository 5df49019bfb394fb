// Opening RTF in the editor: the runs take the editor's fonts and effects,
// the paragraphs its plain layout, and saving writes the TML an author
// expects; damaged and foreign files are reported.

#include <gtest/gtest.h>

#include <fstream>

#include <QTemporaryDir>

#include "BuildLog.h"
#include "RtfDocument.h"
#include "TextDocumentModel.h"
#include "TmlWriter.h"
#include "support/EditorTestSupport.h"

using namespace scrivora;

using scrivora::test::readFile;

namespace {

const std::string kSamples = std::string(SCRIVORA_SOURCE_DIR) + "/tests/importers/rtf/";

std::string tmlOfRtf(const std::string& rtf, TextDocumentModel& view) {
  insertRtfContent(readRtf(rtf).content, view);
  return writeTml(view, nullptr);
}

class RtfDocumentTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  TextDocumentModel view;
  CollectingLogSink log;
  ScopedLogSink installed{log};

  std::string write(const char* name, const std::string& bytes) {
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

}  // namespace

TEST_F(RtfDocumentTest, SavedTmlShowsTheFormattingAnAuthorGaveTheText) {
  const std::string fonts = R"({\rtf1{\fonttbl{\f0 Times;}{\f1 TolmText12;}{\f2 TolmText9;}{\f3 TolmText9B;}}\f0 )";
  struct Case {
    const char* name;
    std::string rtf;
    std::string tml;
  };
  const std::vector<Case> cases = {
      {"effects and fonts",
       fonts +
           R"(\b bold\b0 , \i it\i0 , \ul un\ul0 , \strike st\strike0 , {\f1 L}, {\f2 S}, {\f3 B}, {\b\i bi}.\par})",
       "\\bbold\\b, \\iit\\i, \\uun\\u, \\ost\\o, \\lL\\l, \\sS\\s, \\bB\\b, \\i\\bbi\\b\\i.\r\n"},
      {"raised and lowered text", fonts + R"(x{\super 2} H{\sub 2}O {\b\super b}\par})",
       "x\\Sp2\\Sp H\\Sb2\\SbO \\Spb\\Sp\r\n"},
      {"alignment and indents are dropped", R"({\rtf1\qc\li720\fi-360 Centred\par\pard\qr Right\par})",
       "Centred\r\nRight\r\n"},
      {"breaks", R"({\rtf1 one\line two\page three\par})", "one\r\ntwo\\pthree\r\n"},
      {"line feeds go, carriage returns end the paragraph", R"({\rtf1 a\'0ab\'0dc})", "ab\r\nc"},
      {"characters outside Windows-1252", R"({\rtf1 caf\'e9 \u1046? \u-10179?\u-8704?\par})",
       "caf\\a233 \\U0416 \\UD83D\\UDE00\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextDocumentModel fresh;
    EXPECT_EQ(tmlOfRtf(c.rtf, fresh), c.tml);
  }
}

TEST_F(RtfDocumentTest, RunsTakeTheEditorsStyles) {
  view.setNormalFace(kFaceNormal12);
  view.setZoom(2);
  insertRtfContent(readRtf(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 subscriptFont;}}{\colortbl;\red255\green0\blue0;})"
                           R"(\cf1\qc\li400 a{\b b}{\super c}{\f1 d}\par})")
                       .content,
                   view);
  ASSERT_EQ(view.length(), 5);
  const CharStyle plain = view.styleAt(0), bold = view.styleAt(1), raised = view.styleAt(2), script = view.styleAt(3);
  EXPECT_EQ(plain.face, kFaceNormal12);
  EXPECT_EQ(plain.size, 22);
  EXPECT_EQ(plain.colour, kPlainColour);
  EXPECT_EQ(bold.face, kFaceBold);
  EXPECT_EQ(bold.size, 18);
  EXPECT_EQ(raised.face, kFaceScript);
  EXPECT_EQ(raised.offset, 6);
  EXPECT_EQ(script.face, kFaceScript);
  EXPECT_EQ(script.offset, 0);
  EXPECT_EQ(view.paragraphFormatAt(0), ParagraphFormat());
  // Opening is not an edit the author could undo.
  EXPECT_FALSE(view.document()->isUndoAvailable());
}

TEST_F(RtfDocumentTest, AWordProcessorFileSavesAsTheTmlAnAuthorExpects) {
  std::string error;
  ASSERT_TRUE(loadRtf(kSamples + "word-processor.rtf", &view, &error)) << error;
  const std::string saved = dir.filePath("story.tml").toStdString();
  ASSERT_TRUE(saveTml(view, nullptr, saved));
  EXPECT_EQ(readFile(saved),
            "\\bChapter One\\b\r\n"
            "It was a bright, \\icold\\i day in the caf\\a233; the na\\a239ve clocks were striking thirteen.\r\n"
            "\\a147Quoted,\\a148 she said \\a150 and left\\a151\\a133 \\bbold\\b, \\uunderlined\\u, \\ostruck\\o, "
            "E=mc\\Sp2\\Sp and H\\Sb2\\SbO.\r\n"
            "\\U041F\\U0440\\U0438\\U0432\\U0435\\U0442 and \\U041C\\U0438\\U0440 and \\UD83D\\UDE00.\r\n"
            "\\a183\tA listed item with a \\ulink\\u.\r\n"
            "\r\n"
            "Before the break.\\p\\lLarge\\l and \\ssmall\\s\r\n"
            "second line\r\n");
  EXPECT_EQ(log.lines(), std::vector<std::string>{"status: Opening file \"" + kSamples + "word-processor.rtf\""});
}

TEST_F(RtfDocumentTest, DamagedAndForeignFilesAreReported) {
  std::string error;
  // Cut short: the text read is kept and the build log says why it ends.
  EXPECT_TRUE(loadRtf(write("cut.rtf", R"({\rtf1 Hello {\b wor)"), &view, &error));
  EXPECT_EQ(writeTml(view, nullptr), "Hello \\bwor\\b");
  EXPECT_EQ(log.textsOf(LogKind::Warning), std::vector<std::string>{kRtfUnclosedGroups});

  TextDocumentModel untouched;
  const std::string missing = dir.filePath("missing.rtf").toStdString();
  EXPECT_FALSE(loadRtf(missing, &untouched, &error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_FALSE(loadRtf(write("plain.rtf", "Just text."), &untouched, &error));
  EXPECT_EQ(error, kRtfNotRtf);
  EXPECT_FALSE(loadRtf(write("empty-damaged.rtf", "{\\rtf1{\\fonttbl"), &untouched, &error));
  EXPECT_EQ(error, kRtfUnclosedGroups);
  EXPECT_EQ(untouched.length(), 0);
}
