#pragma once
// A look over the whole book before any of it is written: which elements
// links lead to (they get anchors, named so that the compiler tells them
// apart), which links are footnote references (they lead into a note the
// book marks as such, whose text then goes into the book's footnote block),
// which headings are chapters and at which level (from the book's own table
// of contents when it has one), and which pictures the text shows.

#include <libxml/tree.h>

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "MarkupTree.h"
#include "TableOfContents.h"

namespace scrivora::modern {

struct ContentDocument {
  // The archive path (EPUB) or the file's own name (a page): links name it.
  std::string path;
  XmlDocument tree;
  // Where the text is: the root element.
  xmlNode* body = nullptr;
  // The size of the file it was read from.
  size_t sourceSize = 0;
};

enum class LinkKind {
  Outside,  // another site, a file not in the book, or nothing
  Missing,  // into the book, but to an id that is nowhere
  Anchor,   // to an anchor of the book
  Note,     // a footnote reference
};

struct LinkResolution {
  LinkKind kind = LinkKind::Outside;
  std::string name;  // the anchor's or the note's name
};

struct ChapterMark {
  int level = 0;
  std::string title;  // UTF-8
};

class BookSurvey {
 public:
  // Without entries, h1 to h5 are chapters at levels 0 to 4.
  BookSurvey(const std::vector<ContentDocument>& documents, const std::vector<TocEntry>& toc);

  // What a link element outside the notes leads to; null for one that is not
  // a link (no href) or lies in a note.
  const LinkResolution* linkOf(const xmlNode* link) const;
  // The anchor to place at an element, or at the start of a document; null
  // when no link leads there.
  const std::string* anchorAt(const xmlNode* element) const;
  const std::string* anchorAtStart(size_t document) const;

  // Notes whose text moves into the footnote block, in reading order.
  const std::vector<const xmlNode*>& movedNotes() const { return movedNotes_; }
  bool isMovedNote(const xmlNode* element) const { return noteIds_.count(element) != 0; }
  const std::string& noteId(const xmlNode* note) const { return noteIds_.at(note); }
  size_t documentOfNote(const xmlNode* note) const { return noteDocuments_.at(note); }
  // A link inside a moved note that only leads back to the reference.
  bool isBackLink(size_t document, const xmlNode* link) const;

  // The chapter level of a heading (-1 when it is not a chapter) and, when the
  // table of contents made it one, the title the table gives it.
  int chapterLevel(const xmlNode* heading) const;
  const std::string* tableTitle(const xmlNode* heading) const;
  // Entries of the table of contents that point at no heading: invisible
  // chapter entries at the element, or at the start of a document.
  const std::vector<ChapterMark>* chapterMarksAt(const xmlNode* element) const;
  const std::vector<ChapterMark>* chapterMarksAtStart(size_t document) const;

  bool showsPicture(const std::string& archivePath) const { return picturesShown_.count(archivePath) != 0; }
  bool hasTableOfContents() const { return hasToc_; }

  // Where a reference written in a document leads: the document's index
  // (or -1) and the element (null for the document's start).
  struct Target {
    long document = -1;
    const xmlNode* element = nullptr;
    bool missing = false;
  };
  Target resolve(size_t fromDocument, const std::string& reference) const;

 private:
  void indexDocument(size_t index);
  void resolveLinks();
  void applyTableOfContents(const std::vector<TocEntry>& toc);
  std::string uniqueName(const std::string& wanted, std::set<std::string>& taken) const;
  const xmlNode* enclosingNote(const xmlNode* element) const;

  const std::vector<ContentDocument>& documents_;
  std::unordered_map<std::string, size_t> documentIndex_;
  std::vector<std::unordered_map<std::string, const xmlNode*>> ids_;
  std::vector<std::pair<size_t, const xmlNode*>> links_;
  std::unordered_map<const xmlNode*, LinkResolution> linkResolutions_;
  std::unordered_map<const xmlNode*, std::string> anchors_;
  std::unordered_map<size_t, std::string> startAnchors_;
  std::set<std::string> anchorNames_;
  std::unordered_map<const xmlNode*, std::string> noteIds_;
  std::unordered_map<const xmlNode*, size_t> noteDocuments_;
  std::vector<const xmlNode*> movedNotes_;
  std::set<std::string> noteNames_;
  std::unordered_set<const xmlNode*> notes_;
  std::unordered_map<const xmlNode*, int> chapterLevels_;
  std::unordered_map<const xmlNode*, std::string> tableTitles_;
  std::unordered_map<const xmlNode*, std::vector<ChapterMark>> marks_;
  std::unordered_map<size_t, std::vector<ChapterMark>> startMarks_;
  std::set<std::string> picturesShown_;
  bool hasToc_ = false;
};

}  // namespace scrivora::modern
