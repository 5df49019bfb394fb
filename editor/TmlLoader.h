#pragma once
// Rebuilds a TML text in a rich-text view as styled text, page breaks and
// book objects, so that saving it again (TmlWriter.h) gives a file that
// compiles to the same book.
//
// What the editor cannot show stays in the text exactly as the file spells
// it, in red, and is written back byte for byte: tags it does not understand
// (with their quoted arguments), escapes whose character would mean something
// else written plainly, alignment tags in the middle of a line, indent tags
// around anything but whole lines, a paragraph's first character or the rest
// of it, and the openings of footnote and sidebar blocks. A comment keeps its
// text as written too, escapes included. The book's information comes from
// the block that opens the file, read by the one reader every program uses
// (InfoBlock.h), and keeps its spelling in BookInfo::sourceBlock.

#include <string>
#include <string_view>

#include "BookInfo.h"
#include "RichTextView.h"
#include "SourceEncoding.h"

namespace scrivora {

class SourcePlaces;

struct TmlLoadOptions {
  // The document's file; its image folder holds the images. Empty when the
  // text has no file, in which case image tags are dropped.
  std::string documentPath;
  // Fragments on the clipboard name their images by full path.
  bool imageValuesArePaths = false;
  // A paste records its changes for undo; opening a file does not.
  bool keepUndo = false;
  // The file the text was read from, for the places messages name; null for
  // a text without a file (an import, a paste), whose messages name none.
  SourcePlaces* places = nullptr;
};

// Reads the whole file and inserts it at the view's caret. False, with the view
// untouched, when the view is missing or the file cannot be read in full.
// A file that starts with the UTF-8 byte-order mark (or any file, when asked
// for UTF-8) is converted to Windows-1252 first, with a status line saying
// so; one that only looks like UTF-8 is read as Windows-1252 with a warning.
// With `places`, the places of the load are kept there (SourcePlaces.h).
bool loadTml(const std::string& path, BookInfo* bookInfo, RichTextView* view,
             InputEncoding encoding = InputEncoding::Detect, SourcePlaces* places = nullptr);
// The same for a text already in memory (importers, clipboard).
bool loadTmlFromMemory(const std::string& text, const TmlLoadOptions& options, BookInfo* bookInfo, RichTextView* view);

// How many bytes make the tag whose backslash stands at a position, as the
// editor keeps it: quoted arguments included, escapes with their digits (an
// escape ends early at a backslash or line end).
size_t tmlTagLength(std::string_view text, size_t slash);

// The image folder of a document: its path without a final ".txt" or ".tml"
// (any letter case), followed by "_img".
std::string imageFolderOf(const std::string& documentPath);

}  // namespace scrivora
