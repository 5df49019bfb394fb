// Replays the fuzzer's seed corpus (tests/fuzz/corpus) through the same
// entry point as the fuzzer, so every input that once broke a build stays
// fixed. The entry point itself aborts when a build leaves a temporary file,
// writes an unsound book, or fails and still leaves a book.

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "../fuzz/BuildFuzzEntry.h"

namespace {

const std::string kCorpus = std::string(SCRIVORA_SOURCE_DIR) + "/tests/fuzz/corpus";

std::vector<std::string> corpusFiles() {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(kCorpus.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> readInput(const std::string& name) {
  std::ifstream in(kCorpus + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class BuildFuzzReplay : public testing::Test {
 protected:
  static void TearDownTestSuite() { buildfuzz::removeWorkFolder(); }
};

}  // namespace

TEST_F(BuildFuzzReplay, EveryCorpusInputBuildsWithoutBreakingAPromise) {
  std::vector<std::string> names = corpusFiles();
  ASSERT_GE(names.size(), 8u) << "seed corpus missing at " << kCorpus;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> input = readInput(name);
    buildfuzz::buildOnce(input.data(), input.size());
  }
}

TEST_F(BuildFuzzReplay, HandWrittenSeedsGiveTheirKnownOutcome) {
  // Seeds written to reach each part of the build; whether each makes a
  // book is known from the language's rules.
  const std::map<std::string, bool> outcomes = {
      {"plain.tml", true},    {"chapters.tml", true}, {"notes.tml", true},
      {"links.tml", true},    {"chars.tml", true},    {"long.tml", true},
      {"badnotes.tml", true}, {"errors.tml", false},  {"crash-empty-source", false},
  };
  for (const auto& [name, written] : outcomes) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> input = readInput(name);
    EXPECT_EQ(buildfuzz::buildOnce(input.data(), input.size()), written);
  }
}
