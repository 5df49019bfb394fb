#pragma once
// The one command-line front end of the Scrivora tools, on getopt_long:
// "--help" and "--version" on every tool, "--" ends the options, a value may
// follow its option as the next word, glued to a short option ("-oFILE") or
// after "=" on a long one ("--output=FILE"). Unknown options, missing values,
// a wrong number of file names and "-" as a file name are usage errors: a
// message, the usage line and exit status 2.

#include <cstdio>
#include <string>
#include <vector>

namespace scrivora::cli {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct OptionSpec {
  const char* longName;   // without the dashes
  char shortName;         // 0 when the option has none
  const char* valueName;  // null for an option without a value
  const char* help;
  // The value names a file, so "-" (standard input or output) is refused.
  bool namesFile = false;
};

struct ProgramSpec {
  const char* name;
  const char* version;
  // What follows the program's name in the usage line, e.g. "[OPTIONS] SOURCE".
  const char* synopsis;
  // One or more lines saying what the program does, shown by --help.
  const char* description;
  std::vector<OptionSpec> options;
  // The names of the file operands, in order; all of them must be given.
  std::vector<const char*> operands;
  // Shown at the end of --help (exit statuses, environment).
  const char* epilogue;
};

struct CommandLine {
  // Options in the order given, each under its long name.
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> operands;

  bool has(const std::string& longName) const;
  // The value of the last occurrence, or the fallback.
  std::string value(const std::string& longName, const std::string& fallback = std::string()) const;
};

// Returns -1 when the program should go on with the parsed command line;
// otherwise the exit status, with --help or --version printed to `out`, or a
// usage error printed to `err`.
int parseCommandLine(int argc, char** argv, const ProgramSpec& spec, CommandLine& commandLine, std::FILE* out = stdout,
                     std::FILE* err = stderr);

// Prints "NAME: PROBLEM", the usage line and a pointer to --help to `err`,
// and returns kExitUsage.
int usageError(const ProgramSpec& spec, const std::string& problem, std::FILE* err = stderr);

// The full --help text.
std::string helpText(const ProgramSpec& spec);

}  // namespace scrivora::cli
