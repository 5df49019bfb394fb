#pragma once
// Runs one book build on a thread of its own, so that the program stays
// painted and can cancel it. Its messages and progress arrive as signals on
// the thread that owns the worker, in the order the build reported them, and
// `finished` comes after the last of them. How far the build has come is
// read when the reader wants it, so a fast build does not flood the owner
// with a repaint per percent.

#include <QObject>
#include <QString>

#include <atomic>
#include <string>
#include <thread>

#include "BookInfo.h"
#include "BuildLog.h"

class QEventLoop;

namespace scrivora {

class BookBuildWorker : public QObject {
  Q_OBJECT

 public:
  BookBuildWorker(std::string sourcePath, std::string outputPath, BookInfo info, QObject* parent = nullptr);
  // Waits for a build that is still running (after cancelling it).
  ~BookBuildWorker() override;

  void start();
  // Asks the build to stop at its next check; it then leaves no book.
  void cancel() { cancelRequested_ = true; }
  bool cancelRequested() const { return cancelRequested_; }
  // How far the build has come, 0 to 100.
  int percent() const { return percent_; }
  // Runs the owner's event loop until the build has ended; true when the
  // book was written.
  bool waitForEnd();

 signals:
  void reported(scrivora::LogKind kind, const QString& message, const scrivora::SourcePosition& place);
  void finished(bool written);

 private:
  void run();

  std::string sourcePath_;
  std::string outputPath_;
  BookInfo info_;
  std::thread thread_;
  std::atomic<bool> cancelRequested_{false};
  std::atomic<int> percent_{0};
  QEventLoop* waiting_ = nullptr;
  bool ended_ = false;
  bool written_ = false;
};

}  // namespace scrivora
