// Starts the Win32 layer headless for each test, with the given options.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>
#include "skyvale_host.h"

class PlatformTest : public ::testing::Test {
 protected:
  void Start(SkyvaleOptions options = {}) {
    options.headless = true;
    std::string error;
    ASSERT_TRUE(SkyvaleStartPlatform(options, error)) << error;
  }
  void SetUp() override { Start(); }
  void TearDown() override { SkyvaleStopPlatform(); }

  // Presents a tiny frame, advancing the frame counter (and a stepped clock).
  void PresentFrame() {
    static const uint32_t pixel = 0xFF000000;
    SkyvalePresent(nullptr, &pixel, 1, 1, 4);
  }
};
