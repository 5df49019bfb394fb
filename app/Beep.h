#pragma once
// The system's alert sound, for a search that finds nothing. Tests count the
// beeps instead of hearing them.

namespace scrivora {

void beep();

// While it lives, beeps are counted here instead of sounded.
class ScopedBeepCounter {
 public:
  ScopedBeepCounter();
  ~ScopedBeepCounter();
  ScopedBeepCounter(const ScopedBeepCounter&) = delete;
  ScopedBeepCounter& operator=(const ScopedBeepCounter&) = delete;

  int count() const { return count_; }

 private:
  friend void beep();
  int count_ = 0;
  ScopedBeepCounter* previous_;
};

}  // namespace scrivora
