// The information block: one reader and one writer for every program. Items
// are read line by line, values may hold quotes and other keys' names, the
// writer's escapes read back, and what is not an item is kept as written.

#include <gtest/gtest.h>

#include <string>

#include "InfoBlock.h"

using namespace scrivora;

namespace {

BookInfo sampleInfo() {
  BookInfo info;
  info.title = "The \"Lighthouse\" Keeper";
  info.author = "The TITLE=\"x\" Author";
  info.publisher = "C:\\books\\v1";
  info.eisbn = "caf\xE9 \x97 \x81";
  info.copyright = "line\r\nbreak";
  return info;
}

}  // namespace

TEST(InfoBlockTest, WrittenBlockReadsBackWithEveryValueAndNothingElse) {
  const BookInfo info = sampleInfo();
  const std::string block = writeInfoBlock(info);
  for (unsigned char c : block) EXPECT_LT(c, 0x80) << "the block is 7-bit";
  const std::string text = block + "Body text.\r\n";
  const InfoBlock read = readInfoBlock(text);
  ASSERT_TRUE(read.present);
  EXPECT_TRUE(read.closed);
  BookInfo expected = info;
  expected.copyright = "line  break";  // a line end cannot stand in a value
  EXPECT_EQ(read.info, expected);
  EXPECT_EQ(read.fields, unsigned(kInfoTitle | kInfoAuthor | kInfoPublisher | kInfoEisbn | kInfoCopyright));
  EXPECT_EQ(read.otherText, "");
  EXPECT_EQ(text.substr(read.end), "Body text.\r\n");
  // A second trip changes nothing.
  EXPECT_EQ(writeInfoBlock(read.info), writeInfoBlock(readInfoBlock(writeInfoBlock(read.info)).info));
}

TEST(InfoBlockTest, KeysInAnyOrderFirstLineWinsUnknownLinesAreKept) {
  const std::string text =
      "\\v\nCOPYRIGHT=\"2026\"\nSUBTITLE=\"Not the title\"\nTITLE=\"Real\"\nOUT=\"x.tdb\"\nA note to self\n"
      "TITLE=\"Second\"\nAUTHOR=\"no close\n\\vText";
  const InfoBlock read = readInfoBlock(text);
  EXPECT_TRUE(read.closed);
  EXPECT_EQ(read.info.title, "Real");
  EXPECT_EQ(read.info.copyright, "2026");
  EXPECT_EQ(read.info.author, "");
  EXPECT_EQ(read.fields, unsigned(kInfoTitle | kInfoCopyright));
  EXPECT_EQ(read.otherText, "SUBTITLE=\"Not the title\"\nA note to self\nTITLE=\"Second\"\nAUTHOR=\"no close\n");
  EXPECT_EQ(text.substr(read.end), "Text");
}

TEST(InfoBlockTest, ClosingTagMayEndTheLastItemsLineAndEscapedBackslashesDoNotClose) {
  const InfoBlock read = readInfoBlock("\\v\r\nTITLE=\"a\\\\v b\"\r\nAUTHOR=\"Me\"\\v rest");
  EXPECT_TRUE(read.closed);
  EXPECT_EQ(read.info.title, "a\\v b");
  EXPECT_EQ(read.info.author, "Me");
}

TEST(InfoBlockTest, UnclosedBlockRunsToTheEndOfTheText) {
  const std::string text = "\\v\rTITLE=\"Open\"\rText that the compiler never shows";
  const InfoBlock read = readInfoBlock(text);
  EXPECT_TRUE(read.present);
  EXPECT_FALSE(read.closed);
  EXPECT_EQ(read.info.title, "Open");
  EXPECT_EQ(read.end, text.size());
  EXPECT_EQ(read.otherText, "Text that the compiler never shows");
}

TEST(InfoBlockTest, AnItemRightBehindTheOpeningCountsAsTheImporterWritesIt) {
  const InfoBlock read = readInfoBlock("\\vTITLE=\"My Book\"\\v \r\r\\bText\\b");
  EXPECT_TRUE(read.present && read.closed);
  EXPECT_EQ(read.info.title, "My Book");
  EXPECT_EQ(read.otherText, "");
  EXPECT_FALSE(readInfoBlock("\\vA note\\v").present);
}

TEST(InfoBlockTest, OnlyABlockAtTheVeryStartCounts) {
  EXPECT_FALSE(readInfoBlock("Text\\v\nTITLE=\"x\"\n\\v").present);
  EXPECT_FALSE(readInfoBlock(" \\v\nTITLE=\"x\"\n\\v").present);
  EXPECT_FALSE(readInfoBlock("").present);
}

TEST(InfoBlockTest, EscapesDecodeOnlyWhereTheyAreWhole) {
  EXPECT_EQ(unescapeInfoValue("caf\\a233"), "caf\xE9");
  EXPECT_EQ(unescapeInfoValue("\\a300 \\a1 \\U00E9 \\i"), "\\a300 \\a1 \\U00E9 \\i");
  EXPECT_EQ(unescapeInfoValue("end\\"), "end\\");
  EXPECT_EQ(escapeInfoValue("a\\b\xFF"), "a\\\\b\\a255");
}
