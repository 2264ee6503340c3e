// General texture sampling: address modes, point/linear filters, mip level selection from the
// analytic screen-space derivatives of the texture coordinates.
#include <cmath>

#include "sample.h"

namespace swr {
namespace {

// Maps a texel index into [0, n); false means "outside, use the border colour".
bool address(Address mode, int64_t i, int n, int& out) {
  switch (mode) {
    case Address::Mirror: {
      int64_t p = 2 * int64_t(n), m = ((i % p) + p) % p;
      out = int(m < n ? m : p - 1 - m);
      return true;
    }
    case Address::Clamp:
      out = int(i < 0 ? 0 : (i >= n ? n - 1 : i));
      return true;
    case Address::Border:
      if (i < 0 || i >= n) return false;
      out = int(i);
      return true;
    case Address::MirrorOnce:
      if (i < 0) i = -i - 1;
      out = int(i >= n ? n - 1 : i);
      return true;
    default:
      out = int(((i % n) + n) % n);
      return true;
  }
}

Float4 texel(const Sampler& s, int level, int64_t x, int64_t y) {
  int ix, iy;
  const SampledLevel& l = s.level[level];
  if (!address(s.addressU, x, l.width, ix) || !address(s.addressV, y, l.height, iy))
    return unpackColor(s.border);
  return unpackColor(l.texels[size_t(iy) * l.pitch + ix], s.opaque);
}

// Texture-space position, limited so that the integer conversion below is always defined.
double scaled(float c, int n) {
  double v = double(c) * n;
  if (!(v > -1e9)) return v != v ? 0.0 : -1e9;
  return v < 1e9 ? v : 1e9;
}

Float4 sampleLevel(const Sampler& s, int level, float u, float v, Filter filter) {
  double x = scaled(u, s.level[level].width), y = scaled(v, s.level[level].height);
  if (filter == Filter::Point) return texel(s, level, int64_t(std::floor(x)), int64_t(std::floor(y)));
  x -= 0.5, y -= 0.5;
  double fx = std::floor(x), fy = std::floor(y);
  float a = float(x - fx), b = float(y - fy);
  int64_t x0 = int64_t(fx), y0 = int64_t(fy);
  Float4 t00 = texel(s, level, x0, y0), t10 = texel(s, level, x0 + 1, y0);
  Float4 t01 = texel(s, level, x0, y0 + 1), t11 = texel(s, level, x0 + 1, y0 + 1);
  auto mix = [&](float c00, float c10, float c01, float c11) {
    return (c00 * (1 - a) + c10 * a) * (1 - b) + (c01 * (1 - a) + c11 * a) * b;
  };
  return {mix(t00.r, t10.r, t01.r, t11.r), mix(t00.g, t10.g, t01.g, t11.g), mix(t00.b, t10.b, t01.b, t11.b),
          mix(t00.a, t10.a, t01.a, t11.a)};
}

}  // namespace

Float4 unpackColor(uint32_t c, bool opaque) {
  return {float((c >> 16) & 255) / 255.0f, float((c >> 8) & 255) / 255.0f, float(c & 255) / 255.0f,
          opaque ? 1.0f : float(c >> 24) / 255.0f};
}

uint32_t packColor(const Float4& c) {
  auto q = [](float x) {
    x = x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f);
    return uint32_t(x * 255.0f + 0.5f);
  };
  return q(c.a) << 24 | q(c.r) << 16 | q(c.g) << 8 | q(c.b);
}

// Level of detail of a footprint: log2 of the longer texel-space derivative vector.
float textureLod(const Sampler& s, float dudx, float dvdx, float dudy, float dvdy) {
  float w = float(s.level[0].width), h = float(s.level[0].height);
  float px = (dudx * w) * (dudx * w) + (dvdx * h) * (dvdx * h);
  float py = (dudy * w) * (dudy * w) + (dvdy * h) * (dvdy * h);
  float rho2 = px > py ? px : py;
  if (!(rho2 > 0.0f)) return -100.0f;
  float lod = 0.5f * std::log2(rho2) + s.lodBias;
  return std::isfinite(lod) ? lod : 100.0f;
}

Float4 sampleTexture(const Sampler& s, float u, float v, float dudx, float dvdx, float dudy, float dvdy) {
  float lod = textureLod(s, dudx, dvdx, dudy, dvdy);
  if (lod <= 0.0f || s.mip == MipMode::None)
    return sampleLevel(s, s.maxLevel, u, v, lod <= 0.0f ? s.mag : s.min);
  int last = s.levelCount - 1;
  auto clampLevel = [&](int l) { return l < s.maxLevel ? s.maxLevel : (l > last ? last : l); };
  if (s.mip == MipMode::Nearest) return sampleLevel(s, clampLevel(int(std::floor(lod + 0.5f))), u, v, s.min);
  int l0 = int(std::floor(lod > 64.0f ? 64.0f : lod));
  float f = lod - float(l0);
  Float4 a = sampleLevel(s, clampLevel(l0), u, v, s.min), b = sampleLevel(s, clampLevel(l0 + 1), u, v, s.min);
  return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
}

}  // namespace swr
