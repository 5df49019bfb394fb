#include "RegexSearch.h"

#include <locale.h>

#include "HorspoolSearch.h"

namespace scrivora {

namespace {

// Switches the calling thread to the "C" locale while alive: in a UTF-8
// locale the library would read the Windows-1252 bytes as broken multi-byte
// characters.
class CLocaleScope {
 public:
  CLocaleScope() : previous_(cLocale() != locale_t(0) ? uselocale(cLocale()) : locale_t(0)) {}
  ~CLocaleScope() {
    if (previous_ != locale_t(0)) uselocale(previous_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  static locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
  }
  locale_t previous_;
};

bool hasOtherCase(uint8_t byte) { return byte >= 0x80 && (upperCaseOf(byte) != byte || lowerCaseOf(byte) != byte); }

uint8_t otherCaseOf(uint8_t byte) { return upperCaseOf(byte) != byte ? upperCaseOf(byte) : lowerCaseOf(byte); }

// Copies a bracket expression that starts at pattern[i] == '[' and adds the
// other case of each high letter it names alone or as both ends of a range.
// Returns the position after it; an unclosed bracket is copied whole for the
// library to report.
size_t copyBracketWithBothCases(const std::string& pattern, size_t i, std::string& out) {
  const size_t open = i++;
  std::string added;
  bool endsWithDash = false;  // a final '-' is a member only while it stays last
  if (i < pattern.size() && pattern[i] == '^') ++i;
  if (i < pattern.size() && pattern[i] == ']') ++i;  // a leading ] is a member
  while (i < pattern.size() && pattern[i] != ']') {
    const char c = pattern[i];
    endsWithDash = false;
    if (c == '[' && i + 1 < pattern.size() &&
        (pattern[i + 1] == ':' || pattern[i + 1] == '=' || pattern[i + 1] == '.')) {
      // A class, an equivalence class or a collating element: kept as named.
      const size_t close = pattern.find(std::string{pattern[i + 1], ']'}, i + 2);
      if (close == std::string::npos) break;
      i = close + 2;
      continue;
    }
    const auto first = uint8_t(c);
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      const auto last = uint8_t(pattern[i + 2]);
      if (hasOtherCase(first) && hasOtherCase(last) && otherCaseOf(first) <= otherCaseOf(last)) {
        added += char(otherCaseOf(first));
        added += '-';
        added += char(otherCaseOf(last));
      }
      i += 3;
      continue;
    }
    if (hasOtherCase(first)) added += char(otherCaseOf(first));
    endsWithDash = c == '-';
    ++i;
  }
  if (i >= pattern.size() || pattern[i] != ']') {
    out.append(pattern, open, std::string::npos);
    return pattern.size();
  }
  const size_t membersEnd = endsWithDash ? i - 1 : i;
  out.append(pattern, open, membersEnd - open);
  out += added;
  if (endsWithDash) out += '-';
  out += ']';
  return i + 1;
}

}  // namespace

std::string withBothCasesOfHighLetters(const std::string& pattern) {
  std::string out;
  out.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      out.append(pattern, i, 2);
      i += 2;
    } else if (c == '[') {
      i = copyBracketWithBothCases(pattern, i, out);
    } else if (hasOtherCase(uint8_t(c))) {
      out += '[';
      out += c;
      out += char(otherCaseOf(uint8_t(c)));
      out += ']';
      ++i;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::string searchTextOf(std::string editorText) {
  for (char& c : editorText)
    if (c == '\r') c = '\n';
  return editorText;
}

RegexSearch::RegexSearch(const std::string& pattern, bool caseSensitive) {
  std::string source = searchTextOf(caseSensitive ? pattern : withBothCasesOfHighLetters(pattern));
  // The library reads the pattern up to its first NUL byte.
  if (const size_t nul = source.find('\0'); nul != std::string::npos) source.resize(nul);
  CLocaleScope locale;
  const int flags = REG_EXTENDED | REG_NEWLINE | (caseSensitive ? 0 : REG_ICASE);
  const int result = regcomp(&regex_, source.c_str(), flags);
  compiled_ = result == 0;
  if (!compiled_) {
    char message[kMaxRegexErrorLength + 1];
    regerror(result, &regex_, message, sizeof message);
    error_ = message;
  }
}

RegexSearch::~RegexSearch() {
  if (compiled_) regfree(&regex_);
}

bool RegexSearch::match(std::string_view searchText, size_t from, size_t end, std::vector<Span>& spans) const {
  if (!compiled_ || from > end || end > searchText.size()) return false;
  std::vector<regmatch_t> groups(regex_.re_nsub + 1);
  groups[0].rm_so = regoff_t(from);
  groups[0].rm_eo = regoff_t(end);
  // The range is searched inside the whole text, so the characters before it
  // count for `^` and word starts; `$` only matches at a cut that is the end
  // of the text or of a paragraph.
  int flags = REG_STARTEND;
  if (end < searchText.size() && searchText[end] != '\n') flags |= REG_NOTEOL;
  int result;
  {
    CLocaleScope locale;
    result = regexec(&regex_, searchText.data(), groups.size(), groups.data(), flags);
  }
  if (result != 0) return false;
  spans.assign(groups.size(), Span{});
  for (size_t i = 0; i < groups.size(); ++i) {
    if (groups[i].rm_so < 0) continue;
    spans[i] = Span{size_t(groups[i].rm_so), size_t(groups[i].rm_eo), true};
  }
  return true;
}

}  // namespace scrivora
