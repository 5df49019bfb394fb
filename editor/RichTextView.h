#pragma once
// The operations the loader, the writer and the book objects need from a
// document's rich-text view. Positions are zero-based indexes into the editor
// text (EditorText.h): one position per character, paragraph end, page break
// and object.

#include <string>
#include <vector>

#include <QImage>
#include <QString>

#include "BookObjectData.h"
#include "EditorText.h"

namespace scrivora {

struct StyleRun {
  int start = 0, end = 0;
  CharStyle style;
};

struct ParagraphRun {
  int start = 0, end = 0;
  ParagraphFormat format;
};

class RichTextView {
 public:
  virtual ~RichTextView() = default;

  // Text.
  virtual int length() const = 0;
  virtual EditorChar characterAt(int position) const = 0;
  // The characters of [start, end) as EditorChar codes.
  virtual std::u32string textOf(int start, int end) const = 0;
  // Inserts Unicode text at the caret in the caret's style; '\r' and U+2029
  // end a paragraph, '\f' is a page break. The caret then stands behind it.
  virtual void insertText(const QString& text) = 0;
  virtual void removeText(int start, int end) = 0;

  // Selection; the caret is at its end.
  virtual int selectionStart() const = 0;
  virtual int selectionEnd() const = 0;
  virtual void setSelection(int start, int end) = 0;
  int caret() const { return selectionEnd(); }
  void setCaret(int position) { setSelection(position, position); }

  // Character styles. The caret style is what the next insertion gets.
  virtual void applyStyleAtCaret(const CharStyle& style) = 0;
  virtual void applyStyle(int start, int end, const CharStyle& style) = 0;
  virtual CharStyle styleAt(int position) const = 0;
  virtual CharStyle caretStyle() const = 0;

  // Single attributes by code, for a range (paragraph codes act on every
  // paragraph the range touches) or read at a position.
  virtual void setAttribute(FourCC code, int start, int end, const AttributeValue& value) = 0;
  virtual AttributeValue attributeAt(FourCC code, int position) const = 0;
  virtual ParagraphFormat paragraphFormatAt(int position) const = 0;

  // Book objects. An inserted object takes the caret's style, as typed text
  // would.
  virtual void insertObject(const BookObjectData& data) = 0;
  virtual bool objectAt(int position, BookObjectData& data) const = 0;
  virtual void setObjectData(int position, const BookObjectData& data) = 0;
  // The first object strictly after a position (-1 gives the first of the
  // text), or -1 when there is none.
  virtual int nextObject(int after) const = 0;

  // Runs: maximal stretches with one paragraph format, and maximal stretches
  // with one character style (a link object or a chapter marker always begins
  // a run, because a new link or heading starts there). Together they cover
  // [0, length()).
  virtual std::vector<ParagraphRun> paragraphRuns() const = 0;
  virtual std::vector<StyleRun> styleRuns() const = 0;

  // Switches; each returns the state it replaces so it can be restored.
  virtual bool setUndoEnabled(bool enabled) = 0;
  virtual bool setNotificationsEnabled(bool enabled) = 0;
  virtual bool setRedrawEnabled(bool enabled) = 0;
  // Changes between these two undo as one step; joined to the previous step
  // when asked, for changes that follow from it.
  virtual void beginEditGroup(bool joinPrevious = false) = 0;
  virtual void endEditGroup() = 0;

  // Document settings the text model depends on.
  virtual int zoom() const = 0;
  virtual std::string normalFace() const = 0;
  // The caret's x in view pixels, from the laid-out text.
  virtual int caretX() = 0;
  // The decoded picture of an image file, read on first need; an empty image
  // when the file is missing or not a readable PNG.
  virtual QImage picture(const std::string& path) = 0;
};

}  // namespace scrivora
