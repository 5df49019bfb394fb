// Page entries as the book stores them, and text locations.

#include <gtest/gtest.h>

#include "ByteBuffer.h"
#include "PageTable.h"
#include "TextPassContext.h"

using namespace scrivora;

namespace {

TEST(PageTableTest, EntryIsTwelveBigEndianBytes) {
  PageTable table;
  table.add(0x0102, 0x0304, 0x0506, 0x0708090A, 0x8011);
  ASSERT_EQ(table.entryCount(), 1u);
  EXPECT_EQ(table.entrySize(), 12u);
  ByteBuffer out;
  table.appendEntry(0, out);
  EXPECT_EQ(out.bytes(),
            (std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x80, 0x11}));
}

TEST(PageTableTest, TextLocationsFollowTheRecordStarts) {
  U32Table ends{0, 100, 200, 250};
  auto at = [&](uint32_t position) {
    TextLocation l = textLocationOf(ends, position);
    return std::make_pair(l.record, l.offset);
  };
  EXPECT_EQ(at(0), std::make_pair(1u, 0u));
  EXPECT_EQ(at(1), std::make_pair(1u, 1u));
  EXPECT_EQ(at(100), std::make_pair(1u, 100u));  // a record start belongs to the one before
  EXPECT_EQ(at(101), std::make_pair(2u, 1u));
  EXPECT_EQ(at(200), std::make_pair(2u, 100u));
  EXPECT_EQ(at(249), std::make_pair(3u, 49u));
  EXPECT_EQ(at(250), std::make_pair(3u, 50u));
}

TEST(PageTableTest, WithoutRecordsEveryPositionIsInTheFirst) {
  TextLocation l = textLocationOf(U32Table{0}, 0);
  EXPECT_EQ(l.record, 1u);
  EXPECT_EQ(l.offset, 0u);
  l = textLocationOf(U32Table{}, 42);
  EXPECT_EQ(l.record, 1u);
  EXPECT_EQ(l.offset, 42u);
}

}  // namespace
