#pragma once
// The TML tag set in one place: the letters the scanner dispatches on, the
// lengths it consumes and the small sets of letters that some checks need.
// Everything that reads TML in the compiler takes its tag letters from here.

#include <cstddef>

namespace scrivora {
namespace tml {

constexpr char kEscape = '\\';
constexpr char kQuote = '"';

// Single-letter tags (the byte after the backslash).
constexpr char kPageBreak = 'p';
constexpr char kChapterPageTitle = 'x';  // \x title \x
constexpr char kChapterTitle = 'X';      // \Xn title \Xn
constexpr char kChapterEntry = 'C';      // \Cn="title"
constexpr char kCentre = 'c';
constexpr char kRight = 'r';
constexpr char kItalic = 'i';
constexpr char kUnderline = 'u';
constexpr char kOverstrike = 'o';
constexpr char kInvisible = 'v';
constexpr char kIndentedParagraph = 't';
constexpr char kIndent = 'T';  // \T="nn%"
constexpr char kRule = 'w';    // \w="nn%"
constexpr char kBaseFont = 'n';
constexpr char kStandardFont = 's';
constexpr char kLargeFont = 'l';
constexpr char kBoldFont = 'b';
constexpr char kBoldStyle = 'B';
constexpr char kScriptOrSidebar = 'S';  // \Sp, \Sb, \Sd
constexpr char kFootnote = 'F';         // \Fn
constexpr char kLink = 'q';             // \q="#name"
constexpr char kAnchor = 'Q';           // \Q="name"
constexpr char kImage = 'm';            // \m="file.png"
constexpr char kIndexTerm = 'I';
constexpr char kSoftHyphen = '-';
constexpr char kBackslash = '\\';
constexpr char kDecimalCharacter = 'a';  // \aDDD
constexpr char kUnicodeCharacter = 'U';  // \UXXXX
constexpr char kVerticalSpace = 'd';

// Second letters of the three-letter tags.
constexpr char kSuperscript = 'p';     // \Sp
constexpr char kSubscript = 'b';       // \Sb
constexpr char kSidebar = 'd';         // \Sd
constexpr char kFootnoteSecond = 'n';  // \Fn

// How many bytes the scanner consumes for the fixed-length tags.
constexpr size_t kPlainTagLength = 2;        // backslash and letter
constexpr size_t kThreeLetterTagLength = 3;  // \Sp \Sb \Sd \Fn \Xn
constexpr size_t kDecimalEscapeLength = 5;   // \aDDD
constexpr size_t kUnicodeEscapeLength = 6;   // \UXXXX
constexpr size_t kDecimalDigits = 3;
constexpr size_t kHexDigits = 4;

// Chapter levels run from 0 to 4; a level-n title is indented by 4 x n spaces.
constexpr int kHighestChapterLevel = 4;
constexpr size_t kSpacesPerChapterLevel = 4;

// The code of the bullet (\a149), which index terms leave out.
constexpr unsigned char kBulletCode = 149;

// The tags that must not be the first tag inside link text.
inline bool isForbiddenFirstTagInLink(char letter) {
  switch (letter) {
    case kFootnote:
    case kIndexTerm:
    case kAnchor:
    case kScriptOrSidebar:
    case kChapterTitle:
    case kVerticalSpace:
    case kImage:
    case kRule:
    case kChapterPageTitle: return true;
    default: return false;
  }
}

// Tags whose quoted argument is skipped whole when a chapter title or an
// index term is collected without its tags.
inline bool hasSkippedArgumentInTitles(char letter) {
  return letter == kAnchor || letter == kIndent || letter == kImage || letter == kLink || letter == kRule;
}

inline bool isDecimalDigit(unsigned char c) { return c >= '0' && c <= '9'; }

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';

// Both end a line in the text the scanner meets (normalising turns every CR
// into LF, but a text handed to the pass directly may still hold them).
inline bool isLineEnd(unsigned char c) { return c == kLineFeed || c == kCarriageReturn; }

}  // namespace tml
}  // namespace scrivora
