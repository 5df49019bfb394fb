#include "RegexImporter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "PatternReach.h"
#include "QXException.h"
#include "RepetitionLimit.h"

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
  std::string written;      // the pattern as the rule text spells it
  std::string pattern;      // with its escapes converted
  std::string replacement;  // as written
  std::vector<ReplacementPiece> pieces;
  int highestGroup = 0;
  regex_t compiled{};
  int compileResult = REG_BADPAT;
  std::string compileFailure;  // why the pattern did not compile
  PatternReach reach;

  void compile() {
    if (!repetitionWithinLimits(pattern, compileFailure)) {
      compileResult = REG_ESIZE;
      compileFailure = "the pattern has " + compileFailure;
      return;
    }
    compileResult = regcomp(&compiled, pattern.c_str(), REG_EXTENDED | REG_NEWLINE);
    if (compileResult == 0) {
      reach = analysePattern(pattern);
      return;
    }
    char text[256];
    regerror(compileResult, &compiled, text, sizeof text);
    compileFailure = text;
  }

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
      rule->written = ruleText.substr(patternStart, patternEnd - patternStart);
      rule->pattern = convertPatternEscapes(rule->written);
      rule->compile();

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

std::vector<RegexImporter::RuleFailure> RegexImporter::rulesThatDoNotCompile() const {
  std::vector<RuleFailure> failures;
  for (size_t i = 0; i < rules_.size(); ++i)
    if (!rules_[i]->isCompiled()) failures.push_back({i + 1, rules_[i]->written, rules_[i]->compileFailure});
  return failures;
}

namespace {

// Appends the replacement of one match; offsets in match are from base.
template <typename RuleType>
void appendReplacement(const RuleType& rule, const char* base, const regmatch_t* match, std::string& result) {
  for (const ReplacementPiece& piece : rule.pieces) {
    if (piece.group == 0) {
      result += piece.literal;
    } else if (match[piece.group].rm_so >= 0 && match[piece.group].rm_eo >= match[piece.group].rm_so) {
      // The library can report a group of a repeated subexpression with its
      // end before its start; such a group, like one that did not take
      // part, is empty.
      const regmatch_t& group = match[piece.group];
      result.append(base + group.rm_so, size_t(group.rm_eo - group.rm_so));
    }
  }
}

}  // namespace

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
    appendReplacement(rule, searched, match, result);
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

// The same search as applyRule, but the library sees only short windows: a
// match begins with one of the pattern's first bytes and consists of the
// pattern's bytes only, so it lies inside the run of such bytes that starts at
// a candidate. The window keeps the context of the whole text: "^" holds at
// its start only at the search start or after a line feed, "$" at its end
// only at the end of the text or before a line feed.
namespace {

class CandidateWindows {
 public:
  CandidateWindows(const PatternReach& reach, const std::string& text) : reach_(reach), text_(text) {
    for (int b = 0; b < 256; ++b) {
      startsMatch_[b] = reach.firstBytes[size_t(b)];
      insideMatch_[b] = reach.bytes[size_t(b)];
    }
    if (reach.firstBytes.count() == 1)
      for (int b = 0; b < 256; ++b)
        if (startsMatch_[b]) onlyFirstByte_ = b;
    // A match that must end at a line end and cannot hold a line feed ends
    // at the first line end after its start.
    endsAtNextLineEnd_ = reach.endsAtLineEnd && !insideMatch_[(unsigned char)'\n'];
  }

  bool atLineStart(size_t position, size_t searchStart) const {
    return position == searchStart || text_[position - 1] == '\n';
  }

  // The next window [start, end) at or after scan in which a match may lie.
  bool next(size_t scan, size_t searchStart, size_t& start, size_t& end) {
    const size_t size = text_.size();
    while (scan < size) {
      if (endsAtNextLineEnd_) {
        size_t lineEnd = find('\n', scan);
        size_t runStart = lineEnd;
        while (runStart > scan && insideMatch_[byteAt(runStart - 1)]) --runStart;
        size_t candidate = runStart;
        while (candidate < lineEnd && !startsMatch_[byteAt(candidate)]) ++candidate;
        if (candidate < lineEnd && lineEnd - candidate >= reach_.minimumLength &&
            (!reach_.startsAtLineStart || atLineStart(candidate, searchStart))) {
          start = candidate;
          end = lineEnd;
          return true;
        }
        scan = lineEnd + 1;
        continue;
      }
      if (reach_.startsAtLineStart && !atLineStart(scan, searchStart)) {
        scan = find('\n', scan) + 1;  // only a line start can begin a match
        continue;
      }
      if (!startsMatch_[byteAt(scan)]) {
        scan = nextFirstByte(scan + 1);
        continue;
      }
      // Successive windows inside one long run (a text of dense matches)
      // share its end: finding it again for each would make the search
      // quadratic in the run's length.
      size_t runEnd = scan < knownRunEnd_ && scan >= knownRunStart_ ? knownRunEnd_ : scan + 1;
      while (runEnd < size && insideMatch_[byteAt(runEnd)]) ++runEnd;
      knownRunStart_ = scan;
      knownRunEnd_ = runEnd;
      if (runEnd - scan >= reach_.minimumLength) {
        start = scan;
        end = runEnd;
        return true;
      }
      scan = runEnd;  // too short for a match; the byte after the run cannot start one
    }
    return false;
  }

 private:
  unsigned char byteAt(size_t i) const { return (unsigned char)text_[i]; }

  // Position of the byte at or after from, or the text's size.
  size_t find(char byte, size_t from) const {
    if (from >= text_.size()) return text_.size();
    const void* found = std::memchr(text_.data() + from, byte, text_.size() - from);
    return found ? size_t(static_cast<const char*>(found) - text_.data()) : text_.size();
  }

  size_t nextFirstByte(size_t from) const {
    if (onlyFirstByte_ >= 0) return find(char(onlyFirstByte_), from);
    while (from < text_.size() && !startsMatch_[byteAt(from)]) ++from;
    return from;
  }

  const PatternReach& reach_;
  const std::string& text_;
  bool startsMatch_[256];
  bool insideMatch_[256];
  int onlyFirstByte_ = -1;
  bool endsAtNextLineEnd_ = false;
  // The last run of match bytes found: [knownRunStart_, knownRunEnd_).
  size_t knownRunStart_ = 0;
  size_t knownRunEnd_ = 0;
};

struct WindowOutcome {
  bool known = false;
  int found = REG_NOMATCH;
  regmatch_t match[kMaxGroups];
};

// Windows up to this length have their search outcome kept.
constexpr size_t kMaxKeptWindow = 48;

}  // namespace

void RegexImporter::applyRuleByCandidates(const Rule& rule, std::string& text, std::string& result) const {
  result.clear();
  result.reserve(text.size() + text.size() / 16);
  CandidateWindows windows(rule.reach, text);
  size_t groupCount = std::min(rule.compiled.re_nsub + 1, kMaxGroups);
  regmatch_t match[kMaxGroups];
  const size_t size = text.size();
  size_t searchStart = 0;  // where the current search began; text before it is copied
  size_t scan = 0;         // where the next window is looked for
  // The outcome of a search depends only on the window's bytes and its two
  // context flags, and the same short windows ("  ", " \r\r") come back
  // thousands of times: their outcomes are kept instead of searched again.
  std::unordered_map<std::string, WindowOutcome> outcomes;
  std::string key;

  size_t windowStart, windowEnd;
  while (windows.next(scan, searchStart, windowStart, windowEnd)) {
    int flags = REG_STARTEND;
    if (!windows.atLineStart(windowStart, searchStart)) flags |= REG_NOTBOL;
    if (windowEnd < size && text[windowEnd] != '\n') flags |= REG_NOTEOL;
    int found = REG_NOMATCH;
    size_t windowLength = windowEnd - windowStart;
    WindowOutcome* kept = nullptr;
    if (windowLength <= kMaxKeptWindow) {
      key.assign(text, windowStart, windowLength);
      key += char(flags);
      auto inserted = outcomes.try_emplace(key);
      kept = &inserted.first->second;
      if (kept->known) {
        found = kept->found;
        std::copy(kept->match, kept->match + groupCount, match);
      }
    }
    if (!kept || !kept->known) {
      match[0].rm_so = 0;
      match[0].rm_eo = regoff_t(windowLength);
      // End the window with a zero byte too, for anything that looks for one.
      char saved = windowEnd < size ? text[windowEnd] : '\0';
      if (windowEnd < size) text[windowEnd] = '\0';
      found = regexec(&rule.compiled, text.data() + windowStart, groupCount, match, flags);
      if (windowEnd < size) text[windowEnd] = saved;
      if (kept) {
        kept->known = true;
        kept->found = found;
        std::copy(match, match + groupCount, kept->match);
      }
    }

    if (found != 0) {
      scan = windowEnd;  // no match starts inside the window, nor at the byte after it
      continue;
    }
    if (size_t(rule.highestGroup) > rule.compiled.re_nsub) throw QXGenericImporterRegexException();
    size_t matchStart = windowStart + size_t(match[0].rm_so);
    size_t matchEnd = windowStart + size_t(match[0].rm_eo);
    result.append(text, searchStart, matchStart - searchStart);
    appendReplacement(rule, text.data() + windowStart, match, result);
    searchStart = scan = matchEnd;
    if (matchEnd == matchStart) {
      // Not expected for a pattern that cannot match empty; step over one
      // character all the same so that the search always ends.
      if (matchEnd < size) result += text[matchEnd];
      searchStart = scan = matchEnd + 1;
    }
  }
  if (searchStart < size) result.append(text, searchStart, std::string::npos);
}

std::string RegexImporter::convert(const std::string& text) {
  try {
    std::string current = text;
    std::string next;
    for (const auto& rule : rules_) {
      if (!rule->isCompiled()) throw QXNullPtrException();
      if (candidateScanning_ && rule->reach.usable && !rule->reach.canMatchEmpty)
        applyRuleByCandidates(*rule, current, next);
      else
        applyRule(*rule, current, next);
      current.swap(next);
    }
    return current;
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
}

std::string RegexImporter::convertFile(const std::string& path) { return convert(readWholeFile(path)); }

}  // namespace scrivora
