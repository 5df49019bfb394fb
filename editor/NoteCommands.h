#pragma once
// The commands for index terms, footnote and sidebar references, hidden
// chapter entries and soft hyphens, without any window. Each edit is one
// undo step.
//
// Footnote and sidebar bodies stand at the end of the text, each between
// its opening `<footnote id="...">` (or `<sidebar id="...">`) and its end
// tag, both kept as written in the notes grey; the body is ordinary text.

#include <string>
#include <vector>

#include <QString>

#include "EditorText.h"

namespace scrivora {

class RichTextView;
class TextDocumentModel;

// Marks the selection as an index term; false when nothing is selected.
bool markIndexTerm(TextDocumentModel& text);

// A reference to the note with the id over the selection; with nothing
// selected, a "*" is inserted at the caret as the text the reader taps.
// The id is cleaned (cleanNoteId); false when it is empty then.
bool createReference(TextDocumentModel& text, Marking marking, const std::string& id);
// The reference whose object stands at the position now names the id.
void replaceReferenceId(TextDocumentModel& text, int position, const std::string& id);
// A note id is written between double quotes and has no escapes: quotes,
// backslashes and control characters become underscores.
std::string cleanNoteId(const std::string& id);

// The ids of the footnote (sidebar) bodies at the end of the text, in text
// order.
std::vector<std::string> noteIds(const TextDocumentModel& text, Marking marking);
// Where the body of the note begins (after its opening and line end), or -1;
// ids compare without regard to letter case, as the book looks them up.
int findNoteBody(const TextDocumentModel& text, Marking marking, const std::string& id);
// Where the notes begin: the first footnote or sidebar opening, or -1.
int notesStart(const TextDocumentModel& text);
// A new, empty note at the end of the text; the caret goes into its body.
void appendNote(TextDocumentModel& text, Marking marking, const std::string& id);
// From a reference at the caret to its note's body; from inside a note body
// back to the first reference to it. False when neither applies.
bool goToNote(TextDocumentModel& text);

// Hidden chapter entries: the title as typed (Unicode text); false when the
// title cannot be written (a quote or a backslash).
bool insertHiddenChapterAtCaret(TextDocumentModel& text, int level, const QString& title);
bool replaceHiddenChapter(TextDocumentModel& text, int position, int level, const QString& title);

void insertSoftHyphenAtCaret(RichTextView& view);

}  // namespace scrivora
