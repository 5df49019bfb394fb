#pragma once
// Which importer a file goes through. EPUB books and XHTML files take the
// modern path. An HTML page takes the HTML importer when it declares an
// HTML 2 to 4 (or XHTML 1) document type, which has a public identifier, and
// the modern path when it declares HTML5's "<!DOCTYPE html>" without one, or
// declares none but uses elements only HTML5 has. The user can always choose
// a path instead.

#include <string>
#include <string_view>

namespace scrivora {

enum class HtmlImportPath { Legacy, Modern };

// The rule above for a file name and the file's bytes.
HtmlImportPath chooseHtmlImportPath(const std::string& path, std::string_view bytes);

// ".epub", ".xhtml" and ".xht", letter case ignored.
bool isEpubName(const std::string& path);
bool isXhtmlName(const std::string& path);

}  // namespace scrivora
