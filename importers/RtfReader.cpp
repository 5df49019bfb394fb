#include "RtfReader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <unordered_map>

#include "CodePage.h"
#include "CodePageDecoder.h"
#include "Importer.h"

namespace scrivora {

const char* const kRtfNotRtf = "The file is not an RTF file.";
const char* const kRtfUnclosedGroups =
    "The RTF file ends before all its groups are closed; it may have been cut short.";
const char* const kRtfExtraClosingBrace =
    "The RTF file's braces do not balance: text follows the brace that closes the document and was not read.";
const char* const kRtfNestedTooDeeply = "The RTF file nests its groups too deeply to be read further.";
const char* const kRtfBinaryPastEnd = "The RTF file's binary data runs past the end of the file.";

namespace {

// Control words longer than this are not RTF; they are read and ignored.
constexpr size_t kLongestControlWord = 32;
// Parameters saturate here instead of overflowing.
constexpr int64_t kParameterLimit = std::numeric_limits<int32_t>::max();

enum class Destination {
  Text,             // characters are document text
  Skip,             // a destination the reader does not keep: everything is dropped
  FontTable,        // characters are font names
  AnsiAlternative,  // \upr's plain-text copy: dropped in favour of its \ud copy
};

// Everything a group saves and restores.
struct GroupState {
  Destination destination = Destination::Text;
  int font = -1;  // font number; -1 stands for the document's default font
  bool bold = false, italic = false, underline = false, strike = false, hidden = false;
  RtfScript script = RtfScript::Normal;
  RtfAlignment alignment = RtfAlignment::Left;
  int unicodeSkip = 1;  // \ucN: fallback characters after each \uN
};

struct FontEntry {
  std::string name;
  int codePage = 0;  // 0: the document's code page
};

// clang-format off
enum class Word {
  Unknown,
  // Destinations.
  FontTable, SkippedDestination, FieldResult, UnicodeAlternatives, UnicodeText,
  // Document.
  Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont,
  // Font table.
  Font, FontCharset, FontCodePage,
  // Character formatting.
  Plain, Bold, Italic, Underline, UnderlineNone, Strike, Super, Sub, NoSuperSub, Up, Down, Hidden,
  // Paragraph formatting.
  Pard, AlignLeft, AlignCentre, AlignRight, AlignJustify,
  // Characters and breaks.
  Par, Line, Tab, Page, Cell, Row, Unicode, UnicodeSkip, Binary, Special, Dropped,
};
// clang-format on

// Destinations whose text is not part of the document. Writers put most of
// them behind \*; these are also written without it.
constexpr std::string_view kSkippedDestinations =
    "colortbl stylesheet info pict object header headerl headerr headerf footer footerl footerr footerf footnote "
    "annotation atnid atnauthor atndate atnicn atnref atntime atrfstart atrfend fldinst xe tc txe rxe bkmkstart "
    "bkmkend listtable listoverridetable revtbl rsidtbl generator filetbl template docvar pgdsctbl nonshppict shp "
    "shpinst shppict shprslt do ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn pn comment title subject author "
    "operator keywords doccomm company manager category themedata colorschememapping latentstyles datastore "
    "xmlnstbl userprops private datafield formfield mmathPr protusertbl wgrffmtfilter listpicture background "
    "passwordhash";

// Every kind of underline (dotted, double, wave, ...) is an underline here.
constexpr std::string_view kUnderlineWords =
    "ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash ulthdashd ulthdashdd ulthldash "
    "ululdbwave ulw ulwave";

struct WordInfo {
  Word word;
  char32_t character;  // for Word::Special
};

// Control words are short; a plain FNV-1a hash of them is cheaper than the
// library's general one, and looking them up is much of the reading time.
struct WordHash {
  size_t operator()(std::string_view name) const {
    uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ uint8_t(c)) * 16777619u;
    return hash;
  }
};
using WordTable = std::unordered_map<std::string_view, WordInfo, WordHash>;

const WordTable& wordTable() {
  static const WordTable table = [] {
    WordTable t;
    auto add = [&](std::string_view name, Word word, char32_t character = 0) { t[name] = WordInfo{word, character}; };
    auto addEach = [&](std::string_view names, Word word) {
      for (size_t at = 0; at < names.size();) {
        const size_t end = std::min(names.find(' ', at), names.size());
        add(names.substr(at, end - at), word);
        at = end + 1;
      }
    };
    addEach(kSkippedDestinations, Word::SkippedDestination);
    add("fonttbl", Word::FontTable);
    add("fldrslt", Word::FieldResult);
    add("upr", Word::UnicodeAlternatives);
    add("ud", Word::UnicodeText);
    add("ansi", Word::Ansi);
    add("mac", Word::Mac);
    add("pc", Word::Pc);
    add("pca", Word::Pca);
    add("ansicpg", Word::AnsiCodePage);
    add("deff", Word::DefaultFont);
    add("f", Word::Font);
    add("fcharset", Word::FontCharset);
    add("cpg", Word::FontCodePage);
    add("plain", Word::Plain);
    add("b", Word::Bold);
    add("i", Word::Italic);
    addEach(kUnderlineWords, Word::Underline);
    add("ulnone", Word::UnderlineNone);
    add("strike", Word::Strike);
    add("striked", Word::Strike);
    add("super", Word::Super);
    add("sub", Word::Sub);
    add("nosupersub", Word::NoSuperSub);
    add("up", Word::Up);
    add("dn", Word::Down);
    add("v", Word::Hidden);
    add("deleted", Word::Hidden);  // text deleted with changes tracked
    add("pard", Word::Pard);
    add("ql", Word::AlignLeft);
    add("qc", Word::AlignCentre);
    add("qr", Word::AlignRight);
    add("qj", Word::AlignJustify);
    add("qd", Word::AlignJustify);
    add("par", Word::Par);
    add("sect", Word::Par);
    add("line", Word::Line);
    add("tab", Word::Tab);
    add("page", Word::Page);
    add("cell", Word::Cell);
    add("nestcell", Word::Cell);
    add("row", Word::Row);
    add("nestrow", Word::Row);
    add("u", Word::Unicode);
    add("uc", Word::UnicodeSkip);
    add("bin", Word::Binary);
    add("lquote", Word::Special, 0x2018);
    add("rquote", Word::Special, 0x2019);
    add("ldblquote", Word::Special, 0x201C);
    add("rdblquote", Word::Special, 0x201D);
    add("bullet", Word::Special, 0x2022);
    add("endash", Word::Special, 0x2013);
    add("emdash", Word::Special, 0x2014);
    add("enspace", Word::Special, 0x2002);
    add("emspace", Word::Special, 0x2003);
    add("qmspace", Word::Special, 0x2005);
    add("zwj", Word::Special, 0x200D);
    add("zwnj", Word::Special, 0x200C);
    // Direction marks steer bidirectional layout only.
    add("ltrmark", Word::Dropped);
    add("rtlmark", Word::Dropped);
    return t;
  }();
  return table;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Control characters that carry meaning in a run; every other one is noise.
bool isKeptControl(char32_t c) { return c == '\t' || c == '\n' || c == 0x0B || c == '\f' || c == '\r'; }

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

class RtfParser {
 public:
  explicit RtfParser(std::string_view bytes) : in_(bytes) {}

  RtfReadResult run() {
    RtfReadResult result;
    size_t start = 0;
    while (start < in_.size() && (in_[start] == ' ' || in_[start] == '\r' || in_[start] == '\n' || in_[start] == '\t'))
      ++start;
    if (in_.compare(start, 5, "{\\rtf") != 0) {
      result.problem = kRtfNotRtf;
      return result;
    }
    result.isRtf = true;
    at_ = start;
    readGroups();
    finishText();
    result.content = std::move(content_);
    result.problem = std::move(problem_);
    return result;
  }

 private:
  void readGroups() {
    while (at_ < in_.size() && !stopped_) {
      const char c = in_[at_];
      if (c == '{') {
        openGroup();
      } else if (c == '}') {
        closeGroup();
      } else if (c == '\\') {
        controlSequence();
      } else {
        ++at_;
        // Line ends in the file only wrap its lines.
        if (c != '\r' && c != '\n') textByte(uint8_t(c));
      }
    }
    if (!stopped_ && !stack_.empty()) stop(kRtfUnclosedGroups);
  }

  void stop(const char* problem) {
    problem_ = problem;
    stopped_ = true;
  }

  void openGroup() {
    ++at_;
    skipRemaining_ = 0;  // a brace ends a \u fallback
    ignorable_ = false;
    if (stack_.size() >= size_t(kRtfMaxGroupDepth)) return stop(kRtfNestedTooDeeply);
    stack_.push_back(state_);
  }

  void closeGroup() {
    ++at_;
    skipRemaining_ = 0;
    ignorable_ = false;
    if (state_.destination == Destination::FontTable) commitFont();
    state_ = stack_.back();
    stack_.pop_back();
    if (stack_.empty()) {
      // The document's group has closed; only blank space may follow.
      for (size_t i = at_; i < in_.size(); ++i) {
        const char c = in_[i];
        if (c != ' ' && c != '\r' && c != '\n' && c != '\t' && c != '\0') return stop(kRtfExtraClosingBrace);
      }
      stopped_ = true;
    }
  }

  void controlSequence() {
    ++at_;
    if (at_ >= in_.size()) return;  // a lone backslash at the end: the open groups report it
    if (!isLetter(in_[at_])) return controlSymbol(in_[at_++]);
    const size_t nameStart = at_;
    while (at_ < in_.size() && isLetter(in_[at_])) ++at_;
    const std::string_view name = in_.substr(nameStart, at_ - nameStart);
    bool hasParameter = false;
    int32_t parameter = 0;
    const bool negative = at_ + 1 < in_.size() && in_[at_] == '-' && isDigit(in_[at_ + 1]);
    if (negative) ++at_;
    if (at_ < in_.size() && isDigit(in_[at_])) {
      hasParameter = true;
      int64_t value = 0;
      for (; at_ < in_.size() && isDigit(in_[at_]); ++at_)
        if (value < kParameterLimit) value = value * 10 + (in_[at_] - '0');
      if (value > kParameterLimit) value = kParameterLimit;
      parameter = int32_t(negative ? -value : value);
    }
    if (at_ < in_.size() && in_[at_] == ' ') ++at_;  // the delimiter belongs to the word
    controlWord(name.size() <= kLongestControlWord ? name : std::string_view(), hasParameter, parameter);
  }

  void controlSymbol(char symbol) {
    if (symbol == '\'') {
      int value = 0, digits = 0;
      for (; digits < 2 && at_ < in_.size() && hexValue(in_[at_]) >= 0; ++digits)
        value = value * 16 + hexValue(in_[at_++]);
      if (digits == 0) return;
      return textByte(uint8_t(value));
    }
    ignorable_ = symbol == '*';
    if (symbol == '*') return;
    if (skipRemaining_ > 0) {
      --skipRemaining_;
      return;
    }
    switch (symbol) {
      case '\\':
      case '{':
      case '}': return textCharacter(char32_t(symbol));
      case '~': return textCharacter(0x00A0);  // no-break space
      case '-': return textCharacter(0x00AD);  // optional hyphen
      case '_': return textCharacter(0x2011);  // non-breaking hyphen
      case '\r':
      case '\n': return endParagraph();
      case '\t': return textCharacter('\t');
      default: return;  // index subentries (\:), formulas (\|) and unknown symbols
    }
  }

  void controlWord(std::string_view name, bool hasParameter, int32_t parameter) {
    const bool ignorable = ignorable_;
    ignorable_ = false;
    const auto& table = wordTable();
    const auto found = table.find(name);
    const WordInfo info = found == table.end() ? WordInfo{Word::Unknown, 0} : found->second;
    if (info.word == Word::Binary) return skipBinary(parameter);
    if (skipRemaining_ > 0) {
      --skipRemaining_;
      return;
    }
    if (state_.destination == Destination::Skip) return;
    if (ignorable && info.word != Word::UnicodeText) {
      state_.destination = Destination::Skip;
      return;
    }
    if (state_.destination == Destination::FontTable) return fontTableWord(info.word, parameter);
    const bool on = !hasParameter || parameter != 0;
    switch (info.word) {
      case Word::Unknown:
      case Word::Dropped:
      case Word::Binary: return;
      case Word::FontTable: state_.destination = Destination::FontTable; return;
      case Word::SkippedDestination: state_.destination = Destination::Skip; return;
      case Word::FieldResult: return;  // a field's result is ordinary text
      case Word::UnicodeAlternatives: state_.destination = Destination::AnsiAlternative; return;
      case Word::UnicodeText: state_.destination = Destination::Text; return;
      case Word::Ansi: return setDocumentCodePage(1252);
      case Word::Mac: return setDocumentCodePage(10000);
      case Word::Pc: return setDocumentCodePage(437);
      case Word::Pca: return setDocumentCodePage(850);
      case Word::AnsiCodePage:
        if (parameter > 0) setDocumentCodePage(parameter);
        return;
      case Word::DefaultFont:
        defaultFont_ = parameter;
        decoderFont_ = kNoFont;
        return;
      case Word::Font: state_.font = parameter; return;
      case Word::FontCharset:
      case Word::FontCodePage: return;
      case Word::Plain: return plain();
      case Word::Bold: state_.bold = on; return;
      case Word::Italic: state_.italic = on; return;
      case Word::Underline: state_.underline = on; return;
      case Word::UnderlineNone: state_.underline = false; return;
      case Word::Strike: state_.strike = on; return;
      case Word::Super: state_.script = RtfScript::Raised; return;
      case Word::Sub: state_.script = RtfScript::Lowered; return;
      case Word::NoSuperSub: state_.script = RtfScript::Normal; return;
      case Word::Up: state_.script = on ? RtfScript::Raised : RtfScript::Normal; return;
      case Word::Down: state_.script = on ? RtfScript::Lowered : RtfScript::Normal; return;
      case Word::Hidden: state_.hidden = on; return;
      case Word::Pard:
      case Word::AlignLeft: return setAlignment(RtfAlignment::Left);
      case Word::AlignCentre: return setAlignment(RtfAlignment::Centre);
      case Word::AlignRight: return setAlignment(RtfAlignment::Right);
      case Word::AlignJustify: return setAlignment(RtfAlignment::Justify);
      case Word::Par: return endParagraph();
      case Word::Line: return textCharacter(0x0B);
      case Word::Tab:
      case Word::Cell: return textCharacter('\t');
      case Word::Page: return textCharacter('\f');
      case Word::Row: return endRow();
      case Word::Special: return textCharacter(info.character);
      case Word::Unicode: return unicodeCharacter(parameter);
      case Word::UnicodeSkip: state_.unicodeSkip = parameter < 0 ? 0 : parameter; return;
    }
  }

  void fontTableWord(Word word, int32_t parameter) {
    switch (word) {
      case Word::Font:
        commitFont();
        fontNumber_ = parameter;
        fontName_.clear();
        fontCodePage_ = 0;
        return;
      case Word::FontCharset: fontCodePage_ = codePageOfCharset(parameter); return;
      case Word::FontCodePage: fontCodePage_ = parameter; return;
      case Word::Unicode:
        if (fontNumber_ >= 0) appendUtf8(parameter < 0 ? uint32_t(parameter + 65536) : uint32_t(parameter), fontName_);
        skipRemaining_ = state_.unicodeSkip;
        return;
      case Word::SkippedDestination: state_.destination = Destination::Skip; return;
      default: return;
    }
  }

  void commitFont() {
    if (fontNumber_ < 0) return;
    fonts_[fontNumber_] = FontEntry{trimmed(fontName_), fontCodePage_};
    fontNumber_ = -1;
    fontName_.clear();
    decoderFont_ = kNoFont;
  }

  void skipBinary(int32_t length) {
    if (length < 0) length = 0;
    if (size_t(length) > in_.size() - at_) {
      at_ = in_.size();
      return stop(kRtfBinaryPastEnd);
    }
    at_ += size_t(length);
    if (skipRemaining_ > 0) --skipRemaining_;
  }

  void plain() {
    state_.font = -1;
    state_.bold = state_.italic = state_.underline = state_.strike = state_.hidden = false;
    state_.script = RtfScript::Normal;
  }

  // A paragraph is formatted as its mark is: a change before the mark
  // applies to the text already read.
  void setAlignment(RtfAlignment alignment) {
    state_.alignment = alignment;
    if (paragraphOpen_ && writing()) content_.paragraphs.back().alignment = alignment;
  }

  void setDocumentCodePage(int codePage) {
    documentCodePage_ = codePage;
    decoderFont_ = kNoFont;
  }

  // \uN: N is a signed 16-bit number; writers that go beyond it mean the code
  // point itself.
  void unicodeCharacter(int32_t parameter) {
    char32_t character = 0xFFFD;
    if (parameter < 0 && parameter >= -32768)
      character = char32_t(parameter + 65536);
    else if (parameter >= 0 && parameter <= 0x10FFFF)
      character = char32_t(parameter);
    textCharacter(character);
    skipRemaining_ = state_.unicodeSkip;
  }

  // A byte of text, raw or as \'hh: a character of the current code page.
  void textByte(uint8_t byte) {
    ignorable_ = false;
    if (skipRemaining_ > 0) {
      --skipRemaining_;
      return;
    }
    if (state_.destination == Destination::FontTable) return fontNameByte(byte);
    if (!writing()) return;
    if (byte < 0x80 && (pendingDecoder_ == nullptr || !pendingDecoder_->waiting())) return appendCharacter(byte);
    CodePageDecoder& decoder = currentDecoder();
    if (pendingDecoder_ != nullptr && pendingDecoder_ != &decoder) flushBytes();
    decoded_.clear();
    decoder.decode(byte, decoded_);
    pendingDecoder_ = &decoder;
    for (char32_t c : decoded_) appendCharacter(c);
  }

  void fontNameByte(uint8_t byte) {
    if (byte == ';') return commitFont();
    if (fontNumber_ < 0) return;
    if (byte < 0x80)
      fontName_.push_back(char(byte));
    else
      appendUtf8(unicodeFromWindows1252(byte), fontName_);
  }

  // A character given by a control word or symbol.
  void textCharacter(char32_t character) {
    if (state_.destination == Destination::FontTable) {
      if (character >= 0x20) appendUtf8(character, fontName_);
      return;
    }
    if (!writing()) return;
    flushBytes();
    appendCharacter(character);
  }

  bool writing() const { return state_.destination == Destination::Text && !state_.hidden; }

  // Ends a multi-byte character left incomplete.
  void flushBytes() {
    if (pendingDecoder_ == nullptr || !pendingDecoder_->waiting()) return;
    decoded_.clear();
    pendingDecoder_->flush(decoded_);
    for (char32_t c : decoded_) appendCharacter(c);
  }

  CodePageDecoder& currentDecoder() {
    const int font = state_.font < 0 ? defaultFont_ : state_.font;
    if (font == decoderFont_ && decoder_ != nullptr) return *decoder_;
    int codePage = documentCodePage_;
    const auto entry = fonts_.find(font);
    if (entry != fonts_.end() && entry->second.codePage > 0) codePage = entry->second.codePage;
    auto& slot = decoders_[codePage];
    if (!slot) slot = std::make_unique<CodePageDecoder>(codePage);
    decoder_ = slot.get();
    decoderFont_ = font;
    return *decoder_;
  }

  void appendCharacter(char32_t c) {
    // \uN gives UTF-16: a surrogate pair makes one character, a lone half
    // none.
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (highSurrogate_ != 0) appendToRun(0xFFFD);
      highSurrogate_ = c;
      return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
      c = highSurrogate_ != 0 ? 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (c - 0xDC00) : 0xFFFD;
      highSurrogate_ = 0;
    } else if (highSurrogate_ != 0) {
      highSurrogate_ = 0;
      appendToRun(0xFFFD);
    }
    if ((c < 0x20 && !isKeptControl(c)) || c == 0x7F) return;
    appendToRun(c);
  }

  struct FormatKey {
    int font = 0;
    bool bold = false, italic = false, underline = false, strike = false;
    RtfScript script = RtfScript::Normal;
    bool operator==(const FormatKey& o) const {
      return font == o.font && bold == o.bold && italic == o.italic && underline == o.underline && strike == o.strike &&
             script == o.script;
    }
  };

  FormatKey currentKey() const {
    return FormatKey{state_.font < 0 ? defaultFont_ : state_.font,
                     state_.bold,
                     state_.italic,
                     state_.underline,
                     state_.strike,
                     state_.script};
  }

  RtfParagraph& openParagraph() {
    if (!paragraphOpen_) {
      content_.paragraphs.emplace_back();
      paragraphOpen_ = true;
    }
    RtfParagraph& paragraph = content_.paragraphs.back();
    // A paragraph takes the formatting in force at its last character or mark.
    paragraph.alignment = state_.alignment;
    return paragraph;
  }

  void appendToRun(char32_t c) {
    RtfParagraph& paragraph = openParagraph();
    const FormatKey key = currentKey();
    if (paragraph.runs.empty() || !(key == runKey_)) {
      paragraph.runs.emplace_back();
      RtfCharFormat& format = paragraph.runs.back().format;
      const auto font = fonts_.find(key.font);
      if (font != fonts_.end()) format.face = font->second.name;
      format.bold = key.bold;
      format.italic = key.italic;
      format.underline = key.underline;
      format.strike = key.strike;
      format.script = key.script;
      runKey_ = key;
    }
    std::string& text = paragraph.runs.back().text;
    if (c < 0x80)
      text.push_back(char(c));
    else
      appendUtf8(c, text);
  }

  void finishCharacters() {
    flushBytes();
    if (highSurrogate_ != 0) appendCharacter(0xFFFD);
  }

  void endParagraph() {
    if (!writing()) return;
    finishCharacters();
    RtfParagraph& paragraph = openParagraph();
    paragraph.ended = true;
    paragraphOpen_ = false;
  }

  // A table row: its cells were separated by tabs; the last one ends the
  // row's paragraph instead.
  void endRow() {
    if (!writing()) return;
    finishCharacters();
    if (paragraphOpen_) {
      std::vector<RtfRun>& runs = content_.paragraphs.back().runs;
      if (!runs.empty() && !runs.back().text.empty() && runs.back().text.back() == '\t') {
        runs.back().text.pop_back();
        if (runs.back().text.empty()) runs.pop_back();
      }
    }
    endParagraph();
  }

  void finishText() {
    if (state_.destination == Destination::Text) finishCharacters();
  }

  static constexpr int kNoFont = std::numeric_limits<int>::min();

  std::string_view in_;
  size_t at_ = 0;
  bool stopped_ = false;
  std::string problem_;

  GroupState state_;
  std::vector<GroupState> stack_;
  bool ignorable_ = false;  // \* came just before
  int skipRemaining_ = 0;   // fallback characters of a \uN still to skip

  std::map<int, FontEntry> fonts_;
  int defaultFont_ = 0;
  int documentCodePage_ = 1252;
  int fontNumber_ = -1;  // the font table entry being read
  std::string fontName_;
  int fontCodePage_ = 0;

  std::map<int, std::unique_ptr<CodePageDecoder>> decoders_;
  CodePageDecoder* decoder_ = nullptr;  // the decoder of decoderFont_
  int decoderFont_ = kNoFont;
  CodePageDecoder* pendingDecoder_ = nullptr;  // the decoder that last saw a byte
  std::u32string decoded_;
  char32_t highSurrogate_ = 0;

  RtfContent content_;
  bool paragraphOpen_ = false;
  FormatKey runKey_;
};

}  // namespace

RtfReadResult readRtf(std::string_view bytes) { return RtfParser(bytes).run(); }

RtfReadResult readRtfFile(const std::string& path) { return readRtf(readWholeFile(path)); }

}  // namespace scrivora
