#include "BookSurvey.h"

#include <algorithm>
#include <cctype>

#include "EpubArchive.h"
#include "HtmlElements.h"

namespace scrivora::modern {

namespace {

// Anchor and footnote names: the compiler keeps 80 characters and compares
// them without regard to case; the editor shows them.
constexpr size_t kMaxNameLength = 60;

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

// Letters, digits, "-", "_" and "."; anything else becomes "_".
std::string cleanName(const std::string& wanted, const char* fallback) {
  std::string name;
  for (char c : wanted) {
    if (name.size() >= kMaxNameLength) break;
    const bool plain = std::isalnum((unsigned char)c) || c == '-' || c == '_' || c == '.';
    if (plain)
      name += c;
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name.empty() ? std::string(fallback) : name;
}

std::string fileStem(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

bool hasVisibleText(const xmlNode* node) { return !collapsedText(node).empty(); }

// The first heading at the very start of an element: before any text.
const xmlNode* headingAtStart(xmlNode* element) {
  if (element == nullptr) return nullptr;
  if (headingRank(element)) return element;
  const xmlNode* found = nullptr;
  bool textSeen = false;
  walkTree(
      element,
      [&](xmlNode* node) {
        if (found || textSeen) return false;
        if (node->type == XML_TEXT_NODE && node->content) {
          for (const xmlChar* c = node->content; *c; ++c)
            if (!std::isspace(*c)) textSeen = true;
          return false;
        }
        if (node->type != XML_ELEMENT_NODE || isDroppedElement(node)) return false;
        if (headingRank(node)) {
          found = node;
          return false;
        }
        return true;
      },
      [](xmlNode*) {});
  return found;
}

// Text inside a link that lies in a note: the reference it leads back to is
// a link (or holds one) that the survey made a footnote reference.
bool holdsNoteReference(const xmlNode* element, const std::unordered_map<const xmlNode*, LinkResolution>& links) {
  bool found = false;
  walkTree(
      const_cast<xmlNode*>(element),
      [&](xmlNode* node) {
        if (found || node->type != XML_ELEMENT_NODE) return false;
        auto link = links.find(node);
        if (link != links.end() && link->second.kind == LinkKind::Note) found = true;
        return !found;
      },
      [](xmlNode*) {});
  return found;
}

}  // namespace

BookSurvey::BookSurvey(const std::vector<ContentDocument>& documents, const std::vector<TocEntry>& toc)
    : documents_(documents), ids_(documents.size()) {
  for (size_t i = 0; i < documents.size(); ++i) documentIndex_.emplace(documents[i].path, i);
  for (size_t i = 0; i < documents.size(); ++i) indexDocument(i);
  resolveLinks();
  applyTableOfContents(toc);
}

std::string BookSurvey::uniqueName(const std::string& wanted, std::set<std::string>& taken) const {
  std::string name = wanted;
  for (int suffix = 2; !taken.insert(lowerCase(name)).second; ++suffix)
    name = wanted.substr(0, kMaxNameLength - 6) + "-" + std::to_string(suffix);
  return name;
}

const xmlNode* BookSurvey::enclosingNote(const xmlNode* element) const {
  for (const xmlNode* node = element; node && node->type == XML_ELEMENT_NODE; node = node->parent)
    if (notes_.count(node)) return node;
  return nullptr;
}

void BookSurvey::indexDocument(size_t index) {
  const ContentDocument& document = documents_[index];
  auto& ids = ids_[index];
  int noteDepth = 0;
  auto remember = [&](std::string_view id, const xmlNode* node) {
    if (!id.empty()) ids.emplace(std::string(id), node);
  };
  auto picture = [&](const std::string& reference) {
    const std::string path = resolveArchivePath(document.path, reference);
    if (!path.empty()) picturesShown_.insert(path);
  };
  walkTree(
      document.body,
      [&](xmlNode* node) {
        if (node->type != XML_ELEMENT_NODE) return false;
        if (isDroppedElement(node)) return false;
        const std::string_view name = localName(node);
        remember(attributeView(node, "id"), node);
        if (name == "a") remember(attributeView(node, "name"), node);
        if (isPageBreakMarker(node)) return false;
        if (name == "svg") {
          walkTree(
              node,
              [&](xmlNode* part) {
                if (isElement(part, "image")) {
                  std::string href = attributeValue(part, "xlink:href");
                  picture(href.empty() ? attributeValue(part, "href") : href);
                }
                return part->type == XML_ELEMENT_NODE;
              },
              [](xmlNode*) {});
          return false;
        }
        if (name == "img") picture(attributeValue(node, "src"));
        if (isNoteElement(node)) {
          notes_.insert(node);
          noteDocuments_.emplace(node, index);
          ++noteDepth;
        }
        if (name == "a" && noteDepth == 0 && hasAttribute(node, "href")) links_.push_back({index, node});
        return true;
      },
      [&](xmlNode* node) {
        if (notes_.count(node)) --noteDepth;
      });
}

BookSurvey::Target BookSurvey::resolve(size_t fromDocument, const std::string& reference) const {
  Target target;
  if (reference.empty() || isExternalReference(reference)) return target;
  const std::string path = resolveArchivePath(documents_[fromDocument].path, reference);
  auto document = documentIndex_.find(path);
  if (path.empty() || document == documentIndex_.end()) return target;
  target.document = long(document->second);
  const std::string fragment = referenceFragment(reference);
  if (fragment.empty()) return target;
  auto id = ids_[document->second].find(fragment);
  if (id == ids_[document->second].end()) {
    target.missing = true;
    return target;
  }
  target.element = id->second;
  return target;
}

void BookSurvey::resolveLinks() {
  for (const auto& [documentIndex, link] : links_) {
    const Target target = resolve(documentIndex, attributeValue(link, "href"));
    LinkResolution resolution;
    if (target.document < 0) {
      resolution.kind = LinkKind::Outside;
    } else if (target.missing) {
      resolution.kind = LinkKind::Missing;
    } else if (const xmlNode* note = target.element ? enclosingNote(target.element) : nullptr) {
      resolution.kind = LinkKind::Note;
      auto named = noteIds_.find(note);
      if (named == noteIds_.end()) {
        named = noteIds_.emplace(note, uniqueName(cleanName(attributeValue(note, "id"), "note"), noteNames_)).first;
        movedNotes_.push_back(note);
      }
      resolution.name = named->second;
    } else if (target.element) {
      resolution.kind = LinkKind::Anchor;
      auto named = anchors_.find(target.element);
      if (named == anchors_.end()) {
        std::string id = attributeValue(target.element, "id");
        if (id.empty()) id = attributeValue(target.element, "name");
        named = anchors_.emplace(target.element, uniqueName(cleanName(id, "anchor"), anchorNames_)).first;
      }
      resolution.name = named->second;
    } else {
      resolution.kind = LinkKind::Anchor;
      const size_t document = size_t(target.document);
      auto named = startAnchors_.find(document);
      if (named == startAnchors_.end())
        named =
            startAnchors_
                .emplace(document, uniqueName(cleanName(fileStem(documents_[document].path), "start"), anchorNames_))
                .first;
      resolution.name = named->second;
    }
    linkResolutions_.emplace(link, std::move(resolution));
  }
  // Notes in reading order, whatever order their references came in.
  if (movedNotes_.empty()) return;
  std::vector<const xmlNode*> ordered;
  for (size_t d = 0; d < documents_.size(); ++d)
    walkTree(
        documents_[d].body,
        [&](xmlNode* node) {
          if (node->type != XML_ELEMENT_NODE) return false;
          if (noteIds_.count(node)) ordered.push_back(node);
          return true;
        },
        [](xmlNode*) {});
  movedNotes_ = ordered;
}

void BookSurvey::applyTableOfContents(const std::vector<TocEntry>& toc) {
  std::unordered_set<const xmlNode*> claimed;
  for (const TocEntry& entry : toc) {
    auto document = documentIndex_.find(entry.path);
    if (document == documentIndex_.end()) continue;
    const size_t index = document->second;
    const xmlNode* element = nullptr;
    if (!entry.fragment.empty()) {
      auto id = ids_[index].find(entry.fragment);
      if (id != ids_[index].end()) element = id->second;
    }
    if (element && enclosingNote(element)) continue;
    hasToc_ = true;
    const int level = std::clamp(entry.depth, 0, 4);
    const xmlNode* heading = headingAtStart(const_cast<xmlNode*>(element ? element : documents_[index].body));
    if (heading && !claimed.count(heading) && hasVisibleText(heading)) {
      claimed.insert(heading);
      chapterLevels_[heading] = level;
      tableTitles_[heading] = entry.label;
    } else if (element) {
      marks_[element].push_back({level, entry.label});
    } else {
      startMarks_[index].push_back({level, entry.label});
    }
  }
}

const LinkResolution* BookSurvey::linkOf(const xmlNode* link) const {
  auto found = linkResolutions_.find(link);
  return found == linkResolutions_.end() ? nullptr : &found->second;
}

const std::string* BookSurvey::anchorAt(const xmlNode* element) const {
  auto found = anchors_.find(element);
  return found == anchors_.end() ? nullptr : &found->second;
}

const std::string* BookSurvey::anchorAtStart(size_t document) const {
  auto found = startAnchors_.find(document);
  return found == startAnchors_.end() ? nullptr : &found->second;
}

bool BookSurvey::isBackLink(size_t document, const xmlNode* link) const {
  const Target target = resolve(document, attributeValue(link, "href"));
  return target.element && !enclosingNote(target.element) && holdsNoteReference(target.element, linkResolutions_);
}

int BookSurvey::chapterLevel(const xmlNode* heading) const {
  if (hasToc_) {
    auto found = chapterLevels_.find(heading);
    return found == chapterLevels_.end() ? -1 : found->second;
  }
  const int rank = headingRank(heading);
  return rank >= 1 && rank <= 5 ? rank - 1 : -1;
}

const std::string* BookSurvey::tableTitle(const xmlNode* heading) const {
  auto found = tableTitles_.find(heading);
  return found == tableTitles_.end() ? nullptr : &found->second;
}

const std::vector<ChapterMark>* BookSurvey::chapterMarksAt(const xmlNode* element) const {
  auto found = marks_.find(element);
  return found == marks_.end() ? nullptr : &found->second;
}

const std::vector<ChapterMark>* BookSurvey::chapterMarksAtStart(size_t document) const {
  auto found = startMarks_.find(document);
  return found == startMarks_.end() ? nullptr : &found->second;
}

}  // namespace scrivora::modern
