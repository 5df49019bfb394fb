#pragma once
// Copy and paste of editor text with its book objects. A selection travels as
// a TML fragment (with the full records of its objects beside it) under
// private types, and as plain text for other programs.

#include <memory>

#include <QMimeData>

#include "RichTextView.h"

namespace scrivora {

extern const char* const kTmlFragmentMimeType;
extern const char* const kObjectRecordsMimeType;

// The data of [start, end) of the view.
std::unique_ptr<QMimeData> mimeDataForRange(RichTextView& view, int start, int end);
// Replaces the selection with the data (a TML fragment when there is one,
// plain text otherwise); the caret ends behind it. False when the data holds
// nothing the editor can take.
bool insertMimeData(RichTextView& view, const QMimeData& data);

// The same through the system clipboard, for the view's selection.
void copySelection(RichTextView& view);
bool paste(RichTextView& view);

}  // namespace scrivora
