#pragma once
// The text pass: walks the main text of a book twice, once for the reader's
// small font and once for its large font. In one scan it checks every tag,
// keeps the style, alignment and font state each tag changes so that every
// character can be measured, fills the pass's page table and hands the
// navigation tags and images to their collections. After the second pass it
// runs the finishing steps in their fixed order. It never throws; every
// problem goes through the build log and the result says whether the build
// may go on.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "BuildProgress.h"
#include "BuildTables.h"
#include "ImageTag.h"
#include "PageTable.h"
#include "Pagination.h"
#include "TextPassContext.h"

namespace scrivora {

// Where the navigation collections (chapters, index terms, links, anchors,
// footnote and sidebar references) plug into the scan. The scanner has
// already consumed each tag with its exact length, checked its syntax
// (reporting the syntax errors) and knows where the scan resumes; a collector
// only reads titles and names and keeps its lists. Every call gets the pass
// context: its text, which pass is running (entries are kept in the small
// pass only), the failure flag and the three kinds of report. Positions are
// byte offsets into the text. The defaults do nothing.
class TextPassCollector {
 public:
  virtual ~TextPassCollector() = default;

  // Called once at the start of each pass, before its first step.
  virtual void beginPass(TextPassContext&) {}

  // A chapter entry at a \Cn, \x or \Xn tag; both passes. `tag` is the
  // backslash, `level` 0-4 (or -1 when the level digit was wrong and already
  // reported: no indentation). For \Cn, titleBegin..titleEnd are the bytes
  // between the quotes (titleEnd is the closing quote, or the text end when
  // it is missing). For \x and \Xn, titleBegin is the first byte after the
  // opening tag and titleEnd is kOpenScope: the title runs to the closing tag,
  // which the collector finds (and checks the \X level of). The collector
  // keeps the pass's chapter count.
  static constexpr size_t kOpenScope = SIZE_MAX;
  enum class ChapterForm { Argument, PageTitle, LevelTitle };
  virtual void chapterTag(TextPassContext&, ChapterForm, size_t /*tag*/, int /*level*/, size_t /*titleBegin*/,
                          size_t /*titleEnd*/) {}

  // The line starting at lineStart moved whole to the next page and is
  // scanned again from there: the chapter entries at or after lineStart were
  // made on it (an opening \x belongs to the line it begins) and are
  // withdrawn, in both passes so counts stay right; the scan makes them anew
  // when it meets their tags again.
  virtual void withdrawChapters(TextPassContext&, size_t /*lineStart*/) {}

  // An opening \I at `tag` (small pass only). The term starts at tag + 2 and
  // runs to the closing \I; `location` is the text location of the tag.
  virtual void indexTerm(TextPassContext&, size_t /*tag*/, TextLocation /*location*/) {}

  // \q="#name" (small pass only): the name is nameBegin..nameEnd.
  virtual void linkReference(TextPassContext&, size_t /*tag*/, size_t /*nameBegin*/, size_t /*nameEnd*/) {}

  // \Q="name" (small pass only): `target` is the position of the closing
  // quote plus 2.
  virtual void anchor(TextPassContext&, size_t /*tag*/, size_t /*nameBegin*/, size_t /*nameEnd*/, uint32_t /*target*/) {
  }

  // \Fn="id" and \Sd="id" at `tag` (small pass only): the id is
  // idBegin..idEnd.
  virtual void footnoteReference(TextPassContext&, size_t /*tag*/, size_t /*idBegin*/, size_t /*idEnd*/) {}
  virtual void sidebarReference(TextPassContext&, size_t /*tag*/, size_t /*idBegin*/, size_t /*idEnd*/) {}

  // The finishing steps after both passes, called in this order (images are
  // finished by the pass itself before them).
  virtual void finishLinks(TextPassContext&) {}
  virtual void finishChapters(TextPassContext&) {}
  virtual void finishSidebarReferences(TextPassContext&) {}
  virtual void finishFootnoteReferences(TextPassContext&) {}
  // Reports "Processing index records..." when there are terms and builds
  // the index records.
  virtual void finishIndex(TextPassContext&) {}
};

struct TextPassInput {
  const uint8_t* text = nullptr;
  size_t length = 0;
  std::string imageDirectory;
  const U32Table* textRecordEnds = nullptr;  // 0, then each record's end
  PageTable* smallPages = nullptr;
  PageTable* largePages = nullptr;
  ImageList* images = nullptr;             // may be null: images not listed
  TextPassCollector* collector = nullptr;  // may be null: nothing collected
  // Runs of plain characters that fit on the line are measured in one go;
  // off, every character takes the full step. Both give the same tables: the
  // step-by-step measuring is the reference the quick one is tested against.
  bool measurePlainRunsInOneGo = true;
  // Hears how far the two passes are (the small pass is the first half of
  // the way); may be null. When it says the build is cancelled, the pass
  // stops where it is and run() returns true without finishing.
  BuildProgress* progress = nullptr;
  // Tells the messages where in the source file their places are; may be
  // null: the messages then carry no place.
  const SourceMap* sourceMap = nullptr;

  // For showing pages rather than writing a book: only the pass of this font
  // runs, and none of the finishing steps (no images loaded, no lists
  // finished). Unset, both passes and the finishing run.
  std::optional<FontPass> onlyPass;
  // With onlyPass: the scan starts at this page start instead of the text's
  // beginning and stops as soon as the next page is entered, so one page is
  // laid out. The pass's page table then holds that next page only.
  const PageStart* onePageFrom = nullptr;
  // Hears the items and lines of the pass (of onlyPass); may be null.
  PageObserver* observer = nullptr;
  // Receives the start of every page the pass (of onlyPass) enters; may be
  // null.
  std::vector<PageStart>* pageStarts = nullptr;
};

class TextPass {
 public:
  // At most this many pages fit the 16-bit page numbers of the book.
  static constexpr size_t kMaxPages = 65535;

  // Runs both passes and the finishing steps; true when an error occurred
  // or the build was cancelled.
  bool run(const TextPassInput& input);

 private:
  void runPass(FontPass pass);
  void forgetInput();
  // Tells the progress how far the scan is; false when the build is
  // cancelled.
  bool reportProgress(FontPass pass, size_t position);
  size_t step(size_t p, bool& pageTitleOpened, bool& levelTitleOpened);

  size_t handleTag(size_t p, bool& pageTitleOpened, bool& levelTitleOpened);
  size_t handleSpaceOrBreakCharacter(size_t p);
  size_t handleSoftHyphen(size_t p);
  size_t handleScriptOrSidebar(size_t p);
  size_t handleFootnote(size_t p);
  size_t handleIndexTerm(size_t p);
  size_t handleChapterEntry(size_t p);
  size_t handlePageTitle(size_t p, bool& opened);
  size_t handleLevelTitle(size_t p, bool& opened);
  size_t handleLink(size_t p);
  size_t handleAnchor(size_t p);
  size_t handleImage(size_t p);
  size_t handleRule(size_t p);
  size_t handleIndent(size_t p);
  void switchAlignment(size_t p, int alignment);
  void toggleStyle(uint16_t flag) { paginator_->state().style ^= flag; }
  bool styleOn(uint16_t flag) const { return (paginator_->state().style & flag) != 0; }

  // The quoted argument of a tag: `="` must follow at `at`.
  struct Argument {
    bool present = false;  // `="` was there
    size_t begin = 0;      // first byte of the value
    size_t end = 0;        // the closing quote, or the text end
    size_t resume = 0;     // just after the closing quote
  };
  Argument readArgument(size_t at) const;
  size_t clip(size_t position) const;
  // The level digit of \Cn or \Xn, or -1 (reported) when it is not 0-4.
  int chapterLevel(size_t digitPosition, const char* syntaxMessage, size_t tag);
  void checkFirstTagInLink(size_t nameBegin, size_t nameEnd, size_t afterQuote);
  // Checks, lists and measures the image named by \m.
  ImageMeasure measureImage(size_t tag, const std::string& name);
  // A sidebar or footnote reference: syntax, id, the no-tags-inside check.
  size_t readReference(size_t p, bool sidebar);

  const TextPassInput* input_ = nullptr;
  TextPassContext* context_ = nullptr;
  Paginator* paginator_ = nullptr;
  TextPassCollector* collector_ = nullptr;
  ImageList* images_ = nullptr;
  bool cancelled_ = false;
  bool boldFontSeen_ = false;
  bool boldStyleSeen_ = false;
};

}  // namespace scrivora
