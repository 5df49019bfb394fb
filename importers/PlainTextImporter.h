#pragma once
// Turns a plain text file into TML that shows the same text: every backslash
// is escaped, so that nothing in the text reads as a tag, and the line ends,
// which end paragraphs in TML as in the text, are kept. A text saved as UTF-8
// (with a byte-order mark, or valid UTF-8 with characters beyond ASCII)
// becomes TML's Windows-1252, with \UXXXX for the characters it lacks; any
// other text is taken as Windows-1252 already.

#include <string>

#include "Importer.h"

namespace scrivora {

class PlainTextImporter : public Importer {
 public:
  std::string convert(const std::string& text) override;
  std::string convertFile(const std::string& path) override;
};

}  // namespace scrivora
