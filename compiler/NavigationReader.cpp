#include "NavigationReader.h"

#include <algorithm>
#include <cstring>

#include "BuildLog.h"
#include "TitleCollector.h"

namespace scrivora {

namespace {

constexpr size_t kLongestLinkName = 80;
// A name that is too long is cut one byte shorter than the limit.
constexpr size_t kCutLinkName = 79;
constexpr size_t kLevelIndent = 4;
constexpr int kHighestLevel = 4;
// Tags that must not be the first one inside the text of a link.
constexpr const char* kTagsBarredInLinks = "FIQSXdmwx";

long long signedPosition(size_t position) { return static_cast<long long>(position); }

void warnLongChapterTitle(const std::string& title) {
  reportWarning("Chapter name is > 80 characters; mismatched chapter markers? Begins with \"%s\"",
                title.substr(0, 40).c_str());
}

}  // namespace

struct NavigationReader::NoteKind {
  const char* closingTag;  // "\\Fn" or "\\Sd"
  const char* syntaxMessage;
  const char* tagsInsideMessage;
};

NavigationReader::NavigationReader(const uint8_t* text, size_t length, const U32Table& textRecordEnds,
                                   NavigationLists lists, bool& failed, int& mappingWarnings)
    : lists_(lists) {
  scan_.text = text;
  scan_.length = length;
  scan_.textRecordEnds = &textRecordEnds;
  scan_.failed = &failed;
  scan_.mappingWarnings = &mappingWarnings;
}

void NavigationReader::beginPass(NavigationPass pass) {
  scan_.pass = pass;
  lists_.chapters.beginPass(pass);
}

int NavigationReader::checkedLevel(size_t t, const char* levelMessage) const {
  const uint8_t digit = scan_.byteAt(t + 2);
  if (digit < '0' || digit > '0' + kHighestLevel) {
    scan_.excerptError(levelMessage, signedPosition(t) + 1, 5);
    return -1;
  }
  return digit - '0';
}

std::string NavigationReader::indentationFor(int level) {
  if (level < 0 || level > kHighestLevel) return std::string();
  return std::string(kLevelIndent * size_t(level), ' ');
}

size_t NavigationReader::argumentEnd(size_t valueStart, size_t* closingQuote) const {
  const size_t quote = scan_.find('"', valueStart);
  if (closingQuote) *closingQuote = quote;
  return quote < scan_.length ? quote + 1 : scan_.length;
}

// ---- chapters

size_t NavigationReader::readChapterArgument(size_t t) {
  const int level = checkedLevel(t, "Chapter syntax is \\Cn (0 <= n <= 4); you have \"%s\"");
  if (!scan_.hasAt(t + 3, "=\"")) {
    scan_.excerptError("Chapter syntax is \\Cx=\"chapter title\"; you have \"%s\"", signedPosition(t) + 1, 5);
    return std::min(t + 3, scan_.length);
  }
  return collectChapterArgument(t, level, t + 5);
}

size_t NavigationReader::collectChapterArgument(size_t t, int level, size_t titleStart) {
  CollectedTitle title =
      TitleCollector(scan_).collect(TitleForm::ChapterArgument, titleStart, indentationFor(level));
  size_t resume = title.stop;
  if (title.cut) {
    resume = argumentEnd(title.stop, nullptr);
    // Text records are cut so that a chapter tag of at most 80 characters
    // stays whole; a longer one may straddle two, which the reader cannot show.
    if (scan_.locationOf(titleStart).record != scan_.locationOf(resume).record) {
      scan_.excerptError("Chapter tag spans text records -- reduce chapter to 80 characters. \"%s\"",
                         signedPosition(titleStart), 40);
    }
    if (scan_.isSmallPass()) warnLongChapterTitle(title.text);
  }
  lists_.chapters.add(scan_.pass, uint32_t(t), title.text);
  return resume;
}

void NavigationReader::readChapterScope(size_t t) {
  const bool levelled = scan_.byteAt(t + 1) == 'X';
  int level = 0;
  if (levelled) level = checkedLevel(t, "Chapter syntax is \\Xn (0 <= n <= 4); you have \"%s\"");
  collectChapterScope(t, levelled, level);
}

void NavigationReader::collectChapterScope(size_t t, bool levelled, int level) {
  const size_t titleStart = levelled ? t + 3 : t + 2;
  const TitleForm form = levelled ? TitleForm::LevelChapterScope : TitleForm::ChapterScope;
  CollectedTitle title =
      TitleCollector(scan_).collect(form, titleStart, levelled ? indentationFor(level) : std::string());
  if (levelled && title.closing != CollectedTitle::kNone) {
    const size_t closingDigit = title.closing + 2;
    if (closingDigit >= scan_.length || scan_.text[closingDigit] != scan_.byteAt(t + 2)) {
      scan_.excerptError("\"\\X%s\" does not match closing \\X", signedPosition(closingDigit), 10);
    }
  }
  if (title.cut && scan_.isSmallPass()) warnLongChapterTitle(title.text);
  lists_.chapters.add(scan_.pass, uint32_t(t), title.text);
}

void NavigationReader::lineMovedToNextPage(size_t lineStart) { lists_.chapters.withdrawFrom(scan_.pass, lineStart); }

// ---- index

void NavigationReader::readIndexTerm(size_t t) {
  if (!scan_.isSmallPass()) return;
  CollectedTitle term = TitleCollector(scan_).collect(TitleForm::IndexTerm, t + 2);
  if (term.cut) {
    reportWarning("Indexed item is > 80 characters; mismatched index markers? Begins with \"%s\"",
                  term.text.substr(0, 40).c_str());
  }
  lists_.index.add(scan_.locationOf(t), term.text);
}

// ---- links and anchors

size_t NavigationReader::readLink(size_t t) {
  if (!scan_.hasAt(t + 2, "=\"#")) {
    scan_.excerptError("Link syntax incorrect.  You have '%s' and it should be \\q=\"#", signedPosition(t) - 8, 20);
    return std::min(t + 2, scan_.length);
  }
  const size_t nameStart = t + 5;
  size_t closingQuote = 0;
  const size_t resume = argumentEnd(nameStart, &closingQuote);
  if (!scan_.isSmallPass()) return resume;
  collectLink(t, nameStart, closingQuote);
  const size_t firstTag = scan_.find('\\', resume);
  const uint8_t tagLetter = scan_.byteAt(firstTag + 1);
  if (firstTag + 1 < scan_.length && tagLetter != 0 && std::strchr(kTagsBarredInLinks, tagLetter)) {
    // Reported, but the book is still made.
    std::string name = scan_.slice(nameStart, closingQuote);
    if (name.size() > kLongestLinkName) name.resize(kCutLinkName);
    reportError("Illegal tag \"\\%c\" in link reference to \"%s\"", char(tagLetter), name.c_str());
  }
  return resume;
}

void NavigationReader::collectLink(size_t t, size_t nameBegin, size_t nameEnd) {
  if (!scan_.isSmallPass()) return;
  std::string name = scan_.slice(nameBegin, nameEnd);
  if (name.size() > kLongestLinkName) {
    scan_.excerptError("Link reference is longer than 80 characters: \"%s\"", signedPosition(t), 40);
    name.resize(kCutLinkName);
  }
  lists_.links.addReference(name);
}

size_t NavigationReader::readAnchor(size_t t) {
  if (!scan_.hasAt(t + 2, "=\"")) {
    scan_.excerptError("Link syntax incorrect.  You have '%s' and it should be \\Q=\"", signedPosition(t) - 8, 20);
    return std::min(t + 2, scan_.length);
  }
  const size_t nameStart = t + 4;
  size_t closingQuote = 0;
  const size_t resume = argumentEnd(nameStart, &closingQuote);
  collectAnchor(t, nameStart, closingQuote, uint32_t(closingQuote + 2));
  return resume;
}

void NavigationReader::collectAnchor(size_t t, size_t nameBegin, size_t nameEnd, uint32_t target) {
  if (!scan_.isSmallPass()) return;
  std::string name = scan_.slice(nameBegin, nameEnd);
  if (name.size() > kLongestLinkName) {
    scan_.excerptError("Link is longer than 80 characters: \"%s\"", signedPosition(t) - 1, 40);
    name.resize(kCutLinkName);
  }
  lists_.links.addDefinition(name, target);
}

// ---- footnote and sidebar references

size_t NavigationReader::readNoteReference(size_t t, const NoteKind& kind, ReferenceList& list) {
  if (!scan_.hasAt(t + 3, "=\"")) {
    scan_.excerptError(kind.syntaxMessage, signedPosition(t) - 7, 20);
    return std::min(t + 3, scan_.length);
  }
  const size_t idStart = t + 5;
  size_t closingQuote = 0;
  const size_t resume = argumentEnd(idStart, &closingQuote);
  const std::string id = scan_.slice(idStart, closingQuote);
  if (scan_.isSmallPass()) list.add(id);
  const size_t nextTag = scan_.find('\\', resume);
  if (nextTag < scan_.length && !scan_.hasAt(nextTag, kind.closingTag)) {
    scan_.raiseFailure();
    reportError(kind.tagsInsideMessage, id.c_str());
  }
  return resume;
}

size_t NavigationReader::readFootnoteReference(size_t t) {
  static const NoteKind footnote{"\\Fn", "Footnote syntax incorrect.  You have '%s' and it should be \\Fn=\"",
                                 "Tags are not permitted within footnote references, see reference to %s"};
  return readNoteReference(t, footnote, lists_.footnotes);
}

size_t NavigationReader::readSidebarReference(size_t t) {
  static const NoteKind sidebar{"\\Sd", "Sidebar syntax incorrect.  You have '%s' and it should be \\Sd=\"",
                                "Tags are not permitted within sidebar references, see reference to %s"};
  return readNoteReference(t, sidebar, lists_.sidebars);
}

void NavigationReader::collectFootnote(size_t idBegin, size_t idEnd) {
  if (scan_.isSmallPass()) lists_.footnotes.add(scan_.slice(idBegin, idEnd));
}

void NavigationReader::collectSidebar(size_t idBegin, size_t idEnd) {
  if (scan_.isSmallPass()) lists_.sidebars.add(scan_.slice(idBegin, idEnd));
}

// ---- after both passes

void NavigationReader::finish() {
  lists_.links.finish();
  lists_.chapters.removeDuplicates();
  lists_.sidebars.finish();
  lists_.footnotes.finish();
  if (!lists_.index.empty()) reportStatus("Processing index records...");
  lists_.index.buildRecords();
}

}  // namespace scrivora
