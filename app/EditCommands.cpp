#include "EditCommands.h"

#include "Commands.h"
#include "DocumentTextView.h"

namespace scrivora {

EditCommands::EditCommands(DocumentTextView& view)
    : CommandGroup({cmd::kUndo, cmd::kRedo, cmd::kCut, cmd::kCopy, cmd::kPaste, cmd::kDelete, cmd::kSelectAll}),
      view_(view) {}

bool EditCommands::enabled(Command command) const {
  const bool selection = view_.textCursor().hasSelection();
  switch (command) {
    case cmd::kUndo: return view_.document()->isUndoAvailable();
    case cmd::kRedo: return view_.document()->isRedoAvailable();
    case cmd::kCut:
    case cmd::kCopy:
    case cmd::kDelete: return selection;
    case cmd::kPaste: return view_.canPaste();
    case cmd::kSelectAll: return !view_.document()->isEmpty();
    default: return false;
  }
}

bool EditCommands::perform(Command command, const void*, uintptr_t) {
  switch (command) {
    // Through the document, so that a step that puts a selection back (Replace
    // All) keeps it: the view's own undo moves its cursor afterwards.
    case cmd::kUndo:
      view_.document()->undo();
      view_.ensureCursorVisible();
      return true;
    case cmd::kRedo:
      view_.document()->redo();
      view_.ensureCursorVisible();
      return true;
    case cmd::kCut: view_.cut(); return true;
    case cmd::kCopy: view_.copy(); return true;
    case cmd::kPaste: view_.paste(); return true;
    case cmd::kDelete: {
      QTextCursor cursor = view_.textCursor();
      cursor.removeSelectedText();
      view_.setTextCursor(cursor);
      return true;
    }
    case cmd::kSelectAll: view_.selectAll(); return true;
    default: return false;
  }
}

}  // namespace scrivora
