// libFuzzer target: the whole compiler on arbitrary bytes (see
// BuildFuzzEntry.h for what each run checks).

#include <cstddef>
#include <cstdint>

#include "BuildFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  buildfuzz::buildOnce(data, size);
  return 0;
}
