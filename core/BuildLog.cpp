#include "BuildLog.h"

#include <cstdio>

namespace scrivora {

namespace {

LogSink errorSink = standardLogSink;
LogSink warningSink = standardLogSink;
LogSink statusSink = standardLogSink;

// One per thread: a build running beside the user interface never reaches
// the sink of a load on the main thread.
thread_local BuildLogSink* installedSink = nullptr;

LogSink slotOf(LogKind kind) {
  switch (kind) {
    case LogKind::Error: return errorSink;
    case LogKind::Warning: return warningSink;
    case LogKind::Status: break;
  }
  return statusSink;
}

int deliver(LogKind kind, const SourcePosition* position, const char* format, va_list args) {
  if (installedSink == nullptr) return slotOf(kind)(format, args);
  LogMessage message;
  message.kind = kind;
  message.text = formatMessage(format, args);
  if (position != nullptr) message.position = *position;
  installedSink->receive(message);
  return 0;
}

}  // namespace

ScopedLogSink::ScopedLogSink(BuildLogSink& sink) : previous_(installedSink) { installedSink = &sink; }

ScopedLogSink::~ScopedLogSink() { installedSink = previous_; }

BuildLogSink* currentLogSink() { return installedSink; }

std::vector<std::string> CollectingLogSink::textsOf(LogKind kind) const {
  std::vector<std::string> texts;
  for (const LogMessage& message : messages)
    if (message.kind == kind) texts.push_back(message.text);
  return texts;
}

std::vector<std::string> CollectingLogSink::lines() const {
  std::vector<std::string> result;
  for (const LogMessage& message : messages)
    result.push_back(std::string(logKindName(message.kind)) + ": " + message.text);
  return result;
}

const char* logKindName(LogKind kind) {
  switch (kind) {
    case LogKind::Error: return "error";
    case LogKind::Warning: return "warning";
    case LogKind::Status: break;
  }
  return "status";
}

std::string formatMessage(const char* format, va_list args) {
  char small[512];
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (needed < 0) return std::string();
  if (size_t(needed) < sizeof small) return std::string(small, size_t(needed));
  std::string text(size_t(needed) + 1, '\0');
  std::vsnprintf(&text[0], text.size(), format, args);
  text.resize(size_t(needed));
  return text;
}

int standardLogSink(const char* format, va_list args) { return std::vprintf(format, args); }

#define SCRIVORA_REPORT(kind, position)               \
  va_list args;                                       \
  va_start(args, format);                             \
  int result = deliver(kind, position, format, args); \
  va_end(args);                                       \
  return result

int reportError(const char* format, ...) { SCRIVORA_REPORT(LogKind::Error, nullptr); }
int reportWarning(const char* format, ...) { SCRIVORA_REPORT(LogKind::Warning, nullptr); }
int reportStatus(const char* format, ...) { SCRIVORA_REPORT(LogKind::Status, nullptr); }
int reportErrorAt(const SourcePosition& position, const char* format, ...) {
  SCRIVORA_REPORT(LogKind::Error, &position);
}
int reportWarningAt(const SourcePosition& position, const char* format, ...) {
  SCRIVORA_REPORT(LogKind::Warning, &position);
}
int reportStatusAt(const SourcePosition& position, const char* format, ...) {
  SCRIVORA_REPORT(LogKind::Status, &position);
}

#undef SCRIVORA_REPORT

void setErrorSink(LogSink sink) {
  if (sink) errorSink = sink;
}

void setWarningSink(LogSink sink) {
  if (sink) warningSink = sink;
}

void setStatusSink(LogSink sink) {
  if (sink) statusSink = sink;
}

}  // namespace scrivora
