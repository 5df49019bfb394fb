// The build log: standard sinks print as printf would, setters replace one
// slot each, a null sink is ignored, and formats and arguments reach the sink
// unchanged.

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "BuildLog.h"

using namespace scrivora;

namespace {

std::string lastMessage;
std::string lastFormat;
int sinkCalls = 0;

int recordingSink(const char* format, va_list args) {
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  lastMessage = buffer;
  lastFormat = format;
  ++sinkCalls;
  return 42;
}

std::string otherMessage;
int otherSink(const char* format, va_list args) {
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  otherMessage = buffer;
  return 7;
}

}  // namespace

// Must run before any test installs a sink: the slots cannot be reset.
TEST(BuildLogStandardSinks, PrintFormattedMessagesToStandardOutputWithNothingAdded) {
  testing::internal::CaptureStdout();
  int status = reportStatus("Writing book <%s> from file <%s>...", "Moby", "moby.tml");
  int error = reportError("An error occurred reading the file %s.\n", "x.tml");
  int warning = reportWarning("%d%%", 50);
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed, "Writing book <Moby> from file <moby.tml>...An error occurred reading the file x.tml.\n50%");
  // What printf returns: the number of characters printed.
  EXPECT_EQ(status, 43);
  EXPECT_EQ(error, 42);
  EXPECT_EQ(warning, 3);
}

TEST(BuildLogSinks, EachSetterReplacesOnlyItsOwnSlot) {
  setErrorSink(recordingSink);
  sinkCalls = 0;
  testing::internal::CaptureStdout();
  EXPECT_EQ(reportError("Image \"%s\" doesn't exist!", "a.png"), 42);
  reportStatus("still standard");
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(lastMessage, "Image \"a.png\" doesn't exist!");
  EXPECT_EQ(sinkCalls, 1);
  EXPECT_EQ(printed, "still standard");
}

TEST(BuildLogSinks, NullSinkLeavesTheCurrentSinkInPlace) {
  setWarningSink(recordingSink);
  setWarningSink(nullptr);
  sinkCalls = 0;
  EXPECT_EQ(reportWarning("Book name is greater than %d characters.", 29), 42);
  EXPECT_EQ(sinkCalls, 1);
  EXPECT_EQ(lastMessage, "Book name is greater than 29 characters.");
}

TEST(BuildLogSinks, FormatAndArgumentsReachTheSinkUnchanged) {
  setStatusSink(recordingSink);
  // A composed text that happens to hold conversions is an argument, so they
  // must arrive verbatim.
  reportStatus("%s", "100% of %d done");
  EXPECT_EQ(lastFormat, "%s");
  EXPECT_EQ(lastMessage, "100% of %d done");
  setStatusSink(otherSink);
  EXPECT_EQ(reportStatus("Done."), 7);
  EXPECT_EQ(otherMessage, "Done.");
}
