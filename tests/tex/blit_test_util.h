// Images for the transfer tests: a region inside a larger image whose border keeps a guard
// pattern, so that any write outside the region shows.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "../../d3dx/tex/blitter.h"
#include "../../d3dx/tex/format_info.h"

namespace blittest {

using namespace d3dx;

constexpr BYTE kGuard = 0xA5;

struct Canvas {
  // width x height x depth pixels of `format`, `border` guard pixels on every side in x and y
  // and one guard slice before and after.
  Canvas(D3DFORMAT format, UINT width, UINT height = 1, UINT depth = 1, UINT border = 3)
      : format(format),
        bpp(BytesPerPixel(format)),
        border(border),
        fullWidth(width + 2 * border),
        fullHeight(height + 2 * border),
        pitch(fullWidth * bpp),
        slicePitch(pitch * fullHeight),
        bytes(size_t(slicePitch) * (depth + 2), kGuard) {
    const UINT slices = depth + 2;
    region = {bytes.data(),
              format,
              pitch,
              slicePitch,
              {0, 0, fullWidth, fullHeight, 0, slices},
              {border, border, border + width, border + height, 1, 1 + depth},
              FALSE,
              FALSE,
              0,
              nullptr};
  }
  UINT Width() const { return region.region.Width(); }
  UINT Height() const { return region.region.Height(); }
  UINT Depth() const { return region.region.Depth(); }

  BYTE* At(UINT x, UINT y, UINT z = 0) {
    return bytes.data() + size_t(z + 1) * slicePitch + size_t(y + border) * pitch + size_t(x + border) * bpp;
  }
  uint64_t Pixel(UINT x, UINT y = 0, UINT z = 0) {
    uint64_t v = 0;
    std::memcpy(&v, At(x, y, z), bpp);
    return v;
  }
  void SetPixel(UINT x, UINT y, UINT z, uint64_t v) { std::memcpy(At(x, y, z), &v, bpp); }
  void Fill(uint64_t v) {
    for (UINT z = 0; z < Depth(); ++z)
      for (UINT y = 0; y < Height(); ++y)
        for (UINT x = 0; x < Width(); ++x) SetPixel(x, y, z, v);
  }
  void FillRandom(uint32_t seed, uint64_t mask = ~0ull) {
    std::mt19937_64 rng(seed);
    for (UINT z = 0; z < Depth(); ++z)
      for (UINT y = 0; y < Height(); ++y)
        for (UINT x = 0; x < Width(); ++x) SetPixel(x, y, z, rng() & mask);
  }
  // Every byte outside the region still holds the guard.
  bool GuardIntact() const {
    const ImageBox& r = region.region;
    for (size_t i = 0; i < bytes.size(); ++i) {
      const size_t z = i / slicePitch, y = i % slicePitch / pitch, x = i % pitch / bpp;
      const bool inside =
          z >= r.front && z < r.back && y >= r.top && y < r.bottom && x >= r.left && x < r.right;
      if (!inside && bytes[i] != kGuard) return false;
    }
    return true;
  }

  D3DFORMAT format;
  UINT bpp, border, fullWidth, fullHeight, pitch, slicePitch;
  std::vector<BYTE> bytes;
  ImageRegion region;
};

// 8-bit channel c (0 blue, 1 green, 2 red, 3 alpha) of an A8R8G8B8 word.
inline int Channel(uint64_t argb, int c) { return int((argb >> (8 * c)) & 0xFF); }

inline uint32_t Argb(int a, int r, int g, int b) {
  return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// The tent filter on one axis as a matrix worked out in double (see blit_weights_test.cpp for
// the weights themselves): out[d] = sum over s of w(d, s) * in[s].
inline std::vector<std::vector<double>> TentMatrix(UINT src, UINT dst, bool wrap) {
  std::vector<std::vector<double>> m(dst, std::vector<double>(src, 0.0));
  const int steps = 2000;
  for (UINT d = 0; d < dst; ++d)
    for (int k = 0; k < steps; ++k) {
      const double t = (d + (k + 0.5) / steps) * src / dst;
      for (UINT s = 0; s < src; ++s) {
        double dist = std::fabs(t - (s + 0.5));
        if (wrap) dist = std::fmin(dist, std::fmin(std::fabs(dist - src), std::fabs(t - (s + 0.5) + src)));
        double tent = std::fmax(0.0, 1.0 - dist);
        if (!wrap && ((s == 0 && t < 0.5) || (s == src - 1 && t > src - 0.5))) tent = 1.0;
        m[d][s] += tent / steps;
      }
    }
  return m;
}

}  // namespace blittest
