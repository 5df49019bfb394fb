#include "CharacterMapping.h"

#include "BuildLog.h"
#include "TextPassContext.h"
#include "TitleLetters.h"

namespace scrivora {

namespace {

constexpr uint8_t kEuro = 0x80;
constexpr uint8_t kLineFeed = '\n';
constexpr uint8_t kCarriageReturn = '\r';
constexpr size_t kUnmappableLookBehind = 40;
constexpr size_t kUnmappableExcerpt = 79;
constexpr int kShownMappingWarnings = 100;

bool isDroppedControl(uint8_t byte) { return byte <= 0x08; }

// The handheld set is code page 1252 without these five bytes.
uint8_t mapSourceByte(uint8_t byte) { return byte; }

// The excerpt around an unmappable byte: what has been written so far (the
// normalised text before it) followed by the source from the byte on. The
// window is fixed around the byte: near the text start the part before the
// text is missing rather than made up with more bytes after it.
std::string unmappableExcerpt(const uint8_t* text, size_t written, size_t read, size_t length) {
  std::string excerpt;
  size_t before = written < kUnmappableLookBehind ? written : kUnmappableLookBehind;
  excerpt.append(reinterpret_cast<const char*>(text) + written - before, before);
  const size_t fromTheByteOn = kUnmappableExcerpt - kUnmappableLookBehind;
  for (size_t i = read, taken = 0; i < length && taken < fromTheByteOn; ++i) {
    if (isDroppedControl(text[i])) continue;
    excerpt.push_back(char(text[i]));
    ++taken;
  }
  return excerpt;
}

}  // namespace

bool isMappableByte(uint8_t byte) {
  switch (byte) {
    case 0x8D:
    case 0x8E:
    case 0x8F:
    case 0x90:
    case 0x99: return false;
    default: return true;
  }
}

size_t normaliseSource(uint8_t* text, size_t length, OffsetMap* dropped, std::vector<NormalisationWarning>& warnings) {
  size_t written = 0;
  bool nonAsciiSeen = false;
  for (size_t read = 0; read < length; ++read) {
    uint8_t byte = text[read];
    // Nearly every byte is plain ASCII after the CR and is copied as it is:
    // one test for them keeps the rules below (and the record of dropped
    // bytes) off their way.
    if (byte > kCarriageReturn && byte <= 0x7F) {
      text[written++] = byte;
      continue;
    }
    if (isDroppedControl(byte)) {
      if (dropped) dropped->resumeAt(written, read + 1);
      continue;
    }
    if (byte > 0x7F) {
      if (!nonAsciiSeen) {
        nonAsciiSeen = true;
        warnings.push_back({written, "Non-ASCII characters in file; attempting to map them"});
      }
      if (!isMappableByte(byte)) {
        std::string excerpt = unmappableExcerpt(text, written, read, length);
        warnings.push_back({written, "Unmappable character in string \"" + excerpt + "\""});
      } else {
        byte = mapSourceByte(byte);
      }
      if (byte == kEuro) warnings.push_back({written, "The Euro symbol may not be on all Tolm OS devices"});
    } else if (byte == kCarriageReturn) {
      if (read + 1 < length && text[read + 1] == kLineFeed) {
        if (dropped) dropped->resumeAt(written, read + 1);
        continue;
      }
      byte = kLineFeed;
    }
    text[written++] = byte;
  }
  return written;
}

size_t normaliseText(uint8_t* text, size_t length) {
  std::vector<NormalisationWarning> warnings;
  const size_t written = normaliseSource(text, length, nullptr, warnings);
  for (const NormalisationWarning& warning : warnings) reportWarning("%s", warning.text.c_str());
  return written;
}

void normaliseText(std::string& text) {
  if (text.empty()) return;
  size_t length = normaliseText(reinterpret_cast<uint8_t*>(&text[0]), text.size());
  text.resize(length);
}

uint8_t decimalEscapeValue(const uint8_t* text, size_t length, size_t firstDigit) {
  unsigned value = 0;
  for (size_t i = 0; i < 3; ++i) {
    size_t at = firstDigit + i;
    uint8_t digit = at < length ? uint8_t(text[at] - '0') : 0;
    value = value * 10 + digit;
  }
  return uint8_t(value);
}

HexEscape readHexEscape(const uint8_t* text, size_t length, size_t firstDigit) {
  HexEscape escape;
  for (size_t i = 0; i < 4; ++i) {
    size_t at = firstDigit + i;
    if (at >= length) return escape;
    uint8_t c = text[at];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return escape;
    }
    escape.value = uint16_t(escape.value * 16 + digit);
  }
  escape.valid = true;
  return escape;
}

uint16_t checkedHexEscape(TextPassContext& context, size_t backslash) {
  HexEscape escape = readHexEscape(context.text(), context.length(), backslash + 2);
  if (!escape.valid) context.excerptError(backslash, "Error in \\U specification: \"%s\"", (long long)backslash, 6);
  return escape.value;
}

int plainLetterForUnicode(uint16_t value) { return titleLetterForUnicode(value); }

uint8_t unicodeInTitle(TextPassContext& context, size_t backslash) {
  int& count = context.mappingWarningCount();
  ++count;
  if (context.smallPass()) {
    if (count <= kShownMappingWarnings) {
      context.excerptWarning(backslash,
                             "Unicode characters currently aren't allowed in chapter or index specifications! "
                             "Mapping them. Begins with \"%s\"",
                             (long long)backslash - 2, 20);
    } else if (count == kShownMappingWarnings + 1) {
      context.warning(backslash, "Showing only the first 100 mapping warnings.");
    }
  }
  uint16_t value = checkedHexEscape(context, backslash);
  int letter = plainLetterForUnicode(value);
  if (letter < 0) {
    context.plainError(backslash, "Don't know how to map unicode character %04X", unsigned(value));
    return ' ';
  }
  return uint8_t(letter);
}

}  // namespace scrivora
