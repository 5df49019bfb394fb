// bench-makebook [BOOK.html] [RUNS]
// Makes War and Peace (imported from the corpus HTML into TML) into a book
// through the program's Make Book command, which builds on a worker thread
// behind the progress window and forwards every message to the build log
// window, against buildBook called on the same thread with the messages
// collected. Then cancels builds part-way and times how long Cancel takes to
// stop them. Prints the best times of a few runs and their ratio.

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "AlertBox.h"
#include "Application.h"
#include "BookBuilder.h"
#include "BuildProgressWindow.h"
#include "DocumentWindow.h"
#include "FileDialog.h"
#include "HtmlImporter.h"
#include "MakeBook.h"
#include "QXException.h"

using namespace scrivora;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Presses Cancel on the progress window once the bar has passed `percent`;
// the moment it pressed is kept.
class CancelAt {
 public:
  explicit CancelAt(int percent) : percent_(percent) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { check(); });
    poll_.start(1);
  }
  Clock::time_point pressed;
  bool done = false;

 private:
  void check() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<BuildProgressWindow*>(widget);
      if (progress == nullptr || !progress->isVisible() || progress->bar().value() < percent_) continue;
      pressed = Clock::now();
      done = true;
      progress->cancelButton().click();
      poll_.stop();
    }
  }
  int percent_;
  QTimer poll_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const std::string page = argc > 1 ? argv[1] : std::string(SCRIVORA_CORPUS_DIR) + "/books/war-and-peace.html";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

  std::string tml;
  try {
    tml = HtmlImporter(htmlSupportFolderBesideProgram()).convertFile(page);
  } catch (const QXException& failure) {
    std::fprintf(stderr, "bench-makebook: %s: %s\n", page.c_str(), failure.message());
    return 1;
  }
  QTemporaryDir dir;
  const std::string source = dir.filePath("book.tml").toStdString();
  std::ofstream(source, std::ios::binary) << tml;
  std::printf("book: %s as TML, %.1f MB\n", page.c_str(), double(tml.size()) / 1e6);

  Application application(std::make_unique<SettingsStore>("Scrivora", dir.filePath("bench.conf")));
  RecordingAlertPresenter noBoxes;
  const ScopedAlertPresenter alerts(noBoxes);
  RecordingFileDialogPresenter dialogs;
  const ScopedFileDialogPresenter files(dialogs);
  DocumentWindow* window = application.openDocument(source);
  if (window == nullptr) return 1;
  // Titled without counting as a change, so Make Book asks nothing.
  window->document().bookInfo().title = "Bench Book";
  BookInfo info = window->document().bookInfo();

  double direct = 1e30, command = 1e30, thread = 1e30;
  for (int run = 0; run < runs; ++run) {
    const std::string directBook = dir.filePath("direct.tdb").toStdString();
    bool written = false;
    {
      CollectingLogSink messages;
      const ScopedLogSink collect(messages);
      direct = std::min(direct, seconds([&] { written = buildBook(source, directBook, info); }));
      if (run == 0) std::printf("messages of one build: %zu\n", messages.messages.size());
    }
    {
      const std::string threadBook = dir.filePath("thread.tdb").toStdString();
      thread = std::min(thread, seconds([&] {
                          std::thread builder([&] {
                            CollectingLogSink messages;
                            const ScopedLogSink collect(messages);
                            written = buildBook(source, threadBook, info) && written;
                          });
                          builder.join();
                        }));
    }
    dialogs.answers = {dir.filePath("command.tdb")};
    bool made = false;
    command = std::min(command, seconds([&] { made = makeBook(*window, application.buildLog()); }));
    if (!written || !made) {
      std::fprintf(stderr, "bench-makebook: a build failed\n");
      return 1;
    }
    application.buildLog().destroy();
  }
  std::printf("buildBook on the calling thread:            %7.3f s\n", direct);
  std::printf("buildBook on a thread of its own:            %7.3f s\n", thread);
  std::printf("Make Book (worker, progress and log windows): %5.3f s\n", command);
  std::printf("ratio: %.2f (target: at most 1.10)\n", command / direct);

  double worstStop = 0;
  for (int percent : {10, 30, 50}) {
    dialogs.answers = {dir.filePath("cancelled.tdb")};
    CancelAt cancel(percent);
    const bool made = makeBook(*window, application.buildLog());
    const double stop = std::chrono::duration<double>(Clock::now() - cancel.pressed).count();
    if (made || !cancel.done) {
      std::fprintf(stderr, "bench-makebook: the build at %d%% was not cancelled\n", percent);
      return 1;
    }
    std::printf("cancelled at %2d%%: stopped %6.1f ms after Cancel\n", percent, stop * 1e3);
    worstStop = std::max(worstStop, stop);
  }
  std::printf("slowest stop after Cancel: %.1f ms (%.2f of a whole build)\n", worstStop * 1e3, worstStop / direct);
  return 0;
}
