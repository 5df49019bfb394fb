#pragma once
// HTML's named character references. libxml2 knows only the names of HTML 4
// (and its XML parser none at all), so named references are rewritten as
// numeric ones before either parser sees a document.

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

// The text with every named reference but the five of XML written as a
// numeric one (&eacute; becomes &#233;), an unknown name and a bare "&" kept
// as text (&amp;), so that an XML parser reads the document as a browser
// would instead of failing on the first name it does not know.
std::string withNumericReferences(std::string_view text);

}  // namespace scrivora::modern
