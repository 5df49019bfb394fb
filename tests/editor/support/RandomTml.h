#pragma once
// Random well-formed books in TML, as an author might write them: every tag
// of the language, styles nested and side by side, objects next to each
// other, Windows-1252 letters raw and as codes, high bytes inside tag
// arguments, an information block, footnote and sidebar blocks. Well formed
// means the compiler accepts the book without an error.

#include <random>
#include <string>

namespace scrivora::test {

// Images the books name; the caller puts PNG files of these names in the
// book's image folder.
extern const char* const kRandomBookImages[2];

std::string randomWellFormedTml(std::mt19937& random);

}  // namespace scrivora::test
