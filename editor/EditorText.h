#pragma once
// The editor text model: the 8-bit characters the view presents, the
// character style applied to text, the marker colours, the fonts and the
// four-character attribute codes shared by the loader, the writer and the
// book objects.

#include <cstdint>
#include <string>

namespace scrivora {

// A four-character code as a 32-bit number whose bytes, from the most
// significant down, spell the code.
using FourCC = uint32_t;
constexpr FourCC fourCC(const char (&code)[5]) {
  return (FourCC(uint8_t(code[0])) << 24) | (FourCC(uint8_t(code[1])) << 16) | (FourCC(uint8_t(code[2])) << 8) |
         FourCC(uint8_t(code[3]));
}
std::string fourCCText(FourCC code);

// Characters of the editor text. Codes 0 to 255 are the Windows-1252 bytes of
// the model; a paragraph end reads as 13, a page break as 12 and an object as 1.
// A character that has no Windows-1252 byte (typed or pasted Unicode) reads as
// kOutsideCodePage plus its UTF-16 code unit, so it can never be mistaken for a
// byte of the model.
using EditorChar = uint32_t;
constexpr EditorChar kObjectChar = 1;
constexpr EditorChar kPageBreakChar = 12;
constexpr EditorChar kParagraphEndChar = 13;
constexpr EditorChar kOutsideCodePage = 0x10000;
inline bool isOutsideCodePage(EditorChar c) { return c >= kOutsideCodePage; }
inline char16_t unicodeOfOutside(EditorChar c) { return char16_t(c - kOutsideCodePage); }

// Windows-1252 in both directions. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the
// same value so that every byte survives a load and a save.
char16_t unicodeFromCodePage(uint8_t byte);
// The byte of a Unicode character, or -1 when Windows-1252 has none.
int codePageFromUnicode(char16_t unicode);

struct Rgb {
  uint16_t red = 0, green = 0, blue = 0;
  // Only the low 8 bits of each word are significant.
  bool operator==(const Rgb& o) const {
    return (red & 0xFF) == (o.red & 0xFF) && (green & 0xFF) == (o.green & 0xFF) && (blue & 0xFF) == (o.blue & 0xFF);
  }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

constexpr Rgb kPlainColour{0, 0, 0};
constexpr Rgb kLinkColour{1, 1, 253};
constexpr Rgb kUnknownTagColour{255, 0, 0};
// Level 0 is a chapter heading, 1 to 4 the lower headings.
inline Rgb headingColour(int level) { return Rgb{1, uint16_t(94 + level), 2}; }
// The heading level a colour marks, or -1.
int headingLevelOfColour(const Rgb& colour);

// Stretches of text that open with an object and last as far as their colour:
// links, index terms, and footnote and sidebar references. The text between
// the opening and the closing tag is the link text, the term, or the text the
// reader taps to open the note.
enum class Marking { None, Link, IndexTerm, Footnote, Sidebar };
constexpr Rgb kIndexTermColour{150, 1, 150};
constexpr Rgb kFootnoteColour{1, 120, 120};
constexpr Rgb kSidebarColour{1, 121, 120};
Rgb markingColour(Marking marking);
// The marking a colour stands for; Marking::None for any other colour.
Marking markingOfColour(const Rgb& colour);

// Text kept exactly as the file spells it, written back byte for byte. Red
// outside the stretches above; inside an index term or a reference its red
// says which, so the stretch goes on across it. The openings and ends of the
// footnote and sidebar blocks are kept in a grey of their own.
constexpr Rgb kNoteMarkerColour{96, 96, 97};
Rgb keptColour(Marking inside);
bool isKeptColour(const Rgb& colour);
// The marking kept text of this colour stands inside (None for plain red and
// the note markers).
Marking markingOfKeptColour(const Rgb& colour);

struct CharStyle {
  std::string face;
  uint16_t size = 0;   // character height, handheld pixels times the zoom factor
  int16_t offset = 0;  // positive raises (superscript), negative lowers
  Rgb colour;
  bool italic = false, underline = false, overstrike = false;
  // The bold style, applied to whichever font is current (the bold font is a
  // face of its own).
  bool bold = false;

  bool operator==(const CharStyle& o) const {
    return face == o.face && size == o.size && offset == o.offset && colour == o.colour && italic == o.italic &&
           underline == o.underline && overstrike == o.overstrike && bold == o.bold;
  }
  bool operator!=(const CharStyle& o) const { return !(*this == o); }
};

// Faces of the reader fonts, kept exactly even where they are not installed.
extern const char* const kFaceNormal9;   // "NTolmText9", the default normal font
extern const char* const kFaceNormal12;  // "NTolmText12"
extern const char* const kFaceSmall;     // "TolmText9"
extern const char* const kFaceBold;      // "TolmText9B"
extern const char* const kFaceLarge;     // "TolmText12"
extern const char* const kFaceScript;    // "subscriptFont"

enum class FontKind { Normal, Small, Bold, Large, Script };

// The font a face belongs to; a face the editor does not know counts as Normal.
FontKind fontOfFace(const std::string& face);
// Face and size of a font for a document with the given normal face and zoom.
void faceAndSizeOf(FontKind font, const std::string& normalFace, int zoom, std::string& face, uint16_t& size);

// Paragraph alignments (attribute `pjst`).
constexpr FourCC kAlignLeft = fourCC("deft");
constexpr FourCC kAlignCentre = fourCC("cent");
constexpr FourCC kAlignRight = fourCC("rght");
constexpr FourCC kAlignJustify = fourCC("full");

// Attribute codes of characters and paragraphs, named for what they set;
// the values are the four-letter codes the editor has always used.
namespace attr {
constexpr FourCC face = fourCC("font");       // face name
constexpr FourCC pointSize = fourCC("ptsz");  // character height
constexpr FourCC bold = fourCC("bold");       // weight 700 or 400
constexpr FourCC italic = fourCC("ital");
constexpr FourCC underline = fourCC("undl");
constexpr FourCC strikeout = fourCC("strk");  // overstrike
constexpr FourCC colour = fourCC("colr");
constexpr FourCC verticalOffset = fourCC("xshf");  // raised or lowered text
constexpr FourCC plain = fourCC("plan");           // clears bold, italic, underline, overstrike
constexpr FourCC alignment = fourCC("pjst");       // kAlignLeft ... kAlignJustify
constexpr FourCC noIndent = fourCC("wino");
constexpr FourCC blockIndent = fourCC("wibl");      // every line indented
constexpr FourCC bodyIndent = fourCC("wibo");       // all lines but the first
constexpr FourCC firstLineIndent = fourCC("wifl");  // the first line only
constexpr FourCC leftIndent = fourCC("lein");       // read: lines after the first
constexpr FourCC firstIndent = fourCC("fidt");      // read: first line, relative to leftIndent
}  // namespace attr

// A value carried by one attribute: a face name, a number (length, flag as
// 0/1, alignment code) or a colour, depending on the code.
struct AttributeValue {
  std::string text;
  int32_t number = 0;
  Rgb colour;
};

struct ParagraphFormat {
  FourCC alignment = kAlignLeft;
  int32_t leftIndent = 0;       // `lein`: lines after the first
  int32_t firstLineIndent = 0;  // `fidt`: the first line, relative to leftIndent
  bool operator==(const ParagraphFormat& o) const {
    return alignment == o.alignment && leftIndent == o.leftIndent && firstLineIndent == o.firstLineIndent;
  }
  bool operator!=(const ParagraphFormat& o) const { return !(*this == o); }
};

enum class IndentMode { None, Block, Body, FirstLine };
IndentMode indentModeOf(const ParagraphFormat& format);

}  // namespace scrivora
