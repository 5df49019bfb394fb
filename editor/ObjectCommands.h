#pragma once
// What the Book menu, the object dialogs, the context menu and the Edit
// Objects list do to a document's text, without any window: inserting and
// editing book objects (each edit one undo step, made with the view frozen),
// finding the link or the heading around a position, removing links and
// headings, following a link to its anchor, and the context menu's entries
// as data.

#include <cstdint>
#include <string>
#include <vector>

#include "BookObject.h"

namespace scrivora {

class TextDocumentModel;

// One edit of the author's: redrawing held and every change inside it one
// undo step.
class ObjectEdit {
 public:
  explicit ObjectEdit(RichTextView& view);
  ~ObjectEdit();
  ObjectEdit(const ObjectEdit&) = delete;
  ObjectEdit& operator=(const ObjectEdit&) = delete;

 private:
  RichTextView& view_;
  bool redraw_;
};

// Every object of the text in text order, found in one pass over it.
std::vector<BookObject> allBookObjects(const TextDocumentModel& text);
// The objects of one kind (every kind for 0), in text order.
std::vector<BookObject> bookObjectsOfKind(const TextDocumentModel& text, FourCC kind);

// One line of the object list: the object's position and description.
// Objects without a description (a chapter marker whose heading text lost
// its colour) are left out.
struct ObjectListLine {
  int position;
  std::string description;
};
std::vector<ObjectListLine> listObjects(const TextDocumentModel& text, FourCC kind);

// A link or a heading: its object (link object or chapter marker) and the
// whole marked stretch [start, end), the object included.
struct MarkedStretch {
  int object = -1;
  int start = -1, end = -1;
  int level = 0;  // headings
  bool found() const { return object >= 0; }
};
// The character at the position must carry the marker colour; walking back
// through that colour, the nearest link object (chapter marker) is the start,
// and the stretch runs to where the colour ends or the next link (heading)
// begins.
MarkedStretch findLinkAt(const TextDocumentModel& text, int position);
MarkedStretch findHeadingAt(const TextDocumentModel& text, int position);
// Around the caret: the character behind it, or else the one before it, so
// a caret just after the last letter of a link is still in the link.
MarkedStretch linkAtCaret(const TextDocumentModel& text);
MarkedStretch headingAtCaret(const TextDocumentModel& text);

// An index term, a footnote or a sidebar reference around a position or the
// caret, found as links are: the stretch of its colour behind its opening
// object. Tags kept as written inside it belong to it.
MarkedStretch findMarkingAt(const TextDocumentModel& text, int position, Marking marking);
MarkedStretch markingAtCaret(const TextDocumentModel& text, Marking marking);
// The stretch loses its colour and its opening object; kept tags inside it
// stay kept. False when there is none at the caret.
bool removeMarkingAtCaret(TextDocumentModel& text, Marking marking);

// Link targets name an anchor with a leading '#'.
std::string anchorNameOfTarget(const std::string& target);
// Position of the first anchor with exactly this name (letter case counts),
// or -1.
int findAnchorNamed(const TextDocumentModel& text, const std::string& name);

// An anchor name is written between double quotes in TML, which has no
// escapes: a quote would end the name early and a backslash would be read
// as a tag by the reader. Both become underscores.
std::string cleanAnchorName(const std::string& name);
// The name Create Anchor proposes: the first 40 characters of the
// selection, with page breaks, line ends, spaces, other control characters,
// characters from 127 up (and quotes and backslashes) made underscores.
std::string anchorNameFromSelection(const RichTextView& view);
// A percent field: a decimal integer (optional sign) clamped to 0..100;
// anything that is not a number reads as 0.
int percentFromField(const std::string& field);

// Book menu insertions at the caret; what is selected is replaced, as by
// typing. Each is one undo step.
void insertPageBreakAtCaret(RichTextView& view);
void insertBookPlateAtCaret(RichTextView& view);
void insertCharacterAtCaret(RichTextView& view, uint8_t byte);
void insertCommentAtCaret(RichTextView& view, const std::string& text);
void insertRuleAtCaret(RichTextView& view, int percent);
void insertTabAtCaret(RichTextView& view, int percent);
void insertImageAtCaret(RichTextView& view, const std::string& path);
// An anchor at the selection's start; the selected text stays.
void createAnchor(RichTextView& view, const std::string& name);
// A link to the anchor over [start, end); the new link becomes the selection.
void createLink(RichTextView& view, const std::string& anchorName, int start, int end);
// A chapter (level 0) or heading over the selection.
void createHeading(RichTextView& view, int level);

// Edits of the object at a position; each replaces it by a new one in the
// same place and style, as one undo step, and keeps the selection.
void replaceAnchor(TextDocumentModel& text, int position, const std::string& name);
void replaceComment(TextDocumentModel& text, int position, const std::string& comment);
void replaceRule(TextDocumentModel& text, int position, int percent);
void replaceTab(TextDocumentModel& text, int position, int percent);
void replaceImage(TextDocumentModel& text, int position, const std::string& path);
// The link whose object stands at the position now leads to the anchor.
void replaceLinkTarget(TextDocumentModel& text, int position, const std::string& anchorName);
// The heading keeps its title and takes the level, its text recoloured to
// the level's colour so that it is saved and listed at that level.
void changeHeadingLevel(TextDocumentModel& text, int position, int level);

// The link or heading around the caret loses its marking (colour, and for
// links the underline) and its object; false when there is none.
bool removeLinkAtCaret(TextDocumentModel& text);
bool removeHeadingAtCaret(TextDocumentModel& text);
// Selects the anchor the link around the caret leads to; false when there
// is no such link or anchor.
bool goToAnchorFromCaret(TextDocumentModel& text);

// The context menu, built from the text and what the window can do.
enum class ContextAction {
  Cut,
  Copy,
  Paste,
  Clear,
  InsertCharacter,
  GoToAnchor,
  RemoveLink,
  RemoveChapter,
  RemoveHeading,
  RemoveIndexTerm,
  GoToNote,
  EditObject,  // the entry's object
};

struct ContextEntry {
  ContextAction action;
  std::string label;
  bool enabled = true;
  bool separatorBefore = false;
  int object = -1;  // EditObject: the object's position
};

struct ContextAvailability {
  bool cut = false, copy = false, paste = false, clear = false, insertCharacter = true;
};

// A right-click at a character position: when it lies outside the
// selection the caret moves there, behind an object that stands exactly
// there.
void placeCaretForContextMenu(TextDocumentModel& text, int position);
std::vector<ContextEntry> contextMenuEntries(const TextDocumentModel& text, const ContextAvailability& available);
// The edit entry's text for an object's kind.
std::string editEntryLabel(FourCC kind);

}  // namespace scrivora
