#include "Pagination.h"
#include "TmlTags.h"

#include <algorithm>

namespace scrivora {

uint16_t pageStateWord(const PassState& state) {
  return uint16_t(state.style | (state.alignment & 3) | ((state.font & 15) << 3));
}

Paginator::Paginator(TextPassContext& context, PageTable& table, int baseFont)
    : context_(context), table_(table) {
  state_.baseFont = baseFont;
  state_.font = baseFont;
  state_.lineStart = snapshotAt(0);
  state_.breakPoint = state_.lineStart;
}

void Paginator::begin() {
  enterPage(0);
  state_.pageTop = true;
}

unsigned Paginator::widthOf(uint8_t code) const {
  return metricsFor(state_.font, state_.style).table->width(code);
}

void Paginator::measure(uint8_t code) {
  CharacterMetrics metrics = metricsFor(state_.font, state_.style);
  state_.x += metrics.table->width(code);
  raiseLineHeight(metrics.minimumLineHeight);
}

namespace {

// How the fast measuring treats each byte: measured as it stands, a space
// that may become a break point, or a byte the full step has to handle.
enum : uint8_t { kOrdinaryByte, kSpaceByte, kStepByte };

struct ByteKinds {
  uint8_t kind[256];
  constexpr ByteKinds() : kind() {
    for (int c = 0; c < 256; ++c) kind[c] = kOrdinaryByte;
    kind[uint8_t('\n')] = kind[uint8_t('\r')] = kind[uint8_t('-')] = kind[uint8_t('_')] = kStepByte;
    kind[uint8_t('\\')] = kStepByte;
    kind[uint8_t(' ')] = kSpaceByte;
  }
};

constexpr ByteKinds kByteKinds;

}  // namespace

size_t Paginator::measureFittingRun(const uint8_t* text, size_t p, size_t last) {
  if (state_.lineEndPending || state_.pageBreakRequested) return p;
  const CharacterMetrics metrics = metricsFor(state_.font, state_.style);
  const size_t start = p;
  unsigned x = state_.x;
  while (p < last) {
    const uint8_t c = text[p];
    const uint8_t kind = kByteKinds.kind[c];
    if (kind == kStepByte) break;
    const unsigned width = metrics.table->width(c);
    if (x + width > kLineWidth) break;
    if (kind == kOrdinaryByte) {
      x += width;
      ++p;
      continue;
    }
    // A single space between words: a break point after it.
    if (p + 1 >= last || kByteKinds.kind[text[p + 1]] != kOrdinaryByte) break;
    x += width;
    state_.x = x;
    state_.spaceRunOpen = false;
    raiseLineHeight(metrics.minimumLineHeight);
    setBreakPoint(p + 1);
    ++p;
  }
  if (p != start) {
    state_.spaceRunOpen = false;
    state_.x = x;
    raiseLineHeight(metrics.minimumLineHeight);
  }
  return p;
}

void Paginator::addItem(unsigned width, unsigned height) {
  state_.x += width;
  raiseLineHeight(height);
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
  TextLocation location = context_.locationOf(position);
  table_.add(uint16_t(state_.pageNumber), uint16_t(location.record), uint16_t(location.offset),
             uint32_t(position), pageStateWord(state_));
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
      if (stepStart != state_.lineStart.position) scan = stepStart;
    } else {
      restore(breakPoint);
      if (breakPoint.softHyphen) measure(kSoftHyphenCode);
      scan = breakPoint.position;
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
      state_.y += state_.lineHeight;
      state_.pageTop = false;
      state_.movedLineStart = SIZE_MAX;
    } else {
      outcome.lineMoved = true;
      state_.movedLineStart = state_.lineStart.position;
      restore(state_.lineStart);
      scan = state_.lineStart.position;
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
