#include "TmlWriter.h"

#include <algorithm>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "BookObject.h"
#include "BuildLog.h"
#include "InfoBlock.h"
#include "TmlLoader.h"
#include "TmlTags.h"

namespace scrivora {

namespace {

constexpr int kTextBlock = 16384;

const char* fontTag(FontKind font) {
  switch (font) {
    case FontKind::Small: return "\\s";
    case FontKind::Bold: return "\\b";
    case FontKind::Large: return "\\l";
    default: return "";
  }
}

// Copies an image into the document's image folder unless a file of that name
// is already there.
void copyImageIntoFolder(const std::string& source, const std::string& folder, const std::string& name) {
  const QString folderPath = QString::fromLocal8Bit(folder.c_str());
  const QString target = folderPath + "/" + QString::fromLocal8Bit(name.c_str());
  if (QFileInfo::exists(target)) return;
  if (!QDir().mkpath(folderPath) || !QFile::copy(QString::fromLocal8Bit(source.c_str()), target))
    reportWarning("Could not copy the image \"%s\" into \"%s\"", source.c_str(), folder.c_str());
}

class TmlWriter {
 public:
  TmlWriter(RichTextView& view, const TmlWriteOptions& options) : view_(view), options_(options) {
    from_ = std::clamp(options.start, 0, view.length());
    to_ = options.end < 0 ? view.length() : std::clamp(options.end, from_, view.length());
    for (const StyleRun& run : view.styleRuns()) {
      const int a = std::max(run.start, from_), b = std::min(run.end, to_);
      if (a < b) runs_.push_back({a, b, run.style});
    }
    for (const ParagraphRun& run : view.paragraphRuns()) {
      const int a = std::max(run.start, from_), b = std::min(run.end, to_);
      if (a < b) paragraphs_.push_back({a, b, run.format});
    }
    silent_.reserve(runs_.size());
    for (const StyleRun& run : runs_) silent_.push_back(writesNothing(run) ? 1 : 0);
  }

  // The block the file was opened with is written back as it was while it
  // still says the same; a changed block is written anew, keeping the lines
  // the editor does not know.
  void writeBookInfo(const BookInfo& info) {
    const InfoBlock opened = readInfoBlock(info.sourceBlock);
    if (opened.present && opened.info == info) {
      out_ += info.sourceBlock;
      return;
    }
    std::string block = writeInfoBlock(info);
    if (opened.present) block.insert(block.size() - 2, opened.otherText);
    out_ += block;
  }

  void writeBody() {
    const bool notifications = view_.setNotificationsEnabled(false);
    for (const ParagraphRun& paragraph : paragraphs_) writeParagraphRun(paragraph);
    markPosition(to_);
    view_.setNotificationsEnabled(notifications);
  }

  std::string take() { return std::move(out_); }

 private:
  const StyleRun* runAt(int position) const {
    auto it =
        std::upper_bound(runs_.begin(), runs_.end(), position, [](int p, const StyleRun& r) { return p < r.start; });
    if (it == runs_.begin()) return nullptr;
    --it;
    return position < it->end ? &*it : nullptr;
  }
  bool isSilent(const StyleRun* run) const { return silent_[size_t(run - runs_.data())] != 0; }
  // The runs that neighbouring tags compare with: a run that writes nothing
  // is looked through, as if it were not there.
  const StyleRun* visibleRunBefore(int position) const {
    const StyleRun* run = runAt(position);
    while (run != nullptr && isSilent(run)) run = runAt(run->start - 1);
    return run;
  }
  const StyleRun* visibleRunFrom(int position) const {
    const StyleRun* run = runAt(position);
    while (run != nullptr && isSilent(run)) run = runAt(run->end);
    return run;
  }
  // All clear and black outside the written range.
  CharStyle styleBefore(int position) const {
    const StyleRun* run = visibleRunBefore(position);
    return run != nullptr ? run->style : CharStyle();
  }
  CharStyle styleFrom(int position) const {
    const StyleRun* run = visibleRunFrom(position);
    return run != nullptr ? run->style : CharStyle();
  }
  // The colour that links and headings compare with: text kept as written
  // (red) stands inside a link or heading without ending it, so plain red
  // runs are looked through; the red of kept text inside an index term or a
  // reference counts as that stretch's colour.
  static bool isLookedThrough(const StyleRun* run) {
    return isKeptColour(run->style.colour) && markingOfKeptColour(run->style.colour) == Marking::None;
  }
  Rgb markerColourBefore(int position) const {
    for (const StyleRun* run = visibleRunBefore(position); run != nullptr; run = visibleRunBefore(run->start - 1))
      if (!isLookedThrough(run)) return colourOf(run);
    return kPlainColour;
  }
  // Also gives where that colour begins.
  Rgb markerColourFrom(int position, int& where) const {
    for (const StyleRun* run = visibleRunFrom(position); run != nullptr; run = visibleRunFrom(run->end)) {
      if (!isLookedThrough(run)) {
        where = run->start;
        return colourOf(run);
      }
    }
    where = to_;
    return kPlainColour;
  }
  // Text kept as written (red) inside a link is underlined as link text is;
  // with link text on both sides it counts as link text, so the link goes on
  // across it. (At the very end of a link it cannot be told from underlined
  // text after the link, and the link ends before it.)
  Rgb colourOf(const StyleRun* run) const {
    const CharStyle& style = run->style;
    const Marking inside = markingOfKeptColour(style.colour);
    if (inside != Marking::None) return markingColour(inside);
    if (style.colour == kUnknownTagColour && style.underline && markerColourBefore(run->start - 1) == kLinkColour) {
      int where = 0;
      if (markerColourFrom(run->end, where) == kLinkColour && !linkObjectAt(where, nullptr)) return kLinkColour;
    }
    return style.colour;
  }
  // Links are always underlined, so underline does not count on link text.
  bool countsAsUnderlined(const StyleRun* run) const {
    return run != nullptr && run->style.underline && colourOf(run) != kLinkColour;
  }
  FourCC alignmentAt(int position) const {
    if (position < from_ || position >= to_) return kAlignLeft;
    return view_.paragraphFormatAt(position).alignment;
  }
  bool linkObjectAt(int position, std::string* target) const {
    return openingObjectAt(position, Marking::Link, target);
  }
  // The object that opens a marked stretch, with its text (link target, note
  // id).
  bool openingObjectAt(int position, Marking marking, std::string* text) const {
    if (position < from_ || position >= to_) return false;
    BookObjectData data;
    if (!view_.objectAt(position, data) || data.kind != openingKindOf(marking)) return false;
    if (text != nullptr) *text = data.text;
    return true;
  }
  bool startsReference(const StyleRun& run) const {
    const Marking marking = markingOfColour(run.style.colour);
    return (marking == Marking::Footnote || marking == Marking::Sidebar) &&
           openingObjectAt(run.start, marking, nullptr);
  }

  bool chapterMarkerAt(int position) const {
    if (position < from_ || position >= to_) return false;
    BookObjectData data;
    return view_.objectAt(position, data) && data.kind == kind::chapter;
  }

  // Only objects whose tag comes from their colour, without that colour: a
  // chapter marker outside a heading, a link object outside link text.
  bool writesNothing(const StyleRun& run) const {
    for (int p = run.start; p < run.end; ++p) {
      BookObjectData data;
      if (!view_.objectAt(p, data)) return false;
      if (data.kind == kind::chapter && headingLevelOfColour(run.style.colour) < 0) continue;
      const Marking opens = markingOfOpeningKind(data.kind);
      if (opens != Marking::None && markingOfColour(run.style.colour) != opens) continue;
      return false;
    }
    return true;
  }

  bool endsInsideParagraph(int pe) const {
    const bool piece = to_ < view_.length() || options_.leaveLastParagraphOpen;
    return piece && pe == to_ && to_ > 0 && view_.characterAt(to_ - 1) != kParagraphEndChar;
  }

  // Whether anything the indent tags go around follows on the paragraph: a
  // page break does not, nor an object that only marks a place.
  bool textFollowsOnLine(int from) const {
    for (int p = from; p < to_; ++p) {
      const EditorChar c = view_.characterAt(p);
      if (c == kParagraphEndChar) return false;
      if (c == kPageBreakChar) continue;
      if (c != kObjectChar || isLineContent(bookObjectAt(view_, p).kind())) return true;
    }
    return false;
  }

  static const char* alignmentTag(FourCC alignment) {
    return alignment == kAlignCentre ? "\\c" : alignment == kAlignRight ? "\\r" : "";
  }

  void writeParagraphRun(const ParagraphRun& paragraph) {
    const int ps = paragraph.start, pe = paragraph.end;
    wantedAlignment_ = alignmentAt(ps);
    paragraphHasContent_ = false;
    mode_ = indentModeOf(paragraph.format);
    lineMode_ = mode_;
    atLineStart_ = true;
    inIndent_ = false;
    for (int p = ps; p < pe;) {
      const StyleRun* run = runAt(p);
      if (run == nullptr) break;
      // A run that writes nothing at all gets no tags either: they would be
      // toggled on and off around nothing.
      const bool silent = isSilent(run);
      if (run->start >= ps && !silent) {
        if (atLineStart_ && startsReference(*run)) beginLineWithReference();
        writeOpeningTags(*run);
      }
      writeText(std::max(run->start, ps), std::min(run->end, pe), run->style);
      if (run->end <= pe && !silent) writeClosingTags(*run);
      p = run->end;
    }
    if (inIndent_) {
      out_ += "\\t";
      inIndent_ = false;
    }
    // A copied piece that ends inside a paragraph leaves its alignment open,
    // so the paragraph it is pasted into takes it.
    // An empty last paragraph leaves the alignment it has open, as a tag
    // there would be read as its own alignment.
    if (pe == to_ && !endsInsideParagraph(pe) && paragraphHasContent_) moveAlignmentTo(kAlignLeft);
  }

  // No tag may stand in a reference's text, so a line that begins with one
  // gets its alignment and its indent before the reference opens; an indent
  // there is written as a block indent.
  void beginLineWithReference() {
    if (!paragraphHasContent_) moveAlignmentTo(wantedAlignment_);
    paragraphHasContent_ = true;
    atLineStart_ = false;
    if (lineMode_ == IndentMode::None) return;
    lineMode_ = IndentMode::Block;
    out_ += "\\t";
    inIndent_ = true;
  }

  // Alignment toggles: the writer follows the alignment the compiler will be
  // in (its own tags and the ones kept as written) and writes the tags that
  // bring it to the alignment wanted. A paragraph's closing tag stands before
  // its line end, so the line ends in the alignment the book shows it in.
  void moveAlignmentTo(FourCC wanted) {
    if (wanted == kAlignJustify) wanted = kAlignLeft;
    if (alignment_ == wanted) return;
    if (alignment_ != kAlignLeft) out_ += alignmentTag(alignment_);
    if (wanted != kAlignLeft) out_ += alignmentTag(wanted);
    alignment_ = wanted;
  }
  void toggleAlignment(FourCC alignment) { alignment_ = alignment_ == alignment ? kAlignLeft : alignment; }

  // The style tags come before the link and heading tags: those insert their
  // object when they are read, and the object has to take the run's style.
  void writeOpeningTags(const StyleRun& run) {
    const int rs = run.start;
    const CharStyle& s = run.style;
    const CharStyle p = styleBefore(rs - 1);
    const Rgb colour = colourOf(&run);
    if (s.italic && !p.italic) out_ += "\\i";
    if (s.bold && !p.bold) out_ += "\\B";
    if (s.overstrike && !p.overstrike) out_ += "\\o";
    if (s.offset >= 1 && p.offset <= 0) out_ += "\\Sp";
    if (s.offset < 0 && p.offset >= 0) out_ += "\\Sb";
    if (countsAsUnderlined(&run) && !countsAsUnderlined(visibleRunBefore(rs - 1))) out_ += "\\u";
    const FontKind font = fontOfFace(s.face);
    const StyleRun* previous = visibleRunBefore(rs - 1);
    if (previous == nullptr || font != fontOfFace(previous->style.face)) out_ += fontTag(font);
    const Rgb before = markerColourBefore(rs - 1);
    const Marking marking = markingOfColour(colour);
    std::string text;
    if (marking != Marking::None) {
      const bool object = openingObjectAt(rs, marking, &text);
      if (object || markingOfColour(before) != marking) openMarking(marking, object, text);
    }
    const int level = headingLevelOfColour(s.colour);
    if (level >= 0 && (s.colour != before || chapterMarkerAt(rs))) out_ += "\\X" + std::to_string(level);
  }

  // The mirror of the opening order, so that the tags of one run nest.
  void writeClosingTags(const StyleRun& run) {
    const int e = std::min(run.end, to_);
    const CharStyle& r = run.style;
    const CharStyle n = styleFrom(e);
    const Rgb colour = colourOf(&run);
    int afterStart = e;
    const Rgb after = markerColourFrom(e, afterStart);
    const int level = headingLevelOfColour(r.colour);
    if (level >= 0 && (r.colour != after || chapterMarkerAt(afterStart))) out_ += "\\X" + std::to_string(level);
    const Marking marking = markingOfColour(colour);
    if (marking != Marking::None && open_ == marking &&
        (markingOfColour(after) != marking || openingObjectAt(afterStart, marking, nullptr)))
      closeMarking();
    // A font still open at the end of the text is closed as well, so that the
    // text ends with every toggle off.
    const FontKind font = fontOfFace(r.face);
    if (font != fontOfFace(n.face)) out_ += fontTag(font);
    if (countsAsUnderlined(&run) && !countsAsUnderlined(visibleRunFrom(e))) out_ += "\\u";
    if (r.offset >= 1 && n.offset <= 0) out_ += "\\Sp";
    if (r.offset < 0 && n.offset >= 0) out_ += "\\Sb";
    if (r.overstrike && !n.overstrike) out_ += "\\o";
    if (r.bold && !n.bold) out_ += "\\B";
    if (r.italic && !n.italic) out_ += "\\i";
  }

  // A stretch opens with its object's tag. Link-coloured text with no link of
  // its own still opens one; a reference needs its object's id, and without
  // one its text is written plainly.
  void openMarking(Marking marking, bool object, const std::string& text) {
    switch (marking) {
      case Marking::Link: out_ += "\\q=\"" + (object ? text : std::string("#GNDN")) + "\""; break;
      case Marking::IndexTerm: out_ += "\\I"; break;
      case Marking::Footnote:
      case Marking::Sidebar:
        if (!object) return;
        out_ += (marking == Marking::Footnote ? "\\Fn=\"" : "\\Sd=\"") + text + "\"";
        inReference_ = true;
        break;
      default: return;
    }
    open_ = marking;
  }
  void closeMarking() {
    switch (open_) {
      case Marking::Link: out_ += "\\q"; break;
      case Marking::IndexTerm: out_ += "\\I"; break;
      case Marking::Footnote: out_ += "\\Fn"; break;
      case Marking::Sidebar: out_ += "\\Sd"; break;
      default: break;
    }
    if (open_ == Marking::Footnote || open_ == Marking::Sidebar) inReference_ = false;
    open_ = Marking::None;
  }

  void writeObject(int position) {
    BookObjectData data;
    // A stray code 1 that is no object stands for nothing in the book.
    if (!view_.objectAt(position, data)) return;
    char line[64];
    switch (data.kind) {
      case kind::bookPlate: out_ += "\\d"; break;
      case kind::anchor: out_ += "\\Q=\"" + data.text + "\""; break;
      case kind::comment: writeComment(data.text); break;
      case kind::image: {
        const std::string name = BookObject{position, data}.imageFileName();
        if (!options_.imageFolder.empty()) copyImageIntoFolder(data.text, options_.imageFolder, name);
        out_ += "\\m=\"" + (options_.fullImagePaths ? data.text : name) + "\"";
        break;
      }
      case kind::rule:
        std::snprintf(line, sizeof line, "\\w=\"%d%%\"", int(data.percent & 0xFFFF));
        out_ += line;
        break;
      case kind::tab:
        std::snprintf(line, sizeof line, "\\T=\"%d%%\"", int(data.percent & 0xFFFF));
        out_ += line;
        break;
      case kind::hiddenChapter:
        out_ += "\\C" + std::to_string(std::min<int>(data.level, 4)) + "=\"";
        for (char c : data.text) {
          out_.push_back(c);
          if (c == '\r') out_.push_back('\n');
        }
        out_ += "\"";
        break;
      case kind::softHyphen: out_ += "\\-"; break;
      default:
        // Links are written by their run, headings by their colour.
        break;
    }
  }

  // A comment is written as the file spelled it, with CR LF line ends.
  void writeComment(const std::string& text) {
    out_ += "\\v";
    for (char c : text) {
      out_.push_back(c);
      if (c == '\r') out_.push_back('\n');
    }
    out_ += "\\v";
    trackKeptTags(text);
  }

  // The indent and the alignment of a paragraph close before its line end.
  // Inside a run of paragraphs of one alignment, what kept tags changed is
  // set back.
  void endParagraph(int position) {
    lineMode_ = mode_;
    if (inIndent_) out_ += "\\t";
    inIndent_ = false;
    const FourCC own = alignmentAt(position), next = alignmentAt(position + 1);
    // An empty paragraph opened no alignment of its own to close. After a
    // space, hyphen or underscore the tag goes behind the line end instead:
    // such a character right before a line end is where the line may break
    // whatever its width, which a tag between the two would undo.
    const bool closeAfter = endsWithBreakCharacter(position);
    if (paragraphHasContent_ && !closeAfter) moveAlignmentTo(own == next ? next : kAlignLeft);
    out_ += "\r\n";
    if (paragraphHasContent_ && closeAfter) moveAlignmentTo(own == next ? next : kAlignLeft);
    wantedAlignment_ = next;
    paragraphHasContent_ = false;
    atLineStart_ = true;
  }

  bool endsWithBreakCharacter(int lineEnd) const {
    if (lineEnd <= from_) return false;
    const EditorChar c = view_.characterAt(lineEnd - 1);
    return (c == ' ' || c == '-' || c == '_') && !isKeptColour(view_.styleAt(lineEnd - 1).colour);
  }

  void appendCharacter(EditorChar c) {
    char code[16];
    if (c == '\\') {
      out_ += "\\\\";
    } else if (c == '=' && endsWithLinkTag()) {
      // `\q=` would open a link where one closes.
      out_ += "\\a061";
    } else if (isOutsideCodePage(c)) {
      std::snprintf(code, sizeof code, "\\U%04X", unsigned(unicodeOfOutside(c)));
      out_ += code;
    } else if (c >= 128 && (inReference_ || (inIndexTerm_ && c == tml::kBulletCode))) {
      // No tag may stand inside a reference's text, and a bullet code inside
      // an index term would leave the bullet out of the term.
      out_.push_back(char(c));
    } else if (c >= 128) {
      std::snprintf(code, sizeof code, "\\a%03d", int(c));
      out_ += code;
    } else {
      out_.push_back(char(c));
    }
  }

  // The first written thing of a line carries the indent tags around it.
  template <typename WriteFirst>
  void writeFirstOfLine(int after, WriteFirst writeFirst) {
    atLineStart_ = false;
    // The alignment opens where the paragraph's content begins: an empty
    // paragraph gets none, as the loader gives it none.
    if (!paragraphHasContent_) moveAlignmentTo(wantedAlignment_);
    paragraphHasContent_ = true;
    // A first-line indent shows only when text follows the first character of
    // the paragraph; otherwise it reads back as a block indent, and the whole
    // paragraph is written so. A page break inside a paragraph stays inside
    // its indent, as the book keeps the indent across it.
    if (lineMode_ == IndentMode::FirstLine && !textFollowsOnLine(after)) lineMode_ = IndentMode::Block;
    switch (lineMode_) {
      case IndentMode::Block:
        out_ += "\\t";
        writeFirst();
        inIndent_ = true;
        break;
      case IndentMode::Body:
        writeFirst();
        inIndent_ = true;
        out_ += "\\t";
        break;
      case IndentMode::FirstLine:
        out_ += "\\t";
        writeFirst();
        out_ += "\\t";
        break;
      case IndentMode::None: writeFirst(); break;
    }
  }

  bool endsWithLinkTag() const { return out_.size() >= 2 && out_.compare(out_.size() - 2, 2, "\\q") == 0; }

  // Tag text kept as the file spelled it (red) is written byte for byte and
  // never parted: at the start of a line it is the line's first thing.
  void writeKept(int start, int end) {
    markPosition(start);
    std::string bytes;
    char code[16];
    for (EditorChar c : view_.textOf(start, end)) {
      if (c == kParagraphEndChar) {
        bytes += "\r\n";
      } else if (c == kPageBreakChar) {
        bytes += "\\a012";
      } else if (isOutsideCodePage(c)) {
        std::snprintf(code, sizeof code, "\\U%04X", unsigned(unicodeOfOutside(c)));
        bytes += code;
      } else if (c != kObjectChar) {
        bytes.push_back(char(c));
      }
    }
    if (atLineStart_)
      writeFirstOfLine(end, [&] { out_ += bytes; });
    else
      out_ += bytes;
    trackKeptTags(bytes);
  }

  // Footnote and sidebar references and index terms open and close with
  // tags the editor keeps as written; what stands between them is written
  // so that it means the same there.
  void trackKeptTags(const std::string& bytes) {
    for (size_t i = bytes.find('\\'); i != std::string::npos && i + 1 < bytes.size();
         i = bytes.find('\\', i + tmlTagLength(bytes, i))) {
      const char tag = bytes[i + 1];
      const char next = i + 2 < bytes.size() ? bytes[i + 2] : '\0';
      if ((tag == 'F' && next == 'n') || (tag == 'S' && next == 'd')) {
        inReference_ = i + 3 < bytes.size() && bytes[i + 3] == '=';
      } else if (tag == 'I') {
        inIndexTerm_ = !inIndexTerm_;
      } else if (tag == 'c') {
        toggleAlignment(kAlignCentre);
      } else if (tag == 'r') {
        toggleAlignment(kAlignRight);
      }
    }
  }

  void writeText(int start, int end, const CharStyle& style) {
    if (isKeptColour(style.colour)) {
      writeKept(start, end);
      return;
    }
    for (int block = start; block < end; block += kTextBlock) {
      const int blockEnd = std::min(block + kTextBlock, end);
      const std::u32string text = view_.textOf(block, blockEnd);
      for (size_t i = 0; i < text.size(); ++i) {
        const EditorChar c = text[i];
        const int position = block + int(i);
        markPosition(position);
        if (c == kObjectChar && atLineStart_ && isLineContent(bookObjectAt(view_, position).kind())) {
          writeFirstOfLine(position + 1, [&] { writeObject(position); });
        } else if (c == kObjectChar) {
          writeObject(position);
        } else if (c == kParagraphEndChar) {
          endParagraph(position);
        } else if (c == kPageBreakChar) {
          out_ += "\\p";
        } else if (atLineStart_) {
          writeFirstOfLine(position + 1, [&] { appendCharacter(c); });
        } else if (c >= 32 && c < 128 && c != '\\' && c != '=') {
          // A stretch of plain characters in one go.
          size_t j = i;
          while (j < text.size() && text[j] >= 32 && text[j] < 128 && text[j] != '\\') ++j;
          const size_t at = out_.size();
          out_.resize(at + (j - i));
          for (size_t k = i; k < j; ++k) out_[at + k - i] = char(text[k]);
          i = j - 1;
        } else {
          appendCharacter(c);
        }
      }
    }
  }

  void markPosition(int position) {
    if (options_.positions != nullptr) options_.positions->mark(position, out_.size());
  }

  RichTextView& view_;
  TmlWriteOptions options_;
  int from_ = 0, to_ = 0;
  std::vector<StyleRun> runs_;
  std::vector<char> silent_;  // per run: writes nothing
  std::vector<ParagraphRun> paragraphs_;
  std::string out_;
  IndentMode mode_ = IndentMode::None;
  bool atLineStart_ = true;
  bool inIndent_ = false;
  IndentMode lineMode_ = IndentMode::None;  // how the current paragraph is written
  FourCC alignment_ = kAlignLeft;           // where the compiler's alignment stands
  FourCC wantedAlignment_ = kAlignLeft;     // the alignment of the paragraph being written
  bool paragraphHasContent_ = false;
  bool inReference_ = false;
  // Inside an index term kept as written (its `\I` tags red).
  bool inIndexTerm_ = false;
  Marking open_ = Marking::None;  // the marked stretch open in the output
};

}  // namespace

std::string writeTml(RichTextView& view, const BookInfo* bookInfo, const TmlWriteOptions& options) {
  TmlWriter writer(view, options);
  if (bookInfo != nullptr) writer.writeBookInfo(*bookInfo);
  writer.writeBody();
  return writer.take();
}

bool saveTml(RichTextView& view, const BookInfo* bookInfo, const std::string& path, std::string* error) {
  auto fail = [error](const QString& why) {
    if (error != nullptr) *error = why.toStdString();
    return false;
  };
  if (path.empty()) return fail(QStringLiteral("No file name was given."));
  QSaveFile file(QString::fromLocal8Bit(path.c_str()));
  if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
  TmlWriteOptions options;
  options.imageFolder = imageFolderOf(path);
  const std::string text = writeTml(view, bookInfo, options);
  if (file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
    const QString why = file.errorString();
    file.cancelWriting();
    return fail(why);
  }
  if (!file.commit()) return fail(file.errorString());
  return true;
}

}  // namespace scrivora
