#pragma once
// The build log of a command-line tool: a sink that prints every message on
// a stream, one message per line, as text or as one JSON object.
//
// Text: "error: " and "warning: " before errors and warnings, status lines as
// they are; a message about a place in a source file starts with
// "FILE:LINE:COLUMN: ", as compilers print it. The line end a message may
// carry ends its line; a line end inside a message is written as the two
// characters "\n", so that every message stays on one line.
//
// JSON: {"kind": "error"|"warning"|"status", "message": "..."} with the
// message exactly as reported and, for a place, "file", "line" and "column";
// see JsonText.h for the characters.

#include <cstdio>

#include "BuildLog.h"

namespace scrivora::cli {

enum class LogFormat { Text, Json };

class LogPrinter : public BuildLogSink {
 public:
  LogPrinter(std::FILE* stream, LogFormat format, bool quiet) : stream_(stream), format_(format), quiet_(quiet) {}
  void receive(const LogMessage& message) override;

  // The line a message is printed as, without its line end.
  static std::string textLine(const LogMessage& message);
  static std::string jsonLine(const LogMessage& message);

 private:
  std::FILE* stream_;
  LogFormat format_;
  bool quiet_;
};

}  // namespace scrivora::cli
