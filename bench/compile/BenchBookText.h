#pragma once
// Book-like TML for the build benchmark, made from the public-domain novels of
// the corpus (read at run time, never stored here): paragraphs as single
// lines, chapter titles, italics, index terms, anchors and links, footnote and
// sidebar references with their blocks after the text.

#include <cstddef>
#include <string>
#include <vector>

namespace benchbuild {

// The plain text of the corpus novels, one paragraph per entry, ASCII only,
// with backslashes escaped for TML. Empty when no novel could be read.
std::vector<std::string> corpusParagraphs(const std::string& corpusDir);

// A TML source of about `bytes` bytes (never less) cycling through the
// paragraphs, with tags sprinkled in at fixed intervals.
std::string makeBookText(const std::vector<std::string>& paragraphs, size_t bytes);

// A plain book of about `bytes` bytes of paragraphs, `marks` of them spread
// evenly through it ending in a mark, each with a short note of its own. With
// notes, each mark is a footnote reference and the notes follow the text as
// footnote blocks; without, the mark is a plain asterisk and the notes follow
// as ordinary paragraphs. Both books hold the same text; only one has
// footnotes.
std::string makeFootnotedText(const std::vector<std::string>& paragraphs, size_t bytes, size_t marks, bool withNotes);

}  // namespace benchbuild
