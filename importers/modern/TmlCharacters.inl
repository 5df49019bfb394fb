// Template part of TmlCharacters.h.

#include "CodePage.h"

namespace scrivora::modern {

template <typename F>
void forEachCodePoint(const std::string& utf8, F&& f) {
  for (size_t at = 0; at < utf8.size();) {
    const unsigned char c = (unsigned char)utf8[at];
    if (c < 0x80) {
      f(char32_t(c));
      ++at;
      continue;
    }
    uint32_t codePoint = 0;
    const size_t length = decodeUtf8At(utf8, at, codePoint);
    f(length ? char32_t(codePoint) : char32_t(0xFFFD));
    at += length ? length : 1;
  }
}

}  // namespace scrivora::modern
