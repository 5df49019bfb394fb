#pragma once
// The fixed-size record every book object carries: its kind and the values
// of that kind. Stored whole, little-endian, when an object is persisted.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "EditorText.h"

namespace scrivora {

namespace kind {
constexpr FourCC anchor = fourCC("Anch");
constexpr FourCC link = fourCC("Link");
constexpr FourCC comment = fourCC("Cmnt");
constexpr FourCC image = fourCC("Imag");
constexpr FourCC bookPlate = fourCC("Info");
constexpr FourCC rule = fourCC("Rule");
constexpr FourCC tab = fourCC("Tab ");
constexpr FourCC chapter = fourCC("Chpt");
// The opening of an index term: the term is the text after it in the index
// term colour.
constexpr FourCC indexTerm = fourCC("Indx");
// The opening of a footnote or sidebar reference; the text holds the note's id.
constexpr FourCC footnote = fourCC("Fnot");
constexpr FourCC sidebar = fourCC("Sbar");
// An invisible chapter entry: level and title, the title as the file spells it.
constexpr FourCC hiddenChapter = fourCC("Hchp");
constexpr FourCC softHyphen = fourCC("Shyp");
}  // namespace kind

// The object that opens a marked stretch (0 for none).
FourCC openingKindOf(Marking marking);
// The marking an opening object begins (Marking::None for other kinds).
Marking markingOfOpeningKind(FourCC kind);

bool isBookObjectKind(FourCC code);
// What the indent tags of a line go around: images, rules, tabs and book
// plates take room on the line, and a comment may hold escapes that the book
// measures even hidden. Anchors, links, chapter markers, index terms,
// references, hidden chapter entries and soft hyphens only mark a place.
bool isLineContent(FourCC kind);

struct BookObjectData {
  static constexpr size_t kRecordSize = 4128;
  static constexpr size_t kTextCapacity = 4096;  // with the terminating NUL
  static constexpr size_t kMaxText = kTextCapacity - 1;
  static constexpr size_t kMaxImagePath = 259;

  FourCC kind = 0;
  // Run-time references of the original layout; a 64-bit pointer does not fit
  // in them, so the editor keeps them zero and finds the view and the picture
  // through the object's position instead.
  uint32_t owner = 0;
  uint32_t linkSerial = 0;
  uint32_t picture = 0;
  uint16_t zoom = 1;
  uint16_t level = 0;
  uint32_t percent = 0;
  int32_t tabTarget = 0;
  int32_t tabStart = 0;
  std::string text;  // Windows-1252 bytes, at most kMaxText

  // The 4128-byte little-endian record.
  std::vector<uint8_t> toRecord() const;
  // False when the bytes are too short or hold no known kind.
  static bool fromRecord(const uint8_t* bytes, size_t size, BookObjectData& out);

  bool operator==(const BookObjectData& o) const {
    return kind == o.kind && owner == o.owner && linkSerial == o.linkSerial && picture == o.picture && zoom == o.zoom &&
           level == o.level && percent == o.percent && tabTarget == o.tabTarget && tabStart == o.tabStart &&
           text == o.text;
  }
  bool operator!=(const BookObjectData& o) const { return !(*this == o); }
};

// The text cut to what a record holds.
std::string cutToRecordText(const std::string& text, size_t limit = BookObjectData::kMaxText);

}  // namespace scrivora
