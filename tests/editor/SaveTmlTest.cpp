// Saving into files: complete replacement through a temporary, the old file
// kept when the write fails, images copied into the document's image folder.

#include <gtest/gtest.h>

#include <fstream>

#include <sys/resource.h>
#include <QDir>
#include <QFile>
#include <csignal>

#include "support/EditorTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

class SaveTmlTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  TextDocumentModel view;
  LogCapture log;

  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
  void write(const std::string& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
};

TEST_F(SaveTmlTest, SavedFileHoldsTheBlockAndTheBodyInPlaceOfTheOldOne) {
  write(path("book.tml"), std::string(1000, 'o'));
  loadText(view, "\\cTitle\r\n\\cBody");
  BookInfo info;
  info.author = "Me";
  std::string error;
  ASSERT_TRUE(saveTml(view, &info, path("book.tml"), &error)) << error;
  EXPECT_EQ(readFile(path("book.tml")),
            "\\v\r\nTITLE=\"\"\r\nAUTHOR=\"Me\"\r\nPUBLISHER=\"\"\r\nEISBN=\"\"\r\nCOPYRIGHT=\"\"\r\n"
            "\\v\\cTitle\\c\r\nBody");
}

// Writes beyond a small size fail for the duration of a scope, as on a full
// disk; the signal such a write raises is ignored so the write reports it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit old_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(SaveTmlTest, FailedWriteKeepsTheOldFileAndSaysSo) {
  const std::string old = "the previous, complete book";
  write(path("book.tml"), old);
  loadText(view, std::string(100000, 'x'));
  std::string error;
  bool saved = true;
  {
    FileSizeLimit limit(4096);
    saved = saveTml(view, nullptr, path("book.tml"), &error);
  }
  EXPECT_FALSE(saved);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(readFile(path("book.tml")), old);
  // No temporary is left behind beside it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"book.tml"});
}

TEST_F(SaveTmlTest, MissingFolderFailsWithoutCreatingAnything) {
  loadText(view, "text");
  std::string error;
  EXPECT_FALSE(saveTml(view, nullptr, path("no/such/folder/book.tml"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(QDir(dir.filePath("no")).exists());
  EXPECT_FALSE(saveTml(view, nullptr, "", &error));
}

TEST_F(SaveTmlTest, ImagesAreCopiedIntoTheImageFolder) {
  QDir(dir.path()).mkdir("elsewhere");
  const std::string source = path("elsewhere/pic.png");
  write(source, "picture bytes");
  insertImage(view, source);
  ASSERT_TRUE(saveTml(view, nullptr, path("Story.TML")));
  EXPECT_EQ(readFile(path("Story.TML")), "\\m=\"pic.png\"");
  EXPECT_EQ(readFile(path("Story_img/pic.png")), "picture bytes");
  EXPECT_TRUE(LogCapture::warnings().empty());
}

TEST_F(SaveTmlTest, ImageAlreadyInTheFolderIsKept) {
  QDir(dir.path()).mkpath("book_img");
  write(path("book_img/pic.png"), "kept");
  write(path("pic.png"), "other");
  insertImage(view, path("pic.png"));
  ASSERT_TRUE(saveTml(view, nullptr, path("book.txt")));
  EXPECT_EQ(readFile(path("book_img/pic.png")), "kept");
}

TEST_F(SaveTmlTest, ImageThatCannotBeCopiedIsStillWrittenAndReported) {
  insertImage(view, path("missing/gone.png"));
  ASSERT_TRUE(saveTml(view, nullptr, path("book.tml")));
  EXPECT_EQ(readFile(path("book.tml")), "\\m=\"gone.png\"");
  EXPECT_EQ(LogCapture::warnings().size(), 1u);
}

}  // namespace
