#pragma once
// Save, Save As and Revert of a document window, and the save prompt of its
// close query.

#include <QString>

#include <vector>

#include "FileDialog.h"

namespace scrivora {

class DocumentWindow;

// The one type the save dialog offers.
const std::vector<FileTypeSpec>& saveFileTypes();

// The file a chosen name is saved to: a name that does not end in ".txt" or
// ".tml" (letter case ignored) gets ".tml", cut first so that the file name
// stays within 255 bytes.
QString tmlFileNameFor(const QString& chosen);

// Saves the document, first asking for a title when it has none, and for a
// file name when asked to or when it has no file. True when the file was
// written; false when the user cancelled or the file could not be written
// (the user was told why; the document keeps its changes and the old file
// stays as it was).
bool saveDocument(DocumentWindow& window, bool askForName);

// After the user confirms, replaces the text with the document's file as it
// is on disk. True when reverted.
bool revertDocument(DocumentWindow& window);

// Whether the window may close. Mode 0 asks to save a modified document
// (Yes / No / Cancel), 1 saves without asking, 2 discards; any other mode
// closes without saving. A save that fails or is cancelled refuses the close.
bool closeQuery(DocumentWindow& window, int mode);

}  // namespace scrivora
