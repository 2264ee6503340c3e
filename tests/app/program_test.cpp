// End-to-end runs of the program itself, headless.
#include <png.h>
#include <sys/stat.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "d3d_app.h"
#include "process.h"
#include "skyvale_host.h"
#include "temp_path.h"

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
  std::string path = TempPath("e2e_capture.png");
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
  std::string path = TempPath("e2e_never.png");
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

namespace {

// In-process: with 24-bit depth refused, InitD3D's second attempt gives a 16-bit depth buffer.
TEST(InitD3D, FallsBackToSixteenBitDepth) {
  setenv("SKYVALE_D3D9_REFUSE", "D24S8", 1);
  SkyvaleOptions o;
  o.headless = true;
  std::string error;
  ASSERT_TRUE(SkyvaleStartPlatform(o, error));
  static int instance;
  IDirect3DDevice9* device = nullptr;
  ASSERT_TRUE(InitD3D((HINSTANCE)&instance, 640, 480, true, D3DDEVTYPE_HAL, &device));
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
  D3DSURFACE_DESC desc;
  depth->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_D16);
  EXPECT_EQ(desc.Width, 640u);
  depth->Release();
  IDirect3DSurface9* back = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  back->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Height, 480u);
  back->Release();
  EXPECT_EQ(device->Release(), 0u);
  unsetenv("SKYVALE_D3D9_REFUSE");
  SkyvaleStopPlatform();
}

// Without hardware transform and lighting InitD3D asks for software vertex processing, and the
// demo runs on it.
TEST(InitD3D, ChoosesSoftwareVertexProcessingWithoutHardwareTransform) {
  setenv("SKYVALE_D3D9_REFUSE", "HWTL", 1);
  SkyvaleOptions o;
  o.headless = true;
  std::string error;
  ASSERT_TRUE(SkyvaleStartPlatform(o, error));
  static int instance;
  IDirect3DDevice9* device = nullptr;
  ASSERT_TRUE(InitD3D((HINSTANCE)&instance, 640, 480, true, D3DDEVTYPE_HAL, &device));
  D3DDEVICE_CREATION_PARAMETERS created;
  ASSERT_EQ(device->GetCreationParameters(&created), D3D_OK);
  EXPECT_EQ(created.BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING),
            (DWORD)D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  EXPECT_EQ(device->Release(), 0u);
  unsetenv("SKYVALE_D3D9_REFUSE");
  SkyvaleStopPlatform();
}

TEST(Program, RunsWithoutHardwareTransform) {
  ProcessResult r = RunProgram({"--headless", "--frames", "3"}, {"SKYVALE_D3D9_REFUSE=HWTL"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err.find("MessageBox:"), std::string::npos) << r.err;
}

TEST(Program, CapturesEveryNthFrameIntoADirectory) {
  std::string dir = TempPath("e2e_frames");
  ProcessResult r = RunProgram({"--headless", "--frames", "5", "--capture-dir", dir, "--capture-every", "2"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  png_uint_32 w, h;
  EXPECT_TRUE(PngSize(dir + "/frame-00002.png", w, h));
  EXPECT_TRUE(PngSize(dir + "/frame-00004.png", w, h));
  EXPECT_FALSE(PngSize(dir + "/frame-00005.png", w, h));
  for (const char* f : {"/frame-00002.png", "/frame-00004.png"}) std::remove((dir + f).c_str());
  rmdir(dir.c_str());
}

}  // namespace

namespace {

TEST(Program, ScriptedKeysSwitchEveryDisplayModeAndCaptureTheLastFrame) {
  std::string path = TempPath("e2e_modes.png");
  std::remove(path.c_str());
  ProcessResult r = RunProgram({"--headless", "--frames", "12", "--step-ms", "16", "--keys",
                                "W@0-4,LEFT@1-3,2@2,3@4,4@6,1@8,2@10", "--capture", path});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  png_uint_32 w = 0, h = 0;
  EXPECT_TRUE(PngSize(path, w, h));
  EXPECT_EQ(w, 640u);
  std::remove(path.c_str());
}

}  // namespace
