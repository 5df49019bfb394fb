#pragma once
// Where the author reads what the compiler and the TML loader report. There
// is at most one window, titled "Errors": made at the first message, shown at
// the first error or warning, and forgotten when the user closes it, so that
// the next message starts a fresh, empty one. It never keeps the program
// running.
//
// An entry about a place in a file names it ("book.tml:12:5") and is a link:
// clicking it (or Return on it) hands the place to the window's follower.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "BuildLog.h"

class QTextBrowser;
class QTextEdit;
class QUrl;

namespace scrivora {

class BuildLogView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 512;
  static constexpr int kHeight = 384;

  BuildLogView();
  void append(LogKind kind, const QString& message, const SourcePosition& place = SourcePosition());
  void clear();
  QTextEdit& text();

 signals:
  // The user clicked an entry about a place.
  void placeClicked(const scrivora::SourcePosition& place);

 private:
  void entryClicked(const QUrl& link);

  QTextBrowser* text_;
  // The places of the entries, by the number their link carries.
  std::vector<SourcePosition> places_;
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
  void add(LogKind kind, const QString& message, const SourcePosition& place = SourcePosition());
  // Empties the window when there is one, without showing or hiding it.
  void clear();
  void destroy();
  // The window, or null when there is none.
  BuildLogView* view() const { return view_; }

  // Told of the place of an entry the user clicked, once the click is over.
  void setPlaceFollower(std::function<void(const SourcePosition&)> follower) { follower_ = std::move(follower); }

  // While alive the log stays as it is: neither emptied nor added to. Going
  // to the place of an entry may open its file, whose load would otherwise
  // replace the very entries the user is going through.
  class Hold {
   public:
    explicit Hold(BuildLogWindow& window) : window_(window), previous_(window.held_) { window.held_ = true; }
    ~Hold() { window_.held_ = previous_; }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    BuildLogWindow& window_;
    bool previous_;
  };

 private:
  QPointer<BuildLogView> view_;
  std::function<void(const SourcePosition&)> follower_;
  bool held_ = false;
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

// How an entry names its place: the file's name, line and column.
QString placeText(const SourcePosition& place);

}  // namespace scrivora
