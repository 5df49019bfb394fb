// bench-regex [RUNS]
// Times the rule importer replacing dense matches in 1 MB of text and, as the
// baseline, sed -E doing the same replacement over the same text, and prints
// the ratio of processor times for each case. Each side runs RUNS times
// (default 5); the fastest run counts. A replacement that is linear in the
// text and its matches stays within a small factor of sed; one that copies
// the rest of the text per match takes minutes.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "QXException.h"
#include "RegexImporter.h"

using namespace scrivora;

namespace {

constexpr double kTargetRatio = 3.0;
constexpr size_t kTextSize = 1 << 20;

struct Case {
  const char* name;
  const char* rules;      // the importer's rule text
  const char* sedScript;  // the same replacement for sed -E
  const char* textPiece;  // repeated up to 1 MB
};

const Case kCases[] = {
    {"one letter, every byte a match", "\rs=a\rr=b", "s/a/b/g", "a"},
    {"a word and its group, every 5 bytes", "\rs=([a-z]+) \rr=<\\1> ", "s/([a-z]+) /<\\1> /g", "word "},
    {"runs of spaces, every 6 bytes", "\rs=  +\rr= ", "s/  +/ /g", "word  "},
};

double processorSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double seconds(const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; }

// Runs sed over the file, its output to /dev/null; the child's processor time,
// or a negative number when it could not run.
double timeSed(const char* script, const std::string& input) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
    execlp("sed", "sed", "-E", script, input.c_str(), (char*)nullptr);
    _exit(127);
  }
  int status = 0;
  rusage usage;
  if (wait4(child, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string repeatedText(const char* piece) {
  std::string text;
  const std::string unit(piece);
  text.reserve(kTextSize + unit.size());
  while (text.size() < kTextSize) text += unit;
  return text;
}

bool writeInput(const std::string& text, std::string& path) {
  char name[] = "/tmp/bench-regex-XXXXXX";
  const int descriptor = mkstemp(name);
  if (descriptor < 0) return false;
  path = name;
  const bool written = ::write(descriptor, text.data(), text.size()) == ssize_t(text.size());
  return ::close(descriptor) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 5);
  bool allMet = true;
  for (const Case& c : kCases) {
    const std::string text = repeatedText(c.textPiece);
    std::string input;
    if (!writeInput(text, input)) {
      std::fprintf(stderr, "bench-regex: cannot write the input file\n");
      return 1;
    }
    double ours = 1e9, sed = 1e9;
    size_t outputSize = 0;
    try {
      RegexImporter importer(c.rules);
      for (int run = 0; run < runs; ++run) {
        // Alternate the two so that a busy moment of the machine hits both alike.
        const double sedTime = timeSed(c.sedScript, input);
        if (sedTime < 0) {
          std::fprintf(stderr, "bench-regex: sed did not run\n");
          ::unlink(input.c_str());
          return 1;
        }
        sed = std::min(sed, sedTime);
        const double start = processorSeconds();
        outputSize = importer.convert(text).size();
        ours = std::min(ours, processorSeconds() - start);
      }
    } catch (const QXException& failure) {
      std::fprintf(stderr, "bench-regex: %s\n", failure.message());
      ::unlink(input.c_str());
      return 1;
    }
    ::unlink(input.c_str());
    const double ratio = ours / sed;
    allMet = allMet && ratio <= kTargetRatio;
    std::printf("%-38s importer %7.1f ms, sed -E %7.1f ms, ratio %.2f (%zu -> %zu bytes)\n", c.name, ours * 1000,
                sed * 1000, ratio, text.size(), outputSize);
  }
  std::printf("target: at most %.1f times sed -E in every case: %s\n", kTargetRatio, allMet ? "met" : "NOT MET");
  return 0;
}
