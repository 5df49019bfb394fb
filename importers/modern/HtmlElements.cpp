#include "HtmlElements.h"

#include <algorithm>
#include <cctype>

#include "MarkupTree.h"

namespace scrivora::modern {

namespace {

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::string trimmed(const std::string& text) {
  size_t start = 0, end = text.size();
  while (start < end && std::isspace((unsigned char)text[start])) ++start;
  while (end > start && std::isspace((unsigned char)text[end - 1])) --end;
  return text.substr(start, end - start);
}

}  // namespace

std::string styleProperty(const std::string& style, std::string_view property) {
  size_t start = 0;
  while (start < style.size()) {
    size_t end = style.find(';', start);
    if (end == std::string::npos) end = style.size();
    const std::string declaration = style.substr(start, end - start);
    const size_t colon = declaration.find(':');
    if (colon != std::string::npos && lowerCase(trimmed(declaration.substr(0, colon))) == property) {
      std::string value = lowerCase(trimmed(declaration.substr(colon + 1)));
      const size_t important = value.find("!important");
      if (important != std::string::npos) value = trimmed(value.substr(0, important));
      return value;
    }
    start = end + 1;
  }
  return std::string();
}

bool isDroppedElement(const xmlNode* element) {
  const std::string_view name = localName(element);
  if (name == "script" || name == "style" || name == "template" || name == "noscript" || name == "title") return true;
  if (hasAttribute(element, "hidden")) return true;
  const std::string_view style = attributeView(element, "style");
  return !style.empty() && styleProperty(std::string(style), "display") == "none";
}

bool isPageBreakMarker(const xmlNode* element) {
  return hasWord(epubType(element), "pagebreak") || attributeView(element, "role") == "doc-pagebreak";
}

bool isNoteElement(const xmlNode* element) {
  if (element == nullptr || element->type != XML_ELEMENT_NODE) return false;
  const std::string_view type = epubType(element);
  if (hasWord(type, "footnote") || hasWord(type, "endnote") || hasWord(type, "rearnote")) return true;
  const std::string_view role = attributeView(element, "role");
  return role == "doc-footnote" || role == "doc-endnote";
}

int headingRank(const xmlNode* element) {
  const std::string_view name = localName(element);
  if (name.size() == 2 && (name[0] == 'h' || name[0] == 'H') && name[1] >= '1' && name[1] <= '6') return name[1] - '0';
  return 0;
}

}  // namespace scrivora::modern
