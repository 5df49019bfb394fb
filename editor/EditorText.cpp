#include "EditorText.h"

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

namespace {
// Bytes 0x80 to 0x9F of Windows-1252; the undefined ones keep their own value.
const char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

char16_t unicodeFromCodePage(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return char16_t(byte);
}

int codePageFromUnicode(char16_t unicode) {
  if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF)) return int(unicode);
  // The replacements of 0x80 to 0x9F lie between U+0081 and U+2122.
  if (unicode > 0x2122) return -1;
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == unicode) return 0x80 + i;
  return -1;
}

int headingLevelOfColour(const Rgb& colour) {
  for (int level = 0; level <= 4; ++level)
    if (colour == headingColour(level)) return level;
  return -1;
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
