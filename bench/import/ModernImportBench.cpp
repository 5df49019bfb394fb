// bench-modern-import [PAGE.html] [RUNS]
// Times the modern import of one page (by default the largest HTML book of
// the corpus) against, as the baseline, libxml2's HTML parser reading the
// same bytes into a tree and freeing it, both in this process. The import
// starts from the page's bytes in memory too: reading the file costs both
// alike and is left out. Each side runs RUNS times (default 7), alternating;
// the fastest processor time of each counts, the least disturbed by whatever
// else the machine is doing.

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BuildLog.h"
#include "Importer.h"
#include "ModernImporter.h"
#include "QXException.h"

using namespace scrivora;

namespace {

constexpr double kTargetRatio = 1.5;

double processorSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The parser as the import runs it: recovery mode, no network, quiet.
bool parseAlone(const std::string& page) {
  htmlDocPtr document =
      htmlReadMemory(page.data(), int(page.size()), "page.html", "UTF-8",
                     HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
  if (document == nullptr) return false;
  xmlFreeDoc(document);
  return true;
}

class QuietLog : public BuildLogSink {
 public:
  void receive(const LogMessage&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  const std::string pagePath = argc > 1 ? argv[1] : std::string(SCRIVORA_CORPUS_DIR) + "/books/war-and-peace.html";
  const int runs = std::max(1, argc > 2 ? std::atoi(argv[2]) : 7);
  std::string page;
  try {
    page = readWholeFile(pagePath);
  } catch (const QXException& failure) {
    std::fprintf(stderr, "bench-modern-import: %s: %s\n", pagePath.c_str(), failure.message());
    return 1;
  }
  QuietLog quiet;
  ScopedLogSink installed(quiet);
  xmlInitParser();

  double import = 1e9, baseline = 1e9;
  size_t tmlSize = 0;
  for (int run = 0; run < runs; ++run) {
    double start = processorSeconds();
    if (!parseAlone(page)) {
      std::fprintf(stderr, "bench-modern-import: libxml2 could not parse %s\n", pagePath.c_str());
      return 1;
    }
    baseline = std::min(baseline, processorSeconds() - start);
    start = processorSeconds();
    try {
      tmlSize = importModernPageData(page, pagePath).tml.size();
    } catch (const QXException& failure) {
      std::fprintf(stderr, "bench-modern-import: import failed: %s\n", failure.message());
      return 1;
    }
    import = std::min(import, processorSeconds() - start);
  }
  const double ratio = import / baseline;
  std::printf("page:              %s (%zu bytes)\n", pagePath.c_str(), page.size());
  std::printf("modern import:     %.1f ms processor (%zu bytes of TML)\n", import * 1000, tmlSize);
  std::printf("libxml2 alone:     %.1f ms processor (parse and free the tree)\n", baseline * 1000);
  std::printf("ratio:             %.2f (target at most %.1f) %s\n", ratio, kTargetRatio,
              ratio <= kTargetRatio ? "met" : "NOT MET");
  return 0;
}
