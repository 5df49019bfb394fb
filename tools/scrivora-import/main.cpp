// scrivora-import: turns an HTML page (.htm, .html) or a plain text file
// (.txt) into TML, or applies a rule text to any file. The TML goes to OUT or
// to standard output.
//
// Exit status: 0 done, 1 import or file failure, 2 usage error.

#include <strings.h>

#include <cstdio>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "HtmlImporter.h"
#include "PlainTextImporter.h"
#include "QXException.h"
#include "RegexImporter.h"
#include "FileSystem.h"
#include "ToolMain.h"

using namespace scrivora;
using namespace scrivora::cli;

namespace {

const ProgramSpec kProgram = {
    "scrivora-import",
    SCRIVORA_VERSION,
    "[-o OUT] [--rules RULES] INPUT",
    "Turns an HTML page (.htm, .html) or a plain text file (.txt) into TML, or\n"
    "applies the search-and-replace rules of RULES to any INPUT.",
    {
        {"output", 'o', "OUT", "write the TML to OUT (default: standard output)", true},
        {"rules", 0, "RULES", "apply the rule text in the file RULES instead", true},
    },
    {"INPUT"},
    "Exit status: 0 done, 1 import or file failure, 2 usage error.\n",
};

bool endsWithNoCase(const std::string& text, const char* suffix) {
  const size_t length = std::char_traits<char>::length(suffix);
  return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

bool isHtmlName(const std::string& path) { return endsWithNoCase(path, ".htm") || endsWithNoCase(path, ".html"); }

// The rules' own failures, said as precisely as the importer knows them.
int rulesFailure(const QXException& failure, const std::string& rulesPath, const std::string& ruleText,
                 const RegexImporter* importer) {
  cli::failure(kProgram.name, failure.message());
  if (ruleText.empty()) return cli::failure(kProgram.name, "the rules file " + rulesPath + " is empty");
  if (importer) {
    for (const RegexImporter::RuleFailure& rule : importer->rulesThatDoNotCompile())
      cli::failure(kProgram.name,
                   rulesPath + ": rule " + std::to_string(rule.number) + " (s=" + rule.pattern + "): " + rule.reason);
  }
  return kExitFailure;
}

std::string convertWithRules(const std::string& rulesPath, const std::string& inputPath) {
  const std::string ruleText = readWholeFile(rulesPath);
  std::unique_ptr<RegexImporter> importer;
  try {
    importer = std::make_unique<RegexImporter>(ruleText);
    return importer->convertFile(inputPath);
  } catch (const QXFileException&) {
    throw;
  } catch (const QXException& failure) {
    rulesFailure(failure, rulesPath, ruleText, importer.get());
    throw;
  }
}

int importFile(int argc, char** argv) {
  CommandLine commandLine;
  const int parsed = parseCommandLine(argc, argv, kProgram, commandLine);
  if (parsed >= 0) return parsed;
  const std::string input = commandLine.operands[0];
  const std::string rules = commandLine.value("rules");
  const std::string output = commandLine.value("output");
  const bool plainText = endsWithNoCase(input, ".txt");
  if (rules.empty() && !isHtmlName(input) && !plainText)
    return usageError(kProgram,
                      "the input is neither HTML (.htm, .html) nor text (.txt); give --rules to convert other text");
  if (!output.empty() && (sameFile(output, input) || (!rules.empty() && sameFile(output, rules))))
    return failure(kProgram.name, "The input and output files are the same! (" + output + ")");

  std::string tml;
  try {
    if (!rules.empty()) {
      tml = convertWithRules(rules, input);
    } else if (plainText) {
      tml = PlainTextImporter().convertFile(input);
    } else {
      tml = HtmlImporter(htmlSupportFolderBesideProgram()).convertFile(input);
    }
  } catch (const QXFileException& failure) {
    return cli::failure(kProgram.name, "cannot read " + failure.path() + ": " + failure.reason());
  } catch (const QXException& failure) {
    // Rule failures have been described where they were met.
    if (rules.empty()) return cli::failure(kProgram.name, failure.message());
    return kExitFailure;
  }

  if (output.empty()) {
    std::fwrite(tml.data(), 1, tml.size(), stdout);
    return kExitSuccess;  // whether it all reached standard output is checked on the way out
  }
  std::string reason;
  if (!writeFileReplacing(output, tml, reason)) return failure(kProgram.name, "cannot write " + output + ": " + reason);
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) { return runTool(kProgram.name, importFile, argc, argv); }
