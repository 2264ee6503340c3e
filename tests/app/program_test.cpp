// End-to-end runs of the program itself, headless.
#include <png.h>
#include <sys/stat.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "process.h"

namespace {

const std::string kAssets = std::string(SKYVALE_SOURCE_DIR) + "/assets";

ProcessResult RunProgram(std::vector<std::string> args, std::vector<std::string> env = {}) {
  args.insert(args.begin(), SKYVALE_PROGRAM);
  ProcessOptions o;
  o.env = std::move(env);
  o.unset = {"DISPLAY", "WAYLAND_DISPLAY", "SKYVALE_D3D9_REFUSE"};
  o.cwd = kAssets;
  return RunProcess(args, o);
}

bool PngSize(const std::string& path, png_uint_32& w, png_uint_32& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  w = image.width;
  h = image.height;
  png_image_free(&image);
  return true;
}

TEST(Program, HeadlessFramesWriteACapture) {
  std::string path = ::testing::TempDir() + "skyvale_e2e_capture.png";
  std::remove(path.c_str());
  ProcessResult r = RunProgram({"--headless", "--frames", "3", "--step-ms", "16", "--capture", path});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  png_uint_32 w = 0, h = 0;
  ASSERT_TRUE(PngSize(path, w, h)) << r.err;
  EXPECT_EQ(w, 640u);
  EXPECT_EQ(h, 480u);
  EXPECT_NE(r.out.find("Capture written: " + path), std::string::npos) << r.out;
  std::remove(path.c_str());
}

TEST(Program, EscapeAtFrameZeroEndsBeforeAnyFrame) {
  std::string path = ::testing::TempDir() + "skyvale_e2e_never.png";
  std::remove(path.c_str());
  ProcessResult r = RunProgram({"--headless", "--keys", "ESC@0", "--capture", path});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  struct stat st;
  EXPECT_NE(stat(path.c_str(), &st), 0) << "a frame was presented after Escape";
}

TEST(Program, RefusedD24S8FallsBackSilently) {
  ProcessResult r = RunProgram({"--headless", "--frames", "2"}, {"SKYVALE_D3D9_REFUSE=D24S8"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err.find("MessageBox:"), std::string::npos) << r.err;
}

TEST(Program, RefusedDeviceReportsBothFailuresAndExitsZero) {
  ProcessResult r = RunProgram({"--headless", "--frames", "2"}, {"SKYVALE_D3D9_REFUSE=DEVICE"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "MessageBox: CreateDevice() - FAILED\nMessageBox: InitD3D() - FAILED\n");
}

TEST(Program, BadOptionsAreReportedWithUsage) {
  ProcessResult r = RunProgram({"--frames", "many"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--frames needs"), std::string::npos);
  ProcessResult help = RunProgram({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--step-ms"), std::string::npos);
}

}  // namespace
