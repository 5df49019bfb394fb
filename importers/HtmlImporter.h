#pragma once
// Turns an HTML page into TML: the page is parsed by OpenSP against the HTML
// document type found through the catalog in the "HTML Support" folder, the
// parser's events are written as TML, and the raw result is cleaned up by the
// HTML clean-up rules of the RegexImporter.

#include <string>

#include "Importer.h"
#include "RegexImporter.h"

namespace scrivora {

class HtmlImporter : public Importer {
 public:
  // supportFolder: the "HTML Support" folder that holds the file "catalog".
  explicit HtmlImporter(std::string supportFolder);

  // The given text is the bytes of an HTML page.
  std::string convert(const std::string& pageBytes) override;
  std::string convertFile(const std::string& path) override;

  // The TML as the event handler writes it, before the clean-up rules.
  std::string convertWithoutCleanup(const std::string& pageBytes);

  const std::string& catalogPath() const { return catalogPath_; }

 private:
  std::string catalogPath_;
  RegexImporter cleanup_;
};

// The "HTML Support" folder of the running program: beside it in the build
// folder, or in share/scrivora of the prefix it is installed under.
std::string htmlSupportFolderBesideProgram();

}  // namespace scrivora
