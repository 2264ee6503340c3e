#include <png.h>
#include <algorithm>
#include <cstring>

#include <cstdio>
#include <vector>

#include "platform_fixture.h"
#include "temp_path.h"

namespace {

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> v;
  for (auto& a : args) v.push_back(a.data());
  return v;
}

TEST(Options, ParsesPlatformOptionsAndLeavesTheRest) {
  std::vector<std::string> args = {"skyvale", "--frames",       "3",         "--step-ms=16", "--keys",
                                   "W@0-5",   "extra",          "--capture", "out.png",      "--headless",
                                   "more",    "--memory-every", "7"};
  auto argv = Argv(args);
  SkyvaleOptions o;
  std::string rest, error;
  ASSERT_TRUE(SkyvaleParseOptions((int)argv.size(), argv.data(), o, rest, error)) << error;
  EXPECT_EQ(o.frames, 3);
  EXPECT_EQ(o.stepMs, 16);
  EXPECT_EQ(o.keys, "W@0-5");
  EXPECT_EQ(o.capture, "out.png");
  EXPECT_TRUE(o.headless);
  EXPECT_EQ(o.memoryEvery, 7);
  EXPECT_EQ(rest, "extra more");
}

TEST(Options, RefusesMalformedValues) {
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"s", "--frames"},
                                             {"s", "--frames", "-1"},
                                             {"s", "--step-ms", "1x"},
                                             {"s", "--capture"},
                                             {"s", "--capture-dir", "d"},
                                             {"s", "--frames", "99999999999"},
                                             {"s", "--memory-every", "often"},
                                             {"s", "--clock-start", "4294967296"},
                                             {"s", "--clock-start", "-1"}}) {
    auto argv = Argv(args);
    SkyvaleOptions o;
    std::string rest, error;
    EXPECT_FALSE(SkyvaleParseOptions((int)argv.size(), argv.data(), o, rest, error)) << args[1];
    EXPECT_FALSE(error.empty());
  }
}

class HostTest : public PlatformTest {};

// The resident size after every Nth frame, on standard output, in whole KiB.
TEST_F(HostTest, MemoryEveryPrintsTheResidentSize) {
  SkyvaleStopPlatform();
  SkyvaleOptions o;
  o.memoryEvery = 2;
  Start(o);
  ::testing::internal::CaptureStdout();
  for (int i = 0; i < 5; ++i) PresentFrame();
  const std::string out = ::testing::internal::GetCapturedStdout();
  unsigned long long a = 0, b = 0;
  ASSERT_EQ(
      std::sscanf(out.c_str(), "Resident at frame 2: %llu KiB\nResident at frame 4: %llu KiB\n", &a, &b), 2)
      << out;
  EXPECT_GT(a, 1000u);  // a process with a device is well over a megabyte
  EXPECT_EQ(out.find("frame 5"), std::string::npos);
}

TEST_F(HostTest, SteppedClockAdvancesPerPresentedFrame) {
  SkyvaleStopPlatform();
  SkyvaleOptions o;
  o.stepMs = 16;
  Start(o);
  DWORD t0 = timeGetTime();
  EXPECT_EQ(timeGetTime(), t0);
  PresentFrame();
  PresentFrame();
  EXPECT_EQ(timeGetTime() - t0, 32u);
  EXPECT_EQ(SkyvalePresentedFrames(), 2);
}

TEST_F(HostTest, SteppedClockStartsWhereAskedAndWraps) {
  std::vector<std::string> args = {"s", "--step-ms", "16", "--clock-start", "4294967290"};
  auto argv = Argv(args);
  SkyvaleOptions o;
  std::string rest, error;
  ASSERT_TRUE(SkyvaleParseOptions((int)argv.size(), argv.data(), o, rest, error)) << error;
  EXPECT_EQ(o.clockStartMs, 4294967290u);
  SkyvaleStopPlatform();
  Start(o);
  EXPECT_EQ(timeGetTime(), 4294967290u);
  PresentFrame();
  EXPECT_EQ(timeGetTime(), 10u);
}

TEST_F(HostTest, FramesLimitPostsQuit) {
  SkyvaleStopPlatform();
  SkyvaleOptions o;
  o.frames = 2;
  Start(o);
  MSG msg;
  PresentFrame();
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  PresentFrame();
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_QUIT);
}

TEST_F(HostTest, CaptureWritesThePngOfTheLastFrame) {
  std::string path = TempPath("capture.png");
  std::remove(path.c_str());
  SkyvaleStopPlatform();
  SkyvaleOptions o;
  o.capture = path;
  Start(o);
  std::vector<uint32_t> frame(640 * 480, 0xFF102030);
  frame[0] = 0xFFFF0000;
  SkyvalePresent(nullptr, frame.data(), 640, 480, 640 * 4);
  EXPECT_EQ(SkyvaleStopPlatform(), path);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  EXPECT_EQ(image.width, 640u);
  EXPECT_EQ(image.height, 480u);
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  EXPECT_EQ(rgb[0], 0xFF);
  EXPECT_EQ(rgb[3], 0x10);
  EXPECT_EQ(rgb[5], 0x30);
  std::remove(path.c_str());
  Start();
}

// A frame handed over becomes the last frame; the caller gets storage of the same size back,
// and what it writes there changes nothing presented. A frame of the wrong size is refused.
TEST_F(HostTest, AFrameHandedOverIsKeptAndStorageComesBack) {
  const int before = SkyvalePresentedFrames();
  std::vector<uint8_t> frame(8 * 4 * 4);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i);
  const std::vector<uint8_t> presented = frame;
  SkyvalePresentFrame(nullptr, frame, 8, 4);
  EXPECT_EQ(SkyvalePresentedFrames(), before + 1);
  ASSERT_EQ(frame.size(), presented.size());
  std::fill(frame.begin(), frame.end(), 0xEE);  // the next frame drawn into the storage handed back
  const uint32_t* pixels = nullptr;
  int w = 0, h = 0;
  ASSERT_TRUE(SkyvaleLastFrame(&pixels, &w, &h));
  ASSERT_EQ(w, 8);
  ASSERT_EQ(h, 4);
  EXPECT_EQ(std::memcmp(pixels, presented.data(), presented.size()), 0);

  std::vector<uint8_t> wrong(8 * 4 * 4 - 4, 0x11);
  SkyvalePresentFrame(nullptr, wrong, 8, 4);
  SkyvalePresentFrame(nullptr, wrong, 0, 4);
  EXPECT_EQ(SkyvalePresentedFrames(), before + 1);
  EXPECT_EQ(wrong.size(), size_t(8 * 4 * 4 - 4));
  ASSERT_TRUE(SkyvaleLastFrame(&pixels, &w, &h));
  EXPECT_EQ(std::memcmp(pixels, presented.data(), presented.size()), 0);
}

TEST_F(HostTest, CaptureIsSkippedWithoutFramesAndBadPathsFail) {
  SkyvaleStopPlatform();
  SkyvaleOptions o;
  o.capture = TempPath("never_written.png");
  Start(o);
  EXPECT_EQ(SkyvaleStopPlatform(), "");
  uint32_t px = 0;
  EXPECT_FALSE(SkyvaleWritePng("/nonexistent-dir/x.png", &px, 1, 1, 4));
  EXPECT_FALSE(SkyvaleWritePng(nullptr, &px, 1, 1, 4));
  Start();
}

TEST(CodePage, GbkCaptionBecomesUtf8) {
  EXPECT_EQ(SkyvaleAnsiToUtf8("Skyvale\xA3\xA8\xD1\xDD\xCA\xBE\xA3\xA9\xA1\xAA"
                              "Dravik"),
            "Skyvale\xEF\xBC\x88\xE6\xBC\x94\xE7\xA4\xBA\xEF\xBC\x89\xE2\x80\x94"
            "Dravik");
  EXPECT_EQ(SkyvaleAnsiToUtf8("plain"), "plain");
  EXPECT_EQ(SkyvaleAnsiToUtf8(nullptr), "");
  // A lead byte with nothing after it becomes the replacement character.
  EXPECT_EQ(SkyvaleAnsiToUtf8("a\xD1"), "a\xEF\xBF\xBD");
}

FARPROC LookupOne(LPCSTR name) {
  return std::string(name) == "One" ? (FARPROC) + []() -> INT_PTR { return 1; } : nullptr;
}

TEST(Modules, RegisteredModulesLoadByName) {
  EXPECT_EQ(GetModuleHandleA("testmod.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA("testmod.dll"), nullptr);
  SkyvaleRegisterModule("TestMod.dll", LookupOne);
  HMODULE m = LoadLibraryA("C:\\Windows\\System32\\TESTMOD.DLL");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetModuleHandleA("testmod"), m);
  FARPROC f = GetProcAddress(m, "One");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f(), 1);
  EXPECT_EQ(GetProcAddress(m, "Two"), nullptr);
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_FALSE(FreeLibrary(m));
}

}  // namespace
