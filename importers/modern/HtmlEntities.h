#pragma once
// HTML's named character references. libxml2 knows only the names of HTML 4
// (and its XML parser none at all), so named references are replaced by
// their characters before either parser sees a document.

#include <cstddef>
#include <string>
#include <string_view>

namespace scrivora::modern {

struct NamedCharacterReference {
  const char* name;  // with its ";" where one is required
  char32_t first;
  char32_t second;  // 0 when the name stands for one character
};

extern const NamedCharacterReference kNamedCharacterReferences[];
extern const size_t kNamedCharacterReferenceCount;

// The reference for a name as written after "&" (with its ";" when it had
// one), or null.
const NamedCharacterReference* findNamedReference(std::string_view name);

// The text (UTF-8) with every named reference but the five of XML replaced
// by its characters (&eacute; becomes the letter; an ASCII one such as &Tab;
// becomes the numeric &#9;, which markup and attributes keep as it is), and
// an unknown name or a bare "&" kept as text (&amp;), so that an XML parser
// reads the document as a browser would instead of failing on the first name
// it does not know.
std::string resolveNamedReferences(std::string_view text);

}  // namespace scrivora::modern
