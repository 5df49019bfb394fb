#pragma once
// What the modern import makes of each HTML element, in one place for the
// walk that writes the text and the survey that finds links and notes
// before it, so that both agree on what is shown.

#include <libxml/tree.h>

#include <string>
#include <string_view>

namespace scrivora::modern {

// Elements whose content never shows: scripts, styles, templates, noscript
// fallbacks, titles (of the page or of a drawing), and anything marked
// hidden or "display: none". The head itself holds nothing else that shows
// (its links and meta elements are empty), but libxml2 leaves there the
// elements of a page's start it does not know (<section>, <nav>), whose text
// belongs to the book.
bool isDroppedElement(const xmlNode* element);

// A print page number (epub:type="pagebreak"): its text is not the book's,
// but links to it (a page list) still need a place to go.
bool isPageBreakMarker(const xmlNode* element);

// A note the book marks as such: epub:type footnote, endnote or rearnote,
// or role doc-footnote or doc-endnote.
bool isNoteElement(const xmlNode* element);

// 1 to 6 for h1 to h6, else 0.
int headingRank(const xmlNode* element);

// The value of one property in a style attribute ("text-align: center"),
// lower case; empty when it is not there.
std::string styleProperty(const std::string& style, std::string_view property);

}  // namespace scrivora::modern
