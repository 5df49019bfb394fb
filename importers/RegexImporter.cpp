#include "RegexImporter.h"

#include <new>

#include "QXException.h"

namespace scrivora {

const char* const kHtmlCleanupRules =
    "\rs=\\\\a160\rr= "          // the TML code of a non-breaking space becomes a space
    "\rs=^ +\rr="                // spaces at the start of the text go
    "\rs= +$\rr="                // spaces at the end of the text go
    "\rs=  +\rr= "               // runs of spaces become one
    "\rs=\\r\\r\\r+\rr=\\r\\r"   // runs of three or more carriage returns become two
    "\rs= +\"\\\\v\rr=\"\\\\v";  // spaces before a quote that closes a comment go

namespace {

constexpr char kCarriageReturn = '\r';
constexpr size_t kMaxGroups = 10;  // the whole match and \1 to \9

// Backslash-n, -r and -t become their control characters; every other
// backslash stays, with the character after it, for the regex library.
std::string convertPatternEscapes(const std::string& pattern) {
  std::string converted;
  converted.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      char next = pattern[i + 1];
      if (next == 'n' || next == 'r' || next == 't') {
        converted += next == 'n' ? '\n' : next == 'r' ? '\r' : '\t';
        ++i;
        continue;
      }
      converted += c;
      converted += next;
      ++i;
      continue;
    }
    converted += c;
  }
  return converted;
}

// One piece of a replacement: either literal text or a captured group.
struct ReplacementPiece {
  std::string literal;
  int group = 0;  // 1 to 9 for a group, 0 for literal text
};

std::vector<ReplacementPiece> parseReplacement(const std::string& replacement, int& highestGroup) {
  std::vector<ReplacementPiece> pieces;
  std::string literal;
  highestGroup = 0;
  auto flushLiteral = [&] {
    if (literal.empty()) return;
    pieces.push_back({literal, 0});
    literal.clear();
  };
  for (size_t i = 0; i < replacement.size(); ++i) {
    char c = replacement[i];
    if (c != '\\' || i + 1 == replacement.size()) {
      literal += c;
      continue;
    }
    char next = replacement[++i];
    if (next >= '1' && next <= '9') {
      flushLiteral();
      int group = next - '0';
      pieces.push_back({std::string(), group});
      if (group > highestGroup) highestGroup = group;
    } else if (next == 'n') {
      literal += '\n';
    } else if (next == 'r') {
      literal += '\r';
    } else if (next == 't') {
      literal += '\t';
    } else {
      literal += next;
    }
  }
  flushLiteral();
  return pieces;
}

}  // namespace

struct RegexImporter::Rule {
  std::string pattern;      // with its escapes converted
  std::string replacement;  // as written
  std::vector<ReplacementPiece> pieces;
  int highestGroup = 0;
  regex_t compiled{};
  int compileResult = REG_BADPAT;

  bool isCompiled() const { return compileResult == 0; }
  ~Rule() {
    if (isCompiled()) regfree(&compiled);
  }
};

RegexImporter::RegexImporter(const std::string& ruleText) {
  if (ruleText.empty()) throw QXNullPtrException();
  static const std::string kPatternMark = std::string(1, kCarriageReturn) + "s=";
  static const std::string kReplacementMark = std::string(1, kCarriageReturn) + "r=";

  size_t patternMark = ruleText.find(kPatternMark);
  size_t replacementMark =
      patternMark == std::string::npos ? std::string::npos : ruleText.find(kReplacementMark, patternMark + 1);
  if (patternMark == std::string::npos || replacementMark == std::string::npos)
    throw QXGenericImporterBadRulesException();

  try {
    while (patternMark != std::string::npos && replacementMark != std::string::npos) {
      auto rule = std::make_unique<Rule>();
      size_t patternStart = patternMark + kPatternMark.size();
      size_t patternEnd = ruleText.find(kCarriageReturn, patternStart);
      rule->pattern = convertPatternEscapes(ruleText.substr(patternStart, patternEnd - patternStart));
      rule->compileResult = regcomp(&rule->compiled, rule->pattern.c_str(), REG_EXTENDED | REG_NEWLINE);

      size_t replacementStart = replacementMark + kReplacementMark.size();
      size_t replacementEnd = ruleText.find(kCarriageReturn, replacementStart);
      if (replacementEnd == std::string::npos) replacementEnd = ruleText.size();
      rule->replacement = ruleText.substr(replacementStart, replacementEnd - replacementStart);
      rule->pieces = parseReplacement(rule->replacement, rule->highestGroup);
      rules_.push_back(std::move(rule));

      patternMark = ruleText.find(kPatternMark, replacementEnd);
      replacementMark =
          patternMark == std::string::npos ? std::string::npos : ruleText.find(kReplacementMark, patternMark + 1);
    }
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
  if (rules_.empty()) throw QXGenericImporterNoRulesException();
}

RegexImporter::~RegexImporter() = default;

// Builds the rule's result in a new buffer while scanning the text once: the
// text after a replacement is the same whether it was copied or not, and each
// search treats its starting position as the start of a line, so scanning the
// old text gives the same result as searching the rewritten one.
void RegexImporter::applyRule(const Rule& rule, const std::string& text, std::string& result) const {
  if (!rule.isCompiled()) throw QXNullPtrException();
  result.clear();
  result.reserve(text.size() + text.size() / 16);
  size_t groupCount = std::min(rule.compiled.re_nsub + 1, kMaxGroups);
  regmatch_t match[kMaxGroups];
  size_t position = 0;
  while (position <= text.size()) {
    match[0].rm_so = 0;
    match[0].rm_eo = regoff_t(text.size() - position);
    if (regexec(&rule.compiled, text.data() + position, groupCount, match, REG_STARTEND) != 0) break;
    if (size_t(rule.highestGroup) > rule.compiled.re_nsub) throw QXGenericImporterRegexException();

    const char* searched = text.data() + position;
    result.append(searched, size_t(match[0].rm_so));
    for (const ReplacementPiece& piece : rule.pieces) {
      if (piece.group == 0) {
        result += piece.literal;
      } else if (match[piece.group].rm_so >= 0) {
        const regmatch_t& group = match[piece.group];
        result.append(searched + group.rm_so, size_t(group.rm_eo - group.rm_so));
      }
    }
    position += size_t(match[0].rm_eo);
    if (match[0].rm_eo == match[0].rm_so) {
      // An empty match would be found again at the same place: step over
      // one character so that the conversion ends.
      if (position < text.size()) result += text[position];
      ++position;
    }
  }
  if (position < text.size()) result.append(text, position, std::string::npos);
}

std::string RegexImporter::convert(const std::string& text) {
  try {
    std::string current = text;
    std::string next;
    for (const auto& rule : rules_) {
      applyRule(*rule, current, next);
      current.swap(next);
    }
    return current;
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
}

std::string RegexImporter::convertFile(const std::string& path) {
  return convert(readWholeFile(path));
}

}  // namespace scrivora
