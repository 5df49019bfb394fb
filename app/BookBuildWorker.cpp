#include "BookBuildWorker.h"

#include <QEventLoop>

#include "BookBuilder.h"
#include "BuildLogWindow.h"

namespace scrivora {

namespace {

// Installed on the build's thread: hands every message to the worker's
// signal, which queues it for the thread that shows it.
class ForwardingSink : public BuildLogSink {
 public:
  explicit ForwardingSink(BookBuildWorker& worker) : worker_(worker) {}
  void receive(const LogMessage& message) override {
    emit worker_.reported(message.kind, textOfMessage(message.text), message.position);
  }

 private:
  BookBuildWorker& worker_;
};

}  // namespace

BookBuildWorker::BookBuildWorker(std::string sourcePath, std::string outputPath, BookInfo info, QObject* parent)
    : QObject(parent), sourcePath_(std::move(sourcePath)), outputPath_(std::move(outputPath)), info_(std::move(info)) {
  qRegisterMetaType<scrivora::LogKind>("scrivora::LogKind");
  qRegisterMetaType<scrivora::SourcePosition>("scrivora::SourcePosition");
  // Queued to the owner's thread, behind every message of the build.
  connect(this, &BookBuildWorker::finished, this, [this](bool written) {
    ended_ = true;
    written_ = written;
    if (waiting_ != nullptr) waiting_->quit();
  });
}

BookBuildWorker::~BookBuildWorker() {
  cancel();
  if (thread_.joinable()) thread_.join();
}

void BookBuildWorker::start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { run(); });
}

void BookBuildWorker::run() {
  ForwardingSink sink(*this);
  ScopedLogSink installed(sink);
  BuildOptions options;
  options.progress = [this](int percent) {
    percent_ = percent;
    return !cancelRequested_.load();
  };
  const bool written = buildBook(sourcePath_, outputPath_, info_, options);
  emit finished(written);
}

bool BookBuildWorker::waitForEnd() {
  if (!ended_ && thread_.joinable()) {
    // The end is always delivered through the event loop, so it cannot be
    // missed between this check and the loop's start.
    QEventLoop loop;
    waiting_ = &loop;
    loop.exec();
    waiting_ = nullptr;
  }
  if (thread_.joinable()) thread_.join();
  return written_;
}

}  // namespace scrivora
