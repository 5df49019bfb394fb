#pragma once
// Places in a TML file the editor loaded, told both ways: a byte of the text
// the loader read as the line and column of the file as the author wrote it
// (for the loader's messages), and a line and column of the file as the
// stretch of editor text the loader made of it (for following a message of
// the build log to its place).
//
// The loader reads a rewritten copy of the file: UTF-8 converted to
// Windows-1252, every line end made one CR, control bytes dropped. The
// rewrites record only where the texts part (OffsetMap), and the file's line
// starts are found at the first question, so a load without messages pays
// next to nothing for positions.
//
// Lines count from 1, each LF, CR LF or lone CR of the file ending one;
// columns count bytes of the file from 1 (a UTF-8 byte-order mark is not part
// of the first line, as editors do not show it).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BuildLog.h"
#include "OffsetMap.h"
#include "RichTextView.h"

namespace scrivora {

// A stretch [start, end) of editor text; empty for a place between two
// characters.
struct EditorRange {
  int start = 0, end = 0;
  bool operator==(const EditorRange& other) const { return start == other.start && end == other.end; }
};

class SourcePlaces {
 public:
  // The file the loader reads, exactly as it was read from disk.
  void setFile(std::string path, std::string bytes);
  const std::string& path() const { return path_; }
  const std::string& fileBytes() const { return bytes_; }

  // Converted text -> bytes of the file; stays empty when the file was taken
  // as it is.
  OffsetMap& conversion() { return conversion_; }
  // The loader's text -> converted text.
  OffsetMap& normalisation() { return normalisation_; }

  // A byte of the loader's text as a place in the file.
  SourcePosition positionOf(size_t offset) const;
  // The byte of the loader's text that a line and column of the file became;
  // a column past its line's end stands for the line's end.
  size_t offsetAt(int line, int column) const;

  // Where the editor text stood as the loader went through its text, kept
  // only when asked for: a load that is followed to a place.
  void recordEditorPlaces() { recording_ = true; }
  bool recordsEditorPlaces() const { return recording_; }
  // At `offset` of its text the loader had made `editorPosition` characters;
  // `tagStarts` when a tag begins there (the text up to the next call is the
  // tag), otherwise ordinary text goes on from there.
  void reached(size_t offset, int editorPosition, bool tagStarts);
  // The editor text made of the byte at `offset` of the loader's text: the
  // character it became, everything a tag became (its object, the text it
  // keeps in red), or an empty range where it left nothing (a style tag, a
  // comment's text before its object).
  EditorRange editorRangeOf(size_t offset, int editorLength) const;

 private:
  void findLineStarts() const;
  size_t fileOffsetOf(size_t offset) const;
  size_t lineStart(size_t line) const;

  struct EditorPlace {
    size_t offset;
    int position;
    bool tagStarts;
  };

  std::string path_;
  std::string bytes_;
  OffsetMap conversion_;
  OffsetMap normalisation_;
  // File offsets where lines 2, 3, ... start; found at the first question.
  mutable std::vector<size_t> lineStarts_;
  mutable bool lineStartsFound_ = false;
  bool recording_ = false;
  std::vector<EditorPlace> editorPlaces_;
};

// What the loader reports a place with: the position of a byte of its text,
// or none for a text without a file (an import, a paste) or when nobody keeps
// positions.
SourcePosition sourcePositionAt(const SourcePlaces* places, size_t offset);

// The rewritten offset where a byte of the original text ended up: the first
// rewritten byte made of it or of what follows it.
size_t rewrittenOffsetOf(const OffsetMap& map, size_t original);

// Where a place of a saved text lies in the same text edited since: the same
// position in the stretch both begin or end with; inside the edited middle,
// in the same paragraph where that paragraph is still there unchanged, or
// else proportionally.
int correspondingPosition(const std::u32string& saved, const std::u32string& live, int position);

// The editor text that a line and column of a TML file became, in `view`,
// which holds that file's text, possibly edited since it was saved. The file
// is loaded again into a scratch text, without messages, to learn how the
// loader laid it out. False when the file cannot be read.
bool findSourcePlace(const std::string& path, int line, int column, const RichTextView& view, EditorRange& range);

}  // namespace scrivora
