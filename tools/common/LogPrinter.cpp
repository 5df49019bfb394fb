#include "LogPrinter.h"

#include "JsonText.h"

namespace scrivora::cli {

namespace {

// The line end a message may carry belongs to its line, not to its text.
std::string_view withoutFinalLineEnd(const std::string& text) {
  std::string_view view = text;
  if (!view.empty() && view.back() == '\n') view.remove_suffix(1);
  return view;
}

}  // namespace

std::string LogPrinter::textLine(const LogMessage& message) {
  std::string line;
  if (message.position.known()) {
    line = message.position.file + ":" + std::to_string(message.position.line) + ":" +
           std::to_string(message.position.column) + ": ";
  }
  if (message.kind == LogKind::Error) line += "error: ";
  if (message.kind == LogKind::Warning) line += "warning: ";
  for (char c : withoutFinalLineEnd(message.text)) {
    if (c == '\n') {
      line += "\\n";
    } else {
      line += c;
    }
  }
  return line;
}

std::string LogPrinter::jsonLine(const LogMessage& message) {
  std::string line = "{\"kind\": \"";
  line += logKindName(message.kind);
  // The message exactly as reported, a line end it may carry included.
  line += "\", \"message\": " + jsonString(message.text);
  if (message.position.known()) {
    line += ", \"file\": " + jsonFileName(message.position.file);
    line += ", \"line\": " + std::to_string(message.position.line);
    line += ", \"column\": " + std::to_string(message.position.column);
  }
  return line + "}";
}

void LogPrinter::receive(const LogMessage& message) {
  if (quiet_ && message.kind == LogKind::Status) return;
  const std::string line = format_ == LogFormat::Json ? jsonLine(message) : textLine(message);
  std::fwrite(line.data(), 1, line.size(), stream_);
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

}  // namespace scrivora::cli
