#pragma once
// The character rules of the compiler: normalising the source to the
// handheld's character set and single line feeds, the \aDDD and \UXXXX
// escapes, and the plain letters that stand in for Unicode characters in
// chapter titles and index terms, where the reader shows no Unicode.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "OffsetMap.h"

namespace scrivora {

class TextPassContext;

// Rewrites the text in place and returns its new length: bytes 0x00-0x08 are
// dropped, bytes above 0x7F mapped (with the non-ASCII, unmappable and Euro
// warnings), CR LF becomes LF and any other CR becomes LF.
size_t normaliseText(uint8_t* text, size_t length);
void normaliseText(std::string& text);

// A warning of the normalisation and the offset, in the normalised text, of
// the byte it is about.
struct NormalisationWarning {
  size_t offset = 0;
  std::string text;
};

// Normalises as normaliseText does, but keeps the warnings for the caller to
// report once the places in the rewritten text can be told, and records in
// `dropped` (when given) where bytes were dropped.
size_t normaliseSource(uint8_t* text, size_t length, OffsetMap* dropped, std::vector<NormalisationWarning>& warnings);

// Whether a source byte above 0x7F has a counterpart on the handheld.
bool isMappableByte(uint8_t byte);

// The value of \aDDD from the position of its first digit: 100 d1 + 10 d2 +
// d3 with each d the byte minus '0', modulo 256; the digits are not checked.
// Bytes beyond the end of the text count as '0'.
uint8_t decimalEscapeValue(const uint8_t* text, size_t length, size_t firstDigit);

struct HexEscape {
  uint16_t value = 0;
  bool valid = false;  // all four bytes were 0-9 or A-F
};

// Reads the four digits of \UXXXX; stops at the first byte that is not a
// digit (lower-case letters are not digits) with the value read so far.
HexEscape readHexEscape(const uint8_t* text, size_t length, size_t firstDigit);

// \UXXXX in running text or a title: reads the digits and raises the
// "Error in \U specification" excerpt error when one is not a digit.
uint16_t checkedHexEscape(TextPassContext& context, size_t backslash);

// The plain letter for a Unicode value, or -1 when there is none.
int plainLetterForUnicode(uint16_t value);

// \UXXXX met inside a chapter title or an index term: counts and reports the
// mapping, and returns the plain letter (a space when there is none, with the
// unknown-mapping error, and the "Error in \U specification" error for a bad
// digit).
uint8_t unicodeInTitle(TextPassContext& context, size_t backslash);

}  // namespace scrivora
