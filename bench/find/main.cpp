// bench-find [BOOK] [--layout]
// Replace All in a large book loaded in the editor: every "the" (literal,
// case-insensitive) and the expression ([A-Z][a-z]+) ([A-Z][a-z]+) -> \2 \1.
// The baseline is the same search run over the book's plain 8-bit text in a
// std::string, building the replaced text in a second one, in the same run.
// Each case is also run on the first half of the book, to show that the time
// follows the number of matches. With --layout the document is laid out
// before each run, as a window showing it would have it. Each time is the
// thread's processor time, the best of a few runs; the editor's result is
// checked against the baseline's.

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QTextDocument>

#include "BuildLog.h"
#include "FindEscapes.h"
#include "FindReplace.h"
#include "HorspoolSearch.h"
#include "RegexSearch.h"
#include "SourceEncoding.h"
#include "TextDocumentModel.h"
#include "TextSnapshot.h"
#include "TmlLoader.h"

using namespace scrivora;

namespace {

constexpr int kRuns = 5;

struct Case {
  const char* name;
  std::string pattern, replacement;
  FindOptions options;
};

// The calling thread's processor time: everything here runs on one thread,
// and other work on a busy machine then leaves the comparison alone.
double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double secondsOf(const std::function<void()>& work) {
  const double start = threadSeconds();
  work();
  return threadSeconds() - start;
}

// The replacements on a std::string: the same search, the result built in a
// second string.
std::string replacedPlainText(const std::string& text, const Case& c, int& count) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  count = 0;
  size_t copied = 0;
  if (!c.options.regex) {
    const HorspoolSearch search(c.pattern, c.options.caseSensitive, c.options.entireWord);
    for (size_t at = search.find(text, 0); at != HorspoolSearch::npos; at = search.find(text, at + c.pattern.size())) {
      out.append(text, copied, at - copied);
      out += c.replacement;
      copied = at + c.pattern.size();
      ++count;
    }
  } else {
    const RegexSearch regex(c.pattern, c.options.caseSensitive);
    const ReplacementTemplate replacement(c.replacement);
    const std::string searchText = searchTextOf(text);
    std::vector<RegexSearch::Span> spans;
    for (size_t from = 0; from <= text.size() && regex.match(searchText, from, text.size(), spans);) {
      out.append(text, copied, spans[0].start - copied);
      for (const ReplacementTemplate::Piece& piece : replacement.pieces()) {
        if (piece.group == 0)
          out += piece.text;
        else if (spans[size_t(piece.group)].matched)
          out.append(text, spans[size_t(piece.group)].start,
                     spans[size_t(piece.group)].end - spans[size_t(piece.group)].start);
      }
      copied = spans[0].end;
      from = spans[0].end > spans[0].start ? spans[0].end : spans[0].end + 1;
      ++count;
    }
  }
  out.append(text, copied, std::string::npos);
  return out;
}

struct Timing {
  double baseline = 1e30, editor = 1e30;
  int count = 0;
  bool same = true;
};

Timing measure(const std::string& tml, const Case& c, bool layout) {
  Timing timing;
  for (int run = 0; run < kRuns; ++run) {
    TextDocumentModel view;
    loadTmlFromMemory(tml, TmlLoadOptions(), nullptr, &view);
    if (layout) {
      view.document()->setTextWidth(600);
      view.document()->documentLayout()->documentSize();
    }
    const std::string plain = takeSnapshot(view, 0, view.length()).bytes;
    std::string expected;
    int expectedCount = 0;
    timing.baseline =
        std::min(timing.baseline, secondsOf([&] { expected = replacedPlainText(plain, c, expectedCount); }));
    view.setCaret(0);
    FindOutcome outcome;
    timing.editor = std::min(timing.editor, secondsOf([&] {
                               outcome = replaceAll(view, c.pattern, c.replacement, c.options);
                               if (layout) view.document()->documentLayout()->documentSize();
                             }));
    timing.count = outcome.count;
    timing.same =
        timing.same && outcome.count == expectedCount && takeSnapshot(view, 0, view.length()).bytes == expected;
  }
  return timing;
}

std::string firstHalfOf(const std::string& text) {
  const size_t lineEnd = text.find('\n', text.size() / 2);
  return text.substr(0, lineEnd == std::string::npos ? text.size() : lineEnd + 1);
}

// What laying the whole book out once costs, the least a change to all of it
// can cost a window that shows it.
double fullLayoutSeconds(const std::string& tml) {
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    TextDocumentModel view;
    loadTmlFromMemory(tml, TmlLoadOptions(), nullptr, &view);
    best = std::min(best, secondsOf([&] {
                      view.document()->setTextWidth(600);
                      view.document()->documentLayout()->documentSize();
                    }));
  }
  return best;
}

int silentLog(const char*, va_list) { return 0; }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  std::string path = SCRIVORA_CORPUS_DIR "/books/war-and-peace.txt";
  bool layout = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--layout") == 0)
      layout = true;
    else
      path = argv[i];
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "bench-find: cannot read %s\n", path.c_str());
    return 1;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  // As TML, the book has no tags, but a backslash would start one; its UTF-8
  // becomes the editor's Windows-1252, as opening the file would make it.
  std::string escaped;
  for (char c : bytes.str()) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  const SourceEncodingGuess encoding = guessSourceEncoding(escaped);
  const std::string tml = encoding.byteOrderMark || encoding.looksLikeUtf8 ? utf8ToWindows1252Tml(escaped) : escaped;
  setStatusSink(&silentLog);

  const Case cases[] = {
      {"literal \"the\", case-insensitive", "the", "thy", FindOptions{false, false, false}},
      {"regex ([A-Z][a-z]+) ([A-Z][a-z]+) -> \\2 \\1", "([A-Z][a-z]+) ([A-Z][a-z]+)", "\\2 \\1",
       FindOptions{true, false, true}},
  };
  std::printf("%s: %.1f MB%s\n", path.c_str(), tml.size() / 1e6, layout ? ", laid out" : "");
  if (layout) std::printf("laying the whole book out once: %.4f s\n", fullLayoutSeconds(tml));
  bool allSame = true;
  for (const Case& c : cases) {
    const Timing whole = measure(tml, c, layout);
    const Timing half = measure(firstHalfOf(tml), c, layout);
    allSame = allSame && whole.same && half.same;
    std::printf("%s\n", c.name);
    std::printf("  whole book: %d matches, std::string %.4f s, editor %.4f s, ratio %.1f (target at most 10)\n",
                whole.count, whole.baseline, whole.editor, whole.editor / whole.baseline);
    std::printf("  half book:  %d matches, std::string %.4f s, editor %.4f s, ratio %.1f\n", half.count, half.baseline,
                half.editor, half.editor / half.baseline);
    std::printf("  editor time whole/half %.2f for matches whole/half %.2f (linear: the same)\n",
                whole.editor / half.editor, double(whole.count) / half.count);
    if (!whole.same || !half.same) std::printf("  MISMATCH: the editor's text differs from the baseline's\n");
  }
  return allSame ? 0 : 1;
}
