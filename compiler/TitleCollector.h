#pragma once
// Collects the text of a chapter title or an index term out of the book's
// TML, the way the reader's chapter and index lists show it: without tags,
// with \aDDD and \UXXXX turned into one byte each, line ends folded into
// single spaces, and cut at 80 characters.
//
// Four forms end differently:
// - the argument of \Cn="title" ends where the scanner found its closing
//   double quote, and no tag but \aDDD and \UXXXX may stand in it ("Tags are
//   not allowed inside \C definitions!", a plain error, for each other tag;
//   its 2 bytes are skipped);
// - a \x title ends at the closing \x, a \Xn title at the closing \X, an index
//   term at the closing \I. Inside them a \Q, \T, \m or \w tag, and a \q
//   followed by =", is skipped together with its quoted argument (up to and
//   including the second double quote after the tag); any other tag, the
//   closing \q of a link included, is skipped as 2 bytes; in an index term
//   \a149 (the bullet) adds nothing.
//
// \UXXXX in any of these is mapped to its plain letter with the mapping
// warning and errors of the character rules (CharacterMapping.h), a bad
// hexadecimal digit included. The scanner may meet the same \U in the running
// text and report it again, but it cannot be relied on to: it reads the
// argument of a \Fn="..." inside a title as an argument, where this reader
// sees plain title text.
//
// The collector itself raises no length message; it says whether the title
// was cut and the chapter and index readers word the warning.

#include <cstddef>
#include <cstdint>
#include <string>

#include "TextPassContext.h"

namespace scrivora {

enum class TitleForm {
  ChapterArgument,    // \Cn="title"
  ChapterScope,       // \x title \x
  LevelChapterScope,  // \Xn title \Xn
  IndexTerm,          // \I term \I
};

struct CollectedTitle {
  static constexpr size_t kNone = size_t(-1);
  std::string text;
  // The title grew beyond 80 characters and was cut to 80; reading stopped.
  bool cut = false;
  // The backslash of the closing \x, \X or \I, or the closing quote of an
  // argument; kNone when the title was cut or the text ended first.
  size_t closing = kNone;
};

constexpr size_t kLongestTitle = 80;

class TitleCollector {
 public:
  explicit TitleCollector(TextPassContext& context) : context_(context) {}

  // Reads the title that starts at `from`. A \Cn argument ends at
  // `argumentEnd` (its closing quote, or the end of the text); the scoped
  // forms end at their closing tag and ignore it. `prefix` (the level
  // indentation of a chapter) starts the title and counts towards its 80
  // characters.
  CollectedTitle collect(TitleForm form, size_t from, size_t argumentEnd,
                         const std::string& prefix = std::string()) const;

 private:
  bool closesScope(TitleForm form, uint8_t tagLetter) const;
  size_t skipQuotedArgument(size_t afterTag) const;

  TextPassContext& context_;
};

}  // namespace scrivora
