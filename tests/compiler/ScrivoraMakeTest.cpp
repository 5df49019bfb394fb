// The two command-line tools as a user runs them: exit statuses, messages on
// standard error as text or JSON, the default book name, the information
// block fallback, reproducible dates, and the inspector's account and checks.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "BookDatabaseWriter.h"
#include "ByteBuffer.h"
#include "support/BookTestSupport.h"

using booktest::TempDir;

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

class CommandLineTest : public testing::Test {
 protected:
  // Runs a tool from the build folder with the given shell-quoted
  // arguments; environment is put in front of the command.
  RunResult run(const std::string& tool, const std::string& arguments, const std::string& environment = "") {
    std::string program = std::string(SCRIVORA_BINARY_DIR) + "/bin/" + tool;
    EXPECT_TRUE(booktest::fileExists(program)) << program << " has not been built";
    std::string command = "cd '" + dir.path() + "' && " + environment + " '" + program + "' " + arguments + " >'" +
                          dir.file("out.txt") + "' 2>'" + dir.file("err.txt") + "'";
    int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = booktest::readText(dir.file("out.txt"));
    result.err = booktest::readText(dir.file("err.txt"));
    std::remove(dir.file("out.txt").c_str());
    std::remove(dir.file("err.txt").c_str());
    return result;
  }

  std::string source(const std::string& name, const std::string& text) {
    booktest::writeFile(dir.file(name), text);
    return dir.file(name);
  }

  TempDir dir;
};

const char kInfoBlock[] =
    "\\v\r\nTITLE=\"Block Title\"\r\nAUTHOR=\"Block Author\"\r\nPUBLISHER=\"\"\r\n"
    "EISBN=\"123\"\r\nCOPYRIGHT=\"1851\"\r\nOUT=\"ignored.tdb\"\r\n\\vCall me Ishmael.\r\n";

}  // namespace

// Every line of standard error as a list.
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

TEST_F(CommandLineTest, BookIsWrittenAndReadsBackWithTheSameText) {
  // Line feeds only: the build turns every other line end into one.
  std::string text =
      "\\v\nTITLE=\"Block Title\"\nAUTHOR=\"Block Author\"\nPUBLISHER=\"\"\nEISBN=\"123\"\n"
      "COPYRIGHT=\"1851\"\n\\v" +
      std::string(20000, 'w') + "\n";
  source("moby.tml", text);
  RunResult make = run("scrivora-make", "moby.tml");
  EXPECT_EQ(make.status, 0) << make.err;
  std::vector<std::string> messages = lines(make.err);
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.front(), "Writing book <Block Title> from file <moby.tml>...");
  EXPECT_EQ(messages.back(), "Done.");
  ASSERT_TRUE(booktest::fileExists(dir.file("moby.tdb")));
  RunResult inspect = run("scrivora-inspect", "--text moby.tdb");
  EXPECT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_EQ(inspect.out, text);
  RunResult report = run("scrivora-inspect", "moby.tdb");
  EXPECT_EQ(report.status, 0);
  EXPECT_NE(report.out.find("No inconsistencies found."), std::string::npos) << report.out;
  EXPECT_NE(report.out.find("title \"Block Title\", author \"Block Author\", copyright \"1851\", publisher \"\", "
                            "eISBN \"123\""),
            std::string::npos)
      << report.out;
}

TEST_F(CommandLineTest, OptionsOverrideTheInformationBlockFieldByField) {
  source("moby.tml", kInfoBlock);
  RunResult make = run("scrivora-make", "--author 'Herman Melville' --title=Moby -q moby.tml");
  ASSERT_EQ(make.status, 0) << make.err;
  EXPECT_EQ(make.err, "") << "-q drops the status lines";
  RunResult json = run("scrivora-inspect", "--json moby.tdb");
  EXPECT_NE(
      json.out.find("\"metadata\": {\"title\": \"Moby\", \"author\": \"Herman Melville\", \"copyright\": \"1851\", "
                    "\"publisher\": \"\", \"eisbn\": \"123\"}"),
      std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"consistent\": true"), std::string::npos);
}

TEST_F(CommandLineTest, BookNameFollowsTheSourceName) {
  source("story.tml", "a");
  source("STORY.TML", "b");
  source("notes", "c");
  source("old.tdb.txt", "d");
  EXPECT_EQ(run("scrivora-make", "-q story.tml").status, 0);
  EXPECT_EQ(run("scrivora-make", "-q STORY.TML").status, 0);
  EXPECT_EQ(run("scrivora-make", "-q notes").status, 0);
  EXPECT_EQ(run("scrivora-make", "-q old.tdb.txt").status, 0);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"STORY.TML", "STORY.TML.tdb", "notes", "notes.tdb", "old.tdb.tdb",
                                                     "old.tdb.txt", "story.tdb", "story.tml"}));
}

TEST_F(CommandLineTest, DefaultBookGoesBesideASourceInAnotherFolder) {
  ASSERT_EQ(std::system(("mkdir '" + dir.file("sub.tml") + "'").c_str()), 0);
  source("sub.tml/chapter.txt", "text");
  ASSERT_EQ(run("scrivora-make", "-q sub.tml/chapter.txt").status, 0);
  EXPECT_TRUE(booktest::fileExists(dir.file("sub.tml/chapter.tdb")));
}

TEST_F(CommandLineTest, OutputOptionNamesTheBookFile) {
  source("in.tml", "text");
  ASSERT_EQ(run("scrivora-make", "-q -o custom.book in.tml").status, 0);
  EXPECT_TRUE(booktest::fileExists(dir.file("custom.book")));
  EXPECT_FALSE(booktest::fileExists(dir.file("in.tdb")));
}

TEST_F(CommandLineTest, NoBookWrittenExitsWithOneAndPrefixedErrors) {
  RunResult make = run("scrivora-make", "absent.tml");
  EXPECT_EQ(make.status, 1);
  EXPECT_EQ(make.err, "error: The input file \"absent.tml\" could not be opened.\n");
}

TEST_F(CommandLineTest, UsageErrorsExitWithTwoAndShowTheUsage) {
  for (const char* arguments : {"", "--frobnicate x.tml", "--log-format=xml x.tml", "a.tml b.tml", "-o"}) {
    RunResult make = run("scrivora-make", arguments);
    EXPECT_EQ(make.status, 2) << arguments;
    EXPECT_NE(make.err.find("Usage: scrivora-make"), std::string::npos) << arguments;
  }
  EXPECT_EQ(run("scrivora-inspect", "").status, 2);
  EXPECT_EQ(run("scrivora-inspect", "--what x.tdb").status, 2);
}

TEST_F(CommandLineTest, HelpAndVersionSucceed) {
  RunResult help = run("scrivora-make", "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--log-format"), std::string::npos);
  RunResult version = run("scrivora-make", "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("scrivora-make ", 0), 0u) << version.out;
  EXPECT_EQ(run("scrivora-inspect", "--version").status, 0);
}

TEST_F(CommandLineTest, JsonLogWritesOneObjectPerMessageWithUpperBytesAsCodePoints) {
  // The title comes from the information block, byte 0xE9 and all.
  source("say \"cafe\".tml", "\\v\nTITLE=\"Caf\xe9: Menu\"\n\\vtext");
  RunResult make = run("scrivora-make", "--log-format=json 'say \"cafe\".tml'");
  EXPECT_EQ(make.status, 0);
  std::vector<std::string> messages = lines(make.err);
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages[0],
            "{\"kind\": \"warning\", \"message\": \"Colons are not currently permitted in the book title. "
            "Translating colons to hyphens.\"}");
  EXPECT_EQ(messages[1],
            "{\"kind\": \"status\", \"message\": \"Writing book <Caf\\u00e9- Menu> from file "
            "<say \\\"cafe\\\".tml>...\"}");
  EXPECT_EQ(messages.back(), "{\"kind\": \"status\", \"message\": \"Done.\"}");
  for (const std::string& line : messages) {
    EXPECT_EQ(line.rfind("{\"kind\": \"", 0), 0u) << line;
    EXPECT_EQ(line.back(), '}') << line;
  }
  RunResult failed = run("scrivora-make", "--log-format json missing.tml");
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err,
            "{\"kind\": \"error\", \"message\": \"The input file \\\"missing.tml\\\" could not be opened.\"}\n");
}

TEST_F(CommandLineTest, SourceDateEpochMakesBuildsIdentical) {
  source("same.tml", std::string(kInfoBlock) + "Some text.\n");
  ASSERT_EQ(run("scrivora-make", "-q -o one.tdb same.tml", "SOURCE_DATE_EPOCH=1500000000").status, 0);
  ASSERT_EQ(run("scrivora-make", "-q -o two.tdb same.tml", "SOURCE_DATE_EPOCH=1500000000").status, 0);
  booktest::Bytes one = booktest::readFile(dir.file("one.tdb"));
  EXPECT_EQ(one, booktest::readFile(dir.file("two.tdb")));
  ASSERT_GE(one.size(), 44u);
  EXPECT_EQ(scrivora::readU32(&one[36]), 1500000000u);
  EXPECT_EQ(scrivora::readU32(&one[40]), 1500000001u);
}

TEST_F(CommandLineTest, InspectorReportsADamagedBookWithStatusOne) {
  source("d.tml", std::string(5000, 'd'));
  ASSERT_EQ(run("scrivora-make", "-q d.tml").status, 0);
  booktest::Bytes book = booktest::readFile(dir.file("d.tdb"));
  book[78 + 8 + 7] ^= 0x40;  // the unique id of record 1
  booktest::writeFile(dir.file("d.tdb"), book);
  RunResult inspect = run("scrivora-inspect", "d.tdb");
  EXPECT_EQ(inspect.status, 1);
  EXPECT_NE(inspect.out.find("Inconsistencies: 1"), std::string::npos) << inspect.out;
  EXPECT_NE(inspect.out.find("record 1 has the unique id"), std::string::npos) << inspect.out;
  EXPECT_EQ(run("scrivora-inspect", "nothing.tdb").status, 1);
}

TEST_F(CommandLineTest, InspectorExtractsImages) {
  // A book with one image record, made by the writer directly.
  booktest::LogCapture log;
  scrivora::BuildTables tables;
  booktest::writeTextRecords(dir.file("i.tmp"), "picture", tables);
  scrivora::ByteBuffer record;
  record.append("PNG ", 4);
  std::string name = "cover.png";
  name.resize(32, '\0');
  record.append(name);
  record.appendZeros(22);
  record.appendU16(3);
  record.appendU16(2);
  const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 'r', 'e', 's', 't'};
  record.append(png, sizeof png);
  booktest::FakeSection images({record.bytes()});
  scrivora::BookDatabaseInput input;
  input.textTempPath = dir.file("i.tmp");
  input.outputPath = dir.file("i.tdb");
  input.tables = &tables;
  input.images = &images;
  ASSERT_TRUE(scrivora::writeBookDatabase(input));
  ASSERT_EQ(system(("mkdir '" + dir.file("pics") + "'").c_str()), 0);
  RunResult inspect = run("scrivora-inspect", "--extract-images pics i.tdb");
  EXPECT_EQ(inspect.status, 0) << inspect.out << inspect.err;
  EXPECT_NE(inspect.out.find("\"cover.png\": 3 x 2, 12 bytes of PNG"), std::string::npos) << inspect.out;
  EXPECT_EQ(booktest::readFile(dir.file("pics/cover.png")), booktest::Bytes(png, png + sizeof png));
}

TEST_F(CommandLineTest, InspectorListsChaptersLinksAndIndexTerms) {
  source("nav.tml", "\\X2Deep\\X2 \\Q=\"here\"\\I\\a149 Item\\I \\q=\"#HERE\"back\\q \\q=\"#nowhere\"x\\q");
  RunResult make = run("scrivora-make", "-q nav.tml");
  ASSERT_EQ(make.status, 0) << make.err;
  RunResult report = run("scrivora-inspect", "nav.tdb");
  ASSERT_EQ(report.status, 0) << report.out;
  // The level-2 entry's title carries 8 spaces; the anchor's quote closes at
  // 19, so it targets 21; the index tag stands at 20 in record 1.
  EXPECT_NE(report.out.find("0: level 2 \"        Deep\""), std::string::npos) << report.out;
  EXPECT_NE(report.out.find("\"here\" -> 21"), std::string::npos) << report.out;
  EXPECT_NE(report.out.find("\"nowhere\" -> undefined"), std::string::npos) << report.out;
  EXPECT_NE(report.out.find("\" Item\": record 1 offset 20"), std::string::npos) << report.out;
  RunResult json = run("scrivora-inspect", "--json nav.tdb");
  EXPECT_NE(json.out.find("\"level\": 2"), std::string::npos) << json.out;
}
