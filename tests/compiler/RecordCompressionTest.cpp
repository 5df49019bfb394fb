// Cutting texts into compressed records: where full pieces end, what the
// tables receive, and that every record inflates back to its piece.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "BookFileWriter.h"
#include "RecordCompression.h"
#include "support/BookTestSupport.h"

using namespace scrivora;
using booktest::TempDir;

namespace {

struct Compressed {
  U32Table sizes;
  U32Table ends;
  std::vector<std::string> pieces;  // inflated back
};

class RecordCuttingTest : public testing::Test {
 protected:
  Compressed compress(const std::string& text) {
    Compressed result;
    BookFileWriter out;
    EXPECT_TRUE(out.open(dir.file("records")));
    EXPECT_TRUE(
        compressRecords(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out, result.sizes, &result.ends));
    EXPECT_TRUE(out.close());
    booktest::Bytes file = booktest::readFile(dir.file("records"));
    size_t at = 0;
    for (uint32_t size : result.sizes) {
      EXPECT_LE(at + size, file.size());
      if (at + size > file.size()) break;
      result.pieces.push_back(booktest::inflateRecord(file.data() + at, size));
      at += size;
    }
    EXPECT_EQ(at, file.size()) << "the file holds exactly the listed records";
    return result;
  }

  // Plain words and spaces, no line breaks or backslashes.
  static std::string words(size_t length) {
    std::string text;
    while (text.size() < length) text += "word ";
    text.resize(length);
    return text;
  }

  TempDir dir;
};

std::string joined(const std::vector<std::string>& pieces) {
  std::string text;
  for (const std::string& piece : pieces) text += piece;
  return text;
}

}  // namespace

TEST_F(RecordCuttingTest, TextOfExactly8192BytesIsOneRecordWithoutLookingForAnEnd) {
  // A backslash near the end would move a following piece, but nothing
  // follows, so the whole text stays in one record.
  std::string text = words(8192);
  text[8150] = '\\';
  Compressed c = compress(text);
  ASSERT_EQ(c.ends.size(), 1u);
  EXPECT_EQ(c.ends[0], 8192u);
  EXPECT_EQ(c.pieces[0], text);
}

struct Run {
  size_t from, to;
  char byte;
};

// A full piece of 8192 bytes: `base` repeated, then runs of one byte, then
// single bytes set.
std::string piece(const std::string& base, std::initializer_list<Run> runs = {},
                  std::initializer_list<std::pair<size_t, char>> bytes = {}) {
  std::string text;
  while (text.size() < kTextRecordSize) text += base;
  text.resize(kTextRecordSize);
  for (const Run& run : runs) std::fill(text.begin() + run.from, text.begin() + run.to, run.byte);
  for (const auto& [at, byte] : bytes) text[at] = byte;
  return text;
}

TEST(FindRecordEnd, FullPieceEndsBeforeALateTagElseAfterItsLastWhitespace) {
  const std::pair<std::string, size_t> cases[] = {
      // A line feed within the last 91 bytes stops the search for a tag.
      {piece("word ", {{8001, 8192, 'x'}}, {{8000, '\n'}}), 8001},
      {piece("word ", {{8100, 8192, 'y'}}, {{8149, 'a'}, {8150, '\\'}}), 8150},
      // A run of backslashes moves with the tag it starts.
      {piece("word ", {{8120, 8192, 'y'}}, {{8160, '\\'}, {8161, '\\'}, {8162, '\\'}, {8163, 'i'}}), 8160},
      // An escaped backslash as the last bytes: whitespace decides.
      {piece("word ", {{8185, 8190, 'z'}}, {{8184, ' '}, {8190, '\\'}, {8191, '\\'}}), 8185},
      // 92 bytes from the end is outside the look-back; 91 is inside.
      {piece("word ", {{8090, 8192, 'q'}}, {{8100, '\\'}}), 8090},
      {piece("a", {}, {{8192 - 91, '\\'}}), 8192 - 91},
      {piece("word ", {{8100, 8192, 'y'}}, {{8120, '\\'}, {8170, '\r'}}), 8171},
      {piece("a", {}, {{5000, '\t'}, {6000, '\f'}}), 6001},
      {piece("a", {}, {{5000, '\t'}, {6000, '\f'}, {7000, '\v'}}), 7001},
      {piece("a", {}, {{8191, '\n'}}), 8192},
      // Nowhere to end: the whole piece.
      {piece("x"), 8192},
      {piece("\\"), 8192},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string& text = cases[i].first;
    EXPECT_EQ(findRecordEnd(reinterpret_cast<const uint8_t*>(text.data()), text.size()), cases[i].second)
        << "case " << i;
  }
}

TEST_F(RecordCuttingTest, FullPiecesThatCannotEndEarlierKeepAll8192Bytes) {
  Compressed c = compress(std::string(20000, 'x'));
  EXPECT_EQ(c.ends, (U32Table{8192, 16384, 20000}));
  const std::string backslashes(9000, '\\');
  c = compress(backslashes);
  EXPECT_EQ(c.ends, (U32Table{8192, 9000}));
  EXPECT_EQ(joined(c.pieces), backslashes);
}

TEST_F(RecordCuttingTest, IncompressibleTextIsStoredWholeAndStillInflatesWithin8192Bytes) {
  // Noise without whitespace or backslashes: no place to end a piece, so
  // full pieces of 8192 bytes that deflate cannot shrink.
  std::string noise = booktest::noiseText(40000, 7);
  std::string text;
  for (char byte : noise) {
    if (byte != '\\' && byte != ' ' && (byte < '\t' || byte > '\r')) text += byte;
  }
  text.resize(30000);
  Compressed c = compress(text);
  EXPECT_EQ(c.ends[0], 8192u);
  bool someRecordGrew = false;
  for (size_t k = 0; k < c.pieces.size(); ++k) {
    EXPECT_LE(c.pieces[k].size(), kTextRecordSize);
    if (c.sizes[k] > kTextRecordSize) someRecordGrew = true;
  }
  EXPECT_TRUE(someRecordGrew) << "noise should not shrink";
  EXPECT_EQ(joined(c.pieces), text);
}

TEST_F(RecordCuttingTest, EndsRunOverTheWholeTextAndSizesMatchTheFile) {
  std::string text;
  for (int i = 0; text.size() < 50000; ++i) text += "Line " + std::to_string(i) + " with \\i tags\\i and words.\n";
  Compressed c = compress(text);
  ASSERT_EQ(c.ends.size(), c.sizes.size());
  uint32_t previous = 0;
  for (size_t k = 0; k < c.ends.size(); ++k) {
    EXPECT_GT(c.ends[k], previous);
    EXPECT_LE(c.ends[k] - previous, kTextRecordSize);
    EXPECT_EQ(c.pieces[k], text.substr(previous, c.ends[k] - previous));
    previous = c.ends[k];
  }
  EXPECT_EQ(previous, text.size());
}

TEST_F(RecordCuttingTest, WriteFailureIsReported) {
  BookFileWriter out;  // never opened
  U32Table sizes;
  std::string text = words(10);
  EXPECT_FALSE(compressRecords(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out, sizes, nullptr));
  EXPECT_TRUE(out.failed());
}
