// The scrivora-import program: its arguments, where the TML goes, and its
// exit status for success, failures and usage errors.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class ImportTool : public ::testing::Test {
 protected:
  // One folder per test and process: the tests may run side by side.
  std::string folder = ::testing::TempDir() + "/scrivora-import-tool-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + std::to_string(getpid());
  std::string program = std::string(SCRIVORA_BINARY_DIR) + "/bin/scrivora-import";

  void SetUp() override { std::system(("mkdir -p '" + folder + "'").c_str()); }
  void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }

  std::string file(const std::string& name, const std::string& contents) {
    std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Runs the program; standard output and standard error go to files.
  int run(const std::string& arguments) {
    std::string command = "'" + program + "' " + arguments + " >'" + folder + "/out' 2>'" + folder + "/err'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string standardOutput() { return read(folder + "/out"); }
  std::string standardError() { return read(folder + "/err"); }
};

}  // namespace

TEST_F(ImportTool, HtmlGoesToStandardOutput) {
  std::string page = file("page.html", "<title>T</title><p>Hello <i>there</i>");
  EXPECT_EQ(run("'" + page + "'"), 0);
  EXPECT_EQ(standardOutput(), "\\vTITLE=\"T\"\\v \r\rHello \\ithere \\i");
  EXPECT_EQ(standardError(), "");
}

TEST_F(ImportTool, OutputFileGetsTheTml) {
  std::string page = file("page.HTM", "<p>x");
  std::string out = folder + "/book.tml";
  EXPECT_EQ(run("-o '" + out + "' '" + page + "'"), 0);
  EXPECT_EQ(read(out), "\r\rx");
  EXPECT_EQ(standardOutput(), "");
}

TEST_F(ImportTool, RulesApplyToAnyInput) {
  std::string rules = file("rules.txt", "\rs=cat\rr=dog");
  std::string input = file("input.txt", "a cat");
  EXPECT_EQ(run("--rules '" + rules + "' '" + input + "'"), 0);
  EXPECT_EQ(standardOutput(), "a dog");
}

TEST_F(ImportTool, ImporterExceptionIsReportedWithStatusOne) {
  std::string rules = file("rules.txt", "s=cat\rr=dog");
  std::string input = file("input.txt", "a cat");
  EXPECT_EQ(run("--rules '" + rules + "' '" + input + "'"), 1);
  EXPECT_NE(standardError().find("Importer: Error in regex rules."), std::string::npos);
  EXPECT_EQ(standardOutput(), "");
}

TEST_F(ImportTool, UnreadableInputIsStatusOne) {
  EXPECT_EQ(run("'" + folder + "/missing.html'"), 1);
  EXPECT_NE(standardError().find("missing.html"), std::string::npos);
}

TEST_F(ImportTool, UnwritableOutputLeavesNothingBehind) {
  std::string page = file("page.html", "<p>x");
  EXPECT_EQ(run("-o '" + folder + "/no-such-folder/book.tml' '" + page + "'"), 1);
  EXPECT_NE(standardError().find("cannot write"), std::string::npos);
}

TEST_F(ImportTool, UsageErrorsAreStatusTwo) {
  EXPECT_EQ(run(""), 2);
  EXPECT_EQ(run("-o"), 2);
  EXPECT_EQ(run("--bogus x.html"), 2);
  EXPECT_EQ(run("a.html b.html"), 2);
  EXPECT_EQ(run("'" + file("notes.txt", "plain") + "'"), 2);  // not HTML and no rules
  EXPECT_NE(standardError().find("usage:"), std::string::npos);
}
