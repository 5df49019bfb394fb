#pragma once
// Shared helpers of the importer tests: the "HTML Support" folder of this
// build and small counting helpers.

#include <string>

namespace scrivora::test {

inline std::string htmlSupportFolder() { return std::string(SCRIVORA_BINARY_DIR) + "/bin/HTML Support"; }

inline size_t countOf(const std::string& text, const std::string& piece) {
  size_t count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++count;
  return count;
}

}  // namespace scrivora::test
