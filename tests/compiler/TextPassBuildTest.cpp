// A whole build: the source is normalised, paginated in both fonts and both
// page tables land in the book as its first two sections; a pass with errors
// leaves no book.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BookBuilder.h"
#include "ByteBuffer.h"
#include "support/TextPassTestSupport.h"

using namespace passtest;

namespace {

class TextPassBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    captureLog();
    char pattern[] = "/tmp/textpass-build-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    source_ = folder_ + "/book.tml";
    output_ = folder_ + "/book.tdb";
  }
  void TearDown() override {
    std::remove(source_.c_str());
    std::remove(output_.c_str());
    rmdir(folder_.c_str());
  }

  void writeSource(const std::string& text) {
    std::ofstream out(source_, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.good());
  }

  std::vector<uint8_t> readBook() const {
    std::ifstream in(output_, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static uint32_t recordOffset(const std::vector<uint8_t>& book, size_t record) {
    return scrivora::readU32(&book[78 + 8 * record]);
  }

  // The entries of a page table stored from record `first` on, `count` entries.
  static std::vector<Page> storedPages(const std::vector<uint8_t>& book, uint16_t first, uint16_t count) {
    std::vector<Page> pages;
    const uint8_t* p = &book[recordOffset(book, first)];
    for (uint16_t i = 0; i < count; ++i, p += 12) {
      pages.push_back({scrivora::readU16(p), scrivora::readU16(p + 2), scrivora::readU16(p + 4),
                       scrivora::readU32(p + 6), scrivora::readU16(p + 10)});
    }
    return pages;
  }

  std::string folder_, source_, output_;
};

TEST_F(TextPassBuildTest, BothPageTablesAreStoredAfterTheTextRecords) {
  // CR LF becomes LF, so \p stands at 6 and page 1 begins at 8.
  writeSource("Hello\r\n\\pWorld");
  scrivora::BookInfo info;
  info.title = "Pages";
  ASSERT_TRUE(scrivora::buildBook(source_, output_, info));
  std::vector<uint8_t> book = readBook();
  ASSERT_GT(book.size(), 78u + 8u);
  const uint8_t* header = &book[recordOffset(book, 0)];
  uint16_t smallCount = scrivora::readU16(header + 8);
  uint16_t largeCount = scrivora::readU16(header + 10);
  uint16_t textRecords = scrivora::readU16(header + 12);
  uint16_t firstSmall = scrivora::readU16(header + 36);
  uint16_t firstLarge = scrivora::readU16(header + 38);
  EXPECT_EQ(smallCount, 2);
  EXPECT_EQ(largeCount, 2);
  EXPECT_EQ(firstSmall, textRecords);  // right after the book header and the text
  EXPECT_EQ(firstLarge, firstSmall + 1);
  EXPECT_EQ(storedPages(book, firstSmall, smallCount), (std::vector<Page>{{0, 1, 0, 0, 0}, {1, 1, 8, 8, 0}}));
  EXPECT_EQ(storedPages(book, firstLarge, largeCount), (std::vector<Page>{{0, 1, 0, 0, 16}, {1, 1, 8, 8, 16}}));
}

TEST_F(TextPassBuildTest, ErrorsInThePassLeaveNoBook) {
  writeSource("Text with \\z in it");
  scrivora::BookInfo info;
  info.title = "Broken";
  EXPECT_FALSE(scrivora::buildBook(source_, output_, info));
  std::ifstream book(output_);
  EXPECT_FALSE(book.good());
  std::vector<std::string> errors = textsOf(Kind::Error);
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.back(), "Errors occurred while paginating the book. No output file generated.");
  std::vector<std::string> statuses = textsOf(Kind::Status);
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back(), "Done.");
}

}  // namespace
