#pragma once
// Line breaking and page filling for one pass of the text pass. The scanner
// measures items into the current line and sets break points; after each of
// its steps it hands the step to finishStep, which decides whether the line
// overflowed, whether it ends, whether it still fits on the page or moves
// whole to the next one, and where the scan goes on.
//
// Screen geometry: a line is 158 pixels wide (an item fits while x stays at
// or below 158) and a page 148 pixels high (a line fits while y plus its
// height stays at or below 148).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "PageTable.h"
#include "PlacedKind.h"
#include "TextPassContext.h"
#include "WidthTables.h"

namespace scrivora {

constexpr unsigned kLineWidth = 158;
constexpr unsigned kPageHeight = 148;
constexpr unsigned kDefaultLineHeight = 11;
constexpr unsigned kParagraphIndent = 8;
constexpr unsigned kVerticalSpaceHeight = 33;
constexpr unsigned kUnicodeCharacterWidth = 10;
constexpr unsigned kUnicodeLineHeight = 14;
constexpr unsigned kSidebarMarkSize = 16;
constexpr uint8_t kSoftHyphenCode = 0xAD;

// The style word.
constexpr uint16_t kItalicStyle = 0x8000;
constexpr uint16_t kUnderlineStyle = 0x4000;
constexpr uint16_t kIndentedStyle = 0x2000;
constexpr uint16_t kOverstrikeStyle = 0x1000;
constexpr uint16_t kInvisibleStyle = 0x0800;
constexpr uint16_t kLinkStyle = 0x0400;  // \q, \Fn and \Sd share it
// kSuperscriptStyle, kSubscriptStyle and kBoldStyle are in WidthTables.h.

enum Alignment { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };

// The part of the pass state that a line start or break point remembers and
// gives back when the scan returns to it.
struct LineState {
  unsigned x = 0;
  unsigned lineHeight = kDefaultLineHeight;
  int font = kStandardFont;
  uint16_t style = 0;
  int alignment = kAlignLeft;
  bool inChapterTitle = false;
  bool inIndexTerm = false;
};

struct LineSnapshot : LineState {
  size_t position = 0;
  bool softHyphen = false;  // break point only
};

struct PassState : LineState {
  int baseFont = kStandardFont;
  unsigned y = 0;
  unsigned lineIndent = 0;
  unsigned pageNumber = 0;
  bool pageTop = true;
  bool spaceRunOpen = false;
  unsigned spaceRunX = 0;
  LineSnapshot lineStart;
  LineSnapshot breakPoint;
  bool pageBreakRequested = false;
  bool lineEndPending = false;
  // The start of the line last moved to a new page; it is not moved again.
  size_t movedLineStart = SIZE_MAX;
};

// The page table state word: style | alignment | (font & 15) << 3.
uint16_t pageStateWord(const PassState& state);

// Everything the scan needs to go on from the start of a page exactly as the
// whole pass did there. The page table's state word leaves out the line
// indent, the chapter-title and index-term flags, and whether the page begins
// with a line moved over from the page before (which is then not moved again).
struct PageStart {
  size_t position = 0;
  // Where the scan went on: past an opening \x or \Xn that began the page
  // and was already handled, else the position.
  size_t scanFrom = 0;
  LineState line;
  unsigned lineIndent = 0;
  bool beginsWithMovedLine = false;
};

// Something measured into a line, as a page shows it.
struct PlacedItem {
  PlacedKind kind = PlacedKind::Character;
  size_t position = 0;  // the character, or the backslash of its tag
  unsigned x = 0;       // where on the line it begins
  unsigned width = 0;
  unsigned height = 0;  // the line height it asks for
  // The character code, the Unicode value, or the rule's percent.
  uint16_t value = 0;
  int font = kStandardFont;
  uint16_t style = 0;
  bool inChapterTitle = false;
  int alignment = kAlignLeft;  // in force where the item stands
  std::string_view imageName;  // only during the call
};

// Hears how a pass lays out its lines, for drawing pages. Items are placed
// into the current line as they are measured; when the scan goes back over
// them (a break point, an item that did not fit, a line moved to the next
// page) they are cut back and measured again later.
class PageObserver {
 public:
  virtual ~PageObserver() = default;
  virtual void placed(const PlacedItem&) {}
  // What was placed at or after `position` is scanned again.
  virtual void cutBack(size_t /*position*/) {}
  // The current line, from `start` to `end`, stays on the page: its top is
  // `top`, it is `height` high and ends in `alignment` (which a closing tag
  // just before the line end may already have switched back to left).
  virtual void lineKept(size_t /*start*/, size_t /*end*/, unsigned /*top*/, unsigned /*height*/, int /*alignment*/) {}
};

struct StepOutcome {
  size_t next = 0;  // where the next step starts
  // The line went whole to the next page; `next` is its start, where it is
  // scanned again.
  bool lineMoved = false;
};

class Paginator {
 public:
  Paginator(TextPassContext& context, PageTable& table, int baseFont);

  PassState& state() { return state_; }
  const PassState& state() const { return state_; }

  // Enters page 0 at position 0; called once before the first step.
  void begin();
  // Instead of begin(): goes on from a page start, without entering it again.
  void resumeAt(const PageStart& start);
  // May be null; hears every item and line from now on.
  void setObserver(PageObserver* observer) { observer_ = observer; }
  // May be null; receives the start of every page entered from now on.
  void setPageStarts(std::vector<PageStart>* starts) { pageStarts_ = starts; }

  // Measuring a character of the current font: adds its width, raises the
  // line height.
  void measure(uint8_t code);
  // Measures the ordinary characters (no line end, space, '-', '_' or
  // backslash) from p on, up to but not including `last`, as long as each
  // still fits on the line; returns the first position not measured.
  size_t measureFittingRun(const uint8_t* text, size_t p, size_t last);
  unsigned widthOf(uint8_t code) const;
  void addItem(unsigned width, unsigned height);
  void raiseLineHeight(unsigned height);
  // The same, telling the observer what was measured and where it stands.
  void measureAt(size_t position, uint8_t code);
  void addItemAt(size_t position, PlacedKind kind, unsigned width, unsigned height, uint16_t value = 0,
                 std::string_view imageName = std::string_view());
  // A rule of `percent` at `position`: it takes the whole line.
  void placeRule(size_t position, unsigned percent);

  void setBreakPoint(size_t position, bool softHyphen = false);
  void openSpaceRun();
  void closeSpaceRun() { state_.spaceRunOpen = false; }
  unsigned effectiveX() const { return state_.spaceRunOpen ? state_.spaceRunX : state_.x; }
  // The page is still empty: nothing on it and the current line empty.
  bool pageStillEmpty() const { return state_.pageTop && state_.x == state_.lineIndent; }
  void requestPageBreak() { state_.pageBreakRequested = true; }
  void requestLineEnd() { state_.lineEndPending = true; }

  // After a step that began at stepStart and ended at stepEnd.
  StepOutcome finishStep(size_t stepStart, size_t stepEnd);

 private:
  void restore(const LineSnapshot& snapshot);
  void tellPlaced(PlacedKind kind, size_t position, unsigned x, unsigned height, uint16_t value,
                  std::string_view imageName = std::string_view());
  LineSnapshot snapshotAt(size_t position) const;
  void startNextLine(size_t position);
  void enterPage(size_t position);

  TextPassContext& context_;
  PageTable& table_;
  PassState state_;
  PageObserver* observer_ = nullptr;
  std::vector<PageStart>* pageStarts_ = nullptr;
};

}  // namespace scrivora
