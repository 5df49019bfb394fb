#pragma once
// Writes Unicode characters into TML, whose text is Windows-1252 with
// escapes: what the code page has becomes its byte (\aDDD above 127, as the
// HTML importer writes it), other characters become \UXXXX where the
// compiler accepts them there, and the rest the nearest plain letters, or
// "?", with one warning per character so that nothing is lost unsaid.

#include <cstdint>
#include <set>
#include <string>

namespace scrivora::modern {

// Where a character goes; each place accepts less than the one before.
enum class CharacterPlace {
  // Running text: every character of the Basic Multilingual Plane as \UXXXX.
  Text,
  // A chapter title (\x, \Xn): \UXXXX only for the characters the compiler
  // maps to a plain letter in titles; it fails on any other.
  Title,
  // The quoted argument of a tag (\Cn="..."): as a title, and no double quote
  // or backslash, which would end the argument or start a tag.
  Argument,
  // The text of a footnote reference (\Fn), where no tag may stand: ASCII.
  Plain,
  // A value of the book's information: Windows-1252 bytes, no escapes.
  Information,
};

class TmlCharacters {
 public:
  // Appends one character (anything but the white space and line ends the
  // caller handles itself).
  void append(char32_t c, CharacterPlace place, std::string& out);

  // Appends the nearest plain letters (or "?") for a character that cannot
  // stand in the place, with a warning the first time the character is met.
  void appendReplacement(char32_t c, CharacterPlace place, std::string& out);

  // Characters already named in a warning.
  const std::set<char32_t>& replaced() const { return replaced_; }

 private:
  std::set<char32_t> replaced_;
};

// Converts UTF-8 metadata (a title, an author) into the Windows-1252 bytes of
// a book information value; other characters become plain letters.
std::string windows1252Value(const std::string& utf8, TmlCharacters& characters);

// Calls f(codePoint) for each character of a UTF-8 text; bytes that are not
// UTF-8 count as U+FFFD.
template <typename F>
void forEachCodePoint(const std::string& utf8, F&& f);

}  // namespace scrivora::modern

#include "TmlCharacters.inl"
