// Real pages of the shared corpus through the modern path: each one imports,
// compiles without an error and leaves no link undefined.

#include <gtest/gtest.h>

#include <string>

#include "FileSystem.h"
#include "ModernImporter.h"
#include "support/ModernTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

class ModernCorpus : public testing::TestWithParam<const char*> {};

TEST_P(ModernCorpus, PagesCompileWithEveryLinkDefined) {
  const std::string page = std::string(SCRIVORA_CORPUS_DIR) + "/" + GetParam();
  if (!isRegularFile(page)) GTEST_SKIP() << "the shared corpus is not here: " << page;
  CollectingLogSink log;
  ModernImport imported;
  {
    ScopedLogSink installed(log);
    imported = importModernPage(page);
  }
  ScratchFolder folder;
  const CompiledBook book = compileTml(folder.path(), imported.tml);
  ASSERT_TRUE(book.built) << testing::PrintToString(book.errors);
  EXPECT_TRUE(book.errors.empty()) << testing::PrintToString(book.errors);
  EXPECT_TRUE(undefinedLinks(book).empty()) << testing::PrintToString(undefinedLinks(book));
  EXPECT_FALSE(book.contents.chapters.empty());
  EXPECT_FALSE(book.contents.links.empty());
}

INSTANTIATE_TEST_SUITE_P(Pages, ModernCorpus,
                         testing::Values("books/flatland.html", "books/monte-cristo-1.html",
                                         "html/apache-glossary.de.html", "html/apache-mod_rewrite.en.html",
                                         "books/war-and-peace.html"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           name = name.substr(name.find('/') + 1);
                           std::string clean;
                           for (char c : name.substr(0, name.rfind('.')))
                             clean += std::isalnum((unsigned char)c) ? c : '_';
                           return clean;
                         });
