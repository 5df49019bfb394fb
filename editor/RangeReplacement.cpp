#include "RangeReplacement.h"

#include <QAbstractUndoItem>
#include <QTextBlock>
#include <QTextCursor>

namespace scrivora {

namespace {

// Puts the view's selection back when the step is undone (or redone).
class SelectionUndoItem : public QAbstractUndoItem {
 public:
  enum class When { Undo, Redo };
  SelectionUndoItem(TextDocumentModel& view, TextRange selection, When when)
      : view_(view), selection_(selection), when_(when) {}
  void undo() override {
    if (when_ == When::Undo) view_.setSelection(selection_.start, selection_.end);
  }
  void redo() override {
    if (when_ == When::Redo) view_.setSelection(selection_.start, selection_.end);
  }

 private:
  // The view owns or shares its document and so outlives its undo history.
  TextDocumentModel& view_;
  TextRange selection_;
  When when_;
};

// The character formats of the document as it stands before a change, read
// by position; positions before the last change made stay valid, which
// replacing from the last range to the first guarantees.
class FormatReader {
 public:
  explicit FormatReader(const QTextDocument& document) : document_(document) {}

  // The format of the character at a position, a paragraph end included.
  QTextCharFormat formatAt(int position) const {
    const QTextBlock block = document_.findBlock(position);
    if (!block.isValid()) return QTextCharFormat();
    // A paragraph end carries the character format of the paragraph it opens.
    if (position == block.position() + block.length() - 1 && block.next().isValid()) return block.next().charFormat();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (position >= fragment.position() && position < fragment.position() + fragment.length())
        return fragment.charFormat();
    }
    return block.charFormat();
  }

  // The style a replacement of [start, end) is written in: that of the first
  // character it replaces, or, for an insertion, that of the character
  // before it, as typed text would get. An object passes on its style only.
  QTextCharFormat replacementStyle(int start, int end) const {
    const int position = start < end || start == 0 ? start : start - 1;
    const QTextCharFormat format = formatAt(position);
    if (!isObjectFormat(format)) return format;
    QTextCharFormat plain;
    writeStyleToFormat(styleOfFormat(format), plain);
    return plain;
  }

 private:
  const QTextDocument& document_;
};

}  // namespace

void replaceRanges(TextDocumentModel& view, const std::vector<TextRange>& ranges,
                   const std::function<void(size_t, ReplacementPieces&)>& piecesOf, TextRange before, TextRange after) {
  QTextDocument& document = *view.document();
  const bool notifications = view.setNotificationsEnabled(false);
  const bool redraw = view.setRedrawEnabled(false);
  view.beginEditGroup();
  // Undone last, after the text is back.
  document.appendUndoItem(new SelectionUndoItem(view, before, SelectionUndoItem::When::Undo));
  FormatReader formats(document);
  QTextCursor cursor(&document);
  ReplacementPieces pieces;
  std::vector<QTextCharFormat> objectFormats;
  for (size_t i = ranges.size(); i-- > 0;) {
    const TextRange range = ranges[i];
    pieces.clear();
    piecesOf(i, pieces);
    const QTextCharFormat style = formats.replacementStyle(range.start, range.end);
    // The copied objects are read before their range goes.
    objectFormats.clear();
    for (const ReplacementPiece& piece : pieces)
      objectFormats.push_back(piece.objectAt >= 0 ? formats.formatAt(piece.objectAt) : QTextCharFormat());
    cursor.setPosition(range.start);
    cursor.setPosition(range.end, QTextCursor::KeepAnchor);
    if (range.start < range.end) cursor.removeSelectedText();
    for (size_t p = 0; p < pieces.size(); ++p) {
      if (pieces[p].objectAt >= 0)
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), objectFormats[p]);
      else if (!pieces[p].text.isEmpty())
        cursor.insertText(pieces[p].text, style);
    }
  }
  // Redone last, after the replacements are back.
  document.appendUndoItem(new SelectionUndoItem(view, after, SelectionUndoItem::When::Redo));
  view.endEditGroup();
  view.setSelection(after.start, after.end);
  view.setRedrawEnabled(redraw);
  view.setNotificationsEnabled(notifications);
}

}  // namespace scrivora
