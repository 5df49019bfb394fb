#pragma once
// Make Book: saves the document when it must be, asks where the book goes,
// and builds it from the saved TML file on a thread of its own behind a
// progress window, with every message in the build log window.

#include <QString>

#include <vector>

#include "FileDialog.h"

namespace scrivora {

class BuildLogWindow;
class DocumentWindow;

// The one type the book dialog offers.
const std::vector<FileTypeSpec>& bookFileTypes();

// The book file for a name: a name ending in ".tdb" stays; otherwise a final
// ".txt" or ".tml" (exact case) is cut, and ".tdb" appended to what remains,
// cut first so the file name stays within 255 bytes. Only the file name
// counts, not its folder.
QString bookFileNameFor(const QString& name);

// The whole command; true when a book was written.
bool makeBook(DocumentWindow& window, BuildLogWindow& log);

}  // namespace scrivora
