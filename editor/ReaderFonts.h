#pragma once
// The reader's fonts are not installed on the desktop: the formats keep their
// face names exactly, and drawing maps them to fonts that are.

namespace scrivora {

// Registers the substitutes once per process; later calls do nothing.
void substituteReaderFonts();

}  // namespace scrivora
