#include "TmlCharacters.h"

#include "BuildLog.h"
#include "PlainLetters.h"
#include "TextEncoding.h"
#include "TitleLetters.h"

namespace scrivora::modern {

namespace {

void appendUnicodeTag(char32_t c, std::string& out) {
  static const char kHex[] = "0123456789ABCDEF";
  const char tag[6] = {'\\', 'U', kHex[(c >> 12) & 15], kHex[(c >> 8) & 15], kHex[(c >> 4) & 15], kHex[c & 15]};
  out.append(tag, 6);
}

}  // namespace

void TmlCharacters::appendReplacement(char32_t c, CharacterPlace place, std::string& out) {
  const char* letters = plainLettersFor(c);
  std::string replacement = letters ? letters : "?";
  // In a title the replacement may itself hold code page characters, but in
  // plain text only ASCII stands, which the table always gives.
  if (place == CharacterPlace::Argument)
    for (char& r : replacement)
      if (r == '"') r = '\'';
  out += replacement;
  static const char* const kPlaceNames[] = {"text", "titles", "titles", "footnote marks", "information"};
  if (replaced_.insert(c).second)
    reportWarning("The character U+%04X cannot stand in the book's %s; it was written as \"%s\".", unsigned(c),
                  kPlaceNames[int(place)], replacement.c_str());
}

void TmlCharacters::append(char32_t c, CharacterPlace place, std::string& out) {
  if (place == CharacterPlace::Information) {
    const int byte = windows1252ByteOf(c);
    if (byte >= 0x20 && byte != 0x7F)
      out += char(byte);
    else if (byte < 0 && !isInvisibleCharacter(c))
      appendReplacement(c, place, out);
    return;
  }
  if (c < 0x80) {
    if (c < 0x20 || c == 0x7F) return;
    if (c == '\\') {
      if (place == CharacterPlace::Text || place == CharacterPlace::Title)
        out += "\\\\";
      else
        out += '/';
      return;
    }
    if (c == '"' && place == CharacterPlace::Argument) {
      out += '\'';
      return;
    }
    out += char(c);
    return;
  }
  if (c == 0xAD) {
    if (place == CharacterPlace::Text || place == CharacterPlace::Title) out += "\\-";
    return;
  }
  if (isInvisibleCharacter(c)) return;
  const int byte = windows1252ByteOf(c);
  // The five bytes Windows-1252 leaves undefined arrive only as stray control
  // characters; they are not text.
  if (byte >= 0 && (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D)) return;
  if (byte >= 0 && place != CharacterPlace::Plain) {
    appendTmlEscapedCharacter(uint32_t(c), out);
    return;
  }
  if (c <= 0xFFFF && byte < 0 &&
      (place == CharacterPlace::Text || (place != CharacterPlace::Plain && titleLetterForUnicode(c) >= 0))) {
    appendUnicodeTag(c, out);
    return;
  }
  appendReplacement(c, place, out);
}

std::string windows1252Value(const std::string& utf8, TmlCharacters& characters) {
  std::string value;
  forEachCodePoint(utf8, [&](char32_t c) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    characters.append(c, CharacterPlace::Information, value);
  });
  return value;
}

}  // namespace scrivora::modern
