#pragma once
// The footnote and sidebar blocks at the end of a source:
//   <footnote id="name">body</footnote>   <sidebar id="name">body</sidebar>
// The main text ends where the first block begins (and the line feeds just
// before it); everything from there on is the notes block, which the build
// splits off before the text is cut into records. The bodies are found in it
// by their ids later, once the text pass has collected the references.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace scrivora {

enum class NoteKind { Sidebar, Footnote };

constexpr size_t kMarkerNotFound = SIZE_MAX;

// Finds the first occurrence of `marker` at or after `from` with a single
// forward scan. After a mismatch the comparison restarts with the marker's
// first byte at the NEXT byte of the text, so a marker beginning at the byte
// where a partial match broke is not seen there ("<<footnote id=" holds no
// match). Books rely on exactly which blocks this finds, so it stays that way.
// With ignoreCase, ASCII letters match either case.
size_t findMarker(const uint8_t* text, size_t length, size_t from, std::string_view marker, bool ignoreCase);

// The opening of a block up to the id ("<sidebar id=\"" or "<footnote id=\"")
// and its end tag ("</sidebar>" or "</footnote>").
std::string_view blockOpening(NoteKind kind);
std::string_view blockEndTag(NoteKind kind);

// Where the main text ends: at the earlier of the first sidebar and the first
// footnote opening, moved back over the line feeds before it; the whole
// length when the text has neither.
size_t mainTextEnd(const uint8_t* text, size_t length);

// A body inside the notes block: [begin, end).
struct NoteBody {
  size_t begin = 0;
  size_t end = 0;
  bool hasEndTag = false;
  size_t length() const { return end - begin; }
};

class NotesBlock {
 public:
  NotesBlock() = default;
  explicit NotesBlock(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // Cuts the notes block off the end of a normalised source; the source
  // keeps only its main text.
  static NotesBlock splitFrom(std::vector<uint8_t>& source);

  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  void release();

  // Where the body of the block named `id` starts: just after
  // <kind id="id"> (letters in any case) and the line feeds that follow it.
  // kMarkerNotFound when there is no such block. The result is exactly that
  // of findMarker for the whole pattern over the notes block, but a book with
  // many notes does not pay one scan of the whole block per id: the ids of the
  // block openings are indexed once (see OpeningIndex).
  size_t findBodyStart(NoteKind kind, const std::string& id) const;

  // Where the opening <kind id="id"> stands whose body findBodyStart found
  // at `bodyStart`, for an id of `idLength` bytes.
  size_t openingBefore(NoteKind kind, size_t bodyStart, size_t idLength) const;

  // The body from `start` to the kind's next end tag, less the line feeds
  // just before the tag (never ending before `start`). Without an end tag the
  // body is empty and hasEndTag false.
  NoteBody bodyFrom(NoteKind kind, size_t start) const;

 private:
  // The case-insensitive scan for one kind's opening, run once over the
  // whole block: where it found an opening, and whether it was at the start
  // of a comparison (no partial match under way) at each byte. A scan for
  // <kind id="id"> behaves like this scan until its first opening; after a
  // mismatch inside the id it restarts with nothing matched, and as soon as
  // it stands at a byte where this scan also had nothing matched, the two go
  // the same way again, up to this scan's next opening.
  //
  // When no opening's id (up to and including the byte after its closing
  // quote) holds a '<', a scan for <kind id="id"> can neither find an opening
  // the whole-block scan missed nor miss one it found: it visits exactly the
  // listed openings in order and stops at the first whose id matches. Then
  // the body start of every id is known at once from bodyStartById (ids
  // folded to lower case, the first opening of an id kept). Otherwise each
  // lookup walks the openings.
  struct OpeningIndex {
    bool built = false;
    std::vector<size_t> openings;
    std::vector<uint8_t> idleAt;  // 1 where the scan had matched nothing
    bool idsIndexed = false;
    std::unordered_map<std::string, size_t> bodyStartById;
  };
  void indexOpeningIds(OpeningIndex& index, size_t openingLength) const;
  size_t walkToBodyStart(NoteKind kind, const std::string& id) const;
  size_t skipLineFeeds(size_t from) const;
  const OpeningIndex& openingIndex(NoteKind kind) const;
  // The first opening a fresh scan starting at `from` finds.
  size_t nextOpening(NoteKind kind, size_t from) const;

  std::vector<uint8_t> bytes_;
  mutable OpeningIndex sidebarOpenings_;
  mutable OpeningIndex footnoteOpenings_;
};

}  // namespace scrivora
