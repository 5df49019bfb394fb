#pragma once
// Turns the styled text of a rich-text view back into TML: styles become
// toggle tags, objects their tags, bytes above 127 `\aDDD`, characters outside
// Windows-1252 `\UXXXX`, and the book's information a comment block at the
// head.

#include <string>

#include "BookInfo.h"
#include "RichTextView.h"
#include "TmlPositionMap.h"

namespace scrivora {

struct TmlWriteOptions {
  // Where image files are copied before their tags are written; empty to copy
  // nothing.
  std::string imageFolder;
  // Image tags carry the full stored path instead of the file name, for
  // fragments that are pasted into another document.
  bool fullImagePaths = false;
  // The range written; end -1 means the end of the text. A range that is not
  // the whole text is written as a self-contained fragment.
  int start = 0;
  int end = -1;
  // A copied piece that ends inside a paragraph leaves its alignment open,
  // so that the paragraph it is pasted into takes it.
  bool leaveLastParagraphOpen = false;
  // When given, learns where each editor position went in the text.
  TmlPositionMap* positions = nullptr;
};

// Writes the whole view into the file through a temporary that replaces the
// file only once it is complete, so a failed save leaves the old file as it
// was. False on failure, with the reason in `error` when given.
bool saveTml(RichTextView& view, const BookInfo* bookInfo, const std::string& path, std::string* error = nullptr);

// The TML text of the view (or of a range of it). The view is not changed.
std::string writeTml(RichTextView& view, const BookInfo* bookInfo, const TmlWriteOptions& options = TmlWriteOptions());

}  // namespace scrivora
