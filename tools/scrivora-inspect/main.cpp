// scrivora-inspect: reads a book database, prints what it holds and reports
// every inconsistency found on the way.
//
// Exit status: 0 for a consistent book, 1 when the book could not be read or
// has inconsistencies (or images could not be extracted), 2 for a usage error.

#include <cstdio>
#include <string>

#include "BookReader.h"
#include "CommandLine.h"
#include "InspectReport.h"
#include "FileSystem.h"
#include "TerminalText.h"
#include "ToolMain.h"

using namespace scrivora;
using namespace scrivora::cli;

namespace {

const ProgramSpec kProgram = {
    "scrivora-inspect",
    SCRIVORA_VERSION,
    "[OPTIONS] BOOK.tdb",
    "Prints the header, records, sections, metadata, text, page tables, chapters,\n"
    "links, index, images, sidebars and footnotes of a book database and checks\n"
    "them for consistency.",
    {
        {"json", 0, nullptr, "everything as one JSON document"},
        {"text", 0, nullptr, "only the decompressed book text"},
        {"extract-images", 0, "DIR", "write each image's PNG file into DIR (created when missing)", true},
    },
    {"BOOK.tdb"},
    "Text goes out in the terminal's encoding (UTF-8 in a UTF-8 locale, the book's\n"
    "own bytes otherwise). Exit status: 0 consistent, 1 unreadable or inconsistent,\n"
    "2 usage error.\n",
};

int inspectBook(int argc, char** argv) {
  CommandLine commandLine;
  const int parsed = parseCommandLine(argc, argv, kProgram, commandLine);
  if (parsed >= 0) return parsed;
  const std::string path = commandLine.operands[0];

  std::string bytes, reason;
  if (!readRegularFile(path, bytes, reason)) return failure(kProgram.name, "cannot read " + path + ": " + reason);
  BookReader reader;
  reader.readBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  const BookContents& book = reader.contents();
  const bool utf8 = terminalIsUtf8();
  if (commandLine.has("json")) {
    printJsonReport(stdout, path, book, reader.problems());
  } else if (commandLine.has("text")) {
    const std::string text = terminalText(book.text, utf8);
    std::fwrite(text.data(), 1, text.size(), stdout);
    for (const std::string& p : reader.problems()) std::fprintf(stderr, "inconsistency: %s\n", p.c_str());
  } else {
    printReadableReport(stdout, path, book, reader.problems(), utf8);
  }
  bool extracted = true;
  if (commandLine.has("extract-images")) {
    std::string problem;
    extracted = extractImages(book, commandLine.value("extract-images"), problem);
    if (!extracted) failure(kProgram.name, problem);
  }
  return reader.consistent() && extracted ? kExitSuccess : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) { return runTool(kProgram.name, inspectBook, argc, argv); }
