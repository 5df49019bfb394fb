#pragma once
// The book's information as a document keeps it: written at the head of a TML
// file, handed to the compiler, stored in the book's metadata record.

#include <string>

namespace scrivora {

struct BookInfo {
  std::string title;
  std::string author;
  std::string publisher;
  std::string eisbn;
  std::string copyright;

  // The information block as the opened file spells it (CR LF line ends),
  // lines the editor does not know included. A save writes it back as it is
  // while the five fields still read the same from it, so what the author
  // did not change keeps its spelling; it is not part of the comparison.
  std::string sourceBlock = {};

  bool operator==(const BookInfo& other) const {
    return title == other.title && author == other.author && publisher == other.publisher && eisbn == other.eisbn &&
           copyright == other.copyright;
  }
  bool operator!=(const BookInfo& other) const { return !(*this == other); }
};

}  // namespace scrivora
