#include "TextPassContext.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "BuildLog.h"

namespace scrivora {

namespace {

std::string formatMessage(const char* format, va_list args) {
  char buffer[1024];
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (needed < 0) return std::string();
  if (size_t(needed) < sizeof buffer) return std::string(buffer, size_t(needed));
  std::string result(size_t(needed) + 1, '\0');
  std::vsnprintf(&result[0], result.size(), format, args);
  result.resize(size_t(needed));
  return result;
}

}  // namespace

RecordLocation locateTextPosition(const U32Table& textRecordEnds, uint32_t position) {
  RecordLocation location;
  location.record = 1;
  location.offset = position;
  if (textRecordEnds.empty() || position == 0) return location;
  // Entry k-1 is the start of record k; records exist for k = 1 .. size-1.
  size_t records = textRecordEnds.size() > 1 ? textRecordEnds.size() - 1 : 1;
  size_t low = 1, high = records;  // find the last k with start(k) < position
  size_t best = 1;
  while (low <= high) {
    size_t mid = low + (high - low) / 2;
    if (textRecordEnds[mid - 1] < position) {
      best = mid;
      low = mid + 1;
    } else {
      if (mid == 0) break;
      high = mid - 1;
    }
  }
  location.record = uint32_t(best);
  location.offset = position - textRecordEnds[best - 1];
  return location;
}

TextPassContext::TextPassContext(const uint8_t* text, size_t length, const U32Table& textRecordEnds)
    : text_(text), length_(length), textRecordEnds_(textRecordEnds) {}

std::string TextPassContext::excerpt(long long from, size_t count) const {
  if (count > kMaxExcerpt) count = kMaxExcerpt;
  long long end = from + (long long)count;
  if (from < 0) from = 0;
  if (end > (long long)length_) end = (long long)length_;
  if (end <= from) return std::string();
  return std::string(reinterpret_cast<const char*>(text_) + from, size_t(end - from));
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

void TextPassContext::excerptError(const char* messageTemplate, long long from, size_t count) {
  failed_ = true;
  if (smallPass()) reportError("%s", compose(messageTemplate, from, count).c_str());
}

void TextPassContext::excerptWarning(const char* messageTemplate, long long from, size_t count) {
  reportWarning("%s", compose(messageTemplate, from, count).c_str());
}

void TextPassContext::plainError(const char* format, ...) {
  failed_ = true;
  va_list args;
  va_start(args, format);
  std::string message = formatMessage(format, args);
  va_end(args);
  reportError("%s", message.c_str());
}

void TextPassContext::smallPassErrorWithoutFailure(const char* format, ...) {
  if (!smallPass()) return;
  va_list args;
  va_start(args, format);
  std::string message = formatMessage(format, args);
  va_end(args);
  reportError("%s", message.c_str());
}

void TextPassContext::warning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = formatMessage(format, args);
  va_end(args);
  reportWarning("%s", message.c_str());
}

void TextPassContext::smallPassWarning(const char* format, ...) {
  if (!smallPass()) return;
  va_list args;
  va_start(args, format);
  std::string message = formatMessage(format, args);
  va_end(args);
  reportWarning("%s", message.c_str());
}

}  // namespace scrivora
