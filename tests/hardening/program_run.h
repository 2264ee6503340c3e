// Headless runs of the demo in a scratch copy of its data folder, for the fault and soak tests.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "process.h"
#include "temp_path.h"

namespace fs = std::filesystem;

// A copy of assets/ that the test may damage; removed again at the end of the scope.
class ScratchAssets {
 public:
  explicit ScratchAssets(const std::string& tag) : dir_(TempPath("assets_" + tag)) {
    fs::remove_all(dir_);
    fs::copy(fs::path(SKYVALE_SOURCE_DIR) / "assets", dir_, fs::copy_options::recursive);
  }
  ~ScratchAssets() { fs::remove_all(dir_); }
  ScratchAssets(const ScratchAssets&) = delete;
  ScratchAssets& operator=(const ScratchAssets&) = delete;

  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

// The program's message boxes in order ("MessageBox: TEXT" lines of its error output).
inline std::vector<std::string> MessageBoxes(const std::string& err) {
  std::vector<std::string> boxes;
  std::istringstream in(err);
  const std::string prefix = "MessageBox: ";
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) boxes.push_back(line.substr(prefix.size()));
  return boxes;
}

inline ProcessResult RunDemo(const fs::path& cwd, std::vector<std::string> args, int timeoutMs) {
  args.insert(args.begin(), SKYVALE_PROGRAM);
  args.insert(args.begin() + 1, "--headless");
  ProcessOptions o;
  o.unset = {"DISPLAY", "WAYLAND_DISPLAY", "SKYVALE_D3D9_REFUSE"};
  o.cwd = cwd.string();
  o.timeoutMs = timeoutMs;
  return RunProcess(args, o);
}

// A run that ended by itself: no signal, no time-out, no sanitizer report, exit code 0.
inline void ExpectCleanEnd(const ProcessResult& r) {
  EXPECT_FALSE(r.timedOut) << "the program hung";
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
}
