#include "TextPassTestSupport.h"

#include <ostream>

#include "TextPass.h"

namespace passtest {

std::vector<Page> pagesOf(const scrivora::PageTable& table) {
  std::vector<Page> pages;
  for (size_t i = 0; i < table.count(); ++i) {
    const scrivora::PageEntry& e = table.at(i);
    pages.push_back({e.page, e.record, e.offset, e.position, e.state});
  }
  return pages;
}

std::ostream& operator<<(std::ostream& out, const Page& page) {
  return out << "{page " << page.page << ", record " << page.record << ", offset " << page.offset << ", position "
             << page.position << ", state 0x" << std::hex << page.state << std::dec << "}";
}

PassedBook::PassedBook(std::string source, PassOptions options)
    : text(std::move(source)), ends(std::move(options.recordEnds)) {
  if (ends.empty()) ends = {0, uint32_t(text.size())};
  scrivora::TextPassInput input;
  input.text = reinterpret_cast<const uint8_t*>(text.data());
  input.length = text.size();
  input.imageDirectory = options.imageDirectory;
  input.textRecordEnds = &ends;
  input.smallPages = &smallPages;
  input.largePages = &largePages;
  input.images = &images;
  input.collector = options.collector ? options.collector : &collector;
  input.measurePlainRunsInOneGo = options.measurePlainRunsInOneGo;
  failed = scrivora::TextPass().run(input);
}

std::vector<std::string> PassedBook::chapterTitles() const {
  std::vector<std::string> titles;
  for (size_t i = 0; i < chapters.size(); ++i) titles.push_back(chapters.at(i).title);
  return titles;
}

PassOptions collectingInto(scrivora::TextPassCollector& collector) {
  PassOptions options;
  options.collector = &collector;
  return options;
}

std::vector<std::string> idsOf(const scrivora::ReferenceList& list) {
  std::vector<std::string> ids;
  for (size_t i = 0; i < list.idCount(); ++i) ids.push_back(list.idAt(i));
  return ids;
}

std::string repeat(const std::string& piece, size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += piece;
  return text;
}

}  // namespace passtest
