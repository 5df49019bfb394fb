#include "ImportPath.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace scrivora {

namespace {

// Elements that HTML 4 does not have.
const char* const kHtml5Elements[] = {"article",  "aside",    "audio",      "bdi",    "canvas",  "data",   "datalist",
                                      "details",  "dialog",   "figcaption", "figure", "footer",  "header", "hgroup",
                                      "main",     "mark",     "math",       "meter",  "nav",     "output", "picture",
                                      "progress", "rp",       "rt",         "ruby",   "section", "source", "summary",
                                      "svg",      "template", "time",       "track",  "video",   "wbr"};

bool endsWithNoCase(const std::string& text, const char* suffix) {
  const size_t length = std::char_traits<char>::length(suffix);
  return text.size() > length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

bool startsWithNoCase(std::string_view text, size_t at, const char* prefix) {
  const size_t length = std::char_traits<char>::length(prefix);
  return text.size() >= at + length && strncasecmp(text.data() + at, prefix, length) == 0;
}

// The page's bytes as ASCII for looking at its markup: UTF-16 loses its zero
// bytes, which leaves the markup readable.
std::string markupView(std::string_view bytes) {
  const bool utf16 = bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF");
  std::string view;
  view.reserve(bytes.size());
  for (char c : bytes)
    if (!(utf16 && c == 0)) view += c;
  return view;
}

enum class DeclaredType { None, WithPublicId, Html5 };

DeclaredType documentType(const std::string& page) {
  size_t at = page.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (;;) {
    while (at < page.size() && (std::isspace((unsigned char)page[at]) || (unsigned char)page[at] >= 0x80)) ++at;
    size_t end = std::string::npos;
    if (startsWithNoCase(page, at, "<?")) {
      end = page.find("?>", at);
      if (end != std::string::npos) end += 2;
    } else if (startsWithNoCase(page, at, "<!--")) {
      end = page.find("-->", at + 4);
      if (end != std::string::npos) end += 3;
    } else if (startsWithNoCase(page, at, "<!DOCTYPE")) {
      const size_t end = page.find('>', at);
      std::string declaration = page.substr(at, end == std::string::npos ? std::string::npos : end - at);
      std::transform(declaration.begin(), declaration.end(), declaration.begin(),
                     [](unsigned char c) { return char(std::toupper(c)); });
      return declaration.find("PUBLIC") != std::string::npos ? DeclaredType::WithPublicId : DeclaredType::Html5;
    } else {
      return DeclaredType::None;
    }
    if (end == std::string::npos) return DeclaredType::None;
    at = end;
  }
}

bool usesHtml5Markup(const std::string& page) {
  for (size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
    size_t end = at + 1;
    while (end < page.size() && std::isalnum((unsigned char)page[end])) ++end;
    std::string name = page.substr(at + 1, end - at - 1);
    if (name.empty()) continue;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* element : kHtml5Elements)
      if (name == element) return true;
    // <meta charset="..."> is HTML5's own way to name the charset.
    if (name == "meta") {
      const size_t close = page.find('>', end);
      std::string tag = page.substr(end, close == std::string::npos ? 200 : close - end);
      std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return char(std::tolower(c)); });
      if (tag.find("http-equiv") == std::string::npos && tag.find("charset") != std::string::npos) return true;
    }
  }
  return false;
}

}  // namespace

bool isEpubName(const std::string& path) { return endsWithNoCase(path, ".epub"); }

bool isXhtmlName(const std::string& path) { return endsWithNoCase(path, ".xhtml") || endsWithNoCase(path, ".xht"); }

HtmlImportPath chooseHtmlImportPath(const std::string& path, std::string_view bytes) {
  if (isEpubName(path) || isXhtmlName(path)) return HtmlImportPath::Modern;
  const std::string page = markupView(bytes);
  switch (documentType(page)) {
    case DeclaredType::WithPublicId: return HtmlImportPath::Legacy;
    case DeclaredType::Html5: return HtmlImportPath::Modern;
    case DeclaredType::None: break;
  }
  return usesHtml5Markup(page) ? HtmlImportPath::Modern : HtmlImportPath::Legacy;
}

}  // namespace scrivora
