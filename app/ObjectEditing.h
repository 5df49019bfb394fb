#pragma once
// The Book menu's insertions and the editing of existing objects, each
// through its dialog: insert mode at the caret (or over the selection for
// anchors and links), edit mode for the object at a position. Each returns
// true when the author confirmed and the text changed.

#include <cstdint>

class QWidget;

namespace scrivora {

class TextDocumentModel;

bool insertCommentByDialog(TextDocumentModel& text, QWidget* owner);
bool insertRuleByDialog(TextDocumentModel& text, QWidget* owner);
bool insertTabByDialog(TextDocumentModel& text, QWidget* owner);
bool insertImageByDialog(TextDocumentModel& text, QWidget* owner);
bool insertCharacterByDialog(TextDocumentModel& text, QWidget* owner);
bool createAnchorByDialog(TextDocumentModel& text, QWidget* owner);
bool createLinkByDialog(TextDocumentModel& text, QWidget* owner);

// The dialog of the object's kind; book plates have none.
bool editObjectByDialog(TextDocumentModel& text, int position, QWidget* owner);
// Whether an object of this kind has a dialog.
bool objectHasDialog(uint32_t kind);

}  // namespace scrivora
