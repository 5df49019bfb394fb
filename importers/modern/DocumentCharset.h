#pragma once
// Reads a document's bytes in the character set it declares and hands them
// on as UTF-8: a byte-order mark first, then the charset named by the XML
// declaration or an HTML meta element, then UTF-8 when the bytes are valid
// UTF-8, and Windows-1252 otherwise. Any charset iconv knows is read.

#include <string>
#include <string_view>

namespace scrivora::modern {

enum class MarkupSyntax { Xml, Html };

struct DecodedText {
  // The charset the bytes were read as, as iconv names it.
  std::string charset;
  // The text in UTF-8: the bytes themselves (after a byte-order mark) when
  // they are valid UTF-8 already, so that a large book is not copied.
  std::string_view utf8() const { return converted_ ? std::string_view(converted) : original; }

  std::string_view original;
  std::string converted;
  bool converted_ = false;
};

// Warnings (an unknown charset, bytes that are not valid in it) go to the
// build log, naming the document. The result may refer to `bytes`.
DecodedText decodeDocumentText(std::string_view bytes, MarkupSyntax syntax, const std::string& documentName);

// The charset declared inside the first bytes of a document (XML declaration
// or meta element, in the order the syntax gives them), lower case; empty
// when none is.
std::string declaredCharset(std::string_view bytes, MarkupSyntax syntax);

// The name iconv knows a charset label by, with the labels browsers read
// differently from their names (ISO-8859-1 and US-ASCII are read as
// Windows-1252, as every browser does).
std::string iconvNameOfCharset(std::string label);

}  // namespace scrivora::modern
