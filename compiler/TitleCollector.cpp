#include "TitleCollector.h"

#include "CharacterMapping.h"
#include "TmlTags.h"

namespace scrivora {

bool TitleCollector::closesScope(TitleForm form, uint8_t tagLetter) const {
  switch (form) {
    case TitleForm::ChapterScope: return tagLetter == tml::kChapterPageTitle;
    case TitleForm::LevelChapterScope: return tagLetter == tml::kChapterTitle;
    case TitleForm::IndexTerm: return tagLetter == tml::kIndexTerm;
    case TitleForm::ChapterArgument: return false;
  }
  return false;
}

size_t TitleCollector::skipQuotedArgument(size_t afterTag) const {
  const size_t length = context_.length();
  size_t first = context_.find(tml::kQuote, afterTag);
  if (first >= length) return length;
  size_t second = context_.find(tml::kQuote, first + 1);
  return second >= length ? length : second + 1;
}

CollectedTitle TitleCollector::collect(TitleForm form, size_t from, size_t argumentEnd,
                                       const std::string& prefix) const {
  CollectedTitle result;
  std::string& title = result.text;
  title = prefix;
  const bool isArgument = form == TitleForm::ChapterArgument;
  const size_t length = context_.length();
  const size_t end = isArgument && argumentEnd < length ? argumentEnd : length;
  size_t p = from;
  while (p < end) {
    const uint8_t c = context_.byteAt(p);
    bool added = false;
    if (c == tml::kEscape) {
      const char tag = char(context_.byteAt(p + 1));
      if (tag == tml::kUnicodeCharacter) {
        title.push_back(char(unicodeInTitle(context_, p)));
        added = true;
        p += tml::kUnicodeEscapeLength;
      } else if (tag == tml::kDecimalCharacter) {
        if (p + tml::kDecimalEscapeLength > length) {
          // An escape cut off by the end of the text stands for nothing.
          p = length;
          break;
        }
        uint8_t value = decimalEscapeValue(context_.text(), length, p + 2);
        // A zero byte would end the title early in the book's zero-terminated
        // record, so it is left out; so is the bullet in index terms.
        if (value != 0 && !(form == TitleForm::IndexTerm && value == tml::kBulletCode)) {
          title.push_back(char(value));
          added = true;
        }
        p += tml::kDecimalEscapeLength;
      } else if (isArgument) {
        context_.plainError(p, "Tags are not allowed inside \\C definitions!");
        p += tml::kPlainTagLength;
      } else if (closesScope(form, uint8_t(tag))) {
        result.closing = p;
        break;
      } else if (tml::hasSkippedArgumentInTitles(tag) && (tag != tml::kLink || context_.hasAt(p + 2, "=\""))) {
        // The closing \q of a link carries no argument: skipping to the next
        // two quotes from it would swallow the rest of the title and the text
        // after it. The other tags always take their argument with them.
        p = skipQuotedArgument(p + 2);
      } else {
        p += tml::kPlainTagLength;
      }
    } else if (tml::isLineEnd(c)) {
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
      return result;
    }
  }
  if (isArgument && p == end && end < length) result.closing = end;
  return result;
}

}  // namespace scrivora
