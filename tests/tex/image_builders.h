// Small image files built in memory for the texture-creation tests: PPM, BMP (plain, palette and
// bit-field), grey TGA, PNG through libpng and DDS with mip levels and faces.
#pragma once
#include <d3d9.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace imagebuild {

using FileBytes = std::vector<BYTE>;
// 0xAARRGGBB of pixel (x, y).
using Paint = std::function<uint32_t(UINT x, UINT y)>;

inline void Le16(FileBytes& b, uint32_t v) {
  b.push_back(BYTE(v));
  b.push_back(BYTE(v >> 8));
}
inline void Le32(FileBytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(BYTE(v >> (8 * i)));
}

// Binary PPM (P6) of the paint's colour.
inline FileBytes Ppm(UINT w, UINT h, const Paint& paint) {
  const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  FileBytes b(header.begin(), header.end());
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      const uint32_t c = paint(x, y);
      b.push_back(BYTE(c >> 16)), b.push_back(BYTE(c >> 8)), b.push_back(BYTE(c));
    }
  return b;
}

// A top-down BMP of `bitCount` bits; `pixel` gives each pixel's stored value (an index, a 16-bit
// word or 0xRRGGBB). `palette` entries are 0xRRGGBB; `masks` (red, green, blue) make it a
// bit-field file.
inline FileBytes Bmp(UINT w, UINT h, UINT bitCount, const std::function<uint32_t(UINT, UINT)>& pixel,
                     const std::vector<uint32_t>& palette = {}, const std::vector<uint32_t>& masks = {}) {
  const UINT headerBytes = masks.empty() ? 40 : 56;
  const UINT stride = (w * bitCount / 8 + 3) & ~3u;
  const UINT offset = 14 + headerBytes + UINT(palette.size()) * 4;
  FileBytes b = {'B', 'M'};
  Le32(b, offset + stride * h), Le32(b, 0), Le32(b, offset);
  Le32(b, headerBytes), Le32(b, w), Le32(b, uint32_t(-int32_t(h))), Le16(b, 1), Le16(b, bitCount);
  Le32(b, masks.empty() ? 0 : 3), Le32(b, stride * h), Le32(b, 2835), Le32(b, 2835);
  Le32(b, UINT(palette.size())), Le32(b, 0);
  if (!masks.empty()) {
    for (uint32_t m : masks) Le32(b, m);
    Le32(b, 0);
  }
  for (uint32_t c : palette) Le32(b, c & 0xFFFFFF);
  for (UINT y = 0; y < h; ++y) {
    const size_t start = b.size();
    for (UINT x = 0; x < w; ++x) {
      const uint32_t v = pixel(x, y);
      for (UINT i = 0; i < bitCount / 8; ++i) b.push_back(BYTE(v >> (8 * i)));
    }
    b.resize(start + stride, 0);
  }
  return b;
}

// An uncompressed top-down 8-bit grey TGA.
inline FileBytes GreyTga(UINT w, UINT h, const std::function<BYTE(UINT, UINT)>& grey) {
  FileBytes b = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Le16(b, w), Le16(b, h);
  b.push_back(8), b.push_back(0x20);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) b.push_back(grey(x, y));
  return b;
}

// A PNG of the paint's colours, with alpha when `alpha`.
inline FileBytes Png(UINT w, UINT h, const Paint& paint, bool alpha) {
  const UINT channels = alpha ? 4 : 3;
  std::vector<BYTE> px;
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      const uint32_t c = paint(x, y);
      px.push_back(BYTE(c >> 16)), px.push_back(BYTE(c >> 8)), px.push_back(BYTE(c));
      if (alpha) px.push_back(BYTE(c >> 24));
    }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, px.data(), int(w * channels), nullptr);
  FileBytes out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, px.data(), int(w * channels), nullptr);
  out.resize(size);
  return out;
}

// A DDS of a four-character-code format: `levels` levels of `faces` faces (1 or 6), or of a
// volume when `depth` is above 0; `level(face, l)` gives each level's stored bytes.
inline FileBytes Dds(D3DFORMAT fourCc, UINT w, UINT h, UINT levels, UINT faces,
                     const std::function<FileBytes(UINT face, UINT level)>& level, UINT depth = 0) {
  FileBytes b = {'D', 'D', 'S', ' '};
  Le32(b, 124), Le32(b, 0x1007 | (levels > 1 ? 0x20000 : 0) | (depth ? 0x800000 : 0)), Le32(b, h), Le32(b, w),
      Le32(b, 0), Le32(b, depth), Le32(b, levels);
  for (int i = 0; i < 11; ++i) Le32(b, 0);
  Le32(b, 32), Le32(b, 0x4), Le32(b, uint32_t(fourCc));
  for (int i = 0; i < 5; ++i) Le32(b, 0);
  Le32(b, 0x1000), Le32(b, faces == 6 ? 0xFE00 : depth ? 0x200000 : 0), Le32(b, 0), Le32(b, 0), Le32(b, 0);
  for (UINT f = 0; f < faces; ++f)
    for (UINT l = 0; l < levels; ++l) {
      const FileBytes data = level(f, l);
      b.insert(b.end(), data.begin(), data.end());
    }
  return b;
}

// One DXT5 block of a single opaque 5:6:5 colour.
inline FileBytes SolidDxt5Block(uint16_t color565) {
  FileBytes b = {255, 255, 0, 0, 0, 0, 0, 0};
  Le16(b, color565), Le16(b, color565), Le32(b, 0);
  return b;
}

}  // namespace imagebuild
