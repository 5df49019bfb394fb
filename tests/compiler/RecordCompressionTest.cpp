// Cutting texts into compressed records: where full pieces end, what the
// tables receive, and that every record inflates back to its piece.

#include <gtest/gtest.h>

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

TEST_F(RecordCuttingTest, EmptyTextMakesNoRecordAndAppendsNothing) {
  Compressed c = compress("");
  EXPECT_TRUE(c.sizes.empty());
  EXPECT_TRUE(c.ends.empty());
  EXPECT_TRUE(booktest::readFile(dir.file("records")).empty());
}

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

TEST_F(RecordCuttingTest, LineFeedWithinTheLast91BytesEndsTheFirstPieceAfterIt) {
  // 8193 bytes: a line feed at 8000 and no space or backslash after it.
  std::string text = words(8000) + "\n" + std::string(192, 'x');
  ASSERT_EQ(text.size(), 8193u);
  Compressed c = compress(text);
  ASSERT_EQ(c.ends.size(), 2u);
  EXPECT_EQ(c.ends[0], 8001u);
  EXPECT_EQ(c.ends[1], 8193u);
  EXPECT_EQ(c.pieces[1], std::string(192, 'x'));
}

TEST_F(RecordCuttingTest, TagNearTheEndMovesWholeIntoTheNextRecord) {
  std::string text = words(10000);
  for (size_t i = 8100; i < 8192; ++i) text[i] = 'y';  // no whitespace near the end
  text[8149] = 'a';
  text[8150] = '\\';
  Compressed c = compress(text);
  ASSERT_GE(c.ends.size(), 2u);
  EXPECT_EQ(c.ends[0], 8150u);
  EXPECT_EQ(c.pieces[1][0], '\\');
  EXPECT_EQ(joined(c.pieces), text);
}

TEST_F(RecordCuttingTest, RunOfBackslashesMovesTogetherWithTheTag) {
  std::string text = words(9000);
  for (size_t i = 8120; i < 8192; ++i) text[i] = 'y';
  text[8160] = '\\';
  text[8161] = '\\';
  text[8162] = '\\';
  text[8163] = 'i';
  Compressed c = compress(text);
  EXPECT_EQ(c.ends[0], 8160u);
}

TEST_F(RecordCuttingTest, EscapedBackslashAsTheLastBytesLeavesTheDecisionToWhitespace) {
  std::string text = words(9000);
  for (size_t i = 8185; i < 8190; ++i) text[i] = 'z';
  text[8184] = ' ';
  text[8190] = '\\';
  text[8191] = '\\';
  Compressed c = compress(text);
  EXPECT_EQ(c.ends[0], 8185u) << "ends after the last space, before the escaped backslash";
}

TEST_F(RecordCuttingTest, BackslashBeyondTheLast91BytesDoesNotMoveTheEnd) {
  std::string text = words(9000);
  for (size_t i = 8090; i < 8192; ++i) text[i] = 'q';
  text[8100] = '\\';  // 92 bytes from the end: outside the look-back
  Compressed c = compress(text);
  // "word " repeats, so the last space before the run of q is at 8089.
  EXPECT_EQ(c.ends[0], 8090u);
}

TEST_F(RecordCuttingTest, CarriageReturnStopsTheBackslashSearch) {
  std::string text = words(9000);
  for (size_t i = 8100; i < 8192; ++i) text[i] = 'y';
  text[8120] = '\\';
  text[8170] = '\r';
  Compressed c = compress(text);
  EXPECT_EQ(c.ends[0], 8171u);
}

TEST_F(RecordCuttingTest, PieceWithNowhereToEndKeepsAll8192Bytes) {
  std::string text(20000, 'x');
  Compressed c = compress(text);
  ASSERT_EQ(c.ends.size(), 3u);
  EXPECT_EQ(c.ends[0], 8192u);
  EXPECT_EQ(c.ends[1], 16384u);
  EXPECT_EQ(c.ends[2], 20000u);
}

TEST_F(RecordCuttingTest, PieceOfNothingButBackslashesKeepsAll8192Bytes) {
  std::string text(9000, '\\');
  Compressed c = compress(text);
  EXPECT_EQ(c.ends[0], 8192u);
  EXPECT_EQ(joined(c.pieces), text);
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

TEST_F(RecordCuttingTest, SameTextGivesIdenticalRecords) {
  std::string text = words(20000);
  compress(text);
  booktest::Bytes first = booktest::readFile(dir.file("records"));
  compress(text);
  EXPECT_EQ(booktest::readFile(dir.file("records")), first);
}

TEST_F(RecordCuttingTest, WithoutAnEndTableOnlySizesAreAppendedAfterExistingEntries) {
  BookFileWriter out;
  ASSERT_TRUE(out.open(dir.file("bodies")));
  U32Table sizes{0};
  std::string body = words(100);
  ASSERT_TRUE(compressRecords(reinterpret_cast<const uint8_t*>(body.data()), body.size(), out, sizes, nullptr));
  ASSERT_TRUE(out.close());
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0], 0u);
  EXPECT_EQ(sizes[1], booktest::readFile(dir.file("bodies")).size());
}

TEST_F(RecordCuttingTest, WriteFailureIsReported) {
  BookFileWriter out;  // never opened
  U32Table sizes;
  std::string text = words(10);
  EXPECT_FALSE(compressRecords(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out, sizes, nullptr));
  EXPECT_TRUE(out.failed());
}

TEST(FindRecordEnd, WhitespaceRuleEndsJustAfterTheLastWhitespaceByte) {
  std::string piece(8192, 'a');
  piece[5000] = '\t';
  piece[6000] = '\f';
  EXPECT_EQ(findRecordEnd(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()), 6001u);
  piece[7000] = '\v';
  EXPECT_EQ(findRecordEnd(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()), 7001u);
}

TEST(FindRecordEnd, LineFeedAsLastByteKeepsTheWholePiece) {
  std::string piece(8192, 'a');
  piece[8191] = '\n';
  EXPECT_EQ(findRecordEnd(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()), 8192u);
}

TEST(FindRecordEnd, BackslashAt91BytesFromTheEndIsStillSeen) {
  std::string piece(8192, 'a');
  piece[8192 - 91] = '\\';
  EXPECT_EQ(findRecordEnd(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()), 8192u - 91u);
}
