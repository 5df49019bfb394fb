#pragma once
// Rewrites a text by an ordered list of search-and-replace rules. The rule
// text holds, for every rule, a carriage return, "s=" and a POSIX extended
// pattern, then a carriage return, "r=" and the replacement. The rules are
// applied one after another, each over the whole text.

#include <regex.h>

#include <memory>
#include <string>
#include <vector>

#include "Importer.h"

namespace scrivora {

// The rule text that cleans up the raw output of the HTML importer.
extern const char* const kHtmlCleanupRules;

class RegexImporter : public Importer {
 public:
  // Parses and compiles the rules. Throws QXNullPtrException for an empty
  // rule text, QXGenericImporterBadRulesException when no rule can be found
  // and QXGenericImporterNoRulesException when the list ends up empty.
  explicit RegexImporter(const std::string& ruleText);
  ~RegexImporter() override;
  RegexImporter(const RegexImporter&) = delete;
  RegexImporter& operator=(const RegexImporter&) = delete;

  std::string convert(const std::string& text) override;
  std::string convertFile(const std::string& path) override;

  size_t ruleCount() const { return rules_.size(); }

  // A rule whose pattern did not compile (converting then throws
  // QXNullPtrException): its number from 1, its pattern as written and why.
  struct RuleFailure {
    size_t number = 0;
    std::string pattern;
    std::string reason;
  };
  std::vector<RuleFailure> rulesThatDoNotCompile() const;

  // Searching only the stretches of text where a match can lie is on by
  // default; off, every search walks the rest of the text. Both give the same
  // result, which is what switching it off is for.
  void setCandidateScanning(bool enabled) { candidateScanning_ = enabled; }

 private:
  struct Rule;
  void applyRule(const Rule& rule, const std::string& text, std::string& result) const;
  void applyRuleByCandidates(const Rule& rule, std::string& text, std::string& result) const;

  std::vector<std::unique_ptr<Rule>> rules_;
  bool candidateScanning_ = true;
};

}  // namespace scrivora
