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
  std::string utf8;
  // The charset the bytes were read as, as iconv names it.
  std::string charset;
};

// Warnings (an unknown charset, bytes that are not valid in it) go to the
// build log, naming the document.
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
