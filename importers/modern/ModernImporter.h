#pragma once
// The modern import path: EPUB books (EPUB 2 and 3) and HTML5 or XHTML pages
// into TML, with their chapters, links, footnotes, pictures and characters.
// It writes TML by the HTML importer's rules (the same escapes, styles and
// clean-up of white space) and starts the text with the book's information
// block. Pictures are written into the image folder of the TML file the
// text will be saved as.
//
// Failures throw the QXException family: QXFileException, naming the file
// and what is wrong, when the file cannot be read or is not a book that can
// be imported; QXMemoryException when memory runs out. Everything short of
// that (a picture that cannot be used, a character the book cannot hold, a
// file the reading order names but the book lacks) is a warning through the
// build log, and the import goes on.

#include <string>
#include <string_view>
#include <vector>

#include "BookImage.h"
#include "BookInfo.h"
#include "EpubArchive.h"

namespace scrivora {

struct ModernImportOptions {
  // Where the pictures go: the image folder of the TML file being made
  // ("story.tml" -> "story_img"); created when needed. Empty: no pictures
  // are written and their descriptions stay in the text as comments.
  std::string imageFolder;
  BookImageLimits pictures;
  modern::EpubArchiveLimits archive;
};

struct ModernImport {
  // The whole TML file: the information block, the text and the footnote
  // blocks.
  std::string tml;
  BookInfo info;
  // The files of the image folder the text names.
  std::vector<std::string> pictures;
};

ModernImport importEpubFile(const std::string& path, const ModernImportOptions& options = ModernImportOptions());
// The same for a book held in memory; `name` stands for it in messages.
ModernImport importEpubData(std::string_view bytes, const std::string& name,
                            const ModernImportOptions& options = ModernImportOptions());

// An HTML5, HTML or XHTML page (".xhtml" and ".xht" are read as XML first).
// Its pictures are read from beside the page.
ModernImport importModernPage(const std::string& path, const ModernImportOptions& options = ModernImportOptions());
// The same for a page held in memory, as if it were the file at `path`.
ModernImport importModernPageData(const std::string& bytes, const std::string& path,
                                  const ModernImportOptions& options = ModernImportOptions());

}  // namespace scrivora
