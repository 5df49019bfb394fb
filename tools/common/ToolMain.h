#pragma once
// What every tool does around its own work: a failure it did not expect (an
// exception from any library) becomes a message and exit status 1 instead of
// an abort, a write beyond the file size limit fails with a reason instead of
// killing the process, and a report that could not be written completely to
// standard output makes the run fail.

#include <string>

namespace scrivora::cli {

// Runs body(argc, argv) and returns the exit status the process should end
// with.
int runTool(const char* programName, int (*body)(int, char**), int argc, char** argv);

// Prints "NAME: TEXT" on standard error and returns kExitFailure.
int failure(const char* programName, const std::string& text);

}  // namespace scrivora::cli
