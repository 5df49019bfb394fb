// Footnote and sidebar references: the tag syntax, the ids kept, the check
// that nothing but the closing tag follows, finishing and the index record.

#include <gtest/gtest.h>

#include "support/BookTestSupport.h"
#include "support/TextPassTestSupport.h"

using namespace scrivora;
using passtest::idsOf;

namespace {

class ReferenceListTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;
};

TEST_F(ReferenceListTest, FootnoteIdIsLowerCasedAndTheScanResumesAfterTheQuote) {
  //                        012345678901234567
  passtest::PassedBook book("\\Fn=\"Note1\"see\\Fn");
  EXPECT_EQ(idsOf(book.footnotes), std::vector<std::string>{"note1"});
  EXPECT_TRUE(book.sidebars.empty());
  EXPECT_FALSE(book.failed);
  EXPECT_TRUE(log.errors().empty());
  EXPECT_TRUE(log.warnings().empty());
}

TEST_F(ReferenceListTest, TagInsideNamesALongIdWholeAndInItsOwnCase) {
  // 300 bytes of mixed case: the message shows all of them as written; the
  // list keeps the first 255, lower-cased.
  std::string id;
  for (int i = 0; i < 300; ++i) id += char((i % 3 == 0 ? 'A' : 'a') + i % 26);
  passtest::PassedBook book("\\Fn=\"" + id + "\"Text\\i\\Fn \\Sd=\"" + id + "\"x\\Sb\\Sd");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(
      log.count(scrivora::LogKind::Error, "Tags are not permitted within footnote references, see reference to " + id),
      2);
  EXPECT_EQ(
      log.count(scrivora::LogKind::Error, "Tags are not permitted within sidebar references, see reference to " + id),
      2);
  std::string kept = LinkTable::lowerCased(id.substr(0, 255));
  EXPECT_EQ(idsOf(book.footnotes), std::vector<std::string>{kept});
  EXPECT_EQ(idsOf(book.sidebars), std::vector<std::string>{kept});
}

TEST_F(ReferenceListTest, ClosingTagOfTheOtherKindIsATagInside) {
  passtest::PassedBook book("\\Sd=\"s\"x\\Fn");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.count(scrivora::LogKind::Error, "Tags are not permitted within sidebar references, see reference to s"),
            2);
}

TEST_F(ReferenceListTest, NoTagAfterTheReferenceIsNotAnError) {
  passtest::PassedBook book("\\Fn=\"n\"unclosed text");
  EXPECT_FALSE(book.failed);
}

TEST_F(ReferenceListTest, BadSyntaxIsAnExcerptErrorAndResumesAfterTheTagName) {
  //                        01234567890123456789
  passtest::PassedBook book("Note here\\Fn(x)text\\Fn");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.errors(),
            std::vector<std::string>{
                "Footnote syntax incorrect.  You have 'te here\\Fn(x)text\\Fn' and it should be \\Fn=\""});
  EXPECT_TRUE(book.footnotes.empty());

  passtest::PassedBook sidebar("\\Sd-\"a\"");
  EXPECT_EQ(log.errors().back(), "Sidebar syntax incorrect.  You have '\\Sd-\"a\"' and it should be \\Sd=\"");
  EXPECT_TRUE(sidebar.sidebars.empty());
}

TEST_F(ReferenceListTest, FinishingSortsAsSignedBytesAndDropsRepeats) {
  ReferenceList list;
  for (const char* id : {"b", "A", "\xE9t\xE9", "a", "B2", "\xE9t\xE9"}) list.add(id);
  list.finish();
  EXPECT_EQ(idsOf(list), (std::vector<std::string>{"\xE9t\xE9", "a", "b", "b2"}));
}

TEST_F(ReferenceListTest, IdThatAnotherContinuesWithAHighByteSortsAfterIt) {
  ReferenceList list;
  for (const char* id : {"n", "n1", "n\xE9"}) list.add(id);
  list.finish();
  EXPECT_EQ(idsOf(list), (std::vector<std::string>{"n\xE9", "n", "n1"}));
}

TEST_F(ReferenceListTest, IndexRecordListsCountsLengthsAndIds) {
  ReferenceList list;
  list.add("one");
  list.add("two");
  list.add("x");
  list.finish();
  // Sorted: one, two, x. The driver fills in the body records.
  list.setRecordCount(0, 1);
  list.setRecordCount(1, 0);
  list.setRecordCount(2, 258);
  list.setBodyStart(2, 77);
  EXPECT_EQ(list.bodyStartAt(2), 77u);
  EXPECT_EQ(list.recordCountAt(2), 258u);
  EXPECT_EQ(list.indexRecordSize(), 7u + 7u + 5u);
  scrivora::ByteBuffer out;
  list.appendIndexRecord(out);
  EXPECT_EQ(out.bytes(), (std::vector<uint8_t>{0, 1, 3, 'o', 'n', 'e', 0, 0, 0, 3, 't', 'w', 'o', 0, 1, 2, 1, 'x', 0}));
}

TEST_F(ReferenceListTest, FinishingOrderRunsSidebarsAndFootnotesToo) {
  passtest::PassedBook book("\\Sd=\"Z\"a\\Sd \\Sd=\"y\"b\\Sd \\Fn=\"Q\"c\\Fn \\Fn=\"q\"d\\Fn");
  EXPECT_EQ(idsOf(book.sidebars), (std::vector<std::string>{"y", "z"}));
  EXPECT_EQ(idsOf(book.footnotes), std::vector<std::string>{"q"});
  EXPECT_FALSE(book.failed);
}

}  // namespace
