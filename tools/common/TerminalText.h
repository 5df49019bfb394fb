#pragma once
// Book text shown in a terminal. The book's bytes are Windows-1252; a
// terminal whose locale is UTF-8 gets them as UTF-8, any other locale gets
// the bytes as they are.

#include <string>
#include <string_view>

namespace scrivora::cli {

// Whether the locale the user runs in (LC_ALL, LC_CTYPE, LANG) is UTF-8.
// Reads the environment's locale once.
bool terminalIsUtf8();

// The text for the terminal: as UTF-8, or unchanged.
std::string terminalText(std::string_view windows1252, bool utf8);

// The text in double quotes, with quotes, backslashes and control characters
// escaped as in JSON, so that no byte of a book can garble the terminal;
// upper-half bytes as UTF-8 for a UTF-8 terminal and as \uXXXX escapes
// otherwise.
std::string quotedForTerminal(std::string_view windows1252, bool utf8);

}  // namespace scrivora::cli
