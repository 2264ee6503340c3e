// The demo's words: the font Setup makes (and the quit when it cannot), the three texts a frame
// draws at their rectangles in their colours with real Chinese glyphs, and the frame-rate line
// of a stepped clock, frame by frame.
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "../platform/gdi_canvas.h"
#include "app_fixture.h"
#include "process.h"
#include "temp_path.h"

namespace {

struct TextPlace {
  const char* text;
  RECT rect;
  D3DCOLOR color;
};

// Which pixels of a rectangle hold the text colour itself.
using Mask = std::vector<bool>;

Mask FrameMask(const uint32_t* pixels, int pitch, const RECT& r, D3DCOLOR color) {
  Mask m;
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) {
      const uint32_t p = pixels[(size_t)y * pitch + x];
      bool same = true;
      for (int shift : {0, 8, 16})
        same &= std::abs((int)((p >> shift) & 0xFF) - (int)((color >> shift) & 0xFF)) <= 2;
      m.push_back(same);
    }
  return m;
}

// The pixels GDI covers fully when it draws the text alone into a rectangle of that size.
Mask ReferenceMask(Canvas& canvas, const char* ansi, const RECT& r, const char16_t* wide = nullptr) {
  canvas.clear();
  RECT box = {0, 0, r.right - r.left, r.bottom - r.top};
  if (wide) {
    DrawTextW(canvas.dc(), wide, -1, &box, 0);
  } else {
    DrawTextA(canvas.dc(), ansi, -1, &box, 0);
  }
  Mask m;
  for (LONG y = 0; y < box.bottom; ++y)
    for (LONG x = 0; x < box.right; ++x) m.push_back(canvas.coverage(x, y) >= 253);
  return m;
}

size_t Differences(const Mask& a, const Mask& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
  return n + (a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}
size_t Count(const Mask& m) { return (size_t)std::count(m.begin(), m.end(), true); }

// The text with every GBK character replaced: by a character no face has (the missing-glyph
// box), or by the question mark a failed conversion gives.
std::u16string ReplaceDoubleBytes(const char* text, char16_t with) {
  std::u16string out;
  for (const char* p = text; *p; ++p) {
    if ((unsigned char)*p >= 0x81 && p[1]) {
      out += with;
      ++p;
    } else {
      out += (char16_t)*p;
    }
  }
  return out;
}

// The frame-rate line after each frame of a clock that advances `stepMs` per frame (the first
// frame sees no time): frames and float seconds gathered until a second has passed, then the
// double quotient printed with %f and cut to 8 characters.
std::vector<std::string> ExpectedRateLines(int stepMs, int frames) {
  std::vector<std::string> lines;
  std::string line;
  int count = 0;
  float elapsed = 0;
  for (int i = 0; i < frames; ++i) {
    const float seconds = i == 0 ? 0.0f : (float)(stepMs * 0.001);
    ++count;
    elapsed += seconds;
    if (elapsed >= 1.0f) {
      char number[64];
      std::snprintf(number, sizeof number, "%f", (double)count / elapsed);
      line = "FPS:" + std::string(number).substr(0, 8);
      count = 0;
      elapsed = 0;
    }
    lines.push_back(line);
  }
  return lines;
}

const RECT kRateRect = {20, 460, 400, 480};

class TextTest : public AppTest {};

TEST_F(TextTest, SetupMakesTheDefaultFont) {
  StartApp();
  ASSERT_NE(gFont, nullptr);
  LOGFONTA lf;
  std::memset(&lf, 0xCD, sizeof lf);
  ASSERT_EQ(gFont->GetLogFont(&lf), D3D_OK);
  const LOGFONTA zero{};
  EXPECT_EQ(std::memcmp(&lf, &zero, sizeof lf), 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

// A device whose textures of the font's tile format cannot be made.
class NoTileTextures final : public CallLogDevice {
 public:
  using CallLogDevice::CallLogDevice;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* shared) override {
    if (format == D3DFMT_A8R8G8B8) return D3DERR_OUTOFVIDEOMEMORY;
    return CallLogDevice::CreateTexture(width, height, levels, usage, format, pool, texture, shared);
  }
};

class NoFontTest : public AppTest {
  CallLogDevice* WrapDevice(IDirect3DDevice9* real) override { return new NoTileTextures(real); }
};

TEST_F(NoFontTest, SetupReportsTheFontAndAsksToQuit) {
  ::testing::internal::CaptureStderr();
  StartApp();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(gFont, nullptr);
  EXPECT_NE(err.find("MessageBox: D3DXCreateFontIndirect() - FAILED\n"), std::string::npos) << err;
  EXPECT_NE(gLeftEyeTexture, nullptr);  // set-up went on
  MSG msg;
  bool quit = false;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) quit |= msg.message == WM_QUIT;
  EXPECT_TRUE(quit);
  RenderFrame(0.016f);  // a frame without a font draws no text and does not fail
}

TEST_F(TextTest, FrameShowsTheThreeTextsAtTheirPlacesInTheirColours) {
  StartApp();
  const std::vector<std::string> lines = ExpectedRateLines(16, 64);
  for (int i = 0; i < 64; ++i) Frame(i == 0 ? 0.0f : 0.016f);
  ASSERT_EQ(std::string(gFpsText), lines.back());
  ASSERT_FALSE(lines.back().empty());

  const uint32_t* pixels = nullptr;
  int width = 0, height = 0;
  ASSERT_TRUE(SkyvaleLastFrame(&pixels, &width, &height));
  ASSERT_EQ(width, 640);
  Canvas canvas(400, 160);
  const TextPlace places[] = {
      {lines.back().c_str(), kRateRect, 0x00FFFF},
      {kMoveHelpText, {20, 20, 400, 40}, 0xFFFF00},
      {kViewHelpText, {20, 40, 400, 160}, 0xFF00FF},
  };
  for (const TextPlace& place : places) {
    const Mask shown = FrameMask(pixels, width, place.rect, place.color);
    const Mask expected = ReferenceMask(canvas, place.text, place.rect);
    EXPECT_GT(Count(expected), 40u) << place.text;
    EXPECT_LE(Differences(shown, expected), 2u) << place.text;
  }
  // Nothing of the texts' colours lies just outside their rectangles' left edges.
  EXPECT_EQ(Count(FrameMask(pixels, width, {0, 20, 20, 160}, 0xFFFF00)), 0u);
  EXPECT_EQ(Count(FrameMask(pixels, width, {0, 20, 20, 160}, 0xFF00FF)), 0u);

  // Real Chinese glyphs: neither missing-glyph boxes nor the question marks of a failed conversion.
  for (const TextPlace& place : {places[1], places[2]}) {
    const Mask shown = FrameMask(pixels, width, place.rect, place.color);
    for (char16_t with : {u'\x0378', u'?'}) {  // U+0378 is unassigned: no face has it
      const std::u16string replaced = ReplaceDoubleBytes(place.text, with);
      EXPECT_GT(Differences(shown, ReferenceMask(canvas, nullptr, place.rect, replaced.c_str())), 40u)
          << (int)with;
    }
  }
}

// --- the program itself, its clock stepped, every frame captured ---

bool ReadPng(const std::string& path, std::vector<uint32_t>& pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;  // little-endian words 0xAARRGGBB
  pixels.resize((size_t)image.width * image.height);
  const bool ok = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok && image.width == 640;
}

TEST(TextProgram, RateLineFollowsTheSteppedClockFrameByFrame) {
  Canvas canvas(400, 40);
  for (int step : {250, 90}) {
    const int frames = 1000 / step * 2 + 3;  // past two updates of the line
    const std::string dir = TempPath("rate_" + std::to_string(step));
    ProcessOptions o;
    o.unset = {"DISPLAY", "WAYLAND_DISPLAY", "SKYVALE_D3D9_REFUSE"};
    o.cwd = std::string(SKYVALE_SOURCE_DIR) + "/assets";
    ProcessResult r =
        RunProcess({SKYVALE_PROGRAM, "--headless", "--frames", std::to_string(frames), "--step-ms",
                    std::to_string(step), "--capture-dir", dir, "--capture-every", "1"},
                   o);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = ExpectedRateLines(step, frames);
    std::set<std::string> seen;
    for (int i = 0; i < frames; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/frame-%05d.png", i + 1);
      std::vector<uint32_t> pixels;
      ASSERT_TRUE(ReadPng(dir + name, pixels)) << name;
      std::remove((dir + name).c_str());
      const Mask shown = FrameMask(pixels.data(), 640, kRateRect, 0x00FFFF);
      const Mask expected = ReferenceMask(canvas, lines[i].c_str(), kRateRect);
      EXPECT_LE(Differences(shown, expected), 2u) << step << " ms, frame " << i << ": " << lines[i];
      seen.insert(lines[i]);
    }
    rmdir(dir.c_str());
    EXPECT_EQ(seen.size(), 3u) << step;  // empty, then two different rates
  }
}

}  // namespace
