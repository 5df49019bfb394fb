#pragma once
// What an EPUB says about itself: META-INF/container.xml names the package
// file (OPF); the package gives the book's metadata, its files (the
// manifest), their reading order (the spine), its table of contents (an
// EPUB 3 navigation document or an EPUB 2 NCX) and its cover picture.

#include <string>
#include <vector>

#include "EpubArchive.h"

namespace scrivora::modern {

struct EpubMetadata {
  std::string title;
  std::string authors;  // the creators, joined by ", "
  std::string publisher;
  std::string date;
  std::string identifier;  // an ISBN without its "urn:isbn:" when the book has one
  std::string rights;
};

struct EpubPackage {
  std::string packagePath;
  EpubMetadata metadata;
  // Archive paths of the content documents in reading order; items the
  // manifest does not list or the archive does not hold are left out.
  std::vector<std::string> spine;
  std::string navigationPath;  // EPUB 3 table of contents, or empty
  std::string ncxPath;         // EPUB 2 table of contents, or empty
  std::string coverImagePath;  // or empty
};

// Reads the container and the package. Throws QXFileException, naming the
// book and what is wrong, when there is no container, no package or nothing
// to read in the spine; smaller faults are warnings.
EpubPackage readEpubPackage(EpubArchive& archive, const std::string& bookName);

}  // namespace scrivora::modern
