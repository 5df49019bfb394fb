#pragma once
// The documents of a book as libxml2 trees: parsing (XML for XHTML and the
// EPUB's own files, HTML in recovery mode for HTML pages and for XHTML that
// is not well-formed), and the few questions the importer asks of a node.
// Parsing never touches the network or any file, and never expands an
// entity defined inside the document.

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

namespace scrivora::modern {

struct XmlDocumentFree {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using XmlDocument = std::unique_ptr<xmlDoc, XmlDocumentFree>;

// Null when the text is not well-formed XML.
XmlDocument parseXmlText(std::string_view utf8, const std::string& name);
// HTML never fails to parse; null only when libxml2 runs out of memory.
XmlDocument parseHtmlText(std::string_view utf8, const std::string& name);

// The element's name without a namespace prefix, lower case for HTML
// ("epub:type" read by the HTML parser has the name "epub:type").
std::string_view localName(const xmlNode* node);
bool isElement(const xmlNode* node, const char* name);

// An attribute by its local name, whatever its namespace; "epub:type" and
// "xlink:href" are also found under those names as the HTML parser keeps
// them. Empty when absent.
std::string attributeValue(const xmlNode* node, const char* name);
// The same without a copy, for the questions asked of every element: the
// value as libxml2 holds it, empty when absent (and for a value made of
// several parts, which only references to entities a document defines
// itself produce).
std::string_view attributeView(const xmlNode* node, const char* name);
bool hasAttribute(const xmlNode* node, const char* name);
// The epub:type of an element.
std::string_view epubType(const xmlNode* node);
// Whether a space-separated list holds the word.
bool hasWord(std::string_view list, std::string_view word);

// The text of an element and everything in it, white space collapsed and
// trimmed.
std::string collapsedText(const xmlNode* node);

// The first element child, or the next element after a node.
xmlNode* firstElementChild(const xmlNode* node);
xmlNode* nextElement(const xmlNode* node);
// The first element below (or at) the node with that local name, in document
// order; null when there is none.
xmlNode* findElement(xmlNode* root, const char* name);

// Walks the tree below root (root included) in document order without
// recursion, so that any depth of nesting is safe: enter(node) is called on
// the way down and returns whether to visit the node's children; leave(node)
// is called for every entered node once its children are done.
template <typename Enter, typename Leave>
void walkTree(xmlNode* root, Enter&& enter, Leave&& leave) {
  xmlNode* node = root;
  while (node) {
    if (enter(node) && node->children) {
      node = node->children;
      continue;
    }
    for (;;) {
      leave(node);
      if (node == root) return;
      if (node->next) {
        node = node->next;
        break;
      }
      node = node->parent;
    }
  }
}

}  // namespace scrivora::modern
