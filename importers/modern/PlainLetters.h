#pragma once
// The nearest plain letters for characters a book cannot hold as they are:
// Latin letters without their accents, Cyrillic and Greek written in Latin
// letters, ligatures spelt out, typographic marks as their plain forms.

namespace scrivora::modern {

// The ASCII text that stands for a character from U+0080 up, or null when
// there is none (the caller then writes "?"); an empty text for a mark that
// is best left out. Never holds a double quote or a backslash, so that it can
// stand in a tag's argument.
const char* plainLettersFor(char32_t c);

// Characters that show nothing (zero-width spaces and joiners, the byte-order
// mark, variation selectors): dropping them loses nothing.
bool isInvisibleCharacter(char32_t c);

}  // namespace scrivora::modern
