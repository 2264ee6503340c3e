// Building blocks of the specialised span routines (scalar and SIMD): packed-pixel arithmetic,
// single-level texture fetches, and the classification of a pixel state.
#pragma once
#include <algorithm>

#include "bin.h"
#include "fast_path.h"
#include "span.h"
#include "state.h"

namespace swr {

// Picks the pixel state's span routine (and sets its scalar fallback, kernel name and fast path).
SpanFn chooseKernel(PixelState& ps);
// Which states the specialised routines cover, and how; false: the general path only.
bool analyse(const PixelState& ps, FastPath& f);
// The SIMD routine for this state on this processor, or null.
SpanFn chooseSimdKernel(PixelState& ps, const FastPath& f);
// Whether a SIMD span routine draws t's spans itself instead of handing them to the scalar one.
inline bool simdDraws(const Tri& t, const Target& tg, bool depth) {
  return t.constDiffuse && tg.color && (!depth || tg.depth);
}
// Whether t's span routine honours Spans::depthPasses.
inline bool takesDepthPasses(const Tri& t, const Target& tg) {
  return t.ps->simdSpan && simdDraws(t, tg, true);
}
// For tests: SIMD routines chosen from now on read every texel through the general fetch, so the
// direct reads of one-texel-per-pixel quads can be checked against it.
void disableDirectTexelReads(bool on);

namespace kernel {

struct TexRef {
  const uint32_t* p;
  int32_t w, h, pitch, wmask, hmask;
  float fw, fh;
  uint32_t alphaOr;
};

inline TexRef texRef(const Sampler& s, int level) {
  const SampledLevel& l = s.level[level];
  return {l.texels,       l.width,         l.height,
          l.pitch,        l.width - 1,     l.height - 1,
          float(l.width), float(l.height), s.opaque ? 0xFF000000u : 0u};
}

inline int32_t floori(float f) {
  f = std::min(std::max(f, -1e9f), 1e9f);  // NaN becomes -1e9
  int32_t i = int32_t(f);
  return i - (f < float(i) ? 1 : 0);
}

template <Addressing ADDR>
inline int32_t wrapIndex(int32_t i, int32_t mask, int32_t n) {
  if (ADDR == Addressing::Wrap) return i & mask;
  if (ADDR == Addressing::WrapAny) return ((i % n) + n) % n;
  return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

template <Addressing ADDR>
inline uint32_t samplePoint(const TexRef& t, float u, float v) {
  int32_t x = wrapIndex<ADDR>(floori(u * t.fw), t.wmask, t.w),
          y = wrapIndex<ADDR>(floori(v * t.fh), t.hmask, t.h);
  return t.p[size_t(y) * t.pitch + x] | t.alphaOr;
}

// a + (b - a) * f / 256, rounded, on all four channels at once; f in 0..256.
inline uint32_t lerp8(uint32_t a, uint32_t b, uint32_t f) {
  uint32_t rb = (((a & 0xFF00FFu) * (256 - f) + (b & 0xFF00FFu) * f + 0x00800080u) >> 8) & 0xFF00FFu;
  uint32_t ag = (((a >> 8) & 0xFF00FFu) * (256 - f) + ((b >> 8) & 0xFF00FFu) * f + 0x00800080u) & 0xFF00FF00u;
  return rb | ag;
}

// Bilinear with 8-bit weights, the sample position rounded to 1/256 texel.
template <Addressing ADDR>
inline uint32_t sampleBilinear(const TexRef& t, float u, float v) {
  int32_t fu = floori(u * (t.fw * 256.0f) - 127.5f), fv = floori(v * (t.fh * 256.0f) - 127.5f);
  int32_t xi = fu >> 8, yi = fv >> 8;
  uint32_t fx = uint32_t(fu & 255), fy = uint32_t(fv & 255);
  int32_t x0 = wrapIndex<ADDR>(xi, t.wmask, t.w), x1 = wrapIndex<ADDR>(xi + 1, t.wmask, t.w);
  int32_t y0 = wrapIndex<ADDR>(yi, t.hmask, t.h), y1 = wrapIndex<ADDR>(yi + 1, t.hmask, t.h);
  const uint32_t* r0 = t.p + size_t(y0) * t.pitch;
  const uint32_t* r1 = t.p + size_t(y1) * t.pitch;
  return lerp8(lerp8(r0[x0], r0[x1], fx), lerp8(r1[x0], r1[x1], fx), fy) | t.alphaOr;
}

inline uint32_t mul8(uint32_t a, uint32_t b) {
  uint32_t x = a * b + 128;
  return (x + (x >> 8)) >> 8;
}

inline uint32_t modulate(uint32_t a, uint32_t b) {
  return mul8(a >> 24, b >> 24) << 24 | mul8((a >> 16) & 255, (b >> 16) & 255) << 16 |
         mul8((a >> 8) & 255, (b >> 8) & 255) << 8 | mul8(a & 255, b & 255);
}

inline uint32_t quantize(float premultiplied, float w) {
  float c = premultiplied * w;
  c = c > 1.0f ? 1.0f : (c > 0.0f ? c : 0.0f);
  return uint32_t(c * 255.0f + 0.5f);
}

inline uint32_t pickColor(StageColor mode, uint32_t texel, uint32_t diffuse) {
  switch (mode) {
    case StageColor::Modulate:
      return modulate(texel, diffuse);
    case StageColor::Texture:
      return texel;
    case StageColor::Diffuse:
      return diffuse;
    default:
      return 0xFFFFFFFFu;
  }
}

inline uint32_t combine(StageColor colorMode, StageColor alphaMode, uint32_t texel, uint32_t diffuse) {
  return (pickColor(colorMode, texel, diffuse) & 0x00FFFFFFu) |
         (pickColor(alphaMode, texel, diffuse) & 0xFF000000u);
}

inline uint32_t addSat(uint32_t a, uint32_t b) {
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) out |= std::min(((a >> s) & 255) + ((b >> s) & 255), 255u) << s;
  return out;
}

inline uint32_t blendAlpha(uint32_t src, uint32_t dst) {
  uint32_t a = src >> 24, out = 0;
  for (int s = 0; s < 32; s += 8)
    out |= std::min(mul8((src >> s) & 255, a) + mul8((dst >> s) & 255, 255 - a), 255u) << s;
  return out;
}

}  // namespace kernel
}  // namespace swr
