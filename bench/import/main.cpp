// bench-import [PAGE.html] [RUNS]
// Times the HTML import of one page (by default the largest HTML book of the
// corpus) and, as the baseline, OpenSP's onsgmls parsing the same document
// against the same catalog, and prints the ratio. Each side runs RUNS times
// (default 7); the fastest run counts, which is the least disturbed by
// whatever else the machine is doing. Both wall time and processor time
// (user + system) are measured; the verdict uses processor time, which other
// work on a shared machine disturbs far less.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "HtmlImporter.h"
#include "HtmlSource.h"
#include "QXException.h"

using namespace scrivora;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kTargetRatio = 1.5;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double processorSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double seconds(const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; }

struct Timing {
  double wall = 1e9;
  double processor = 1e9;
  void keepBest(double newWall, double newProcessor) {
    wall = std::min(wall, newWall);
    processor = std::min(processor, newProcessor);
  }
};

// Runs onsgmls over the file the way the importer runs the parser: the same
// catalog, UTF-8 input, Unicode characters, no validation. Its output goes
// to /dev/null. Returns false when it could not run.
bool timeOnsgmls(const std::string& catalog, const std::string& document, Timing& timing) {
  Clock::time_point start = Clock::now();
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
      dup2(devNull, STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
    }
    setenv("SP_CHARSET_FIXED", "1", 1);
    setenv("SP_ENCODING", "utf-8", 1);
    setenv("SP_USE_DOCUMENT_CATALOG", "NO", 1);
    execlp("onsgmls", "onsgmls", "-c", catalog.c_str(), "-wno-valid", document.c_str(), (char*)nullptr);
    _exit(127);
  }
  int status = 0;
  rusage usage;
  if (wait4(child, &status, 0, &usage) < 0) return false;
  double wall = secondsSince(start);
  // onsgmls exits with 1 when the page has errors, which real pages do.
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return false;
  timing.keepBest(wall, seconds(usage.ru_utime) + seconds(usage.ru_stime));
  return true;
}

// The page as the parser sees it, in a temporary file for onsgmls.
std::string writePreparedDocument(const std::string& page) {
  char path[] = "/tmp/bench-import-XXXXXX";
  int descriptor = mkstemp(path);
  if (descriptor < 0) return std::string();
  std::string document = prepareHtmlForParser(page);
  bool written = ::write(descriptor, document.data(), document.size()) == ssize_t(document.size());
  bool closed = ::close(descriptor) == 0;
  if (!written || !closed) {
    ::unlink(path);
    return std::string();
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  std::string pagePath = argc > 1 ? argv[1] : std::string(SCRIVORA_CORPUS_DIR) + "/books/war-and-peace.html";
  int runs = argc > 2 ? std::atoi(argv[2]) : 7;
  if (runs < 1) runs = 1;

  std::string supportFolder = htmlSupportFolderBesideProgram();
  HtmlImporter importer(supportFolder);
  std::string page;
  try {
    page = readWholeFile(pagePath);
  } catch (const QXException& failure) {
    std::fprintf(stderr, "bench-import: %s: %s\n", pagePath.c_str(), failure.message());
    return 1;
  }
  std::string document = writePreparedDocument(page);
  if (document.empty()) {
    std::fprintf(stderr, "bench-import: cannot write the temporary document for onsgmls\n");
    return 1;
  }

  Timing import, baseline;
  size_t tmlSize = 0;
  bool failed = false;
  for (int run = 0; run < runs && !failed; ++run) {
    // Alternate the two so that a busy moment of the machine hits both alike.
    if (!timeOnsgmls(importer.catalogPath(), document, baseline)) {
      std::fprintf(stderr, "bench-import: onsgmls did not run (is the opensp package installed?)\n");
      failed = true;
      break;
    }
    try {
      Clock::time_point start = Clock::now();
      double processorStart = processorSeconds();
      std::string tml = importer.convertFile(pagePath);
      import.keepBest(secondsSince(start), processorSeconds() - processorStart);
      tmlSize = tml.size();
    } catch (const QXException& failure) {
      std::fprintf(stderr, "bench-import: import failed: %s\n", failure.message());
      failed = true;
    }
  }
  ::unlink(document.c_str());
  if (failed) return 1;

  double ratio = import.processor / baseline.processor;
  std::printf("page:             %s (%zu bytes)\n", pagePath.c_str(), page.size());
  std::printf("import to TML:    %.1f ms processor, %.1f ms wall (%zu bytes of TML)\n", import.processor * 1000,
              import.wall * 1000, tmlSize);
  std::printf("onsgmls baseline: %.1f ms processor, %.1f ms wall\n", baseline.processor * 1000, baseline.wall * 1000);
  std::printf("wall-time ratio:  %.2f\n", import.wall / baseline.wall);
  std::printf("ratio:            %.2f (processor time; target at most %.1f) %s\n", ratio, kTargetRatio,
              ratio <= kTargetRatio ? "met" : "NOT MET");
  return 0;
}
