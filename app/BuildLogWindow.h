#pragma once
// Where the author reads what the compiler and the TML loader report. There
// is at most one window, titled "Errors": made at the first message, shown at
// the first error or warning, and forgotten when the user closes it, so that
// the next message starts a fresh, empty one. It never keeps the program
// running.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "BuildLog.h"

class QTextEdit;

namespace scrivora {

class BuildLogView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 512;
  static constexpr int kHeight = 384;

  BuildLogView();
  void append(LogKind kind, const QString& message);
  void clear();
  QTextEdit& text() { return *text_; }

 private:
  QTextEdit* text_;
};

class BuildLogWindow {
 public:
  BuildLogWindow() = default;
  ~BuildLogWindow() { destroy(); }
  BuildLogWindow(const BuildLogWindow&) = delete;
  BuildLogWindow& operator=(const BuildLogWindow&) = delete;

  void addError(const QString& message) { add(LogKind::Error, message); }
  void addWarning(const QString& message) { add(LogKind::Warning, message); }
  void addStatus(const QString& message) { add(LogKind::Status, message); }
  void add(LogKind kind, const QString& message);
  // Empties the window when there is one, without showing or hiding it.
  void clear();
  void destroy();
  // The window, or null when there is none.
  BuildLogView* view() const { return view_; }

 private:
  QPointer<BuildLogView> view_;
};

// Delivers the build log's messages into the window. Message bytes are
// Windows-1252, as in TML.
class BuildLogWindowSink : public BuildLogSink {
 public:
  explicit BuildLogWindowSink(BuildLogWindow& window) : window_(window) {}
  void receive(const LogMessage& message) override;

 private:
  BuildLogWindow& window_;
};

// Points the three function slots of the build log at the window too, for
// reports made where no sink object is installed; null points them back at
// standard output.
void routeLogSlotsTo(BuildLogWindow* window);

QString textOfMessage(const std::string& bytes);

}  // namespace scrivora
