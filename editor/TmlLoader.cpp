#include "TmlLoader.h"

#include <cstdio>
#include <list>

#include "BookObject.h"
#include "BuildLog.h"
#include "FileSystem.h"

namespace scrivora {

namespace {

enum class Font { Normal, Small, Bold, Large };

struct IndentRegion {
  int start;
  int end;  // -1 while open
};

// The loader's running state for one load.
struct LoadState {
  Font font = Font::Normal;
  bool inIndent = false;
  std::list<IndentRegion> indentRegions;  // newest first
  bool superscript = false, subscript = false;
  bool inComment = false;
  bool italic = false, underline = false, overstrike = false;
  bool inLink = false;
  int headingLevel = -1;
  bool headingIsChapter = false;
  FourCC alignment = kAlignLeft;
};

// CR LF and lone LF become CR. A NUL byte is dropped: the text in memory ends
// at the first NUL, which would lose everything behind it.
std::string normaliseLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out.push_back('\r');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out.push_back('\r');
    } else if (c != '\0') {
      out.push_back(c);
    }
  }
  return out;
}

QString unicodeOf(const char* bytes, size_t size) {
  QString text(qsizetype(size), Qt::Uninitialized);
  QChar* out = text.data();
  for (size_t i = 0; i < size; ++i) out[i] = QChar(unicodeFromCodePage(uint8_t(bytes[i])));
  return text;
}

bool isUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

class TmlLoader {
 public:
  TmlLoader(RichTextView& view, BookInfo* bookInfo, const TmlLoadOptions& options)
      : view_(view), bookInfo_(bookInfo), options_(options) {
    lastAlignment_ = view.paragraphFormatAt(view.caret()).alignment;
  }

  int tabsInserted() const { return tabsInserted_; }

  void run(std::string text) {
    text_ = std::move(text);
    size_t p = 0;
    while (true) {
      const size_t slash = text_.find('\\', p);
      if (slash == std::string::npos) {
        applyCurrentStyle();
        insertBody(p, text_.size());
        break;
      }
      applyCurrentStyle();
      if (slash > p) insertBody(p, slash);
      if (slash + 1 >= text_.size()) break;  // a lone backslash at the very end
      p = dispatch(slash);
    }
    flushText();
    resolveIndentRegions();
  }

 private:
  char at(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  void insertBody(size_t from, size_t to) {
    if (from >= to) return;
    if (state_.inComment)
      handleComment(text_.substr(from, to - from));
    else
      queueText(unicodeOf(text_.data() + from, to - from));
  }

  CharStyle currentStyle() const {
    CharStyle style;
    style.italic = state_.italic;
    style.underline = state_.underline;
    style.overstrike = state_.overstrike;
    FontKind font = state_.font == Font::Small   ? FontKind::Small
                    : state_.font == Font::Bold  ? FontKind::Bold
                    : state_.font == Font::Large ? FontKind::Large
                                                 : FontKind::Normal;
    const int z = view_.zoom();
    if (state_.superscript) {
      font = FontKind::Script;
      style.offset = int16_t(3 * z);
    } else if (state_.subscript) {
      font = FontKind::Script;
      style.offset = int16_t(-z);
    }
    faceAndSizeOf(font, view_.normalFace(), z, style.face, style.size);
    if (state_.inLink) {
      style.colour = kLinkColour;
      style.underline = true;
    } else if (state_.headingLevel >= 0) {
      style.colour = headingColour(state_.headingLevel);
    }
    return style;
  }

  // Text waits in a queue while the style stays the same, so that a stretch
  // broken only by escapes and indent tags goes into the view in one piece.
  void queueText(const QString& text) { pending_ += text; }
  void flushText() {
    if (pending_.isEmpty()) return;
    view_.insertText(pending_);
    pending_.clear();
  }
  int caretWithQueue() const { return view_.caret() + int(pending_.size()); }
  // The view's caret style was changed behind the loader's back.
  void forgetAppliedStyle() { styleApplied_ = false; }

  void applyCurrentStyle() {
    const CharStyle style = currentStyle();
    if (!styleApplied_ || style != appliedStyle_) {
      flushText();
      view_.applyStyleAtCaret(style);
      appliedStyle_ = style;
      styleApplied_ = true;
    }
    if (state_.alignment != lastAlignment_) {
      flushText();
      AttributeValue value;
      value.number = int32_t(state_.alignment);
      view_.setAttribute(attr::alignment, view_.caret(), view_.caret(), value);
      lastAlignment_ = state_.alignment;
    }
  }

  void insertInColour(const std::string& bytes, const Rgb& colour) {
    CharStyle style = currentStyle();
    style.colour = colour;
    flushText();
    view_.applyStyleAtCaret(style);
    view_.insertText(unicodeOf(bytes.data(), bytes.size()));
    forgetAppliedStyle();
    applyCurrentStyle();
  }

  // The warning names the backslash and the character after it; a longer
  // tag kept whole (`\Sd`, `\q=`) is still shown and saved whole.
  size_t unknownTag(size_t slash, size_t length = 2) {
    const std::string tag = text_.substr(slash, length);
    reportWarning("Unrecognized tag: %s", tag.substr(0, 2).c_str());
    insertInColour(tag, kUnknownTagColour);
    return slash + length;
  }

  // `="value"` right behind the tag letter; false when malformed or empty.
  bool quotedValue(size_t slash, std::string& value, size_t& next) const {
    if (at(slash + 2) != '=' || at(slash + 3) != '"') return false;
    const size_t close = text_.find('"', slash + 4);
    if (close == std::string::npos || close == slash + 4) return false;
    value = text_.substr(slash + 4, close - slash - 4);
    next = close + 1;
    return true;
  }

  static int percentOf(const std::string& value) {
    int percent = 0;
    for (char c : value) {
      if (c < '0' || c > '9') break;
      percent = std::min(percent * 10 + (c - '0'), 1000);
    }
    return std::min(percent, 100);
  }

  void toggleFont(Font font) { state_.font = state_.font == font ? Font::Normal : font; }

  size_t dispatch(size_t slash) {
    const char tag = at(slash + 1);
    const size_t after = slash + 2;
    std::string value;
    size_t next = after;
    switch (tag) {
      case '\\': queueText(QStringLiteral("\\")); return after;
      case 'a': return characterCode(slash);
      case 'b': toggleFont(Font::Bold); return after;
      case 'c': state_.alignment = state_.alignment == kAlignCentre ? kAlignLeft : kAlignCentre; return after;
      case 'r': state_.alignment = state_.alignment == kAlignRight ? kAlignLeft : kAlignRight; return after;
      case 'd':
        flushText();
        insertBookPlate(view_);
        return after;
      case 'i': state_.italic = !state_.italic; return after;
      case 'o': state_.overstrike = !state_.overstrike; return after;
      case 'u': state_.underline = !state_.underline; return after;
      case 'l': toggleFont(Font::Large); return after;
      case 's': toggleFont(Font::Small); return after;
      case 'n': state_.font = Font::Normal; return after;
      case 'p': queueText(QStringLiteral("\f")); return after;
      case 'm': return image(slash);
      case 'q': return link(slash);
      case 'Q':
        if (!quotedValue(slash, value, next)) return after;
        flushText();
        insertAnchor(view_, value);
        return next;
      case 'S': return script(slash);
      case 't': indentTag(); return after;
      case 'T':
        if (!quotedValue(slash, value, next)) return after;
        flushText();
        // Measured once the whole text is in and laid out.
        insertUnmeasuredTab(view_, percentOf(value));
        ++tabsInserted_;
        return next;
      case 'w':
        if (!quotedValue(slash, value, next)) return after;
        flushText();
        insertRule(view_, percentOf(value));
        return next;
      case 'v':
        state_.inComment = !state_.inComment;
        // Only the comment that opens the file is its information block.
        infoBlockOpen_ = state_.inComment && !infoBlockSeen_ && text_.find_first_not_of(" \r", 0) == slash;
        if (infoBlockOpen_) infoBlockSeen_ = true;
        return after;
      case 'x': heading(0, true); return after;
      case 'X': {
        const char digit = at(slash + 2);
        if (digit >= '0' && digit <= '4') {
          heading(digit - '0', false);
          return slash + 3;
        }
        heading(0, false);
        return after;
      }
      case 'U': return unicodeCharacter(slash);
      default: return unknownTag(slash);
    }
  }

  // `\aDDD`: the byte is written over the third digit, so it is read as text
  // (or, for a backslash, as the start of a tag) from there on.
  size_t characterCode(size_t slash) {
    if (slash + 4 >= text_.size()) return unknownTag(slash);
    int code = 0;
    for (size_t i = slash + 2; i <= slash + 4; ++i) code = code * 10 + (text_[i] - '0');
    const uint8_t byte = uint8_t(((code % 256) + 256) % 256);
    // A NUL would end the text in memory; the code is dropped instead.
    if (byte == 0) return slash + 5;
    text_[slash + 4] = char(byte);
    return slash + 4;
  }

  // `\UXXXX` with upper-case hexadecimal digits is that Unicode character.
  size_t unicodeCharacter(size_t slash) {
    for (size_t i = slash + 2; i < slash + 6; ++i)
      if (!isUpperHexDigit(at(i))) return unknownTag(slash);
    const char16_t code = char16_t(std::stoi(text_.substr(slash + 2, 4), nullptr, 16));
    queueText(QString(QChar(code)));
    return slash + 6;
  }

  size_t script(size_t slash) {
    const char variant = at(slash + 2);
    if (variant == 'p') {
      state_.superscript = !state_.superscript;
      return slash + 3;
    }
    if (variant == 'b') {
      state_.subscript = !state_.subscript;
      return slash + 3;
    }
    // A sidebar reference is kept whole: were its `d` read as text, a tag
    // written between the two on saving would turn `\S` into another tag.
    if (variant == 'd') return unknownTag(slash, 3);
    return std::min(slash + 3, text_.size());
  }

  size_t image(size_t slash) {
    std::string name;
    size_t next = slash + 2;
    if (!quotedValue(slash, name, next)) return slash + 2;
    flushText();
    if (options_.imageValuesArePaths) {
      insertImage(view_, name);
    } else {
      if (options_.documentPath.empty()) return slash + 2;
      insertImage(view_, imageFolderOf(options_.documentPath) + "/" + name);
    }
    return next;
  }

  size_t link(size_t slash) {
    if (at(slash + 2) != '=') {
      if (!state_.inLink) return unknownTag(slash);
      state_.inLink = false;
      return slash + 2;
    }
    // A link cannot open inside a link. Its `=` is kept with the tag: read as
    // text, a tag written between the two on saving would turn `\q` into the
    // closing tag.
    if (state_.inLink) return unknownTag(slash, 3);
    if (at(slash + 3) != '"') {
      insertInColour(text_.substr(slash, 3), kUnknownTagColour);
      return slash + 3;
    }
    const size_t close = text_.find('"', slash + 4);
    if (close == std::string::npos) {
      insertInColour(text_.substr(slash, 4), kUnknownTagColour);
      return slash + 4;
    }
    if (close == slash + 4) {
      insertInColour(text_.substr(slash, 5), kUnknownTagColour);
      return slash + 5;
    }
    state_.inLink = true;
    applyCurrentStyle();
    flushText();
    insertLink(view_, text_.substr(slash + 4, close - slash - 4));
    forgetAppliedStyle();
    return close + 1;
  }

  void heading(int level, bool isChapter) {
    if (state_.headingLevel < 0) {
      if (isChapter) queueText(QStringLiteral("\f"));
      state_.headingLevel = level;
      state_.headingIsChapter = isChapter;
      applyCurrentStyle();
      flushText();
      insertChapterMarker(view_, level, std::string());
      return;
    }
    if (state_.headingLevel == level && state_.headingIsChapter == isChapter) state_.headingLevel = -1;
  }

  void indentTag() {
    const int caret = caretWithQueue();
    if (!state_.inIndent)
      state_.indentRegions.push_front({caret, -1});
    else
      state_.indentRegions.front().end = caret;
    state_.inIndent = !state_.inIndent;
  }

  // The book's information is read from the block at the head of the file
  // only: taken from any comment, every load would move one more `KEY="..."`
  // out of the author's own comments.
  void handleComment(std::string stretch) {
    if (bookInfo_ != nullptr && infoBlockOpen_) {
      struct Key {
        const char* name;
        std::string* field;
      };
      std::string discarded;
      const Key keys[] = {{"TITLE", &bookInfo_->title},         {"AUTHOR", &bookInfo_->author},
                          {"PUBLISHER", &bookInfo_->publisher}, {"EISBN", &bookInfo_->eisbn},
                          {"COPYRIGHT", &bookInfo_->copyright}, {"OUT", &discarded}};
      for (const Key& key : keys) {
        const size_t found = stretch.find(key.name);
        if (found == std::string::npos) continue;
        const size_t valueStart = found + std::char_traits<char>::length(key.name) + 2;
        if (valueStart > stretch.size()) continue;
        const size_t close = stretch.find('"', valueStart);
        if (close == std::string::npos) continue;
        *key.field = stretch.substr(valueStart, close - valueStart);
        stretch.erase(found, close + 1 - found);
      }
    }
    if (stretch.find_first_not_of(" \r\n") != std::string::npos) {
      flushText();
      insertComment(view_, stretch);
    }
  }

  bool isLineEnd(EditorChar c) const { return c == kParagraphEndChar || c == kPageBreakChar; }

  void resolveIndentRegions() {
    const int length = view_.length();
    AttributeValue indent;
    indent.number = 8 * view_.zoom();
    for (IndentRegion region : state_.indentRegions) {
      if (region.end < 0) region.end = length;
      FourCC mode = attr::blockIndent;
      bool startsInsideLine = false;
      for (int p = region.start - 1; p >= 0; --p) {
        const EditorChar c = view_.characterAt(p);
        if (isLineEnd(c)) break;
        if (c != kObjectChar) {
          startsInsideLine = true;
          break;
        }
      }
      if (startsInsideLine) {
        mode = attr::bodyIndent;
      } else if (region.end > 0 && !isLineEnd(view_.characterAt(region.end - 1)) && region.end < length) {
        for (int p = region.end; p < length; ++p) {
          const EditorChar c = view_.characterAt(p);
          if (isLineEnd(c)) break;
          if (c != kObjectChar) {
            mode = attr::firstLineIndent;
            break;
          }
        }
      }
      view_.setAttribute(mode, region.start, region.end, indent);
    }
  }

  RichTextView& view_;
  BookInfo* bookInfo_;
  TmlLoadOptions options_;
  LoadState state_;
  FourCC lastAlignment_;
  std::string text_;
  QString pending_;
  int tabsInserted_ = 0;
  CharStyle appliedStyle_;
  bool styleApplied_ = false;
  bool infoBlockOpen_ = false;
  bool infoBlockSeen_ = false;
};

// Restores undo recording and change notifications however the load ends.
// Undo recording is left alone when the load is to be undoable (a paste).
class SuspendedView {
 public:
  SuspendedView(RichTextView& view, bool keepUndo)
      : view_(view),
        keepUndo_(keepUndo),
        undo_(keepUndo || view.setUndoEnabled(false)),
        notifications_(view.setNotificationsEnabled(false)) {}
  ~SuspendedView() {
    view_.setNotificationsEnabled(notifications_);
    if (!keepUndo_) view_.setUndoEnabled(undo_);
  }

 private:
  RichTextView& view_;
  bool keepUndo_, undo_, notifications_;
};

}  // namespace

std::string imageFolderOf(const std::string& documentPath) {
  std::string base = documentPath;
  if (base.size() >= 4) {
    std::string ending = base.substr(base.size() - 4);
    for (char& c : ending) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ending == ".txt" || ending == ".tml") base.resize(base.size() - 4);
  }
  return base + "_img";
}

bool loadTmlFromMemory(const std::string& text, const TmlLoadOptions& options, BookInfo* bookInfo, RichTextView* view) {
  if (view == nullptr) return false;
  SuspendedView suspended(*view, options.keepUndo);
  // One edit: the layout hears of the change once, at the end, and a paste
  // undoes as one step.
  const int start = view->caret();
  view->beginEditGroup();
  TmlLoader loader(*view, bookInfo, options);
  loader.run(normaliseLineEnds(text));
  view->endEditGroup();
  // Tabs are measured where they stand, which the layout knows only now.
  if (loader.tabsInserted() > 0) relayoutTabs(*view, start, view->caret());
  return true;
}

bool loadTml(const std::string& path, BookInfo* bookInfo, RichTextView* view) {
  if (view == nullptr || path.empty()) return false;
  std::vector<uint8_t> bytes;
  if (!readWholeFile(path, bytes)) return false;
  const std::string text(bytes.begin(), bytes.end());
  reportStatus("Opening file \"%s\"", path.c_str());
  TmlLoadOptions options;
  options.documentPath = path;
  return loadTmlFromMemory(text, options, bookInfo, view);
}

}  // namespace scrivora
