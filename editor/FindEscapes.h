#pragma once
// The backslash escapes of the search and replacement strings. Everything here
// works on Windows-1252 bytes, the characters of the editor text, where a
// paragraph end is a carriage return and a page break a form feed.

#include <string>
#include <vector>

namespace scrivora {

// Literal mode, for both strings: \n and \r give a paragraph end, \p a page
// break, \t a tab, and a backslash before anything else gives that character
// (so \\ is one backslash). A backslash at the very end stays itself.
std::string rewriteLiteralEscapes(const std::string& text);

// Regular-expression mode, for the pattern: \n, \r, \p and \t as above; any
// other backslash is kept with the character after it for the expression's
// own syntax.
std::string rewriteRegexEscapes(const std::string& pattern);

// The selected text as a search string that finds exactly that text in the
// given mode: backslashes doubled, paragraph ends, page breaks and tabs
// written as escapes and, for a regular expression, its operators escaped.
std::string escapeForSearch(const std::string& text, bool regex);

// A regular-expression replacement, parsed once and expanded per match:
// \1 to \9 insert the text of that group, \\ a backslash, \n and \r a
// paragraph end, \p a page break, \t a tab; a backslash before anything else
// is dropped together with that character.
class ReplacementTemplate {
 public:
  struct Piece {
    std::string text;  // copied as it stands when group is 0
    int group = 0;     // 1 to 9: the text of that group
  };

  explicit ReplacementTemplate(const std::string& replacement);
  const std::vector<Piece>& pieces() const { return pieces_; }
  // The highest group referred to, 0 when none is.
  int highestGroup() const { return highestGroup_; }

 private:
  std::vector<Piece> pieces_;
  int highestGroup_ = 0;
};

}  // namespace scrivora
