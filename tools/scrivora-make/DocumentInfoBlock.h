#pragma once
// The book information an editor keeps at the head of a TML file: "\v", a
// line end, one KEY="value" line per item, then "\v".

#include <string>

#include "BookInfo.h"

namespace scrivora {

// The fields of the block at the start of text, each marked present when its
// key was found.
struct DocumentInfoBlock {
  BookInfo info;
  bool hasTitle = false;
  bool hasAuthor = false;
  bool hasPublisher = false;
  bool hasEisbn = false;
  bool hasCopyright = false;
};

DocumentInfoBlock parseDocumentInfoBlock(const std::string& text);

}  // namespace scrivora
