#include "NoteCommands.h"

#include <algorithm>
#include <cctype>

#include "BookObject.h"
#include "ObjectCommands.h"
#include "TextDocumentModel.h"

namespace scrivora {

namespace {

const char* openingOf(Marking marking) { return marking == Marking::Sidebar ? "<sidebar id=\"" : "<footnote id=\""; }
const char* endTagOf(Marking marking) { return marking == Marking::Sidebar ? "</sidebar>" : "</footnote>"; }

std::u32string wideOf(const std::string& bytes) {
  std::u32string text;
  for (char c : bytes) text.push_back(unicodeFromCodePage(uint8_t(c)));
  return text;
}

char32_t lowered(char32_t c) { return c < 128 ? char32_t(std::tolower(int(c))) : c; }

// Whether the text at a position spells `what` in the notes grey, letters
// compared without regard to case.
bool noteMarkerAt(const TextDocumentModel& text, const std::u32string& all, size_t at, const std::u32string& what) {
  if (at + what.size() > all.size()) return false;
  for (size_t i = 0; i < what.size(); ++i)
    if (lowered(all[at + i]) != lowered(what[i])) return false;
  return text.styleAt(int(at)).colour == kNoteMarkerColour;
}

// The openings of the notes of one kind: position of the opening and its id.
struct NoteOpening {
  int position, bodyStart;
  std::string id;
};
std::vector<NoteOpening> noteOpenings(const TextDocumentModel& text, Marking marking) {
  std::vector<NoteOpening> notes;
  const std::u32string all = text.textOf(0, text.length());
  const std::u32string opening = wideOf(openingOf(marking));
  for (size_t at = all.find(opening); at != std::u32string::npos; at = all.find(opening, at + 1)) {
    if (!noteMarkerAt(text, all, at, opening)) continue;
    const size_t close = all.find(U"\">", at + opening.size());
    if (close == std::u32string::npos) continue;
    std::string id;
    for (size_t i = at + opening.size(); i < close; ++i) id.push_back(char(codePageFromUnicode(char16_t(all[i]))));
    size_t body = close + 2;
    while (body < all.size() && (all[body] == kParagraphEndChar || all[body] == '\n')) ++body;
    notes.push_back({int(at), int(body), id});
  }
  return notes;
}

bool sameId(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool holdsLineEndOrObject(const TextDocumentModel& text, int start, int end) {
  for (EditorChar c : text.textOf(start, end))
    if (c == kParagraphEndChar || c == '\n' || c == kObjectChar) return true;
  return false;
}

void insertKeptMarker(TextDocumentModel& text, const std::string& marker) {
  CharStyle style = text.caretStyle();
  style.colour = kNoteMarkerColour;
  style.italic = style.underline = style.overstrike = style.bold = false;
  style.offset = 0;
  text.applyStyleAtCaret(style);
  text.insertText(QString::fromLatin1(marker.c_str()));
}

}  // namespace

bool markIndexTerm(TextDocumentModel& text) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start == end) return false;
  ObjectEdit edit(text);
  markStretch(text, Marking::IndexTerm, std::string(), start, end);
  return true;
}

std::string cleanNoteId(const std::string& id) {
  std::string clean;
  for (char c : id) clean.push_back(c == '"' || c == '\\' || uint8_t(c) < 32 ? '_' : c);
  return clean;
}

bool createReference(TextDocumentModel& text, Marking marking, const std::string& id) {
  const std::string clean = cleanNoteId(id);
  if (clean.empty() || (marking != Marking::Footnote && marking != Marking::Sidebar)) return false;
  int start = text.selectionStart(), end = text.selectionEnd();
  // The text of a reference holds no tag and no line end.
  if (holdsLineEndOrObject(text, start, end)) return false;
  ObjectEdit edit(text);
  if (start == end) {
    text.insertText(QStringLiteral("*"));
    end = start + 1;
  }
  CharStyle plain = text.styleAt(start);
  plain.italic = plain.underline = plain.overstrike = plain.bold = false;
  plain.offset = 0;
  text.applyStyle(start, end, plain);
  markStretch(text, marking, clean, start, end);
  return true;
}

void replaceReferenceId(TextDocumentModel& text, int position, const std::string& id) {
  BookObjectData data;
  const std::string clean = cleanNoteId(id);
  if (clean.empty() || !text.objectAt(position, data) || markingOfOpeningKind(data.kind) == Marking::None ||
      data.kind == kind::link || data.kind == kind::indexTerm)
    return;
  ObjectEdit edit(text);
  data.text = clean;
  text.setObjectData(position, data);
}

std::vector<std::string> noteIds(const TextDocumentModel& text, Marking marking) {
  std::vector<std::string> ids;
  for (const NoteOpening& note : noteOpenings(text, marking)) ids.push_back(note.id);
  return ids;
}

int findNoteBody(const TextDocumentModel& text, Marking marking, const std::string& id) {
  for (const NoteOpening& note : noteOpenings(text, marking))
    if (sameId(note.id, id)) return note.bodyStart;
  return -1;
}

int notesStart(const TextDocumentModel& text) {
  int start = -1;
  for (Marking marking : {Marking::Footnote, Marking::Sidebar}) {
    const std::vector<NoteOpening> notes = noteOpenings(text, marking);
    if (!notes.empty() && (start < 0 || notes.front().position < start)) start = notes.front().position;
  }
  return start;
}

void appendNote(TextDocumentModel& text, Marking marking, const std::string& id) {
  const std::string clean = cleanNoteId(id);
  if (clean.empty()) return;
  ObjectEdit edit(text);
  text.setCaret(text.length());
  const bool atLineStart = text.length() == 0 || text.characterAt(text.length() - 1) == kParagraphEndChar;
  // Notes follow the main text after an empty line.
  const bool firstNote = noteOpenings(text, Marking::Footnote).empty() && noteOpenings(text, Marking::Sidebar).empty();
  CharStyle plain = text.caretStyle();
  plain.colour = kPlainColour;
  plain.italic = plain.underline = plain.overstrike = plain.bold = false;
  plain.offset = 0;
  text.applyStyleAtCaret(plain);
  text.insertText(QString(atLineStart ? "" : "\r") + (firstNote ? "\r" : ""));
  insertKeptMarker(text, openingOf(marking) + clean + "\">");
  text.applyStyleAtCaret(plain);
  text.insertText(QStringLiteral("\r"));
  const int body = text.caret();
  text.insertText(QStringLiteral("\r"));
  insertKeptMarker(text, endTagOf(marking));
  text.applyStyleAtCaret(plain);
  text.setCaret(body);
}

bool goToNote(TextDocumentModel& text) {
  for (Marking marking : {Marking::Footnote, Marking::Sidebar}) {
    const MarkedStretch reference = markingAtCaret(text, marking);
    if (!reference.found()) continue;
    const int body = findNoteBody(text, marking, bookObjectAt(text, reference.object).text());
    if (body < 0) return false;
    text.setCaret(body);
    return true;
  }
  // Inside a body: back to the first reference that names it.
  const int caret = text.caret();
  for (Marking marking : {Marking::Footnote, Marking::Sidebar}) {
    const std::vector<NoteOpening> notes = noteOpenings(text, marking);
    for (const NoteOpening& note : notes) {
      const std::u32string all = text.textOf(note.bodyStart, text.length());
      const size_t end = all.find(wideOf(endTagOf(marking)));
      const int bodyEnd = end == std::u32string::npos ? text.length() : note.bodyStart + int(end);
      if (caret < note.bodyStart || caret > bodyEnd) continue;
      for (const BookObject& object : bookObjectsOfKind(text, openingKindOf(marking))) {
        if (!sameId(object.text(), note.id)) continue;
        text.setCaret(object.position + 1);
        return true;
      }
      return false;
    }
  }
  return false;
}

bool insertHiddenChapterAtCaret(TextDocumentModel& text, int level, const QString& title) {
  std::string written;
  if (!hiddenChapterTitleFromText(title, written)) return false;
  ObjectEdit edit(text);
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start != end) text.removeText(start, end);
  insertHiddenChapter(text, level, written, start);
  return true;
}

bool replaceHiddenChapter(TextDocumentModel& text, int position, int level, const QString& title) {
  std::string written;
  BookObjectData data;
  if (!hiddenChapterTitleFromText(title, written)) return false;
  if (!text.objectAt(position, data) || data.kind != kind::hiddenChapter) return false;
  ObjectEdit edit(text);
  data.level = uint16_t(std::clamp(level, 0, 4));
  data.text = written;
  text.setObjectData(position, data);
  return true;
}

void insertSoftHyphenAtCaret(RichTextView& view) {
  ObjectEdit edit(view);
  const int start = view.selectionStart(), end = view.selectionEnd();
  if (start != end) view.removeText(start, end);
  insertSoftHyphen(view, start);
}

}  // namespace scrivora
