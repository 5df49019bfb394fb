// bench-import [PAGE.html] [RUNS]
// Times the HTML import of one page (by default the largest HTML book of the
// corpus) and, as the baseline, OpenSP's onsgmls parsing the same document
// against the same catalog, and prints the ratio. Each side runs RUNS times
// (default 7); the fastest run counts, which is the least disturbed by
// whatever else the machine is doing.

#include <fcntl.h>
#include <sys/wait.h>
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

// Runs onsgmls over the file the way the importer runs the parser: the same
// catalog, UTF-8 input, Unicode characters, no validation. Its output goes
// to /dev/null. Returns the wall time, or a negative value on failure.
double timeOnsgmls(const std::string& catalog, const std::string& document) {
  Clock::time_point start = Clock::now();
  pid_t child = fork();
  if (child < 0) return -1;
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
  if (waitpid(child, &status, 0) < 0) return -1;
  double seconds = secondsSince(start);
  // onsgmls exits with 1 when the page has errors, which real pages do.
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return -1;
  return seconds;
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

  double best = 1e9, bestBaseline = 1e9;
  size_t tmlSize = 0;
  bool failed = false;
  for (int run = 0; run < runs && !failed; ++run) {
    // Alternate the two so that a busy moment of the machine hits both alike.
    double baseline = timeOnsgmls(importer.catalogPath(), document);
    if (baseline < 0) {
      std::fprintf(stderr, "bench-import: onsgmls did not run (is the opensp package installed?)\n");
      failed = true;
      break;
    }
    bestBaseline = std::min(bestBaseline, baseline);
    try {
      Clock::time_point start = Clock::now();
      std::string tml = importer.convertFile(pagePath);
      best = std::min(best, secondsSince(start));
      tmlSize = tml.size();
    } catch (const QXException& failure) {
      std::fprintf(stderr, "bench-import: import failed: %s\n", failure.message());
      failed = true;
    }
  }
  ::unlink(document.c_str());
  if (failed) return 1;

  double ratio = best / bestBaseline;
  std::printf("page:             %s (%zu bytes)\n", pagePath.c_str(), page.size());
  std::printf("import to TML:    %.1f ms (%zu bytes of TML)\n", best * 1000, tmlSize);
  std::printf("onsgmls baseline: %.1f ms\n", bestBaseline * 1000);
  std::printf("ratio:            %.2f (target at most %.1f) %s\n", ratio, kTargetRatio,
              ratio <= kTargetRatio ? "met" : "NOT MET");
  return 0;
}
