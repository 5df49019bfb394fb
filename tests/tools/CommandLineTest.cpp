// The tools' shared front end: how a command line is read, and how a build
// log message is printed as text and as JSON.

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "LogPrinter.h"
#include "TerminalText.h"
#include "ToolMain.h"

using namespace scrivora;
using namespace scrivora::cli;

namespace {

const ProgramSpec kSpec = {
    "tool",
    "1.0",
    "[OPTIONS] IN",
    "Does a thing.",
    {{"output", 'o', "FILE", "the output", true}, {"title", 0, "T", "a title"}, {"quiet", 'q', nullptr, "quiet"}},
    {"IN"},
    "",
};

struct Parsed {
  int status;
  CommandLine commandLine;
  std::string out, err;
};

Parsed parse(std::vector<std::string> words) {
  words.insert(words.begin(), "tool");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  Parsed parsed;
  char *outText = nullptr, *errText = nullptr;
  size_t outSize = 0, errSize = 0;
  std::FILE* out = open_memstream(&outText, &outSize);
  std::FILE* err = open_memstream(&errText, &errSize);
  parsed.status = parseCommandLine(int(words.size()), argv.data(), kSpec, parsed.commandLine, out, err);
  std::fclose(out);
  std::fclose(err);
  parsed.out.assign(outText, outSize);
  parsed.err.assign(errText, errSize);
  std::free(outText);
  std::free(errText);
  return parsed;
}

}  // namespace

TEST(CommandLine, TheThreeSpellingsOfAValueAndTheEndOfOptions) {
  for (const auto& words : std::vector<std::vector<std::string>>{{"-o", "b.tdb", "a.tml"},
                                                                 {"-ob.tdb", "a.tml"},
                                                                 {"--output=b.tdb", "a.tml"},
                                                                 {"a.tml", "--output", "b.tdb"}}) {
    const Parsed parsed = parse(words);
    ASSERT_EQ(parsed.status, -1) << words[0] << parsed.err;
    EXPECT_EQ(parsed.commandLine.value("output"), "b.tdb") << words[0];
    EXPECT_EQ(parsed.commandLine.operands, std::vector<std::string>{"a.tml"}) << words[0];
  }
  const Parsed dashed = parse({"-q", "--", "-o"});
  ASSERT_EQ(dashed.status, -1) << dashed.err;
  EXPECT_TRUE(dashed.commandLine.has("quiet"));
  EXPECT_EQ(dashed.commandLine.operands, std::vector<std::string>{"-o"});
  // A value that is not a file may be a dash.
  EXPECT_EQ(parse({"--title", "-", "a"}).commandLine.value("title"), "-");
}

TEST(CommandLine, UsageErrorsNameTheProblemAndExitWithTwo) {
  const struct {
    std::vector<std::string> words;
    const char* problem;
  } cases[] = {
      {{}, "tool: missing IN\n"},
      {{"a", "b"}, "tool: unexpected argument \"b\"\n"},
      {{"-x", "a"}, "tool: unknown option \"-x\"\n"},
      {{"--bogus=1", "a"}, "tool: unknown option \"--bogus\"\n"},
      {{"a", "-o"}, "tool: option \"-o\" needs a value\n"},
      {{"a", "--title"}, "tool: option \"--title\" needs a value\n"},
      {{"--quiet=yes", "a"}, "tool: option \"--quiet\" takes no value\n"},
      {{"-"}, "tool: \"-\" is not a file name here: give the name of a file\n"},
      {{"-o", "-", "a"}, "tool: \"-\" is not a file name here: give the name of a file\n"},
  };
  for (const auto& c : cases) {
    const Parsed parsed = parse(c.words);
    EXPECT_EQ(parsed.status, kExitUsage) << c.problem;
    EXPECT_EQ(parsed.err,
              std::string(c.problem) + "Usage: tool [OPTIONS] IN\nTry 'tool --help' for more information.\n");
    EXPECT_EQ(parsed.out, "");
  }
}

TEST(CommandLine, HelpAndVersionGoToStandardOutputAndSucceed) {
  const Parsed help = parse({"a", "--help", "--bogus"});
  EXPECT_EQ(help.status, kExitSuccess);
  EXPECT_EQ(help.out.rfind("Usage: tool [OPTIONS] IN\nDoes a thing.\n", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("  -o, --output=FILE"), std::string::npos) << help.out;
  EXPECT_EQ(parse({"--version"}).out, "tool 1.0\n");
}

TEST(LogPrinterText, OneLinePerMessageWithThePlaceFirst) {
  const struct {
    LogMessage message;
    const char* line;
  } cases[] = {
      {{LogKind::Error, "An error occurred reading the file a.tml.\n", {}},
       "error: An error occurred reading the file a.tml."},
      {{LogKind::Status, "Done.", {}}, "Done."},
      {{LogKind::Warning, "two\nlines", {"b.tml", 3, 14}}, "b.tml:3:14: warning: two\\nlines"},
      {{LogKind::Error, "x", {"b.tml", 0, 0}}, "error: x"},
  };
  for (const auto& c : cases) EXPECT_EQ(LogPrinter::textLine(c.message), c.line);
}

TEST(LogPrinterJson, MessagesAreWindows1252AndThePlaceGetsItsOwnFields) {
  const LogMessage message{LogKind::Warning, "\x97\x81\x8D\x8F\x90\x9D\xE9\"\\\x01", {"d\xC3\xA9j\xC3\xA0.tml", 7, 2}};
  EXPECT_EQ(
      LogPrinter::jsonLine(message),
      "{\"kind\": \"warning\", \"message\": \"\\u2014\\u0081\\u008d\\u008f\\u0090\\u009d\\u00e9\\\"\\\\\\u0001\", "
      "\"file\": \"d\\u00e9j\\u00e0.tml\", \"line\": 7, \"column\": 2}");
  EXPECT_EQ(LogPrinter::jsonLine({LogKind::Error, "gone\n", {}}), "{\"kind\": \"error\", \"message\": \"gone\\n\"}");
}

TEST(TerminalText, UpperBytesBecomeUtf8OnlyForAUtf8Terminal) {
  EXPECT_EQ(terminalText("caf\xE9 \x97", true), "caf\xC3\xA9 \xE2\x80\x94");
  EXPECT_EQ(terminalText("caf\xE9", false), "caf\xE9");
  EXPECT_EQ(quotedForTerminal("\"\xE9\x01\x81\"", true), "\"\\\"\xC3\xA9\\u0001\\u0081\\\"\"");
  EXPECT_EQ(quotedForTerminal("\xE9", false), "\"\\u00e9\"");
}

TEST(ToolMain, AnUnexpectedExceptionBecomesAMessageAndStatusOne) {
  testing::internal::CaptureStderr();
  const int status = runTool(
      "tool", [](int, char**) -> int { throw std::length_error("basic_string::_M_create"); }, 0, nullptr);
  EXPECT_EQ(status, kExitFailure);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "tool: unexpected failure: basic_string::_M_create\n");
}
