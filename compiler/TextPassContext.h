#pragma once
// What one run of the text pass shares between the scanner, the character
// escapes and the collections it feeds: the text, where its text records
// begin, which pass is running, the failure flag and the counter of mapping
// warnings. Nothing in it outlives the build. It also knows the three kinds
// of report the pass makes:
//   - an error with an excerpt of the source: fails the build in every pass,
//     is shown only in the small-font pass;
//   - a plain error: fails the build and is shown in every pass that meets it;
//   - a warning: shown, never fails.
// A message about a place in the text names the offset it is about (the
// backslash of the tag, mostly); with a source map the message carries the
// line and column of that place in the source file.

#include <cstddef>
#include <cstdint>
#include <string>

#include "BuildLog.h"
#include "BuildTables.h"
#include "SourceMap.h"

namespace scrivora {

// Which reader font the pass measures. Entries that do not depend on the
// font are collected in the small pass only; counts and plain errors happen
// in both.
enum class FontPass { Small, Large };

// A text position turned into the pair the book stores: the text record it
// falls in (the first record is 1) and the offset within that record.
struct TextLocation {
  uint32_t record = 1;
  uint32_t offset = 0;
};

// The record is the last one whose start is strictly below the position, so
// a position equal to a record's start belongs to the record before it (at an
// offset equal to that record's length); position 0 is record 1, offset 0.
// textRecordEnds is 0, then the end offset of each record; with no records at
// all every position is in record 1.
TextLocation textLocationOf(const U32Table& textRecordEnds, size_t position);

class TextPassContext {
 public:
  // The longest excerpt a message quotes.
  static constexpr size_t kMaxExcerpt = 255;

  // `sourceMap` may be null: the messages then carry no place.
  TextPassContext(const uint8_t* text, size_t length, const U32Table& textRecordEnds,
                  const SourceMap* sourceMap = nullptr);

  const uint8_t* text() const { return text_; }
  size_t length() const { return length_; }
  // The byte at a position, or 0 beyond the end of the text.
  uint8_t byteAt(size_t position) const { return position < length_ ? text_[position] : 0; }
  // Whether the text holds `bytes` at `position`.
  bool hasAt(size_t position, const char* bytes) const;
  // Position of the first `byte` at or after `from`, or length() when none.
  size_t find(uint8_t byte, size_t from) const;
  const U32Table& textRecordEnds() const { return textRecordEnds_; }
  TextLocation locationOf(size_t position) const { return textLocationOf(textRecordEnds_, position); }

  void beginPass(FontPass pass) { pass_ = pass; }
  FontPass pass() const { return pass_; }
  bool smallPass() const { return pass_ == FontPass::Small; }

  bool failed() const { return failed_; }
  void raiseFailure() { failed_ = true; }

  // Counts \U escapes met in chapter titles and index terms over both passes.
  int& mappingWarningCount() { return mappingWarnings_; }

  // Up to count bytes of the text from a position that may lie before the
  // text start (only the part inside the text is kept), clipped at the end
  // and at kMaxExcerpt.
  std::string excerpt(long long from, size_t count) const;
  // The bytes between two positions, clipped to the text.
  std::string slice(size_t begin, size_t end) const;

  // The place of a text offset, for messages reported elsewhere.
  TextPlace placeOf(size_t at) const { return TextPlace{sourceMap_, at, false}; }

  // The reports about the place `at`. messageTemplate holds one "%s" that
  // the excerpt replaces; any other '%' in it is printed as it stands.
  void excerptError(size_t at, const char* messageTemplate, long long from, size_t count);
  // A warning with an excerpt, shown in every pass.
  void excerptWarning(size_t at, const char* messageTemplate, long long from, size_t count);
  void plainError(size_t at, const char* format, ...) SCRIVORA_PRINTF(3, 4);
  // Shown as an error in the small pass only, without failing the build.
  void smallPassErrorWithoutFailure(size_t at, const char* format, ...) SCRIVORA_PRINTF(3, 4);
  void warning(size_t at, const char* format, ...) SCRIVORA_PRINTF(3, 4);
  void smallPassWarning(size_t at, const char* format, ...) SCRIVORA_PRINTF(3, 4);
  // A plain error about the book as a whole.
  void bookError(const char* format, ...) SCRIVORA_PRINTF(2, 3);

 private:
  std::string compose(const char* messageTemplate, long long from, size_t count) const;

  const uint8_t* text_;
  size_t length_;
  const U32Table& textRecordEnds_;
  const SourceMap* sourceMap_;
  FontPass pass_ = FontPass::Small;
  bool failed_ = false;
  int mappingWarnings_ = 0;
};

}  // namespace scrivora
