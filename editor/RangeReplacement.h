#pragma once
// Replaces many ranges of a document in one undo step, fast: the document is
// laid out once for the whole change, not once per range. Text outside the
// ranges keeps its styles and objects; each replacement takes the style of
// the first character it replaces.

#include <functional>
#include <vector>

#include <QString>

#include "TextDocumentModel.h"
#include "TextSnapshot.h"

namespace scrivora {

struct TextRange {
  int start = 0, end = 0;
};

// One part of what goes in place of a range: text, or a copy of the book
// object that stands at a document position inside the range (a group of a
// regular expression may hold objects; they stay objects).
struct ReplacementPiece {
  QString text;
  int objectAt = -1;
};
using ReplacementPieces = std::vector<ReplacementPiece>;

// Replaces the ranges (in document order, not overlapping), applying them
// from the last to the first so that every range stays valid. `original` is
// the document's text as it stands, or a stretch of it that holds the ranges. piecesOf(i,
// pieces) fills in what goes in place of range i (pieces arrives empty). The
// view's notifications and redraw are held meanwhile. Afterwards `after` is
// selected; undoing the step through the document restores the text and
// selects `before`, redoing it selects `after` again.
void replaceRanges(TextDocumentModel& view, const TextSnapshot& original, const std::vector<TextRange>& ranges,
                   const std::function<void(size_t, ReplacementPieces&)>& piecesOf, TextRange before, TextRange after);

}  // namespace scrivora
