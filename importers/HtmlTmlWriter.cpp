#include "HtmlTmlWriter.h"

#include <cctype>

#include "TextEncoding.h"

namespace scrivora {

namespace {

using namespace HtmlFlag;

#define CR "\r"
// Start and end texts, searched in this order.
const HtmlElementRule kElementRules[] = {
    {"HTML", "", "", 0},
    {"HEAD", "", "", kTextOff},
    {"BODY", "", "", kTextOn},
    {"TITLE", "\\vTITLE=\"", "\"\\v ", kTextOn},
    {"P", CR CR, "", 0},
    {"HR", "\\w=\"100%\"", "", 0},
    {"DL", CR CR, "", 0},
    {"DT", CR, CR, 0},
    {"DD", "\\t", "\\t" CR, 0},
    {"UL", CR, "", 0},
    {"OL", CR, "", 0},
    {"LI", "\\a149 \\t", "\\t" CR, 0},
    {"B", "", "", kBold},
    {"STRONG", "", "", kBold},
    {"EM", "", "", kItalic},
    {"I", "", "", kItalic},
    {"U", "", "", kUnderline},
    {"STRIKE", "", "", kOverstrike},
    {"TT", "", "", 0},
    {"CODE", "", "", 0},
    {"SAMP", "", "", 0},
    {"KBD", "", "", 0},
    {"VAR", "", "", 0},
    {"CITE", "", "", 0},
    {"BLOCKQUOTE", "\\t", "\\t", 0},
    {"SMALL", "", "", kSmallFont},
    {"BIG", "", "", kLargeFont},
    {"FONT", "", "", 0},
    {"SUP", "\\Sp", "\\Sp", 0},
    {"SUB", "\\Sb", "\\Sb", 0},
    {"H1", CR "\\p\\X0", "\\X0", kBold},
    {"H2", CR "\\p\\X1", "\\X1", kBold},
    {"H3", "\\X2", "\\X2", kBold},
    {"H4", "\\X3", "\\X3", kBold},
    {"H5", "\\X4", "\\X4", kBold},
    {"H6", "", "", kBold},
    {"BR", CR, "", 0},
    {"DIV", CR CR, "", 0},
    {"CENTER", CR, CR, 0},
    {"IMG", "", "", 0},
    {"A", "", "", 0},
    {"TABLE", "", "", 0},
    {"CAPTION", "", "", 0},
    {"THEAD", "", "", 0},
    {"TFOOT", "", "", 0},
    {"TBODY", CR, "", 0},
    {"COLGROUP", "", "", 0},
    {"COL", CR, "", 0},
    {"TR", CR, "", 0},
    {"TH", CR, "", 0},
    {"TD", CR, "", 0},
    {"FORM", "", "", 0},
    {"LABEL", "", "", 0},
    {"INPUT", "", "", 0},
    {"SELECT", "", "", 0},
    {"OPTGROUP", "", "", 0},
    {"OPTION", "", "", 0},
    {"TEXTAREA", "", "", 0},
    {"FIELDSET", "", "", 0},
    {"LEGEND", "", "", 0},
    {"BUTTON", "", "", 0},
    {"META", "", "", kTextOff},
    {"STYLE", "", "", kTextOff},
    {"SCRIPT", "", "", kTextOff},
    {"PRE", "", "", 0},
    {"XMP", "", "", 0},
    {"LISTING", "", "", 0},
    {"PLAINTEXT", "", "", 0},
    {"DIR", "", "", 0},
    {"MENU", "", "", 0},
};
#undef CR

constexpr uint16_t kFontFlags = kSmallFont | kLargeFont;
constexpr uint16_t kAlignmentFlags = kCentred | kRightAligned;

struct StyleTag {
  uint16_t flag;
  const char* tag;
};
constexpr StyleTag kStyleTags[] = {{kBold, "\\b"}, {kItalic, "\\i"}, {kUnderline, "\\u"}, {kOverstrike, "\\o"}};

// Names from the parser are the HTML names, so a plain ASCII comparison without
// regard to case is enough.
bool sameNameNoCase(const char* tableName, const SGMLApplication::Char* name, size_t length) {
  size_t i = 0;
  for (; i < length; ++i) {
    char expected = tableName[i];
    if (expected == 0) return false;
    SGMLApplication::Char c = name[i];
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    if (c != SGMLApplication::Char(expected)) return false;
  }
  return tableName[i] == 0;
}

const HtmlElementRule* findRule(const SGMLApplication::Char* name, size_t length) {
  for (const HtmlElementRule& rule : kElementRules)
    if (sameNameNoCase(rule.name, name, length)) return &rule;
  return nullptr;
}

std::string asciiUpperName(const SGMLApplication::CharString& name) {
  std::string text;
  for (size_t i = 0; i < name.len; ++i) {
    SGMLApplication::Char c = name.ptr[i];
    text += (c < 128) ? char(std::toupper(int(c))) : '?';
  }
  return text;
}

// The value of an attribute as characters; empty for one without a value.
std::u32string attributeValue(const SGMLApplication::Attribute& attribute) {
  std::u32string value;
  if (attribute.type == SGMLApplication::Attribute::cdata) {
    for (size_t i = 0; i < attribute.nCdataChunks; ++i) {
      const auto& chunk = attribute.cdataChunks[i];
      if (!chunk.isSdata && chunk.isNonSgml)
        value += char32_t(chunk.nonSgmlChar);
      else
        value.append(reinterpret_cast<const char32_t*>(chunk.data.ptr), chunk.data.len);
    }
  } else if (attribute.type == SGMLApplication::Attribute::tokenized) {
    value.assign(reinterpret_cast<const char32_t*>(attribute.tokens.ptr), attribute.tokens.len);
  }
  return value;
}

static_assert(sizeof(SGMLApplication::Char) == sizeof(char32_t), "the parser must deliver 32-bit characters");

}  // namespace

const HtmlElementRule* findHtmlElementRule(const char* name, size_t length) {
  std::u32string wide(name, name + length);
  return findRule(reinterpret_cast<const SGMLApplication::Char*>(wide.data()), wide.size());
}

size_t htmlElementRuleCount() { return sizeof kElementRules / sizeof kElementRules[0]; }

HtmlTmlWriter::HtmlTmlWriter(size_t expectedOutputSize) { output_.reserve(expectedOutputSize); }

void HtmlTmlWriter::writePendingSpace() {
  if (!pendingSpace_) return;
  output_ += ' ';
  pendingSpace_ = false;
}

void HtmlTmlWriter::writeCharacter(Char c) {
  if (c >= 32 && c < 128) {
    if (c == '>') {
      output_ += ' ';  // what is left of an XML empty-element tag, "<br />", read as HTML
    } else if (c == '\\') {
      output_ += "\\\\";
    } else {
      output_ += char(c);
    }
  } else if (c == '\t' || c == '\r') {
    output_ += ' ';
  } else if (c == 0xAD) {
    output_ += "\\-";
  } else if (c >= 128) {
    appendTmlEscapedCharacter(c, output_);
  }
  // Every other control character is dropped.
}

void HtmlTmlWriter::writeCharacters(const Char* characters, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    Char c = characters[i];
    // Plain printable text is by far the most common case.
    if (c >= 32 && c < 128 && c != '>' && c != '\\')
      output_ += char(c);
    else
      writeCharacter(c);
  }
}

void HtmlTmlWriter::writeElementName(const CharString& name) { output_ += asciiUpperName(name); }

// An element the tables do not name is marked where its text would show;
// where text output is off (the head, styles, scripts) its content is
// dropped anyway, and a mark there would only put stray text in the book.
void HtmlTmlWriter::writeUnknownElementMark(char mark, const CharString& name) {
  if (!textOutputOn()) return;
  output_ += mark;
  writeElementName(name);
}

// Attribute values go into a TML argument, which ends at the next double
// quote and has no escapes: quotes and control characters cannot stand in it
// and are left out, other characters are written as Windows-1252 bytes.
void HtmlTmlWriter::writeAttributeValue(const Attribute& attribute) {
  for (char32_t c : attributeValue(attribute)) {
    if (c == '"' || c < 32 || c == 127) continue;
    int byte = windows1252ByteOf(c);
    output_ += byte >= 0 ? char(byte) : '?';
  }
}

void HtmlTmlWriter::applyAttributes(const StartElementEvent& event, const std::string& elementName) {
  for (size_t i = 0; i < event.nAttributes; ++i) {
    const Attribute& attribute = event.attributes[i];
    // Only attributes written in the page count, not defaults from the DTD;
    // the defaulted mark is valid only for attributes that have a value.
    if (attribute.type != Attribute::cdata && attribute.type != Attribute::tokenized) continue;
    if (attribute.defaulted != Attribute::specified) continue;
    std::u32string value = attributeValue(attribute);
    if (value.empty()) continue;
    std::string name = asciiUpperName(attribute.name);

    if (elementName == "A" && name == "NAME") {
      output_ += "\\Q=\"";
      writeAttributeValue(attribute);
      output_ += '"';
    } else if (elementName == "A" && name == "HREF") {
      // A book links only to its own anchors: a link to another file or site
      // has no TML form (the book would not compile), so only its text stays.
      if (value[0] != '#' || value.size() < 2) continue;
      output_ += "\\q=\"";
      writeAttributeValue(attribute);
      output_ += '"';
      flags_ |= kLink;
    } else if (elementName == "IMG" && name == "SRC") {
      // Images are not imported.
    } else if (elementName == "FONT" && name == "SIZE") {
      if (value[0] == '-') {
        flags_ = uint16_t((flags_ | kSmallFont) & ~kLargeFont);
      } else if (value[0] != '0') {
        flags_ = uint16_t((flags_ | kLargeFont) & ~kSmallFont);
      }
    } else if (elementName != "A" && elementName != "IMG" && elementName != "FONT" && name == "ALIGN") {
      std::string alignment;
      for (char32_t c : value) alignment += c < 128 ? char(std::toupper(int(c))) : '?';
      if (alignment == "CENTER") {
        flags_ = uint16_t((flags_ | kCentred) & ~kRightAligned);
      } else if (alignment == "RIGHT") {
        flags_ = uint16_t((flags_ | kRightAligned) & ~kCentred);
      }
    }
  }
}

// The font tags are toggles: the same tag turns a font on and off. Small
// takes precedence when both font flags are set.
void HtmlTmlWriter::writeFontTag(uint16_t flags) {
  if (flags & kSmallFont)
    output_ += "\\s";
  else if (flags & kLargeFont)
    output_ += "\\l";
}

void HtmlTmlWriter::writeAlignmentOff(uint16_t flags) {
  if (flags & kCentred)
    output_ += "\r\\c";
  else if (flags & kRightAligned)
    output_ += "\r\\r";
}

void HtmlTmlWriter::writeAlignmentOn(uint16_t flags) {
  if (flags & kCentred)
    output_ += "\\c";
  else if (flags & kRightAligned)
    output_ += "\\r";
}

void HtmlTmlWriter::writeFlagChanges(uint16_t from, uint16_t to) {
  if ((from ^ to) & kFontFlags) {
    writeFontTag(from);
    writeFontTag(to);
  }
  if ((from ^ to) & kAlignmentFlags) {
    writeAlignmentOff(from);
    writeAlignmentOn(to);
  }
  for (const StyleTag& style : kStyleTags)
    if ((from ^ to) & style.flag) output_ += style.tag;
}

// A link's opening tag is written by its HREF attribute; only its end is a
// flag change of its own.
void HtmlTmlWriter::writeFlagChangesOnEnd(uint16_t closed, uint16_t restored) {
  writeFlagChanges(closed, restored);
  if ((closed ^ restored) & kLink) output_ += "\\q";
}

void HtmlTmlWriter::startElement(const StartElementEvent& event) {
  writePendingSpace();
  const HtmlElementRule* rule = findRule(event.gi.ptr, event.gi.len);

  if (depth_ == kMaxSavedFlags) {
    ++untrackedDepth_;
    if (rule) {
      output_ += rule->startText;
    } else {
      writeUnknownElementMark('(', event.gi);
    }
    return;
  }

  if (textOutputOn()) applyAttributes(event, asciiUpperName(event.gi));
  if (rule) {
    output_ += rule->startText;
    if (rule->flags & kTextOff) flags_ &= uint16_t(~kTextOn);
    flags_ |= rule->flags;
  } else {
    writeUnknownElementMark('(', event.gi);
  }
  writeFlagChanges(savedFlagsOnTop(), flags_);
  savedFlags_[depth_++] = flags_;
}

void HtmlTmlWriter::endElement(const EndElementEvent& event) {
  writePendingSpace();
  const HtmlElementRule* rule = findRule(event.gi.ptr, event.gi.len);
  if (rule) {
    output_ += rule->endText;
  } else {
    writeUnknownElementMark(')', event.gi);
  }
  if (untrackedDepth_ > 0) {
    --untrackedDepth_;
    return;
  }
  if (depth_ == 0) return;  // an end without a start: nothing to restore

  uint16_t closed = savedFlags_[--depth_];
  uint16_t restored = savedFlagsOnTop();
  writeFlagChangesOnEnd(closed, restored);
  flags_ = depth_ ? restored : closed;
}

void HtmlTmlWriter::data(const DataEvent& event) {
  pendingSpace_ = true;
  if (textOutputOn()) writeCharacters(event.data.ptr, event.data.len);
}

void HtmlTmlWriter::nonSgmlChar(const NonSgmlCharEvent& event) {
  pendingSpace_ = true;
  if (textOutputOn()) writeCharacter(event.c);
}

void HtmlTmlWriter::sdata(const SdataEvent& event) {
  pendingSpace_ = true;
  if (!textOutputOn()) return;
  output_ += "\\|";
  writeCharacters(event.text.ptr, event.text.len);
  output_ += "\\|";
}

void HtmlTmlWriter::pi(const PiEvent& event) {
  output_ += '?';
  for (size_t i = 0; i < event.data.len; ++i) {
    Char c = event.data.ptr[i];
    // The instruction's text is written as it stands; only characters
    // beyond ASCII need a code to fit in the 8-bit text.
    if (c < 128)
      output_ += char(c);
    else
      appendTmlEscapedCharacter(c, output_);
  }
  output_ += '\r';
}

}  // namespace scrivora
