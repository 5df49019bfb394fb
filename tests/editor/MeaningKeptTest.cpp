// Opening a book in the editor and saving it keeps what the book means: the
// original and the saved copy compile to books that show the same
// characters in the same styles, begin their pages at the same places in
// both fonts, and have the same chapters, index terms, links, images,
// footnotes and sidebars. A second save writes the same bytes as the first.

#include <gtest/gtest.h>

#include <fstream>

#include <QDir>
#include <QFile>
#include <cstdlib>

#include "HtmlImporter.h"
#include "support/BookMeaning.h"
#include "support/EditorTestSupport.h"
#include "support/RandomTml.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

// The two texts around their first difference.
std::string firstDifference(const std::string& a, const std::string& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const size_t from = at > 60 ? at - 60 : 0;
  return "\n" + a.substr(from, 160) + "\n---\n" + b.substr(from, 160);
}

class MeaningKeptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* side : {"original", "saved"}) {
      ASSERT_TRUE(QDir(dir.path()).mkpath(QString(side) + "/book_img"));
      for (const char* image : kRandomBookImages)
        QFile::copy(QStringLiteral(SCRIVORA_SOURCE_DIR "/examples/sample_img/") + image,
                    dir.filePath(QString(side) + "/book_img/" + image));
    }
  }
  std::string folder(const char* side) const { return dir.filePath(side).toStdString(); }

  // The first way in which the saved copy differs, or an empty text. A
  // well-formed book also opens without a single warning.
  std::string changeBySaving(const std::string& original, bool wellFormed = true) {
    const std::string originalPath = folder("original") + "/book.tml";
    const std::string savedPath = folder("saved") + "/book.tml";
    const BookMeaning before = compileMeaning(original, folder("original"));
    std::string firstSave;
    {
      TextDocumentModel view;
      BookInfo info;
      LogCapture::warnings().clear();
      loadText(view, original, &info, originalPath);
      if (wellFormed && !LogCapture::warnings().empty()) return "opening warned: " + LogCapture::warnings().front();
      std::string error;
      if (!saveTml(view, &info, savedPath, &error)) return "the save failed: " + error;
      firstSave = readFile(savedPath);
    }
    TextDocumentModel again;
    BookInfo info;
    loadText(again, firstSave, &info, savedPath);
    const std::string secondSave = saveText(again, &info);
    if (secondSave != firstSave)
      return "a second save differs from the first: " + firstDifference(firstSave, secondSave);
    const std::string difference = differenceBetween(before, compileMeaning(firstSave, folder("saved")));
    return difference.empty() ? difference : difference + "\nsaved: " + firstSave.substr(0, 3000);
  }

  QTemporaryDir dir;
  LogCapture warnings;
};

TEST_F(MeaningKeptTest, SampleBook) {
  const std::string sample = readFile(SCRIVORA_SOURCE_DIR "/examples/sample.tml");
  ASSERT_FALSE(sample.empty());
  for (const char* image : {"lighthouse.png", "flag.png"})
    QFile::copy(QStringLiteral(SCRIVORA_SOURCE_DIR "/examples/sample_img/") + image,
                dir.filePath(QString("original/book_img/") + image));
  EXPECT_EQ(changeBySaving(sample), "");
}

TEST_F(MeaningKeptTest, CorpusBooks) {
  const std::string books = SCRIVORA_CORPUS_DIR "/books/";
  if (!QFile::exists(QString::fromStdString(books))) GTEST_SKIP() << "no corpus at " << books;
  for (const char* name : {"flatland.txt", "pride-and-prejudice.txt"})
    EXPECT_EQ(changeBySaving(readFile(books + name), false), "") << name;
  HtmlImporter importer(SCRIVORA_BINARY_DIR "/bin/HTML Support");
  for (const char* name : {"flatland.html", "pride-and-prejudice.html"})
    EXPECT_EQ(changeBySaving(importer.convertFile(books + name), false), "") << name;
}

TEST_F(MeaningKeptTest, RandomBooks) {
  // A longer run: SCRIVORA_RANDOM_BOOKS=COUNT, SCRIVORA_RANDOM_SEED=SEED.
  const char* count = std::getenv("SCRIVORA_RANDOM_BOOKS");
  const char* seed = std::getenv("SCRIVORA_RANDOM_SEED");
  std::mt19937 random(seed != nullptr ? unsigned(std::strtoul(seed, nullptr, 10)) : 20260107u);
  const int books = count != nullptr ? std::atoi(count) : 500;
  int failures = 0;
  for (int i = 0; i < books && failures < 3; ++i) {
    const std::string original = randomWellFormedTml(random);
    const std::string change = changeBySaving(original);
    if (!change.empty()) {
      ++failures;
      std::ofstream(::testing::TempDir() + "/unkept-" + std::to_string(failures) + ".tml", std::ios::binary)
          << original;
      ADD_FAILURE() << "book " << i << ": " << change << "\noriginal: " << original;
    }
  }
}

}  // namespace
