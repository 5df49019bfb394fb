// Properties every page table must have, on real books and on scrambled TML:
// the pass always ends, pages are numbered 0, 1, 2... in text order, and each
// entry's text location agrees with its position.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "CharacterMapping.h"
#include "support/BookTestSupport.h"
#include "support/TextPassTestSupport.h"

using namespace passtest;

namespace {

class TextPassPropertiesTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;
};

// Record ends for a text cut into records of `size` bytes.
scrivora::U32Table recordsOf(size_t length, size_t size) {
  scrivora::U32Table ends{0};
  for (size_t end = size; end < length; end += size) ends.push_back(uint32_t(end));
  if (length > 0) ends.push_back(uint32_t(length));
  return ends;
}

void expectWellFormed(const scrivora::PageTable& table, const scrivora::U32Table& ends, size_t length) {
  ASSERT_GE(table.count(), 1u);
  uint32_t previous = 0;
  for (size_t i = 0; i < table.count(); ++i) {
    const scrivora::PageEntry& entry = table.at(i);
    ASSERT_EQ(entry.page, uint16_t(i));
    ASSERT_GE(entry.position, previous) << "page " << i;
    ASSERT_LE(entry.position, length);
    previous = entry.position;
    // The location names the record the position falls in.
    ASSERT_GE(entry.record, 1u);
    ASSERT_LT(entry.record, ends.size() > 1 ? ends.size() : 2u);
    uint32_t start = ends.size() > 1 ? ends[entry.record - 1] : 0;
    ASSERT_EQ(start + entry.offset, entry.position);
    if (entry.position > 0) {
      ASSERT_LT(start, entry.position);
      ASSERT_LE(entry.position, ends[entry.record]);
    }
  }
}

std::string readCorpusBook(const std::string& name) {
  std::ifstream in(std::string(SCRIVORA_CORPUS_DIR) + "/books/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(TextPassPropertiesTest, RealBookPaginatesConsistentlyInBothFonts) {
  std::string text = readCorpusBook("pride-and-prejudice.txt");
  if (text.empty()) GTEST_SKIP() << "corpus book not available";
  scrivora::normaliseText(text);
  scrivora::U32Table ends = recordsOf(text.size(), 8192);
  PassedBook result(text, {ends});
  EXPECT_FALSE(result.failed);
  expectWellFormed(result.smallPages, ends, text.size());
  expectWellFormed(result.largePages, ends, text.size());
  // The large font fits less on a page.
  EXPECT_GT(result.largePages.count(), result.smallPages.count());
  EXPECT_GT(result.smallPages.count(), 1000u);
}

// Pieces that exercise every tag, broken arguments, escapes and line ends.
const std::vector<std::string>& scramblePieces() {
  static const std::vector<std::string> pieces = {"\\",          "\\p",
                                                  "\\x",         "\\X1",
                                                  "\\X",         "\\C2=\"t\"",
                                                  "\\C",         "\\c",
                                                  "\\r",         "\\i",
                                                  "\\u",         "\\o",
                                                  "\\v",         "\\t",
                                                  "\\T=\"50%\"", "\\T=\"",
                                                  "\\w=\"40%\"", "\\w",
                                                  "\\n",         "\\s",
                                                  "\\l",         "\\b",
                                                  "\\B",         "\\Sp",
                                                  "\\Sb",        "\\Sd=\"s\"",
                                                  "\\Sd",        "\\Fn=\"f\"",
                                                  "\\Fn",        "\\F",
                                                  "\\q=\"#a\"",  "\\q",
                                                  "\\Q=\"a\"",   "\\m=\"x.png\"",
                                                  "\\m",         "\\I",
                                                  "\\-",         "\\\\",
                                                  "\\a149",      "\\a",
                                                  "\\U0041",     "\\U00",
                                                  "\\d",         "\\z",
                                                  "\"",          "=",
                                                  "%",           " ",
                                                  "  ",          "-",
                                                  "_",           "\n",
                                                  "\n\n",        "\r",
                                                  "m",           "mmmmmmmmmmmmmmmmmmmmmmmmm",
                                                  "word ",       "\xAD",
                                                  "\x80"};
  return pieces;
}

void expectSameTables(const PassedBook& quick, const PassedBook& reference) {
  EXPECT_EQ(pagesOf(quick.smallPages), pagesOf(reference.smallPages));
  EXPECT_EQ(pagesOf(quick.largePages), pagesOf(reference.largePages));
  EXPECT_EQ(quick.failed, reference.failed);
}

TEST_F(TextPassPropertiesTest, ScrambledMarkupAlwaysEndsWithWellFormedTables) {
  const std::vector<std::string>& pieces = scramblePieces();
  std::mt19937 random(20261206);
  for (int round = 0; round < 150; ++round) {
    std::string text;
    size_t count = 1 + random() % 400;
    for (size_t i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    scrivora::U32Table ends = recordsOf(text.size(), 1 + random() % 300);
    PassedBook result(text, {ends});
    SCOPED_TRACE("round " + std::to_string(round));
    expectWellFormed(result.smallPages, ends, text.size());
    expectWellFormed(result.largePages, ends, text.size());
    if (HasFatalFailure()) return;
  }
}

// Measuring plain runs in one go is only a quicker way to the same layout:
// every table must equal the one the character-by-character steps give.
TEST_F(TextPassPropertiesTest, QuickMeasuringOfPlainRunsGivesTheSameTables) {
  std::string book = readCorpusBook("pride-and-prejudice.txt");
  if (!book.empty()) {
    scrivora::normaliseText(book);
    scrivora::U32Table ends = recordsOf(book.size(), 8192);
    expectSameTables(PassedBook(book, {ends}), PassedBook(book, PassOptions{ends, "/nonexistent-image-folder", false}));
  }
  // Words, single and double spaces, fonts and styles that change mid-line,
  // words longer than a line, line ends and tags in every mix.
  std::vector<std::string> pieces = scramblePieces();
  for (const char* extra : {"a", "Wi", "lllll", "WWWWWWW", " a", " ", "   ", "\\b", "\\l", "\\Sp", "\\t", "\\v", "\\B",
                            "x y z ", "\xE9\xE9 "}) {
    pieces.push_back(extra);
  }
  std::mt19937 random(61220);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    size_t count = 1 + random() % 600;
    for (size_t i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    scrivora::U32Table ends = recordsOf(text.size(), 1 + random() % 500);
    SCOPED_TRACE("round " + std::to_string(round));
    expectSameTables(PassedBook(text, {ends}), PassedBook(text, PassOptions{ends, "/nonexistent-image-folder", false}));
    if (HasFailure()) return;
  }
}

}  // namespace
