#pragma once
// Book objects: anchors, links, comments, images, book plates, rules, tabs
// and chapter markers, each one character of the editor text carrying a
// BookObjectData record. Creation, queries, descriptions, tab layout, and the
// sizes and drawings the view shows.

#include <string>

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>

#include "BookObjectData.h"
#include "RichTextView.h"

namespace scrivora {

// "No position": the operation uses the caret (or the selection).
constexpr int kAtCaret = -1;

// A holder of one object of a view: its position and a copy of its record.
// An empty holder (position -1) answers every query with a neutral value.
struct BookObject {
  int position = -1;
  BookObjectData data;

  bool isPresent() const { return position >= 0; }
  FourCC kind() const { return isPresent() ? data.kind : 0; }
  const std::string& text() const { return data.text; }
  int percent() const { return isPresent() ? int(data.percent & 0xFFFF) : 0; }
  int level() const { return isPresent() ? int(data.level) : 0; }
  // The stored image path after its last separator, or the whole path.
  std::string imageFileName() const;
};

BookObject bookObjectAt(const RichTextView& view, int position);
// The first object strictly after a position; -1 gives the first of the text.
BookObject nextBookObject(const RichTextView& view, int after);

// Creation; each moves the caret to the position first unless it is kAtCaret.
void insertAnchor(RichTextView& view, const std::string& name, int position = kAtCaret);
// A comment holds TML as a file spells it (escapes and all), written back
// between its two `\v` tags as it is.
void insertComment(RichTextView& view, const std::string& text, int position = kAtCaret);
void insertLink(RichTextView& view, const std::string& target);
void makeLink(RichTextView& view, const std::string& target, int start = kAtCaret, int end = kAtCaret);
void insertImage(RichTextView& view, const std::string& file, int position = kAtCaret);
void insertBookPlate(RichTextView& view, int position = kAtCaret, bool withParagraphs = false);
void insertRule(RichTextView& view, int percent, int position = kAtCaret);
void insertTab(RichTextView& view, int percent, int position = kAtCaret);
// A tab whose start is not measured yet (0), for text that is laid out only
// later; relayoutTabs gives it its place.
void insertUnmeasuredTab(RichTextView& view, int percent);
void insertChapterMarker(RichTextView& view, int level, const std::string& title, int position = kAtCaret);
void makeHeading(RichTextView& view, int level, int start = kAtCaret, int end = kAtCaret);
// The object that opens an index term, a footnote reference or a sidebar
// reference (the text: the note's id), inserted at the caret in the
// marking's colour.
void insertMarkingObject(RichTextView& view, Marking marking, const std::string& text);
// Marks [start, end) (the selection for kAtCaret): the opening object goes in
// at start, the object and the old text get the marking's colour, and they
// become the selection. The object takes the style at start without italic,
// underline, overstrike, bold style or script, so that the stretch opens
// where no style is on.
void markStretch(RichTextView& view, Marking marking, const std::string& text, int start = kAtCaret,
                 int end = kAtCaret);
// A hidden chapter entry; the title as TML spells it between its quotes.
void insertHiddenChapter(RichTextView& view, int level, const std::string& title, int position = kAtCaret);
void insertSoftHyphen(RichTextView& view, int position = kAtCaret);

// The serial the next new link gets (process-wide, counted up per link).
uint32_t lastLinkSerial();

// The one-line description shown in object lists and menus.
std::string describe(const RichTextView& view, const BookObject& object);
// The heading text that follows a chapter marker in its heading colour.
std::string headingTitle(const RichTextView& view, const BookObject& marker);
// The text of the stretch an index term or reference object opens, as the
// heading title is read: at most 80 characters, line ends as spaces.
std::string markedText(const RichTextView& view, const BookObject& opening);
// A hidden chapter's title as the reader shows it: `\aDDD` and `\UXXXX`
// become their characters (Unicode text).
QString hiddenChapterTitleText(const std::string& written);
// The other way: TML for a title typed in a dialog. False when the title
// holds a double quote or a backslash, which a title cannot spell.
bool hiddenChapterTitleFromText(const QString& text, std::string& written);

// Tabs are re-made when the text before them moves.
void relayoutTab(RichTextView& view, int position);
void relayoutTabs(RichTextView& view);
void relayoutTabs(RichTextView& view, int start, int end);

// Extent in view pixels (handheld pixels times the record's zoom factor).
QSize bookObjectSize(const BookObjectData& data, const QImage& picture);
void drawBookObject(QPainter& painter, const QRect& rect, const BookObjectData& data, const QImage& picture);

}  // namespace scrivora
