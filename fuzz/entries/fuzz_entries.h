// The fuzzed entries, one per input kind. Each takes arbitrary bytes, drives the code under test
// the way a program would, releases everything it made and returns 0; a fault shows as a crash
// or a sanitizer report. The libFuzzer targets and the regression replay call the same entries.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzz {

using Entry = int (*)(const uint8_t* data, size_t size);

int ImageInfo(const uint8_t* data, size_t size);      // image header parse, decode and conversion
int XFileParser(const uint8_t* data, size_t size);    // the parser component from memory, fully walked
int RegistryFile(const uint8_t* data, size_t size);   // a .reg file read through the registry calls
int KeyScript(const uint8_t* data, size_t size);      // --keys scripts and the process options
int DrawText(const uint8_t* data, size_t size);       // layout and drawing with random flags and rects
int TextureCreate(const uint8_t* data, size_t size);  // textures from image files on a headless device

// A broken invariant that is not a memory fault: reported and aborted, so the fuzzer keeps it.
[[noreturn]] void Broken(const char* what);

struct NamedEntry {
  const char* name;  // the target's name: fuzz_<name>, fuzz/regressions/<name>/
  Entry run;
};

// Every entry, by target name.
std::span<const NamedEntry> AllEntries();

}  // namespace fuzz
