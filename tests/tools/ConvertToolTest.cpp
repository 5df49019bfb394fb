// scrivora-convert as a user runs it: messages, --info, a saved file that
// converts to itself, and what it does with bad input and a full disk.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/ToolRun.h"

using namespace tooltest;

namespace {

class ConvertTool : public testing::Test {
 protected:
  Folder folder;
};

}  // namespace

TEST_F(ConvertTool, ConvertsAndReportsOnStandardError) {
  folder.write("in.tml", "\\v\r\nTITLE=\"Tide\"\r\nAUTHOR=\"K.\"\r\n\\v\\cHead\\Z\r\n\\ctext \xE9");
  const ToolRun run = folder.run("scrivora-convert", {"--info", "in.tml", "out.tml"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(contains(run.out, "Title: Tide\nAuthor: K.\n")) << run.out;
  EXPECT_TRUE(contains(run.err, "Opening file \"in.tml\"\n")) << run.err;
  // Named by its place in the file, as scrivora-make names a place.
  EXPECT_TRUE(contains(run.err, "\nin.tml:4:9: warning: Unrecognized tag: \\Z\n")) << run.err;
  const std::string saved = readFile(folder.path("out.tml"));
  EXPECT_EQ(saved.substr(0, 20), "\\v\r\nTITLE=\"Tide\"\r\nAU");
  // A saved file converts to itself.
  ASSERT_EQ(folder.run("scrivora-convert", {"out.tml", "again.tml"}).status, 0);
  EXPECT_EQ(readFile(folder.path("again.tml")), saved);
}

TEST_F(ConvertTool, HtmlIsImported) {
  folder.write("page.HTML", "<title>Home</title><p>Hello <b>you</b>");
  const ToolRun run = folder.run("scrivora-convert", {"--info", "page.HTML", "page.tml"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(contains(run.out, "Title: Home\n")) << run.out;
  EXPECT_TRUE(contains(readFile(folder.path("page.tml")), "Hello \\byou")) << readFile(folder.path("page.tml"));
}

TEST_F(ConvertTool, BadInputAndAFullDiskAreNamedWithTheReason) {
  const std::string in =
      folder.write("in.tml", "Some text that is longer than the limit below." + std::string(3000, '.'));
  ASSERT_EQ(mkfifo(folder.path("pipe.tml").c_str(), 0600), 0);
  const struct {
    std::string in, out, error;
  } cases[] = {
      {"in.tml", "./in.tml", "scrivora-convert: The input and output files are the same! (./in.tml)\n"},
      {"missing.tml", "out.tml",
       "scrivora-convert: An error occurred while reading the file from disk.\n"
       "scrivora-convert: missing.tml: No such file or directory\n"},
      {"pipe.tml", "out.tml",
       "scrivora-convert: An error occurred while reading the file from disk.\n"
       "scrivora-convert: pipe.tml: not a regular file\n"},
      {"in.tml", "no/such/out.tml", "scrivora-convert: cannot write no/such/out.tml: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = folder.run("scrivora-convert", {c.in, c.out});
    EXPECT_EQ(run.status, 1) << c.error;
    EXPECT_TRUE(contains(run.err, c.error)) << run.err;
  }
  EXPECT_EQ(readFile(in).size(), 3046u);
  const ToolRun full = folder.run("scrivora-convert", {"in.tml", "out.tml"}, {"", 1000, {}});
  EXPECT_EQ(full.status, 1);
  EXPECT_TRUE(contains(full.err, "scrivora-convert: cannot write out.tml: File too large\n")) << full.err;
  EXPECT_FALSE(exists(folder.path("out.tml")));
}
