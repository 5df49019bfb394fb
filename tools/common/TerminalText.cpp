#include "TerminalText.h"

#include <langinfo.h>
#include <strings.h>

#include <clocale>

#include "CodePage.h"
#include "JsonText.h"

namespace scrivora::cli {

bool terminalIsUtf8() {
  static const bool utf8 = [] {
    if (!std::setlocale(LC_CTYPE, "")) return false;
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
  }();
  return utf8;
}

std::string terminalText(std::string_view windows1252, bool utf8) {
  if (!utf8) return std::string(windows1252);
  std::string out;
  out.reserve(windows1252.size());
  for (unsigned char byte : windows1252) appendUtf8(unicodeFromWindows1252(byte), out);
  return out;
}

std::string quotedForTerminal(std::string_view windows1252, bool utf8) {
  if (!utf8) return jsonString(windows1252);
  std::string out = "\"";
  size_t plainStart = 0;
  // Runs of upper-half bytes become UTF-8; everything else is quoted as JSON.
  for (size_t at = 0; at <= windows1252.size(); ++at) {
    const bool upper = at < windows1252.size() && unicodeFromWindows1252((unsigned char)windows1252[at]) >= 0xA0;
    if (!upper && at < windows1252.size()) continue;
    const std::string quoted = jsonString(windows1252.substr(plainStart, at - plainStart));
    out += quoted.substr(1, quoted.size() - 2);
    if (upper) appendUtf8(unicodeFromWindows1252((unsigned char)windows1252[at]), out);
    plainStart = at + 1;
  }
  return out + "\"";
}

}  // namespace scrivora::cli
