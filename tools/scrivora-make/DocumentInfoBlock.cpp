#include "DocumentInfoBlock.h"

namespace scrivora {

namespace {

// Length of the line end at position at (CR LF, LF or a lone CR), or 0.
size_t lineEndAt(const std::string& text, size_t at) {
  if (at >= text.size()) return 0;
  if (text[at] == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
  return text[at] == '\n' ? 1 : 0;
}

void storeItem(DocumentInfoBlock& block, const std::string& key, const std::string& value) {
  if (key == "TITLE") {
    block.info.title = value;
    block.hasTitle = true;
  } else if (key == "AUTHOR") {
    block.info.author = value;
    block.hasAuthor = true;
  } else if (key == "PUBLISHER") {
    block.info.publisher = value;
    block.hasPublisher = true;
  } else if (key == "EISBN") {
    block.info.eisbn = value;
    block.hasEisbn = true;
  } else if (key == "COPYRIGHT") {
    block.info.copyright = value;
    block.hasCopyright = true;
  }
  // OUT and unknown keys carry nothing for the book.
}

}  // namespace

DocumentInfoBlock parseDocumentInfoBlock(const std::string& text) {
  DocumentInfoBlock block;
  if (text.compare(0, 2, "\\v") != 0) return block;
  size_t at = 2 + lineEndAt(text, 2);
  if (at == 2) return block;
  while (at < text.size()) {
    if (text.compare(at, 2, "\\v") == 0) break;
    size_t lineEnd = at;
    while (lineEnd < text.size() && text[lineEnd] != '\r' && text[lineEnd] != '\n') ++lineEnd;
    std::string line = text.substr(at, lineEnd - at);
    size_t equals = line.find("=\"");
    if (equals != std::string::npos) {
      // The value runs to the next double quote; it has no escapes.
      size_t close = line.find('"', equals + 2);
      if (close != std::string::npos)
        storeItem(block, line.substr(0, equals), line.substr(equals + 2, close - equals - 2));
    }
    size_t step = lineEndAt(text, lineEnd);
    if (step == 0) break;
    at = lineEnd + step;
  }
  return block;
}

}  // namespace scrivora
