#pragma once
// The regex library compiles a bounded repetition by copying what it repeats
// once per count, and nested bounds multiply: "a{1,32767}" takes gigabytes of
// memory to compile, "((a{1,100}){1,100}){1,100}" as much. Patterns are
// measured before they are compiled, so that such a rule is refused with a
// reason instead.

#include <string>

namespace scrivora {

// The largest count a bound may give, and the largest number of pattern
// pieces all copies together may make. Within these, compiling takes at most
// a few hundred megabytes and a fraction of a second.
constexpr unsigned long kMaxRepetitionCount = 1000;
constexpr unsigned long kMaxRepeatedPieces = 10000;

// True when the pattern (a POSIX extended expression) stays within both
// limits; otherwise false with the reason.
bool repetitionWithinLimits(const std::string& pattern, std::string& reason);

}  // namespace scrivora
