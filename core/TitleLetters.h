#pragma once
// The reader shows no Unicode in chapter titles and index terms: there the
// compiler replaces a \UXXXX by a plain letter from this one table, and a
// character without one fails the build. Importers ask the same table which
// characters may go into a title as \UXXXX.

#include <cstdint>

namespace scrivora {

// The plain letter that stands for the character in titles and index terms,
// or -1 when the table has none.
int titleLetterForUnicode(uint32_t codePoint);

}  // namespace scrivora
