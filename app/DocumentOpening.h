#pragma once
// Reads a file into an empty document by its type.

#include <string>

#include "BookInfo.h"
#include "EditorDocument.h"
#include "TextDocumentModel.h"

namespace scrivora {

// Loads the file as TML into the text and the book information. A file that
// loads but cannot be opened for writing is NotWritable.
LoadStatus openDocumentFile(const std::string& path, TextDocumentModel& text, BookInfo& bookInfo);

}  // namespace scrivora
