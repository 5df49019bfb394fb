#include "DocumentTextView.h"

#include <QMimeData>

#include "Clipboard.h"

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

}  // namespace scrivora
