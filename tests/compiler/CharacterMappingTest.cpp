// Normalising the source and the character escapes.

#include <gtest/gtest.h>

#include "CharacterMapping.h"
#include "support/BookTestSupport.h"

using scrivora::normaliseText;

namespace {

class CharacterMappingTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;

  static std::string normalised(std::string text) {
    normaliseText(text);
    return text;
  }
};

const char* const kNonAscii = "Non-ASCII characters in file; attempting to map them";
const char* const kEuro = "The Euro symbol may not be on all Tolm OS devices";

TEST_F(CharacterMappingTest, EveryLineEndBecomesOneLineFeed) {
  EXPECT_EQ(normalised("one\r\ntwo\r\n"), "one\ntwo\n");
  EXPECT_EQ(normalised("a\rb\r"), "a\nb\n");
  EXPECT_EQ(normalised("a\n\rb"), "a\n\nb");
}

TEST_F(CharacterMappingTest, ControlBytesBelowTabAreDropped) {
  std::string text(
      "a\x01"
      "b",
      3);
  text.insert(1, 1, '\0');
  text += "\x08\t";
  EXPECT_EQ(normalised(text), "ab\t");
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(CharacterMappingTest, UnmappableByteIsKeptWithOneWarning) {
  EXPECT_EQ(normalised("Brand\x99 name"), "Brand\x99 name");
  EXPECT_EQ(log.count(scrivora::LogKind::Warning, kNonAscii), 1);
  EXPECT_EQ(log.count(scrivora::LogKind::Warning, "Unmappable character in string \"Brand\x99 name\""), 1);
  EXPECT_EQ(log.messages().size(), 2u);
}

TEST_F(CharacterMappingTest, UnmappableExcerptStartsFortyBytesBeforeTheByte) {
  std::string before(50, 'b');
  std::string after(60, 'a');
  normalised(before + "\x8D" + after);
  // 40 bytes before it, the byte, and 38 after: 79 in all.
  EXPECT_EQ(log.count(scrivora::LogKind::Warning, "Unmappable character in string \"" + std::string(40, 'b') + "\x8D" +
                                                      std::string(38, 'a') + "\""),
            1);
}

TEST_F(CharacterMappingTest, UnmappableExcerptNearTheStartKeepsOnlyItsWindowInsideTheText) {
  // The window runs from 40 bytes before the byte to 38 after it; the part
  // before the text start is simply missing, it is not made up at the end.
  normalised("ab\x8F" + std::string(60, 'a'));
  EXPECT_EQ(
      log.count(scrivora::LogKind::Warning, "Unmappable character in string \"ab\x8F" + std::string(38, 'a') + "\""),
      1);
}

TEST_F(CharacterMappingTest, EveryEuroSignWarnsButNonAsciiOnlyOnce) {
  EXPECT_EQ(normalised("\x80 5 and \x80 7 \xE9"), "\x80 5 and \x80 7 \xE9");
  EXPECT_EQ(log.count(scrivora::LogKind::Warning, kNonAscii), 1);
  EXPECT_EQ(log.count(scrivora::LogKind::Warning, kEuro), 2);
}

TEST_F(CharacterMappingTest, OnlyTheFiveMissingBytesAreUnmappable) {
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    bool missing = byte == 0x8D || byte == 0x8E || byte == 0x8F || byte == 0x90 || byte == 0x99;
    EXPECT_EQ(scrivora::isMappableByte(uint8_t(byte)), !missing) << byte;
  }
}

TEST_F(CharacterMappingTest, HexEscapeStopsAtTheFirstNonDigit) {
  const uint8_t* good = reinterpret_cast<const uint8_t*>("\\U0141");
  const uint8_t* lower = reinterpret_cast<const uint8_t*>("\\U00e9");
  const uint8_t* bad = reinterpret_cast<const uint8_t*>("\\U00g1");
  scrivora::HexEscape escape = scrivora::readHexEscape(good, 6, 2);
  EXPECT_TRUE(escape.valid);
  EXPECT_EQ(escape.value, 0x0141);
  escape = scrivora::readHexEscape(lower, 6, 2);
  EXPECT_FALSE(escape.valid);
  EXPECT_EQ(escape.value, 0);
  escape = scrivora::readHexEscape(bad, 6, 2);
  EXPECT_FALSE(escape.valid);
  EXPECT_EQ(escape.value, 0);
  const uint8_t* hyphen = reinterpret_cast<const uint8_t*>("\\U2011");
  escape = scrivora::readHexEscape(hyphen, 6, 2);
  EXPECT_TRUE(escape.valid);
  EXPECT_EQ(escape.value, 0x2011);
  // Cut short by the end of the text.
  escape = scrivora::readHexEscape(good, 4, 2);
  EXPECT_FALSE(escape.valid);
  EXPECT_EQ(escape.value, 1);
}

TEST_F(CharacterMappingTest, PlainLettersForUnicode) {
  EXPECT_EQ(scrivora::plainLetterForUnicode(0x0141), 'L');
  EXPECT_EQ(scrivora::plainLetterForUnicode(0x01CE), 'a');
  EXPECT_EQ(scrivora::plainLetterForUnicode(0xE004), 'c');
  EXPECT_EQ(scrivora::plainLetterForUnicode(0x017D), 'Z');
  EXPECT_EQ(scrivora::plainLetterForUnicode(0x2011), '-');
  EXPECT_EQ(scrivora::plainLetterForUnicode(0x00E9), -1);
  EXPECT_EQ(scrivora::plainLetterForUnicode(0x0041), -1);
}

}  // namespace
