#pragma once
// Reads the navigation tags of the book's main text for the text pass and
// fills the lists the book's chapter, index, link, footnote and sidebar
// records are written from. One reader serves both passes of one build.
//
// Two ways in:
// - the read* operations take a whole tag from its backslash: they check its
//   syntax and level digit, collect, and return where scanning resumes. They
//   serve a scanner that leaves these tags entirely to this reader (and the
//   tests);
// - the collect* operations start after a scanner that has already checked
//   the syntax, reported what was wrong with it and found the argument; this
//   is how the text pass uses it, through NavigationCollector.
// Positions are text positions; t is the backslash of the tag met.
//   beginPass(pass)              at the start of each pass, before scanning.
//   readChapterArgument(t)       at \C; returns where scanning resumes.
//   readChapterScope(t)          at an opening \x or \Xn (the scan itself then
//                                goes on right after the opening tag, the
//                                title staying in the text).
//   readIndexTerm(t)             at an opening \I, after the style check; does
//                                nothing in the large pass.
//   readLink(t)                  at an opening \q; returns where scanning
//                                resumes.
//   readAnchor(t)                at \Q; returns where scanning resumes.
//   readFootnoteReference(t)     at an opening \Fn; returns where scanning
//                                resumes.
//   readSidebarReference(t)      at an opening \Sd; returns where scanning
//                                resumes (the sidebar mark's room on the line
//                                is the scanner's).
//   lineMovedToNextPage(start)   whenever pagination moves a line that began
//                                at `start` to the next page (before it is
//                                scanned again); withdraws the chapter
//                                entries made on it.
//   finish()                     once, after both passes and after the images
//                                have been sorted and loaded: links, chapters,
//                                sidebars, footnotes, then the index.
//
// Messages, each with its kind (see NavigationScan.h) and pass. Through the
// collect* operations the syntax, level-digit, illegal-first-tag and
// tags-inside messages are the scanner's; all the others are raised here.
//   \Cn: "Chapter syntax is \Cn (0 <= n <= 4); you have "%s"",
//        "Chapter syntax is \Cx="chapter title"; you have "%s"" and
//        "Chapter tag spans text records -- reduce chapter to 80 characters.
//        "%s"" (excerpt errors); "Tags are not allowed inside \C
//        definitions!" (plain error, each pass); "Chapter name is > 80
//        characters; mismatched chapter markers? Begins with "%s"" (warning,
//        small pass).
//   \Xn: "Chapter syntax is \Xn (0 <= n <= 4); you have "%s"" and ""\X%s"
//        does not match closing \X" (excerpt errors); the > 80 warning.
//   \I:  "Indexed item is > 80 characters; mismatched index markers? Begins
//        with "%s"" (warning, small pass).
//   \q:  "Link syntax incorrect.  You have '%s' and it should be \q="#"
//        (excerpt error); "Link reference is longer than 80 characters:
//        "%s"" (excerpt error, small pass); "Illegal tag "\%c" in link
//        reference to "%s"" (error report that does not fail the build,
//        small pass).
//   \Q:  "Link syntax incorrect.  You have '%s' and it should be \Q=""
//        (excerpt error); "Link is longer than 80 characters: "%s"" (excerpt
//        error, small pass).
//   \Fn, \Sd: "Footnote syntax incorrect.  You have '%s' and it should be
//        \Fn="" / "Sidebar syntax incorrect.  You have '%s' and it should be
//        \Sd="" (excerpt errors); "Tags are not permitted within footnote
//        references, see reference to %s" / the sidebar twin, with the id as
//        written (plain error, each pass).
//   Titles and terms: the \U mapping messages (TitleCollector.h).
//   finish(): "Link "%s" defined more than once" (at the anchor, small pass)
//        and "Link "%s" has not been defined" (warnings); the status
//        "Processing index records..." when the index is not empty.

#include <cstddef>
#include <cstdint>
#include <string>

#include "BuildTables.h"
#include "ChapterList.h"
#include "IndexList.h"
#include "LinkTable.h"
#include "NavigationScan.h"
#include "ReferenceList.h"

namespace scrivora {

struct NavigationLists {
  ChapterList& chapters;
  IndexList& index;
  LinkTable& links;
  ReferenceList& sidebars;
  ReferenceList& footnotes;
};

class NavigationReader {
 public:
  // `failed` is the build's failure flag and `mappingWarnings` the counter of
  // \U mappings in titles; both belong to the build and are only updated.
  NavigationReader(const uint8_t* text, size_t length, const U32Table& textRecordEnds, NavigationLists lists,
                   bool& failed, int& mappingWarnings);

  void beginPass(NavigationPass pass);
  NavigationPass pass() const { return scan_.pass; }

  size_t readChapterArgument(size_t t);
  void readChapterScope(size_t t);
  void readIndexTerm(size_t t);
  size_t readLink(size_t t);
  size_t readAnchor(size_t t);
  size_t readFootnoteReference(size_t t);
  size_t readSidebarReference(size_t t);
  void lineMovedToNextPage(size_t lineStart);
  void finish();

  // The collecting half of the readers above, for a scanner that has
  // already checked a tag's syntax and level digit (and reported what was
  // wrong with them) and found its argument. `level` is 0 to 4, or -1 for a
  // level digit that was wrong (no indentation).
  //
  // \Cn whose title starts at titleStart (just after `="`): reads the title
  // with its messages, makes the entry and returns where the scan resumes
  // (after the closing quote; after a cut title, after the next quote).
  size_t collectChapterArgument(size_t t, int level, size_t titleStart);
  // An opening \x (levelled false) or \Xn: reads the title up to the closing
  // tag, checks the closing \X digit against the opening one and makes the
  // entry.
  void collectChapterScope(size_t t, bool levelled, int level);
  // \q="#name" and \Q="name" whose name is nameBegin..nameEnd (nothing
  // happens in the large pass): the length check and the table.
  void collectLink(size_t t, size_t nameBegin, size_t nameEnd);
  void collectAnchor(size_t t, size_t nameBegin, size_t nameEnd, uint32_t target);
  // \Fn="id" and \Sd="id" whose id is idBegin..idEnd (small pass only).
  void collectFootnote(size_t idBegin, size_t idEnd);
  void collectSidebar(size_t idBegin, size_t idEnd);

 private:
  struct NoteKind;
  size_t readNoteReference(size_t t, const NoteKind& kind, ReferenceList& list);
  // The level digit at t + 2 as 0 to 4, or -1 after the level error.
  int checkedLevel(size_t t, const char* levelMessage) const;
  static std::string indentationFor(int level);
  // Just after the closing quote of an argument whose value starts at
  // `valueStart`, or the end of the text; `closingQuote` gets the quote's
  // position (the end of the text when there is none).
  size_t argumentEnd(size_t valueStart, size_t* closingQuote) const;

  NavigationScan scan_;
  NavigationLists lists_;
};

}  // namespace scrivora
