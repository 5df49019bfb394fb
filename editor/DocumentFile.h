#pragma once
// A document and its file on disk: which files can be opened and how each
// kind is read into a view (TML and text through the TML loader; HTML through
// the HTML importer and its clean-up rules, or, for HTML5 and XHTML pages and
// EPUB books, through the modern import path, then the loader; RTF through the
// RTF reader into the editor's fonts), and writing the view back as a TML
// file. Both the desktop program and scrivora-convert open and save documents
// here.

#include <string>

#include "BookInfo.h"
#include "RichTextView.h"

namespace scrivora {

// How a file is read, from its name's extension (letter case ignored).
enum class DocumentKind {
  Tml,   // .tml, .txt and any other name: the TML loader
  Html,  // .htm, .html, .xhtml, .xht: the HTML importer or the modern path
         // (chosen by the page's document type), then the loader
  Rtf,   // .rtf: the RTF reader
  Epub,  // .epub: the modern import path, then the loader
};

DocumentKind documentKindOf(const std::string& path);

// What opening a file came to; the numbers are the document's load status.
enum class DocumentLoadStatus {
  Loaded = 0,
  ReadFailed = 1,   // nothing was loaded
  NotWritable = 2,  // loaded, but saving must go to another file
  Unsupported = 3,  // a kind of file that cannot be opened
};

struct DocumentOpenResult {
  DocumentLoadStatus status = DocumentLoadStatus::ReadFailed;
  // For the user when the status is not Loaded: the message, and the detail
  // that says why (the system's reason, the importer's message).
  std::string message;
  std::string detail;
  // The text came from an import: the document keeps no file, takes an
  // untitled name and counts as modified.
  bool imported = false;

  bool loaded() const { return status == DocumentLoadStatus::Loaded || status == DocumentLoadStatus::NotWritable; }
};

struct DocumentOpenOptions {
  // The "HTML Support" folder for HTML files; empty for the program's own.
  std::string htmlSupportFolder;
};

// Loads the file into the view and the book information by its kind. The
// view is left as it was when nothing could be loaded.
DocumentOpenResult openDocumentFile(const std::string& path, RichTextView& view, BookInfo& bookInfo,
                                    const DocumentOpenOptions& options = DocumentOpenOptions());

// Writes the view as TML into the file (images copied into its image
// folder), replacing the file only once the new text is completely on disk.
// False, with the system's reason, when it could not be written; the old
// file is then unchanged.
bool saveDocumentFile(RichTextView& view, const BookInfo& bookInfo, const std::string& path, std::string& reason);

}  // namespace scrivora
