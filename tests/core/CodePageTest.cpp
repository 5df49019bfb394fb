// The Windows-1252 table: every byte survives the trip to Unicode and back,
// and UTF-8 validation accepts exactly the well-formed texts.

#include <gtest/gtest.h>

#include <string>

#include "CodePage.h"

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
