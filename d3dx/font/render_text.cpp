// One text through the renderer, as named phases: measure with GDI, fit the box to the caller's
// rectangle and place it, grow the DIB when it is too small, clear and draw the box, then walk
// it in tiles, each uploaded as white texels with the coverage as alpha and drawn as a sprite.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "font_renderer.h"

namespace d3dx::font {
namespace {

// A text texel: white, the DIB pixel's low byte (GDI's coverage of white on black) as alpha.
inline uint32_t TextTexel(uint32_t dibPixel) { return (dibPixel << 24) | 0x00FFFFFFu; }

// A row of DIB pixels as text texels; built for AVX2 as well, picked when the program loads.
__attribute__((target_clones("avx2", "default"))) void CopyTextTexels(uint32_t* texels,
                                                                      const uint32_t* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) texels[i] = TextTexel(pixels[i]);
}

// The wide text as ANSI bytes, for platforms whose GDI only lays out ANSI text. Reads no further
// than the string's terminating zero, whatever the count says.
bool NarrowForAnsiPlatform(TextRun& run, std::vector<char>& bytes) {
  const auto* wide = static_cast<const WCHAR*>(run.text);
  int length = 0;
  const int limit = run.count < 0 ? INT32_MAX : run.count;
  while (length < limit && wide[length]) ++length;
  if (length == 0) {
    run = {"", 0, TextEncoding::Ansi};
    return true;
  }
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  bytes.resize(size);
  if (WideCharToMultiByte(CP_ACP, 0, wide, length, bytes.data(), size, nullptr, nullptr) != size)
    return false;
  run = {bytes.data(), size, TextEncoding::Ansi};
  return true;
}

bool PlatformLaysOutWideText() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

int GdiDrawText(HDC hdc, const TextRun& run, RECT* rect, UINT format) {
  return run.encoding == TextEncoding::Wide
             ? DrawTextW(hdc, static_cast<LPCWSTR>(run.text), run.count, rect, format)
             : DrawTextA(hdc, static_cast<LPCSTR>(run.text), run.count, rect, format);
}

// The box takes the measured size where the text is smaller than the rectangle, or clipping is
// off; otherwise the rectangle's, cutting the text at its edge. Unsigned, as the rectangle's
// size may be negative.
LONG FitExtent(LONG measured, LONG available, bool noClip) {
  return noClip || (ULONG)measured < (ULONG)available ? measured : available;
}

// Rectangle arithmetic wraps like the 32-bit words it is made of, whatever the edges hold.
inline LONG Wrap(int64_t v) { return (LONG)(ULONG)(uint64_t)v; }

LONG PlaceAlong(LONG nearEdge, LONG farEdge, LONG extent, bool atFar, bool centred) {
  if (atFar) return Wrap((int64_t)farEdge - extent);
  if (centred) return Wrap((int64_t)nearEdge + farEdge - extent) >> 1;
  return nearEdge;
}

}  // namespace

int FontRenderer::DrawText(HFONT font, TextRun run, RECT* rect, DWORD format, D3DCOLOR color) {
  // Validate.
  if (!run.text || !rect) return 0;
  const LONG rectWidth = Wrap((int64_t)rect->right - rect->left);
  const LONG rectHeight = Wrap((int64_t)rect->bottom - rect->top);

  // Narrow the wide text where GDI would not take it.
  std::vector<char> narrowed;
  if (run.encoding == TextEncoding::Wide && !PlatformLaysOutWideText() &&
      !NarrowForAnsiPlatform(run, narrowed))
    return 0;

  // Select the font.
  HGDIOBJ previous = SelectObject(hdc_, font);
  if (!previousFont_) previousFont_ = previous;

  // Measure.
  RECT measured = {0, 0, rectWidth, rectHeight};
  int result = GdiDrawText(hdc_, run, &measured, format | DT_CALCRECT);
  LONG w = measured.right - measured.left, h = measured.bottom - measured.top;
  if (w < 0) w = 0;
  if (h < 0) h = 0;

  // Fit and place the text box.
  const bool calcRect = (format & DT_CALCRECT) != 0;
  if (!calcRect) {
    w = FitExtent(w, rectWidth, format & DT_NOCLIP);
    h = FitExtent(h, rectHeight, format & DT_NOCLIP);
  }
  const LONG x = PlaceAlong(rect->left, rect->right, w, format & DT_RIGHT, format & DT_CENTER);
  const LONG y = PlaceAlong(rect->top, rect->bottom, h, format & DT_BOTTOM, format & DT_VCENTER);
  if (calcRect) {
    *rect = {x, y, Wrap((int64_t)x + w), Wrap((int64_t)y + h)};
    return result;
  }

  // Grow the DIB, clear the box and draw the text into it.
  if ((w > dibHeader_.biWidth || h > dibHeader_.biHeight) && !growDib(w, h)) return 0;
  const size_t pitch = (size_t)dibHeader_.biWidth;  // 32-bit rows are always 4-byte aligned
  for (LONG row = 0; row < h; ++row) std::fill_n(dibBits_ + row * pitch, w, 0u);
  RECT box = {0, 0, w, h};
  result = GdiDrawText(hdc_, run, &box, format);
  if (texFormat_ != D3DFMT_A8R8G8B8) {
    for (LONG row = 0; row < h; ++row) {
      uint32_t* p = dibBits_ + row * pitch;
      for (LONG col = 0; col < w; ++col) p[col] = TextTexel(p[col]);
    }
  }

  // Walk the box in tiles.
  const bool bracket = !inBegin_;
  if (bracket) Begin();
  bool failed = false;
  for (LONG ty = 0; ty < h && !failed; ty += (LONG)texHeight_) {
    for (LONG tx = 0; tx < w && !failed; tx += (LONG)texWidth_) {
      const RECT tile = {tx, ty, std::min<LONG>(tx + (LONG)texWidth_, w),
                         std::min<LONG>(ty + (LONG)texHeight_, h)};
      failed = FAILED(drawTile(tile, POINT{x, y}, color));
    }
  }
  if (failed) result = 0;
  if (bracket) End();
  return result;
}

bool FontRenderer::growDib(LONG width, LONG height) {
  // Half again per step, so a DIB that is large enough is kept for every later text.
  BITMAPINFO info{};
  info.bmiHeader = dibHeader_;
  int64_t grownWidth = dibHeader_.biWidth, grownHeight = dibHeader_.biHeight;
  while (grownWidth < width) grownWidth += std::max<int64_t>(grownWidth / 2, 1);
  while (grownHeight < height) grownHeight += std::max<int64_t>(grownHeight / 2, 1);
  if (grownWidth > INT32_MAX || grownHeight > INT32_MAX) return false;
  info.bmiHeader.biWidth = (LONG)grownWidth;
  info.bmiHeader.biHeight = -(LONG)grownHeight;
  void* bits = nullptr;
  HBITMAP grown = CreateDIBSection(hdc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!grown) return false;
  SelectObject(hdc_, grown);
  DeleteObject(dibBitmap_);
  dibBitmap_ = grown;
  dibBits_ = static_cast<uint32_t*>(bits);
  dibHeader_.biWidth = (LONG)grownWidth;
  dibHeader_.biHeight = (LONG)grownHeight;
  return true;
}

HRESULT FontRenderer::uploadTile(const RECT& tile) {
  IDirect3DSurface9* surface = surfaces_[currentTexture_];
  if (!surface) return D3DERR_INVALIDCALL;  // dynamic tiles released by a lost device
  const LONG tileWidth = tile.right - tile.left, tileHeight = tile.bottom - tile.top;
  const size_t dibPitch = (size_t)dibHeader_.biWidth;
  const uint32_t* source = dibBits_ + (size_t)tile.top * dibPitch + tile.left;
  if (texFormat_ != D3DFMT_A8R8G8B8) {
    // The DIB already holds text texels; the library converts them to the tile format.
    const RECT destination = {0, 0, tileWidth, tileHeight};
    return D3DXLoadSurfaceFromMemory(surface, nullptr, &destination, dibBits_, dibFormat_,
                                     (UINT)(dibPitch * 4), nullptr, &tile, D3DX_FILTER_POINT, 0);
  }
  D3DLOCKED_RECT locked;
  const RECT area = {0, 0, tileWidth, tileHeight};
  HRESULT hr = useDynamic_ ? surface->LockRect(&locked, nullptr, D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK)
                           : surface->LockRect(&locked, &area, D3DLOCK_NOSYSLOCK);
  if (FAILED(hr)) return hr;
  auto* target = static_cast<uint8_t*>(locked.pBits);
  for (LONG row = 0; row < tileHeight; ++row, source += dibPitch, target += locked.Pitch) {
    CopyTextTexels(reinterpret_cast<uint32_t*>(target), source, (size_t)tileWidth);
  }
  return surface->UnlockRect();
}

HRESULT FontRenderer::drawTile(const RECT& tile, POINT origin, D3DCOLOR color) {
  HRESULT hr = uploadTile(tile);
  if (FAILED(hr)) return hr;
  const RECT source = {0, 0, tile.right - tile.left, tile.bottom - tile.top};
  const D3DXVECTOR2 at((float)Wrap((int64_t)origin.x + tile.left), (float)Wrap((int64_t)origin.y + tile.top));
  hr = sprite_->Draw(textures_[currentTexture_], &source, nullptr, nullptr, 0, &at, color);
  if (!useDynamic_) currentTexture_ = (currentTexture_ + 1) % kTextureSlots;
  return hr;
}

}  // namespace d3dx::font
