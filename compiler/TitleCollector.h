#pragma once
// Collects the text of a chapter title or an index term out of the book's
// TML, the way the reader's chapter and index lists show it: without tags,
// with \aDDD and \UXXXX turned into one byte each, line ends folded into
// single spaces, and cut at 80 characters.
//
// Four forms end differently:
// - the argument of \Cn="title" ends at its closing double quote, and no tag
//   but \aDDD and \UXXXX may stand in it ("Tags are not allowed inside \C
//   definitions!", a plain error, for each other tag; its 2 bytes are
//   skipped);
// - a \x title ends at the closing \x, a \Xn title at the closing \X, an index
//   term at the closing \I. Inside them a \Q, \T, \m, \q or \w tag
//   followed by =" is skipped together with its quoted argument (up to and
//   including the second double quote after the tag); any other tag, the
//   closing \q of a link included, is skipped as 2 bytes; in an index term
//   \a149 (the bullet) adds nothing.
//
// \UXXXX in any of these counts one mapping warning (the counter runs over
// both passes); in the small pass the first 100 are reported with
// "Unicode characters currently aren't allowed in chapter or index
// specifications! Mapping them. Begins with "%s"" (20 bytes from two before
// the backslash) and the 101st draws "Showing only the first 100 mapping
// warnings." once. The character is replaced by its plain letter; one that
// has none raises "Don't know how to map unicode character %04X" (plain
// error, every pass that meets it) and gives a space. A bad hexadecimal digit
// raises "Error in \U specification: "%s"" (excerpt error) only inside a \Cn
// argument: in the other forms the title stays in the running text, where the
// scanner meets the same \U and reports it, so reporting it here as well
// would show the one fault twice.
//
// The collector itself raises no length message; it says whether the title
// was cut and the chapter and index readers word the warning.

#include <cstddef>
#include <cstdint>
#include <string>

#include "NavigationScan.h"

namespace scrivora {

enum class TitleForm {
  ChapterArgument,  // \Cn="title"
  ChapterScope,     // \x title \x
  LevelChapterScope,  // \Xn title \Xn
  IndexTerm,        // \I term \I
};

struct CollectedTitle {
  static constexpr size_t kNone = size_t(-1);
  std::string text;
  // The title grew beyond 80 characters and was cut to 80; reading stopped.
  bool cut = false;
  // Where reading stopped: after the closing quote of an argument, at the
  // closing tag's backslash of a scope, just after the byte or escape that
  // made the title too long, or at the end of the text.
  size_t stop = 0;
  // The backslash of the closing \x, \X or \I, or the closing quote of an
  // argument; kNone when the title was cut or the text ended first.
  size_t closing = kNone;
};

constexpr size_t kLongestTitle = 80;

class TitleCollector {
 public:
  explicit TitleCollector(const NavigationScan& scan) : scan_(scan) {}

  // Reads the title that starts at `from`. `prefix` (the level indentation
  // of a chapter) starts the title and counts towards its 80 characters.
  CollectedTitle collect(TitleForm form, size_t from, const std::string& prefix = std::string()) const;

 private:
  // The byte a \UXXXX at `backslash` stands for in a title, with its
  // mapping warning and errors.
  uint8_t unicodeLetter(TitleForm form, size_t backslash) const;
  bool closesScope(TitleForm form, uint8_t tagLetter) const;
  size_t skipQuotedArgument(size_t afterTag) const;

  const NavigationScan& scan_;
};

// The escape rules of the character set as titles need them. They live here
// until the character mapping offers the same; the names are kept apart so
// both can link into one program meanwhile.
namespace titlechars {

// \aDDD: 100 × d1 + 10 × d2 + d3, each digit being its byte minus '0' taken
// modulo 256; the digits are not validated.
uint8_t decimalEscapeValue(const uint8_t* digits);

// \UXXXX: the four bytes after \U, '0'-'9' and 'A'-'F' only. Stops at the
// first byte that is not a digit (a byte beyond the end of the text is not
// one) and returns what the digits before it gave; `valid` says whether all
// four were digits.
uint16_t hexadecimalEscapeValue(const uint8_t* text, size_t length, size_t firstDigit, bool* valid);

// The plain letter a Unicode character is shown as in titles and index
// terms; 0 when there is none.
uint8_t plainLetterFor(uint16_t unicode);

}  // namespace titlechars

}  // namespace scrivora
