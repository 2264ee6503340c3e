#include <cstdio>
#include <string>

#include "../../platform/win32/frame_stats.h"
#include "platform_fixture.h"

namespace {

using win32::FrameStats;

// Frames at the given intervals (ms) after a first one at time 0; CPU time runs at half speed.
FrameStats Intervals(std::initializer_list<std::pair<int, double>> runs) {
  FrameStats s;
  double now = 0;
  s.frame(now, 0);
  for (auto [count, ms] : runs)
    for (int i = 0; i < count; ++i) {
      now += ms * 1e-3;
      s.frame(now, now / 2);
    }
  return s;
}

TEST(FrameStats, MeanIsIntervalsOverTimeAndLowIsTheSlowestHundredth) {
  // 99 frames of 10 ms and one of 50 ms: 100 intervals in 1.04 s; the slowest 1% is the 50 ms one.
  FrameStats::Summary s = Intervals({{99, 10.0}, {1, 50.0}}).summary();
  EXPECT_EQ(s.frames, 101);
  ASSERT_TRUE(s.timed);
  EXPECT_NEAR(s.meanFps, 100 / 1.04, 1e-9);
  EXPECT_NEAR(s.lowFps, 20.0, 1e-9);
  EXPECT_NEAR(s.cpuMsPerFrame, 1040.0 / 2 / 100, 1e-9);

  // 250 intervals: the slowest 3 (rounded up) are two of 40 ms and one of 20 ms.
  s = Intervals({{247, 5.0}, {1, 20.0}, {2, 40.0}}).summary();
  EXPECT_NEAR(s.lowFps, 3 / 0.100, 1e-9);

  // Fewer than 100 intervals: the single slowest.
  s = Intervals({{10, 4.0}, {1, 8.0}, {10, 4.0}}).summary();
  EXPECT_NEAR(s.lowFps, 125.0, 1e-9);
  EXPECT_NEAR(s.meanFps, 21 / 0.088, 1e-9);
}

TEST(FrameStats, SlowestSharedBucketGivesItsMean) {
  // Nine intervals of 30 ms and 30.1 ms fall in one 1% bucket; the slowest 1% of 900 is nine.
  FrameStats::Summary s = Intervals({{891, 10.0}, {5, 30.0}, {4, 30.1}}).summary();
  EXPECT_NEAR(s.lowFps, 9 / (5 * 0.030 + 4 * 0.0301), 1e-9);
  // With only some of that bucket wanted (3 of 300 intervals) its mean stands for them.
  s = Intervals({{295, 10.0}, {3, 30.0}, {2, 30.1}}).summary();
  EXPECT_NEAR(s.lowFps, 1 / ((3 * 0.030 + 2 * 0.0301) / 5), 1e-9);
}

TEST(FrameStats, NoRateWithoutElapsedTime) {
  FrameStats s;
  EXPECT_NE(s.report().find("Frames shown: 0\nMean frame rate: n/a\n"), std::string::npos);
  s.frame(1.0, 0);
  EXPECT_FALSE(s.summary().timed);
  s.frame(1.0, 0);  // a stepped clock of 0 ms
  EXPECT_FALSE(s.summary().timed);
  EXPECT_EQ(s.report(),
            "Frames shown: 2\nMean frame rate: n/a\n1% low frame rate: n/a\nCPU time per frame: n/a\n");
  s.frame(0.5, 0);  // time going backwards counts as no time, never as negative
  EXPECT_FALSE(s.summary().timed);
  s.reset();
  EXPECT_EQ(s.summary().frames, 0);
}

class FpsOption : public PlatformTest {};

// The option prints its four lines when the platform stops; with a stepped clock of 16 ms the
// rates are exactly 62.5 frames per second.
TEST_F(FpsOption, PrintsTheFiguresOfTheRunAtStop) {
  SkyvaleStopPlatform();
  SkyvaleOptions o;
  o.fps = true;
  o.stepMs = 16;
  Start(o);
  for (int i = 0; i < 12; ++i) PresentFrame();
  ::testing::internal::CaptureStdout();
  SkyvaleStopPlatform();
  std::string out = ::testing::internal::GetCapturedStdout();
  int frames = 0;
  double mean = 0, low = 0, cpu = -1;
  ASSERT_EQ(std::sscanf(out.c_str(),
                        "Frames shown: %d\nMean frame rate: %lf fps\n1%% low frame rate: %lf fps\n"
                        "CPU time per frame: %lf ms\n",
                        &frames, &mean, &low, &cpu),
            4)
      << out;
  EXPECT_EQ(frames, 12);
  EXPECT_DOUBLE_EQ(mean, 62.5);
  EXPECT_DOUBLE_EQ(low, 62.5);
  EXPECT_GE(cpu, 0.0);
  EXPECT_NE(out.find("Mean frame rate: 62.50 fps\n"), std::string::npos);

  // Printed once: a second stop, and a run without the option, say nothing.
  ::testing::internal::CaptureStdout();
  SkyvaleStopPlatform();
  Start();
  PresentFrame();
  SkyvaleStopPlatform();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  Start();
}

TEST(Options, FpsIsAFlag) {
  std::string a0 = "skyvale", a1 = "--fps", a2 = "--frames", a3 = "4";
  char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data()};
  SkyvaleOptions o;
  std::string rest, error;
  ASSERT_TRUE(SkyvaleParseOptions(4, argv, o, rest, error)) << error;
  EXPECT_TRUE(o.fps);
  EXPECT_EQ(o.frames, 4);
  EXPECT_EQ(rest, "");
}

}  // namespace
