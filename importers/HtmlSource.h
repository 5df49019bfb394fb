#pragma once
// Prepares an HTML page for the SGML parser: decodes it from its declared
// encoding into UTF-8 and replaces its prolog (XML declaration, document type
// declaration) by the importer's own document type, so that every page, old
// HTML, XHTML or HTML5, is read against the same HTML document type and gets
// its implied HTML, HEAD and BODY elements.

#include <string>

namespace scrivora {

// The public identifier of the importer's document type (see "HTML Support").
extern const char* const kImportDocumentTypePublicId;

std::string prepareHtmlForParser(const std::string& pageBytes);

// The length of the prolog at the start of a decoded page that the importer
// replaces: white space, comments, an XML declaration and a document type
// declaration, up to the first other markup or text.
size_t replaceablePrologLength(const std::string& page);

}  // namespace scrivora
