#pragma once
// The pages of a TML text as the handheld shows them, paginated from memory
// for one reader font without writing any file. The compiler's own text pass
// does the work, with the same width tables and page rules as a build, so the
// page starts are exactly those of the page table a build writes for the same
// text. A page can then be laid out item by item for drawing: every
// character in its width-table cell, images, rules and sidebar marks, line by
// line, with the style each was measured in.
//
// Positions: a text position is a byte offset into the compiled main text
// (the source normalised as a build normalises it, without its footnote and
// sidebar blocks); a source offset is a byte offset into the TML as given.
//
// Nothing here keeps process-wide state or reports anything, so pages may be
// made on a worker thread while the user goes on typing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "OffsetMap.h"
#include "PlacedKind.h"
#include "SourceEncoding.h"
#include "WidthTables.h"

namespace scrivora {

struct PageStart;

enum class ReaderFont { Small, Large };

struct PreviewOptions {
  // Where the `\m` images are looked up (their sizes count on the page).
  std::string imageDirectory;
  // How the bytes are read, as for a build.
  InputEncoding inputEncoding = InputEncoding::Detect;
  // Asked now and then while paginating; false abandons the work (the text
  // has changed meanwhile and a newer pagination is on its way).
  std::function<bool()> keepGoing;
};

// One thing on a laid-out page, in handheld pixels from the page's top left
// before the line's alignment moves it.
struct PageItem {
  PlacedKind kind = PlacedKind::Character;
  size_t position = 0;  // text position of the character or its tag
  unsigned x = 0;
  unsigned width = 0;
  unsigned height = 0;  // the line height it asked for: the cell's height
  uint16_t value = 0;   // character code, Unicode value or rule percent
  int font = kStandardFont;
  uint16_t style = 0;
  bool inChapterTitle = false;
  std::string imagePath;  // images only: the file as this platform opens it
};

struct PageLine {
  size_t start = 0;  // text positions: the line runs from start to end
  size_t end = 0;
  unsigned top = 0;
  unsigned height = 0;
  int alignment = 0;  // the pass's alignment: left, centre or right
  // Where the last visible item ends (trailing spaces do not count): what
  // centring and right alignment move.
  unsigned contentRight = 0;
  size_t firstItem = 0;  // its items in PageLayout::items
  size_t itemCount = 0;
};

struct PageLayout {
  std::vector<PageLine> lines;
  std::vector<PageItem> items;
  // How far a centred or right-aligned line is moved to the right.
  static unsigned alignmentShift(const PageLine& line);
};

class PagePreview {
 public:
  // An empty text: one empty page.
  PagePreview();

  // Paginates `tml` for `font`. Problems in the text never stop the
  // pagination and are not reported: Make Book reports them.
  static PagePreview paginate(std::string_view tml, ReaderFont font, const PreviewOptions& options = PreviewOptions());

  ReaderFont font() const { return font_; }
  // The pagination was abandoned through keepGoing: its pages are not whole.
  bool abandoned() const { return abandoned_; }

  // Never 0.
  size_t pageCount() const;
  size_t pageStart(size_t page) const;
  // The page table's state word of the page's start.
  uint16_t pageState(size_t page) const;
  // The page that holds a text position (the last page for the text's end).
  size_t pageAt(size_t textPosition) const;

  // The compiled main text and its length.
  const std::vector<uint8_t>& text() const { return *text_; }
  size_t sourceOffsetOf(size_t textPosition) const;
  // The text position of the first compiled byte made from the source at or
  // after `sourceOffset` (the main text's end for an offset beyond it).
  size_t textPositionOf(size_t sourceOffset) const;

  // Lays out one page for drawing, with the same rules that paginated it.
  PageLayout layOutPage(size_t page) const;

 private:
  ReaderFont font_ = ReaderFont::Small;
  bool abandoned_ = false;
  std::string imageDirectory_;
  // Shared, so that a finished preview is cheap to hand from thread to thread.
  std::shared_ptr<const std::vector<uint8_t>> text_;
  OffsetMap conversion_;     // converted -> source, empty when not converted
  OffsetMap normalisation_;  // compiled -> converted
  // Kept apart, so that the program's windows need none of the pass's own
  // types, and shared, so that copies are cheap.
  std::shared_ptr<const std::vector<PageStart>> pages_;
};

}  // namespace scrivora
