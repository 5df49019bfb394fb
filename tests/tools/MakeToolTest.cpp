// scrivora-make and scrivora-inspect as a user runs them: exit statuses,
// messages, the default book name, the information block fallback in either
// encoding, reproducible dates, and the inspector's account and checks.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/ToolRun.h"

using namespace tooltest;

namespace {

const char kInfoBlock[] =
    "\\v\r\nTITLE=\"Block Title\"\r\nAUTHOR=\"Block Author\"\r\nPUBLISHER=\"\"\r\n"
    "EISBN=\"123\"\r\nCOPYRIGHT=\"1851\"\r\nOUT=\"ignored.tdb\"\r\n\\vCall me Ishmael.\r\n";

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

class MakeTool : public testing::Test {
 protected:
  // The metadata the inspector reads back from a book, as its JSON shows it.
  std::string metadataOf(const std::string& book) {
    const std::string json = folder.run("scrivora-inspect", {"--json", book}).out;
    const size_t start = json.find("\"metadata\": ");
    return start == std::string::npos ? json : json.substr(start, json.find('}', start) - start + 1);
  }
  Folder folder;
};

}  // namespace

TEST_F(MakeTool, BookIsWrittenAndReadsBackWithTheSameText) {
  // Line feeds only: the build turns every other line end into one.
  const std::string text = "\\v\nTITLE=\"Block Title\"\nAUTHOR=\"Block Author\"\n\\v" + std::string(20000, 'w') + "\n";
  folder.write("moby.tml", text);
  const ToolRun make = folder.run("scrivora-make", {"moby.tml"});
  EXPECT_EQ(make.status, 0) << make.err;
  const std::vector<std::string> messages = lines(make.err);
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.front(), "Writing book <Block Title> from file <moby.tml>...");
  EXPECT_EQ(messages.back(), "Done.");
  const ToolRun inspect = folder.run("scrivora-inspect", {"--text", "moby.tdb"});
  EXPECT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_EQ(inspect.out, text);
  const ToolRun report = folder.run("scrivora-inspect", {"moby.tdb"});
  EXPECT_EQ(report.status, 0);
  EXPECT_TRUE(contains(report.out, "No inconsistencies found.")) << report.out;
}

TEST_F(MakeTool, OptionsOverrideTheInformationBlockFieldByField) {
  folder.write("moby.tml", kInfoBlock);
  const ToolRun make = folder.run("scrivora-make", {"--author", "Herman Melville", "--title=Moby", "-q", "moby.tml"});
  ASSERT_EQ(make.status, 0) << make.err;
  EXPECT_EQ(make.err, "") << "-q drops the status lines";
  EXPECT_EQ(metadataOf("moby.tdb"),
            "\"metadata\": {\"title\": \"Moby\", \"author\": \"Herman Melville\", \"copyright\": \"1851\", "
            "\"publisher\": \"\", \"eisbn\": \"123\"}");
}

TEST_F(MakeTool, AUtf8InformationBlockIsReadAsTheBuildReadsTheSource) {
  const std::string block = "\\v\nTITLE=\"Caf\xC3\xA9 \xE2\x80\x94 Menu\"\n\\vText.";
  folder.write("marked.tml", "\xEF\xBB\xBF" + block);
  folder.write("unmarked.tml", block);
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "marked.tml"}).status, 0);
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "--input-encoding=utf-8", "unmarked.tml"}).status, 0);
  for (const char* book : {"marked.tdb", "unmarked.tdb"})
    EXPECT_TRUE(contains(metadataOf(book), "\"title\": \"Caf\\u00e9 \\u2014 Menu\"")) << book << metadataOf(book);
  // Read as Windows-1252, the bytes stay what they are.
  ASSERT_EQ(
      folder.run("scrivora-make", {"-q", "--input-encoding=windows-1252", "-o", "raw.tdb", "unmarked.tml"}).status, 0);
  EXPECT_TRUE(contains(metadataOf("raw.tdb"), "\"title\": \"Caf\\u00c3\\u00a9")) << metadataOf("raw.tdb");
  EXPECT_EQ(folder.run("scrivora-make", {"--input-encoding=latin-9", "unmarked.tml"}).status, 2);
}

TEST_F(MakeTool, BookNameFollowsTheSourceName) {
  for (const char* name : {"story.tml", "STORY.TML", "notes", "old.tdb.txt"}) {
    folder.write(name, "text");
    EXPECT_EQ(folder.run("scrivora-make", {"-q", name}).status, 0) << name;
  }
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"STORY.TML", "STORY.TML.tdb", "notes", "notes.tdb",
                                                        "old.tdb.tdb", "old.tdb.txt", "story.tdb", "story.tml"}));
  // Beside a source in another folder, whatever that folder is called.
  ASSERT_EQ(mkdir(folder.path("sub.tml").c_str(), 0755), 0);
  folder.write("sub.tml/chapter.txt", "text");
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "sub.tml/chapter.txt"}).status, 0);
  EXPECT_TRUE(exists(folder.path("sub.tml/chapter.tdb")));
}

TEST_F(MakeTool, NoBookWrittenExitsWithOneAndPrefixedErrors) {
  const ToolRun make = folder.run("scrivora-make", {"absent.tml"});
  EXPECT_EQ(make.status, 1);
  EXPECT_EQ(make.err, "error: The input file \"absent.tml\" could not be opened.\n");
  // What is not a regular file at the output path is never replaced.
  folder.write("s.tml", "text");
  ASSERT_EQ(mkfifo(folder.path("pipe.tdb").c_str(), 0600), 0);
  ASSERT_EQ(symlink("pipe.tdb", folder.path("link.tdb").c_str()), 0);
  for (const char* output : {"pipe.tdb", "link.tdb"}) {
    const ToolRun refused = folder.run("scrivora-make", {"-q", "-o", output, "s.tml"});
    EXPECT_EQ(refused.status, 1) << output;
    EXPECT_EQ(refused.err, std::string("error: The file \"") + output + "\" could not be opened for writing.\n");
  }
  struct stat info;
  ASSERT_EQ(lstat(folder.path("pipe.tdb").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(MakeTool, JsonLogWritesOneObjectPerMessage) {
  // The title comes from the information block, byte 0xE9 and all.
  folder.write("say \"cafe\".tml", "\\v\nTITLE=\"Caf\xe9: Menu\"\n\\vtext");
  const ToolRun make = folder.run("scrivora-make", {"--log-format=json", "say \"cafe\".tml"});
  EXPECT_EQ(make.status, 0);
  const std::vector<std::string> messages = lines(make.err);
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages[0],
            "{\"kind\": \"warning\", \"message\": \"Colons are not currently permitted in the book title. "
            "Translating colons to hyphens.\"}");
  EXPECT_EQ(messages[1],
            "{\"kind\": \"status\", \"message\": \"Writing book <Caf\\u00e9- Menu> from file "
            "<say \\\"cafe\\\".tml>...\"}");
  EXPECT_EQ(messages.back(), "{\"kind\": \"status\", \"message\": \"Done.\"}");
}

TEST_F(MakeTool, AMessageAboutAPlaceNamesItsLineAndColumn) {
  // The excerpt runs over two line ends, which stay inside the one line.
  folder.write("bad.tml", "First line\r\nab\\zz\r\nnext\r\n");
  const ToolRun text = folder.run("scrivora-make", {"-q", "bad.tml"});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.err,
            "bad.tml:2:3: error: Illegal control code starting at \"\\zz\\nnext\\n\"\n"
            "error: Errors occurred while paginating the book. No output file generated.\n");
  const ToolRun json = folder.run("scrivora-make", {"-q", "--log-format=json", "bad.tml"});
  EXPECT_EQ(lines(json.err).front(),
            "{\"kind\": \"error\", \"message\": \"Illegal control code starting at \\\"\\\\zz\\nnext\\n\\\"\", "
            "\"file\": \"bad.tml\", \"line\": 2, \"column\": 3}");
}

TEST_F(MakeTool, SourceDateEpochMakesBuildsIdenticalAndTheInspectorShowsTheDate) {
  folder.write("same.tml", std::string(kInfoBlock) + "Some text.\n");
  const RunOptions epoch{"", -1, {"SOURCE_DATE_EPOCH=1500000000"}};
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "-o", "one.tdb", "same.tml"}, epoch).status, 0);
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "-o", "two.tdb", "same.tml"}, epoch).status, 0);
  EXPECT_EQ(readFile(folder.path("one.tdb")), readFile(folder.path("two.tdb")));
  const ToolRun report = folder.run("scrivora-inspect", {"one.tdb"});
  EXPECT_TRUE(contains(report.out,
                       "created 1500000000 (2017-07-14T02:40:00Z), modified 1500000001 "
                       "(2017-07-14T02:40:01Z)"))
      << report.out;
}

TEST_F(MakeTool, InspectorReportsADamagedBookWithStatusOne) {
  folder.write("d.tml", std::string(5000, 'd'));
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "d.tml"}).status, 0);
  std::string book = readFile(folder.path("d.tdb"));
  book[78 + 8 + 7] ^= 0x40;  // the unique id of record 1
  folder.write("d.tdb", book);
  const ToolRun inspect = folder.run("scrivora-inspect", {"d.tdb"});
  EXPECT_EQ(inspect.status, 1);
  EXPECT_TRUE(contains(inspect.out, "record 1 has the unique id")) << inspect.out;
  const ToolRun missing = folder.run("scrivora-inspect", {"nothing.tdb"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "scrivora-inspect: cannot read nothing.tdb: No such file or directory\n");
}

TEST_F(MakeTool, InspectorWritesTextInTheTerminalsEncoding) {
  folder.write("e.tml", "caf\xE9 na\xEFve");
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "e.tml"}).status, 0);
  EXPECT_EQ(folder.run("scrivora-inspect", {"--text", "e.tdb"}, {"", -1, {"LC_ALL=C.UTF-8"}}).out,
            "caf\xC3\xA9 na\xC3\xAFve");
  EXPECT_EQ(folder.run("scrivora-inspect", {"--text", "e.tdb"}, {"", -1, {"LC_ALL=C"}}).out, "caf\xE9 na\xEFve");
}

TEST_F(MakeTool, InspectorNeverLeavesALostReportOrAPartialImage) {
  const std::string sample = std::string(SCRIVORA_SOURCE_DIR) + "/examples/sample";
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "-o", "s.tdb", sample + ".tml"}).status, 0);
  // The folder is made, with its parents.
  const ToolRun extracted = folder.run("scrivora-inspect", {"--extract-images", "pics/new", "s.tdb"});
  EXPECT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(readFile(folder.path("pics/new/flag.png")).substr(1, 3), "PNG");
  // Past the file size limit (a full disk) no partial file is left.
  // The flag's 120 bytes fit under the limit, the lighthouse's 439 do not.
  const ToolRun limited =
      folder.run("scrivora-inspect", {"--extract-images", "small", "s.tdb"}, {"/dev/null", 200, {}});
  EXPECT_EQ(limited.status, 1);
  EXPECT_EQ(limited.err, "scrivora-inspect: cannot write small/lighthouse.png: File too large\n");
  EXPECT_EQ(Folder::entriesOf(folder.path("small")), std::vector<std::string>{"flag.png"});
  const ToolRun full = folder.run("scrivora-inspect", {"s.tdb"}, {"/dev/full", -1, {}});
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "scrivora-inspect: cannot write standard output: No space left on device\n");
}

TEST_F(MakeTool, InspectorListsChaptersLinksAndIndexTerms) {
  folder.write("nav.tml", "\\X2Deep\\X2 \\Q=\"here\"\\I\\a149 Item\\I \\q=\"#HERE\"back\\q \\q=\"#nowhere\"x\\q");
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "nav.tml"}).status, 0);
  const ToolRun report = folder.run("scrivora-inspect", {"nav.tdb"});
  ASSERT_EQ(report.status, 0) << report.out;
  // The level-2 entry's title carries 8 spaces; the anchor's quote closes at
  // 19, so it targets 21; the index tag stands at 20 in record 1.
  for (const char* line :
       {"0: level 2 \"        Deep\"", "\"here\" -> 21", "\"nowhere\" -> undefined", "\" Item\": record 1 offset 20"})
    EXPECT_TRUE(contains(report.out, line)) << line << "\n" << report.out;
}

TEST(ToolFrontEnd, EveryToolHasHelpVersionAndUsageErrors) {
  Folder folder;
  for (const char* tool : {"scrivora-make", "scrivora-inspect", "scrivora-import", "scrivora-convert"}) {
    const ToolRun help = folder.run(tool, {"--help"});
    EXPECT_EQ(help.status, 0) << tool;
    EXPECT_EQ(help.out.rfind(std::string("Usage: ") + tool, 0), 0u) << help.out;
    EXPECT_EQ(folder.run(tool, {"--version"}).out.rfind(std::string(tool) + " ", 0), 0u) << tool;
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{}, {"--frobnicate", "x"}, {"-"}, {"a", "b", "c"}}) {
      const ToolRun usage = folder.run(tool, words);
      EXPECT_EQ(usage.status, 2) << tool << " " << (words.empty() ? "" : words[0]);
      EXPECT_TRUE(contains(usage.err, std::string("Usage: ") + tool)) << usage.err;
    }
  }
}
