#include "TextPassContext.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "BuildLog.h"

namespace scrivora {

TextLocation textLocationOf(const U32Table& textRecordEnds, size_t position) {
  TextLocation location;
  location.offset = uint32_t(position);
  if (textRecordEnds.size() < 2 || position == 0) return location;
  // The record starts are every entry but the last (which ends the last record).
  auto startsBegin = textRecordEnds.begin();
  auto startsEnd = textRecordEnds.end() - 1;
  auto firstNotBelow = std::lower_bound(startsBegin, startsEnd, uint32_t(position));
  size_t startsBelow = size_t(firstNotBelow - startsBegin);
  if (startsBelow == 0) return location;
  location.record = uint32_t(startsBelow);
  location.offset = uint32_t(position - textRecordEnds[startsBelow - 1]);
  return location;
}

TextPassContext::TextPassContext(const uint8_t* text, size_t length, const U32Table& textRecordEnds,
                                 const SourceMap* sourceMap)
    : text_(text), length_(length), textRecordEnds_(textRecordEnds), sourceMap_(sourceMap) {}

std::string TextPassContext::excerpt(long long from, size_t count) const {
  if (count > kMaxExcerpt) count = kMaxExcerpt;
  long long end = from + (long long)count;
  if (from < 0) from = 0;
  if (end > (long long)length_) end = (long long)length_;
  if (end <= from) return std::string();
  return std::string(reinterpret_cast<const char*>(text_) + from, size_t(end - from));
}

bool TextPassContext::hasAt(size_t position, const char* bytes) const {
  size_t count = std::strlen(bytes);
  if (position > length_ || length_ - position < count) return false;
  return std::memcmp(text_ + position, bytes, count) == 0;
}

size_t TextPassContext::find(uint8_t byte, size_t from) const {
  if (from >= length_) return length_;
  const void* hit = std::memchr(text_ + from, byte, length_ - from);
  return hit ? size_t(static_cast<const uint8_t*>(hit) - text_) : length_;
}

std::string TextPassContext::slice(size_t begin, size_t end) const {
  if (end > length_) end = length_;
  if (begin >= end) return std::string();
  return std::string(reinterpret_cast<const char*>(text_) + begin, end - begin);
}

std::string TextPassContext::compose(const char* messageTemplate, long long from, size_t count) const {
  std::string message(messageTemplate);
  size_t slot = message.find("%s");
  if (slot != std::string::npos) message.replace(slot, 2, excerpt(from, count));
  return message;
}

void TextPassContext::excerptError(size_t at, const char* messageTemplate, long long from, size_t count) {
  failed_ = true;
  if (smallPass()) reportErrorAt(placeOf(at), "%s", compose(messageTemplate, from, count).c_str());
}

void TextPassContext::excerptWarning(size_t at, const char* messageTemplate, long long from, size_t count) {
  reportWarningAt(placeOf(at), "%s", compose(messageTemplate, from, count).c_str());
}

void TextPassContext::plainError(size_t at, const char* format, ...) {
  failed_ = true;
  va_list args;
  va_start(args, format);
  const std::string text = formatMessage(format, args);
  va_end(args);
  reportErrorAt(placeOf(at), "%s", text.c_str());
}

void TextPassContext::smallPassErrorWithoutFailure(size_t at, const char* format, ...) {
  if (!smallPass()) return;
  va_list args;
  va_start(args, format);
  const std::string text = formatMessage(format, args);
  va_end(args);
  reportErrorAt(placeOf(at), "%s", text.c_str());
}

void TextPassContext::warning(size_t at, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatMessage(format, args);
  va_end(args);
  reportWarningAt(placeOf(at), "%s", text.c_str());
}

void TextPassContext::smallPassWarning(size_t at, const char* format, ...) {
  if (!smallPass()) return;
  va_list args;
  va_start(args, format);
  const std::string text = formatMessage(format, args);
  va_end(args);
  reportWarningAt(placeOf(at), "%s", text.c_str());
}

void TextPassContext::bookError(const char* format, ...) {
  failed_ = true;
  va_list args;
  va_start(args, format);
  const std::string text = formatMessage(format, args);
  va_end(args);
  reportError("%s", text.c_str());
}

}  // namespace scrivora
