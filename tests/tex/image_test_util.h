// What the image-file tests share: file bytes, decoding through LoadImageFromMemory, and plain
// reference conversions of decoded pixels (and of libpng's and libjpeg's own decodes) to 8-bit RGBA.
#pragma once
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../../d3dx/tex/format_info.h"
#include "../../d3dx/tex/loaded_image.h"

namespace imagetest {

inline const std::string kData = SKYVALE_TESTDATA_DIR;

inline std::vector<BYTE> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(f), {});
}

inline void Put16(std::vector<BYTE>& b, size_t at, uint32_t v) {
  b[at] = BYTE(v);
  b[at + 1] = BYTE(v >> 8);
}
inline void Put32(std::vector<BYTE>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = BYTE(v >> (8 * i));
}

struct Decoded {
  HRESULT hr = E_FAIL;
  d3dx::LoadedImage image;
  D3DXIMAGE_INFO info = {};
};

// Decodes from an exact-size heap copy, so that any read past the end is caught by the sanitizer.
inline void Decode(const std::vector<BYTE>& file, Decoded& out, bool wantPixels = true) {
  out.hr = d3dx::LoadImageFromMemory(&out.image, file.empty() ? nullptr : file.data(), UINT(file.size()),
                                     &out.info, wantPixels);
}

// Every node is a valid source region, and every byte it covers can be read (a bad pointer or
// pitch shows under the sanitizer).
inline void ExpectReadable(const d3dx::LoadedImage& image) {
  uint32_t sum = 0;
  for (const d3dx::LoadedImage* f = &image; f; f = f->nextFace.get())
    for (const d3dx::LoadedImage* l = f; l; l = l->nextLevel.get()) {
      ASSERT_EQ(d3dx::ValidateImageRegion(l->Region()), D3D_OK);
      const size_t bytes = size_t(l->slicePitch) * (l->depth - 1) +
                           size_t(l->rowPitch) * (d3dx::StorageRows(l->format, l->height) - 1) +
                           d3dx::RowBytes(l->format, l->width);
      for (size_t i = 0; i < bytes; ++i) sum += l->pixels[i];
    }
  volatile uint32_t sink = sum;
  (void)sink;
}

// 8-bit RGBA, row-major.
struct Rgba {
  UINT width = 0, height = 0;
  std::vector<uint8_t> px;
};

inline uint8_t Scale(uint32_t v, uint32_t max) { return uint8_t((v * 255 + max / 2) / max); }
inline uint8_t Unit(float f) { return uint8_t(std::lround(std::fmin(std::fmax(f, 0.0f), 1.0f) * 255)); }

// A reference conversion of one decoded node, written out per format (no codecs).
inline Rgba ToRgba(const d3dx::LoadedImage& img) {
  Rgba out{img.width, img.height, std::vector<uint8_t>(size_t(img.width) * img.height * 4)};
  for (UINT y = 0; y < img.height; ++y) {
    const BYTE* row = img.pixels + size_t(y) * img.rowPitch;
    for (UINT x = 0; x < img.width; ++x) {
      uint8_t* o = &out.px[(size_t(y) * img.width + x) * 4];
      const UINT bytes = d3dx::BytesPerPixel(img.format);
      uint32_t v16 = 0, v32 = 0;
      if (bytes == 2) std::memcpy(&v16, row + 2 * x, 2);
      if (bytes == 4) std::memcpy(&v32, row + 4 * x, 4);
      auto set = [&](uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        o[0] = r, o[1] = g, o[2] = b, o[3] = a;
      };
      auto w16 = [&](int i, int n) {
        uint16_t w;
        std::memcpy(&w, row + (size_t(x) * n + i) * 2, 2);
        return Scale(w, 65535);
      };
      switch (uint32_t(img.format)) {
        case D3DFMT_P8: {
          const PALETTEENTRY& e = img.palette[row[x]];
          set(e.peRed, e.peGreen, e.peBlue, e.peFlags);
          break;
        }
        case D3DFMT_L8:
          set(row[x], row[x], row[x], 255);
          break;
        case D3DFMT_A8L8:
          set(row[2 * x], row[2 * x], row[2 * x], row[2 * x + 1]);
          break;
        case D3DFMT_L16:
          set(w16(0, 1), w16(0, 1), w16(0, 1), 255);
          break;
        case uint32_t(d3dx::FMT_A16L16):
          set(w16(0, 2), w16(0, 2), w16(0, 2), w16(1, 2));
          break;
        case D3DFMT_R8G8B8:
          set(row[3 * x + 2], row[3 * x + 1], row[3 * x], 255);
          break;
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8:
          set(v32 >> 16 & 255, v32 >> 8 & 255, v32 & 255, img.format == D3DFMT_A8R8G8B8 ? v32 >> 24 : 255);
          break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
          set(Scale(v16 >> 10 & 31, 31), Scale(v16 >> 5 & 31, 31), Scale(v16 & 31, 31),
              img.format == D3DFMT_A1R5G5B5 ? (v16 >> 15) * 255 : 255);
          break;
        case D3DFMT_R5G6B5:
          set(Scale(v16 >> 11, 31), Scale(v16 >> 5 & 63, 63), Scale(v16 & 31, 31), 255);
          break;
        case D3DFMT_A4R4G4B4:
          set(Scale(v16 >> 8 & 15, 15), Scale(v16 >> 4 & 15, 15), Scale(v16 & 15, 15), Scale(v16 >> 12, 15));
          break;
        case D3DFMT_A2R10G10B10:
          set(Scale(v32 >> 20 & 1023, 1023), Scale(v32 >> 10 & 1023, 1023), Scale(v32 & 1023, 1023),
              Scale(v32 >> 30, 3));
          break;
        case uint32_t(d3dx::FMT_R16G16B16):
          set(w16(2, 3), w16(1, 3), w16(0, 3), 255);
          break;
        case D3DFMT_A16B16G16R16:
          set(w16(0, 4), w16(1, 4), w16(2, 4), w16(3, 4));
          break;
        case D3DFMT_A32B32G32R32F: {
          float f[4];
          std::memcpy(f, row + 16 * x, 16);
          set(Unit(f[0]), Unit(f[1]), Unit(f[2]), Unit(f[3]));
          break;
        }
        default:
          ADD_FAILURE() << "no reference conversion for format " << img.format;
          return out;
      }
    }
  }
  return out;
}

// libpng's own decode of a file to 8-bit RGBA, with the gamma handling of our decoder: files
// with an sRGB chunk as stored, files with only a gamma corrected for a 2.2 screen.
inline Rgba LibpngRgba(const std::vector<BYTE>& file) {
  Rgba out;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  struct Reader {
    const std::vector<BYTE>* file;
    size_t pos;
  } reader{&file, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return {};
  }
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep dst, size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(p));
    std::memcpy(dst, r->file->data() + r->pos, n);
    r->pos += n;
  });
  png_read_info(png, info);
  double gamma = 0;
  if (!png_get_valid(png, info, PNG_INFO_sRGB) && png_get_gAMA(png, info, &gamma))
    png_set_gamma(png, 2.2, gamma);
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out.width = png_get_image_width(png, info);
  out.height = png_get_image_height(png, info);
  out.px.resize(size_t(out.width) * out.height * 4);
  std::vector<png_bytep> rows(out.height);
  for (UINT y = 0; y < out.height; ++y) rows[y] = &out.px[size_t(y) * out.width * 4];
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return out;
}

// The largest difference of any channel (of colour only, when `colorOnly`), or 256 when the sizes
// differ. Pixels transparent in both carry no colour to compare.
inline int MaxDifference(const Rgba& a, const Rgba& b, bool colorOnly = false) {
  if (a.width != b.width || a.height != b.height || a.px.size() != b.px.size()) return 256;
  int worst = 0;
  for (size_t p = 0; p < a.px.size(); p += 4) {
    const bool clear = !colorOnly && a.px[p + 3] == 0 && b.px[p + 3] == 0;
    for (size_t c = clear ? 3 : 0; c < (colorOnly ? 3u : 4u); ++c)
      worst = std::max(worst, std::abs(int(a.px[p + c]) - int(b.px[p + c])));
  }
  return worst;
}

}  // namespace imagetest
