#include "TableOfContents.h"

#include "EpubArchive.h"
#include "MarkupTree.h"

namespace scrivora::modern {

namespace {

// Entries deeper than this are left out; a table of contents nested more
// deeply is damaged.
constexpr int kMaxDepth = 64;

void addEntry(std::vector<TocEntry>& entries, int depth, const std::string& label, const std::string& documentPath,
              const std::string& reference) {
  if (label.empty() || reference.empty()) return;
  TocEntry entry;
  entry.depth = depth;
  entry.label = label;
  entry.path = resolveArchivePath(documentPath, reference);
  entry.fragment = referenceFragment(reference);
  if (!entry.path.empty()) entries.push_back(std::move(entry));
}

void readNavList(xmlNode* list, int depth, const std::string& documentPath, std::vector<TocEntry>& entries) {
  if (depth > kMaxDepth) return;
  for (xmlNode* item = firstElementChild(list); item; item = nextElement(item)) {
    if (localName(item) != "li") continue;
    for (xmlNode* part = firstElementChild(item); part; part = nextElement(part)) {
      if (localName(part) == "a")
        addEntry(entries, depth, collapsedText(part), documentPath, attributeValue(part, "href"));
      if (localName(part) == "ol" || localName(part) == "ul") readNavList(part, depth + 1, documentPath, entries);
    }
  }
}

void readNavPoints(xmlNode* parent, int depth, const std::string& documentPath, std::vector<TocEntry>& entries) {
  if (depth > kMaxDepth) return;
  for (xmlNode* point = firstElementChild(parent); point; point = nextElement(point)) {
    if (localName(point) != "navPoint") continue;
    std::string label, source;
    for (xmlNode* part = firstElementChild(point); part; part = nextElement(part)) {
      if (localName(part) == "navLabel" && label.empty()) label = collapsedText(part);
      if (localName(part) == "content" && source.empty()) source = attributeValue(part, "src");
    }
    addEntry(entries, depth, label, documentPath, source);
    readNavPoints(point, depth + 1, documentPath, entries);
  }
}

}  // namespace

std::vector<TocEntry> readNavigationToc(xmlDoc* navigation, const std::string& documentPath) {
  std::vector<TocEntry> entries;
  xmlNode* toc = nullptr;
  xmlNode* firstNav = nullptr;
  walkTree(
      xmlDocGetRootElement(navigation),
      [&](xmlNode* node) {
        if (toc || node->type != XML_ELEMENT_NODE) return false;
        if (localName(node) == "nav") {
          if (firstNav == nullptr) firstNav = node;
          if (hasWord(epubType(node), "toc") || attributeValue(node, "role") == "doc-toc") toc = node;
          return false;
        }
        return true;
      },
      [](xmlNode*) {});
  if (toc == nullptr) toc = firstNav;
  for (xmlNode* child = firstElementChild(toc); child; child = nextElement(child))
    if (localName(child) == "ol" || localName(child) == "ul") readNavList(child, 0, documentPath, entries);
  return entries;
}

std::vector<TocEntry> readNcxToc(xmlDoc* ncx, const std::string& documentPath) {
  std::vector<TocEntry> entries;
  xmlNode* navMap = findElement(xmlDocGetRootElement(ncx), "navMap");
  if (navMap) readNavPoints(navMap, 0, documentPath, entries);
  return entries;
}

}  // namespace scrivora::modern
