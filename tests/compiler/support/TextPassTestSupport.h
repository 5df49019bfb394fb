#pragma once
// Texts run through both font passes of the text pass, with the navigation
// lists and the image list plugged in and a record table made in the test,
// and page entries written by hand to compare with what the pass made.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "BuildTables.h"
#include "ChapterList.h"
#include "ImageList.h"
#include "IndexList.h"
#include "LinkTable.h"
#include "NavigationCollector.h"
#include "PageTable.h"
#include "ReferenceList.h"

namespace passtest {

struct Page {
  uint16_t page;
  uint16_t record;
  uint16_t offset;
  uint32_t position;
  uint16_t state;
  bool operator==(const Page& o) const {
    return page == o.page && record == o.record && offset == o.offset && position == o.position && state == o.state;
  }
};
std::vector<Page> pagesOf(const scrivora::PageTable& table);
std::ostream& operator<<(std::ostream& out, const Page& page);

// The state word the large pass starts with: font 2 in bits 3 to 6.
constexpr uint16_t kLarge = 2 << 3;

struct PassOptions {
  // Without record ends one text record holds the whole text.
  scrivora::U32Table recordEnds;
  std::string imageDirectory = "/nonexistent-image-folder";
  bool measurePlainRunsInOneGo = true;
  // A collector of the test's own, in place of the navigation lists.
  scrivora::TextPassCollector* collector = nullptr;
};

// A text after both passes and the finishing steps.
struct PassedBook {
  explicit PassedBook(std::string source, PassOptions options = PassOptions());
  PassedBook(const PassedBook&) = delete;
  PassedBook& operator=(const PassedBook&) = delete;

  std::string text;
  scrivora::U32Table ends;
  scrivora::PageTable smallPages, largePages;
  scrivora::ImageList images;
  scrivora::ChapterList chapters;
  scrivora::IndexList index;
  scrivora::LinkTable links;
  scrivora::ReferenceList sidebars, footnotes;
  scrivora::NavigationCollector collector{scrivora::NavigationLists{chapters, index, links, sidebars, footnotes}};
  bool failed = false;

  std::vector<std::string> chapterTitles() const;
};

// Options that hand what the pass finds to a collector of the test's own.
PassOptions collectingInto(scrivora::TextPassCollector& collector);

std::vector<std::string> idsOf(const scrivora::ReferenceList& list);

// n copies of a piece of text.
std::string repeat(const std::string& piece, size_t n);

}  // namespace passtest
