// scrivora-import [-o OUT] [--rules RULES] INPUT
// Turns an HTML page (.htm, .html) into TML, or, with --rules, applies the
// given rule text to INPUT. The TML goes to OUT or to standard output.
// Exit status: 0 done, 1 import or file failure, 2 usage error.

#include <strings.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "HtmlImporter.h"
#include "QXException.h"
#include "RegexImporter.h"

using namespace scrivora;

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

int usage(const char* problem) {
  std::fprintf(stderr, "scrivora-import: %s\n", problem);
  std::fprintf(stderr, "usage: scrivora-import [-o OUT] [--rules RULES] INPUT\n");
  return kUsageError;
}

bool endsWithNoCase(const std::string& text, const char* suffix) {
  size_t length = std::strlen(suffix);
  return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

bool writeAll(FILE* file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// Writes beside the target and renames into place, so that a failed write
// never leaves a half-written file where a complete one should be.
bool writeFileAtomically(const std::string& path, const std::string& text) {
  std::string temporary = path + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool written = writeAll(file, text);
  bool closed = std::fclose(file) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outputPath, rulesPath, inputPath;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "-o" || argument == "--rules") {
      if (i + 1 >= argc) return usage(("missing value after " + argument).c_str());
      (argument == "-o" ? outputPath : rulesPath) = argv[++i];
    } else if (!argument.empty() && argument[0] == '-' && argument != "-") {
      return usage(("unknown option " + argument).c_str());
    } else if (inputPath.empty()) {
      inputPath = argument;
    } else {
      return usage("more than one input file");
    }
  }
  if (inputPath.empty()) return usage("no input file");
  if (rulesPath.empty() && !endsWithNoCase(inputPath, ".htm") && !endsWithNoCase(inputPath, ".html"))
    return usage("the input is not an HTML file (.htm, .html); give --rules to convert other text");

  std::string tml;
  try {
    if (!rulesPath.empty()) {
      RegexImporter importer(readWholeFile(rulesPath));
      tml = importer.convertFile(inputPath);
    } else {
      HtmlImporter importer(htmlSupportFolderBesideProgram());
      tml = importer.convertFile(inputPath);
    }
  } catch (const QXFileException& failure) {
    std::fprintf(stderr, "scrivora-import: %s: %s\n", failure.path().c_str(), failure.message());
    return kFailed;
  } catch (const QXException& failure) {
    std::fprintf(stderr, "scrivora-import: %s\n", failure.message());
    return kFailed;
  }

  if (outputPath.empty()) {
    if (!writeAll(stdout, tml) || std::fflush(stdout) != 0) {
      std::fprintf(stderr, "scrivora-import: cannot write standard output: %s\n", std::strerror(errno));
      return kFailed;
    }
  } else if (!writeFileAtomically(outputPath, tml)) {
    std::fprintf(stderr, "scrivora-import: cannot write %s: %s\n", outputPath.c_str(), std::strerror(errno));
    return kFailed;
  }
  return 0;
}
