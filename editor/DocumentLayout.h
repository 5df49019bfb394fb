#pragma once
// Re-laying out a whole document after a change of its zoom factor or of its
// normal font. Sizes live in the text's formats (lengths times the zoom), so
// every paragraph's indent, every run's font size, every object's zoom and
// every tab's width is made again for the new setting.

#include <string>

namespace scrivora {

class TextDocumentModel;

// Sets the zoom factor (1 to 4) and re-lays out text and objects for it.
void relayoutForZoom(TextDocumentModel& text, int zoom);
// Gives every run in a normal face (and the caret, when it is in one) the
// normal font of the new choice ("NTolmText9" or "NTolmText12").
void changeNormalFont(TextDocumentModel& text, const std::string& normalFace);

}  // namespace scrivora
