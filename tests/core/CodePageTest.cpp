// The Windows-1252 table: every byte survives the trip to Unicode and back,
// and UTF-8 validation accepts exactly the well-formed texts.

#include <gtest/gtest.h>

#include <string>

#include "CodePage.h"
#include "SourceEncoding.h"

using namespace scrivora;

TEST(CodePageTest, EveryByteRoundTripsAndTheHighControlsAreTheCodePages) {
  for (int byte = 0; byte < 256; ++byte)
    EXPECT_EQ(windows1252FromUnicode(unicodeFromWindows1252(uint8_t(byte))), byte) << byte;
  EXPECT_EQ(unicodeFromWindows1252(0x80), 0x20AC);
  EXPECT_EQ(unicodeFromWindows1252(0x97), 0x2014);
  EXPECT_EQ(unicodeFromWindows1252(0x9D), 0x009D);
  EXPECT_EQ(windows1252FromUnicode(0x0085), -1) << "a C1 control the code page replaced has no byte";
  EXPECT_EQ(windows1252FromUnicode(0x0141), -1);
  EXPECT_EQ(windows1252FromUnicode(0x1F600), -1);
}

TEST(CodePageTest, Utf8ValidationAndEncoding) {
  std::string text;
  for (uint32_t c : {0x41u, 0xE9u, 0x20ACu, 0x1F600u}) appendUtf8(c, text);
  EXPECT_EQ(text, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_TRUE(isValidUtf8(text));
  EXPECT_TRUE(isValidUtf8(""));
  for (const char* bad :
       {"\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3\xA9\x80"})
    EXPECT_FALSE(isValidUtf8(bad)) << bad;
  std::string surrogate;
  appendUtf8(0xD800, surrogate);
  EXPECT_EQ(surrogate, "\xEF\xBF\xBD");
}

// Reading TML files saved as UTF-8: the mark, the guess with the place of the
// first multi-byte character, and the conversion that loses no text.
TEST(SourceEncodingTest, GuessesByMarkOrByWholeValidityAndPointsAtTheFirstMultiByteCharacter) {
  EXPECT_TRUE(guessSourceEncoding("\xEF\xBB\xBFplain").byteOrderMark);
  const SourceEncodingGuess guess = guessSourceEncoding("line one\r\nline two\rab caf\xC3\xA9\n");
  EXPECT_TRUE(guess.looksLikeUtf8);
  EXPECT_EQ(guess.firstMultiByteLine, 3);
  EXPECT_EQ(guess.firstMultiByteColumn, 7);
  EXPECT_FALSE(guessSourceEncoding("only ASCII\n").looksLikeUtf8);
  EXPECT_FALSE(guessSourceEncoding("caf\xE9 \xC3\xA9").looksLikeUtf8) << "one Windows-1252 byte decides";
}

TEST(SourceEncodingTest, ConvertsToWindows1252WithUnicodeTagsForTheRest) {
  const std::string utf8 =
      std::string("\xEF\xBB\xBF") + "caf\xC3\xA9 \xE2\x80\x94 \xC5\x81\xC3\xB3" + "d\xC5\xBA \xF0\x9F\x98\x80";
  EXPECT_EQ(utf8ToWindows1252Tml(utf8), std::string("caf\xE9 \x97 \\U0141\xF3") + "d\\U017A \\UFFFD");
  EXPECT_EQ(utf8ToWindows1252Tml("\xC2\x85 stray \xE9"), "\\U0085 stray \xE9");
}
