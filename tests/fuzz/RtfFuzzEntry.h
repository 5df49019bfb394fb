#pragma once
// One read of arbitrary bytes by the RTF reader, shared by the libFuzzer
// target and the test that replays its seed corpus. Besides not crashing,
// hanging or leaking, every read keeps these promises, and a broken one
// aborts:
//   - bytes that are not RTF give no content;
//   - every run holds well-formed UTF-8 text, is not empty, and holds no
//     control character but tab, line feed, line break, page break and
//     carriage return;
//   - only the last paragraph may be left open;
//   - the text is never more than three bytes per byte read, so no input
//     makes the reader run away with memory.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "CodePage.h"
#include "RtfReader.h"

namespace rtffuzz {

inline void broken(const char* promise) {
  std::fprintf(stderr, "RTF reader broke a promise: %s\n", promise);
  std::abort();
}

inline scrivora::RtfReadResult readOnce(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  scrivora::RtfReadResult result = scrivora::readRtf(bytes);
  if (!result.isRtf && !result.content.empty()) broken("content from bytes that are not RTF");
  size_t textBytes = 0;
  const auto& paragraphs = result.content.paragraphs;
  for (size_t p = 0; p < paragraphs.size(); ++p) {
    if (!paragraphs[p].ended && p + 1 < paragraphs.size()) broken("an open paragraph before the last");
    for (const scrivora::RtfRun& run : paragraphs[p].runs) {
      if (run.text.empty()) broken("an empty run");
      if (!scrivora::isValidUtf8(run.text)) broken("a run that is not UTF-8");
      for (unsigned char c : run.text)
        if ((c < 0x20 && c != '\t' && c != '\n' && c != 0x0B && c != '\f' && c != '\r') || c == 0x7F)
          broken("a control character in a run");
      textBytes += run.text.size();
    }
  }
  if (textBytes > 3 * size) broken("more text than the input can hold");
  return result;
}

}  // namespace rtffuzz
