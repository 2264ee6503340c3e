// Text rasterisation with a warm cache: DrawTextW into a memory DC's 32-bit DIB section (one
// draw, and the measure-then-draw pair a font makes per text), the library font's DrawTextA of
// the same strings on the software device (layout, rasterisation, tile upload and sprite draw),
// beside FreeType's own cache subsystem rendering the same string with the same face and size
// into an 8-bit bitmap. A split of the library font's call shows what the software device's
// pipeline takes of it.
#include <benchmark/benchmark.h>
#include <d3dx9.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <windows.h>
#include FT_CACHE_H
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "../platform/d3d9/device.h"
#include "headless_device.h"

namespace {

const char16_t* const kTexts[] = {
    u"FPS:60.00000",
    u"The quick brown fox jumps over",  // 30 characters
    u"移动旋转关闭立体模式",            // 10 characters
};
const char* const kNames[] = {"fps", "latin30", "chinese10"};
// The same strings as the demo passes them: ANSI, code page 936.
const char* const kAnsiTexts[] = {
    "FPS:60.00000",
    "The quick brown fox jumps over",
    "\xD2\xC6\xB6\xAF\xD0\xFD\xD7\xAA\xB9\xD8\xB1\xD5\xC1\xA2\xCC\xE5\xC4\xA3\xCA\xBD",
};
constexpr int kSize = 256;
constexpr int kLineRows = 20;

// A memory DC as a font renderer keeps it: a 256 x 256 top-down DIB, white on opaque black.
struct GdiCanvas {
  GdiCanvas() {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    previousBitmap = SelectObject(dc, dib);
    LOGFONTA lf{};
    font = CreateFontIndirectA(&lf);
    previousFont = SelectObject(dc, font);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(255, 255, 255));
  }
  ~GdiCanvas() {
    SelectObject(dc, previousFont);
    SelectObject(dc, previousBitmap);
    DeleteObject(font);
    DeleteObject(dib);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP dib;
  HFONT font;
  HGDIOBJ previousBitmap, previousFont;
  void* bits = nullptr;
};

void BM_DrawTextW(benchmark::State& state) {
  GdiCanvas canvas;
  const char16_t* text = kTexts[state.range(0)];
  state.SetLabel(kNames[state.range(0)]);
  RECT r = {0, 0, kSize, kSize};
  DrawTextW(canvas.dc, text, -1, &r, 0);  // warm the glyph cache
  for (auto _ : state) {
    r = {0, 0, kSize, kSize};
    benchmark::DoNotOptimize(DrawTextW(canvas.dc, text, -1, &r, 0));
  }
}

// What a font does per text: measure, clear the measured box, draw into it.
void BM_DrawTextW_MeasureAndDraw(benchmark::State& state) {
  GdiCanvas canvas;
  const char16_t* text = kTexts[state.range(0)];
  state.SetLabel(kNames[state.range(0)]);
  RECT r = {0, 0, kSize, kSize};
  DrawTextW(canvas.dc, text, -1, &r, 0);
  for (auto _ : state) {
    r = {0, 0, kSize, kSize};
    DrawTextW(canvas.dc, text, -1, &r, DT_CALCRECT);
    for (LONG y = 0; y < r.bottom; ++y) std::memset((uint32_t*)canvas.bits + y * kSize, 0, r.right * 4);
    benchmark::DoNotOptimize(DrawTextW(canvas.dc, text, -1, &r, 0));
  }
}

// The open peer: FreeType's cache manager with a charmap cache and a small-bitmap cache, the
// string's glyphs composited at their advances into a 256 x 256 coverage bitmap. Warming holds
// the string's cache nodes: unheld, this FreeType release evicts them within a 30-glyph string
// once fontconfig has run in the process, and every draw would render its glyphs again.
struct FreeTypeCanvas {
  static FT_Error Requester(FTC_FaceID id, FT_Library library, FT_Pointer, FT_Face* face) {
    auto* self = static_cast<FreeTypeCanvas*>(id);
    return FT_New_Face(library, self->file.c_str(), self->index, face);
  }
  FreeTypeCanvas() {
    // The face the GDI layer picks for its default font.
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, (const FcChar8*)"sans-serif");
    FcPatternAddString(p, FC_LANG, (const FcChar8*)"zh-cn");
    FcPatternAddBool(p, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult result;
    FcPattern* m = FcFontMatch(nullptr, p, &result);
    FcChar8* path = nullptr;
    if (m && FcPatternGetString(m, FC_FILE, 0, &path) == FcResultMatch) file = (const char*)path;
    if (m) FcPatternGetInteger(m, FC_INDEX, 0, &index);
    if (m) FcPatternDestroy(m);
    FcPatternDestroy(p);
    FT_Init_FreeType(&library);
    FTC_Manager_New(library, 0, 0, 0, Requester, nullptr, &manager);
    FTC_CMapCache_New(manager, &cmaps);
    FTC_SBitCache_New(manager, &sbits);
    pixels.resize(kSize * kSize);
  }
  ~FreeTypeCanvas() {
    for (FTC_Node node : held) FTC_Node_Unref(node, manager);
    FTC_Manager_Done(manager);
    FT_Done_FreeType(library);
  }
  FTC_ImageTypeRec type() { return {this, 16, 16, FT_LOAD_DEFAULT | FT_LOAD_RENDER}; }
  void warm(const char16_t* text) {
    FTC_ImageTypeRec t = type();
    for (const char16_t* c = text; *c; ++c) {
      FTC_SBit sbit = nullptr;
      FTC_Node node = nullptr;
      if (FTC_SBitCache_Lookup(sbits, &t, FTC_CMapCache_Lookup(cmaps, this, 0, *c), &sbit, &node) == 0 &&
          node)
        held.push_back(node);
    }
  }
  void draw(const char16_t* text) {
    FTC_ImageTypeRec t = type();
    std::fill(pixels.begin(), pixels.begin() + kLineRows * kSize, 0);  // the line's box, as opaque text fills
    int pen = 0;
    const int baseline = 15;
    for (const char16_t* c = text; *c; ++c) {
      FT_UInt glyph = FTC_CMapCache_Lookup(cmaps, this, 0, *c);
      FTC_SBit sbit = nullptr;
      if (FTC_SBitCache_Lookup(sbits, &t, glyph, &sbit, nullptr) != 0 || !sbit) continue;
      for (int y = 0; y < sbit->height; ++y) {
        int py = baseline - sbit->top + y;
        if (py < 0 || py >= kSize) continue;
        for (int x = 0; x < sbit->width; ++x) {
          int px = pen + sbit->left + x;
          if (px < 0 || px >= kSize) continue;
          uint8_t& d = pixels[py * kSize + px];
          d = std::max(d, sbit->buffer[y * sbit->pitch + x]);
        }
      }
      pen += sbit->xadvance;
    }
  }
  std::string file;
  int index = 0;
  FT_Library library = nullptr;
  FTC_Manager manager = nullptr;
  FTC_CMapCache cmaps = nullptr;
  FTC_SBitCache sbits = nullptr;
  std::vector<uint8_t> pixels;
  std::vector<FTC_Node> held;
};

void BM_FreeTypeCache(benchmark::State& state) {
  FreeTypeCanvas canvas;
  if (canvas.file.empty()) {
    state.SkipWithError("no face found");
    return;
  }
  const char16_t* text = kTexts[state.range(0)];
  state.SetLabel(kNames[state.range(0)]);
  canvas.warm(text);
  for (auto _ : state) {
    canvas.draw(text);
    benchmark::DoNotOptimize(canvas.pixels.data());
  }
}

// The demo's font on a 640 x 480 software device, released with the platform.
struct DemoFont {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = CreateHeadlessDevice(&d3d, 640, 480, D3DFMT_X8R8G8B8, D3DFMT_D24S8);
  ID3DXFont* font = nullptr;
  DemoFont() {
    LOGFONTA lf{};
    if (device && FAILED(D3DXCreateFontIndirect(device, &lf, &font))) font = nullptr;
  }
  ~DemoFont() {
    if (font) font->Release();
    if (device) device->Release();
    if (d3d) d3d->Release();
    SkyvaleStopPlatform();
  }
};

// The demo's call: a font made from a zeroed LOGFONTA drawing opaque text at (20, 20) with
// format 0, bracketing itself, inside a scene of a 640 x 480 software device.
void BM_D3DXFontDrawTextA(benchmark::State& state) {
  DemoFont demo;
  if (!demo.font) {
    state.SkipWithError("no device or font");
    return;
  }
  IDirect3DDevice9* device = demo.device;
  ID3DXFont* font = demo.font;
  const char* text = kAnsiTexts[state.range(0)];
  state.SetLabel(kNames[state.range(0)]);
  device->BeginScene();
  RECT r = {20, 20, 400, 40};
  font->DrawTextA(text, -1, &r, 0, 0xFFFFFF00);  // warm the glyphs and the state blocks
  for (auto _ : state) benchmark::DoNotOptimize(font->DrawTextA(text, -1, &r, 0, 0xFFFFFF00));
  device->EndScene();
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The same call's CPU time in microseconds, split by the pipeline's profile: rasterisation of the
// tiles (flushed when a tile texture is locked again), the pipeline's part of the draw calls, and
// the rest (layout and rasterisation by GDI, uploads, the sprite, state blocks, device calls).
// Profiling reads the clock per draw and per screen tile, which falls mostly on the draw figure:
// the total here runs above BM_D3DXFontDrawTextA's.
void BM_D3DXFontDrawTextA_Split(benchmark::State& state) {
  DemoFont demo;
  if (!demo.font) {
    state.SkipWithError("no device or font");
    return;
  }
  IDirect3DDevice9* device = demo.device;
  ID3DXFont* font = demo.font;
  swr::Pipeline& pipeline = static_cast<d3d9rt::Device*>(device)->pipeline();
  const char* text = kAnsiTexts[state.range(0)];
  state.SetLabel(kNames[state.range(0)]);
  device->BeginScene();
  RECT r = {20, 20, 400, 40};
  font->DrawTextA(text, -1, &r, 0, 0xFFFFFF00);
  pipeline.setProfiling(true);
  const double cpu0 = ProcessCpuSeconds();
  uint64_t calls = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(font->DrawTextA(text, -1, &r, 0, 0xFFFFFF00));
    ++calls;
  }
  const swr::PipelineProfile profile = pipeline.profile();  // flushes the last call's tiles
  const double cpuUs = (ProcessCpuSeconds() - cpu0) * 1e6 / double(calls);
  const double rasterUs = double(profile.rasterNs) * 1e-3 / double(calls);
  const double drawUs = double(profile.drawNs) * 1e-3 / double(calls);
  pipeline.setProfiling(false);
  state.counters["total_us"] = cpuUs;
  state.counters["raster_us"] = rasterUs;
  state.counters["pipeline_draw_us"] = drawUs;
  state.counters["rest_us"] = cpuUs - rasterUs - drawUs;
  device->EndScene();
}

BENCHMARK(BM_DrawTextW)->DenseRange(0, 2);
BENCHMARK(BM_D3DXFontDrawTextA)->DenseRange(0, 2)->MeasureProcessCPUTime();
BENCHMARK(BM_DrawTextW_MeasureAndDraw)->DenseRange(0, 2);
BENCHMARK(BM_FreeTypeCache)->DenseRange(0, 2);
BENCHMARK(BM_D3DXFontDrawTextA_Split)->DenseRange(0, 2)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
