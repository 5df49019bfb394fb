#pragma once
// What a POSIX extended pattern (compiled with REG_NEWLINE) can match, worked
// out from its text: the bytes a match can start with and the bytes a match
// can contain at all. The rule importer uses it to hand the regex library
// only the short stretches of text where a match can lie, instead of making
// the library walk the whole text once per rule.
//
// The analysis is conservative: sets may be larger than needed, never
// smaller, and a pattern with any construct it does not model (back
// references, word boundaries, GNU escapes, collating names, ...) is marked
// unusable, so that the caller falls back to searching the whole text.

#include <bitset>
#include <string>

namespace scrivora {

struct PatternReach {
  bool usable = false;
  bool canMatchEmpty = true;
  std::bitset<256> firstBytes;     // bytes a non-empty match can begin with
  std::bitset<256> bytes;          // every byte any match can contain
  size_t minimumLength = 0;        // no match is shorter
  bool startsAtLineStart = false;  // every match begins where "^" holds
  bool endsAtLineEnd = false;      // every match ends where "$" holds
};

PatternReach analysePattern(const std::string& pattern);

}  // namespace scrivora
