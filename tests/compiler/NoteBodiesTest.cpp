// The notes block and the footnote and sidebar bodies: where the main text
// ends, how a block is found by its id, where a body ends, which tags a body
// may not hold, and the records each body becomes.

#include <gtest/gtest.h>

#include <string>

#include "NoteBodies.h"
#include "NotesBlock.h"
#include "support/BookTestSupport.h"

using namespace scrivora;
using booktest::LogCapture;
using booktest::TempDir;

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

size_t textEnd(const std::string& text) { return mainTextEnd(bytesOf(text), text.size()); }

NotesBlock notesOf(const std::string& text) { return NotesBlock(std::vector<uint8_t>(text.begin(), text.end())); }

std::string bodyText(const NotesBlock& notes, const NoteBody& body) {
  return std::string(reinterpret_cast<const char*>(notes.data()) + body.begin, body.length());
}

// Lines of ordinary prose, `bytes` long: compresses to a few records' worth
// only when longer than a record.
std::string prose(size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += "The keeper wrote line " + std::to_string(i) + " of his log.\n";
  text.resize(bytes);
  text.back() = '.';
  return text;
}

}  // namespace

// --- where the main text ends -------------------------------------------

TEST(NotesBlockSplit, MainTextEndsBeforeTheFirstBlockAndTheLineFeedsJustBeforeIt) {
  const std::pair<std::string, size_t> cases[] = {
      {"Just a story.\n\n", 15},
      {"", 0},
      {"Story\n\n\n<footnote id=\"a\">A</footnote>", 5},
      {"Story\n \n<sidebar id=\"a\">A</sidebar>", 7},
      {"ab<sidebar id=\"s\">S</sidebar><footnote id=\"f\">F</footnote>", 2},
      {"abc<footnote id=\"f\">F</footnote>\n<sidebar id=\"s\">S</sidebar>", 3},
      {"First part.\n<footnote id=\"n\">Note</footnote>\nSecond part that is lost.", 11},
      // The marker needs its quote and its exact case.
      {"x<footnote id=n>y", 17},
      {"x<Footnote id=\"n\">y", 19},
      // The second '<' breaks the match begun by the first and is not
      // compared with the marker's first byte again; one byte on, the scan is
      // back in step.
      {"ab<<footnote id=\"n\">x</footnote>", 32},
      {"ab< <footnote id=\"n\">x</footnote>", 4},
  };
  for (const auto& [text, end] : cases) EXPECT_EQ(textEnd(text), end) << text;
}

TEST(NotesBlockSplit, SplitLeavesTheMainTextAndKeepsTheRest) {
  std::string text = "Main\n\n<sidebar id=\"s\">\nBody\n</sidebar>";
  std::vector<uint8_t> source(text.begin(), text.end());
  NotesBlock notes = NotesBlock::splitFrom(source);
  EXPECT_EQ(std::string(source.begin(), source.end()), "Main");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(notes.data()), notes.size()),
            "\n\n<sidebar id=\"s\">\nBody\n</sidebar>");
}

// --- finding a body -------------------------------------------------------

TEST(NoteBodyLookup, BlockIsFoundByItsWholeIdInAnyCaseAndItsBodyEndsBeforeItsEndTag) {
  struct Case {
    std::string notes;
    NoteKind kind;
    std::string id;
    bool found;
    std::string body;
    bool hasEndTag;
  };
  const Case cases[] = {
      {"<FOOTNOTE ID=\"Note1\">\n\nBody</footnote>", NoteKind::Footnote, "note1", true, "Body", true},
      {"<FOOTNOTE ID=\"Note1\">\n\nBody</footnote>", NoteKind::Sidebar, "note1", false, "", false},
      {"<footnote id=\"note10\">Ten</footnote><footnote id=\"note1\">One</footnote>", NoteKind::Footnote, "note1", true,
       "One", true},
      {"<footnote id=\"note10\">Ten</footnote>", NoteKind::Footnote, "note", false, "", false},
      {"<sidebar id=\"s\">\nLine one\nLine two\n\n</sidebar>", NoteKind::Sidebar, "s", true, "Line one\nLine two",
       true},
      {"<sidebar id=\"s\">\n\n\n</sidebar>", NoteKind::Sidebar, "s", true, "", true},
      {"<sidebar id=\"s\">A</footnote>B</SIDEBAR>C</sidebar>", NoteKind::Sidebar, "s", true, "A</footnote>B</SIDEBAR>C",
       true},
      {"<footnote id=\"f\">Text that never ends", NoteKind::Footnote, "f", true, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.notes + " / " + c.id);
    NotesBlock notes = notesOf(c.notes);
    const size_t start = notes.findBodyStart(c.kind, c.id);
    ASSERT_EQ(start != kMarkerNotFound, c.found);
    if (!c.found) continue;
    NoteBody body = notes.bodyFrom(c.kind, start);
    EXPECT_EQ(bodyText(notes, body), c.body);
    EXPECT_EQ(body.hasEndTag, c.hasEndTag);
    EXPECT_GE(body.begin, start);
  }
}

// --- tags inside a body ---------------------------------------------------

class NoteBodyTags : public testing::Test {
 protected:
  void check(const std::string& body, const std::string& id = "n1") {
    images.imageDirectory = dir.file("book_img");
    images.images = &list;
    checkNoteBody(bytesOf(body), body.size(), id, images);
  }
  TempDir dir;
  LogCapture log;
  ImageList list;
  NoteImages images;
};

TEST_F(NoteBodyTags, MainTextOnlyTagsAreReportedWithTheBodysId) {
  const auto illegal = [](char letter, const char* id) {
    return std::string("Illegal tag \"\\") + letter + "\" in file \"" + id + "\"";
  };
  struct Case {
    std::string body;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"\\Ca \\Fb \\Ic \\Qd \\Xe \\df \\qg \\xh",
       {illegal('C', "n1"), illegal('F', "n1"), illegal('I', "n1"), illegal('Q', "n1"), illegal('X', "n1"),
        illegal('d', "n1"), illegal('q', "n1"), illegal('x', "n1")}},
      {"\\iit\\i \\bbold\\b \\c\\c \\w=\"50%\" \\T=\"20%\" \\a149 \\U00E9 \\- \\p \\n \\SpUp\\Sp \\SbDn\\Sb \\t\\t",
       {}},
      // An escaped backslash is no tag; the letter after it is text.
      {"a\\\\x and \\\\C", {}},
      {"a\\\\\\x", {illegal('x', "n1")}},
      // A sidebar reference is known by its second letter, at both ends.
      {"see \\Sd=\"other\"there\\Sd", {illegal('d', "n1"), illegal('d', "n1")}},
      {"ends with \\S", {"Illegal tag \"\\S\" in file \"n1\""}},
      {"ends with \\", {}},
  };
  for (const Case& c : cases) {
    LogCapture attempt;
    check(c.body);
    EXPECT_EQ(attempt.errors(), c.errors) << c.body;
    EXPECT_TRUE(attempt.warnings().empty()) << c.body;
  }
}

TEST_F(NoteBodyTags, ImageWithoutItsArgumentIsAWarning) {
  check("\\m pic.png and \\m=pic.png");
  EXPECT_EQ(log.warnings(), (std::vector<std::string>{"Image syntax incorrect.  It should be \\m=\"",
                                                      "Image syntax incorrect.  It should be \\m=\""}));
  EXPECT_TRUE(log.errors().empty());
  EXPECT_FALSE(images.named);
  EXPECT_EQ(list.size(), 0u);
}

TEST_F(NoteBodyTags, ImageNameIsScannedForTagsLikeTheRestOfTheBody) {
  // The tag scan goes on right after the letter m, into the quoted name.
  booktest::makeFolder(dir.file("book_img"));
  check("\\m=\"a\\Qb.png\"");
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"Illegal tag \"\\Q\" in file \"n1\"", "Image \"a\\Qb.png\" doesn't exist!"}));
  EXPECT_TRUE(images.failed);
}

TEST_F(NoteBodyTags, AllIllegalTagsOfABodyComeBeforeItsImageReports) {
  check("\\m=\"gone.png\" then \\x and \\m bare");
  EXPECT_EQ(log.errors(),
            (std::vector<std::string>{"Illegal tag \"\\x\" in file \"n1\"", "Image \"gone.png\" doesn't exist!"}));
  EXPECT_EQ(log.warnings(), std::vector<std::string>{"Image syntax incorrect.  It should be \\m=\""});
}

// --- the records of the bodies -------------------------------------------

class NoteBodyRecords : public testing::Test {
 protected:
  bool write(const std::string& notesText, ReferenceList& ids, NoteKind kind = NoteKind::Footnote) {
    notes = notesOf(notesText);
    EXPECT_TRUE(resolveNoteReferences(notes, kind, ids));
    images.images = &list;
    return writeNoteBodies(notes, kind, ids, dir.file("book.tml.ftn"), sizes, images);
  }
  TempDir dir;
  LogCapture log;
  NotesBlock notes;
  ImageList list;
  NoteImages images;
  U32Table sizes;
};

TEST_F(NoteBodyRecords, ThreeBodiesOfOneNoneAndTwoRecords) {
  std::string longBody = prose(12000);
  ReferenceList ids;
  for (const char* id : {"b", "a", "c"}) ids.add(id);
  ids.finish();
  ASSERT_TRUE(
      write("<footnote id=\"a\">Short note.</footnote>\n<footnote id=\"b\">\n</footnote>\n"
            "<footnote id=\"c\">\n" +
                longBody + "\n</footnote>",
            ids));
  EXPECT_EQ(ids.recordCountAt(0), 1u);
  EXPECT_EQ(ids.recordCountAt(1), 0u);
  EXPECT_EQ(ids.recordCountAt(2), 2u);
  ASSERT_EQ(sizes.size(), 4u);
  EXPECT_EQ(sizes[0], 0u);
  // The file holds exactly the three records, back to back.
  booktest::Bytes file = booktest::readFile(dir.file("book.tml.ftn"));
  ASSERT_EQ(file.size(), size_t(sizes[1]) + sizes[2] + sizes[3]);
  EXPECT_EQ(booktest::inflateRecord(file.data(), sizes[1]), "Short note.");
  std::string joined = booktest::inflateRecord(file.data() + sizes[1], sizes[2]) +
                       booktest::inflateRecord(file.data() + sizes[1] + sizes[2], sizes[3]);
  EXPECT_EQ(joined, longBody);
  EXPECT_TRUE(log.errors().empty());
}

TEST_F(NoteBodyRecords, NoIdsWriteNoFileAndLeaveTheSizesEmpty) {
  booktest::writeFile(dir.file("book.tml.ftn"), std::string("left over"));
  ReferenceList ids;
  ASSERT_TRUE(write("", ids));
  EXPECT_TRUE(sizes.empty());
  EXPECT_FALSE(booktest::fileExists(dir.file("book.tml.ftn")));
}

// The lookup reads the ids of the block openings once instead of scanning
// the whole block per id; it must find exactly what the plain byte-by-byte
// scan finds, however the openings, ids and stray '<' bytes are mixed.
TEST(NoteBodyLookup, JumpingLookupFindsWhatThePlainScanFinds) {
  const std::vector<std::string> pieces = {"<sidebar id=\"",
                                           "<SIDEBAR ID=\"",
                                           "<footnote id=\"",
                                           "<<sidebar id=\"",
                                           "a",
                                           "A",
                                           "ab",
                                           "\">",
                                           "\"",
                                           ">",
                                           "<",
                                           "\n",
                                           " ",
                                           "x",
                                           "</sidebar>",
                                           "<sidebar id=\"a\">",
                                           "<footnote id=\"ab\">"};
  const std::vector<std::string> ids = {"a", "ab", "b", "", "<sidebar id=\"a", "\""};
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  int found = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    size_t count = 1 + next(14);
    for (size_t i = 0; i < count; ++i) text += pieces[next(uint32_t(pieces.size()))];
    NotesBlock notes = notesOf(text);
    for (NoteKind kind : {NoteKind::Sidebar, NoteKind::Footnote}) {
      for (const std::string& id : ids) {
        std::string pattern = std::string(blockOpening(kind)) + id + "\">";
        size_t plain = findMarker(bytesOf(text), text.size(), 0, pattern, true);
        size_t expected = kMarkerNotFound;
        if (plain != kMarkerNotFound) {
          expected = plain + pattern.size();
          while (expected < text.size() && text[expected] == '\n') ++expected;
          ++found;
        }
        ASSERT_EQ(notes.findBodyStart(kind, id), expected) << "text: " << text << " id: " << id;
      }
    }
  }
  // The mix must reach both outcomes often.
  EXPECT_GT(found, 1000);
}
