#pragma once
// Helpers for the tests of the text pass, its pagination and the character
// rules: a build log that keeps what it is told, and a runner that passes a
// text through both font passes with a record table made in the test.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "BuildLog.h"
#include "BuildTables.h"
#include "PageTable.h"
#include "TextPass.h"

namespace passtest {

using Kind = scrivora::LogKind;
using Message = scrivora::LogMessage;

// Installs, once, a sink on the test program's thread that keeps every
// message, and forgets what was kept before.
void captureLog();
// Forgets what was kept so far.
void clearLog();
const std::vector<Message>& loggedMessages();
int countOf(Kind kind, const std::string& text);
std::vector<std::string> textsOf(Kind kind);

// A page entry as a test writes it by hand.
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

struct PassResult {
  bool failed = false;
  scrivora::PageTable small;
  scrivora::PageTable large;
};

// Runs the text pass over `text`. Without record ends the text is one record.
PassResult runPass(const std::string& text, scrivora::U32Table recordEnds = {},
                   scrivora::TextPassCollector* collector = nullptr, const std::string& imageDirectory = "",
                   bool measurePlainRunsInOneGo = true);

// n copies of a piece of text.
std::string repeat(const std::string& piece, size_t n);

}  // namespace passtest
