#pragma once
// A small, strict reader of Rich Text Format. It keeps what an eBook's text
// needs: the characters, the face names of the font table, bold, italic,
// underline, strike-through, raised and lowered text, paragraph alignment and
// page breaks. Everything else (colours, style sheets, document information,
// pictures, headers, footers, field instructions, ...) is skipped whole.
//
// Malformed input never crashes or hangs the reader: it stops where the file
// goes wrong, keeps the text read so far and says what was wrong.

#include <string>
#include <string_view>
#include <vector>

namespace scrivora {

enum class RtfAlignment { Left, Centre, Right, Justify };
enum class RtfScript { Normal, Raised, Lowered };

struct RtfCharFormat {
  std::string face;  // the font table's name of the run's font; "" when it has none
  bool bold = false, italic = false, underline = false, strike = false;
  RtfScript script = RtfScript::Normal;

  bool operator==(const RtfCharFormat& o) const {
    return face == o.face && bold == o.bold && italic == o.italic && underline == o.underline && strike == o.strike &&
           script == o.script;
  }
  bool operator!=(const RtfCharFormat& o) const { return !(*this == o); }
};

// Text in one format, as UTF-8. Besides printable characters a run holds only
// tab (U+0009, \tab), line break (U+000B, \line), page break (U+000C, \page)
// and line feed or carriage return where the file encodes them as
// characters; the reader drops every other control character.
struct RtfRun {
  std::string text;
  RtfCharFormat format;
};

struct RtfParagraph {
  std::vector<RtfRun> runs;
  RtfAlignment alignment = RtfAlignment::Left;
  // The paragraph was closed by a paragraph mark (\par and its kin); only the
  // last paragraph of a document can be open.
  bool ended = false;
};

struct RtfContent {
  std::vector<RtfParagraph> paragraphs;
  bool empty() const { return paragraphs.empty(); }
};

struct RtfReadResult {
  // False when the bytes do not start as an RTF file does; nothing is read.
  bool isRtf = false;
  // The text read, up to where reading stopped.
  RtfContent content;
  // Empty when the whole file was read; otherwise what was wrong with it (the
  // content then holds the text read before that point).
  std::string problem;
};

// Messages of the reader.
extern const char* const kRtfNotRtf;             // not an RTF file at all
extern const char* const kRtfUnclosedGroups;     // the file ends inside a group
extern const char* const kRtfExtraClosingBrace;  // text after the outermost group
extern const char* const kRtfNestedTooDeeply;    // more open groups than the reader keeps
extern const char* const kRtfBinaryPastEnd;      // \bin data runs past the end

// The deepest nesting of groups the reader follows (word processors stay far
// below it).
constexpr int kRtfMaxGroupDepth = 200;

RtfReadResult readRtf(std::string_view bytes);

// Reads a whole file; throws QXFileException when it cannot be read.
RtfReadResult readRtfFile(const std::string& path);

}  // namespace scrivora
