#include "BuildProgress.h"

namespace scrivora {

void BuildProgress::beginPhase(int from, int to) {
  phaseFrom_ = from;
  phaseTo_ = to;
  report(from);
}

bool BuildProgress::advance(uint64_t done, uint64_t total) {
  if (total > 0 && done <= total) {
    report(phaseFrom_ + int((phaseTo_ - phaseFrom_) * done / total));
  }
  return !cancelled_;
}

void BuildProgress::report(int percent) {
  // Each percentage once: the caller may repaint a window for it, and a big
  // book asks many thousand times.
  if (cancelled_ || percent <= lastReported_) return;
  lastReported_ = percent;
  if (!callback_) return;
  // The build never throws; a callback that does stops it like a cancel.
  try {
    if (!callback_(percent)) cancelled_ = true;
  } catch (...) {
    cancelled_ = true;
  }
}

}  // namespace scrivora
