#include "LogOutput.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "BuildLog.h"

namespace scrivora {

namespace {

LogFormat logFormat = LogFormat::Text;
bool quietLog = false;

std::string formatMessage(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return std::string();
  std::vector<char> buffer(size_t(length) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  return std::string(buffer.data(), size_t(length));
}

void emit(const char* kind, const char* prefix, const std::string& message) {
  if (logFormat == LogFormat::Json) {
    // The line end some messages carry is the line's, not the message's.
    std::string text = message;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    std::fprintf(stderr, "{\"kind\": \"%s\", \"message\": %s}\n", kind, jsonString(text).c_str());
  } else {
    bool endsLine = !message.empty() && message.back() == '\n';
    std::fprintf(stderr, "%s%s%s", prefix, message.c_str(), endsLine ? "" : "\n");
  }
  std::fflush(stderr);
}

int errorSink(const char* format, va_list args) {
  emit("error", "error: ", formatMessage(format, args));
  return 0;
}

int warningSink(const char* format, va_list args) {
  emit("warning", "warning: ", formatMessage(format, args));
  return 0;
}

int statusSink(const char* format, va_list args) {
  if (quietLog) return 0;
  emit("status", "", formatMessage(format, args));
  return 0;
}

}  // namespace

void installCommandLineLog(LogFormat format, bool quiet) {
  logFormat = format;
  quietLog = quiet;
  setErrorSink(errorSink);
  setWarningSink(warningSink);
  setStatusSink(statusSink);
}

std::string jsonString(const std::string& text) {
  static const char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        // Control bytes, and the upper half read as the code points of the
        // same value, go out as escapes: the line stays plain ASCII.
        if (c < 0x20 || c >= 0x7F) {
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 15];
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace scrivora
