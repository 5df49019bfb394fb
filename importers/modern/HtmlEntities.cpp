#include "HtmlEntities.h"

#include <algorithm>
#include <cstring>

namespace scrivora::modern {

namespace {

// The longest name in the table is 32 characters with its ";".
constexpr size_t kLongestName = 32;

bool isNameCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool isXmlName(std::string_view name) {
  return name == "amp;" || name == "lt;" || name == "gt;" || name == "quot;" || name == "apos;";
}

void appendNumeric(char32_t c, std::string& out) {
  out += "&#";
  out += std::to_string(uint32_t(c));
  out += ';';
}

}  // namespace

const NamedCharacterReference* findNamedReference(std::string_view name) {
  const NamedCharacterReference* begin = kNamedCharacterReferences;
  const NamedCharacterReference* end = begin + kNamedCharacterReferenceCount;
  const NamedCharacterReference* found = std::lower_bound(
      begin, end, name,
      [](const NamedCharacterReference& entry, std::string_view key) { return key.compare(entry.name) > 0; });
  return found != end && name == found->name ? found : nullptr;
}

std::string resolveNamedReferences(std::string_view text) {
  std::string out;
  size_t copied = 0;
  for (size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
    size_t end = at + 1;
    if (end < text.size() && text[end] == '#') continue;  // numeric: both parsers read it
    while (end < text.size() && end - at <= kLongestName && isNameCharacter(text[end])) ++end;
    const bool semicolon = end < text.size() && text[end] == ';';
    if (semicolon) ++end;
    const std::string_view name = text.substr(at + 1, end - at - 1);
    if (semicolon && isXmlName(name)) continue;
    // In a link such as "?a=1&copy=2" an old name without ";" is no reference.
    if (!semicolon && end < text.size() && text[end] == '=') continue;
    if (out.empty()) out.reserve(text.size() + text.size() / 16);
    out.append(text, copied, at - copied);
    copied = at;
    const NamedCharacterReference* reference = name.empty() ? nullptr : findNamedReference(name);
    if (reference == nullptr) {
      out += "&amp;";  // a bare "&", or a name HTML does not have: kept as text
      copied = at + 1;
      continue;
    }
    appendNumeric(reference->first, out);
    if (reference->second) appendNumeric(reference->second, out);
    copied = end;
    at = end - 1;
  }
  if (copied == 0) return std::string(text);
  out.append(text, copied, std::string_view::npos);
  return out;
}

}  // namespace scrivora::modern
