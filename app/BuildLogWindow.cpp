#include "BuildLogWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTextBrowser>
#include <QUrl>

#include "CodePage.h"

namespace scrivora {

namespace {

// Every entry is one line of 8-point Courier New, or the system's
// fixed-pitch face where that is not installed.
QTextCharFormat entryFormat(bool bold, const QColor& colour) {
  QTextCharFormat format;
  format.setFontFamilies(
      QStringList{QStringLiteral("Courier New"), QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
  format.setFontStyleHint(QFont::Monospace);
  format.setFontPointSize(8);
  format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
  format.setForeground(colour);
  return format;
}

const char kPlaceScheme[] = "place";

// An entry about a place is one link, label and message included, so a click
// anywhere on it goes there.
QTextCharFormat linked(QTextCharFormat format, const QString& link) {
  if (link.isEmpty()) return format;
  format.setAnchor(true);
  format.setAnchorHref(link);
  return format;
}

// The place itself is drawn as a link is.
QTextCharFormat placeFormat(const QString& link) {
  QTextCharFormat format = linked(entryFormat(false, QColor(0, 0, 255)), link);
  format.setFontUnderline(true);
  return format;
}

}  // namespace

QString placeText(const SourcePosition& place) {
  return QStringLiteral("%1:%2:%3")
      .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(place.file))).fileName())
      .arg(place.line)
      .arg(place.column);
}

BuildLogView::BuildLogView() : text_(new QTextBrowser(this)) {
  qRegisterMetaType<scrivora::SourcePosition>("scrivora::SourcePosition");
  setWindowTitle(QStringLiteral("Errors"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The log is read beside the documents; it never keeps the program running.
  setAttribute(Qt::WA_QuitOnClose, false);
  // It appears beside the document the author is working in, without
  // taking the keyboard from it.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  QPalette background = palette();
  background.setColor(QPalette::Window, Qt::white);
  setPalette(background);
  text_->setReadOnly(true);
  // Entries name places, not pages to show in the log.
  text_->setOpenLinks(false);
  connect(text_, &QTextBrowser::anchorClicked, this, &BuildLogView::entryClicked);
  text_->setFrameShape(QFrame::NoFrame);
  text_->setLineWrapMode(QTextEdit::WidgetWidth);
  text_->setGeometry(2, 2, kWidth - 4, kHeight - 4);
}

QTextEdit& BuildLogView::text() { return *text_; }

void BuildLogView::append(LogKind kind, const QString& message, const SourcePosition& place) {
  QString link;
  if (place.known() && !place.file.empty()) {
    link = QStringLiteral("%1:%2").arg(QLatin1String(kPlaceScheme)).arg(places_.size());
    places_.push_back(place);
  }
  QTextCursor cursor(text_->document());
  cursor.movePosition(QTextCursor::End);
  if (kind == LogKind::Error) {
    cursor.insertText(QStringLiteral("Error: "), linked(entryFormat(true, QColor(255, 0, 0)), link));
  } else if (kind == LogKind::Warning) {
    cursor.insertText(QStringLiteral("Warning: "), linked(entryFormat(true, Qt::black), link));
  }
  if (!link.isEmpty()) {
    cursor.insertText(placeText(place), placeFormat(link));
    cursor.insertText(QStringLiteral(": "), linked(entryFormat(false, Qt::black), link));
  }
  // A message that ends with its own line feed leaves an empty line.
  cursor.insertText(message, linked(entryFormat(false, Qt::black), link));
  cursor.insertBlock(QTextBlockFormat(), entryFormat(false, Qt::black));
  text_->setTextCursor(cursor);
  text_->ensureCursorVisible();
}

void BuildLogView::clear() {
  text_->clear();
  places_.clear();
}

void BuildLogView::entryClicked(const QUrl& link) {
  if (link.scheme() != QLatin1String(kPlaceScheme)) return;
  bool number = false;
  const size_t index = size_t(link.path().toULongLong(&number));
  if (number && index < places_.size()) emit placeClicked(places_[index]);
}

void BuildLogWindow::add(LogKind kind, const QString& message, const SourcePosition& place) {
  if (held_) return;
  if (view_.isNull()) {
    view_ = new BuildLogView;
    // The place is followed once the click is over: following it may open a
    // window, or a box that runs its own loop.
    QObject::connect(
        view_.data(), &BuildLogView::placeClicked, view_.data(),
        [this](const SourcePosition& clicked) {
          if (follower_) follower_(clicked);
        },
        Qt::QueuedConnection);
  }
  if (kind != LogKind::Status && !view_->isVisible()) view_->show();
  view_->append(kind, message, place);
}

void BuildLogWindow::clear() {
  if (!view_.isNull() && !held_) view_->clear();
}

void BuildLogWindow::destroy() { delete view_.data(); }

QString textOfMessage(const std::string& bytes) {
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (char byte : bytes) text.append(QChar(unicodeFromWindows1252(uint8_t(byte))));
  return text;
}

void BuildLogWindowSink::receive(const LogMessage& message) {
  window_.add(message.kind, textOfMessage(message.text), message.position);
}

namespace {

BuildLogWindow* slotWindow = nullptr;

int deliver(LogKind kind, const char* format, va_list args) {
  if (slotWindow != nullptr) slotWindow->add(kind, textOfMessage(formatMessage(format, args)));
  return 0;
}
int errorSlot(const char* format, va_list args) { return deliver(LogKind::Error, format, args); }
int warningSlot(const char* format, va_list args) { return deliver(LogKind::Warning, format, args); }
int statusSlot(const char* format, va_list args) { return deliver(LogKind::Status, format, args); }

}  // namespace

void routeLogSlotsTo(BuildLogWindow* window) {
  slotWindow = window;
  setErrorSink(window != nullptr ? &errorSlot : &standardLogSink);
  setWarningSink(window != nullptr ? &warningSlot : &standardLogSink);
  setStatusSink(window != nullptr ? &statusSlot : &standardLogSink);
}

}  // namespace scrivora
