#include "ObjectCommands.h"

#include <algorithm>
#include <cctype>

#include <QTextBlock>

#include "TextDocumentModel.h"

namespace scrivora {

ObjectEdit::ObjectEdit(RichTextView& view) : view_(view), redraw_(view.setRedrawEnabled(false)) {
  view_.beginEditGroup();
}

ObjectEdit::~ObjectEdit() {
  view_.endEditGroup();
  view_.setRedrawEnabled(redraw_);
}

std::vector<BookObject> allBookObjects(const TextDocumentModel& text) { return bookObjectsOfKind(text, 0); }

std::vector<BookObject> bookObjectsOfKind(const TextDocumentModel& text, FourCC kind) {
  std::vector<BookObject> objects;
  const QTextDocument* document = text.document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!isObjectFormat(format)) continue;
      const BookObjectData data = objectOfFormat(format);
      if (kind != 0 && data.kind != kind) continue;
      // Objects with equal records may share one fragment.
      const QString characters = fragment.text();
      for (int i = 0; i < int(characters.size()); ++i) {
        if (characters.at(i).unicode() != 0xFFFC) continue;
        BookObject object;
        object.position = fragment.position() + i;
        object.data = data;
        objects.push_back(std::move(object));
      }
    }
  }
  return objects;
}

std::vector<ObjectListLine> listObjects(const TextDocumentModel& text, FourCC kind) {
  std::vector<ObjectListLine> lines;
  // Held once for the whole list rather than once per heading title read.
  TextDocumentModel& held = const_cast<TextDocumentModel&>(text);
  const bool notifications = held.setNotificationsEnabled(false);
  // Hidden chapter entries are listed with the chapters and headings.
  const bool chapters = kind == kind::chapter;
  for (const BookObject& object : bookObjectsOfKind(text, chapters ? 0 : kind)) {
    if (chapters && object.kind() != kind::chapter && object.kind() != kind::hiddenChapter) continue;
    std::string description = describe(text, object);
    if (!description.empty()) lines.push_back({object.position, std::move(description)});
  }
  held.setNotificationsEnabled(notifications);
  return lines;
}

namespace {

constexpr int kWalkChunk = 4096;

struct Run {
  int start, end;
  Rgb colour;
};

std::vector<Run> runsOf(const TextDocumentModel& text, int start, int end) {
  std::vector<Run> runs;
  text.visitStyles(start, end, [&runs](int a, int b, const CharStyle& style) {
    runs.push_back({a, b, style.colour});
    return true;
  });
  return runs;
}

bool isObjectOfKind(const TextDocumentModel& text, int position, FourCC kind, BookObjectData* data = nullptr) {
  BookObjectData found;
  if (!text.objectAt(position, found) || found.kind != kind) return false;
  if (data != nullptr) *data = found;
  return true;
}

// Walking back from the position through text of one colour: the nearest
// object of the kind, or -1 when the colour ends first.
int markerBefore(const TextDocumentModel& text, int position, const Rgb& colour, FourCC kind, const Rgb& alsoInside) {
  for (int end = position + 1; end > 0;) {
    const int start = std::max(0, end - kWalkChunk);
    const std::u32string characters = text.textOf(start, end);
    const std::vector<Run> runs = runsOf(text, start, end);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      if (run->colour != colour && run->colour != alsoInside) return -1;
      for (int p = run->end - 1; p >= run->start; --p)
        if (characters[size_t(p - start)] == kObjectChar && isObjectOfKind(text, p, kind)) return p;
    }
    end = start;
  }
  return -1;
}

// Forward from just behind the marker: where the colour ends or the next
// marker of the kind begins. Text of the colour `alsoInside` belongs to the
// stretch too.
int stretchEnd(const TextDocumentModel& text, int marker, const Rgb& colour, FourCC kind, const Rgb& alsoInside) {
  const int length = text.length();
  for (int start = marker + 1; start < length;) {
    const int end = std::min(length, start + kWalkChunk);
    const std::u32string characters = text.textOf(start, end);
    for (const Run& run : runsOf(text, start, end)) {
      if (run.colour != colour && run.colour != alsoInside) return run.start;
      for (int p = run.start; p < run.end; ++p)
        if (characters[size_t(p - start)] == kObjectChar && isObjectOfKind(text, p, kind)) return p;
    }
    start = end;
  }
  return length;
}

MarkedStretch stretchAt(const TextDocumentModel& text, int position, const Rgb& colour, FourCC kind) {
  MarkedStretch stretch;
  const int marker = markerBefore(text, position, colour, kind, colour);
  if (marker < 0) return stretch;
  stretch.object = stretch.start = marker;
  stretch.end = stretchEnd(text, marker, colour, kind, colour);
  return stretch;
}

// The selection after an object before it went: positions behind it move
// back by one.
int afterRemoval(int position, int removed) { return position > removed ? position - 1 : position; }

void recolourPlain(TextDocumentModel& text, int start, int end, bool clearUnderline) {
  AttributeValue black;
  black.colour = kPlainColour;
  text.setAttribute(attr::colour, start, end, black);
  if (clearUnderline) text.setAttribute(attr::underline, start, end, AttributeValue());
}

// Removes the object at the position and lets `insert` put its successor
// there, in the style the old one had; the selection stays where it was.
template <typename Insert>
void replaceObject(TextDocumentModel& text, int position, FourCC kind, Insert insert) {
  if (!isObjectOfKind(text, position, kind)) return;
  const int start = text.selectionStart(), end = text.selectionEnd();
  ObjectEdit edit(text);
  const CharStyle style = text.styleAt(position);
  text.removeText(position, position + 1);
  text.setCaret(position);
  text.applyStyleAtCaret(style);
  insert();
  text.setSelection(start, end);
}

}  // namespace

MarkedStretch findLinkAt(const TextDocumentModel& text, int position) {
  if (position < 0 || position >= text.length() || text.styleAt(position).colour != kLinkColour) return {};
  return stretchAt(text, position, kLinkColour, kind::link);
}

MarkedStretch findHeadingAt(const TextDocumentModel& text, int position) {
  if (position < 0 || position >= text.length()) return {};
  const int level = headingLevelOfColour(text.styleAt(position).colour);
  if (level < 0) return {};
  MarkedStretch stretch = stretchAt(text, position, headingColour(level), kind::chapter);
  BookObjectData marker;
  if (!stretch.found() || !text.objectAt(stretch.object, marker) || marker.level != level) return {};
  stretch.level = level;
  return stretch;
}

namespace {
template <typename Find>
MarkedStretch atCaret(const TextDocumentModel& text, Find find) {
  const int caret = text.caret();
  MarkedStretch stretch = find(text, caret);
  if (!stretch.found() && caret > 0) stretch = find(text, caret - 1);
  return stretch;
}
}  // namespace

MarkedStretch linkAtCaret(const TextDocumentModel& text) { return atCaret(text, findLinkAt); }
MarkedStretch headingAtCaret(const TextDocumentModel& text) { return atCaret(text, findHeadingAt); }

std::string anchorNameOfTarget(const std::string& target) {
  return !target.empty() && target[0] == '#' ? target.substr(1) : target;
}

int findAnchorNamed(const TextDocumentModel& text, const std::string& name) {
  for (const BookObject& anchor : bookObjectsOfKind(text, kind::anchor))
    if (anchor.text() == name) return anchor.position;
  return -1;
}

std::string cleanAnchorName(const std::string& name) {
  std::string clean = name;
  for (char& c : clean)
    if (c == '"' || c == '\\') c = '_';
  return clean;
}

std::string anchorNameFromSelection(const RichTextView& view) {
  constexpr int kProposedLength = 40;
  const int start = view.selectionStart();
  const int end = std::min(view.selectionEnd(), start + kProposedLength);
  std::string name;
  for (EditorChar c : view.textOf(start, end)) {
    const bool underscore = c <= ' ' || c >= 127 || c == '"' || c == '\\';
    name.push_back(underscore ? '_' : char(c));
  }
  return name;
}

int percentFromField(const std::string& field) {
  size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
  const size_t digits = i;
  int value = 0;
  for (; i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])); ++i)
    value = std::min(value * 10 + (field[i] - '0'), 1000);  // saturates long digit strings
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  if (i == digits || i != field.size()) return 0;
  return negative ? 0 : std::min(value, 100);
}

void insertPageBreakAtCaret(RichTextView& view) {
  ObjectEdit edit(view);
  view.insertText(QStringLiteral("\f"));
}

void insertBookPlateAtCaret(RichTextView& view) {
  ObjectEdit edit(view);
  insertBookPlate(view, kAtCaret, true);
}

void insertCharacterAtCaret(RichTextView& view, uint8_t byte) {
  ObjectEdit edit(view);
  view.insertText(QString(QChar(unicodeFromCodePage(byte))));
}

void insertCommentAtCaret(RichTextView& view, const std::string& text) {
  ObjectEdit edit(view);
  insertComment(view, text);
}

void insertRuleAtCaret(RichTextView& view, int percent) {
  ObjectEdit edit(view);
  insertRule(view, std::clamp(percent, 0, 100));
}

void insertTabAtCaret(RichTextView& view, int percent) {
  ObjectEdit edit(view);
  insertTab(view, std::clamp(percent, 0, 100));
}

void insertImageAtCaret(RichTextView& view, const std::string& path) {
  ObjectEdit edit(view);
  insertImage(view, path);
}

void createAnchor(RichTextView& view, const std::string& name) {
  ObjectEdit edit(view);
  insertAnchor(view, cleanAnchorName(name), view.selectionStart());
}

void createLink(RichTextView& view, const std::string& anchorName, int start, int end) {
  if (start >= end) return;
  ObjectEdit edit(view);
  makeLink(view, "#" + anchorName, start, end);
}

void createHeading(RichTextView& view, int level) {
  if (view.selectionStart() == view.selectionEnd()) return;
  ObjectEdit edit(view);
  makeHeading(view, level);
}

void replaceAnchor(TextDocumentModel& text, int position, const std::string& name) {
  replaceObject(text, position, kind::anchor, [&] { insertAnchor(text, cleanAnchorName(name)); });
}

void replaceComment(TextDocumentModel& text, int position, const std::string& comment) {
  replaceObject(text, position, kind::comment, [&] { insertComment(text, comment); });
}

void replaceRule(TextDocumentModel& text, int position, int percent) {
  replaceObject(text, position, kind::rule, [&] { insertRule(text, std::clamp(percent, 0, 100)); });
}

void replaceTab(TextDocumentModel& text, int position, int percent) {
  replaceObject(text, position, kind::tab, [&] { insertTab(text, std::clamp(percent, 0, 100)); });
}

void replaceImage(TextDocumentModel& text, int position, const std::string& path) {
  replaceObject(text, position, kind::image, [&] { insertImage(text, path); });
}

void replaceLinkTarget(TextDocumentModel& text, int position, const std::string& anchorName) {
  if (!isObjectOfKind(text, position, kind::link)) return;
  const MarkedStretch link = findLinkAt(text, position);
  const int start = text.selectionStart(), end = text.selectionEnd();
  ObjectEdit edit(text);
  text.removeText(position, position + 1);
  // The link's text, now one nearer, keeps its colour; the new object goes
  // in front of it.
  makeLink(text, "#" + anchorName, position, std::max(position, link.end - 1));
  text.setSelection(start, end);
}

void changeHeadingLevel(TextDocumentModel& text, int position, int level) {
  BookObjectData marker;
  if (!isObjectOfKind(text, position, kind::chapter, &marker)) return;
  level = std::clamp(level, 0, 4);
  BookObject old;
  old.position = position;
  old.data = marker;
  const std::string title = headingTitle(text, old);
  const MarkedStretch heading = findHeadingAt(text, position);
  const int end = heading.found() ? heading.end : position + 1;
  replaceObject(text, position, kind::chapter, [&] {
    insertChapterMarker(text, level, title);
    AttributeValue colour;
    colour.colour = headingColour(level);
    text.setAttribute(attr::colour, position, end, colour);
  });
}

bool removeLinkAtCaret(TextDocumentModel& text) {
  const MarkedStretch link = linkAtCaret(text);
  if (!link.found()) return false;
  const int start = text.selectionStart(), end = text.selectionEnd();
  ObjectEdit edit(text);
  recolourPlain(text, link.object + 1, link.end, true);
  text.removeText(link.object, link.object + 1);
  text.setSelection(afterRemoval(start, link.object), afterRemoval(end, link.object));
  return true;
}

MarkedStretch findMarkingAt(const TextDocumentModel& text, int position, Marking marking) {
  if (marking == Marking::Link) return findLinkAt(text, position);
  if (position < 0 || position >= text.length()) return {};
  const Rgb colour = markingColour(marking), kept = keptColour(marking);
  const Rgb here = text.styleAt(position).colour;
  if (here != colour && here != kept) return {};
  const FourCC kind = openingKindOf(marking);
  MarkedStretch stretch;
  stretch.object = stretch.start = markerBefore(text, position, colour, kind, kept);
  if (stretch.object >= 0) stretch.end = stretchEnd(text, stretch.object, colour, kind, kept);
  return stretch;
}

MarkedStretch markingAtCaret(const TextDocumentModel& text, Marking marking) {
  return atCaret(text, [marking](const TextDocumentModel& t, int p) { return findMarkingAt(t, p, marking); });
}

bool removeMarkingAtCaret(TextDocumentModel& text, Marking marking) {
  if (marking == Marking::Link) return removeLinkAtCaret(text);
  const MarkedStretch stretch = markingAtCaret(text, marking);
  if (!stretch.found()) return false;
  const int start = text.selectionStart(), end = text.selectionEnd();
  ObjectEdit edit(text);
  // Kept tags stay kept: their red loses only what said they stood inside.
  for (const Run& run : runsOf(text, stretch.object + 1, stretch.end)) {
    AttributeValue colour;
    colour.colour = run.colour == keptColour(marking) ? kUnknownTagColour : kPlainColour;
    text.setAttribute(attr::colour, run.start, run.end, colour);
  }
  text.removeText(stretch.object, stretch.object + 1);
  text.setSelection(afterRemoval(start, stretch.object), afterRemoval(end, stretch.object));
  return true;
}

bool removeHeadingAtCaret(TextDocumentModel& text) {
  const MarkedStretch heading = headingAtCaret(text);
  if (!heading.found()) return false;
  const int start = text.selectionStart(), end = text.selectionEnd();
  ObjectEdit edit(text);
  recolourPlain(text, heading.object + 1, heading.end, false);
  text.removeText(heading.object, heading.object + 1);
  text.setSelection(afterRemoval(start, heading.object), afterRemoval(end, heading.object));
  return true;
}

bool goToAnchorFromCaret(TextDocumentModel& text) {
  const MarkedStretch link = linkAtCaret(text);
  if (!link.found()) return false;
  const int anchor = findAnchorNamed(text, anchorNameOfTarget(bookObjectAt(text, link.object).text()));
  if (anchor < 0) return false;
  text.setSelection(anchor, anchor + 1);
  return true;
}

void placeCaretForContextMenu(TextDocumentModel& text, int position) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  const bool inside = start == end ? position == start : position >= start && position < end;
  if (inside) return;
  const bool object = bookObjectAt(text, position).isPresent();
  text.setCaret(object ? position + 1 : position);
}

std::string editEntryLabel(FourCC kind) {
  switch (kind) {
    case kind::link: return "Edit Link...";
    case kind::anchor: return "Edit Anchor...";
    case kind::comment: return "Edit Comment...";
    case kind::image: return "Select New Image...";
    case kind::tab: return "Edit Tab...";
    case kind::rule: return "Edit Horizontal Rule...";
    case kind::footnote: return "Edit Footnote Reference...";
    case kind::sidebar: return "Edit Sidebar Reference...";
    case kind::hiddenChapter: return "Edit Hidden Chapter Entry...";
    default: return "Edit Object...";
  }
}

namespace {

// Builds the menu group by group: a group after the first is preceded by a
// separator when it adds anything.
class EntryList {
 public:
  void beginGroup() { groupStarted_ = !entries_.empty(); }
  void add(ContextAction action, std::string label, bool enabled = true, int object = -1) {
    ContextEntry entry{action, std::move(label), enabled, groupStarted_, object};
    groupStarted_ = false;
    entries_.push_back(std::move(entry));
  }
  std::vector<ContextEntry> take() { return std::move(entries_); }

 private:
  std::vector<ContextEntry> entries_;
  bool groupStarted_ = false;
};

// The comment and anchor objects in the unbroken run of objects on each
// side of the caret, in text order.
std::vector<BookObject> notesAroundCaret(const TextDocumentModel& text) {
  const int caret = text.caret();
  int first = caret;
  while (first > 0 && text.characterAt(first - 1) == kObjectChar) --first;
  int last = caret;
  while (last < text.length() && text.characterAt(last) == kObjectChar) ++last;
  std::vector<BookObject> notes;
  for (int p = first; p < last; ++p) {
    const BookObject object = bookObjectAt(text, p);
    if (object.kind() == kind::comment || object.kind() == kind::anchor) notes.push_back(object);
  }
  return notes;
}

}  // namespace

std::vector<ContextEntry> contextMenuEntries(const TextDocumentModel& text, const ContextAvailability& available) {
  EntryList menu;
  menu.add(ContextAction::Cut, "Cut", available.cut);
  menu.add(ContextAction::Copy, "Copy", available.copy);
  menu.add(ContextAction::Paste, "Paste", available.paste);
  menu.add(ContextAction::Clear, "Clear", available.clear);

  menu.beginGroup();
  if (available.insertCharacter) menu.add(ContextAction::InsertCharacter, "Insert Character...");

  menu.beginGroup();
  if (linkAtCaret(text).found()) {
    menu.add(ContextAction::GoToAnchor, "Go To Anchor");
    menu.add(ContextAction::RemoveLink, "Remove Link");
  }

  menu.beginGroup();
  if (markingAtCaret(text, Marking::IndexTerm).found()) menu.add(ContextAction::RemoveIndexTerm, "Remove Index Term");
  if (markingAtCaret(text, Marking::Footnote).found() || markingAtCaret(text, Marking::Sidebar).found())
    menu.add(ContextAction::GoToNote, "Go To Note");

  const MarkedStretch heading = headingAtCaret(text);
  menu.beginGroup();
  if (heading.found() && heading.level == 0) {
    menu.add(ContextAction::RemoveChapter, "Remove Chapter");
    menu.add(ContextAction::EditObject, "Edit Chapter...", true, heading.object);
  }
  menu.beginGroup();
  if (heading.found() && heading.level > 0) {
    menu.add(ContextAction::RemoveHeading, "Remove Heading");
    menu.add(ContextAction::EditObject, "Edit Heading...", true, heading.object);
  }

  menu.beginGroup();
  const BookObject object = bookObjectAt(text, text.selectionStart());
  const bool objectEntry = object.isPresent() && object.kind() != kind::bookPlate && object.kind() != kind::chapter;
  if (objectEntry) menu.add(ContextAction::EditObject, editEntryLabel(object.kind()), true, object.position);

  // Each object gets one entry: the one behind the caret may already have
  // its own.
  menu.beginGroup();
  if (text.selectionStart() == text.selectionEnd())
    for (const BookObject& note : notesAroundCaret(text))
      if (!objectEntry || note.position != object.position)
        menu.add(ContextAction::EditObject, editEntryLabel(note.kind()), true, note.position);
  return menu.take();
}

}  // namespace scrivora
