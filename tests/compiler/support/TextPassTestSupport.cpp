#include "TextPassTestSupport.h"

#include <ostream>

#include "BuildLog.h"

namespace passtest {

namespace {

scrivora::CollectingLogSink& keptLog() {
  static scrivora::CollectingLogSink sink;
  return sink;
}

const std::vector<Message>& kept() { return keptLog().messages; }

}  // namespace

void captureLog() {
  // Every test of a program runs on its main thread, so one guard installed
  // for the program's lifetime serves them all.
  static scrivora::ScopedLogSink installed(keptLog());
  keptLog().clear();
}

void clearLog() { keptLog().clear(); }

const std::vector<Message>& loggedMessages() { return kept(); }

int countOf(Kind kind, const std::string& text) {
  int count = 0;
  for (const Message& message : kept()) {
    if (message.kind == kind && message.text == text) ++count;
  }
  return count;
}

std::vector<std::string> textsOf(Kind kind) {
  std::vector<std::string> texts;
  for (const Message& message : kept()) {
    if (message.kind == kind) texts.push_back(message.text);
  }
  return texts;
}

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

PassResult runPass(const std::string& text, scrivora::U32Table recordEnds, scrivora::TextPassCollector* collector,
                   const std::string& imageDirectory, bool measurePlainRunsInOneGo) {
  if (recordEnds.empty()) recordEnds = {0, uint32_t(text.size())};
  PassResult result;
  scrivora::TextPassInput input;
  input.text = reinterpret_cast<const uint8_t*>(text.data());
  input.length = text.size();
  input.imageDirectory = imageDirectory;
  input.textRecordEnds = &recordEnds;
  input.smallPages = &result.small;
  input.largePages = &result.large;
  input.collector = collector;
  input.measurePlainRunsInOneGo = measurePlainRunsInOneGo;
  scrivora::TextPass pass;
  result.failed = pass.run(input);
  return result;
}

std::string repeat(const std::string& piece, size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += piece;
  return text;
}

}  // namespace passtest
