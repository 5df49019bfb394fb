// bench-preview [--runs N]
// First, the generated 12 MB book (as bench-compile makes it) is paginated
// from memory for each reader font, as the page preview does, and built whole
// by buildBook as the baseline, in the same process; it prints both times
// and their ratio. Then, on a 1 MB book loaded into the editor, the
// pause-to-picture time: writing the document as TML, paginating it for the
// small font, finding the caret's page, laying it out and drawing it at zoom
// 2. Each time is the best of N runs (default 3), wall-clock.
//
// Targets: each full pagination costs less than the build; pause to picture
// at most 100 ms on the 1 MB book.

#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "BenchBookText.h"
#include "BookBuilder.h"
#include "BuildLog.h"
#include "PagePainter.h"
#include "PreviewPagination.h"
#include "TextDocumentModel.h"
#include "TmlLoader.h"
#include "TmlWriter.h"

using namespace scrivora;

namespace {

constexpr size_t kBookBytes = 12 * 1024 * 1024;
constexpr size_t kTypedBookBytes = 1024 * 1024;
constexpr double kPauseTargetMs = 100;

class QuietSink : public BuildLogSink {
 public:
  void receive(const LogMessage&) override {}
};

double bestSeconds(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), std::streamsize(text.size()));
  return bool(out.flush());
}

// The whole build against the pagination of each font.
bool benchPagination(const std::string& text, const std::string& folder, int runs) {
  const std::string source = folder + "/book.tml", output = folder + "/book.tdb";
  if (!writeFile(source, text)) {
    std::fprintf(stderr, "cannot write %s\n", source.c_str());
    return false;
  }
  QuietSink quiet;
  ScopedLogSink sink(quiet);
  BookInfo info;
  info.title = "Benchmark";
  bool built = true;
  const double build = bestSeconds(runs, [&] { built = built && buildBook(source, output, info); });
  if (!built) {
    std::fprintf(stderr, "the build failed\n");
    return false;
  }
  std::printf("12 MB book (%zu bytes): build %.3f s\n", text.size(), build);
  for (ReaderFont font : {ReaderFont::Small, ReaderFont::Large}) {
    size_t pages = 0;
    const double paginate = bestSeconds(runs, [&] { pages = PagePreview::paginate(text, font).pageCount(); });
    std::printf("  %s font: pagination %.3f s (%zu pages), ratio to the build %.2f (target below 1)\n",
                font == ReaderFont::Small ? "small" : "large", paginate, pages, paginate / build);
  }
  return true;
}

// From the end of a pause in typing to the page on screen.
void benchPauseToPicture(const std::string& text, int runs) {
  TextDocumentModel view(nullptr, 2);
  TmlLoadOptions options;
  QuietSink quiet;
  ScopedLogSink sink(quiet);
  if (!loadTmlFromMemory(text, options, nullptr, &view)) {
    std::fprintf(stderr, "cannot load the 1 MB book\n");
    return;
  }
  const int caret = view.length() / 2;
  QImage picture(pageSizeAt(2), QImage::Format_RGB32);
  PreviewImages images;
  size_t page = 0;
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
  };
  double best = 1e30, bestWriting = 0, bestPaginating = 0;
  for (int run = 0; run < runs; ++run) {
    const auto start = Clock::now();
    PreviewPages pages;
    TmlWriteOptions write;
    write.fullImagePaths = true;
    write.positions = &pages.positions;
    const std::string tml = writeTml(view, nullptr, write);
    const auto written = Clock::now();
    pages.pages = PagePreview::paginate(tml, ReaderFont::Small);
    const auto paginated = Clock::now();
    page = pages.pageOfPosition(caret);
    const PageLayout layout = pages.pages.layOutPage(page);
    QPainter painter(&picture);
    paintPage(painter, layout, 2, images);
    painter.end();
    const double total = ms(start, Clock::now());
    if (total < best) {
      best = total;
      bestWriting = ms(start, written);
      bestPaginating = ms(written, paginated);
    }
  }
  const double plainWrite = bestSeconds(runs, [&] { (void)writeTml(view, nullptr); }) * 1000;
  std::printf(
      "1 MB book in the editor: pause to picture %.1f ms (write TML %.1f ms, on the main thread; "
      "paginate %.1f ms on the worker), page %zu; target at most %.0f ms: %s\n",
      best, bestWriting, bestPaginating, page + 1, kPauseTargetMs, best <= kPauseTargetMs ? "met" : "MISSED");
  std::printf("  writing TML without the position map: %.1f ms\n", plainWrite);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  const std::vector<std::string> paragraphs = benchbuild::corpusParagraphs(SCRIVORA_CORPUS_DIR);
  if (paragraphs.empty()) {
    std::fprintf(stderr, "no corpus novels under %s\n", SCRIVORA_CORPUS_DIR);
    return 1;
  }
  char folder[] = "/tmp/bench-preview-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const bool ok = benchPagination(benchbuild::makeBookText(paragraphs, kBookBytes), folder, runs);
  std::remove((std::string(folder) + "/book.tml").c_str());
  std::remove((std::string(folder) + "/book.tdb").c_str());
  rmdir(folder);
  benchPauseToPicture(benchbuild::makeBookText(paragraphs, kTypedBookBytes), runs);
  return ok ? 0 : 1;
}
