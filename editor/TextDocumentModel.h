#pragma once
// The rich-text view over a QTextDocument. The document keeps the Unicode
// text; this class presents it as the 8-bit editor text model, keeps the
// character styles, paragraph formats and book objects in format properties
// (so they travel with the text through Qt's own copies and undo), and draws
// the objects through a QTextObjectInterface handler.

#include <map>
#include <memory>

#include <QPointer>
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

class TextDocumentModel : public RichTextView {
 public:
  // Works on the given document, or on one of its own when none is given.
  explicit TextDocumentModel(QTextDocument* document = nullptr, int zoom = 1, std::string normalFace = "NTolmText9");
  ~TextDocumentModel() override;
  TextDocumentModel(const TextDocumentModel&) = delete;
  TextDocumentModel& operator=(const TextDocumentModel&) = delete;

  QTextDocument* document() const { return document_; }
  void setZoom(int zoom);
  void setNormalFace(const std::string& face) { normalFace_ = face; }
  bool notificationsEnabled() const { return notificationsEnabled_; }
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
  void beginEditGroup(bool joinPrevious = false) override {
    if (joinPrevious)
      cursor_.joinPreviousEditBlock();
    else
      cursor_.beginEditBlock();
  }
  void endEditGroup() override { cursor_.endEditBlock(); }

  int zoom() const override { return zoom_; }
  std::string normalFace() const override { return normalFace_; }
  int caretX() override;
  QImage picture(const std::string& path) override;

 private:
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
  QTextCharFormat caretFormat_;
  int zoom_;
  std::string normalFace_;
  bool notificationsEnabled_ = true;
  bool redrawEnabled_ = true;
  std::map<std::string, QImage> pictures_;
};

}  // namespace scrivora
