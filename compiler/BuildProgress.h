#pragma once
// How far a build has come, for a progress bar, and the caller's way to stop
// it. A build runs in phases, each owning a span of the bar; a phase tells how
// far into its own work it is and the bar moves through its span. The
// caller's function hears each new percentage once and answers whether the
// build should go on; after the first "no" the build stops at its next check
// and leaves nothing behind.

#include <cstdint>
#include <functional>

namespace scrivora {

// Called with 0 to 100; returning false cancels the build.
using BuildProgressCallback = std::function<bool(int percent)>;

class BuildProgress {
 public:
  explicit BuildProgress(BuildProgressCallback callback = BuildProgressCallback()) : callback_(std::move(callback)) {}

  // Enters the phase that moves the bar from `from` to `to` percent.
  void beginPhase(int from, int to);
  // `done` of `total` units of the current phase are finished. False once the
  // build is cancelled.
  bool advance(uint64_t done, uint64_t total);
  // The build is over and complete: the bar reaches 100.
  void finish() { report(100); }
  bool cancelled() const { return cancelled_; }

 private:
  void report(int percent);

  BuildProgressCallback callback_;
  int phaseFrom_ = 0;
  int phaseTo_ = 0;
  int lastReported_ = -1;
  bool cancelled_ = false;
};

}  // namespace scrivora
