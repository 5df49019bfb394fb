#pragma once
// What a compiled book means to a reader, independent of how its TML was
// spelled: the characters it shows with the style, alignment and font each is
// shown in (for both reader fonts), where every page begins in that sequence,
// and the navigation (chapters, index terms, links to anchors), the images
// and the footnotes and sidebars. Two sources mean the same book when they
// compile to equal meanings, even if one writes `\a233` where the other has
// the byte, or closes a tag on the other side of a line end.

#include <cstdint>
#include <string>
#include <vector>

namespace scrivora::test {

// One measured item of the text (a character, an escape, an image, a rule,
// an indent, a book plate, a sidebar mark, a line end) with the state word it
// is measured in: "e9@8001" is the byte 0xE9 in italic and centred.
struct BookMeaning {
  bool built = false;
  std::vector<std::string> errors;
  // Per reader font: [0] small, [1] large.
  std::vector<std::string> items[2];
  // Index of the first item of every page.
  std::vector<size_t> pageStarts[2];
  // "title@item", "term@item", "name->item" (or "name->undefined").
  std::vector<std::string> chapters, indexTerms, links;
  std::vector<std::string> images;  // "name wxh"
  // "id: items of the body".
  std::vector<std::string> footnotes, sidebars;
};

// Compiles TML text as `folder`/book.tml (the folder may hold book_img/)
// and reads the book back.
BookMeaning compileMeaning(const std::string& tml, const std::string& folder);

// The first difference, in words, or an empty text when both are the same.
std::string differenceBetween(const BookMeaning& original, const BookMeaning& saved);

}  // namespace scrivora::test
