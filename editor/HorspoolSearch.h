#pragma once
// Literal search over 8-bit text: Boyer-Moore-Horspool with a 256-entry shift
// table, optionally folding letters to upper case (the Windows-1252 letters
// included) and optionally accepting only whole words.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scrivora {

// The upper-case letter of a Windows-1252 letter, or the byte itself.
uint8_t upperCaseOf(uint8_t byte);
// The lower-case letter of a Windows-1252 letter, or the byte itself.
uint8_t lowerCaseOf(uint8_t byte);
// Entire Word counts ASCII letters and digits as the characters of a word.
bool isWordCharacter(uint8_t byte);
// Whether text[start, end) has no word character right before or after it.
bool isWholeWord(std::string_view text, size_t start, size_t end);

class HorspoolSearch {
 public:
  static constexpr size_t npos = std::string_view::npos;

  HorspoolSearch(std::string pattern, bool caseSensitive, bool entireWord);

  size_t patternLength() const { return pattern_.size(); }
  // The first match starting at or after `from`, or npos. Words are judged
  // against the whole text, so a match at `from` is not taken for a word
  // start when a letter stands before it. An empty pattern matches nothing.
  size_t find(std::string_view text, size_t from) const;
  // The last match that ends at or before `end`, or npos.
  size_t findLast(std::string_view text, size_t end) const;

 private:
  // The first candidate at or after `from` ending by `end`, words not judged.
  size_t findCandidate(std::string_view text, size_t from, size_t end) const;

  std::string pattern_;  // folded when the case does not matter
  bool entireWord_;
  std::array<uint8_t, 256> fold_;    // identity, or upperCaseOf
  std::array<size_t, 256> shift_{};  // by the text byte under the pattern's last position
};

}  // namespace scrivora
