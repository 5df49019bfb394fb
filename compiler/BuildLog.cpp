#include "BuildLog.h"

#include <cstdio>

namespace scrivora {

namespace {

LogSink errorSink = standardLogSink;
LogSink warningSink = standardLogSink;
LogSink statusSink = standardLogSink;

int forward(LogSink sink, const char* format, va_list args) { return sink(format, args); }

}  // namespace

int standardLogSink(const char* format, va_list args) { return std::vprintf(format, args); }

int reportError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = forward(errorSink, format, args);
  va_end(args);
  return result;
}

int reportWarning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = forward(warningSink, format, args);
  va_end(args);
  return result;
}

int reportStatus(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = forward(statusSink, format, args);
  va_end(args);
  return result;
}

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
