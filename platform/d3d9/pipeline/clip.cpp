// Clipping in homogeneous clip space: the near (z >= 0) and far (z <= w) planes exactly, the sides
// only where a vertex leaves the guard band, so almost every triangle skips this stage.
#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "clip.h"

namespace swr {
uint32_t clipCodes(const PVertex& v, const ScreenMap& m) {
  const int32_t anywhere[4] = {0, 0, 0, 0};
  const PVertex four[4] = {v, v, v, v};
  return uint32_t(_mm_cvtsi128_si32(ClipLanes(m, anywhere).codes(four))) & kClipPlaneBits;
}

uint32_t clipBatch(const PVertex* v, uint32_t count, const ClipLanes& lanes, uint32_t* codes) {
  __m128i all = _mm_set1_epi32(-1);
  uint32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i c = lanes.codes(v + i);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(codes + i), c);
    all = _mm_and_si128(all, c);
  }
  if (i < count) {
    // The last few, padded with copies of the last one (which change no shared bit).
    PVertex tail[4];
    for (uint32_t k = 0; k < 4; ++k) std::memcpy(&tail[k].x, &v[i + k < count ? i + k : count - 1].x, 16);
    alignas(16) uint32_t c[4];
    const __m128i t = lanes.codes(tail);
    _mm_store_si128(reinterpret_cast<__m128i*>(c), t);
    for (uint32_t k = 0; i + k < count; ++k) codes[i + k] = c[k];
    all = _mm_and_si128(all, t);
  }
  return ClipLanes::shared(all);
}

float clipDistance(ClipPlane plane, const PVertex& v, const ScreenMap& m) {
  switch (plane) {
    case ClipPlane::Near:
      return v.z;
    case ClipPlane::Far:
      return v.w - v.z;
    case ClipPlane::GuardLeft:
      return v.x - m.gx0 * v.w;
    case ClipPlane::GuardRight:
      return m.gx1 * v.w - v.x;
    case ClipPlane::GuardTop:
      return v.y - m.gy0 * v.w;
    case ClipPlane::GuardBottom:
      return m.gy1 * v.w - v.y;
    default:
      return v.w - kMinW;
  }
}

// Sutherland-Hodgman over the planes named in `codes`; every attribute is interpolated linearly in
// clip space. `out` and `scratch` hold at least 3 + kClipPlanes vertices.
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch) {
  if (codes & kClipInvalid) return 0;
  const PVertex* src = in;
  PVertex* bufs[2] = {scratch, out};
  // Pick buffers so the final pass lands in `out`.
  int passes = 0;
  for (int p = 0; p < kClipPlanes; ++p) passes += (codes >> p) & 1;
  int which = passes & 1 ? 1 : 0;
  for (int p = 0; p < kClipPlanes && n > 0; ++p) {
    if (!((codes >> p) & 1)) continue;
    PVertex* dst = bufs[which];
    which ^= 1;
    int k = 0;
    for (int i = 0; i < n; ++i) {
      const PVertex& a = src[i];
      const PVertex& b = src[(i + 1) % n];
      float da = clipDistance(ClipPlane(p), a, m), db = clipDistance(ClipPlane(p), b, m);
      if (da >= 0.0f) dst[k++] = a;
      if ((da >= 0.0f) != (db >= 0.0f)) {
        float t = da / (da - db);
        PVertex& r = dst[k++];
        r.x = a.x + (b.x - a.x) * t;
        r.y = a.y + (b.y - a.y) * t;
        r.z = a.z + (b.z - a.z) * t;
        r.w = a.w + (b.w - a.w) * t;
        for (int j = 0; j < nv; ++j) r.v[j] = a.v[j] + (b.v[j] - a.v[j]) * t;
        if (ClipPlane(p) == ClipPlane::Near) r.z = 0.0f;  // exactly on the plane, whatever the rounding
        if (ClipPlane(p) == ClipPlane::Far) r.z = r.w;
      }
    }
    n = k;
    src = dst;
  }
  if (src != out)
    for (int i = 0; i < n; ++i) out[i] = src[i];
  return n;
}

}  // namespace swr
