#include "TitleCollector.h"

#include "BuildLog.h"

namespace scrivora {

namespace titlechars {

uint8_t decimalEscapeValue(const uint8_t* digits) {
  unsigned d1 = uint8_t(digits[0] - '0');
  unsigned d2 = uint8_t(digits[1] - '0');
  unsigned d3 = uint8_t(digits[2] - '0');
  return uint8_t(100 * d1 + 10 * d2 + d3);
}

uint16_t hexadecimalEscapeValue(const uint8_t* text, size_t length, size_t firstDigit, bool* valid) {
  uint16_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    size_t at = firstDigit + i;
    int digit = -1;
    if (at < length) {
      uint8_t c = text[at];
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    }
    if (digit < 0) {
      if (valid) *valid = false;
      return value;
    }
    value = uint16_t(value * 16 + digit);
  }
  if (valid) *valid = true;
  return value;
}

uint8_t plainLetterFor(uint16_t unicode) {
  switch (unicode) {
    case 0x0100: case 0x0102: case 0x0104: return 'A';
    case 0x0101: case 0x0103: case 0x0105: case 0x01CE: return 'a';
    case 0x0106: case 0x0108: case 0x010A: case 0x010C: return 'C';
    case 0x0107: case 0x0109: case 0x010B: case 0x010D: case 0xE004: return 'c';
    case 0x011B: case 0xE00D: return 'e';
    case 0x011F: return 'g';
    case 0x0141: return 'L';
    case 0x0142: return 'l';
    case 0x0144: case 0x0148: return 'n';
    case 0x0151: return 'o';
    case 0x0159: return 'r';
    case 0x015B: case 0x015D: case 0x015F: return 's';
    case 0x0163: return 't';
    case 0x017D: return 'Z';
    case 0x017A: case 0x017E: return 'z';
    case 0x2011: return '-';
    default: return 0;
  }
}

}  // namespace titlechars

namespace {

constexpr int kReportedMappings = 100;
constexpr uint8_t kBullet = 149;
constexpr size_t kUnicodeTagLength = 6;  // \UXXXX
constexpr size_t kDecimalTagLength = 5;  // \aDDD

}  // namespace

uint8_t TitleCollector::unicodeLetter(TitleForm form, size_t backslash) const {
  int count = 1;
  if (scan_.mappingWarnings) count = ++*scan_.mappingWarnings;
  if (scan_.isSmallPass()) {
    if (count <= kReportedMappings) {
      reportWarning(
          "Unicode characters currently aren't allowed in chapter or index specifications! Mapping them. "
          "Begins with \"%s\"",
          scan_.excerpt(static_cast<long long>(backslash) - 2, 20).c_str());
    } else if (count == kReportedMappings + 1) {
      reportWarning("Showing only the first 100 mapping warnings.");
    }
  }
  bool valid = true;
  uint16_t value = titlechars::hexadecimalEscapeValue(scan_.text, scan_.length, backslash + 2, &valid);
  if (!valid && form == TitleForm::ChapterArgument) {
    scan_.excerptError("Error in \\U specification: \"%s\"", static_cast<long long>(backslash), 6);
  }
  uint8_t letter = titlechars::plainLetterFor(value);
  if (letter == 0) {
    scan_.raiseFailure();
    reportError("Don't know how to map unicode character %04X", unsigned(value));
    letter = ' ';
  }
  return letter;
}

bool TitleCollector::closesScope(TitleForm form, uint8_t tagLetter) const {
  switch (form) {
    case TitleForm::ChapterScope: return tagLetter == 'x';
    case TitleForm::LevelChapterScope: return tagLetter == 'X';
    case TitleForm::IndexTerm: return tagLetter == 'I';
    case TitleForm::ChapterArgument: return false;
  }
  return false;
}

size_t TitleCollector::skipQuotedArgument(size_t afterTag) const {
  size_t first = scan_.find('"', afterTag);
  if (first >= scan_.length) return scan_.length;
  size_t second = scan_.find('"', first + 1);
  return second >= scan_.length ? scan_.length : second + 1;
}

CollectedTitle TitleCollector::collect(TitleForm form, size_t from, const std::string& prefix) const {
  CollectedTitle result;
  std::string& title = result.text;
  title = prefix;
  const bool isArgument = form == TitleForm::ChapterArgument;
  size_t p = from;
  while (p < scan_.length) {
    const uint8_t c = scan_.text[p];
    bool added = false;
    if (isArgument && c == '"') {
      result.closing = p;
      p += 1;
      break;
    }
    if (c == '\\') {
      const uint8_t tag = scan_.byteAt(p + 1);
      if (tag == 'U') {
        title.push_back(char(unicodeLetter(form, p)));
        added = true;
        p += kUnicodeTagLength;
      } else if (tag == 'a') {
        if (p + kDecimalTagLength > scan_.length) {
          // An escape cut off by the end of the text stands for nothing.
          p = scan_.length;
          break;
        }
        uint8_t value = titlechars::decimalEscapeValue(scan_.text + p + 2);
        // A zero byte would end the title early in the book's zero-terminated
        // record, so it is left out; so is the bullet in index terms.
        if (value != 0 && !(form == TitleForm::IndexTerm && value == kBullet)) {
          title.push_back(char(value));
          added = true;
        }
        p += kDecimalTagLength;
      } else if (isArgument) {
        scan_.raiseFailure();
        reportError("Tags are not allowed inside \\C definitions!");
        p += 2;
      } else if (closesScope(form, tag)) {
        result.closing = p;
        break;
      } else if ((tag == 'Q' || tag == 'T' || tag == 'm' || tag == 'q' || tag == 'w') && scan_.hasAt(p + 2, "=\"")) {
        // Only a tag that carries an argument skips one: the closing \q of a
        // link has none, and skipping to the next two quotes from it would
        // swallow the rest of the title and the text after it.
        p = skipQuotedArgument(p + 2);
      } else {
        p += 2;
      }
    } else if (c == '\n' || c == '\r') {
      if (!title.empty() && title.back() != ' ') {
        title.push_back(' ');
        added = true;
      }
      p += 1;
    } else {
      title.push_back(char(c));
      added = true;
      p += 1;
    }
    if (added && title.size() > kLongestTitle) {
      title.resize(kLongestTitle);
      result.cut = true;
      break;
    }
  }
  result.stop = p < scan_.length ? p : scan_.length;
  return result;
}

}  // namespace scrivora
