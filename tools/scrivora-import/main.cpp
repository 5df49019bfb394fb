// scrivora-import: turns an EPUB book (.epub), an HTML or XHTML page (.htm,
// .html, .xhtml) or a plain text file (.txt) into TML, or applies a rule text
// to any file. The TML goes to OUT or to standard output; the pictures of
// an EPUB book or a modern page go into the image folder of that TML file.
//
// Exit status: 0 done, 1 import or file failure, 2 usage error.

#include <strings.h>

#include <cstdio>
#include <memory>
#include <string>

#include "BookBuilder.h"
#include "BuildLog.h"
#include "CommandLine.h"
#include "FileSystem.h"
#include "HtmlImporter.h"
#include "ImportPath.h"
#include "LogPrinter.h"
#include "ModernImporter.h"
#include "PlainTextImporter.h"
#include "QXException.h"
#include "RegexImporter.h"
#include "ToolMain.h"

using namespace scrivora;
using namespace scrivora::cli;

namespace {

const ProgramSpec kProgram = {
    "scrivora-import",
    SCRIVORA_VERSION,
    "[-o OUT] [--html=legacy|modern|auto] [--rules RULES] INPUT",
    "Turns an EPUB book (.epub), an HTML or XHTML page (.htm, .html, .xhtml) or a\n"
    "plain text file (.txt) into TML, or applies the search-and-replace rules of\n"
    "RULES to any INPUT.\n"
    "\n"
    "HTML takes one of two paths. The HTML importer reads pages that declare an\n"
    "HTML 2 to 4 (or XHTML 1) document type exactly as it always has; the modern\n"
    "path reads EPUB books, XHTML files and HTML5 pages (<!DOCTYPE html>, or no\n"
    "document type but HTML5 elements) with their chapters, links, footnotes,\n"
    "pictures and characters. --html chooses the path; auto, the default, follows\n"
    "the rule just given.\n"
    "\n"
    "The modern path writes the pictures as PNG files into the image folder of\n"
    "the TML file: OUT without .tml, followed by _img (-o story.tml gives\n"
    "story_img/). Without -o they go into the input's name without its extension,\n"
    "followed by _img, beside the input (book.epub gives book_img/), the folder of\n"
    "a book.tml saved beside it.",
    {
        {"output", 'o', "OUT", "write the TML to OUT (default: standard output)", true},
        {"html", 0, "PATH", "legacy, modern or auto: the path HTML takes (default: auto)", false},
        {"rules", 0, "RULES", "apply the rule text in the file RULES instead", true},
    },
    {"INPUT"},
    "Warnings of the modern path (pictures left out, characters replaced) go to\n"
    "standard error.\n"
    "\n"
    "Exit status: 0 done, 1 import or file failure, 2 usage error.\n",
};

bool endsWithNoCase(const std::string& text, const char* suffix) {
  const size_t length = std::char_traits<char>::length(suffix);
  return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

bool isHtmlName(const std::string& path) {
  return endsWithNoCase(path, ".htm") || endsWithNoCase(path, ".html") || isXhtmlName(path);
}

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

// The image folder of the TML being made: the compiler's own rule applied to
// OUT, or to the input's name with its extension replaced by ".tml".
std::string pictureFolderFor(const std::string& output, const std::string& input) {
  if (!output.empty()) return imageDirectoryFor(output);
  const std::string name = fileNameOf(input);
  const size_t dot = name.rfind('.');
  const std::string stem =
      dot == std::string::npos || dot == 0 ? input : input.substr(0, input.size() - (name.size() - dot));
  return imageDirectoryFor(stem + ".tml");
}

std::string importHtml(const std::string& input, const std::string& choice, const ModernImportOptions& options) {
  bool modern = choice == "modern";
  if (choice == "auto") modern = chooseHtmlImportPath(input, readWholeFile(input)) == HtmlImportPath::Modern;
  if (modern) return importModernPage(input, options).tml;
  return HtmlImporter(htmlSupportFolderBesideProgram()).convertFile(input);
}

int importFile(int argc, char** argv) {
  CommandLine commandLine;
  const int parsed = parseCommandLine(argc, argv, kProgram, commandLine);
  if (parsed >= 0) return parsed;
  const std::string input = commandLine.operands[0];
  const std::string rules = commandLine.value("rules");
  const std::string output = commandLine.value("output");
  const std::string htmlPath = commandLine.value("html", "auto");
  if (htmlPath != "legacy" && htmlPath != "modern" && htmlPath != "auto")
    return usageError(kProgram, "--html takes legacy, modern or auto, not \"" + htmlPath + "\"");
  const bool plainText = endsWithNoCase(input, ".txt");
  const bool epub = isEpubName(input);
  if (rules.empty() && !isHtmlName(input) && !plainText && !epub)
    return usageError(kProgram,
                      "the input is neither an EPUB book (.epub), HTML (.htm, .html, .xhtml) nor text (.txt); give "
                      "--rules to convert other text");
  if (!output.empty() && (sameFile(output, input) || (!rules.empty() && sameFile(output, rules))))
    return failure(kProgram.name, "The input and output files are the same! (" + output + ")");

  // Warnings of the modern path go to standard error as they come.
  LogPrinter printer(stderr, LogFormat::Text, false);
  ScopedLogSink installed(printer);
  ModernImportOptions options;
  options.imageFolder = pictureFolderFor(output, input);

  std::string tml;
  try {
    if (!rules.empty()) {
      tml = convertWithRules(rules, input);
    } else if (plainText) {
      tml = PlainTextImporter().convertFile(input);
    } else if (epub) {
      tml = importEpubFile(input, options).tml;
    } else {
      tml = importHtml(input, htmlPath, options);
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
