// Every HTML page of the shared corpus imports without an exception and keeps
// its text: a few words of each page, accented ones included, must survive.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "HtmlImporter.h"
#include "support/ImportTestSupport.h"

using namespace scrivora;

namespace {

struct CorpusPage {
  const char* file;
  std::vector<const char*> words;  // as they must appear in the TML
};

class CorpusImport : public ::testing::TestWithParam<CorpusPage> {};

std::string corpusPath(const char* file) { return std::string(SCRIVORA_CORPUS_DIR) + "/" + file; }

}  // namespace

TEST_P(CorpusImport, TextSurvives) {
  const CorpusPage& page = GetParam();
  if (FILE* probe = std::fopen(corpusPath(page.file).c_str(), "rb")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "the shared corpus is not here: " << corpusPath(page.file);
  }
  HtmlImporter importer(scrivora::test::htmlSupportFolder());
  std::string tml = importer.convertFile(corpusPath(page.file));
  ASSERT_GT(tml.size(), 1000u);
  for (const char* word : page.words) EXPECT_NE(tml.find(word), std::string::npos) << word;
  // Every byte is plain ASCII: the rest is written as \a and \U codes.
  for (unsigned char c : tml) ASSERT_LT(c, 128u);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CorpusImport,
    ::testing::Values(CorpusPage{"books/flatland.html", {"Flatland", "Square", "\\X2"}},
                      CorpusPage{"books/monte-cristo-1.html", {"Dant\\a232s", "Gar\\a231on", "\\a156"}},
                      CorpusPage{"books/pride-and-prejudice.html", {"Elizabeth", "Darcy", "\\a147"}},
                      CorpusPage{"books/war-and-peace.html", {"Pierre", "Nat\\a225sha", "\\a156", "\\X1"}},
                      CorpusPage{"html/apache-glossary.de.html", {"Schl\\a252ssel", "\\U0259"}},
                      CorpusPage{"html/apache-mod_rewrite.en.html", {"RewriteRule", "\\a182"}},
                      CorpusPage{"html/lemon.html", {"Lemon", "grammar"}}),
    [](const ::testing::TestParamInfo<CorpusPage>& info) {
      std::string name = info.param.file;
      name = name.substr(name.find('/') + 1);
      std::string clean;
      for (char c : name.substr(0, name.rfind('.'))) clean += std::isalnum((unsigned char)c) ? c : '_';
      return clean;
    });
