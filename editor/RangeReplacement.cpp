#include "RangeReplacement.h"

#include <algorithm>
#include <unordered_map>

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

// A stretch of one text format within a paragraph.
struct Fragment {
  int start, end;
  const QTextCharFormat* format;  // null for an object
};

// Applies the replacements from the last range to the first, paragraph by
// paragraph. An edit of a QTextDocument costs about the same whatever its
// length, and cutting a format stretch apart costs more than the edit itself,
// so the ranges that lie in one stretch are replaced by rewriting the whole
// stretch in one edit, the text between them written back as it was.
class RangeReplacer {
 public:
  RangeReplacer(QTextDocument& document, const TextSnapshot& original, const std::vector<TextRange>& ranges,
                const std::function<void(size_t, ReplacementPieces&)>& piecesOf)
      : document_(document),
        original_(original),
        formats_(document),
        cursor_(&document),
        ranges_(ranges),
        piecesOf_(piecesOf) {}

  void replaceAll() {
    if (ranges_.empty()) return;
    // Walked back from the last range's paragraph: a paragraph before the
    // one being changed keeps its place and its position.
    QTextBlock block = document_.findBlock(ranges_.back().start);
    if (!block.isValid()) {
      for (size_t i = ranges_.size(); i > 0; --i) replaceOne(i - 1);
      return;
    }
    int blockStart = block.position();
    for (size_t end = ranges_.size(); end > 0;) {
      while (blockStart > ranges_[end - 1].start && block.previous().isValid()) {
        block = block.previous();
        blockStart -= block.length();
      }
      const QTextBlock previous = block.previous();
      end = replaceInParagraph(block, blockStart, end - 1);
      if (!previous.isValid()) break;
      block = previous;
      blockStart -= previous.length();
    }
  }

 private:
  // Up to this many unchanged characters on either side of the ranges are
  // rewritten with them, to reach the edges of their stretch; a longer
  // stretch is cut instead, so a huge paragraph is not copied for one match.
  static constexpr int kRewrittenSlack = 1024;

  // Replaces the ranges that start in the paragraph, back from `last`;
  // returns the index of the first of them.
  size_t replaceInParagraph(const QTextBlock& block, int blockStart, size_t last) {
    size_t first = last;
    while (first > 0 && ranges_[first - 1].start >= blockStart) --first;
    fragments_.clear();
    int at = blockStart;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      fragments_.push_back(Fragment{at, at + fragment.length(), textFormat(fragment)});
      at += fragment.length();
    }
    size_t f = fragments_.size();
    untouchedEnd_ = at;
    for (size_t r = last + 1; r > first;) {
      const TextRange& range = ranges_[r - 1];
      // The character whose style the replacement takes.
      const int styleFrom = range.start < range.end ? range.start : range.start - 1;
      while (f > 0 && fragments_[f - 1].start > styleFrom) --f;
      const bool inOneFragment =
          f > 0 && styleFrom >= blockStart && fragments_[f - 1].format != nullptr && range.end <= fragments_[f - 1].end;
      const size_t rewrittenFirst = inOneFragment ? rewriteInFragment(fragments_[f - 1], r - 1, first) : r;
      if (rewrittenFirst == r) {
        // Across formats, at an object or a paragraph end, or a replacement
        // that holds an object.
        replaceOne(r - 1);
        untouchedEnd_ = range.start;
        --r;
      } else {
        r = rewrittenFirst;
      }
    }
    return first;
  }

  // The fragment's text format, or null for an object's. A book has few
  // formats, so each is looked up once.
  const QTextCharFormat* textFormat(const QTextFragment& fragment) {
    auto found = textFormats_.find(fragment.charFormatIndex());
    if (found == textFormats_.end()) {
      const QTextCharFormat format = fragment.charFormat();
      found = textFormats_.emplace(fragment.charFormatIndex(), std::make_pair(format, !isObjectFormat(format))).first;
    }
    return found->second.second ? &found->second.first : nullptr;
  }

  // Rewrites the ranges from `last` back to the first of the paragraph's
  // (`first`) that lie inside the fragment and have text-only replacements,
  // in one edit. Returns the first range rewritten, or last + 1 when `last`
  // itself could not be.
  size_t rewriteInFragment(const Fragment& fragment, size_t last, size_t first) {
    replacements_.clear();  // from `last` backwards
    size_t groupFirst = last + 1;
    while (groupFirst > first) {
      const TextRange& range = ranges_[groupFirst - 1];
      const bool inside = range.end <= fragment.end &&
                          (range.start < range.end ? range.start >= fragment.start : range.start > fragment.start);
      if (!inside) break;
      pieces_.clear();
      piecesOf_(groupFirst - 1, pieces_);
      if (!isTextOnly(pieces_)) break;
      replacements_.emplace_back();
      for (const ReplacementPiece& piece : pieces_) replacements_.back() += piece.text;
      --groupFirst;
    }
    if (groupFirst > last) return groupFirst;
    // The unchanged text around the ranges that is rewritten with them: up to
    // the fragment's edges, the ranges left for later, what was replaced
    // already, or the edges of the text known.
    int lowest = std::max(fragment.start, original_.start);
    if (groupFirst > first) lowest = std::max(lowest, ranges_[groupFirst - 1].end);
    const int highest = std::min({untouchedEnd_, fragment.end, original_.end()});
    const int firstStart = ranges_[groupFirst].start, lastEnd = ranges_[last].end;
    const int start = firstStart - lowest <= kRewrittenSlack ? lowest : firstStart;
    const int end = highest - lastEnd <= kRewrittenSlack ? highest : lastEnd;
    QString text;
    text.reserve(end - start + 16 * qsizetype(replacements_.size()));
    int copied = start;
    for (size_t k = groupFirst; k <= last; ++k) {
      text += originalText(copied, ranges_[k].start);
      text += replacements_[last - k];
      copied = ranges_[k].end;
    }
    text += originalText(copied, end);
    cursor_.setPosition(start);
    cursor_.setPosition(end, QTextCursor::KeepAnchor);
    if (text.isEmpty())
      cursor_.removeSelectedText();
    else
      cursor_.insertText(text, *fragment.format);
    untouchedEnd_ = start;
    return groupFirst;
  }

  // The paragraph's text as it was, between two document positions.
  QStringView originalText(int from, int to) const {
    return QStringView(original_.unicode).mid(from - original_.start, to - from);
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
  const TextSnapshot& original_;
  FormatReader formats_;
  QTextCursor cursor_;
  const std::vector<TextRange>& ranges_;
  const std::function<void(size_t, ReplacementPieces&)>& piecesOf_;
  ReplacementPieces pieces_;
  std::vector<QString> replacements_;
  std::vector<Fragment> fragments_;
  std::unordered_map<int, std::pair<QTextCharFormat, bool>> textFormats_;
  int untouchedEnd_ = 0;  // the paragraph's text from here on has been replaced
};

}  // namespace

void replaceRanges(TextDocumentModel& view, const TextSnapshot& original, const std::vector<TextRange>& ranges,
                   const std::function<void(size_t, ReplacementPieces&)>& piecesOf, TextRange before, TextRange after) {
  QTextDocument& document = *view.document();
  const bool notifications = view.setNotificationsEnabled(false);
  const bool redraw = view.setRedrawEnabled(false);
  view.beginEditGroup();
  // Undone last, after the text is back.
  document.appendUndoItem(new SelectionUndoItem(view, before, SelectionUndoItem::When::Undo));
  RangeReplacer(document, original, ranges, piecesOf).replaceAll();
  // Redone last, after the replacements are back.
  document.appendUndoItem(new SelectionUndoItem(view, after, SelectionUndoItem::When::Redo));
  view.endEditGroup();
  view.setSelection(after.start, after.end);
  view.setRedrawEnabled(redraw);
  view.setNotificationsEnabled(notifications);
}

}  // namespace scrivora
