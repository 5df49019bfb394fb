#pragma once
// Build log sinks for a command-line program: every message on standard
// error, one per line, as plain text ("error: ", "warning: ", status lines as
// they are) or as one JSON object per line.

#include <string>

namespace scrivora {

enum class LogFormat { Text, Json };

// Installs the three sinks. quiet drops status lines.
void installCommandLineLog(LogFormat format, bool quiet);

// The message as a JSON string literal: quotes, backslashes and control
// characters escaped, each byte 0x80-0xFF written as the code point of the
// same value.
std::string jsonString(const std::string& text);

}  // namespace scrivora
