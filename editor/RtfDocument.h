#pragma once
// Opening an RTF file in the editor. The RTF reader gives neutral paragraphs
// of formatted runs; they are put into the view in the editor's own terms:
// line breaks become paragraph ends, every paragraph is left-aligned without
// indents, the text is black, and every run takes the editor font that
// matches it (the four reader faces keep theirs, bold text becomes the Bold
// font, raised and lowered text the Script font, anything else the
// document's normal font), keeping italic, underline and overstrike.
// Characters outside Windows-1252 stay as they are; saving writes them as
// \UXXXX, so no text is lost.

#include <string>

#include "RichTextView.h"
#include "RtfReader.h"

namespace scrivora {

// Reads the RTF file and inserts it at the view's caret. False, with the view
// untouched and a message for the user in `error`, when the file cannot be
// read, is not RTF, or is damaged before any text. A file damaged further on
// loads as far as it could be read, and what was wrong with it goes to the
// build log as a warning.
bool loadRtf(const std::string& path, RichTextView* view, std::string* error = nullptr);

// Inserts read content at the view's caret as described above.
void insertRtfContent(const RtfContent& content, RichTextView& view);

// The editor style of a run of the given format.
CharStyle editorStyleOf(const RtfCharFormat& format, const std::string& normalFace, int zoom);

}  // namespace scrivora
