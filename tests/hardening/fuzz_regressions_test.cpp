// Every input a fuzz target ever failed on, and the targets' generated seeds, replayed through
// the same entries in the ordinary build: each must run to the end (the sanitizer build turns
// any memory fault into a failure).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "entries/fuzz_entries.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsOf(const std::string& target) {
  std::vector<fs::path> files;
  for (const char* kind : {"regressions", "seeds"}) {
    const fs::path dir = fs::path(SKYVALE_SOURCE_DIR) / "fuzz" / kind / target;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
        files.push_back(entry.path());
  }
  return files;
}

class FuzzReplay : public ::testing::TestWithParam<fuzz::NamedEntry> {};

TEST_P(FuzzReplay, EveryKeptInputRunsThrough) {
  const auto files = InputsOf(GetParam().name);
  EXPECT_FALSE(files.empty()) << "no seeds for " << GetParam().name;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(GetParam().run(bytes.data(), bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         ::testing::ValuesIn(fuzz::AllEntries().begin(), fuzz::AllEntries().end()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
