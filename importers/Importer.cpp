#include "Importer.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "QXException.h"

namespace scrivora {

std::string readWholeFile(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) throw QXFileException(path);
  std::string contents;
  try {
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) contents.append(chunk, got);
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
  // A short read that is not the end of the file is a read error, not a short file.
  if (std::ferror(file.get())) throw QXFileException(path);
  return contents;
}

}  // namespace scrivora
