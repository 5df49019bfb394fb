#pragma once
// A book's own table of contents: the "toc" nav of an EPUB 3 navigation
// document, or the navMap of an EPUB 2 NCX file, as a flat list of entries
// with their depth.

#include <libxml/tree.h>

#include <string>
#include <vector>

namespace scrivora::modern {

struct TocEntry {
  int depth = 0;  // 0 for the top entries
  std::string label;
  std::string path;      // archive path of the document it points into
  std::string fragment;  // the id in that document, or empty for its start
};

// `documentPath` is the archive path of the file the tree was read from;
// references in it are resolved against it.
std::vector<TocEntry> readNavigationToc(xmlDoc* navigation, const std::string& documentPath);
std::vector<TocEntry> readNcxToc(xmlDoc* ncx, const std::string& documentPath);

}  // namespace scrivora::modern
