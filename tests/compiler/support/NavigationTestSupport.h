#pragma once
// Helpers for the tests of the navigation lists: a build log that keeps what
// it is told, and a book run through both passes of the text pass with the
// navigation collector plugged in.

#include <cstdint>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "ChapterList.h"
#include "IndexList.h"
#include "LinkTable.h"
#include "NavigationCollector.h"
#include "PageTable.h"
#include "ReferenceList.h"
#include "support/TextPassTestSupport.h"

namespace navtest {

// The build log kept by the text pass tests' sinks.
using passtest::captureLog;
using passtest::clearLog;
using passtest::countOf;
using passtest::Kind;
using passtest::loggedMessages;
using passtest::Message;
inline std::vector<std::string> messagesOf(Kind kind) { return passtest::textsOf(kind); }

// The navigation collector, also noting the build's count of \U mappings in
// titles when the pass finishes.
struct CountingCollector : scrivora::NavigationCollector {
  using scrivora::NavigationCollector::NavigationCollector;
  void finishIndex(scrivora::TextPassContext& context) override {
    mappingWarnings = context.mappingWarningCount();
    scrivora::NavigationCollector::finishIndex(context);
  }
  int mappingWarnings = -1;
};

// A text run through both passes of the text pass with the navigation
// collector plugged in. Without record ends one text record holds the whole
// text.
struct PassedBook {
  explicit PassedBook(std::string source, scrivora::U32Table recordEnds = {});

  std::string text;
  scrivora::U32Table ends;
  scrivora::PageTable smallPages, largePages;
  scrivora::ChapterList chapters;
  scrivora::IndexList index;
  scrivora::LinkTable links;
  scrivora::ReferenceList sidebars, footnotes;
  CountingCollector collector{scrivora::NavigationLists{chapters, index, links, sidebars, footnotes}};
  bool failed = false;
};

// The bytes of a section's record i.
std::vector<uint8_t> recordBytes(const scrivora::BookSection& section, size_t i);
std::vector<uint8_t> bytesOf(const std::string& text);
// Concatenates byte runs written in the test as { ... } lists and strings.
std::vector<uint8_t> u32(uint32_t value);
std::vector<uint8_t> u16(uint16_t value);
std::vector<uint8_t> cstring(const std::string& text);
std::vector<uint8_t> join(std::initializer_list<std::vector<uint8_t>> parts);

}  // namespace navtest
