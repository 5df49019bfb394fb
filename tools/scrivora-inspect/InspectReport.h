#pragma once
// The account scrivora-inspect gives of a book it has read: a readable report
// or one JSON document, problems included.

#include <cstdio>
#include <string>

#include "BookReader.h"

namespace scrivora {

// utf8: the terminal takes the book's texts as UTF-8.
void printReadableReport(std::FILE* out, const std::string& path, const BookContents& book,
                         const std::vector<std::string>& problems, bool utf8);
void printJsonReport(std::FILE* out, const std::string& path, const BookContents& book,
                     const std::vector<std::string>& problems);
// Writes each image's PNG file into the directory (created when missing)
// under its stored name, each file whole or not at all; false, with the
// problem, when one cannot be written.
bool extractImages(const BookContents& book, const std::string& directory, std::string& problem);

// A database date (seconds since 1970) as ISO 8601 in UTC.
std::string isoDate(uint32_t seconds);

}  // namespace scrivora
