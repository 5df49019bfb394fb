// Links and anchors: matching by name without regard to case, the rules for
// definitions and references, finishing, and the link records.

#include <gtest/gtest.h>

#include "support/BookTestSupport.h"
#include "support/TextPassTestSupport.h"

using namespace scrivora;

namespace {

class LinkTableTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;

  static std::vector<std::string> namesOf(const LinkTable& table) {
    std::vector<std::string> names;
    for (size_t i = 0; i < table.size(); ++i) names.push_back(table.at(i).name);
    return names;
  }
};

TEST_F(LinkTableTest, AnchorAndLinkGiveOneRecordWithTheTarget) {
  //                        0123456789012345678901234
  passtest::PassedBook book("ab\\Q=\"Home\"\\q=\"#HOME\"go\\q");
  ASSERT_EQ(book.links.recordCount(), 1u);
  // The closing quote of the anchor is at 10: the target is 12.
  EXPECT_EQ(book.links.recordSize(0), 9u);
  EXPECT_EQ(booktest::recordBytes(book.links, 0), (std::vector<uint8_t>{0, 0, 0, 12, 'h', 'o', 'm', 'e', 0}));
  EXPECT_TRUE(log.errors().empty());
  EXPECT_TRUE(log.warnings().empty());
  EXPECT_FALSE(book.failed);
}

TEST_F(LinkTableTest, AnchorAtTheVeryEndTargetsTheEndOfTheText) {
  passtest::PassedBook book("\\q=\"#end\"x\\q \\Q=\"end\"");
  ASSERT_EQ(book.links.recordCount(), 1u);
  // The quote closing the anchor is the last byte (20): the target is the
  // text's end, 21, not two bytes after the quote.
  EXPECT_EQ(booktest::recordBytes(book.links, 0), (std::vector<uint8_t>{0, 0, 0, 21, 'e', 'n', 'd', 0}));
  passtest::PassedBook unclosed("\\q=\"#end\"x\\q \\Q=\"end");
  ASSERT_EQ(unclosed.links.recordCount(), 1u);
  EXPECT_EQ(booktest::recordBytes(unclosed.links, 0), (std::vector<uint8_t>{0, 0, 0, 20, 'e', 'n', 'd', 0}));
}

TEST_F(LinkTableTest, LinkBeforeItsAnchorIsResolved) {
  LinkTable table;
  table.addReference("Later");
  table.addDefinition("LATER", 0x00012345);
  table.finish();
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(booktest::recordBytes(table, 0), booktest::join({booktest::u32(0x12345), booktest::cstring("later")}));
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(LinkTableTest, TwoAnchorsOfOneNameWarnWithTheNameAsWritten) {
  passtest::PassedBook book("\\Q=\"A\" text \\Q=\"a\"");
  EXPECT_EQ(log.warnings(), std::vector<std::string>{"Link \"a\" defined more than once"});
  EXPECT_FALSE(book.failed);
  // The first anchor stays the target.
  ASSERT_NE(book.links.find("A"), nullptr);
  EXPECT_EQ(book.links.find("A")->target, 7u);
}

TEST_F(LinkTableTest, AnchorMetAgainAtTheSamePlaceIsQuiet) {
  LinkTable table;
  table.addDefinition("here", 40);
  table.addDefinition("Here", 40);
  EXPECT_TRUE(log.messages().empty());
  EXPECT_EQ(table.size(), 1u);
}

TEST_F(LinkTableTest, UndefinedLinkWarnsAndIsWrittenWithoutTarget) {
  LinkTable table;
  table.addReference("Nowhere");
  table.finish();
  EXPECT_EQ(log.warnings(), std::vector<std::string>{"Link \"nowhere\" has not been defined"});
  ASSERT_EQ(table.recordCount(), 1u);
  EXPECT_EQ(booktest::recordBytes(table, 0),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 'n', 'o', 'w', 'h', 'e', 'r', 'e', 0}));
}

TEST_F(LinkTableTest, AnchorsNoLinkNamesAreDroppedOnceALinkExists) {
  LinkTable table;
  table.addDefinition("unused", 10);
  table.addDefinition("used", 20);
  table.addDefinition("spare", 30);
  table.addReference("USED");
  table.finish();
  EXPECT_EQ(namesOf(table), std::vector<std::string>{"used"});
  EXPECT_EQ(table.at(0).target, 20u);
}

TEST_F(LinkTableTest, WithoutAnyLinkEveryAnchorIsKeptInNameOrder) {
  LinkTable table;
  table.addDefinition("b", 10);
  table.addDefinition("C", 20);
  table.addDefinition("a", 30);
  table.finish();
  EXPECT_FALSE(table.hasReferences());
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(LinkTableTest, NamesSortAsSignedBytes) {
  LinkTable table;
  for (const char* name : {"zed", "\xE9t\xE9", "abc", "ab", "\x80", "A-B"}) {
    table.addReference(name);
    table.addDefinition(name, 1);
  }
  table.finish();
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{"\x80", "\xE9t\xE9", "a-b", "ab", "abc", "zed"}));
}

TEST_F(LinkTableTest, NameEndCountsAsAZeroByteWhenComparingSignedBytes) {
  // The reader compares zero-terminated names: the end of "ab" is a zero
  // byte, which sorts after 0x80 to 0xFF and before every other byte.
  LinkTable table;
  for (const char* name : {"ab", "ab\xE9", "ab0"}) {
    table.addReference(name);
    table.addDefinition(name, 1);
  }
  table.finish();
  EXPECT_EQ(namesOf(table), (std::vector<std::string>{"ab\xE9", "ab", "ab0"}));
}

TEST_F(LinkTableTest, BadLinkSyntaxIsAnExcerptErrorAndResumesAfterTheTag) {
  //                        0123456789012345678901
  passtest::PassedBook book("A link: \\q=\"x\"text\\q");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.errors(), std::vector<std::string>{
                              "Link syntax incorrect.  You have 'A link: \\q=\"x\"text\\q' and it should be \\q=\"#"});
  EXPECT_EQ(book.links.size(), 0u);
}

TEST_F(LinkTableTest, ExcerptBeforeTheStartOfTheTextKeepsWhatIsInside) {
  passtest::PassedBook book("\\Q\"n\" and then more text");
  // The window starts 8 bytes before the tag: only its last 12 bytes exist.
  EXPECT_EQ(log.errors(),
            std::vector<std::string>{"Link syntax incorrect.  You have '\\Q\"n\" and th' and it should be \\Q=\""});
  EXPECT_EQ(book.links.size(), 0u);
}

TEST_F(LinkTableTest, LinksAndAnchorsAreCollectedInTheSmallPassOnly) {
  struct Names : TextPassCollector {
    void linkReference(TextPassContext& c, size_t, size_t b, size_t e) override {
      names.push_back((c.smallPass() ? "small link " : "large link ") + c.slice(b, e));
    }
    void anchor(TextPassContext& c, size_t, size_t b, size_t e, uint32_t target) override {
      names.push_back((c.smallPass() ? "small anchor " : "large anchor ") + c.slice(b, e) + "@" +
                      std::to_string(target));
    }
    std::vector<std::string> names;
  } names;
  passtest::PassedBook result("\\Q=\"a\"\\q=\"#b\"x\\q", passtest::collectingInto(names));
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(names.names, (std::vector<std::string>{"small anchor a@7", "small link b"}));
}

TEST_F(LinkTableTest, LongLinkNameIsAnErrorAndCutTo79) {
  std::string name(81, 'L');
  passtest::PassedBook book("\\q=\"#" + name + "\"x\\q");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.errors(), std::vector<std::string>{"Link reference is longer than 80 characters: \"\\q=\"#" +
                                                   std::string(35, 'L') + "\""});
  ASSERT_EQ(book.links.size(), 1u);
  EXPECT_EQ(book.links.at(0).name, std::string(79, 'l'));
}

TEST_F(LinkTableTest, EightyCharacterNamesAreKept) {
  passtest::PassedBook book("x\\Q=\"" + std::string(80, 'n') + "\"");
  EXPECT_FALSE(book.failed);
  ASSERT_EQ(book.links.size(), 1u);
  EXPECT_EQ(book.links.at(0).name.size(), 80u);
}

TEST_F(LinkTableTest, LongAnchorNameIsAnErrorWithItsOwnExcerpt) {
  passtest::PassedBook book("x\\Q=\"" + std::string(85, 'n') + "\"");
  EXPECT_TRUE(book.failed);
  EXPECT_EQ(log.errors(),
            std::vector<std::string>{"Link is longer than 80 characters: \"x\\Q=\"" + std::string(35, 'n') + "\""});
  ASSERT_EQ(book.links.size(), 1u);
  EXPECT_EQ(book.links.at(0).name.size(), 79u);
}

TEST_F(LinkTableTest, BarredFirstTagInLinkTextIsReportedWithoutFailing) {
  // The first link's first tag is \i, which is allowed; the second link
  // starts with an anchor.
  passtest::PassedBook book("\\q=\"#Spot\"see \\ithis\\i \\Q=\"x\"\\q \\q=\"#two\"\\Q=\"two\"term\\q");
  EXPECT_EQ(log.errors(), std::vector<std::string>{"Illegal tag \"\\Q\" in link reference to \"two\""});
  EXPECT_FALSE(book.failed);
}

TEST_F(LinkTableTest, BarredFirstTagNamesTheLinkCutTo79) {
  passtest::PassedBook book("\\q=\"#" + std::string(81, 'k') + "\"\\dtext\\q");
  EXPECT_EQ(
      log.count(scrivora::LogKind::Error, "Illegal tag \"\\d\" in link reference to \"" + std::string(79, 'k') + "\""),
      1);
}

}  // namespace
