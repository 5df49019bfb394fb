#pragma once
// The widths of the reader's five fonts, in pixels, indexed by the byte of a
// character in the handheld character set, and the choice of table and
// minimum line height from the current font and style.

#include <cstdint>

namespace scrivora {

class WidthTable {
 public:
  explicit constexpr WidthTable(const uint8_t* widths) : widths_(widths) {}
  unsigned width(uint8_t code) const { return widths_[code]; }

 private:
  const uint8_t* widths_;  // 256 entries
};

const WidthTable& standardWidthTable();
const WidthTable& standardBoldWidthTable();
const WidthTable& largeWidthTable();
const WidthTable& largeBoldWidthTable();
const WidthTable& scriptWidthTable();  // superscript and subscript

// Font numbers of the pass state.
constexpr int kStandardFont = 0;
constexpr int kBoldFont = 1;
constexpr int kLargeFont = 2;

// Bits of the style word that choose a table.
constexpr uint16_t kSuperscriptStyle = 0x0200;
constexpr uint16_t kSubscriptStyle = 0x0100;
constexpr uint16_t kBoldStyle = 0x0080;

struct CharacterMetrics {
  const WidthTable* table;
  unsigned minimumLineHeight;
};

// Superscript or subscript first, then by font and the bold style.
CharacterMetrics metricsFor(int font, uint16_t style);

}  // namespace scrivora
