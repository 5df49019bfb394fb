#include "Pagination.h"

#include <algorithm>

namespace scrivora {

uint16_t pageStateWord(const PassState& state) {
  return uint16_t(state.style | (state.alignment & 3) | ((state.font & 15) << 3));
}

Paginator::Paginator(TextPassContext& context, PageTable& table, int baseFont) : context_(context), table_(table) {
  state_.baseFont = baseFont;
  state_.font = baseFont;
  state_.lineStart = snapshotAt(0);
  state_.breakPoint = state_.lineStart;
}

void Paginator::begin() {
  enterPage(0);
  state_.pageTop = true;
}

void Paginator::resumeAt(const PageStart& start) {
  static_cast<LineState&>(state_) = start.line;
  state_.lineIndent = start.lineIndent;
  state_.y = 0;
  state_.pageTop = true;
  state_.spaceRunOpen = false;
  state_.pageBreakRequested = false;
  state_.lineEndPending = false;
  state_.movedLineStart = start.beginsWithMovedLine ? start.position : SIZE_MAX;
  state_.lineStart = snapshotAt(start.position);
  state_.breakPoint = state_.lineStart;
}

unsigned Paginator::widthOf(uint8_t code) const { return metricsFor(state_.font, state_.style).table->width(code); }

void Paginator::measure(uint8_t code) {
  CharacterMetrics metrics = metricsFor(state_.font, state_.style);
  state_.x += metrics.table->width(code);
  raiseLineHeight(metrics.minimumLineHeight);
}

namespace {

// Widths for measuring plain runs in one go. A byte the full step has to
// handle (line ends, '-', '_', backslash) gets a width no line can take, so
// one lookup and one comparison settle each byte; a space keeps its width.
// Real widths are all far below the mark.
constexpr uint8_t kStepMark = 0xFF;

struct RunWidths {
  uint8_t width[256];
};

RunWidths makeRunWidths(const WidthTable& table) {
  RunWidths run{};
  for (int c = 0; c < 256; ++c) run.width[c] = uint8_t(table.width(uint8_t(c)));
  for (uint8_t c : {uint8_t('\n'), uint8_t('\r'), uint8_t('-'), uint8_t('_'), uint8_t('\\')}) run.width[c] = kStepMark;
  return run;
}

const uint8_t* runWidthsFor(const WidthTable* table) {
  static const WidthTable* const tables[] = {&standardWidthTable(), &standardBoldWidthTable(), &largeWidthTable(),
                                             &largeBoldWidthTable(), &scriptWidthTable()};
  static const RunWidths runs[] = {makeRunWidths(*tables[0]), makeRunWidths(*tables[1]), makeRunWidths(*tables[2]),
                                   makeRunWidths(*tables[3]), makeRunWidths(*tables[4])};
  for (size_t i = 0; i < 5; ++i) {
    if (tables[i] == table) return runs[i].width;
  }
  return nullptr;
}

}  // namespace

size_t Paginator::measureFittingRun(const uint8_t* text, size_t p, size_t last) {
  // An observer hears every character on its own.
  if (state_.lineEndPending || state_.pageBreakRequested || observer_) return p;
  const CharacterMetrics metrics = metricsFor(state_.font, state_.style);
  const uint8_t* widths = runWidthsFor(metrics.table);
  if (!widths) return p;
  const size_t start = p;
  unsigned x = state_.x;
  // Only the last break point of the run can matter (nothing in the run
  // overflows), so it is taken once, at the end.
  size_t breakAt = 0;
  unsigned xAtBreak = 0;
  // The loop is written without branches on word boundaries, which come too
  // irregularly to predict; text[p + 1] is always inside the text because
  // `last` is below its length.
  while (p < last) {
    const uint8_t c = text[p];
    const unsigned width = widths[c];
    const uint8_t next = text[p + 1];
    const bool space = c == ' ';
    // A space is taken only as a single space between words: the full step
    // handles one that is followed by anything but a plain byte in the run.
    const bool spaceStops = space & ((p + 1 >= last) | (widths[next] == kStepMark) | (next == ' '));
    if ((x + width > kLineWidth) | spaceStops) break;
    x += width;
    ++p;
    breakAt = space ? p : breakAt;
    xAtBreak = space ? x : xAtBreak;
  }
  if (p != start) {
    state_.spaceRunOpen = false;
    raiseLineHeight(metrics.minimumLineHeight);
    if (breakAt != 0) {
      state_.x = xAtBreak;
      setBreakPoint(breakAt);
    }
    state_.x = x;
  }
  return p;
}

void Paginator::addItem(unsigned width, unsigned height) {
  state_.x += width;
  raiseLineHeight(height);
}

void Paginator::tellPlaced(PlacedKind kind, size_t position, unsigned x, unsigned height, uint16_t value,
                           std::string_view imageName) {
  PlacedItem item;
  item.kind = kind;
  item.position = position;
  item.x = x;
  item.width = state_.x - x;
  item.height = height;
  item.value = value;
  item.font = state_.font;
  item.style = state_.style;
  item.inChapterTitle = state_.inChapterTitle;
  item.alignment = state_.alignment;
  item.imageName = imageName;
  observer_->placed(item);
}

void Paginator::measureAt(size_t position, uint8_t code) {
  const unsigned x = state_.x;
  measure(code);
  if (observer_)
    tellPlaced(PlacedKind::Character, position, x, metricsFor(state_.font, state_.style).minimumLineHeight, code);
}

void Paginator::addItemAt(size_t position, PlacedKind kind, unsigned width, unsigned height, uint16_t value,
                          std::string_view imageName) {
  const unsigned x = state_.x;
  addItem(width, height);
  if (observer_) tellPlaced(kind, position, x, height, value, imageName);
}

void Paginator::placeRule(size_t position, unsigned percent) {
  const unsigned x = state_.x;
  // The percent sets only the drawn width: a rule always takes the whole
  // line, so one in mid-line overflows and moves to a line of its own.
  if (x == 0 || x == kParagraphIndent) {
    state_.x = kLineWidth;
  } else {
    state_.x += kLineWidth;
  }
  if (observer_) tellPlaced(PlacedKind::Rule, position, x, kDefaultLineHeight, uint16_t(percent));
}

void Paginator::raiseLineHeight(unsigned height) { state_.lineHeight = std::max(state_.lineHeight, height); }

void Paginator::openSpaceRun() {
  if (state_.spaceRunOpen) return;
  state_.spaceRunOpen = true;
  state_.spaceRunX = state_.x;
}

LineSnapshot Paginator::snapshotAt(size_t position) const {
  LineSnapshot snapshot;
  static_cast<LineState&>(snapshot) = state_;
  snapshot.position = position;
  return snapshot;
}

void Paginator::setBreakPoint(size_t position, bool softHyphen) {
  state_.breakPoint = snapshotAt(position);
  state_.breakPoint.softHyphen = softHyphen;
}

void Paginator::restore(const LineSnapshot& snapshot) {
  static_cast<LineState&>(state_) = snapshot;
  // A restored line ends at once; no run of spaces continues across it.
  state_.spaceRunOpen = false;
}

void Paginator::startNextLine(size_t position) {
  state_.lineHeight = kDefaultLineHeight;
  state_.x = state_.lineIndent;
  state_.spaceRunOpen = false;
  state_.lineStart = snapshotAt(position);
  state_.breakPoint = state_.lineStart;
}

void Paginator::enterPage(size_t position) {
  if (pageStarts_) {
    PageStart start;
    start.position = position;
    start.scanFrom = position;
    start.line = state_;
    start.lineIndent = state_.lineIndent;
    start.beginsWithMovedLine = state_.movedLineStart == position;
    pageStarts_->push_back(start);
  }
  TextLocation location = context_.locationOf(position);
  table_.add(uint16_t(state_.pageNumber), uint16_t(location.record), uint16_t(location.offset), uint32_t(position),
             pageStateWord(state_));
  ++state_.pageNumber;
}

StepOutcome Paginator::finishStep(size_t stepStart, size_t stepEnd) {
  StepOutcome outcome;
  size_t scan = stepEnd;

  if (!state_.lineEndPending && effectiveX() > kLineWidth) {
    const LineSnapshot breakPoint = state_.breakPoint;
    if (breakPoint.position == state_.lineStart.position) {
      // No break point on this line: the line ends before the item that did
      // not fit. An item that alone overflows a fresh line stays on it, so
      // every line makes progress.
      if (stepStart != state_.lineStart.position) {
        scan = stepStart;
        if (observer_) observer_->cutBack(scan);
      }
    } else {
      restore(breakPoint);
      scan = breakPoint.position;
      if (observer_) observer_->cutBack(scan);
      // The hyphen stands at the end of the line, where its \- tag was.
      if (breakPoint.softHyphen) measureAt(scan - 2, kSoftHyphenCode);
    }
    state_.lineEndPending = true;
  }

  bool lineEnds = state_.pageBreakRequested || stepEnd >= context_.length() || state_.lineEndPending;
  if (lineEnds) {
    bool fits = state_.y + state_.lineHeight <= kPageHeight;
    // A line already moved to a fresh page stays there even when it still
    // does not fit, so pagination always ends.
    bool alreadyMoved = state_.lineStart.position == state_.movedLineStart;
    if (fits || alreadyMoved) {
      if (observer_) {
        observer_->lineKept(state_.lineStart.position, scan, state_.y, state_.lineHeight, state_.alignment);
      }
      state_.y += state_.lineHeight;
      state_.pageTop = false;
      state_.movedLineStart = SIZE_MAX;
    } else {
      outcome.lineMoved = true;
      state_.movedLineStart = state_.lineStart.position;
      restore(state_.lineStart);
      scan = state_.lineStart.position;
      if (observer_) observer_->cutBack(scan);
      state_.pageBreakRequested = true;
    }
    state_.lineEndPending = false;
    startNextLine(scan);
    if (state_.pageBreakRequested) {
      enterPage(scan);
      state_.pageTop = true;
      state_.y = 0;
      startNextLine(scan);
      state_.pageBreakRequested = false;
    }
  }
  outcome.next = scan;
  return outcome;
}

}  // namespace scrivora
