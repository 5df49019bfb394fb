#pragma once
// The account scrivora-inspect gives of a book it has read: a readable report
// or one JSON document, problems included.

#include <cstdio>
#include <string>

#include "BookReader.h"

namespace scrivora {

void printReadableReport(std::FILE* out, const std::string& path, const BookContents& book,
                         const std::vector<std::string>& problems);
void printJsonReport(std::FILE* out, const std::string& path, const BookContents& book,
                     const std::vector<std::string>& problems);
// Writes each image's PNG file into directory under its stored name; false
// (with a message on standard error) when one cannot be written.
bool extractImages(const BookContents& book, const std::string& directory);

}  // namespace scrivora
