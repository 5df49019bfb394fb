#include "HorspoolSearch.h"

namespace scrivora {

namespace {

// Windows-1252 letters whose two cases do not lie 0x20 apart.
struct CasePair {
  uint8_t upper, lower;
};
constexpr CasePair kOddCasePairs[] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

}  // namespace

uint8_t upperCaseOf(uint8_t byte) {
  if (byte >= 'a' && byte <= 'z') return uint8_t(byte - 0x20);
  // à to þ, without the division sign.
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return uint8_t(byte - 0x20);
  for (const CasePair& pair : kOddCasePairs)
    if (byte == pair.lower) return pair.upper;
  return byte;
}

uint8_t lowerCaseOf(uint8_t byte) {
  if (byte >= 'A' && byte <= 'Z') return uint8_t(byte + 0x20);
  if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return uint8_t(byte + 0x20);
  for (const CasePair& pair : kOddCasePairs)
    if (byte == pair.upper) return pair.lower;
  return byte;
}

bool isWordCharacter(uint8_t byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
}

bool isWholeWord(std::string_view text, size_t start, size_t end) {
  if (start > 0 && isWordCharacter(uint8_t(text[start - 1]))) return false;
  if (end < text.size() && isWordCharacter(uint8_t(text[end]))) return false;
  return true;
}

HorspoolSearch::HorspoolSearch(std::string pattern, bool caseSensitive, bool entireWord)
    : pattern_(std::move(pattern)), entireWord_(entireWord) {
  for (int byte = 0; byte < 256; ++byte) fold_[byte] = caseSensitive ? uint8_t(byte) : upperCaseOf(uint8_t(byte));
  for (char& c : pattern_) c = char(fold_[uint8_t(c)]);
  const size_t length = pattern_.size();
  // How far the pattern may move when the text byte under its last position
  // is b: from its last occurrence among the first length - 1 pattern bytes
  // to the end. Every byte that folds to the same letter shifts alike.
  std::array<size_t, 256> byFolded;
  byFolded.fill(length);
  for (size_t i = 0; i + 1 < length; ++i) byFolded[uint8_t(pattern_[i])] = length - 1 - i;
  for (int byte = 0; byte < 256; ++byte) shift_[byte] = byFolded[fold_[byte]];
}

size_t HorspoolSearch::findCandidate(std::string_view text, size_t from, size_t end) const {
  const size_t length = pattern_.size();
  if (length == 0 || end > text.size() || from > end || end - from < length) return npos;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto* pattern = reinterpret_cast<const uint8_t*>(pattern_.data());
  const uint8_t last = pattern[length - 1];
  for (size_t at = from; at + length <= end;) {
    const uint8_t under = bytes[at + length - 1];
    if (fold_[under] == last) {
      size_t i = length - 1;
      while (i > 0 && fold_[bytes[at + i - 1]] == pattern[i - 1]) --i;
      if (i == 0) return at;
    }
    at += shift_[under];
  }
  return npos;
}

size_t HorspoolSearch::find(std::string_view text, size_t from) const {
  for (size_t at = findCandidate(text, from, text.size()); at != npos; at = findCandidate(text, at + 1, text.size())) {
    // Not a whole word: try again one character further.
    if (!entireWord_ || isWholeWord(text, at, at + pattern_.size())) return at;
  }
  return npos;
}

size_t HorspoolSearch::findLast(std::string_view text, size_t end) const {
  size_t lastFound = npos;
  if (end > text.size()) end = text.size();
  for (size_t at = findCandidate(text, 0, end); at != npos; at = findCandidate(text, at + 1, end))
    if (!entireWord_ || isWholeWord(text, at, at + pattern_.size())) lastFound = at;
  return lastFound;
}

}  // namespace scrivora
