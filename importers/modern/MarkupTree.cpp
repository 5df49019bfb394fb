#include "MarkupTree.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <climits>
#include <cstring>
#include <mutex>

namespace scrivora::modern {

namespace {

// No network, no external DTD or entity, no entity substitution, no messages
// on standard error; CDATA comes as plain text.
constexpr int kXmlOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
constexpr int kHtmlOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;

void silence(void*, const char*, ...) {}

void initialiseLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    // Whatever libxml2 would say on standard error is not for the user.
    xmlSetGenericErrorFunc(nullptr, silence);
  });
}

bool fitsInt(std::string_view text) { return text.size() < size_t(INT_MAX); }

const char* text(const xmlChar* value) { return reinterpret_cast<const char*>(value); }

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

XmlDocument parseXmlText(std::string_view utf8, const std::string& name) {
  initialiseLibxml();
  if (!fitsInt(utf8)) return nullptr;
  xmlDoc* document = xmlReadMemory(utf8.data(), int(utf8.size()), name.c_str(), "UTF-8", kXmlOptions);
  return XmlDocument(document);
}

XmlDocument parseHtmlText(std::string_view utf8, const std::string& name) {
  initialiseLibxml();
  if (!fitsInt(utf8)) return nullptr;
  htmlDocPtr document = htmlReadMemory(utf8.data(), int(utf8.size()), name.c_str(), "UTF-8", kHtmlOptions);
  return XmlDocument(document);
}

std::string_view localName(const xmlNode* node) {
  if (node == nullptr || node->name == nullptr) return std::string_view();
  return text(node->name);
}

bool isElement(const xmlNode* node, const char* name) {
  return node && node->type == XML_ELEMENT_NODE && localName(node) == name;
}

namespace {

const xmlAttr* findAttribute(const xmlNode* node, const char* name) {
  if (node == nullptr || node->type != XML_ELEMENT_NODE) return nullptr;
  const char* colon = std::strchr(name, ':');
  for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
    const char* attributeName = text(attribute->name);
    if (colon == nullptr) {
      if (std::strcmp(attributeName, name) == 0) return attribute;
      continue;
    }
    // "prefix:local": the XML parser's namespaced attribute or the HTML
    // parser's attribute of that whole name.
    if (std::strcmp(attributeName, name) == 0) return attribute;
    if (attribute->ns && std::strcmp(attributeName, colon + 1) == 0) return attribute;
  }
  return nullptr;
}

}  // namespace

std::string attributeValue(const xmlNode* node, const char* name) {
  const xmlAttr* attribute = findAttribute(node, name);
  if (attribute == nullptr) return std::string();
  std::string value;
  for (const xmlNode* child = attribute->children; child; child = child->next)
    if (child->content) value += text(child->content);
  return value;
}

std::string_view attributeView(const xmlNode* node, const char* name) {
  const xmlAttr* attribute = findAttribute(node, name);
  if (attribute == nullptr || attribute->children == nullptr) return std::string_view();
  const xmlNode* value = attribute->children;
  // Parsed values are one text node; only a reference to an entity the
  // document defines itself makes more, and such values count as empty.
  if (value->next == nullptr && value->type == XML_TEXT_NODE && value->content) return text(value->content);
  return std::string_view();
}

bool hasAttribute(const xmlNode* node, const char* name) { return findAttribute(node, name) != nullptr; }

std::string_view epubType(const xmlNode* node) { return attributeView(node, "epub:type"); }

bool hasWord(std::string_view list, std::string_view word) {
  size_t at = 0;
  while (at < list.size()) {
    while (at < list.size() && isSpace(list[at])) ++at;
    size_t end = at;
    while (end < list.size() && !isSpace(list[end])) ++end;
    if (end > at && list.substr(at, end - at) == word) return true;
    at = end;
  }
  return false;
}

std::string collapsedText(const xmlNode* node) {
  std::string collapsed;
  bool space = false;
  walkTree(
      const_cast<xmlNode*>(node),
      [&](xmlNode* n) {
        if ((n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) && n->content) {
          for (const char* c = text(n->content); *c; ++c) {
            if (isSpace((unsigned char)*c)) {
              space = !collapsed.empty();
            } else {
              if (space) collapsed += ' ';
              space = false;
              collapsed += *c;
            }
          }
        }
        return n->type == XML_ELEMENT_NODE || n == node;
      },
      [](xmlNode*) {});
  return collapsed;
}

xmlNode* firstElementChild(const xmlNode* node) {
  for (xmlNode* child = node ? node->children : nullptr; child; child = child->next)
    if (child->type == XML_ELEMENT_NODE) return child;
  return nullptr;
}

xmlNode* nextElement(const xmlNode* node) {
  for (xmlNode* next = node ? node->next : nullptr; next; next = next->next)
    if (next->type == XML_ELEMENT_NODE) return next;
  return nullptr;
}

xmlNode* findElement(xmlNode* root, const char* name) {
  xmlNode* found = nullptr;
  if (root == nullptr) return nullptr;
  walkTree(
      root,
      [&](xmlNode* n) {
        if (found) return false;
        if (isElement(n, name)) found = n;
        return found == nullptr &&
               (n->type == XML_ELEMENT_NODE || n->type == XML_DOCUMENT_NODE || n->type == XML_HTML_DOCUMENT_NODE);
      },
      [](xmlNode*) {});
  return found;
}

}  // namespace scrivora::modern
