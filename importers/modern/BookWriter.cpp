#include "BookWriter.h"

#include <algorithm>
#include <cstdlib>

#include "HtmlElements.h"
#include "MarkupTree.h"

namespace scrivora::modern {

namespace {

// Tables with more columns than this are written one cell to a line: their
// tab stops would stand too close together.
constexpr unsigned kMaxTabColumns = 6;
// A nested list or quotation moves in by this share of the line per level.
constexpr unsigned kNestingPercent = 6;
constexpr unsigned kPageWidth = 158;
constexpr unsigned kIndentedPageWidth = 150;

int headingRankOfName(std::string_view name) {
  return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6' ? name[1] - '0' : 0;
}

bool isOneOf(std::string_view name, std::initializer_list<const char*> names) {
  for (const char* candidate : names)
    if (name == candidate) return true;
  return false;
}

// Blocks separated from their neighbours by an empty line.
bool isParagraphBlock(std::string_view name) {
  return headingRankOfName(name) ||
         isOneOf(name, {"p", "div", "blockquote", "pre", "dl", "table", "figure", "address", "fieldset", "form", "hr"});
}

// Blocks that start and end a line.
bool isLineBlock(std::string_view name) {
  return isOneOf(name, {"body",       "section", "article", "aside", "nav", "header", "footer", "main",
                        "figcaption", "caption", "dt",      "dd",    "li",  "tr",     "center", "details",
                        "summary",    "legend",  "hgroup",  "ul",    "ol",  "menu",   "dir"});
}

std::string romanNumeral(long n) {
  static const struct {
    long value;
    const char* letters;
  } kNumerals[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                   {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
  std::string text;
  for (const auto& numeral : kNumerals)
    while (n >= numeral.value) text += numeral.letters, n -= numeral.value;
  return text;
}

std::string itemNumber(long n, char numbering) {
  std::string text;
  if ((numbering == 'a' || numbering == 'A') && n >= 1) {
    for (long k = n; k > 0; k = (k - 1) / 26) text.insert(text.begin(), char('a' + (k - 1) % 26));
  } else if ((numbering == 'i' || numbering == 'I') && n >= 1 && n < 4000) {
    text = romanNumeral(n);
  } else {
    return std::to_string(n);
  }
  if (numbering == 'A' || numbering == 'I')
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return text;
}

long numberAttribute(const xmlNode* element, const char* name, long fallback) {
  const std::string value = attributeValue(element, name);
  if (value.empty()) return fallback;
  char* end = nullptr;
  const long number = std::strtol(value.c_str(), &end, 10);
  return end != value.c_str() && number > -1000000 && number < 1000000 ? number : fallback;
}

unsigned columnsOf(const xmlNode* table) {
  unsigned columns = 1;
  auto countRow = [&](const xmlNode* row) {
    long cells = 0;
    for (const xmlNode* cell = firstElementChild(row); cell; cell = nextElement(cell))
      if (localName(cell) == "td" || localName(cell) == "th")
        cells += std::clamp(numberAttribute(cell, "colspan", 1), 1L, 100L);
    columns = std::max(columns, unsigned(std::min(cells, 1000L)));
  };
  for (const xmlNode* part = firstElementChild(table); part; part = nextElement(part)) {
    if (localName(part) == "tr") countRow(part);
    if (isOneOf(localName(part), {"thead", "tbody", "tfoot"}))
      for (const xmlNode* row = firstElementChild(part); row; row = nextElement(row))
        if (localName(row) == "tr") countRow(row);
  }
  return columns;
}

// The alternative texts of the pictures in an element, for a chapter entry
// when a heading is only a picture.
std::string pictureTexts(xmlNode* element) {
  std::string texts;
  walkTree(
      element,
      [&](xmlNode* node) {
        if (isElement(node, "img")) {
          const std::string alt = attributeValue(node, "alt");
          if (!alt.empty()) texts += (texts.empty() ? "" : " ") + alt;
        }
        return node->type == XML_ELEMENT_NODE;
      },
      [](xmlNode*) {});
  return texts;
}

bool holdsElement(xmlNode* element, const char* name) {
  for (xmlNode* child = element->children; child; child = child->next)
    if (child->type == XML_ELEMENT_NODE && findElement(child, name)) return true;
  return false;
}

}  // namespace

BookWriter::BookWriter(const std::vector<ContentDocument>& documents, const BookSurvey& survey,
                       TmlCharacters& characters, PictureFiler pictures)
    : documents_(documents),
      survey_(survey),
      characters_(characters),
      pictures_(std::move(pictures)),
      main_(characters) {}

void BookWriter::writeDocument(size_t document) {
  if (document > 0) main_.requestPageBreak();
  if (const std::string* anchor = survey_.anchorAtStart(document)) main_.anchor(*anchor);
  if (const auto* marks = survey_.chapterMarksAtStart(document))
    for (const ChapterMark& mark : *marks) main_.chapterEntry(mark.level, mark.title);
  walk(documents_[document].body, document, Mode::Main, main_);
  // Anchors at the very end of a document belong before the next one's page.
  main_.placeWaitingMarks();
}

std::string BookWriter::noteBody(const xmlNode* note) {
  TmlComposer body(characters_);
  const size_t document = survey_.documentOfNote(note);
  for (xmlNode* child = note->children; child; child = child->next) walk(child, document, Mode::Note, body);
  return body.finish();
}

void BookWriter::walk(xmlNode* root, size_t document, Mode mode, TmlComposer& out) {
  if (root == nullptr) return;
  const size_t depth = frames_.size();
  walkTree(
      root,
      [&](xmlNode* node) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
          writeText(node, out);
          return false;
        }
        if (node->type != XML_ELEMENT_NODE) return false;
        frames_.push_back(Frame{out.style(), out.alignment(), out.indented(), out.preformatted(), indentDepth_});
        return enterElement(node, document, mode, out);
      },
      [&](xmlNode* node) {
        if (node->type == XML_ELEMENT_NODE) leaveElement(out);
      });
  frames_.resize(depth);
}

void BookWriter::writeText(const xmlNode* node, TmlComposer& out) {
  if (node->content == nullptr) return;
  std::string_view text(reinterpret_cast<const char*>(node->content));
  if (stripNewline_) {
    // A line end right after <pre> is not part of its text.
    if (!text.empty() && text[0] == '\n') text.remove_prefix(1);
    stripNewline_ = false;
  }
  out.text(text);
}

void BookWriter::setIndentDepth(int depth, TmlComposer& out) {
  indentDepth_ = depth;
  out.setIndented(depth > 0);
}

void BookWriter::applyInlineStyle(const xmlNode* element, std::string_view name, TmlComposer& out) {
  InlineStyle style = out.style();
  if (isOneOf(name, {"b", "strong", "th"})) style.font = TextFont::Bold;
  if (isOneOf(name, {"i", "em", "cite"})) style.italic = true;
  if (name == "u") style.underline = true;
  if (isOneOf(name, {"s", "strike", "del"})) style.overstrike = true;
  if (name == "sup") style.script = ScriptPosition::Superscript;
  if (name == "sub") style.script = ScriptPosition::Subscript;
  // Bold wins over a size: the reader has one font at a time.
  if ((name == "small" || name == "pre") && style.font != TextFont::Bold) style.font = TextFont::Small;
  if (name == "big" && style.font != TextFont::Bold) style.font = TextFont::Large;
  const std::string css = attributeValue(element, "style");
  if (!css.empty()) {
    const std::string weight = styleProperty(css, "font-weight");
    if (weight == "bold" || weight == "bolder" || weight == "600" || weight == "700" || weight == "800" ||
        weight == "900")
      style.font = TextFont::Bold;
    const std::string slant = styleProperty(css, "font-style");
    if (slant == "italic" || slant == "oblique") style.italic = true;
    const std::string decoration = styleProperty(css, "text-decoration");
    if (decoration.find("underline") != std::string::npos) style.underline = true;
    if (decoration.find("line-through") != std::string::npos) style.overstrike = true;
  }
  out.setStyle(style);
}

void BookWriter::applyBlockAlignment(const xmlNode* element, std::string_view name, TmlComposer& out) {
  std::string wanted = styleProperty(attributeValue(element, "style"), "text-align");
  if (wanted.empty()) wanted = attributeValue(element, "align");
  std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  if (name == "center" || wanted == "center" || wanted == "middle")
    out.setAlignment(LineAlignment::Centre);
  else if (wanted == "right" || wanted == "end")
    out.setAlignment(LineAlignment::Right);
  else if (wanted == "left" || wanted == "justify" || wanted == "start")
    out.setAlignment(LineAlignment::Left);
}

void BookWriter::writePicture(size_t document, const std::string& reference, const std::string& alt, TmlComposer& out) {
  const unsigned width = out.indented() ? kIndentedPageWidth : kPageWidth;
  const std::string file = reference.empty() ? std::string() : pictures_(document, reference, width);
  if (!file.empty()) {
    out.image(file);
  } else if (!alt.empty() && !out.inHeading()) {
    out.comment(alt);
  }
}

void BookWriter::writeSvgPictures(xmlNode* svg, size_t document, TmlComposer& out) {
  walkTree(
      svg,
      [&](xmlNode* node) {
        if (isElement(node, "image")) {
          std::string href = attributeValue(node, "xlink:href");
          if (href.empty()) href = attributeValue(node, "href");
          writePicture(document, href, std::string(), out);
        }
        return node->type == XML_ELEMENT_NODE;
      },
      [](xmlNode*) {});
}

void BookWriter::writeListItem(const xmlNode* item, TmlComposer& out) {
  out.requestLineBreak();
  if (lists_.empty()) {
    // An item outside any list is written as an item of a list of its own.
    ListState orphan;
    orphan.hanging = indentDepth_ == 0;
    lists_.push_back(orphan);
    frames_.back().popsList = true;
    setIndentDepth(indentDepth_ + 1, out);
  }
  ListState& list = lists_.back();
  std::string marker;
  size_t columns = 2;
  if (list.ordered) {
    list.next = numberAttribute(item, "value", list.next);
    const std::string number = itemNumber(list.next++, list.numbering) + ".";
    marker = number + " ";
    columns = number.size() + 1;
  } else {
    static const char* const kBullets[] = {"\\a149 ", "\\a150 ", "\\a183 "};
    marker = kBullets[std::min<size_t>(lists_.size(), 3) - 1];
  }
  if (list.hanging) {
    // The bullet stands at the margin and the item's lines start after it.
    out.setIndented(false);
    out.marker(marker, columns);
    out.setIndented(true);
  } else {
    out.setIndented(true);
    out.tabStop(kNestingPercent * unsigned(std::max(1, indentDepth_ - 1)));
    out.marker(marker, columns);
  }
}

void BookWriter::writeTableCell(const xmlNode* cell, TmlComposer& out) {
  if (tables_.empty()) return;
  TableState& table = tables_.back();
  if (table.cell > 0) {
    if (table.columns <= kMaxTabColumns && table.cell < table.columns)
      out.tabStop(100 * table.cell / table.columns);
    else
      out.requestLineBreak();
  }
  table.cell += unsigned(std::clamp(numberAttribute(cell, "colspan", 1), 1L, 100L));
}

void BookWriter::writeHeading(const xmlNode* heading, Mode mode, TmlComposer& out) {
  out.requestParagraphBreak();
  frames_.back().breakAfter = 2;
  InlineStyle style = out.style();
  style.font = TextFont::Bold;
  out.setStyle(style);
  const int level = mode == Mode::Main && !out.inHeading() ? survey_.chapterLevel(heading) : -1;
  if (level < 0) return;
  if (!collapsedText(heading).empty()) {
    out.openHeading(level);
    frames_.back().closesHeading = true;
    return;
  }
  // A heading that is only a picture: an invisible chapter entry names it.
  const std::string* title = survey_.tableTitle(heading);
  out.chapterEntry(level, title ? *title : pictureTexts(const_cast<xmlNode*>(heading)));
}

void BookWriter::placeAnchorsWithin(xmlNode* element, TmlComposer& out) {
  for (xmlNode* child = element->children; child; child = child->next)
    walkTree(
        child,
        [&](xmlNode* node) {
          if (node->type != XML_ELEMENT_NODE) return false;
          if (const std::string* anchor = survey_.anchorAt(node)) out.anchor(*anchor);
          return true;
        },
        [](xmlNode*) {});
}

void BookWriter::writeLink(xmlNode* link, size_t document, Mode mode, TmlComposer& out, bool& descend) {
  if (!hasAttribute(link, "href")) return;
  if (mode == Mode::Note) {
    // The reader has its own way back from a footnote.
    if (survey_.isBackLink(document, link)) descend = false;
    return;
  }
  const LinkResolution* resolution = survey_.linkOf(link);
  if (resolution == nullptr) return;
  if (resolution->kind == LinkKind::Note) {
    const InlineStyle style = out.style();
    if (holdsElement(link, "sup")) {
      InlineStyle raised = style;
      raised.script = ScriptPosition::Superscript;
      out.setStyle(raised);
    }
    out.noteReference(resolution->name, collapsedText(link));
    out.setStyle(style);
    placeAnchorsWithin(link, out);
    descend = false;
  } else if (resolution->kind == LinkKind::Anchor && !out.inLink()) {
    out.openLink(resolution->name);
    frames_.back().closesLink = true;
  }
}

bool BookWriter::enterElement(xmlNode* element, size_t document, Mode mode, TmlComposer& out) {
  if (isDroppedElement(element)) return false;
  if (mode == Mode::Main && survey_.isMovedNote(element)) return false;
  if (mode == Mode::Main) {
    if (const std::string* anchor = survey_.anchorAt(element)) out.anchor(*anchor);
    if (const auto* marks = survey_.chapterMarksAt(element))
      for (const ChapterMark& mark : *marks) out.chapterEntry(mark.level, mark.title);
  }
  if (isPageBreakMarker(element)) return false;

  // The HTML parser gives names in lower case, as XHTML writes them.
  const std::string_view name = localName(element);
  Frame& frame = frames_.back();
  if (isParagraphBlock(name)) {
    out.requestParagraphBreak();
    frame.breakAfter = 2;
  } else if (isLineBlock(name)) {
    out.requestLineBreak();
    frame.breakAfter = 1;
  }
  if (isParagraphBlock(name) || isLineBlock(name) || headingRankOfName(name)) applyBlockAlignment(element, name, out);
  applyInlineStyle(element, name, out);

  bool descend = true;
  if (headingRankOfName(name)) {
    writeHeading(element, mode, out);
  } else if (name == "a") {
    writeLink(element, document, mode, out, descend);
  } else if (name == "br") {
    out.lineEnd();
  } else if (name == "hr") {
    out.rule();
  } else if (name == "img") {
    writePicture(document, attributeValue(element, "src"), attributeValue(element, "alt"), out);
  } else if (name == "svg") {
    writeSvgPictures(element, document, out);
    descend = false;
  } else if (name == "pre") {
    out.setPreformatted(true);
    stripNewline_ = true;
  } else if (name == "blockquote" || name == "dd") {
    setIndentDepth(indentDepth_ + 1, out);
  } else if (name == "ul" || name == "ol" || name == "menu" || name == "dir") {
    ListState list;
    list.ordered = name == "ol";
    list.hanging = indentDepth_ == 0;
    list.next = numberAttribute(element, "start", 1);
    const std::string type = attributeValue(element, "type");
    if (type.size() == 1 && std::string("1aAiI").find(type[0]) != std::string::npos) list.numbering = type[0];
    // A list stands apart from the text around it; a list in a list does not.
    if (lists_.empty()) frame.breakAfter = 2, out.requestParagraphBreak();
    lists_.push_back(list);
    frame.popsList = true;
    setIndentDepth(indentDepth_ + 1, out);
  } else if (name == "li") {
    writeListItem(element, out);
  } else if (name == "table") {
    tables_.push_back({columnsOf(element), 0});
    frame.popsTable = true;
  } else if (name == "tr") {
    if (!tables_.empty()) tables_.back().cell = 0;
  } else if (name == "td" || name == "th") {
    writeTableCell(element, out);
  } else if (name == "q") {
    out.text("\xE2\x80\x9C");
    frame.closesQuote = true;
  }
  return descend;
}

void BookWriter::leaveElement(TmlComposer& out) {
  const Frame frame = frames_.back();
  frames_.pop_back();
  if (frame.closesQuote) out.text("\xE2\x80\x9D");
  out.setStyle(frame.style);
  out.setAlignment(frame.alignment);
  out.setPreformatted(frame.preformatted);
  if (frame.closesLink) out.closeLink();
  if (frame.closesHeading) out.closeHeading();
  if (frame.popsList && !lists_.empty()) lists_.pop_back();
  if (frame.popsTable && !tables_.empty()) tables_.pop_back();
  indentDepth_ = frame.indentDepth;
  out.setIndented(frame.indented);
  if (frame.breakAfter == 2) out.requestParagraphBreak();
  if (frame.breakAfter == 1) out.requestLineBreak();
  stripNewline_ = false;
}

}  // namespace scrivora::modern
