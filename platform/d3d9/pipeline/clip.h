// Clip codes and polygon clipping in clip space.
#pragma once
#include <immintrin.h>

#include <cstdint>

#include "state.h"
#include "vertex.h"

namespace swr {

// The planes in clip-code bit order; a vertex with any of the last bit set (kClipInvalid) is not a
// number and drops its primitive.
enum class ClipPlane : uint8_t { Near, Far, GuardLeft, GuardRight, GuardTop, GuardBottom, MinW };
constexpr int kClipPlanes = 7;
constexpr uint32_t kClipInvalid = 1u << 31;

constexpr float kMinW = 1e-6f;

// Bit p set: the vertex is outside plane p (a negative clipDistance). Any infinity or NaN in the
// position gives kClipInvalid alone. Inline: every vertex of every draw goes through here.
inline uint32_t clipCodes(const PVertex& v, const ScreenMap& m) {
  const __m128 p = _mm_loadu_ps(&v.x);   // x y z w
  const __m128 zero = _mm_sub_ps(p, p);  // NaN in a lane for infinities and NaNs alike
  if (_mm_movemask_ps(_mm_cmpunord_ps(zero, zero))) return kClipInvalid;
  // The guard planes, lanes in bit order: x - gx0 w, gx1 w - x, y - gy0 w, gy1 w - y.
  const __m128 gw = _mm_mul_ps(_mm_loadu_ps(&m.gx0), _mm_shuffle_ps(p, p, _MM_SHUFFLE(3, 3, 3, 3)));
  const __m128 xy = _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 0, 1, 0));
  const __m128 lhs = _mm_unpacklo_ps(xy, _mm_shuffle_ps(gw, gw, _MM_SHUFFLE(3, 1, 3, 1)));  // x gx1w y gy1w
  const __m128 rhs = _mm_unpacklo_ps(_mm_shuffle_ps(gw, gw, _MM_SHUFFLE(2, 0, 2, 0)), xy);  // gx0w x gy0w y
  const uint32_t guard = uint32_t(_mm_movemask_ps(_mm_cmplt_ps(_mm_sub_ps(lhs, rhs), _mm_setzero_ps())));
  return uint32_t(v.z < 0.0f) | uint32_t(v.w - v.z < 0.0f) << 1 | guard << 2 |
         uint32_t(v.w - kMinW < 0.0f) << 6;
}
// The codes of a batch; returns the planes every vertex is outside of (nothing of it is visible
// when any is set).
inline uint32_t clipBatch(const PVertex* v, uint32_t count, const ScreenMap& m, uint32_t* codes) {
  uint32_t all = ~0u;
  for (uint32_t i = 0; i < count; ++i) all &= codes[i] = clipCodes(v[i], m);
  return all;
}

float clipDistance(ClipPlane plane, const PVertex& v, const ScreenMap& m);  // >= 0 inside
// Returns the number of output vertices; `out` and `scratch` hold at least 3 + kClipPlanes.
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch);

}  // namespace swr
