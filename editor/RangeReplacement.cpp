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

bool isTextOnly(const ReplacementPieces& pieces) {
  for (const ReplacementPiece& piece : pieces)
    if (piece.objectAt >= 0) return false;
  return true;
}

// Ranges that lie in one stretch of a single text format, in order.
struct Run {
  size_t first, last;
  QTextCharFormat format;
  bool plainText;  // false: a run of one range that cannot go with others
};

// Walks the format stretches of the paragraphs that hold ranges, along the
// sorted ranges.
std::vector<Run> runsOf(const QTextDocument& document, const std::vector<TextRange>& ranges) {
  std::vector<Run> runs;
  size_t r = 0;
  const size_t count = ranges.size();
  while (r < count) {
    const QTextBlock block = document.findBlock(ranges[r].start);
    if (!block.isValid()) break;
    for (auto it = block.begin(); !it.atEnd() && r < count; ++it) {
      const QTextFragment fragment = it.fragment();
      const int start = fragment.position(), end = start + fragment.length();
      const bool plain = !isObjectFormat(fragment.charFormat());
      bool open = false;
      for (; r < count && ranges[r].start < end; ++r) {
        const TextRange& range = ranges[r];
        const bool inside = plain && range.start < range.end && range.start >= start && range.end <= end;
        if (inside && open) {
          runs.back().last = r;
        } else {
          runs.push_back(Run{r, r, fragment.charFormat(), inside});
          open = inside;
        }
      }
    }
    // Ranges from the paragraph end.
    for (const int end = block.position() + block.length(); r < count && ranges[r].start < end; ++r)
      runs.push_back(Run{r, r, QTextCharFormat(), false});
  }
  for (; r < count; ++r) runs.push_back(Run{r, r, QTextCharFormat(), false});
  return runs;
}

// Applies the replacements from the last range to the first. Each edit of a
// QTextDocument costs about the same whatever its length, so the ranges of
// one run go out and in together, the text between them written back as it
// was.
class RangeReplacer {
 public:
  RangeReplacer(QTextDocument& document, const std::vector<TextRange>& ranges,
                const std::function<void(size_t, ReplacementPieces&)>& piecesOf)
      : document_(document), formats_(document), cursor_(&document), ranges_(ranges), piecesOf_(piecesOf) {}

  void replaceAll() {
    const std::vector<Run> runs = runsOf(document_, ranges_);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      if (!run->plainText) {
        replaceOne(run->first);
        continue;
      }
      for (size_t next = run->last + 1; next > run->first;) next = replaceTogether(*run, next - 1);
    }
  }

 private:
  // Replaces the ranges from `last` back to the run's first, or to one whose
  // replacement holds an object, with one edit; returns the first replaced.
  size_t replaceTogether(const Run& run, size_t last) {
    std::vector<QString> replacements;  // from `last` backwards
    size_t first = last + 1;
    while (first > run.first) {
      pieces_.clear();
      piecesOf_(first - 1, pieces_);
      if (!isTextOnly(pieces_)) break;
      replacements.emplace_back();
      for (const ReplacementPiece& piece : pieces_) replacements.back() += piece.text;
      --first;
    }
    if (first > last) {
      replaceOne(last);
      return last;
    }
    const int start = ranges_[first].start;
    cursor_.setPosition(start);
    cursor_.setPosition(ranges_[last].end, QTextCursor::KeepAnchor);
    const QString original = cursor_.selectedText();
    QString text;
    for (size_t k = first; k <= last; ++k) {
      text += replacements[last - k];
      if (k < last) text += original.mid(ranges_[k].end - start, ranges_[k + 1].start - ranges_[k].end);
    }
    if (text.isEmpty())
      cursor_.removeSelectedText();
    else
      cursor_.insertText(text, run.format);
    return first;
  }

  void replaceOne(size_t index) {
    const TextRange range = ranges_[index];
    pieces_.clear();
    piecesOf_(index, pieces_);
    const QTextCharFormat style = formats_.replacementStyle(range.start, range.end);
    // The copied objects are read before their range goes.
    std::vector<QTextCharFormat> objectFormats;
    for (const ReplacementPiece& piece : pieces_)
      objectFormats.push_back(piece.objectAt >= 0 ? formats_.formatAt(piece.objectAt) : QTextCharFormat());
    cursor_.setPosition(range.start);
    cursor_.setPosition(range.end, QTextCursor::KeepAnchor);
    if (range.start < range.end) cursor_.removeSelectedText();
    for (size_t p = 0; p < pieces_.size(); ++p) {
      if (pieces_[p].objectAt >= 0)
        cursor_.insertText(QString(QChar::ObjectReplacementCharacter), objectFormats[p]);
      else if (!pieces_[p].text.isEmpty())
        cursor_.insertText(pieces_[p].text, style);
    }
  }

  QTextDocument& document_;
  FormatReader formats_;
  QTextCursor cursor_;
  const std::vector<TextRange>& ranges_;
  const std::function<void(size_t, ReplacementPieces&)>& piecesOf_;
  ReplacementPieces pieces_;
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
  RangeReplacer(document, ranges, piecesOf).replaceAll();
  // Redone last, after the replacements are back.
  document.appendUndoItem(new SelectionUndoItem(view, after, SelectionUndoItem::When::Redo));
  view.endEditGroup();
  view.setSelection(after.start, after.end);
  view.setRedrawEnabled(redraw);
  view.setNotificationsEnabled(notifications);
}

}  // namespace scrivora
