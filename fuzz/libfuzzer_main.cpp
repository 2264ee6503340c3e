// One libFuzzer target: FUZZ_ENTRY names the entry it drives.
#include "entries/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz::FUZZ_ENTRY(data, size);
}
