#pragma once
// Plugs the chapter list, the index, the link table and the two reference
// lists into the text pass. The scanner has checked each navigation tag's
// syntax and level digit, reported what was wrong with them and found its
// argument; this collector reads the titles, terms, names and ids from
// there, raises their own messages and keeps the lists. After both passes the
// finishing calls sort and clean the lists, so the book writer can take them
// as they are: the chapter list, the link table and the index as sections,
// the reference lists as the footnote and sidebar ids.
//
// Messages raised here, each with its kind (TextPassContext.h) and pass:
//   \Cn: "Chapter tag spans text records -- reduce chapter to 80 characters.
//        "%s"" (excerpt error); "Tags are not allowed inside \C
//        definitions!" (plain error, each pass); "Chapter name is > 80
//        characters; mismatched chapter markers? Begins with "%s"" (warning,
//        small pass).
//   \Xn: ""\X%s" does not match closing \X" (excerpt error); the > 80
//        warning, as for \x.
//   \I:  "Indexed item is > 80 characters; mismatched index markers? Begins
//        with "%s"" (warning, small pass).
//   \q:  "Link reference is longer than 80 characters: "%s"" (excerpt error,
//        small pass).
//   \Q:  "Link is longer than 80 characters: "%s"" (excerpt error, small
//        pass).
//   Titles and terms: the \U mapping messages (CharacterMapping.h).
//   Finishing: "Link "%s" defined more than once" (at the anchor) and "Link
//        "%s" has not been defined" (warnings, LinkTable.h); the status
//        "Processing index records..." when the index is not empty.
//
// Use one collector per build:
//   ChapterList chapters; IndexList index; LinkTable links;
//   ReferenceList sidebars, footnotes;
//   NavigationCollector collector({chapters, index, links, sidebars, footnotes});
//   input.collector = &collector;  // TextPassInput
//   TextPass().run(input);

#include <cstddef>
#include <cstdint>
#include <string>

#include "ChapterList.h"
#include "IndexList.h"
#include "LinkTable.h"
#include "ReferenceList.h"
#include "TextPass.h"

namespace scrivora {

struct NavigationLists {
  ChapterList& chapters;
  IndexList& index;
  LinkTable& links;
  ReferenceList& sidebars;
  ReferenceList& footnotes;
};

class NavigationCollector : public TextPassCollector {
 public:
  explicit NavigationCollector(NavigationLists lists) : lists_(lists) {}

  void beginPass(TextPassContext& context) override;
  void chapterTag(TextPassContext& context, ChapterForm form, size_t tag, int level, size_t titleBegin,
                  size_t titleEnd) override;
  void withdrawChapters(TextPassContext& context, size_t lineStart) override;
  void indexTerm(TextPassContext& context, size_t tag, TextLocation location) override;
  void linkReference(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd) override;
  void anchor(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd, uint32_t target) override;
  void footnoteReference(TextPassContext& context, size_t tag, size_t idBegin, size_t idEnd) override;
  void sidebarReference(TextPassContext& context, size_t tag, size_t idBegin, size_t idEnd) override;

  void finishLinks(TextPassContext& context) override;
  void finishChapters(TextPassContext& context) override;
  void finishSidebarReferences(TextPassContext& context) override;
  void finishFootnoteReferences(TextPassContext& context) override;
  void finishIndex(TextPassContext& context) override;

 private:
  // \Cn whose title runs from titleBegin to its closing quote titleEnd.
  void collectChapterArgument(TextPassContext& context, size_t tag, int level, size_t titleBegin, size_t titleEnd);
  // An opening \x (levelled false) or \Xn whose title starts at titleBegin:
  // reads it up to the closing tag and checks the closing \X digit against
  // the opening one.
  void collectChapterScope(TextPassContext& context, size_t tag, bool levelled, int level, size_t titleBegin);

  NavigationLists lists_;
};

}  // namespace scrivora
