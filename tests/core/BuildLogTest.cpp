// The build log: standard sinks print as printf would, setters replace one
// slot each, a null sink is ignored, and formats and arguments reach the sink
// unchanged.

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <thread>

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

TEST(BuildLogSinks, EachSetterReplacesOnlyItsOwnSlotAndNullIsIgnored) {
  setErrorSink(recordingSink);
  sinkCalls = 0;
  testing::internal::CaptureStdout();
  EXPECT_EQ(reportError("Image \"%s\" doesn't exist!", "a.png"), 42);
  reportStatus("still standard");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "still standard");
  EXPECT_EQ(lastMessage, "Image \"a.png\" doesn't exist!");
  EXPECT_EQ(sinkCalls, 1);

  setWarningSink(otherSink);
  setWarningSink(nullptr);
  EXPECT_EQ(reportWarning("Book name is greater than %d characters.", 29), 7);
  EXPECT_EQ(otherMessage, "Book name is greater than 29 characters.");

  // A composed text that happens to hold conversions is an argument, so they
  // must arrive verbatim.
  setStatusSink(recordingSink);
  reportStatus("%s", "100% of %d done");
  EXPECT_EQ(lastFormat, "%s");
  EXPECT_EQ(lastMessage, "100% of %d done");
}

// Sink objects: installed per thread for one build or one load, nesting, and
// taking precedence over the function slots while they are installed.
TEST(BuildLogSinkObjects, ReceiveKindTextAndPositionWhileInstalled) {
  CollectingLogSink outer;
  {
    ScopedLogSink guard(outer);
    reportError("Link \"%s\" has not been defined", "intro");
    SourcePosition place{"book.tml", 12, 7};
    reportWarningAt(place, "%s", "100% of %d");
    EXPECT_EQ(reportStatus("Done."), 0);
  }
  ASSERT_EQ(outer.messages.size(), 3u);
  EXPECT_EQ(outer.messages[0].kind, LogKind::Error);
  EXPECT_EQ(outer.messages[0].text, "Link \"intro\" has not been defined");
  EXPECT_FALSE(outer.messages[0].position.known());
  EXPECT_EQ(outer.messages[1].kind, LogKind::Warning);
  EXPECT_EQ(outer.messages[1].text, "100% of %d");
  EXPECT_EQ(outer.messages[1].position, (SourcePosition{"book.tml", 12, 7}));
  EXPECT_EQ(outer.lines().back(), "status: Done.");
  EXPECT_EQ(currentLogSink(), nullptr);
}

TEST(BuildLogSinkObjects, NestedGuardsRestoreTheOuterSinkAndLongTextsAreWhole) {
  CollectingLogSink outer, inner;
  ScopedLogSink outerGuard(outer);
  {
    ScopedLogSink innerGuard(inner);
    reportStatus("%s", std::string(3000, 'x').c_str());
  }
  reportStatus("after");
  ASSERT_EQ(inner.messages.size(), 1u);
  EXPECT_EQ(inner.messages[0].text.size(), 3000u);
  EXPECT_EQ(outer.textsOf(LogKind::Status), std::vector<std::string>{"after"});
}

TEST(BuildLogSinkObjects, AnotherThreadsMessagesNeverReachThisThreadsSink) {
  CollectingLogSink mine, theirs;
  ScopedLogSink guard(mine);
  std::thread other([&] {
    ScopedLogSink otherGuard(theirs);
    for (int i = 0; i < 100; ++i) reportWarning("build %d", i);
  });
  for (int i = 0; i < 100; ++i) reportWarning("load %d", i);
  other.join();
  ASSERT_EQ(mine.messages.size(), 100u);
  ASSERT_EQ(theirs.messages.size(), 100u);
  for (const LogMessage& m : mine.messages) EXPECT_EQ(m.text.rfind("load", 0), 0u);
  for (const LogMessage& m : theirs.messages) EXPECT_EQ(m.text.rfind("build", 0), 0u);
}
