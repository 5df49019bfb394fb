#pragma once
// A POSIX extended regular expression over 8-bit text, compiled and matched in
// the "C" locale so that every byte is one character whatever the user's
// locale is. The searched text reads its paragraph ends as newlines, so that
// with newline sensitivity `.` stays inside a paragraph and `^` and `$` match
// at its ends.

#include <regex.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scrivora {

// Longest error text a caller shows.
constexpr size_t kMaxRegexErrorLength = 255;

class RegexSearch {
 public:
  struct Span {
    size_t start = 0, end = 0;
    bool matched = false;  // false for a group that took no part in the match
  };

  // The pattern holds editor characters (a paragraph end is a carriage
  // return). Without case sensitivity the Windows-1252 letters beyond ASCII
  // match their other case too.
  RegexSearch(const std::string& pattern, bool caseSensitive);
  ~RegexSearch();
  RegexSearch(const RegexSearch&) = delete;
  RegexSearch& operator=(const RegexSearch&) = delete;

  bool isValid() const { return compiled_; }
  // The library's message for a pattern that did not compile.
  const std::string& error() const { return error_; }
  size_t groupCount() const { return compiled_ ? regex_.re_nsub : 0; }

  // The leftmost-longest match that starts at or after `from` and ends by
  // `end` in the search text (see searchTextOf); the whole match is spans[0],
  // group n is spans[n]. The text around the range decides `^`, `$` and word
  // boundaries, as if the range were not cut out.
  bool match(std::string_view searchText, size_t from, size_t end, std::vector<Span>& spans) const;

 private:
  regex_t regex_{};
  bool compiled_ = false;
  std::string error_;
};

// Editor text as the expression reads it: paragraph ends become newlines.
// Positions stay the same.
std::string searchTextOf(std::string editorText);

// The pattern with each Windows-1252 letter beyond ASCII also matching its
// other case, for a search that ignores case (the library folds only ASCII
// in the "C" locale).
std::string withBothCasesOfHighLetters(const std::string& pattern);

}  // namespace scrivora
