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

namespace navtest {

enum class Kind { Error, Warning, Status };

struct Message {
  Kind kind;
  std::string text;
};

// Installs sinks that keep every message (the slots have no way back to the
// standard sink, so they stay installed for the test program) and forgets
// what was kept before.
void captureLog();
const std::vector<Message>& loggedMessages();
std::vector<std::string> messagesOf(Kind kind);
int countOf(Kind kind, const std::string& text);
void clearLog();

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
