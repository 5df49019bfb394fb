// Opening a document by its file's type and saving it: which reader each
// name gets, what an import leaves, and what a bad file or a failed save
// tells the user.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <fstream>

#include <string>

#include <QTemporaryDir>

#include "BuildLog.h"
#include "DocumentFile.h"
#include "TextDocumentModel.h"
#include "support/EditorTestSupport.h"

using namespace scrivora;

using scrivora::test::readFile;

namespace {

const std::string kHtmlSupport = std::string(SCRIVORA_BINARY_DIR) + "/bin/HTML Support";

std::string plainText(const TextDocumentModel& view) {
  std::string text;
  for (char32_t c : view.textOf(0, view.length())) text += c < 128 ? char(c) : '?';
  return text;
}

class DocumentFileTest : public testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& contents) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  DocumentOpenResult open(const std::string& path) {
    DocumentOpenOptions options;
    options.htmlSupportFolder = kHtmlSupport;
    return openDocumentFile(path, view, info, options);
  }
  QTemporaryDir dir;
  CollectingLogSink log;
  ScopedLogSink installed{log};
  TextDocumentModel view;
  BookInfo info;
};

}  // namespace

TEST(DocumentKind, TheExtensionDecidesIgnoringCase) {
  const struct {
    const char* name;
    DocumentKind kind;
  } cases[] = {
      {"story.TXT", DocumentKind::Tml},  {"book.tml", DocumentKind::Tml},    {"notes", DocumentKind::Tml},
      {"page.HTML", DocumentKind::Html}, {"a/page.htm", DocumentKind::Html}, {".htm", DocumentKind::Tml},
      {"letter.Rtf", DocumentKind::Rtf}, {"x.html.tml", DocumentKind::Tml},
  };
  for (const auto& c : cases) EXPECT_EQ(documentKindOf(c.name), c.kind) << c.name;
}

TEST_F(DocumentFileTest, TmlKeepsItsFileAndHtmlAndRtfBecomeImports) {
  const struct {
    const char *name, *contents;
    bool imported;
    const char *title, *text;
  } cases[] = {
      {"story.TXT", "\\v\nTITLE=\"Tide\"\n\\vOnce \\ithere\\i.", false, "Tide", "Once there."},
      {"page.HTML", "<title>Home</title><p>Hello <b>you</b>", true, "Home", "Hello you"},
      {"letter.RTF", "{\\rtf1 Dear {\\b reader}}", true, "", "Dear reader"},
  };
  for (const auto& c : cases) {
    TextDocumentModel fresh;
    BookInfo freshInfo;
    DocumentOpenOptions options;
    options.htmlSupportFolder = kHtmlSupport;
    const DocumentOpenResult result = openDocumentFile(write(c.name, c.contents), fresh, freshInfo, options);
    EXPECT_EQ(result.status, DocumentLoadStatus::Loaded) << c.name;
    EXPECT_EQ(result.imported, c.imported) << c.name;
    EXPECT_EQ(freshInfo.title, c.title) << c.name;
    EXPECT_NE(plainText(fresh).find(c.text), std::string::npos) << plainText(fresh);
  }
  // The importer's formatting reaches the editor's styles.
  ASSERT_EQ(open(write("bold.rtf", "{\\rtf1 Dear {\\b reader}}")).status, DocumentLoadStatus::Loaded);
  EXPECT_EQ(view.styleAt(5).face, kFaceBold);
}

TEST_F(DocumentFileTest, FailuresComeBackAsMessagesAndLeaveTheViewAlone) {
  ASSERT_EQ(mkfifo(dir.filePath("pipe.tml").toLocal8Bit().constData(), 0600), 0);
  const std::string missing = dir.filePath("missing.tml").toStdString();
  const struct {
    std::string path;
    DocumentOpenOptions options;
    DocumentLoadStatus status;
    std::string message, detail;
  } cases[] = {
      {missing,
       {kHtmlSupport},
       DocumentLoadStatus::ReadFailed,
       "An error occurred while reading the file from disk.",
       missing + ": No such file or directory"},
      {dir.filePath("pipe.tml").toStdString(),
       {kHtmlSupport},
       DocumentLoadStatus::ReadFailed,
       "An error occurred while reading the file from disk.",
       dir.filePath("pipe.tml").toStdString() + ": not a regular file"},
      {write("p.html", "<p>x"),
       {dir.path().toStdString()},
       DocumentLoadStatus::ReadFailed,
       "An error occurred while reading the file from disk.",
       dir.filePath("catalog").toStdString() + ": No such file or directory"},
      {write("letter.rtf", "Dear reader,"),
       {kHtmlSupport},
       DocumentLoadStatus::ReadFailed,
       "An error occurred while reading the file from disk.",
       dir.filePath("letter.rtf").toStdString() + ": The file is not an RTF file."},
  };
  for (const auto& c : cases) {
    const DocumentOpenResult result = openDocumentFile(c.path, view, info, c.options);
    EXPECT_EQ(result.status, c.status) << c.path;
    EXPECT_EQ(result.message, c.message) << c.path;
    EXPECT_EQ(result.detail, c.detail) << c.path;
    EXPECT_EQ(view.length(), 0) << c.path;
  }
}

TEST_F(DocumentFileTest, AFileThatCannotBeWrittenStillOpens) {
  if (geteuid() == 0) GTEST_SKIP() << "as root every file can be opened for writing";
  const std::string path = write("locked.tml", "text");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const DocumentOpenResult result = open(path);
  EXPECT_EQ(result.status, DocumentLoadStatus::NotWritable);
  EXPECT_EQ(result.message, "The file is not writable.");
  EXPECT_EQ(result.detail, "Changes will have to be saved to a different file.");
  EXPECT_EQ(plainText(view), "text");
}

TEST_F(DocumentFileTest, SavingReplacesTheFileWholeOrNotAtAll) {
  const std::string path = write("story.tml", "old");
  ASSERT_EQ(open(path).status, DocumentLoadStatus::Loaded);
  view.insertText(QStringLiteral(" and new"));
  std::string reason;
  ASSERT_TRUE(saveDocumentFile(view, info, path, reason)) << reason;
  EXPECT_NE(readFile(path).find("old and new"), std::string::npos) << readFile(path);
  EXPECT_FALSE(saveDocumentFile(view, info, dir.filePath("no/such/story.tml").toStdString(), reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(saveDocumentFile(view, info, "/dev/full", reason));
  EXPECT_EQ(reason, "not a regular file");
}
