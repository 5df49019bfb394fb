#include "PlainTextImporter.h"

#include <new>

#include "QXException.h"
#include "SourceEncoding.h"

namespace scrivora {

std::string PlainTextImporter::convert(const std::string& text) {
  try {
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 64);
    for (char c : text) {
      if (c == '\\') escaped += '\\';
      escaped += c;
    }
    // Escaping first: the conversion's own \U tags must stay tags.
    const SourceEncodingGuess guess = guessSourceEncoding(text);
    return guess.byteOrderMark || guess.looksLikeUtf8 ? utf8ToWindows1252Tml(escaped) : escaped;
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
}

std::string PlainTextImporter::convertFile(const std::string& path) { return convert(readWholeFile(path)); }

}  // namespace scrivora
