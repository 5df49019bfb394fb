#include "HtmlSource.h"

#include <strings.h>
#include <cctype>

#include "TextEncoding.h"

namespace scrivora {

const char* const kImportDocumentTypePublicId = "-//Scrivora//DTD HTML for import//EN";

namespace {

bool startsWithNoCase(const std::string& text, size_t position, const char* prefix) {
  size_t length = std::char_traits<char>::length(prefix);
  return text.size() - position >= length && strncasecmp(text.data() + position, prefix, length) == 0;
}

// End (one past the ">") of the declaration starting at position, skipping
// quoted literals and an internal subset in brackets; npos when it never ends.
size_t endOfDeclaration(const std::string& text, size_t position) {
  int bracketDepth = 0;
  for (size_t i = position + 2; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      size_t close = text.find(c, i + 1);
      if (close == std::string::npos) return std::string::npos;
      i = close;
    } else if (c == '[') {
      ++bracketDepth;
    } else if (c == ']') {
      if (bracketDepth > 0) --bracketDepth;
    } else if (c == '>' && bracketDepth == 0) {
      return i + 1;
    }
  }
  return std::string::npos;
}

}  // namespace

size_t replaceablePrologLength(const std::string& page) {
  size_t position = 0;
  for (;;) {
    while (position < page.size() && std::isspace((unsigned char)page[position])) ++position;
    size_t next = std::string::npos;
    if (startsWithNoCase(page, position, "<?xml")) {
      size_t close = page.find("?>", position);
      if (close != std::string::npos) next = close + 2;
    } else if (startsWithNoCase(page, position, "<!--")) {
      size_t close = page.find("-->", position + 4);
      if (close != std::string::npos) next = close + 3;
    } else if (startsWithNoCase(page, position, "<!DOCTYPE")) {
      next = endOfDeclaration(page, position);
    }
    if (next == std::string::npos) return position;
    position = next;
  }
}

std::string prepareHtmlForParser(const std::string& pageBytes) {
  std::string page = decodeToUtf8(pageBytes, detectHtmlEncoding(pageBytes));
  size_t prolog = replaceablePrologLength(page);
  std::string document = "<!DOCTYPE HTML PUBLIC \"";
  document += kImportDocumentTypePublicId;
  document += "\">\n";
  document.append(page, prolog, std::string::npos);
  return document;
}

}  // namespace scrivora
