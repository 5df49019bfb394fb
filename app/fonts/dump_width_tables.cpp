// Prints the reader's width tables, one table per line: its name and its 256
// widths. The reader's faces are made from them at build time.
#include <cstdio>

#include "WidthTables.h"

int main() {
  const struct {
    const char* name;
    const scrivora::WidthTable& table;
  } tables[] = {
      {"standard", scrivora::standardWidthTable()},
      {"standard-bold", scrivora::standardBoldWidthTable()},
      {"large", scrivora::largeWidthTable()},
      {"large-bold", scrivora::largeBoldWidthTable()},
  };
  for (const auto& entry : tables) {
    std::printf("%s", entry.name);
    for (int code = 0; code < 256; ++code) std::printf(" %u", entry.table.width(uint8_t(code)));
    std::printf("\n");
  }
  return std::ferror(stdout) ? 1 : 0;
}
