#pragma once
// Opening files in the program: the open dialog with its file types, the
// already-open check and the boxes that tell how a load went. Reading a file
// by its kind is the editor's (DocumentFile.h), shared with the tools.

#include <QString>

#include <list>
#include <string>
#include <vector>

#include "DocumentFile.h"
#include "FileDialog.h"

class QWidget;

namespace scrivora {

class DocumentWindow;

// The kinds of file the open dialog offers, in its order.
const std::vector<FileTypeSpec>& openFileTypes();

// Runs the open dialog; empty when the user cancelled.
std::string chooseFileToOpen(QWidget* owner = nullptr);

// The window whose document has this file, compared by canonical path so
// that a file reached through a link or a relative path is found; or null.
DocumentWindow* windowWithFile(const std::list<DocumentWindow*>& windows, const std::string& path);

// The box for a load that did not simply succeed: an error for a failure, a
// note for a file that loaded but cannot be written. Nothing for a clean load.
void reportLoadResult(const DocumentOpenResult& result, QWidget* owner = nullptr);

// Whether a dropped file opens as a document of its own (text, TML, HTML,
// RTF) rather than being the text view's own drop.
bool opensWhenDropped(const QString& path);

}  // namespace scrivora
