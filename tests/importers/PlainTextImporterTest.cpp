// Plain text into TML that shows the same text.

#include <gtest/gtest.h>

#include <string>

#include "PlainTextImporter.h"

using namespace scrivora;

TEST(PlainTextImport, BackslashesAreEscapedAndLineEndsKept) {
  const struct {
    const char* what;
    std::string text, tml;
  } cases[] = {
      {"backslashes", "C:\\new\\x \\\\", "C:\\\\new\\\\x \\\\\\\\"},
      {"line ends as they are", "one\r\n\r\ntwo\nthree\r", "one\r\n\r\ntwo\nthree\r"},
      {"Windows-1252 stays", "caf\xE9 \x97", "caf\xE9 \x97"},
      {"UTF-8 becomes Windows-1252 and \\U", "caf\xC3\xA9 \xE4\xB8\xAD\\", "caf\xE9 \\U4E2D\\\\"},
      {"the byte-order mark goes", "\xEF\xBB\xBFok", "ok"},
  };
  for (const auto& c : cases) EXPECT_EQ(PlainTextImporter().convert(c.text), c.tml) << c.what;
}
