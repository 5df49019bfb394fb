#pragma once
// Composes TML from a document walked element by element. The walker says
// what it wants (a paragraph break, an alignment, italic, a link to an
// anchor); the composer writes the tags only when the next visible content
// arrives, so that:
//   - white space collapses as a browser collapses it, and no space is added
//     around an inline element ("her <i>own</i>." becomes "her \iown\i.");
//   - a style turned off closes before the space that follows it and one
//     turned on opens after the space before it;
//   - line ends follow the HTML importer's clean-up rules: no space at the
//     start or end of a line, never two spaces in a row, at most one empty
//     line, and alignment tags closed right after a line end;
//   - a link, a chapter title or a style that holds no text is not written.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "TmlCharacters.h"

namespace scrivora::modern {

// The reader's fonts: one at a time (\s, \b, \l, or the book's base font).
enum class TextFont { Base, Small, Bold, Large };
enum class ScriptPosition { Normal, Superscript, Subscript };
enum class LineAlignment { Left, Centre, Right };

struct InlineStyle {
  TextFont font = TextFont::Base;
  bool italic = false;
  bool underline = false;
  bool overstrike = false;
  ScriptPosition script = ScriptPosition::Normal;

  bool operator==(const InlineStyle& other) const {
    return font == other.font && italic == other.italic && underline == other.underline &&
           overstrike == other.overstrike && script == other.script;
  }
  bool operator!=(const InlineStyle& other) const { return !(*this == other); }
};

class TmlComposer {
 public:
  explicit TmlComposer(TmlCharacters& characters) : characters_(characters) {}

  // Starts the text with ready TML (the book's information block) and makes
  // room for about `expectedSize` bytes, so that a whole book is written
  // without growing the text time after time.
  void begin(std::string preamble, size_t expectedSize);

  // Breaks wanted before the next content; several requests make one break,
  // the largest.
  void requestLineBreak() { requestBreak(1); }
  void requestParagraphBreak() { requestBreak(2); }
  void requestPageBreak();
  // Ends the current line now (<br>), even an empty one; never more than one
  // empty line in a row.
  void lineEnd();

  void setAlignment(LineAlignment alignment) {
    if (alignment != wanted_.alignment) wanted_.alignment = alignment, settled_ = false;
  }
  LineAlignment alignment() const { return wanted_.alignment; }
  void setIndented(bool indented) {
    if (indented != wanted_.indented) wanted_.indented = indented, settled_ = false;
  }
  bool indented() const { return wanted_.indented; }
  void setStyle(const InlineStyle& style) {
    if (style != wanted_.style) wanted_.style = style, settled_ = false;
  }
  const InlineStyle& style() const { return wanted_.style; }
  // Preformatted text keeps its spaces and line ends.
  void setPreformatted(bool preformatted) { preformatted_ = preformatted; }
  bool preformatted() const { return preformatted_; }

  // Text in UTF-8.
  void text(std::string_view utf8);
  // Ready TML that shows as text (a list bullet or number).
  void marker(std::string_view tml, size_t columns);

  // A chapter title: \x for level 0, \X1 to \X4 below. Written around the
  // text that follows; not written at all when no text follows.
  void openHeading(int level);
  void closeHeading();
  bool inHeading() const { return wantedHeading_ >= 0; }

  // A link to an anchor of the book, around the text that follows.
  void openLink(const std::string& anchorName);
  void closeLink();
  bool inLink() const { return !wantedLink_.empty(); }
  // A footnote reference: \Fn="id", the mark (ASCII only: no tag may stand
  // inside), \Fn. In a chapter title, whose text the compiler takes without
  // its tags, the reference follows the title instead.
  void noteReference(const std::string& noteId, const std::string& utf8Mark);

  // Placed just before the next content.
  void anchor(const std::string& name);
  void chapterEntry(int level, const std::string& utf8Title);
  // Writes the anchors and chapter entries still waiting, where the text is.
  void placeWaitingMarks();

  void image(const std::string& fileName);
  // Invisible text (\v ... \v), white space collapsed.
  void comment(const std::string& utf8);
  // A horizontal rule on a line of its own.
  void rule();
  // Moves to a tab stop at the given percentage of the line; to a new line
  // first when the text on the line may already reach past it.
  void tabStop(unsigned percent);

  // Closes whatever is open and returns the TML.
  std::string finish();

  // A generous guess at the pixels taken on the current line.
  unsigned estimatedLineWidth() const;

 private:
  struct Layout {
    LineAlignment alignment = LineAlignment::Left;
    bool indented = false;
    InlineStyle style;
  };

  void requestBreak(int lineEnds);
  void writeLineEnd();
  void placeBreaks();
  void closeLineLayout();
  void openLineLayout();
  void closeStyles();
  void openStyles();
  void closeEmittedLink();
  void prepareContent(bool opensText);
  void writePlainCharacter(char32_t c);
  void writeAsciiRun(std::string_view run);
  void contentWritten(size_t columns);
  void protectNoteMarkers();

  TmlCharacters& characters_;
  std::string out_;
  Layout wanted_;
  Layout written_;
  int pendingLineEnds_ = 0;
  bool pendingPage_ = false;
  bool pendingSpace_ = false;
  bool preformatted_ = false;
  bool started_ = false;  // visible content has been written
  // Nothing has changed since text was last written but perhaps a space:
  // more text needs no tags (the common case, word after word).
  bool settled_ = false;
  bool atLineStart_ = true;
  int lineEnds_ = 0;  // line ends written since the last content
  size_t lineColumns_ = 0;
  int wantedHeading_ = -1;
  int writtenHeading_ = -1;
  std::string wantedLink_;
  std::string writtenLink_;
  std::vector<std::string> waitingEntries_;
  std::vector<std::string> waitingAnchors_;
  std::vector<std::pair<std::string, std::string>> referencesAfterTitle_;
};

}  // namespace scrivora::modern
