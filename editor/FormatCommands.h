#pragma once
// The Font, Style and Paragraph commands on a document's text: whether each
// is checked for the selection (checked, partly for a mixed selection, or
// not), and what each does. "Selection" is the selected range, or the
// caret's insertion format when nothing is selected; paragraph commands act
// on every paragraph the selection touches.

#include "EditorText.h"

namespace scrivora {

class TextDocumentModel;

// Check states, as the menus show them.
enum class Marked { No = 0, Yes = 1, Partly = 2 };

// The bold style is the weight on top of whichever font is current; the
// bold font is a face of its own. A book uses one or the other, never both.
enum class CharEffect { Italic, Underline, Overstrike, Superscript, Subscript, BoldStyle };
constexpr int kCharEffects = 6;

Marked fontMarked(const TextDocumentModel& text, FontKind font);
// Plain: no italic, no overstrike, no underline outside link text.
Marked plainMarked(const TextDocumentModel& text);
// Underline does not count on link text, which is always underlined.
Marked effectMarked(const TextDocumentModel& text, CharEffect effect);
Marked alignmentMarked(const TextDocumentModel& text, FourCC alignment);
Marked indentMarked(const TextDocumentModel& text, IndentMode mode);

// Every character check of the selection at once, found in one pass over
// it: what a toolbar or a menu asks for all its buttons together.
struct CharacterMarks {
  Marked font[5] = {};               // by FontKind
  Marked effect[kCharEffects] = {};  // by CharEffect
  Marked plain = Marked::No;
};
CharacterMarks characterMarks(const TextDocumentModel& text);

// Whether any text of the document is in the bold font, or in the bold
// style: the book refuses a file with both.
bool usesBoldFont(const TextDocumentModel& text);
bool usesBoldStyle(const TextDocumentModel& text);
// What the author is told when a command would mix the two.
extern const char* const kBoldClashMessage;
// Whether choosing the font (or switching the effect on) would mix the bold
// font and the bold style in the document.
bool fontWouldClash(const TextDocumentModel& text, FontKind font);
bool effectWouldClash(const TextDocumentModel& text, CharEffect effect);

// Face and size of the font for the document's normal face and zoom.
void setFont(TextDocumentModel& text, FontKind font);
void makePlain(TextDocumentModel& text);
// Set when not fully marked, cleared when marked. Superscript and subscript
// switch to the script font and back to the normal font.
void toggleEffect(TextDocumentModel& text, CharEffect effect);
// Left keeps the indents; centre and right remove them.
void setAlignment(TextDocumentModel& text, FourCC alignment);
// Every indent but None also aligns left.
void setIndentMode(TextDocumentModel& text, IndentMode mode);

}  // namespace scrivora
