// Spline and barycentric blends over 2, 3 or 4 lanes, for the SSE and SSE2 sets.
#pragma once
#include "simd.h"

namespace simd {

// w = weights; out = w.x a + w.y b + w.z c + w.w d, over `n` lanes.
template <int N>
inline void Blend4(float* out, const float* a, const float* b, const float* c, const float* d, __m128 w) {
  auto load = [](const float* p) { return N == 2 ? Load2(p) : N == 3 ? Load3(p) : Load4(p); };
  __m128 r = _mm_mul_ps(load(a), SKYVALE_SPLAT(w, 0));
  r = _mm_add_ps(r, _mm_mul_ps(load(b), SKYVALE_SPLAT(w, 1)));
  r = _mm_add_ps(r, _mm_mul_ps(load(c), SKYVALE_SPLAT(w, 2)));
  r = _mm_add_ps(r, _mm_mul_ps(load(d), SKYVALE_SPLAT(w, 3)));
  if (N == 2) Store2(out, r);
  if (N == 3) Store3(out, r);
  if (N == 4) Store4(out, r);
}

inline __m128 HermiteWeights(float s) {
  const float s2 = s * s, s3 = s2 * s;
  return _mm_setr_ps(2 * s3 - 3 * s2 + 1, s3 - 2 * s2 + s, -2 * s3 + 3 * s2, s3 - s2);
}
inline __m128 CatmullRomWeights(float s) {
  const float s2 = s * s, s3 = s2 * s;
  return _mm_mul_ps(_mm_set1_ps(0.5f),
                    _mm_setr_ps(-s3 + 2 * s2 - s, 3 * s3 - 5 * s2 + 2, -3 * s3 + 4 * s2 + s, s3 - s2));
}

// v1 + f (v2 - v1) + g (v3 - v1)
template <int N>
inline void BaryCentric(float* out, const float* v1, const float* v2, const float* v3, float f, float g) {
  auto load = [](const float* p) { return N == 2 ? Load2(p) : N == 3 ? Load3(p) : Load4(p); };
  const __m128 a = load(v1);
  const __m128 r = _mm_add_ps(_mm_add_ps(a, _mm_mul_ps(_mm_set1_ps(f), _mm_sub_ps(load(v2), a))),
                              _mm_mul_ps(_mm_set1_ps(g), _mm_sub_ps(load(v3), a)));
  if (N == 2) Store2(out, r);
  if (N == 3) Store3(out, r);
  if (N == 4) Store4(out, r);
}

}  // namespace simd
