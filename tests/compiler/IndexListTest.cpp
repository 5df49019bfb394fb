// The index: terms collected at \I, their sort order, repeats, the grouping
// into data records and the directory record.

#include <gtest/gtest.h>

#include <cstdio>

#include "support/BookTestSupport.h"
#include "support/TextPassTestSupport.h"

using namespace scrivora;

namespace {

class IndexListTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;

  static std::vector<std::string> termsOf(const IndexList& list) {
    std::vector<std::string> terms;
    for (size_t i = 0; i < list.size(); ++i) terms.push_back(list.at(i).term);
    return terms;
  }
  static TextLocation at(uint32_t record, uint32_t offset) {
    TextLocation location;
    location.record = record;
    location.offset = offset;
    return location;
  }
};

TEST_F(IndexListTest, AccentsAndCaseFoldForSorting) {
  IndexList list;
  list.add(at(1, 0), "Zebra");
  list.add(at(1, 10), "apple");
  list.add(at(1, 20),
           "\xC9"
           "clair");  // Éclair
  list.buildRecords();
  EXPECT_EQ(termsOf(list), (std::vector<std::string>{"apple",
                                                     "\xC9"
                                                     "clair",
                                                     "Zebra"}));
}

TEST_F(IndexListTest, SpacesHyphensAndApostrophesAreIgnoredWhenSorting) {
  IndexList list;
  list.add(at(2, 0), "don't");
  list.add(at(1, 9), "do-nt");
  list.add(at(1, 5), "do nt");
  list.add(at(1, 0), "doNe");
  list.buildRecords();
  // "done" < "dont"; the three spellings of "dont" sort alike and so by place.
  EXPECT_EQ(termsOf(list), (std::vector<std::string>{"doNe", "do nt", "do-nt", "don't"}));
}

TEST_F(IndexListTest, ShorterTermSortsFirstAndUnfoldedHighBytesAfterLetters) {
  IndexList list;
  list.add(at(1, 0), "\xA9 notice");  // the copyright sign is not folded
  list.add(at(1, 1), "apples");
  list.add(at(1, 2), "apple");
  list.add(at(1, 3), "z");
  list.add(at(1, 4),
           "\xFF"
           "ear");  // ÿ folds to y
  list.buildRecords();
  EXPECT_EQ(termsOf(list), (std::vector<std::string>{"apple", "apples",
                                                     "\xFF"
                                                     "ear",
                                                     "z", "\xA9 notice"}));
}

TEST_F(IndexListTest, SortKeyTableFoldsTheListedBytesOnly) {
  EXPECT_EQ(IndexList::sortKey('Q'), 'q');
  EXPECT_EQ(IndexList::sortKey(0x8A), 's');
  EXPECT_EQ(IndexList::sortKey(0x9F), 'y');
  EXPECT_EQ(IndexList::sortKey(0xC5), 'a');
  EXPECT_EQ(IndexList::sortKey(0xC6), 0xC6);  // Æ stays
  EXPECT_EQ(IndexList::sortKey(0xD7), 0xD7);  // × stays
  EXPECT_EQ(IndexList::sortKey(0xD8), 'o');
  EXPECT_EQ(IndexList::sortKey(0xDD), 'y');
  EXPECT_EQ(IndexList::sortKey(0xDE), 0xDE);
  EXPECT_EQ(IndexList::sortKey(0xE7), 'c');
  EXPECT_EQ(IndexList::sortKey(0xF1), 'n');
  EXPECT_EQ(IndexList::sortKey(0xF7), 0xF7);  // ÷ stays
  EXPECT_EQ(IndexList::sortKey(0xFC), 'u');
  EXPECT_EQ(IndexList::sortKey('['), '[');
}

TEST_F(IndexListTest, SameTermAtTheSamePlaceIsWrittenOnce) {
  IndexList list;
  list.add(at(1, 4), "Apple");
  list.add(at(1, 4), "apple");
  list.add(at(1, 4), "Apple");  // the line was scanned again
  list.add(at(2, 4), "Apple");
  list.buildRecords();
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(list.at(2).record, 2u);
}

TEST_F(IndexListTest, EmptyIndexHasNoRecords) {
  IndexList list;
  list.buildRecords();
  EXPECT_EQ(list.recordCount(), 0u);
}

TEST_F(IndexListTest, SmallIndexGivesDirectoryAndOneDataRecord) {
  IndexList list;
  list.add(at(2, 0x0110), "zebra");
  list.add(at(1, 5), "apple");
  list.buildRecords();
  ASSERT_EQ(list.recordCount(), 2u);
  EXPECT_EQ(list.recordSize(0), 6u);
  EXPECT_EQ(booktest::recordBytes(list, 0), booktest::cstring("apple"));
  EXPECT_EQ(list.recordSize(1), 10u + 10u);
  EXPECT_EQ(booktest::recordBytes(list, 1),
            (std::vector<uint8_t>{0, 1, 0, 5, 'a', 'p', 'p', 'l', 'e', 0, 0, 2, 1, 0x10, 'z', 'e', 'b', 'r', 'a', 0}));
}

TEST_F(IndexListTest, LargeIndexIsSplitAfterTheEntryThatPassesTheLimit) {
  // 1600 terms of 75 bytes: 80 bytes an entry. 775 entries make exactly
  // 62000 bytes, which is not above the limit; the 776th closes the record.
  IndexList list;
  std::vector<std::string> terms;
  for (int i = 0; i < 1600; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", i);
    std::string term = std::string("term") + number;
    term.resize(75, 'x');
    terms.push_back(term);
  }
  for (int i = 1599; i >= 0; --i) list.add(at(1 + i / 100, uint32_t(i % 100)), terms[size_t(i)]);
  list.buildRecords();
  ASSERT_EQ(list.dataRecordCount(), 3u);
  ASSERT_EQ(list.recordCount(), 4u);
  EXPECT_EQ(list.recordSize(1), 776u * 80u);
  EXPECT_EQ(list.recordSize(2), 776u * 80u);
  EXPECT_EQ(list.recordSize(3), 48u * 80u);
  EXPECT_EQ(booktest::recordBytes(list, 0), booktest::join({booktest::cstring(terms[0]), booktest::cstring(terms[776]),
                                                            booktest::cstring(terms[1552])}));
  for (size_t r = 0; r < 4; ++r) EXPECT_EQ(booktest::recordBytes(list, r).size(), list.recordSize(r)) << r;
  // Record 2 starts with entry 776: text record 8, offset 76.
  std::vector<uint8_t> second = booktest::recordBytes(list, 2);
  EXPECT_EQ(std::vector<uint8_t>(second.begin(), second.begin() + 4), (std::vector<uint8_t>{0, 8, 0, 76}));
  EXPECT_EQ(std::string(second.begin() + 4, second.begin() + 79), terms[776]);
  EXPECT_EQ(second[79], 0);
  // The last record ends with entry 1599.
  std::vector<uint8_t> third = booktest::recordBytes(list, 3);
  EXPECT_EQ(std::vector<uint8_t>(third.end() - 80, third.end() - 76), (std::vector<uint8_t>{0, 16, 0, 99}));
}

TEST_F(IndexListTest, RecordThatReachesTheLimitExactlyTakesTheNextEntryToo) {
  // Entries of 62000 bytes together are not above the limit; a record always
  // closes on the entry that passes it.
  IndexList list;
  list.add(at(1, 0), std::string(61995, 'a'));  // 4 + 61995 + 1 = 62000
  list.add(at(1, 1), "b");
  list.add(at(1, 2), "c");
  list.buildRecords();
  ASSERT_EQ(list.dataRecordCount(), 2u);
  EXPECT_EQ(list.recordSize(1), 62000u + 6u);
  EXPECT_EQ(list.recordSize(2), 6u);
  EXPECT_EQ(booktest::recordBytes(list, 0),
            booktest::join({booktest::cstring(std::string(61995, 'a')), booktest::cstring("c")}));
}

TEST_F(IndexListTest, TermsAreCollectedAtTheLocationOfTheTagInTheSmallPassOnly) {
  //                        0123456789 0123456789
  passtest::PassedBook book("plain text\\Ifirst\\I \\Isecond\\I", {{0, 10, 30}});
  ASSERT_EQ(book.index.size(), 2u);
  // Position 10 is the start of record 2, so it belongs to record 1.
  EXPECT_EQ(book.index.at(0).record, 1u);
  EXPECT_EQ(book.index.at(0).offset, 10u);
  EXPECT_EQ(book.index.at(0).term, "first");
  EXPECT_EQ(book.index.at(1).record, 2u);
  EXPECT_EQ(book.index.at(1).offset, 10u);
  EXPECT_EQ(book.index.at(1).term, "second");
}

TEST_F(IndexListTest, LongTermIsCutAndWarned) {
  passtest::PassedBook book("\\I" + std::string(90, 'i') + "\\I");
  ASSERT_EQ(book.index.size(), 1u);
  EXPECT_EQ(book.index.at(0).term, std::string(80, 'i'));
  EXPECT_EQ(log.warnings(),
            std::vector<std::string>{"Indexed item is > 80 characters; mismatched index markers? Begins with \"" +
                                     std::string(40, 'i') + "\""});
  EXPECT_FALSE(book.failed);
}

TEST_F(IndexListTest, TermTakesTheTitleRulesAndDropsTheBullet) {
  passtest::PassedBook book("\\I\\a149 Item\nof \\iNote\\i\\I");
  ASSERT_EQ(book.index.size(), 1u);
  EXPECT_EQ(book.index.at(0).term, " Item of Note");
}

TEST_F(IndexListTest, FinishingReportsTheStatusOnlyForAnIndex) {
  passtest::PassedBook none("text");
  EXPECT_EQ(log.count(scrivora::LogKind::Status, "Processing index records..."), 0);
  EXPECT_EQ(none.index.recordCount(), 0u);
  log.clear();
  passtest::PassedBook some("\\Ix\\I");
  EXPECT_EQ(log.count(scrivora::LogKind::Status, "Processing index records..."), 1);
  EXPECT_EQ(some.index.recordCount(), 2u);
}

TEST_F(IndexListTest, TermOnALineMovedToTheNextPageIsWrittenOnce) {
  std::string text;
  for (int i = 0; i < 13; ++i) text += "a\n";
  passtest::PassedBook book(text + "\\IZebra\\I and \\Iapple\\I\n");
  EXPECT_FALSE(book.failed);
  ASSERT_GE(book.smallPages.count(), 2u);
  EXPECT_EQ(book.smallPages.at(1).position, 26u);
  ASSERT_EQ(book.index.size(), 2u);
  EXPECT_EQ(book.index.at(0).term, "apple");
  EXPECT_EQ(book.index.at(0).offset, 26u + 14u);
  EXPECT_EQ(book.index.at(1).term, "Zebra");
  EXPECT_EQ(book.index.at(1).offset, 26u);
  EXPECT_EQ(log.count(scrivora::LogKind::Status, "Processing index records..."), 1);
}

}  // namespace
