#include "EditorText.h"

#include "CodePage.h"

namespace scrivora {

const char* const kFaceNormal9 = "NTolmText9";
const char* const kFaceNormal12 = "NTolmText12";
const char* const kFaceSmall = "TolmText9";
const char* const kFaceBold = "TolmText9B";
const char* const kFaceLarge = "TolmText12";
const char* const kFaceScript = "subscriptFont";

std::string fourCCText(FourCC code) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[i] = char((code >> (24 - 8 * i)) & 0xFF);
  return text;
}

char16_t unicodeFromCodePage(uint8_t byte) { return unicodeFromWindows1252(byte); }

int codePageFromUnicode(char16_t unicode) { return windows1252FromUnicode(unicode); }

int headingLevelOfColour(const Rgb& colour) {
  for (int level = 0; level <= 4; ++level)
    if (colour == headingColour(level)) return level;
  return -1;
}

Rgb markingColour(Marking marking) {
  switch (marking) {
    case Marking::Link: return kLinkColour;
    case Marking::IndexTerm: return kIndexTermColour;
    case Marking::Footnote: return kFootnoteColour;
    case Marking::Sidebar: return kSidebarColour;
    default: return kPlainColour;
  }
}

Marking markingOfColour(const Rgb& colour) {
  if (colour == kLinkColour) return Marking::Link;
  if (colour == kIndexTermColour) return Marking::IndexTerm;
  if (colour == kFootnoteColour) return Marking::Footnote;
  if (colour == kSidebarColour) return Marking::Sidebar;
  return Marking::None;
}

// Reds that differ only in the blue word, which the eye cannot tell apart.
Rgb keptColour(Marking inside) {
  switch (inside) {
    case Marking::IndexTerm: return Rgb{255, 0, 1};
    case Marking::Footnote: return Rgb{255, 0, 2};
    case Marking::Sidebar: return Rgb{255, 0, 3};
    default: return kUnknownTagColour;
  }
}

bool isKeptColour(const Rgb& colour) {
  return colour == kNoteMarkerColour ||
         ((colour.red & 0xFF) == 255 && (colour.green & 0xFF) == 0 && (colour.blue & 0xFF) <= 3);
}

Marking markingOfKeptColour(const Rgb& colour) {
  if (colour == keptColour(Marking::IndexTerm)) return Marking::IndexTerm;
  if (colour == keptColour(Marking::Footnote)) return Marking::Footnote;
  if (colour == keptColour(Marking::Sidebar)) return Marking::Sidebar;
  return Marking::None;
}

FontKind fontOfFace(const std::string& face) {
  if (face == kFaceSmall) return FontKind::Small;
  if (face == kFaceBold) return FontKind::Bold;
  if (face == kFaceLarge) return FontKind::Large;
  if (face == kFaceScript) return FontKind::Script;
  return FontKind::Normal;
}

void faceAndSizeOf(FontKind font, const std::string& normalFace, int zoom, std::string& face, uint16_t& size) {
  switch (font) {
    case FontKind::Normal:
      face = normalFace;
      size = uint16_t((normalFace == kFaceNormal12 ? 11 : 9) * zoom);
      return;
    case FontKind::Small:
      face = kFaceSmall;
      size = uint16_t(9 * zoom);
      return;
    case FontKind::Bold:
      face = kFaceBold;
      size = uint16_t(9 * zoom);
      return;
    case FontKind::Large:
      face = kFaceLarge;
      size = uint16_t(11 * zoom);
      return;
    case FontKind::Script:
      // The font table gives the script face no size; the view draws it at
      // whatever size it gives to 0.
      face = kFaceScript;
      size = 0;
      return;
  }
}

IndentMode indentModeOf(const ParagraphFormat& format) {
  const bool left = format.leftIndent != 0, first = format.firstLineIndent != 0;
  if (left && !first) return IndentMode::Block;
  if (left && first) return IndentMode::Body;
  if (!left && first) return IndentMode::FirstLine;
  return IndentMode::None;
}

}  // namespace scrivora
