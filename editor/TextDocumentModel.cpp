#include "TextDocumentModel.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBlock>
#include <QTextLayout>

#include <unordered_map>

#include "BookObjectPainter.h"
#include "PngPicture.h"
#include "ReaderFonts.h"

namespace scrivora {

namespace {

// A length of the model (handheld pixels times the zoom factor) is one pixel
// on screen: characters as wide as on the handheld (the reader's faces have
// its widths at a size of one length per pixel), indents and objects to
// scale, so lines break where the handheld breaks them. Font sizes are
// points, so they go through the screen's resolution.
constexpr double kPixelsPerLength = 1.0;

double pointsPerLength() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
  return kPixelsPerLength * 72.0 / (dpi > 0 ? dpi : 96.0);
}

QColor toQColor(const Rgb& c) { return QColor(c.red & 0xFF, c.green & 0xFF, c.blue & 0xFF); }
Rgb fromQColor(const QColor& c) { return Rgb{uint16_t(c.red()), uint16_t(c.green()), uint16_t(c.blue())}; }

Qt::Alignment qtAlignment(FourCC alignment) {
  if (alignment == kAlignCentre) return Qt::AlignHCenter;
  if (alignment == kAlignRight) return Qt::AlignRight;
  if (alignment == kAlignJustify) return Qt::AlignJustify;
  return Qt::AlignLeft;
}

EditorChar editorCharOf(QChar ch, const QTextCharFormat* format) {
  const char16_t u = ch.unicode();
  if (u == 0x2029) return kParagraphEndChar;
  if (u == 0xFFFC && format != nullptr && isObjectFormat(*format)) return kObjectChar;
  const int byte = codePageFromUnicode(u);
  return byte >= 0 ? EditorChar(byte) : kOutsideCodePage + u;
}

}  // namespace

CharStyle styleOfFormat(const QTextCharFormat& format) {
  CharStyle style;
  const QStringList families = format.fontFamilies().toStringList();
  if (!families.isEmpty()) style.face = families.first().toStdString();
  style.size = uint16_t(format.intProperty(textprop::styleSize));
  style.offset = int16_t(format.intProperty(textprop::styleOffset));
  if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
    style.colour = fromQColor(format.foreground().color());
  style.italic = format.fontItalic();
  style.underline = format.fontUnderline();
  style.overstrike = format.fontStrikeOut();
  style.bold = format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= 600;
  return style;
}

void writeStyleToFormat(const CharStyle& style, QTextCharFormat& format) {
  if (style.face.empty())
    format.clearProperty(QTextFormat::FontFamilies);
  else
    format.setFontFamilies(QStringList{QString::fromStdString(style.face)});
  format.setProperty(textprop::styleSize, int(style.size));
  if (style.size > 0)
    format.setFontPointSize(style.size * pointsPerLength());
  else
    format.clearProperty(QTextFormat::FontPointSize);
  format.setProperty(textprop::styleOffset, int(style.offset));
  format.setVerticalAlignment(style.offset > 0   ? QTextCharFormat::AlignSuperScript
                              : style.offset < 0 ? QTextCharFormat::AlignSubScript
                                                 : QTextCharFormat::AlignNormal);
  format.setForeground(toQColor(style.colour));
  format.setFontItalic(style.italic);
  format.setFontUnderline(style.underline);
  format.setFontStrikeOut(style.overstrike);
  if (style.bold)
    format.setFontWeight(700);
  else
    format.clearProperty(QTextFormat::FontWeight);
}

bool isObjectFormat(const QTextCharFormat& format) { return format.objectType() == textprop::objectType; }

BookObjectData objectOfFormat(const QTextCharFormat& format) {
  BookObjectData data;
  data.kind = FourCC(format.intProperty(textprop::objectKind));
  data.linkSerial = uint32_t(format.intProperty(textprop::objectLinkSerial));
  data.zoom = uint16_t(format.intProperty(textprop::objectZoom));
  data.level = uint16_t(format.intProperty(textprop::objectLevel));
  data.percent = uint32_t(format.intProperty(textprop::objectPercent));
  data.tabTarget = format.intProperty(textprop::objectTabTarget);
  data.tabStart = format.intProperty(textprop::objectTabStart);
  // The record text is kept byte for byte as Latin-1 code units.
  data.text = format.stringProperty(textprop::objectText).toLatin1().toStdString();
  return data;
}

void writeObjectToFormat(const BookObjectData& data, QTextCharFormat& format) {
  format.setObjectType(textprop::objectType);
  format.setProperty(textprop::objectKind, int(data.kind));
  format.setProperty(textprop::objectLinkSerial, int(data.linkSerial));
  format.setProperty(textprop::objectZoom, int(data.zoom));
  format.setProperty(textprop::objectLevel, int(data.level));
  format.setProperty(textprop::objectPercent, int(data.percent));
  format.setProperty(textprop::objectTabTarget, int(data.tabTarget));
  format.setProperty(textprop::objectTabStart, int(data.tabStart));
  const std::string text = cutToRecordText(data.text);
  format.setProperty(textprop::objectText, QString::fromLatin1(text.data(), qsizetype(text.size())));
}

ParagraphFormat paragraphFormatOf(const QTextBlockFormat& format) {
  ParagraphFormat paragraph;
  if (format.hasProperty(textprop::paragraphAlignment))
    paragraph.alignment = FourCC(format.intProperty(textprop::paragraphAlignment));
  paragraph.leftIndent = format.intProperty(textprop::paragraphLeftIndent);
  paragraph.firstLineIndent = format.intProperty(textprop::paragraphFirstIndent);
  return paragraph;
}

void writeParagraphFormat(const ParagraphFormat& paragraph, QTextBlockFormat& format) {
  format.setProperty(textprop::paragraphAlignment, int(paragraph.alignment));
  format.setProperty(textprop::paragraphLeftIndent, paragraph.leftIndent);
  format.setProperty(textprop::paragraphFirstIndent, paragraph.firstLineIndent);
  format.setAlignment(qtAlignment(paragraph.alignment));
  format.setLeftMargin(paragraph.leftIndent * kPixelsPerLength);
  format.setTextIndent(paragraph.firstLineIndent * kPixelsPerLength);
}

TextDocumentModel::TextDocumentModel(QTextDocument* document, int zoom, std::string normalFace)
    : document_(document),
      zoom_(zoom < 1   ? 1
            : zoom > 4 ? 4
                       : zoom),
      normalFace_(std::move(normalFace)) {
  if (document_ == nullptr) {
    ownDocument_ = std::make_unique<QTextDocument>();
    document_ = ownDocument_.get();
  } else {
    givenDocument_ = document_;
  }
  substituteReaderFonts();
  cursor_ = QTextCursor(document_);
  painter_ = std::make_unique<BookObjectPainter>(*this);
  // The layout is made on first need (drawing, measuring); a document that
  // is only loaded and saved never pays for one. The objects' handler joins
  // every layout the document gets.
  QObject::connect(document_, &QTextDocument::contentsChange, painter_.get(), [this] { ++changeCount_; });
  QObject::connect(document_, &QTextDocument::documentLayoutChanged, painter_.get(),
                   [this] { document_->documentLayout()->registerHandler(textprop::objectType, painter_.get()); });
  // A document given with a layout already has it; asking for one here would
  // make one, and a layout lays out every later change at once, so a book
  // loaded before it is shown would be laid out twice.
  if (auto* layout = document_->findChild<QAbstractTextDocumentLayout*>(QString(), Qt::FindDirectChildrenOnly))
    layout->registerHandler(textprop::objectType, painter_.get());
}

TextDocumentModel::~TextDocumentModel() {
  if (!ownDocument_ && givenDocument_ != nullptr) {
    if (auto* layout = givenDocument_->findChild<QAbstractTextDocumentLayout*>(QString(), Qt::FindDirectChildrenOnly))
      layout->unregisterHandler(textprop::objectType, painter_.get());
  }
}

void TextDocumentModel::setCaretHost(CaretHost* host) {
  if (host_ != nullptr && !holdingCursor()) cursor_ = host_->caretCursor();
  host_ = host;
  if (host_ != nullptr) host_->setCaretCursor(cursor_);
}

QTextCursor TextDocumentModel::cursor() const {
  return host_ != nullptr && !holdingCursor() ? host_->caretCursor() : cursor_;
}

void TextDocumentModel::storeCursor(const QTextCursor& cursor) {
  cursor_ = cursor;
  if (host_ != nullptr && !holdingCursor()) host_->setCaretCursor(cursor);
}

QTextCharFormat TextDocumentModel::insertionFormat(const QTextCursor& cursor) const {
  // What is typed over a selection takes the style of the character before
  // it, as in any editor; an object's own properties never pass on to text.
  QTextCharFormat format;
  if (cursor.hasSelection() && selectionFormat_.anchor == cursor.anchor() &&
      selectionFormat_.position == cursor.position()) {
    format = selectionFormat_.format;
  } else if (cursor.hasSelection()) {
    const int start = cursor.selectionStart();
    format = start > 0 ? formatAt(start - 1) : formatAt(0);
  } else {
    format = cursor.charFormat();
  }
  if (isObjectFormat(format)) {
    QTextCharFormat plain;
    writeStyleToFormat(styleOfFormat(format), plain);
    if (format.hasProperty(QTextFormat::FontWeight)) plain.setFontWeight(format.fontWeight());
    return plain;
  }
  return format;
}

void TextDocumentModel::beginEditGroup(bool joinPrevious) {
  QTextCursor c = cursor();
  if (joinPrevious)
    c.joinPreviousEditBlock();
  else
    c.beginEditBlock();
}

void TextDocumentModel::endEditGroup() { cursor().endEditBlock(); }

void TextDocumentModel::setZoom(int zoom) { zoom_ = zoom < 1 ? 1 : zoom > 4 ? 4 : zoom; }

int TextDocumentModel::length() const { return document_->characterCount() - 1; }

QTextCharFormat TextDocumentModel::formatAt(int position) const {
  if (position < 0 || position >= length()) return QTextCharFormat();
  const QTextBlock block = document_->findBlock(position);
  if (position == block.position() + block.length() - 1) {
    // A paragraph end carries the character format of the paragraph it opens.
    return block.next().charFormat();
  }
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (position >= fragment.position() && position < fragment.position() + fragment.length())
      return fragment.charFormat();
  }
  return block.charFormat();
}

EditorChar TextDocumentModel::characterAt(int position) const {
  if (position < 0 || position >= length()) return 0;
  const QChar ch = document_->characterAt(position);
  if (ch.unicode() == 0xFFFC) {
    const QTextCharFormat format = formatAt(position);
    return editorCharOf(ch, &format);
  }
  return editorCharOf(ch, nullptr);
}

std::u32string TextDocumentModel::textOf(int start, int end) const {
  start = std::max(start, 0);
  end = std::min(end, length());
  std::u32string out;
  if (start >= end) return out;
  QTextCursor range(document_);
  range.setPosition(start);
  range.setPosition(end, QTextCursor::KeepAnchor);
  const QString text = range.selectedText();
  out.reserve(size_t(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text.at(i);
    if (ch.unicode() == 0xFFFC) {
      const QTextCharFormat format = formatAt(start + int(i));
      out.push_back(editorCharOf(ch, &format));
    } else {
      out.push_back(editorCharOf(ch, nullptr));
    }
  }
  return out;
}

void TextDocumentModel::insertText(const QString& text) {
  if (text.isEmpty()) return;
  QTextCursor c = cursor();
  const QTextCharFormat format = insertionFormat(c);
  c.insertText(text, format);
  // The caret keeps the format, so that what is typed next continues it.
  c.setCharFormat(format);
  storeCursor(c);
}

void TextDocumentModel::removeText(int start, int end) {
  start = std::max(start, 0);
  end = std::min(end, length());
  if (start >= end) return;
  QTextCursor range(document_);
  range.setPosition(start);
  range.setPosition(end, QTextCursor::KeepAnchor);
  range.removeSelectedText();
}

int TextDocumentModel::selectionStart() const { return cursor().selectionStart(); }
int TextDocumentModel::selectionEnd() const { return cursor().selectionEnd(); }

void TextDocumentModel::setSelection(int start, int end) {
  const int last = length();
  start = std::clamp(start, 0, last);
  end = std::clamp(end, 0, last);
  QTextCursor c = cursor();
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  if (start == end) {
    // What is typed next takes the style of the character before, as in any
    // editor.
    QTextCursor before = c;
    before.setPosition(start > 0 ? start - 1 : 0);
    before.setPosition(start > 0 ? start : std::min(1, length()), QTextCursor::KeepAnchor);
    c.setCharFormat(insertionFormat(before));
  }
  storeCursor(c);
}

void TextDocumentModel::applyStyleAtCaret(const CharStyle& style) {
  QTextCursor c = cursor();
  QTextCharFormat format = insertionFormat(c);
  writeStyleToFormat(style, format);
  if (c.hasSelection()) {
    // A cursor with a selection would apply the format to the selected
    // text; the style is only for what replaces the selection.
    selectionFormat_ = {c.anchor(), c.position(), format};
    return;
  }
  c.setCharFormat(format);
  storeCursor(c);
}

template <typename Change>
void TextDocumentModel::changeFormats(int start, int end, Change change) {
  start = std::max(start, 0);
  end = std::min(end, length());
  if (start >= end) return;
  // Collect first: rewriting formats changes the fragments being walked.
  struct Piece {
    int start, end;
    QTextCharFormat format;
  };
  std::vector<Piece> pieces;
  for (QTextBlock block = document_->findBlock(start); block.isValid() && block.position() < end;
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      const int a = std::max(start, f.position()), b = std::min(end, f.position() + f.length());
      if (a < b) pieces.push_back({a, b, f.charFormat()});
    }
    const int separator = block.position() + block.length() - 1;
    if (separator >= start && separator < end && block.next().isValid())
      pieces.push_back({separator, separator + 1, block.next().charFormat()});
  }
  for (Piece& piece : pieces) {
    change(piece.format);
    QTextCursor range(document_);
    range.setPosition(piece.start);
    range.setPosition(piece.end, QTextCursor::KeepAnchor);
    range.setCharFormat(piece.format);
  }
}

void TextDocumentModel::applyStyle(int start, int end, const CharStyle& style) {
  changeFormats(start, end, [&](QTextCharFormat& f) { writeStyleToFormat(style, f); });
}

CharStyle TextDocumentModel::styleAt(int position) const { return styleOfFormat(formatAt(position)); }

CharStyle TextDocumentModel::caretStyle() const { return styleOfFormat(insertionFormat(cursor())); }

template <typename Change>
void TextDocumentModel::changeParagraphs(int start, int end, Change change) {
  start = std::clamp(start, 0, length());
  end = std::clamp(end, start, length());
  QTextBlock block = document_->findBlock(start);
  // An empty range still means the paragraph that holds it.
  while (block.isValid()) {
    ParagraphFormat paragraph = paragraphFormatOf(block.blockFormat());
    change(paragraph);
    QTextBlockFormat format = block.blockFormat();
    writeParagraphFormat(paragraph, format);
    QTextCursor at(block);
    at.setBlockFormat(format);
    block = block.next();
    if (!block.isValid() || block.position() >= end) break;
  }
}

void TextDocumentModel::setAttribute(FourCC code, int start, int end, const AttributeValue& value) {
  const int v = value.number;
  switch (code) {
    case attr::alignment: changeParagraphs(start, end, [&](ParagraphFormat& p) { p.alignment = FourCC(v); }); return;
    case attr::noIndent:
      changeParagraphs(start, end, [](ParagraphFormat& p) { p.leftIndent = p.firstLineIndent = 0; });
      return;
    case attr::blockIndent:
      changeParagraphs(start, end, [&](ParagraphFormat& p) {
        p.leftIndent = v;
        p.firstLineIndent = 0;
      });
      return;
    case attr::bodyIndent:
      changeParagraphs(start, end, [&](ParagraphFormat& p) {
        p.leftIndent = v;
        p.firstLineIndent = -v;
      });
      return;
    case attr::firstLineIndent:
      changeParagraphs(start, end, [&](ParagraphFormat& p) {
        p.leftIndent = 0;
        p.firstLineIndent = v;
      });
      return;
    case attr::leftIndent: changeParagraphs(start, end, [&](ParagraphFormat& p) { p.leftIndent = v; }); return;
    case attr::firstIndent: changeParagraphs(start, end, [&](ParagraphFormat& p) { p.firstLineIndent = v; }); return;
    default: break;
  }
  changeFormats(start, end, [&](QTextCharFormat& f) {
    CharStyle style = styleOfFormat(f);
    switch (code) {
      case attr::face:
        // The weight is the bold style, which a change of face keeps.
        style.face = value.text;
        break;
      case attr::pointSize: style.size = uint16_t(v); break;
      case attr::bold: style.bold = v != 0; break;
      case attr::italic: style.italic = v != 0; break;
      case attr::underline: style.underline = v != 0; break;
      case attr::strikeout: style.overstrike = v != 0; break;
      case attr::colour: style.colour = value.colour; break;
      case attr::verticalOffset: style.offset = int16_t(v); break;
      case attr::plain:
        style.bold = false;
        style.italic = style.underline = style.overstrike = false;
        break;
      default: return;
    }
    writeStyleToFormat(style, f);
  });
}

AttributeValue TextDocumentModel::attributeAt(FourCC code, int position) const {
  AttributeValue value;
  const ParagraphFormat paragraph = paragraphFormatAt(position);
  const QTextCharFormat format = formatAt(position);
  const CharStyle style = styleOfFormat(format);
  switch (code) {
    case attr::alignment: value.number = int32_t(paragraph.alignment); break;
    case attr::leftIndent: value.number = paragraph.leftIndent; break;
    case attr::firstIndent: value.number = paragraph.firstLineIndent; break;
    case attr::face: value.text = style.face; break;
    case attr::pointSize: value.number = style.size; break;
    case attr::bold: value.number = style.bold; break;
    case attr::italic: value.number = style.italic; break;
    case attr::underline: value.number = style.underline; break;
    case attr::strikeout: value.number = style.overstrike; break;
    case attr::colour: value.colour = style.colour; break;
    case attr::verticalOffset: value.number = style.offset; break;
    default: break;
  }
  return value;
}

ParagraphFormat TextDocumentModel::paragraphFormatAt(int position) const {
  const QTextBlock block = document_->findBlock(std::clamp(position, 0, length()));
  return paragraphFormatOf(block.blockFormat());
}

void TextDocumentModel::insertObject(const BookObjectData& data) {
  QTextCursor c = cursor();
  const QTextCharFormat textFormat = insertionFormat(c);
  QTextCharFormat format = textFormat;
  writeObjectToFormat(data, format);
  c.insertText(QString(QChar::ObjectReplacementCharacter), format);
  c.setCharFormat(textFormat);
  storeCursor(c);
}

bool TextDocumentModel::objectAt(int position, BookObjectData& data) const {
  if (position < 0 || position >= length()) return false;
  if (document_->characterAt(position).unicode() != 0xFFFC) return false;
  const QTextCharFormat format = formatAt(position);
  if (!isObjectFormat(format)) return false;
  data = objectOfFormat(format);
  return true;
}

void TextDocumentModel::setObjectData(int position, const BookObjectData& data) {
  BookObjectData old;
  if (!objectAt(position, old)) return;
  changeFormats(position, position + 1, [&](QTextCharFormat& f) { writeObjectToFormat(data, f); });
}

int TextDocumentModel::nextObject(int after) const {
  const QString marker(QChar::ObjectReplacementCharacter);
  int from = std::max(after + 1, 0);
  while (from < length()) {
    const QTextCursor found = document_->find(marker, from);
    if (found.isNull()) return -1;
    const int position = found.selectionStart();
    if (isObjectFormat(formatAt(position))) return position;
    from = position + 1;
  }
  return -1;
}

std::vector<ParagraphRun> TextDocumentModel::paragraphRuns() const {
  std::vector<ParagraphRun> runs;
  const int last = length();
  for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
    const ParagraphFormat format = paragraphFormatOf(block.blockFormat());
    const int start = block.position();
    const int end = std::min(block.position() + block.length(), last);
    if (!runs.empty() && runs.back().format == format)
      runs.back().end = end;
    else
      runs.push_back({start, end, format});
  }
  return runs;
}

std::vector<StyleRun> TextDocumentModel::styleRuns() const {
  std::vector<StyleRun> runs;
  auto add = [&runs](int start, int end, const CharStyle& style, bool beginsRun) {
    if (!beginsRun && !runs.empty() && runs.back().end == start && runs.back().style == style)
      runs.back().end = end;
    else
      runs.push_back({start, end, style});
  };
  // A document holds few distinct formats; each is read once.
  struct FormatInfo {
    CharStyle style;
    bool beginsRuns;  // an object that opens a marked stretch, or a chapter marker
  };
  std::unordered_map<int, FormatInfo> formats;
  auto infoOf = [&formats](int index, auto formatOf) -> const FormatInfo& {
    auto found = formats.find(index);
    if (found != formats.end()) return found->second;
    const QTextCharFormat format = formatOf();
    const int objectKind = isObjectFormat(format) ? format.intProperty(textprop::objectKind) : 0;
    const bool beginsRuns =
        markingOfOpeningKind(FourCC(objectKind)) != Marking::None || objectKind == int(kind::chapter);
    return formats.emplace(index, FormatInfo{styleOfFormat(format), beginsRuns}).first->second;
  };
  for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const FormatInfo& info = infoOf(fragment.charFormatIndex(), [&fragment] { return fragment.charFormat(); });
      const int position = fragment.position();
      if (info.beginsRuns) {
        // Each opening object starts a stretch of its own, each chapter
        // marker a heading of its own.
        for (int i = 0; i < fragment.length(); ++i) add(position + i, position + i + 1, info.style, true);
      } else {
        add(position, position + fragment.length(), info.style, false);
      }
    }
    const QTextBlock next = block.next();
    if (next.isValid()) {
      const int separator = block.position() + block.length() - 1;
      add(separator, separator + 1, infoOf(next.charFormatIndex(), [&next] { return next.charFormat(); }).style, false);
    }
  }
  return runs;
}

bool TextDocumentModel::setUndoEnabled(bool enabled) {
  const bool was = document_->isUndoRedoEnabled();
  if (was != enabled) document_->setUndoRedoEnabled(enabled);
  return was;
}

bool TextDocumentModel::setNotificationsEnabled(bool enabled) {
  const bool was = notificationsEnabled_;
  if (host_ != nullptr && was && !enabled) cursor_ = host_->caretCursor();
  notificationsEnabled_ = enabled;
  if (host_ != nullptr && !was && enabled) host_->setCaretCursor(cursor_);
  return was;
}

bool TextDocumentModel::setRedrawEnabled(bool enabled) {
  const bool was = redrawEnabled_;
  redrawEnabled_ = enabled;
  return was;
}

int TextDocumentModel::caretX() {
  const int position = cursor().position();
  const QTextBlock block = document_->findBlock(position);
  if (!block.isValid()) return 0;
  // Lays the text out as far as this paragraph.
  document_->documentLayout()->blockBoundingRect(block);
  QTextLayout* layout = block.layout();
  if (layout == nullptr) return 0;
  const int inBlock = position - block.position();
  const QTextLine line = layout->lineForTextPosition(inBlock);
  // Measured from the start of the line, without the page margin.
  return line.isValid() ? int(line.cursorToX(inBlock)) : 0;
}

QImage TextDocumentModel::picture(const std::string& path) {
  auto found = pictures_.find(path);
  if (found != pictures_.end()) return found->second;
  QImage decoded = decodePngFile(path);
  pictures_.emplace(path, decoded);
  return decoded;
}

}  // namespace scrivora
