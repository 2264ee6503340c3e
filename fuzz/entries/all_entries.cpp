#include "fuzz_entries.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void Broken(const char* what) {
  std::fprintf(stderr, "fuzz: broken invariant: %s\n", what);
  std::abort();
}

std::span<const NamedEntry> AllEntries() {
  static constexpr NamedEntry kEntries[] = {
      {"image_info", ImageInfo}, {"xfile_parser", XFileParser}, {"registry_file", RegistryFile},
      {"key_script", KeyScript}, {"draw_text", DrawText},       {"texture_create", TextureCreate},
  };
  return kEntries;
}

}  // namespace fuzz
