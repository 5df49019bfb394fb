// The checks of the tag scanner: which message each fault draws, of which
// kind, how often over the two passes, and whether it fails the build.

#include <gtest/gtest.h>

#include "support/BookTestSupport.h"
#include "support/TextPassTestSupport.h"

using namespace passtest;

namespace {

class TextPassMessagesTest : public ::testing::Test {
 protected:
  booktest::LogCapture log;
};

TEST_F(TextPassMessagesTest, CleanTextReportsOnlyThePassStatuses) {
  PassedBook result("Plain \\itext\\i with \\\\ and \\a149.\n");
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(log.statuses(), (std::vector<std::string>{"Generating page tables for the small font...",
                                                      "Generating page tables for the large font..."}));
  EXPECT_TRUE(log.errors().empty());
  EXPECT_TRUE(log.warnings().empty());
}

// One fault, the message it draws, of which kind, how often over the two
// passes (an excerpt error only in the small one, a plain error in each), and
// whether the build fails.
struct Fault {
  std::string text;
  bool fails;
  scrivora::LogKind kind;
  std::string message;
  int count;
};

TEST_F(TextPassMessagesTest, EachFaultDrawsItsMessageAsOftenAsItsKindSays) {
  const Fault faults[] = {
      {"a\\Sbb\\Spc\\Sp\\Sb", true, scrivora::LogKind::Error, "Can't have superscript and subscript at the same time!",
       2},
      {"\\bbold\\b then \\Bbold\\B and \\b again\\b", true, scrivora::LogKind::Error,
       "You can't use \\b and \\B in the same file.", 1},
      // 30 characters from the backslash of \r, in each pass.
      {"\\ccentred \\rright\\r", false, scrivora::LogKind::Warning,
       "Should close alignment tag before switching to another, before \"\\rright\\r\"", 2},
      // 40 characters from the byte after the backslash.
      {"ab\\z" + std::string(50, 'y'), true, scrivora::LogKind::Error,
       "Illegal control code starting at \"\\z" + std::string(39, 'y') + "\"", 1},
      {"a\\Sxyz", true, scrivora::LogKind::Error, "Illegal control code: \\Sx", 1},
      {"\\iword \\Iterm\\I", true, scrivora::LogKind::Error, "No styles permitted before \"\\Iterm\\I\"", 1},
      // The first indent moves x to 158 (200% counts as 100%); the second warns.
      {"\\T=\"200%\"\\T=\"100%\"", false, scrivora::LogKind::Warning,
       "You specified an indent of 100%, which is before the current position of 158 pixels", 2},
      // Twelve 'm' and a 'c': 100 pixels in the small font, 126 in the large.
      {"mmmmmmmmmmmmc\\T=\"50%\"", false, scrivora::LogKind::Warning,
       "You specified an indent of 50%, which is before the current position of 100 pixels", 1},
      {"mmmmmmmmmmmmc\\T=\"50%\"", false, scrivora::LogKind::Warning,
       "You specified an indent of 50%, which is before the current position of 126 pixels", 1},
      {"a\\w50%\" more", true, scrivora::LogKind::Error, "Rule syntax is '\\w=\"xx%\"'.  You have '\\w50%\" '", 1},
      {"\\w=\"5ab%\"", true, scrivora::LogKind::Error, "Rule width specifier must be only digits!", 4},
      {"\\w=\"1000%\"", true, scrivora::LogKind::Error, "More than three digits were specified for the rule width", 2},
      {"\\w=\"50\"", true, scrivora::LogKind::Error, "Rule syntax is '\\w=\"xx%\"' -- you forgot the %.", 2},
      {"\\T=\"50%x\" tail", true, scrivora::LogKind::Error, "Indent syntax is '\\T=\"xx%\"'.  You have '0%x\" ta'", 1},
      {"x\\U00g1y", true, scrivora::LogKind::Error, "Error in \\U specification: \"\\U00g1\"", 1},
      {"See \\Fn=\"note1\"Text\\i\\Fn here.", true, scrivora::LogKind::Error,
       "Tags are not permitted within footnote references, see reference to note1", 2},
      // The window would start before the text: only its part inside is shown.
      {"ab\\Sd\"x\"y\\Sd", true, scrivora::LogKind::Error,
       "Sidebar syntax incorrect.  You have 'ab\\Sd\"x\"y\\Sd' and it should be \\Sd=\"", 1},
      {"\\q=x\\q", true, scrivora::LogKind::Error,
       "Link syntax incorrect.  You have '\\q=x\\q' and it should be \\q=\"#", 1},
      {"\\q=\"#there\"\\dtext\\q", false, scrivora::LogKind::Error,
       "Illegal tag \"\\d\" in link reference to \"there\"", 1},
      {"123456789\\m'pic.png'", true, scrivora::LogKind::Error,
       "Image syntax incorrect.  You have '23456789\\m'pic.png'' and it should be \\m=\"", 1},
      {"\\m=\"absent.png\"", true, scrivora::LogKind::Error, "Image \"absent.png\" doesn't exist!", 1},
  };
  for (const Fault& fault : faults) {
    log.clear();
    PassedBook result(fault.text, {{}, "/nonexistent-folder"});
    EXPECT_EQ(result.failed, fault.fails) << fault.text;
    EXPECT_EQ(log.count(fault.kind, fault.message), fault.count) << fault.text;
  }
}

TEST_F(TextPassMessagesTest, WhatIsNotAFaultIsNotReported) {
  // A \F without n is skipped; scopes left open at the end are not checked.
  for (const char* text : {"a\\Fxb", "\\iitalic to the end \\c"}) {
    log.clear();
    EXPECT_FALSE(PassedBook(text).failed) << text;
    EXPECT_TRUE(log.errors().empty()) << text;
    EXPECT_TRUE(log.warnings().empty()) << text;
  }
}

TEST_F(TextPassMessagesTest, AlignmentLeftOnAtThePageStart) {
  // \c then \r leaves right alignment (2) on for the page \p opens.
  PassedBook result("\\cx\\rab\\pcd");
  ASSERT_EQ(result.smallPages.count(), 2u);
  EXPECT_EQ(result.smallPages.at(1).state, 2);
}

TEST_F(TextPassMessagesTest, IndexTermOpenedWithAStyleOnIsStillReadInTheSmallPass) {
  struct Terms : scrivora::TextPassCollector {
    void indexTerm(scrivora::TextPassContext&, size_t tag, scrivora::TextLocation location) override {
      tags.push_back(tag);
      offsets.push_back(location.offset);
    }
    std::vector<size_t> tags;
    std::vector<uint32_t> offsets;
  } terms;
  EXPECT_TRUE(PassedBook("\\iword \\Iterm\\I", collectingInto(terms)).failed);
  EXPECT_EQ(terms.tags, (std::vector<size_t>{7}));
  EXPECT_EQ(terms.offsets, (std::vector<uint32_t>{7}));
}

}  // namespace
