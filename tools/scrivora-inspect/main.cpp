// scrivora-inspect: reads a book database, prints what it holds and reports
// every inconsistency found on the way.
//
// Exit status: 0 for a consistent book, 1 when the book could not be read or
// has inconsistencies (or images could not be extracted), 2 for a usage error.

#include <cstdio>
#include <string>

#include "BookReader.h"
#include "InspectReport.h"

using namespace scrivora;

namespace {

const char kUsage[] =
    "Usage: scrivora-inspect [--json] [--text] [--extract-images DIR] BOOK.tdb\n"
    "Prints the header, records, sections, metadata, text, page tables, chapters,\n"
    "links, index, images, sidebars and footnotes of a book database and checks\n"
    "them for consistency.\n"
    "\n"
    "  --json                everything as one JSON document\n"
    "  --text                only the decompressed book text\n"
    "  --extract-images DIR  write each image's PNG file into DIR\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 consistent, 1 unreadable or inconsistent, 2 usage error.\n";

int usageError(const std::string& problem) {
  std::fprintf(stderr, "scrivora-inspect: %s\n\n%s", problem.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false, textOnly = false;
  std::string imageDirectory, path;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("scrivora-inspect %s\n", SCRIVORA_VERSION);
      return 0;
    }
    if (arg == "--json") {
      json = true;
    } else if (arg == "--text") {
      textOnly = true;
    } else if (arg == "--extract-images") {
      if (i + 1 >= argc) return usageError("--extract-images needs a directory");
      imageDirectory = argv[++i];
    } else if (arg.compare(0, 17, "--extract-images=") == 0) {
      imageDirectory = arg.substr(17);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option \"" + arg + "\"");
    } else if (path.empty()) {
      path = arg;
    } else {
      return usageError("more than one book given");
    }
  }
  if (path.empty()) return usageError("no book given");

  BookReader reader;
  if (!reader.readFile(path)) {
    std::fprintf(stderr, "scrivora-inspect: cannot read %s\n", path.c_str());
    return 1;
  }
  const BookContents& book = reader.contents();
  if (json) {
    printJsonReport(stdout, path, book, reader.problems());
  } else if (textOnly) {
    std::fwrite(book.text.data(), 1, book.text.size(), stdout);
    for (const std::string& p : reader.problems()) std::fprintf(stderr, "inconsistency: %s\n", p.c_str());
  } else {
    printReadableReport(stdout, path, book, reader.problems());
  }
  bool extracted = imageDirectory.empty() || extractImages(book, imageDirectory);
  return reader.consistent() && extracted ? 0 : 1;
}
