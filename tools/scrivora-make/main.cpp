// scrivora-make: compiles one TML source into a book database.
//
// Exit status: 0 when the book was written, 1 when no book was written, 2 for
// a usage error.

#include <sys/stat.h>

#include <string>

#include "BookBuilder.h"
#include "BuildLog.h"
#include "CommandLine.h"
#include "FileSystem.h"
#include "InfoBlock.h"
#include "LogPrinter.h"
#include "SourceEncoding.h"
#include "ToolMain.h"

using namespace scrivora;
using namespace scrivora::cli;

namespace {

const ProgramSpec kProgram = {
    "scrivora-make",
    SCRIVORA_VERSION,
    "[OPTIONS] SOURCE",
    "Compiles the TML file SOURCE into a book database (.tdb).",
    {
        {"title", 0, "T", "book title (else the TITLE of SOURCE's information block)"},
        {"author", 0, "A", "author (else AUTHOR)"},
        {"publisher", 0, "P", "publisher (else PUBLISHER)"},
        {"eisbn", 0, "E", "eISBN (else EISBN)"},
        {"copyright", 0, "C", "copyright (else COPYRIGHT)"},
        {"output", 'o', "OUTPUT", "the book file (default: SOURCE with .tml or .txt replaced by .tdb, or .tdb added)",
         true},
        {"input-encoding", 0, "ENC",
         "utf-8 or windows-1252: how SOURCE is read (default: windows-1252, or utf-8 for a file that starts "
         "with the UTF-8 byte-order mark)"},
        {"log-format", 0, "FORMAT", "text or json: messages as text lines or as JSON objects"},
        {"quiet", 'q', nullptr, "no status lines"},
    },
    {"SOURCE"},
    "Messages go to standard error, one per line: \"error: \" or \"warning: \"\n"
    "and the message, status lines as they are. A message about a place in the\n"
    "source starts with SOURCE:LINE:COLUMN: (the column counts bytes of the\n"
    "file, as compilers do), and a line end inside a message is written as \\n.\n"
    "In the JSON log each message is one object with \"kind\" and \"message\",\n"
    "and \"file\", \"line\" and \"column\" for a place.\n"
    "SOURCE_DATE_EPOCH, when set, is the book's creation date. Exit status:\n"
    "0 book written, 1 no book written, 2 usage error.\n",
};

bool endsWith(const std::string& text, const char* tail) {
  const std::string_view end(tail);
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
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
  const size_t slash = source.find_last_of('/');
  const std::string directory = slash == std::string::npos ? std::string() : source.substr(0, slash + 1);
  return directory + bookFileName(fileNameOf(source));
}

bool parseInputEncoding(const std::string& name, InputEncoding& encoding) {
  if (name == "utf-8" || name == "utf8" || name == "UTF-8") {
    encoding = InputEncoding::Utf8;
  } else if (name == "windows-1252" || name == "cp1252" || name == "Windows-1252") {
    encoding = InputEncoding::Windows1252;
  } else {
    return false;
  }
  return true;
}

// The source's bytes as the build reads them, for its information block: a
// UTF-8 source is converted to TML's Windows-1252 first.
std::string sourceAsTml(const std::string& bytes, InputEncoding encoding) {
  const bool utf8 = encoding == InputEncoding::Utf8 ||
                    (encoding == InputEncoding::Detect && guessSourceEncoding(bytes).byteOrderMark);
  return utf8 ? utf8ToWindows1252Tml(bytes) : bytes;
}

// Book information not given as an option comes from the source's own
// information block. A source that cannot be read is left to the build,
// which reports it.
BookInfo resolveBookInfo(const CommandLine& commandLine, const std::string& source, InputEncoding encoding) {
  BookInfo info;
  std::string bytes, reason;
  if (readRegularFile(source, bytes, reason)) info = readInfoBlock(sourceAsTml(bytes, encoding)).info;
  auto take = [&](const char* option, std::string& field) {
    if (commandLine.has(option)) field = commandLine.value(option);
  };
  take("title", info.title);
  take("author", info.author);
  take("publisher", info.publisher);
  take("eisbn", info.eisbn);
  take("copyright", info.copyright);
  return info;
}

// Only a regular file (or nothing yet) may be replaced by a book: a device, a
// pipe or a folder at the output path is never removed. Symbolic links are
// followed to what they name.
bool outputMayBeReplaced(const std::string& output) {
  struct stat info;
  return ::stat(output.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

int makeBook(int argc, char** argv) {
  CommandLine commandLine;
  const int parsed = parseCommandLine(argc, argv, kProgram, commandLine);
  if (parsed >= 0) return parsed;

  LogFormat format = LogFormat::Text;
  const std::string formatName = commandLine.value("log-format", "text");
  if (formatName == "json") {
    format = LogFormat::Json;
  } else if (formatName != "text") {
    return usageError(kProgram, "unknown log format \"" + formatName + "\" (text or json)");
  }
  BuildOptions buildOptions;
  if (commandLine.has("input-encoding") &&
      !parseInputEncoding(commandLine.value("input-encoding"), buildOptions.inputEncoding))
    return usageError(kProgram,
                      "unknown input encoding \"" + commandLine.value("input-encoding") + "\" (utf-8 or windows-1252)");

  const std::string source = commandLine.operands[0];
  const std::string output = commandLine.value("output", defaultOutputFor(source));
  LogPrinter printer(stderr, format, commandLine.has("quiet"));
  ScopedLogSink installed(printer);
  if (!outputMayBeReplaced(output)) {
    reportError("The file \"%s\" could not be opened for writing.", output.c_str());
    return kExitFailure;
  }
  const BookInfo info = resolveBookInfo(commandLine, source, buildOptions.inputEncoding);
  return buildBook(source, output, info, buildOptions) ? kExitSuccess : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) { return runTool(kProgram.name, makeBook, argc, argv); }
