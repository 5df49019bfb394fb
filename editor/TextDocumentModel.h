#pragma once
// The rich-text view over a QTextDocument. The document keeps the Unicode
// text; this class presents it as the 8-bit editor text model, keeps the
// character styles, paragraph formats and book objects in format properties
// (so they travel with the text through Qt's own copies and undo), and draws
// the objects through a QTextObjectInterface handler.

#include <algorithm>
#include <map>
#include <memory>

#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "RichTextView.h"

namespace scrivora {

class BookObjectPainter;

// Where the model lives in Qt's formats.
namespace textprop {
constexpr int objectType = QTextFormat::UserObject + 1;
constexpr int styleSize = QTextFormat::UserProperty + 1;
constexpr int styleOffset = QTextFormat::UserProperty + 2;
constexpr int objectKind = QTextFormat::UserProperty + 10;
constexpr int objectLinkSerial = QTextFormat::UserProperty + 11;
constexpr int objectZoom = QTextFormat::UserProperty + 12;
constexpr int objectLevel = QTextFormat::UserProperty + 13;
constexpr int objectPercent = QTextFormat::UserProperty + 14;
constexpr int objectTabTarget = QTextFormat::UserProperty + 15;
constexpr int objectTabStart = QTextFormat::UserProperty + 16;
constexpr int objectText = QTextFormat::UserProperty + 17;
constexpr int paragraphAlignment = QTextFormat::UserProperty + 20;
constexpr int paragraphLeftIndent = QTextFormat::UserProperty + 21;
constexpr int paragraphFirstIndent = QTextFormat::UserProperty + 22;
}  // namespace textprop

CharStyle styleOfFormat(const QTextCharFormat& format);
// Writes every field of the style into the format, leaving object properties.
void writeStyleToFormat(const CharStyle& style, QTextCharFormat& format);
bool isObjectFormat(const QTextCharFormat& format);
BookObjectData objectOfFormat(const QTextCharFormat& format);
void writeObjectToFormat(const BookObjectData& data, QTextCharFormat& format);
ParagraphFormat paragraphFormatOf(const QTextBlockFormat& format);
void writeParagraphFormat(const ParagraphFormat& paragraph, QTextBlockFormat& format);

// Where the caret and the selection live when a widget shows the document:
// the widget's own cursor, so that the model and the widget never disagree
// about them.
class CaretHost {
 public:
  virtual ~CaretHost() = default;
  virtual QTextCursor caretCursor() const = 0;
  virtual void setCaretCursor(const QTextCursor& cursor) = 0;
};

class TextDocumentModel : public RichTextView {
 public:
  // Works on the given document, or on one of its own when none is given.
  explicit TextDocumentModel(QTextDocument* document = nullptr, int zoom = 1, std::string normalFace = "NTolmText9");
  ~TextDocumentModel() override;
  TextDocumentModel(const TextDocumentModel&) = delete;
  TextDocumentModel& operator=(const TextDocumentModel&) = delete;

  QTextDocument* document() const { return document_; }
  // From now on the caret and the selection are the host's; null gives the
  // model its own cursor back (where the host's caret stood).
  void setCaretHost(CaretHost* host);
  void setZoom(int zoom);
  void setNormalFace(const std::string& face) { normalFace_ = face; }
  bool notificationsEnabled() const { return notificationsEnabled_; }
  // Counts every change of text or format, so that what was worked out from
  // the text can tell whether it still holds.
  uint64_t changeCount() const { return changeCount_; }
  bool redrawEnabled() const { return redrawEnabled_; }

  int length() const override;
  EditorChar characterAt(int position) const override;
  std::u32string textOf(int start, int end) const override;
  void insertText(const QString& text) override;
  void removeText(int start, int end) override;

  int selectionStart() const override;
  int selectionEnd() const override;
  void setSelection(int start, int end) override;

  void applyStyleAtCaret(const CharStyle& style) override;
  void applyStyle(int start, int end, const CharStyle& style) override;
  CharStyle styleAt(int position) const override;
  CharStyle caretStyle() const override;

  void setAttribute(FourCC code, int start, int end, const AttributeValue& value) override;
  AttributeValue attributeAt(FourCC code, int position) const override;
  ParagraphFormat paragraphFormatAt(int position) const override;

  void insertObject(const BookObjectData& data) override;
  bool objectAt(int position, BookObjectData& data) const override;
  void setObjectData(int position, const BookObjectData& data) override;
  int nextObject(int after) const override;

  std::vector<ParagraphRun> paragraphRuns() const override;
  std::vector<StyleRun> styleRuns() const override;

  bool setUndoEnabled(bool enabled) override;
  bool setNotificationsEnabled(bool enabled) override;
  bool setRedrawEnabled(bool enabled) override;
  void beginEditGroup(bool joinPrevious = false) override;
  void endEditGroup() override;

  int zoom() const override { return zoom_; }
  std::string normalFace() const override { return normalFace_; }
  int caretX() override;
  QImage picture(const std::string& path) override;

  // The character styles over [start, end), run by run in text order (a
  // run may be cut at the range's ends). The visitor returns false to stop.
  template <typename Visitor>
  void visitStyles(int start, int end, Visitor visit) const;
  // The paragraph formats of the paragraphs that [start, end) touches (the
  // paragraph holding start when the range is empty).
  template <typename Visitor>
  void visitParagraphs(int start, int end, Visitor visit) const;

 private:
  // The cursor in use: the host's, or the model's own while there is no
  // host or while change notifications are held (a load works on a private
  // copy and hands the caret back when notifications resume).
  QTextCursor cursor() const;
  void storeCursor(const QTextCursor& cursor);
  bool holdingCursor() const { return host_ != nullptr && !notificationsEnabled_; }
  // The format text inserted at the cursor gets: the caret's insertion
  // format, or for a selection the format before it; never an object's.
  QTextCharFormat insertionFormat(const QTextCursor& cursor) const;

  // The character format of the character at a position (paragraph ends
  // included); an empty format at the end of the text.
  QTextCharFormat formatAt(int position) const;
  // Rewrites the formats of [start, end) fragment by fragment, so that object
  // properties survive a change of style.
  template <typename Change>
  void changeFormats(int start, int end, Change change);
  template <typename Change>
  void changeParagraphs(int start, int end, Change change);

  std::unique_ptr<QTextDocument> ownDocument_;
  QTextDocument* document_;
  QPointer<QTextDocument> givenDocument_;  // a document given may go first
  std::unique_ptr<BookObjectPainter> painter_;
  QTextCursor cursor_;
  CaretHost* host_ = nullptr;
  // A style set at the caret while text was selected, for what replaces it.
  struct SelectionFormat {
    int anchor = -1, position = -1;
    QTextCharFormat format;
  } selectionFormat_;
  int zoom_;
  std::string normalFace_;
  bool notificationsEnabled_ = true;
  uint64_t changeCount_ = 0;
  bool redrawEnabled_ = true;
  std::map<std::string, QImage> pictures_;
};

template <typename Visitor>
void TextDocumentModel::visitStyles(int start, int end, Visitor visit) const {
  start = std::max(start, 0);
  end = std::min(end, length());
  for (QTextBlock block = document_->findBlock(start); block.isValid() && block.position() < end;
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const int a = std::max(start, fragment.position());
      const int b = std::min(end, fragment.position() + fragment.length());
      if (a < b && !visit(a, b, styleOfFormat(fragment.charFormat()))) return;
    }
    // The paragraph end, in the format of the paragraph it opens.
    const int separator = block.position() + block.length() - 1;
    if (separator >= start && separator < end && block.next().isValid() &&
        !visit(separator, separator + 1, styleOfFormat(block.next().charFormat())))
      return;
  }
}

template <typename Visitor>
void TextDocumentModel::visitParagraphs(int start, int end, Visitor visit) const {
  start = std::clamp(start, 0, length());
  end = std::clamp(end, start, length());
  for (QTextBlock block = document_->findBlock(start); block.isValid(); block = block.next()) {
    if (!visit(paragraphFormatOf(block.blockFormat()))) return;
    if (!block.next().isValid() || block.next().position() >= end) return;
  }
}

}  // namespace scrivora
