#include "TmlLoader.h"

#include <cstdio>
#include <cstring>
#include <list>
#include <set>
#include <string_view>

#include "BookObject.h"
#include "BuildLog.h"
#include "FileSystem.h"
#include "InfoBlock.h"
#include "SourcePlaces.h"
#include "TmlTags.h"

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
  bool boldStyle = false;
  bool inLink = false;
  // An index term, footnote or sidebar reference is open (links have inLink).
  Marking marking = Marking::None;
  int headingLevel = -1;
  bool headingIsChapter = false;
  FourCC alignment = kAlignLeft;
};

// CR LF and lone LF become CR. The bytes 0x00 to 0x08 are dropped, as the
// compiler drops them: they mean nothing in a book, and a code 1 would pass
// for an object in the editor text.
// With `offsets`, records where the result parts from the text.
std::string normaliseLineEnds(const std::string& text, OffsetMap* offsets) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out.push_back('\r');
      if (i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
        if (offsets) offsets->resumeAt(out.size(), i + 1);
      }
    } else if (c == '\n') {
      out.push_back('\r');
    } else if (static_cast<unsigned char>(c) > 0x08) {
      out.push_back(c);
    } else if (offsets) {
      offsets->resumeAt(out.size(), i + 1);
    }
  }
  return out;
}

// A character of the text after which a line may break whatever its width.
bool isBreakCharacter(char c) { return c == ' ' || c == '-' || c == '_'; }

QString unicodeOf(const char* bytes, size_t size) {
  QString text(qsizetype(size), Qt::Uninitialized);
  QChar* out = text.data();
  for (size_t i = 0; i < size; ++i) out[i] = QChar(unicodeFromCodePage(uint8_t(bytes[i])));
  return text;
}

bool isUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a character code stands for itself in the editor text and is
// written back with the same meaning. A control code, or a space, hyphen or
// underscore (where the raw character would be a place to break the line),
// means something else when written as the character itself.
bool codeIsOrdinaryCharacter(uint8_t code) { return code >= 32 && code != ' ' && code != '-' && code != '_'; }

class TmlLoader {
 public:
  TmlLoader(RichTextView& view, BookInfo* bookInfo, const TmlLoadOptions& options)
      : view_(view), bookInfo_(bookInfo), options_(options) {
    lastAlignment_ = view.paragraphFormatAt(view.caret()).alignment;
  }

  int tabsInserted() const { return tabsInserted_; }

  void run(std::string text) {
    text_ = std::move(text);
    mainTextEnd_ = std::min(text_.find("<footnote id=\""), text_.find("<sidebar id=\""));
    if (mainTextEnd_ == std::string::npos) mainTextEnd_ = text_.size();
    size_t p = takeInfoBlock();
    notePlace(p, false);
    boldClash_ = mainTextUses(p, 'b') && mainTextUses(p, 'B');
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
      notePlace(slash, true);
      p = dispatch(slash);
      notePlace(p, false);
    }
    flushComment();
    flushText();
    resolveIndentRegions();
  }

 private:
  char at(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  // Where the editor text stands at a place of the text, kept when the load
  // is to be followed to a place (SourcePlaces.h).
  void notePlace(size_t offset, bool tagStarts) {
    if (options_.places != nullptr && options_.places->recordsEditorPlaces())
      options_.places->reached(offset, caretWithQueue(), tagStarts);
  }
  SourcePosition placeOf(size_t offset) const { return sourcePositionAt(options_.places, offset); }

  // The book's information is read from the block that opens the file, line
  // by line, by the same reader every program uses. The block keeps its own
  // spelling for the next save; the text goes on behind it.
  size_t takeInfoBlock() {
    if (bookInfo_ == nullptr) return 0;
    bookInfo_->sourceBlock.clear();
    const InfoBlock block = readInfoBlock(text_);
    if (!block.present) return 0;
    *bookInfo_ = block.info;
    for (size_t i = 0; i < block.end; ++i) {
      bookInfo_->sourceBlock.push_back(text_[i]);
      if (text_[i] == '\r') bookInfo_->sourceBlock.push_back('\n');
    }
    return block.end;
  }

  void insertBody(size_t from, size_t to) {
    if (from >= to) return;
    if (state_.inComment) {
      comment_.append(text_, from, to - from);
      return;
    }
    for (size_t at = from; at < to;) {
      const size_t special = std::string_view(text_).substr(at, to - at).find_first_of("\f<");
      const size_t end = special == std::string_view::npos ? to : at + special;
      if (end > at) queueBodyText(at, end);
      if (end == to) break;
      if (text_[end] == '\f') {
        // A raw form feed is a character of the book, not a page break: it
        // is kept as the code that means the same.
        keepAsWritten("\\a012");
        at = end + 1;
        continue;
      }
      // The opening of a footnote or sidebar block names its id as the
      // references do, byte for byte: it is kept as written, and so is the
      // block's end, both in the grey that sets the notes apart.
      const size_t markerEnd = noteMarkerEnd(end);
      if (markerEnd == 0 || markerEnd > to) {
        queueBodyText(end, end + 1);
        at = end + 1;
        continue;
      }
      keepAsWritten(text_.substr(end, markerEnd - end), kNoteMarkerColour);
      at = markerEnd;
    }
  }

  // The end of a `<footnote id="...">` or `<sidebar id="...">` marker that
  // starts at a position, or 0.
  size_t noteMarkerEnd(size_t at) const {
    for (const char* marker : {"<footnote id=\"", "<sidebar id=\""}) {
      if (text_.compare(at, std::char_traits<char>::length(marker), marker) != 0) continue;
      const size_t close = text_.find("\">", at);
      return close == std::string::npos ? 0 : close + 2;
    }
    if (at < mainTextEnd_) return 0;
    for (const char* marker : {"</footnote>", "</sidebar>"}) {
      const size_t length = std::char_traits<char>::length(marker);
      if (text_.compare(at, length, marker) == 0) return at + length;
    }
    return 0;
  }

  // Text goes in paragraph by paragraph: a paragraph takes the alignment that
  // is on where its content begins.
  void queueBodyText(size_t from, size_t to) {
    const std::string_view body = std::string_view(text_).substr(0, to);
    while (from < to) {
      const size_t lineEnd = body.find('\r', from);
      const size_t end = lineEnd == std::string_view::npos ? to : lineEnd;
      if (end > from) {
        beforeContent();
        queueLineText(from, end);
        lastContentIsBreakCharacter_ = isBreakCharacter(text_[end - 1]);
      }
      if (lineEnd == std::string_view::npos) break;
      if (pendingAlignmentAfterBreakCharacter_ && !pendingAlignmentTags_.empty()) keepFirstPendingAlignmentTag();
      queueText(QStringLiteral("\r"));
      endParagraph();
      from = lineEnd + 1;
    }
  }

  // Inside an index term the bullet code is left out of the term, which the
  // bullet character itself is not: a raw bullet there is kept as written,
  // so that the editor's bullet can stand for the code.
  void queueLineText(size_t from, size_t to) {
    if (state_.marking != Marking::IndexTerm) {
      queueText(unicodeOf(text_.data() + from, to - from));
      return;
    }
    while (from < to) {
      const size_t bullet = text_.find(char(tml::kBulletCode), from);
      const size_t end = bullet == std::string::npos || bullet > to ? to : bullet;
      if (end > from) queueText(unicodeOf(text_.data() + from, end - from));
      if (end == to) break;
      keepAsWritten(std::string(1, char(tml::kBulletCode)));
      from = end + 1;
    }
  }

  // Alignment tags met after a paragraph's content began wait here: when
  // more content follows they stand in the middle of the line, which the
  // paragraph cannot show, and are kept as written; when the line ends
  // first they only closed the paragraph's alignment. Right behind a space,
  // hyphen or underscore they are kept as well: there a tag before the line
  // end lets that character push the line over its width, where a line end
  // right behind it never does, so the book can lay out the line otherwise
  // than with the tag after the line end.
  void beforeContent() {
    if (!pendingAlignmentTags_.empty()) insertPendingAlignmentTags();
    paragraphHasText_ = true;
    lastContentIsBreakCharacter_ = false;
  }
  // They go where they were met, in the style they were met in, so that a
  // save writes them back in their place.
  void insertPendingAlignmentTags() {
    std::string tags;
    tags.swap(pendingAlignmentTags_);
    flushText();
    const int end = view_.caret();
    view_.setCaret(pendingAlignmentAt_);
    view_.applyStyleAtCaret(pendingAlignmentStyle_);
    view_.insertText(unicodeOf(tags.data(), tags.size()));
    const int inserted = int(tags.size());
    for (IndentRegion& region : state_.indentRegions) {
      if (region.start >= pendingAlignmentAt_) region.start += inserted;
      if (region.end >= pendingAlignmentAt_) region.end += inserted;
    }
    view_.setCaret(end + inserted);
    forgetAppliedStyle();
    applyCurrentStyle();
  }
  // The first tag alone is enough to stand between the character and the
  // line end; what the others did to the alignment the writer spells in its
  // own way around the line end, and keeping them all as written would
  // gather them in one place that the next save moves again.
  void keepFirstPendingAlignmentTag() {
    pendingAlignmentTags_.resize(2);
    insertPendingAlignmentTags();
  }
  void endParagraph() {
    pendingAlignmentTags_.clear();
    paragraphHasText_ = false;
    applyAlignment();
  }

  CharStyle currentStyle() const {
    CharStyle style;
    style.italic = state_.italic;
    style.underline = state_.underline;
    style.overstrike = state_.overstrike;
    style.bold = state_.boldStyle;
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
    } else if (state_.marking != Marking::None) {
      style.colour = markingColour(state_.marking);
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
    applyAlignment();
  }

  void applyAlignment() {
    if (state_.alignment != lastAlignment_ && !paragraphHasText_) {
      flushText();
      AttributeValue value;
      value.number = int32_t(state_.alignment);
      view_.setAttribute(attr::alignment, view_.caret(), view_.caret(), value);
      lastAlignment_ = state_.alignment;
    }
  }

  // Tag text the editor keeps exactly as the file spells it: shown in red
  // and written back byte for byte. Inside a comment it is part of the
  // comment's text.
  void keepAsWritten(const std::string& bytes, Rgb colour = kUnknownTagColour) {
    trackKeptTags(bytes);
    if (state_.inComment) {
      comment_ += bytes;
      return;
    }
    beforeContent();
    insertKept(bytes, colour);
  }
  // Inside a link it is underlined as the link text is, which tells the
  // writer that the link goes on across it.
  // Inside an index term or a reference its red says so, which tells the
  // writer that the stretch goes on across it.
  CharStyle keptStyle(Rgb colour = kUnknownTagColour) const {
    CharStyle style = currentStyle();
    style.colour = colour == kUnknownTagColour ? keptColour(state_.marking) : colour;
    return style;
  }
  void insertKept(const std::string& bytes, Rgb colour) {
    flushText();
    view_.applyStyleAtCaret(keptStyle(colour));
    view_.insertText(unicodeOf(bytes.data(), bytes.size()));
    forgetAppliedStyle();
    applyCurrentStyle();
  }

  // Index terms are open between two kept `\I` tags: there a bullet code
  // means "left out of the term", which the bullet character does not.
  void trackKeptTags(const std::string& bytes) {
    for (size_t i = bytes.find('\\'); i != std::string::npos && i + 1 < bytes.size();
         i = bytes.find('\\', i + tmlTagLength(bytes, i)))
      if (bytes[i + 1] == 'I') inIndexTerm_ = !inIndexTerm_;
  }

  // A tag the editor does not understand: kept whole, with its quoted
  // argument when it has one, and reported by its backslash and letter.
  size_t unknownTag(size_t slash, size_t length = 2) {
    const std::string tag = text_.substr(slash, length);
    reportWarningAt(placeOf(slash), "Unrecognized tag: %s", tag.substr(0, 2).c_str());
    keepAsWritten(tag);
    return slash + length;
  }
  // A tag the book accepts but the editor cannot show where it stands (in a
  // comment, or inside a stretch it cannot hold): kept whole, silently.
  size_t keepTag(size_t slash) {
    const size_t length = tagLength(slash);
    keepAsWritten(text_.substr(slash, length));
    return slash + length;
  }
  // The same for a tag that opens a scope: its closing tag is kept too.
  size_t keepTagAndClosing(size_t slash, size_t closing) {
    if (closing != std::string::npos) keptTags_.insert(closing);
    return keepTag(slash);
  }

  // The first tag after a position, within the main text, that `is` accepts;
  // npos when there is none. `insideComment` tells whether it stands between
  // two `\v`.
  template <typename Is>
  size_t nextTag(size_t from, Is is, bool* insideComment = nullptr) const {
    bool comment = state_.inComment;
    for (size_t p = text_.find('\\', from); p != std::string::npos && p + 1 < mainTextEnd_;
         p = text_.find('\\', p + tagLength(p))) {
      if (is(p)) {
        if (insideComment != nullptr) *insideComment = comment;
        return p;
      }
      if (text_[p + 1] == 'v') comment = !comment;
    }
    return std::string::npos;
  }
  size_t nextTagNamed(size_t from, char letter) const {
    return nextTag(from, [&](size_t p) { return text_[p + 1] == letter; });
  }

  // Whether the main text holds a tag anywhere, comments included.
  bool mainTextUses(size_t from, char letter) const { return nextTagNamed(from, letter) != std::string::npos; }

  // What the book counts as a style when an index term opens.
  bool styleIsOn() const {
    return state_.italic || state_.underline || state_.overstrike || state_.boldStyle || state_.superscript ||
           state_.subscript || state_.inComment || state_.inIndent || keptIndentClose_ != std::string::npos ||
           state_.inLink || state_.marking != Marking::None || state_.alignment != kAlignLeft;
  }
  bool stretchIsOpen() const { return state_.inLink || state_.marking != Marking::None || state_.headingLevel >= 0; }

  void openMarking(Marking marking, const std::string& text) {
    state_.marking = marking;
    applyCurrentStyle();
    flushText();
    insertMarkingObject(view_, marking, text);
    forgetAppliedStyle();
  }

  // `\I` term `\I`. An index term shows as a stretch of its own where it
  // opens with no style or alignment on, outside other stretches, and closes
  // in the main text outside a comment; otherwise both tags are kept.
  size_t indexTerm(size_t slash) {
    if (state_.marking == Marking::IndexTerm && !state_.inComment) {
      state_.marking = Marking::None;
      return slash + 2;
    }
    bool closingInComment = false;
    const size_t closing = nextTag(
        slash + 2, [&](size_t p) { return text_[p + 1] == 'I'; }, &closingInComment);
    if (state_.inComment) return keepTagAndClosing(slash, closing);
    if (styleIsOn()) {
      if (closing != std::string::npos) keptTags_.insert(closing);
      return unknownTag(slash);
    }
    if (closing == std::string::npos || closingInComment || stretchIsOpen()) return keepTagAndClosing(slash, closing);
    openMarking(Marking::IndexTerm, std::string());
    return slash + 2;
  }

  // `\Fn="id"` text `\Fn` and `\Sd="id"` text `\Sd`: no tag may stand in the
  // text. One whose text holds a line end cannot be shown as a stretch on
  // one line and is kept as written, as is one inside another stretch.
  size_t reference(size_t slash, Marking marking) {
    const char letter = at(slash + 1), variant = at(slash + 2);
    if (state_.marking == marking && !state_.inComment) {
      state_.marking = Marking::None;
      return slash + 3;
    }
    const size_t argument = argumentLength(slash + 3);
    if (argument == 0) return unknownTag(slash, std::min(slash + 3, text_.size()) - slash);
    const size_t textStart = slash + 3 + argument;
    const size_t next = text_.find('\\', textStart);
    const bool closes =
        next != std::string::npos && next + 2 < mainTextEnd_ && text_[next + 1] == letter && text_[next + 2] == variant;
    if (!closes || state_.inLink) {
      if (closes) keptTags_.insert(next);
      return unknownTag(slash, 3 + argument);
    }
    const bool oneLine = text_.find_first_of("\r\f", textStart) >= next;
    if (state_.inComment || !oneLine || stretchIsOpen()) return keepTagAndClosing(slash, next);
    openMarking(marking, text_.substr(slash + 5, argument - 3));
    return textStart;
  }

  // `\Cn="title"`: a hidden chapter entry. Its title may hold only the
  // character escapes; the title keeps the spelling of the file.
  size_t hiddenChapter(size_t slash) {
    const char digit = at(slash + 2);
    const size_t argument = isDigit(digit) ? argumentLength(slash + 3) : 0;
    if (digit < '0' || digit > '4' || argument == 0 || !onlyCharacterEscapes(slash + 5, slash + 2 + argument))
      return unknownTag(slash, isDigit(digit) ? 3 + argument : 2);
    if (state_.inComment) return keepTag(slash);
    flushText();
    insertHiddenChapter(view_, digit - '0', text_.substr(slash + 5, argument - 3));
    return slash + 3 + argument;
  }
  bool onlyCharacterEscapes(size_t from, size_t to) const {
    for (size_t p = text_.find('\\', from); p < to; p = text_.find('\\', p + 1)) {
      const char tag = at(p + 1);
      const size_t digits = tag == 'a' ? 3 : tag == 'U' ? 4 : 0;
      if (digits == 0 || p + 2 + digits > to) return false;
      for (size_t i = p + 2; i < p + 2 + digits; ++i)
        if (tag == 'a' ? !isDigit(text_[i]) : !isUpperHexDigit(text_[i])) return false;
    }
    return true;
  }

  // `\B`: the bold style. A file that mixes it with the bold font does not
  // build: both tags are kept as written then, so that saving changes
  // nothing about the clash (a bold font tag that toggles nothing would be
  // dropped otherwise, and the bold style tags would then mean something).
  size_t boldStyle(size_t slash) {
    if (boldClash_) return unknownTag(slash);
    if (state_.inComment) return keepTag(slash);
    state_.boldStyle = !state_.boldStyle;
    return slash + 2;
  }

  size_t softHyphen(size_t slash) {
    if (state_.inComment) return keepTag(slash);
    flushText();
    insertSoftHyphen(view_);
    return slash + 2;
  }

  // The length of `="value"` at a position, or 0 when no closing quote
  // follows.
  size_t argumentLength(size_t at) const {
    if (this->at(at) != '=' || this->at(at + 1) != '"') return 0;
    const size_t close = text_.find('"', at + 2);
    return close == std::string::npos ? 0 : close + 1 - at;
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

  // Escapes stay in a comment as written: the compiler measures them even
  // in invisible text, which the characters themselves are not.
  bool keepsEscapeInComment(char tag) const { return state_.inComment && (tag == '\\' || tag == 'a' || tag == 'U'); }

  size_t dispatch(size_t slash) {
    const char tag = at(slash + 1);
    const size_t after = slash + 2;
    if (keptTags_.erase(slash) > 0) return keepTag(slash);
    if (!keepsEscapeInComment(tag) && !isKeptTag(slash)) flushComment();
    std::string value;
    size_t next = after;
    switch (tag) {
      case '\\':
        if (state_.inComment) {
          comment_ += "\\\\";
        } else {
          beforeContent();
          queueText(QStringLiteral("\\"));
        }
        return after;
      case 'a': return characterCode(slash);
      case 'b':
        if (boldClash_) return unknownTag(slash);
        toggleFont(Font::Bold);
        return after;
      case 'c': return alignmentTag(slash, kAlignCentre);
      case 'r': return alignmentTag(slash, kAlignRight);
      case 'd':
        beforeContent();
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
        if (!quotedValue(slash, value, next)) return unknownTag(slash);
        flushText();
        insertAnchor(view_, value);
        return next;
      case 'S': return script(slash);
      case 't': return indentTag(slash);
      case 'T':
        if (!quotedValue(slash, value, next)) return unknownTag(slash);
        beforeContent();
        flushText();
        // Measured once the whole text is in and laid out.
        insertUnmeasuredTab(view_, percentOf(value));
        ++tabsInserted_;
        return next;
      case 'w':
        if (!quotedValue(slash, value, next)) return unknownTag(slash);
        beforeContent();
        flushText();
        insertRule(view_, percentOf(value));
        return next;
      case 'v':
        // An empty comment still stands between what is around it: between
        // two spaces it is a place where the line may break.
        if (state_.inComment && commentOpenedAt_ + 2 == slash) {
          beforeContent();
          flushText();
          insertComment(view_, std::string());
        }
        state_.inComment = !state_.inComment;
        commentOpenedAt_ = slash;
        return after;
      case 'x':
        if (state_.marking != Marking::None) return keepTagAndClosing(slash, nextTagNamed(after, 'x'));
        heading(0, true);
        return after;
      case 'X': {
        if (state_.marking != Marking::None) return keepTagAndClosing(slash, nextTagNamed(slash + 3, 'X'));
        const char digit = at(slash + 2);
        if (digit >= '0' && digit <= '4') {
          heading(digit - '0', false);
          return slash + 3;
        }
        heading(0, false);
        return after;
      }
      case 'U': return unicodeCharacter(slash);
      case 'F':
        // The book skips a `\F` that is no footnote reference.
        if (at(slash + 2) == 'n') return reference(slash, Marking::Footnote);
        return keepTag(slash);
      case 'C': return hiddenChapter(slash);
      case 'I': return indexTerm(slash);
      case 'B': return boldStyle(slash);
      case '-': return softHyphen(slash);
      default: return unknownTag(slash);
    }
  }

  // Tags that stay text of the comment they stand in.
  bool isKeptTag(size_t slash) const {
    switch (at(slash + 1)) {
      case 't': return state_.inComment && (!state_.inIndent || slash == keptIndentClose_);
      case 'B':
      case 'C':
      case 'F':
      case 'I':
      case '-': return true;
      case 'S': return at(slash + 2) != 'p' && at(slash + 2) != 'b';
      default: return false;
    }
  }

  // `\aDDD` is the character with that code. A code that would mean
  // something else as the character itself is kept as written; so is a
  // bullet inside an index term, which the term leaves out.
  size_t characterCode(size_t slash) {
    if (!isDigit(at(slash + 2)) || !isDigit(at(slash + 3)) || !isDigit(at(slash + 4))) return malformedEscape(slash);
    const std::string written = text_.substr(slash, 5);
    const int code = (at(slash + 2) - '0') * 100 + (at(slash + 3) - '0') * 10 + (at(slash + 4) - '0');
    const uint8_t byte = uint8_t(code % 256);
    if (state_.inComment) {
      comment_ += written;
    } else if (!codeIsOrdinaryCharacter(byte) ||
               (inIndexTerm_ && byte == tml::kBulletCode && state_.marking != Marking::IndexTerm)) {
      keepAsWritten(written);
    } else {
      const char character = char(byte);
      beforeContent();
      queueText(unicodeOf(&character, 1));
    }
    return slash + 5;
  }

  // An escape with wrong digits is kept whole, as far as the compiler reads
  // it, so that nothing is ever written between its letter and its digits;
  // it stops before a backslash or a line end, which stay what they are.
  size_t malformedEscape(size_t slash) { return unknownTag(slash, tagLength(slash)); }

  // `\UXXXX` with upper-case hexadecimal digits is that Unicode character.
  // One that Windows-1252 has is kept as written: the book measures the
  // escape wider than the character.
  size_t unicodeCharacter(size_t slash) {
    for (size_t i = slash + 2; i < slash + 6; ++i) {
      if (isUpperHexDigit(at(i))) continue;
      return malformedEscape(slash);
    }
    const std::string written = text_.substr(slash, 6);
    const char16_t code = char16_t(std::stoi(text_.substr(slash + 2, 4), nullptr, 16));
    if (state_.inComment) {
      comment_ += written;
    } else if (codePageFromUnicode(code) >= 0) {
      keepAsWritten(written);
    } else {
      beforeContent();
      queueText(QString(QChar(code)));
    }
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
    if (variant == 'd') return reference(slash, Marking::Sidebar);
    // Any other variant is kept as written, so the compiler still sees what
    // the author wrote.
    return unknownTag(slash, std::min(slash + 3, text_.size()) - slash);
  }

  size_t image(size_t slash) {
    std::string name;
    size_t next = slash + 2;
    if (!quotedValue(slash, name, next)) return unknownTag(slash);
    if (!options_.imageValuesArePaths && options_.documentPath.empty()) return unknownTag(slash, next - slash);
    beforeContent();
    if (options_.imageValuesArePaths) {
      flushText();
      insertImage(view_, name);
    } else {
      flushText();
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
    // Inside an index term the link is kept as written, with its closing tag.
    if (state_.marking != Marking::None && argumentLength(slash + 2) > 3)
      return keepTagAndClosing(slash, nextTagNamed(slash + 2 + argumentLength(slash + 2), 'q'));
    if (at(slash + 3) != '"') return unknownTag(slash, 3);
    const size_t close = text_.find('"', slash + 4);
    if (close == std::string::npos) return unknownTag(slash, 4);
    if (close == slash + 4) return unknownTag(slash, 5);
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

  size_t tagLength(size_t slash) const { return tmlTagLength(text_, slash); }

  // Tags that put nothing on the line: styles, fonts, alignment, indents,
  // comments, headings, anchors, links and page breaks.
  bool putsNothingOnTheLine(size_t slash) const {
    const char tag = at(slash + 1);
    if (tag == 'S') return at(slash + 2) == 'p' || at(slash + 2) == 'b';
    return std::strchr("criuoblsntpvxXQqBCIF-", tag) != nullptr && tag != '\0';
  }

  // The characters and the things that take room on the line in
  // [from, to), and whether a line end lies there.
  size_t lineItemsBetween(size_t from, size_t to, bool& lineEnd) const {
    size_t items = 0;
    lineEnd = false;
    for (size_t p = from; p < to;) {
      if (text_[p] == '\r') {
        lineEnd = true;
        ++p;
      } else if (text_[p] == '\\' && p + 1 < text_.size()) {
        if (!putsNothingOnTheLine(p)) ++items;
        // What a comment holds is one object in the editor, however many
        // characters it has: a comment is never the one first character.
        if (text_[p + 1] == 'v') items += 2;
        p += tagLength(p);
      } else {
        ++items;
        ++p;
      }
    }
    return items;
  }

  // Whether nothing but tags that put nothing on the line stands between a
  // position and the next line end (or the end of the text).
  bool onlyTagsBeforeLineEnd(size_t from) const {
    for (size_t p = from; p < text_.size() && text_[p] != '\r';) {
      if (text_[p] != '\\' || !putsNothingOnTheLine(p)) return false;
      p += tagLength(p);
    }
    return true;
  }

  // The next `\t` tag at or after a position, or the end of the text.
  size_t nextIndentTag(size_t from) const {
    for (size_t p = text_.find('\\', from); p != std::string::npos && p + 1 < text_.size();
         p = text_.find('\\', p + tagLength(p)))
      if (text_[p + 1] == 't') return p;
    return text_.size();
  }

  // The characters and things that take room between the start of the
  // caret's line and the caret, counted up to two; a stretch of text kept as
  // written counts once.
  size_t lineItemsBeforeCaret() {
    flushText();
    size_t items = 0;
    for (int p = view_.caret() - 1; p >= 0 && items < 2; --p) {
      const EditorChar c = view_.characterAt(p);
      if (isLineEnd(c)) break;
      if (!takesRoom(p, c)) continue;
      ++items;
      // Text kept as written is written as one piece, the first thing of its
      // line when it starts one.
      if (view_.styleAt(p).colour != kUnknownTagColour) continue;
      while (p > 0 && view_.styleAt(p - 1).colour == kUnknownTagColour && !isLineEnd(view_.characterAt(p - 1))) --p;
    }
    return items;
  }

  // Alignment belongs to whole paragraphs in the editor: a paragraph shows the
  // alignment its content begins in. A tag after that waits to see whether
  // the line goes on (see beforeContent).
  size_t alignmentTag(size_t slash, FourCC alignment) {
    state_.alignment = state_.alignment == alignment ? kAlignLeft : alignment;
    if (paragraphHasText_) {
      if (pendingAlignmentTags_.empty()) {
        pendingAlignmentAt_ = caretWithQueue();
        pendingAlignmentStyle_ = keptStyle();
        pendingAlignmentAfterBreakCharacter_ = lastContentIsBreakCharacter_;
      }
      pendingAlignmentTags_.append(text_, slash, 2);
    }
    return slash + 2;
  }

  // An indent region is shown as the paragraph's indent when it has one of
  // the shapes the editor writes: whole lines (block), all but the first
  // character (body) or the first character only (first line). Any other
  // region keeps both its tags as written.
  size_t indentTag(size_t slash) {
    if (slash == keptIndentClose_) {
      keptIndentClose_ = std::string::npos;
      keepAsWritten("\\t");
      return slash + 2;
    }
    if (!state_.inIndent && state_.inComment) {
      // An indent that opens in a comment stays in it, and its closing tag
      // is kept as written too.
      keptIndentClose_ = nextIndentTag(slash + 2);
      keepAsWritten("\\t");
      return slash + 2;
    }
    if (!state_.inIndent) {
      const size_t close = nextIndentTag(slash + 2);
      bool lineEndInside = false;
      const size_t before = lineItemsBeforeCaret();
      const size_t inside = lineItemsBetween(slash + 2, close, lineEndInside);
      const bool endsWithLine = onlyTagsBeforeLineEnd(std::min(close + 2, text_.size()));
      // A reference's text holds no tag, so the indent tags could not go
      // around its first character: such a region is kept as written.
      const size_t lineStart = slash == 0 ? 0 : text_.rfind('\r', slash - 1) + 1;
      const std::string_view region = std::string_view(text_).substr(lineStart, close - lineStart);
      const bool holdsReference =
          region.find("\\Fn=") != std::string_view::npos || region.find("\\Sd=") != std::string_view::npos;
      const bool block = before == 0 && endsWithLine && !holdsReference;
      const bool body = before == 1 && !lineEndInside && endsWithLine && !holdsReference;
      const bool firstLine = before == 0 && inside == 1 && !lineEndInside && !holdsReference;
      if (!block && !body && !firstLine) {
        keptIndentClose_ = close;
        keepAsWritten("\\t");
        return slash + 2;
      }
    }
    const int caret = caretWithQueue();
    if (!state_.inIndent)
      state_.indentRegions.push_front({caret, -1});
    else
      state_.indentRegions.front().end = caret;
    state_.inIndent = !state_.inIndent;
    return slash + 2;
  }

  // The text of a comment gathers across the escapes and kept tags in it and
  // becomes one comment object where a tag the editor acts on, or the
  // comment's end, interrupts it. Even a comment of spaces and line ends is
  // kept: the lines of the file stay as they were.
  void flushComment() {
    if (comment_.empty()) return;
    {
      beforeContent();
      flushText();
      insertComment(view_, comment_);
    }
    comment_.clear();
  }

  // Indents belong to paragraphs; a page break inside one does not end it.
  bool isLineEnd(EditorChar c) const { return c == kParagraphEndChar; }

  // Characters of a line that the indent tags go around: text, and objects
  // that take room (images, rules, tabs, book plates).
  bool takesRoom(int position, EditorChar c) const {
    if (c == kPageBreakChar) return false;
    if (c != kObjectChar) return true;
    return isLineContent(bookObjectAt(view_, position).kind());
  }

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
        if (takesRoom(p, c)) {
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
          if (takesRoom(p, c)) {
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
  std::string comment_;
  bool paragraphHasText_ = false;
  // Inside an index term kept as written (its `\I` tags red).
  bool inIndexTerm_ = false;
  // Where the main text ends: the first footnote or sidebar block.
  size_t mainTextEnd_ = 0;
  // The main text uses both the bold font and the bold style.
  bool boldClash_ = false;
  // The closing tags of scopes kept as written, by position.
  std::set<size_t> keptTags_;
  std::string pendingAlignmentTags_;
  size_t commentOpenedAt_ = std::string::npos;
  int pendingAlignmentAt_ = 0;
  CharStyle pendingAlignmentStyle_;
  // The pending alignment tags follow a space, hyphen or underscore of the
  // text with nothing else on the line between.
  bool pendingAlignmentAfterBreakCharacter_ = false;
  // The last thing put on the line is such a character of the plain text.
  bool lastContentIsBreakCharacter_ = false;
  // The closing tag of an indent region kept as written.
  size_t keptIndentClose_ = std::string::npos;
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

namespace {

// The length of `="value"` at a position, or 0 when no closing quote follows.
size_t quotedArgumentLength(std::string_view text, size_t at) {
  if (at + 1 >= text.size() || text[at] != '=' || text[at + 1] != '"') return 0;
  const size_t close = text.find('"', at + 2);
  return close == std::string_view::npos ? 0 : close + 1 - at;
}

}  // namespace

size_t tmlTagLength(std::string_view text, size_t slash) {
  const char tag = slash + 1 < text.size() ? text[slash + 1] : '\0';
  const char second = slash + 2 < text.size() ? text[slash + 2] : '\0';
  switch (tag) {
    case 'a':
    case 'U': {
      // An escape ends before a backslash or line end, as the loader keeps
      // one with wrong digits.
      const size_t length = tag == 'a' ? tml::kDecimalEscapeLength : tml::kUnicodeEscapeLength;
      size_t end = slash + 2;
      while (end < std::min(slash + length, text.size()) && text[end] != '\\' && text[end] != '\r') ++end;
      return end - slash;
    }
    case 'X': return tml::kThreeLetterTagLength;
    case 'S': return second == 'd' ? 3 + quotedArgumentLength(text, slash + 3) : 3;
    case 'F': return second == 'n' ? 3 + quotedArgumentLength(text, slash + 3) : 2;
    case 'C': return 3 + quotedArgumentLength(text, slash + 3);
    case 'q':
    case 'Q':
    case 'm':
    case 'T':
    case 'w': return 2 + quotedArgumentLength(text, slash + 2);
    default: return 2;
  }
}

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
  loader.run(normaliseLineEnds(text, options.places != nullptr ? &options.places->normalisation() : nullptr));
  view->endEditGroup();
  // Tabs are measured where they stand, which the layout knows only now.
  if (loader.tabsInserted() > 0) relayoutTabs(*view, start, view->caret());
  return true;
}

namespace {

// The file's bytes as Windows-1252 TML, converted from UTF-8 where the file
// is UTF-8 (or is to be read so), with a word in the log either way.
std::string windows1252TextOf(const std::string& path, const std::string& bytes, InputEncoding encoding,
                              OffsetMap& conversion) {
  if (encoding == InputEncoding::Windows1252) return bytes;
  const SourceEncodingGuess guess = guessSourceEncoding(bytes);
  if (encoding == InputEncoding::Utf8 || guess.byteOrderMark) {
    reportStatus("The file %s is UTF-8; converting it to Windows-1252.", path.c_str());
    return utf8ToWindows1252Tml(bytes, &conversion);
  }
  if (guess.looksLikeUtf8) {
    SourcePosition where;
    where.file = path;
    where.line = guess.firstMultiByteLine;
    where.column = guess.firstMultiByteColumn;
    reportWarningAt(where,
                    "The file looks like UTF-8 (line %d); TML files are Windows-1252. Open it as UTF-8 to convert it.",
                    guess.firstMultiByteLine);
  }
  return bytes;
}

}  // namespace

bool loadTml(const std::string& path, BookInfo* bookInfo, RichTextView* view, InputEncoding encoding,
             SourcePlaces* places) {
  if (view == nullptr || path.empty()) return false;
  std::vector<uint8_t> bytes;
  if (!readWholeFile(path, bytes)) return false;
  reportStatus("Opening file \"%s\"", path.c_str());
  SourcePlaces ownPlaces;
  if (places == nullptr) places = &ownPlaces;
  places->setFile(path, std::string(bytes.begin(), bytes.end()));
  const std::string text = windows1252TextOf(path, places->fileBytes(), encoding, places->conversion());
  TmlLoadOptions options;
  options.documentPath = path;
  options.places = places;
  return loadTmlFromMemory(text, options, bookInfo, view);
}

}  // namespace scrivora
