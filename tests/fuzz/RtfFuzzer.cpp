// libFuzzer target: the RTF reader on arbitrary bytes (see RtfFuzzEntry.h
// for what each run checks).

#include <cstddef>
#include <cstdint>

#include "RtfFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rtffuzz::readOnce(data, size);
  return 0;
}
