#pragma once
// Plugs the chapter list, the index, the link table and the two reference
// lists into the text pass. The scanner has checked each navigation tag's
// syntax and level digit and found its argument; this collector reads the
// titles, terms, names and ids from there, raises their own messages (the
// title and term rules, the \U mappings, the 80-character limits, the record
// span, the closing \X level) and keeps the lists. After both passes the
// finishing calls sort and clean the lists, so the book writer can take them
// as they are: the chapter list, the link table and the index as sections,
// the reference lists as the footnote and sidebar ids.
//
// Use one collector per build:
//   ChapterList chapters; IndexList index; LinkTable links;
//   ReferenceList sidebars, footnotes;
//   NavigationCollector collector({chapters, index, links, sidebars, footnotes});
//   input.collector = &collector;  // TextPassInput
//   TextPass().run(input);

#include "NavigationReader.h"
#include "TextPass.h"

#include <optional>

namespace scrivora {

class NavigationCollector : public TextPassCollector {
 public:
  explicit NavigationCollector(NavigationLists lists) : lists_(lists) {}

  void beginPass(TextPassContext& context) override;
  void chapterTag(TextPassContext& context, ChapterForm form, size_t tag, int level, size_t titleBegin,
                  size_t titleEnd) override;
  void withdrawChapters(TextPassContext& context, size_t lineStart, int count) override;
  void indexTerm(TextPassContext& context, size_t tag, RecordLocation location) override;
  void linkReference(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd) override;
  void anchor(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd, uint32_t target) override;
  void footnoteReference(TextPassContext& context, size_t idBegin, size_t idEnd) override;
  void sidebarReference(TextPassContext& context, size_t idBegin, size_t idEnd) override;

  void finishLinks(TextPassContext& context) override;
  void finishChapters(TextPassContext& context) override;
  void finishSidebarReferences(TextPassContext& context) override;
  void finishFootnoteReferences(TextPassContext& context) override;
  void finishIndex(TextPassContext& context) override;

 private:
  // The reader of the running pass; made anew at each pass so that it always
  // refers to the context of the running pass.
  NavigationReader& reader(TextPassContext& context);
  // Hands a failure the reader raised on to the pass.
  void passOnFailure(TextPassContext& context) const;

  NavigationLists lists_;
  std::optional<NavigationReader> reader_;
  bool failed_ = false;
};

}  // namespace scrivora
