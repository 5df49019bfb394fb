#include "BuildLogWindow.h"

#include <QFontDatabase>
#include <QTextEdit>

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

}  // namespace

BuildLogView::BuildLogView() : text_(new QTextEdit(this)) {
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
  text_->setFrameShape(QFrame::NoFrame);
  text_->setLineWrapMode(QTextEdit::WidgetWidth);
  text_->setGeometry(2, 2, kWidth - 4, kHeight - 4);
}

void BuildLogView::append(LogKind kind, const QString& message) {
  QTextCursor cursor(text_->document());
  cursor.movePosition(QTextCursor::End);
  if (kind == LogKind::Error) {
    cursor.insertText(QStringLiteral("Error: "), entryFormat(true, QColor(255, 0, 0)));
  } else if (kind == LogKind::Warning) {
    cursor.insertText(QStringLiteral("Warning: "), entryFormat(true, Qt::black));
  }
  // A message that ends with its own line feed leaves an empty line.
  cursor.insertText(message, entryFormat(false, Qt::black));
  cursor.insertBlock();
  text_->setTextCursor(cursor);
  text_->ensureCursorVisible();
}

void BuildLogView::clear() { text_->clear(); }

void BuildLogWindow::add(LogKind kind, const QString& message) {
  if (view_.isNull()) view_ = new BuildLogView;
  if (kind != LogKind::Status && !view_->isVisible()) view_->show();
  view_->append(kind, message);
}

void BuildLogWindow::clear() {
  if (!view_.isNull()) view_->clear();
}

void BuildLogWindow::destroy() { delete view_.data(); }

QString textOfMessage(const std::string& bytes) {
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (char byte : bytes) text.append(QChar(unicodeFromWindows1252(uint8_t(byte))));
  return text;
}

void BuildLogWindowSink::receive(const LogMessage& message) { window_.add(message.kind, textOfMessage(message.text)); }

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
