// scrivora-import as a user runs it: where the TML goes, plain text, rules,
// and what it does with bad input: its own input as the output, files that
// are not regular files, rules that do not compile, a full disk.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/ToolRun.h"

using namespace tooltest;

namespace {

class ImportTool : public testing::Test {
 protected:
  Folder folder;
};

}  // namespace

TEST_F(ImportTool, HtmlAndTextGoToStandardOutputOrAFile) {
  folder.write("page.html", "<title>T</title><p>Hello <i>there</i>");
  const ToolRun html = folder.run("scrivora-import", {"page.html"});
  EXPECT_EQ(html.status, 0) << html.err;
  EXPECT_EQ(html.out, "\\vTITLE=\"T\"\\v \r\rHello \\ithere \\i");
  // Plain text: backslashes escaped, line ends kept, UTF-8 made Windows-1252.
  folder.write("notes.TXT", "C:\\dir\\n\r\n\r\nCaf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\n");
  const ToolRun text = folder.run("scrivora-import", {"-onotes.tml", "notes.TXT"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, "");
  EXPECT_EQ(readFile(folder.path("notes.tml")), "C:\\\\dir\\\\n\r\n\r\nCaf\xE9 \x80 \\U4E2D\n");
  folder.write("rules.txt", "\rs=cat\rr=dog");
  folder.write("input.any", "a cat");
  EXPECT_EQ(folder.run("scrivora-import", {"--rules", "rules.txt", "input.any"}).out, "a dog");
}

TEST_F(ImportTool, TheOutputNeverReplacesTheInputWhateverItsSpelling) {
  const std::string page = folder.write("page.html", "<p>x");
  ASSERT_EQ(symlink("page.html", folder.path("link.html").c_str()), 0);
  ASSERT_EQ(link(page.c_str(), folder.path("hard.html").c_str()), 0);
  for (const std::string& output :
       {std::string("./page.html"), page, std::string("link.html"), std::string("hard.html")}) {
    const ToolRun run = folder.run("scrivora-import", {"-o", output, "page.html"});
    EXPECT_EQ(run.status, 1) << output;
    EXPECT_EQ(run.err, "scrivora-import: The input and output files are the same! (" + output + ")\n");
  }
  folder.write("r.rules", "\rs=x\rr=y");
  EXPECT_EQ(folder.run("scrivora-import", {"--rules", "r.rules", "-o", "r.rules", "page.html"}).status, 1);
  EXPECT_EQ(readFile(page), "<p>x");
  EXPECT_EQ(readFile(folder.path("r.rules")), "\rs=x\rr=y");
}

TEST_F(ImportTool, OnlyRegularFilesAreReadAndWritten) {
  folder.write("page.html", "<p>x");
  folder.write("in.txt", "text");
  folder.write("r.rules", "\rs=x\rr=y");
  ASSERT_EQ(symlink("/dev/zero", folder.path("zero.html").c_str()), 0);
  ASSERT_EQ(mkfifo(folder.path("pipe.html").c_str(), 0600), 0);
  const struct {
    std::vector<std::string> words;
    const char* error;
  } cases[] = {
      {{"zero.html"}, "scrivora-import: cannot read zero.html: not a regular file\n"},
      {{"pipe.html"}, "scrivora-import: cannot read pipe.html: not a regular file\n"},
      {{"--rules", "/dev/zero", "in.txt"}, "scrivora-import: cannot read /dev/zero: not a regular file\n"},
      {{"missing.html"}, "scrivora-import: cannot read missing.html: No such file or directory\n"},
      {{"-o", "/dev/null", "page.html"}, "scrivora-import: cannot write /dev/null: not a regular file\n"},
      {{"-o", "no/such/out.tml", "page.html"},
       "scrivora-import: cannot write no/such/out.tml: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = folder.run("scrivora-import", c.words);
    EXPECT_EQ(run.status, 1) << c.error;
    EXPECT_EQ(run.err, c.error);
  }
}

TEST_F(ImportTool, TheOutputIsReplacedWholeThroughItsLinkAndBesideOtherFiles) {
  folder.write("page.html", "<p>new");
  folder.write("keep.tml", "old");
  folder.write("keep.tml.tmp", "unrelated");
  ASSERT_EQ(chmod(folder.path("keep.tml").c_str(), 0640), 0);
  ASSERT_EQ(symlink("keep.tml", folder.path("alias.tml").c_str()), 0);
  ASSERT_EQ(folder.run("scrivora-import", {"-o", "alias.tml", "page.html"}).status, 0);
  EXPECT_EQ(readFile(folder.path("keep.tml")), "\r\rnew");
  EXPECT_EQ(readFile(folder.path("keep.tml.tmp")), "unrelated");
  struct stat info;
  ASSERT_EQ(lstat(folder.path("alias.tml").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(stat(folder.path("keep.tml").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  // A write that fails half-way leaves the old file and nothing else.
  folder.write("big.txt", std::string(5000, 'x'));
  const ToolRun full = folder.run("scrivora-import", {"-o", "keep.tml", "big.txt"}, {"", 1000, {}});
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "scrivora-import: cannot write keep.tml: File too large\n");
  EXPECT_EQ(readFile(folder.path("keep.tml")), "\r\rnew");
  EXPECT_EQ(folder.entries(),
            (std::vector<std::string>{"alias.tml", "big.txt", "keep.tml", "keep.tml.tmp", "page.html"}));
  const ToolRun stdoutFull = folder.run("scrivora-import", {"page.html"}, {"/dev/full", -1, {}});
  EXPECT_EQ(stdoutFull.status, 1);
  EXPECT_EQ(stdoutFull.err, "scrivora-import: cannot write standard output: No space left on device\n");
}

TEST_F(ImportTool, RulesThatCannotRunAreNamedWithTheReason) {
  folder.write("in.txt", "aaaaaaaaab");
  const struct {
    const char* rules;
    const char* error;
  } cases[] = {
      {"", "scrivora-import: Null pointer.\nscrivora-import: the rules file r.rules is empty\n"},
      {"s=cat\rr=dog", "scrivora-import: Importer: Error in regex rules.\n"},
      {"\rs=x\rr=y\rs=(\rr=z\rs=[a\rr=\rs=a{2,1}\rr=",
       "scrivora-import: Null pointer.\n"
       "scrivora-import: r.rules: rule 2 (s=(): Unmatched ( or \\(\n"
       "scrivora-import: r.rules: rule 3 (s=[a): Unmatched [, [^, [:, [., or [=\n"
       "scrivora-import: r.rules: rule 4 (s=a{2,1}): Invalid content of \\{\\}\n"},
      {"\rs=\\9\rr=",
       "scrivora-import: Null pointer.\nscrivora-import: r.rules: rule 1 (s=\\9): Invalid back reference\n"},
      {"\rs=a{1,32767}\rr=",
       "scrivora-import: Null pointer.\n"
       "scrivora-import: r.rules: rule 1 (s=a{1,32767}): the pattern has a repetition count above 1000\n"},
      {"\rs=((a{1,100}){1,100}){1,100}\rr=",
       "scrivora-import: Null pointer.\n"
       "scrivora-import: r.rules: rule 1 (s=((a{1,100}){1,100}){1,100}): the pattern has repetitions that make "
       "more than 10000 pieces\n"},
      {"\rs=(a)\rr=\\2", "scrivora-import: Importer: Error in regex search/replace.\n"},
  };
  for (const auto& c : cases) {
    folder.write("r.rules", c.rules);
    const ToolRun run = folder.run("scrivora-import", {"--rules", "r.rules", "in.txt"});
    EXPECT_EQ(run.status, 1) << c.error;
    EXPECT_EQ(run.err, c.error);
    EXPECT_EQ(run.out, "");
  }
  // A group the library reports ending before its start is empty, not a crash.
  folder.write("r.rules", "\rs=(.*)*\\1\rr=[\\1\\1\\1]");
  const ToolRun odd = folder.run("scrivora-import", {"--rules", "r.rules", "in.txt"});
  EXPECT_EQ(odd.status, 0) << odd.err;
}
