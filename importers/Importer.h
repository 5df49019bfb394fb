#pragma once
// What every importer offers: turn a text, or the contents of a file, into a
// new TML text. Failures are thrown as the QXException family.

#include <string>

namespace scrivora {

class Importer {
 public:
  virtual ~Importer() = default;
  // Converts the given text; the result is a new text owned by the caller.
  virtual std::string convert(const std::string& text) = 0;
  // Reads the whole file and converts it; QXFileException when it cannot be read.
  virtual std::string convertFile(const std::string& path) = 0;
};

// Reads a whole regular file into a string; throws QXFileException, with the
// reason, on any failure (a device or a pipe is refused, never read).
std::string readWholeFile(const std::string& path);

}  // namespace scrivora
