#include "CommandLine.h"

#include <getopt.h>

#include <cstring>

namespace scrivora::cli {

namespace {

// getopt_long reports a long option by the index of its entry; the short
// options it reports by their letter. Values above any byte mark the entries
// that have no letter, and the two built-in options.
constexpr int kLongOnlyBase = 256;

std::string optionLabel(const OptionSpec& option) {
  std::string label = "  ";
  if (option.shortName) {
    label += '-';
    label += option.shortName;
    label += ", ";
  } else {
    label += "    ";
  }
  label += "--";
  label += option.longName;
  if (option.valueName) {
    label += '=';
    label += option.valueName;
  }
  return label;
}

// Words wrapped to the terminal's usual 80 columns, continuation lines
// indented to the help column.
std::string wrapped(const std::string& help, size_t indent) {
  constexpr size_t kWidth = 79;
  std::string text;
  size_t column = indent;
  size_t at = 0;
  while (at < help.size()) {
    size_t end = help.find(' ', at);
    if (end == std::string::npos) end = help.size();
    const size_t length = end - at;
    if (column > indent && column + 1 + length > kWidth) {
      text += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (column > indent) {
      text += ' ';
      ++column;
    }
    text.append(help, at, length);
    column += length;
    at = end + 1;
  }
  return text;
}

std::string usageLine(const ProgramSpec& spec) { return std::string("Usage: ") + spec.name + " " + spec.synopsis; }

const OptionSpec kHelpOption = {"help", 0, nullptr, "show this help and exit"};
const OptionSpec kVersionOption = {"version", 0, nullptr, "show the program's version and exit"};

}  // namespace

bool CommandLine::has(const std::string& longName) const {
  for (const auto& option : options)
    if (option.first == longName) return true;
  return false;
}

std::string CommandLine::value(const std::string& longName, const std::string& fallback) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it)
    if (it->first == longName) return it->second;
  return fallback;
}

std::string helpText(const ProgramSpec& spec) {
  std::string text = usageLine(spec) + "\n" + spec.description + "\n\n";
  std::vector<OptionSpec> all = spec.options;
  all.push_back(kHelpOption);
  all.push_back(kVersionOption);
  for (const OptionSpec& option : all) {
    std::string label = optionLabel(option);
    constexpr size_t kHelpColumn = 28;
    if (label.size() + 2 > kHelpColumn) {
      text += label + "\n" + std::string(kHelpColumn, ' ');
    } else {
      text += label + std::string(kHelpColumn - label.size(), ' ');
    }
    text += wrapped(option.help, kHelpColumn);
    text += '\n';
  }
  if (spec.epilogue && *spec.epilogue) text += std::string("\n") + spec.epilogue;
  return text;
}

int usageError(const ProgramSpec& spec, const std::string& problem, std::FILE* err) {
  std::fprintf(err, "%s: %s\n%s\nTry '%s --help' for more information.\n", spec.name, problem.c_str(),
               usageLine(spec).c_str(), spec.name);
  return kExitUsage;
}

int parseCommandLine(int argc, char** argv, const ProgramSpec& spec, CommandLine& commandLine, std::FILE* out,
                     std::FILE* err) {
  commandLine = CommandLine();
  std::vector<option> longOptions;
  std::string shortOptions = ":";  // a leading colon tells a missing value from an unknown option
  for (size_t i = 0; i < spec.options.size(); ++i) {
    const OptionSpec& spec_i = spec.options[i];
    const int hasValue = spec_i.valueName ? required_argument : no_argument;
    longOptions.push_back({spec_i.longName, hasValue, nullptr, kLongOnlyBase + int(i)});
    if (spec_i.shortName) {
      shortOptions += spec_i.shortName;
      if (spec_i.valueName) shortOptions += ':';
    }
  }
  const int helpCode = kLongOnlyBase + int(spec.options.size());
  const int versionCode = helpCode + 1;
  longOptions.push_back({"help", no_argument, nullptr, helpCode});
  longOptions.push_back({"version", no_argument, nullptr, versionCode});
  longOptions.push_back({nullptr, 0, nullptr, 0});

  opterr = 0;
  optind = 0;  // a full restart of getopt's state, for every call
  for (;;) {
    const int code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr);
    if (code == -1) break;
    // The word just read (getopt has moved any file names it skipped behind it).
    const char* word = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    if (code == helpCode) {
      std::fputs(helpText(spec).c_str(), out);
      return kExitSuccess;
    }
    if (code == versionCode) {
      std::fprintf(out, "%s %s\n", spec.name, spec.version);
      return kExitSuccess;
    }
    // For a short option getopt names the letter; for a long one, the word.
    const bool shortOption = optopt > 0 && optopt < kLongOnlyBase;
    std::string given = shortOption ? std::string("-") + char(optopt) : std::string(word);
    if (!shortOption && given.find('=') != std::string::npos) given.resize(given.find('='));
    if (code == '?') {
      if (!shortOption && optopt >= kLongOnlyBase)
        return usageError(spec, "option \"" + given + "\" takes no value", err);
      return usageError(spec, "unknown option \"" + given + "\"", err);
    }
    if (code == ':') return usageError(spec, "option \"" + given + "\" needs a value", err);
    const OptionSpec* matched = nullptr;
    if (code >= kLongOnlyBase) {
      matched = &spec.options[size_t(code - kLongOnlyBase)];
    } else {
      for (const OptionSpec& candidate : spec.options)
        if (candidate.shortName == code) matched = &candidate;
    }
    if (!matched) return usageError(spec, std::string("unknown option \"") + word + "\"", err);
    if (matched->namesFile && optarg && std::strcmp(optarg, "-") == 0)
      return usageError(spec, "\"-\" is not a file name here: give the name of a file", err);
    commandLine.options.emplace_back(matched->longName, optarg ? std::string(optarg) : std::string());
  }
  for (int i = optind; i < argc; ++i) {
    if (std::strcmp(argv[i], "-") == 0)
      return usageError(spec, "\"-\" is not a file name here: give the name of a file", err);
    commandLine.operands.emplace_back(argv[i]);
  }
  const size_t wanted = spec.operands.size();
  if (commandLine.operands.size() < wanted)
    return usageError(spec, std::string("missing ") + spec.operands[commandLine.operands.size()], err);
  if (commandLine.operands.size() > wanted)
    return usageError(spec, "unexpected argument \"" + commandLine.operands[wanted] + "\"", err);
  return -1;
}

}  // namespace scrivora::cli
