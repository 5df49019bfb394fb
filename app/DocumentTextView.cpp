#include "DocumentTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include "Clipboard.h"
#include "NoteCommands.h"

namespace scrivora {

int lineWidthAt(int zoom) { return 158 * zoom; }

DocumentTextView::DocumentTextView(TextDocumentModel& text, QWidget* parent) : QTextEdit(parent), text_(text) {
  setDocument(text.document());
  // The page is the handheld's: the text keeps no margin of its own.
  text.document()->setDocumentMargin(4);
  setLineWrapMode(QTextEdit::FixedPixelWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFrameShape(QFrame::NoFrame);
  setAutoFormatting(QTextEdit::AutoNone);
  setTabChangesFocus(false);
  setZoom(text.zoom());
  text.setCaretHost(this);
}

DocumentTextView::~DocumentTextView() { text_.setCaretHost(nullptr); }

void DocumentTextView::setZoom(int zoom) {
  setLineWrapColumnOrWidth(lineWidthAt(zoom) + 2 * int(document()->documentMargin()));
}

QMimeData* DocumentTextView::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  return mimeDataForRange(text_, cursor.selectionStart(), cursor.selectionEnd()).release();
}

bool DocumentTextView::canInsertFromMimeData(const QMimeData* source) const {
  return source != nullptr && (source->hasFormat(kTmlFragmentMimeType) || source->hasText());
}

void DocumentTextView::insertFromMimeData(const QMimeData* source) {
  if (source != nullptr) insertMimeData(text_, *source);
  ensureCursorVisible();
}

int DocumentTextView::notesStart() const {
  // Found again only when the text changed: painting is frequent.
  if (!notes_.valid || notes_.changes != text_.changeCount()) {
    notes_.position = scrivora::notesStart(text_);
    notes_.changes = text_.changeCount();
    notes_.valid = true;
  }
  return notes_.position;
}

void DocumentTextView::paintEvent(QPaintEvent* event) {
  QTextEdit::paintEvent(event);
  const int start = notesStart();
  if (start < 0) return;
  const QTextBlock block = document()->findBlock(start);
  const QRectF box = document()->documentLayout()->blockBoundingRect(block);
  const int top = int(box.top()) - verticalScrollBar()->value();
  if (top < -40 || top > viewport()->height()) return;
  QPainter painter(viewport());
  painter.setPen(QColor(96, 96, 97));
  const int left = int(document()->documentMargin()), right = left + lineWidthAt(text_.zoom());
  painter.drawLine(left, top - 2, right, top - 2);
  // The heading stands on the empty line before the notes, when there is one.
  const QTextBlock before = block.previous();
  if (!before.isValid() || before.length() > 1) return;
  QFont font = painter.font();
  font.setItalic(true);
  painter.setFont(font);
  painter.drawText(QRect(left, top - 2 - painter.fontMetrics().height(), right - left, painter.fontMetrics().height()),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Notes"));
}

}  // namespace scrivora
