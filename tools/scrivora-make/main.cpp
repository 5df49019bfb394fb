// scrivora-make: compiles one TML source into a book database.
//
// Exit status: 0 when the book was written, 1 when no book was written, 2 for
// a usage error.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BookBuilder.h"
#include "FileSystem.h"
#include "InfoBlock.h"
#include "LogOutput.h"

using namespace scrivora;

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitNotWritten = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: scrivora-make [OPTIONS] SOURCE\n"
    "Compiles the TML file SOURCE into a book database (.tdb).\n"
    "\n"
    "  --title T             book title (else the TITLE of SOURCE's information block)\n"
    "  --author A            author (else AUTHOR)\n"
    "  --publisher P         publisher (else PUBLISHER)\n"
    "  --eisbn E             eISBN (else EISBN)\n"
    "  --copyright C         copyright (else COPYRIGHT)\n"
    "  -o OUTPUT             the book file (default: SOURCE with .tml or .txt\n"
    "                        replaced by .tdb, or .tdb added)\n"
    "  --log-format=text|json  messages as text lines or as JSON objects\n"
    "  -q                    no status lines\n"
    "  --help                this text\n"
    "  --version             the program's version\n"
    "\n"
    "Messages go to standard error. SOURCE_DATE_EPOCH, when set, is the book's\n"
    "creation date. Exit status: 0 book written, 1 no book written, 2 usage error.\n";

struct MakeOptions {
  std::string source;
  std::string output;
  LogFormat logFormat = LogFormat::Text;
  bool quiet = false;
  // Book information given on the command line; the rest comes from the
  // source's information block.
  BookInfo info;
  bool hasTitle = false, hasAuthor = false, hasPublisher = false, hasEisbn = false, hasCopyright = false;
};

int usageError(const std::string& problem) {
  std::fprintf(stderr, "scrivora-make: %s\n\n%s", problem.c_str(), kUsage);
  return kExitUsage;
}

bool endsWith(const std::string& text, const char* tail) {
  size_t length = std::strlen(tail);
  return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

// story.tml -> story.tdb; a .tdb name stays; any other name gains .tdb. The
// comparison is exact, so STORY.TML becomes STORY.TML.tdb.
std::string bookFileName(std::string name) {
  if (endsWith(name, ".tdb")) return name;
  if (endsWith(name, ".txt") || endsWith(name, ".tml")) name.resize(name.size() - 4);
  if (name.size() > 251) name.resize(251);
  return name + ".tdb";
}

std::string defaultOutputFor(const std::string& source) {
  size_t slash = source.find_last_of('/');
  std::string directory = slash == std::string::npos ? std::string() : source.substr(0, slash + 1);
  return directory + bookFileName(fileNameOf(source));
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
bool takeValue(const std::string& arg, const char* name, int& i, int argc, char** argv, std::string& value,
               bool& missing) {
  size_t length = std::strlen(name);
  if (arg.compare(0, length, name) != 0) return false;
  if (arg.size() == length) {
    if (i + 1 >= argc) {
      missing = true;
      return true;
    }
    value = argv[++i];
    return true;
  }
  if (arg[length] != '=') return false;
  value = arg.substr(length + 1);
  return true;
}

// Returns -1 to go on, or the exit status to leave with.
int parseArguments(int argc, char** argv, MakeOptions& options) {
  std::vector<std::string> sources;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool missing = false;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitWritten;
    }
    if (arg == "--version") {
      std::printf("scrivora-make %s\n", SCRIVORA_VERSION);
      return kExitWritten;
    }
    if (arg == "-q" || arg == "--quiet") {
      options.quiet = true;
    } else if (takeValue(arg, "--title", i, argc, argv, value, missing)) {
      options.info.title = value;
      options.hasTitle = true;
    } else if (takeValue(arg, "--author", i, argc, argv, value, missing)) {
      options.info.author = value;
      options.hasAuthor = true;
    } else if (takeValue(arg, "--publisher", i, argc, argv, value, missing)) {
      options.info.publisher = value;
      options.hasPublisher = true;
    } else if (takeValue(arg, "--eisbn", i, argc, argv, value, missing)) {
      options.info.eisbn = value;
      options.hasEisbn = true;
    } else if (takeValue(arg, "--copyright", i, argc, argv, value, missing)) {
      options.info.copyright = value;
      options.hasCopyright = true;
    } else if (takeValue(arg, "-o", i, argc, argv, value, missing) ||
               takeValue(arg, "--output", i, argc, argv, value, missing)) {
      options.output = value;
    } else if (takeValue(arg, "--log-format", i, argc, argv, value, missing)) {
      if (missing) return usageError("--log-format needs text or json");
      if (value == "text") {
        options.logFormat = LogFormat::Text;
      } else if (value == "json") {
        options.logFormat = LogFormat::Json;
      } else {
        return usageError("unknown log format \"" + value + "\" (text or json)");
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option \"" + arg + "\"");
    } else {
      sources.push_back(arg);
    }
    if (missing) return usageError("option \"" + arg + "\" needs a value");
  }
  if (sources.size() != 1) return usageError(sources.empty() ? "no SOURCE given" : "more than one SOURCE given");
  options.source = sources[0];
  if (options.output.empty()) options.output = defaultOutputFor(options.source);
  return -1;
}

// Book information not given as an option comes from the source's own
// information block.
BookInfo resolveBookInfo(const MakeOptions& options) {
  BookInfo info = options.info;
  std::vector<uint8_t> bytes;
  if (!readWholeFile(options.source, bytes)) return info;  // the build reports the unreadable source
  InfoBlock block = readInfoBlock(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!options.hasTitle) info.title = block.info.title;
  if (!options.hasAuthor) info.author = block.info.author;
  if (!options.hasPublisher) info.publisher = block.info.publisher;
  if (!options.hasEisbn) info.eisbn = block.info.eisbn;
  if (!options.hasCopyright) info.copyright = block.info.copyright;
  return info;
}

}  // namespace

int main(int argc, char** argv) {
  MakeOptions options;
  int exitStatus = parseArguments(argc, argv, options);
  if (exitStatus >= 0) return exitStatus;
  installCommandLineLog(options.logFormat, options.quiet);
  bool written = buildBook(options.source, options.output, resolveBookInfo(options));
  return written ? kExitWritten : kExitNotWritten;
}
