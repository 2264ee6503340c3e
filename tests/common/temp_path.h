// A scratch file name of this process's own: CTest runs tests as parallel processes, so a
// fixed name would be written and removed under another test's feet.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

inline std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "skyvale_" + std::to_string(getpid()) + "_" + name;
}
