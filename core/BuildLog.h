#pragma once
// The one channel through which the compiler and the TML loader talk to the
// user: errors, warnings and status lines. They never know where their
// messages go; each hook formats its message and delivers it.
//
// Where a message goes: to the sink object installed on the reporting thread
// by a ScopedLogSink, for the length of one build or one load, so that a
// build and a load never write into each other's sink. Without one, the
// message goes through the process-wide function slots (setErrorSink and its
// twins), which start out printing to standard output.
//
// Messages are composed by the caller. A text that was built elsewhere (a
// file name, an excerpt of the book) is always passed as an argument to a
// "%s" format, never as the format itself.

#include <cstdarg>
#include <string>
#include <vector>

namespace scrivora {

// A function sink receives the printf format and the caller's argument list
// and returns what it likes; callers ignore the result.
using LogSink = int (*)(const char* format, va_list args);

#if defined(__GNUC__)
#define SCRIVORA_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define SCRIVORA_PRINTF(fmt, first)
#endif

enum class LogKind { Error, Warning, Status };

// The place in a source file a message is about. Line and column count from
// 1 (the column in bytes of the file as written); line 0 means no place.
struct SourcePosition {
  std::string file;
  int line = 0;
  int column = 0;
  bool known() const { return line > 0; }
  bool operator==(const SourcePosition& other) const {
    return file == other.file && line == other.line && column == other.column;
  }
};

// One message as a sink object receives it: the text exactly as formatted
// (no prefix, no line end added).
struct LogMessage {
  LogKind kind = LogKind::Status;
  std::string text;
  SourcePosition position;
};

class BuildLogSink {
 public:
  virtual ~BuildLogSink() = default;
  virtual void receive(const LogMessage& message) = 0;
};

// Installs a sink on the calling thread for this object's lifetime; the sink
// that was installed before comes back when it ends. Guards nest.
class ScopedLogSink {
 public:
  explicit ScopedLogSink(BuildLogSink& sink);
  ~ScopedLogSink();
  ScopedLogSink(const ScopedLogSink&) = delete;
  ScopedLogSink& operator=(const ScopedLogSink&) = delete;

 private:
  BuildLogSink* previous_;
};

// The sink object installed on this thread, or null.
BuildLogSink* currentLogSink();

// A sink that keeps every message, for tests and for callers that show the
// messages later.
class CollectingLogSink : public BuildLogSink {
 public:
  void receive(const LogMessage& message) override { messages.push_back(message); }
  // The texts of the messages of one kind, in order.
  std::vector<std::string> textsOf(LogKind kind) const;
  // Every message as "error: ", "warning: " or "status: " and its text.
  std::vector<std::string> lines() const;
  void clear() { messages.clear(); }

  std::vector<LogMessage> messages;
};

int reportError(const char* format, ...) SCRIVORA_PRINTF(1, 2);
int reportWarning(const char* format, ...) SCRIVORA_PRINTF(1, 2);
int reportStatus(const char* format, ...) SCRIVORA_PRINTF(1, 2);

// The same three, for a message about a place in a source file. Where no
// sink object listens, the place is dropped and the text goes on as above.
int reportErrorAt(const SourcePosition& position, const char* format, ...) SCRIVORA_PRINTF(2, 3);
int reportWarningAt(const SourcePosition& position, const char* format, ...) SCRIVORA_PRINTF(2, 3);
int reportStatusAt(const SourcePosition& position, const char* format, ...) SCRIVORA_PRINTF(2, 3);

// The function slots used while no sink object is installed. A null sink is
// ignored: the slot keeps the sink it has.
void setErrorSink(LogSink sink);
void setWarningSink(LogSink sink);
void setStatusSink(LogSink sink);

// The sink every slot holds at program start: prints the formatted message to
// standard output exactly as printf would, adding nothing.
int standardLogSink(const char* format, va_list args);

// Formats a printf format and argument list into a string of any length.
std::string formatMessage(const char* format, va_list args);

const char* logKindName(LogKind kind);

}  // namespace scrivora
