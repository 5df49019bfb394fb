#include "Importer.h"

#include <new>

#include "QXException.h"
#include "FileSystem.h"

namespace scrivora {

std::string readWholeFile(const std::string& path) {
  std::string contents, reason;
  try {
    if (!readRegularFile(path, contents, reason)) throw QXFileException(path, reason);
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
  return contents;
}

}  // namespace scrivora
