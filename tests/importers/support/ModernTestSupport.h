#pragma once
// Helpers of the modern import tests: EPUB books and pictures made on the
// spot (ZIP archives through libzip, pictures through QImage), and compiling
// an import to see what the book holds.

#include <string>
#include <vector>

#include "BookReader.h"
#include "BuildLog.h"
#include "ModernImporter.h"

namespace scrivora::test {

struct ZipEntry {
  std::string name;
  std::string data;
  // Unix file attributes to store (a symbolic link), or 0 for none.
  unsigned unixMode = 0;
};

// A ZIP archive of the entries, deflated, in the order given.
std::string zipArchive(const std::vector<ZipEntry>& entries);

// An XHTML document with the EPUB namespace around the given body.
std::string xhtmlPage(const std::string& body, const std::string& title = "Page");

struct EpubBookPlan {
  int version = 3;
  std::string metadata;  // dc: elements for the package
  // Content documents in reading order: path (from the package folder
  // OEBPS/) and body.
  std::vector<std::pair<std::string, std::string>> pages;
  std::string tableOfContents;     // the nav's <ol> (EPUB 3) or the navMap's points (EPUB 2)
  std::vector<ZipEntry> pictures;  // paths from OEBPS/
  std::string coverPicture;        // path from OEBPS/ of the cover, or empty
};

// The entries of an EPUB book: mimetype, container, package, navigation
// document or NCX, pages and pictures.
std::vector<ZipEntry> epubEntries(const EpubBookPlan& plan);

// Pictures of a given size and format ("png", "jpg", "webp"): a colour
// gradient, so that they are photographs rather than line art.
std::string picture(int width, int height, const char* format);

// What the compiler makes of a TML text written beside its image folder.
struct CompiledBook {
  bool built = false;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  BookContents contents;
};
CompiledBook compileTml(const std::string& folder, const std::string& tml);

// The link warnings of a build: links whose anchor is missing.
std::vector<std::string> undefinedLinks(const CompiledBook& book);

// A fresh folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string write(const std::string& name, const std::string& contents) const;

 private:
  std::string path_;
};

// Every name under a folder, with its subfolders' names as "sub/name".
std::vector<std::string> treeOf(const std::string& folder);

}  // namespace scrivora::test
