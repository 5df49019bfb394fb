#include "TmlWriter.h"

#include "InfoBlock.h"

#include <algorithm>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "BookObject.h"
#include "BuildLog.h"
#include "TmlLoader.h"

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

// Ends a last paragraph that is not left-aligned with a line end, so that the
// closing alignment tag can follow it. The selection is kept.
void prepareForSaving(RichTextView& view) {
  const int length = view.length();
  if (length == 0 || view.characterAt(length - 1) == kParagraphEndChar) return;
  if (view.paragraphFormatAt(length - 1).alignment == kAlignLeft) return;
  const int start = view.selectionStart(), end = view.selectionEnd();
  view.setCaret(length);
  view.insertText(QStringLiteral("\r"));
  view.setSelection(start, end);
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

  void writeBookInfo(const BookInfo& info) { out_ += writeInfoBlock(info); }

  void writeBody() {
    const bool notifications = view_.setNotificationsEnabled(false);
    for (const ParagraphRun& paragraph : paragraphs_) writeParagraphRun(paragraph);
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
  // The colour that links and headings compare with: a tag the editor did not
  // understand (red) stands inside a link or heading without ending it, so
  // red runs are looked through.
  Rgb markerColourBefore(int position) const {
    for (const StyleRun* run = visibleRunBefore(position); run != nullptr; run = visibleRunBefore(run->start - 1))
      if (run->style.colour != kUnknownTagColour) return run->style.colour;
    return kPlainColour;
  }
  // Also gives where that colour begins.
  Rgb markerColourFrom(int position, int& where) const {
    for (const StyleRun* run = visibleRunFrom(position); run != nullptr; run = visibleRunFrom(run->end)) {
      if (run->style.colour != kUnknownTagColour) {
        where = run->start;
        return run->style.colour;
      }
    }
    where = to_;
    return kPlainColour;
  }
  // Links are always underlined, so underline does not count on link text,
  // nor on an unknown tag inside a link.
  bool countsAsUnderlined(const StyleRun* run) const {
    if (run == nullptr) return false;
    const CharStyle& style = run->style;
    if (!style.underline || style.colour == kLinkColour) return false;
    if (style.colour != kUnknownTagColour) return true;
    int next = run->end;
    return !(markerColourBefore(run->start - 1) == kLinkColour && markerColourFrom(run->end, next) == kLinkColour);
  }
  FourCC alignmentAt(int position) const {
    if (position < from_ || position >= to_) return kAlignLeft;
    return view_.paragraphFormatAt(position).alignment;
  }
  bool linkObjectAt(int position, std::string* target) const {
    if (position < from_ || position >= to_) return false;
    BookObjectData data;
    if (!view_.objectAt(position, data) || data.kind != kind::link) return false;
    if (target != nullptr) *target = data.text;
    return true;
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
      if (data.kind == kind::link && run.style.colour != kLinkColour) continue;
      return false;
    }
    return true;
  }

  // Where a held-back indent tag is written: behind the unknown tags that
  // follow, and behind what writes nothing.
  int heldBackTagPosition(int position) const {
    while (position < to_) {
      const StyleRun* run = runAt(position);
      if (run == nullptr || !(isSilent(run) || run->style.colour == kUnknownTagColour)) break;
      position = run->end;
    }
    return position;
  }

  bool endsInsideParagraph(int pe) const {
    const bool piece = to_ < view_.length() || !options_.prepareView;
    return piece && pe == to_ && to_ > 0 && view_.characterAt(to_ - 1) != kParagraphEndChar;
  }

  bool textFollowsOnLine(int from) const {
    for (int p = from; p < to_; ++p) {
      const EditorChar c = view_.characterAt(p);
      if (c == kParagraphEndChar || c == kPageBreakChar) return false;
      if (c != kObjectChar) return true;
    }
    return false;
  }

  void writeParagraphRun(const ParagraphRun& paragraph) {
    const int ps = paragraph.start, pe = paragraph.end;
    const FourCC opening = alignmentAt(ps);
    if (opening != (ps == from_ ? kAlignLeft : alignmentAt(ps - 1)))
      out_ += opening == kAlignCentre ? "\\c" : opening == kAlignRight ? "\\r" : "";
    mode_ = indentModeOf(paragraph.format);
    lineMode_ = mode_;
    atParagraphStart_ = true;
    atLineStart_ = true;
    inIndent_ = false;
    for (int p = ps; p < pe;) {
      const StyleRun* run = runAt(p);
      if (run == nullptr) break;
      // A run that writes nothing at all gets no tags either: they would be
      // toggled on and off around nothing.
      const bool silent = isSilent(run);
      if (run->start >= ps && !silent) writeOpeningTags(*run);
      writeText(std::max(run->start, ps), std::min(run->end, pe), run->style, silent);
      if (run->end <= pe && !silent) writeClosingTags(*run);
      p = run->end;
    }
    flushPendingIndent();
    if (inIndent_) {
      out_ += "\\t";
      inIndent_ = false;
    }
    // A copied piece that ends inside a paragraph leaves its alignment open,
    // so the paragraph it is pasted into takes it.
    if (endsInsideParagraph(pe)) return;
    const FourCC closing = alignmentAt(pe - 1);
    if (closing != alignmentAt(pe)) out_ += closing == kAlignCentre ? "\\c" : closing == kAlignRight ? "\\r" : "";
  }

  // The style tags come before the link and heading tags: those insert their
  // object when they are read, and the object has to take the run's style.
  void writeOpeningTags(const StyleRun& run) {
    const int rs = run.start;
    const CharStyle& s = run.style;
    const CharStyle p = styleBefore(rs - 1);
    if (s.italic && !p.italic) out_ += "\\i";
    if (s.overstrike && !p.overstrike) out_ += "\\o";
    if (s.offset >= 1 && p.offset <= 0) out_ += "\\Sp";
    if (s.offset < 0 && p.offset >= 0) out_ += "\\Sb";
    if (countsAsUnderlined(&run) && !countsAsUnderlined(visibleRunBefore(rs - 1))) out_ += "\\u";
    const FontKind font = fontOfFace(s.face);
    const StyleRun* previous = visibleRunBefore(rs - 1);
    if (previous == nullptr || font != fontOfFace(previous->style.face)) out_ += fontTag(font);
    const Rgb before = markerColourBefore(rs - 1);
    std::string target;
    if (s.colour == kLinkColour) {
      if (linkObjectAt(rs, &target))
        out_ += "\\q=\"" + target + "\"";
      else if (before != kLinkColour)
        // Link-coloured text with no link of its own still has to open one.
        out_ += "\\q=\"#GNDN\"";
    }
    const int level = headingLevelOfColour(s.colour);
    if (level >= 0 && (s.colour != before || chapterMarkerAt(rs))) out_ += "\\X" + std::to_string(level);
  }

  // The mirror of the opening order, so that the tags of one run nest.
  void writeClosingTags(const StyleRun& run) {
    const int e = std::min(run.end, to_);
    const CharStyle& r = run.style;
    const CharStyle n = styleFrom(e);
    int afterStart = e;
    const Rgb after = markerColourFrom(e, afterStart);
    const int level = headingLevelOfColour(r.colour);
    if (level >= 0 && (r.colour != after || chapterMarkerAt(afterStart))) out_ += "\\X" + std::to_string(level);
    if (r.colour == kLinkColour && (after != kLinkColour || linkObjectAt(afterStart, nullptr))) out_ += "\\q";
    // A font still open at the end of the text is closed as well, so that the
    // text ends with every toggle off.
    const FontKind font = fontOfFace(r.face);
    if (font != fontOfFace(n.face)) out_ += fontTag(font);
    if (countsAsUnderlined(&run) && !countsAsUnderlined(visibleRunFrom(e))) out_ += "\\u";
    if (r.offset >= 1 && n.offset <= 0) out_ += "\\Sp";
    if (r.offset < 0 && n.offset >= 0) out_ += "\\Sb";
    if (r.overstrike && !n.overstrike) out_ += "\\o";
    if (r.italic && !n.italic) out_ += "\\i";
  }

  void writeObject(int position) {
    BookObjectData data;
    if (!view_.objectAt(position, data)) {
      // A stray code 1 that is no object.
      out_ += "\\a001";
      return;
    }
    char line[64];
    switch (data.kind) {
      case kind::bookPlate: out_ += "\\d"; break;
      case kind::anchor: out_ += "\\Q=\"" + data.text + "\""; break;
      case kind::comment: out_ += "\\v" + data.text + "\\v"; break;
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
      default:
        // Links are written by their run, headings by their colour.
        break;
    }
  }

  void endLine(const char* ending) {
    atParagraphStart_ = ending[0] == '\r';
    if (atParagraphStart_) lineMode_ = mode_;
    if (inIndent_) out_ += "\\t";
    inIndent_ = false;
    out_ += ending;
    atLineStart_ = true;
  }

  void appendCharacter(EditorChar c, bool red) {
    char code[16];
    if (c == '\\') {
      out_ += red ? "\\" : "\\\\";
    } else if (c == '=' && !red && endsWithLinkTag()) {
      // `\q=` would open a link where one closes.
      out_ += "\\a061";
    } else if (isOutsideCodePage(c)) {
      std::snprintf(code, sizeof code, "\\U%04X", unsigned(unicodeOfOutside(c)));
      out_ += code;
    } else if (c >= 128) {
      std::snprintf(code, sizeof code, "\\a%03d", int(c));
      out_ += code;
    } else {
      out_.push_back(char(c));
    }
  }

  // The first written character of a line carries the indent tags around it.
  // A red backslash is never parted from the character after it (together
  // they are the tag the editor did not understand), so a tag that belongs
  // behind it waits for that character.
  void writeFirstOfLine(EditorChar c, bool redBackslash, int position, int runEnd) {
    atLineStart_ = false;
    const bool keepWithNext = redBackslash && c == '\\';
    // A first-line indent shows only when text follows the first character of
    // the paragraph; otherwise it reads back as a block indent, and the whole
    // paragraph is written so. Lines after a page break in the paragraph are
    // wrapped like its first line; their regions, read later, never override
    // the first one.
    if (lineMode_ == IndentMode::FirstLine && atParagraphStart_ &&
        !textFollowsOnLine(keepWithNext ? heldBackTagPosition(runEnd) : position + 1))
      lineMode_ = IndentMode::Block;
    const IndentMode mode = lineMode_;
    switch (mode) {
      case IndentMode::Block:
        out_ += "\\t";
        appendCharacter(c, redBackslash);
        inIndent_ = true;
        break;
      case IndentMode::Body:
        appendCharacter(c, redBackslash);
        inIndent_ = true;
        if (keepWithNext)
          pendingIndent_ = true;
        else
          out_ += "\\t";
        break;
      case IndentMode::FirstLine:
        out_ += "\\t";
        appendCharacter(c, redBackslash);
        if (keepWithNext)
          pendingIndent_ = true;
        else
          out_ += "\\t";
        break;
      case IndentMode::None: appendCharacter(c, redBackslash); break;
    }
  }

  // The character of an unknown tag, right behind its red backslash: written
  // as the byte it is, since an escape would turn the pair into another tag.
  void writeAfterRedBackslash(EditorChar c) {
    afterRedBackslash_ = false;
    if (c < 256 && c != '\\')
      out_.push_back(char(c));
    else
      appendCharacter(c, false);
  }

  // A line end that is the second character of an unknown tag follows its
  // backslash directly (a page break as its raw byte); the indent tag that
  // closes the line comes after it.
  void endLineAfterRedBackslash(EditorChar c) {
    afterRedBackslash_ = false;
    if (pendingIndent_) {
      // The line held nothing but the tag: its indent opens and closes empty.
      pendingIndent_ = false;
      inIndent_ = false;
    }
    out_ += c == kPageBreakChar ? "\f" : "\r\n";
    atParagraphStart_ = c == kParagraphEndChar;
    if (atParagraphStart_) lineMode_ = mode_;
    if (inIndent_) out_ += "\\t";
    inIndent_ = false;
    atLineStart_ = true;
  }

  bool endsWithLinkTag() const { return out_.size() >= 2 && out_.compare(out_.size() - 2, 2, "\\q") == 0; }

  void flushPendingIndent() {
    if (pendingIndent_) out_ += "\\t";
    pendingIndent_ = false;
  }

  void writeText(int start, int end, const CharStyle& style, bool silent) {
    const bool red = style.colour == kUnknownTagColour;
    for (int block = start; block < end; block += kTextBlock) {
      const int blockEnd = std::min(block + kTextBlock, end);
      const std::u32string text = view_.textOf(block, blockEnd);
      for (size_t i = 0; i < text.size(); ++i) {
        const EditorChar c = text[i];
        if (afterRedBackslash_ && (c == kParagraphEndChar || c == kPageBreakChar)) {
          endLineAfterRedBackslash(c);
          continue;
        }
        if (afterRedBackslash_ && c != kObjectChar) {
          writeAfterRedBackslash(c);
          continue;
        }
        afterRedBackslash_ = false;
        // An indent tag held back behind an unknown tag follows the whole tag,
        // and any unknown tags right behind it.
        if (pendingIndent_ && !red && !silent) flushPendingIndent();
        if (c == kObjectChar) {
          writeObject(block + int(i));
        } else if (c == kParagraphEndChar) {
          flushPendingIndent();
          endLine("\r\n");
        } else if (c == kPageBreakChar) {
          flushPendingIndent();
          endLine("\\p");
        } else if (atLineStart_) {
          writeFirstOfLine(c, red, block + int(i), end);
          afterRedBackslash_ = red && c == '\\';
        } else if (c >= 32 && c < 128 && c != '\\' && c != '=') {
          // A stretch of plain characters in one go.
          size_t j = i;
          while (j < text.size() && text[j] >= 32 && text[j] < 128 && text[j] != '\\') ++j;
          const size_t at = out_.size();
          out_.resize(at + (j - i));
          for (size_t k = i; k < j; ++k) out_[at + k - i] = char(text[k]);
          i = j - 1;
        } else {
          appendCharacter(c, red);
          afterRedBackslash_ = red && c == '\\';
        }
      }
    }
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
  bool afterRedBackslash_ = false;
  IndentMode lineMode_ = IndentMode::None;  // how the current paragraph is written
  bool atParagraphStart_ = true;
  bool pendingIndent_ = false;
};

}  // namespace

std::string writeTml(RichTextView& view, const BookInfo* bookInfo, const TmlWriteOptions& options) {
  const bool wholeText = options.start <= 0 && (options.end < 0 || options.end >= view.length());
  if (wholeText && options.prepareView) prepareForSaving(view);
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
