// The colour endpoint optimiser on four lanes (SSE2) and on eight (AVX2): the 16 points of a block
// fill four or two registers per channel. Same body and summation tree as the plain version.
#include <immintrin.h>

#include <utility>

#include "dxt_encoder.h"

namespace d3dx {
namespace dxt {

namespace sse2 {

struct Lanes {
  static constexpr int kWidth = 4;
  using Reg = __m128;
  static Reg Load(const float* p) { return _mm_load_ps(p); }
  static Reg Set(float v) { return _mm_set1_ps(v); }
  static Reg Add(Reg a, Reg b) { return _mm_add_ps(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm_sub_ps(a, b); }
  static Reg Mul(Reg a, Reg b) { return _mm_mul_ps(a, b); }
  static Reg Min(Reg a, Reg b) { return _mm_min_ps(a, b); }
  static Reg Max(Reg a, Reg b) { return _mm_max_ps(a, b); }
  static Reg Trunc(Reg a) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(a)); }
  // One mask per value.
  struct Selector {
    Reg is[4];
  };
  static Selector Choose(Reg k) {
    return {{_mm_cmpeq_ps(k, _mm_setzero_ps()), _mm_cmpeq_ps(k, _mm_set1_ps(1.0f)),
             _mm_cmpeq_ps(k, _mm_set1_ps(2.0f)), _mm_cmpeq_ps(k, _mm_set1_ps(3.0f))}};
  }
  static Reg Select(const Selector& k, float t0, float t1, float t2, float t3) {
    return _mm_or_ps(_mm_or_ps(_mm_and_ps(k.is[0], _mm_set1_ps(t0)), _mm_and_ps(k.is[1], _mm_set1_ps(t1))),
                     _mm_or_ps(_mm_and_ps(k.is[2], _mm_set1_ps(t2)), _mm_and_ps(k.is[3], _mm_set1_ps(t3))));
  }
  static float HMin(Reg a) {
    a = _mm_min_ps(a, _mm_movehl_ps(a, a));
    return _mm_cvtss_f32(_mm_min_ss(a, _mm_shuffle_ps(a, a, 1)));
  }
  static float HMax(Reg a) {
    a = _mm_max_ps(a, _mm_movehl_ps(a, a));
    return _mm_cvtss_f32(_mm_max_ss(a, _mm_shuffle_ps(a, a, 1)));
  }
  // Points 0-3, 4-7, 8-11 and 12-15 in the four registers.
  static float Sum16(const Reg (&p)[4]) {
    const Reg a03 = _mm_add_ps(p[0], p[2]), a47 = _mm_add_ps(p[1], p[3]);
    const Reg b = _mm_add_ps(_mm_shuffle_ps(a03, a47, _MM_SHUFFLE(2, 0, 2, 0)),
                             _mm_shuffle_ps(a03, a47, _MM_SHUFFLE(3, 1, 3, 1)));
    const Reg c = _mm_add_ps(b, _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtss_f32(_mm_add_ss(c, _mm_movehl_ps(c, c)));
  }
  static void Sum16x4(const Reg (*c)[4], float* out) {
    for (int k = 0; k < 4; ++k) out[k] = Sum16(c[k]);
  }
};

#define DXT_TARGET
#include "dxt_color_fit.inc"
#undef DXT_TARGET

}  // namespace sse2

namespace avx2 {

#define DXT_TARGET __attribute__((target("avx2")))

struct Lanes {
  static constexpr int kWidth = 8;
  using Reg = __m256;
  DXT_TARGET static Reg Load(const float* p) { return _mm256_load_ps(p); }
  DXT_TARGET static Reg Set(float v) { return _mm256_set1_ps(v); }
  DXT_TARGET static Reg Add(Reg a, Reg b) { return _mm256_add_ps(a, b); }
  DXT_TARGET static Reg Sub(Reg a, Reg b) { return _mm256_sub_ps(a, b); }
  DXT_TARGET static Reg Mul(Reg a, Reg b) { return _mm256_mul_ps(a, b); }
  DXT_TARGET static Reg Min(Reg a, Reg b) { return _mm256_min_ps(a, b); }
  DXT_TARGET static Reg Max(Reg a, Reg b) { return _mm256_max_ps(a, b); }
  DXT_TARGET static Reg Trunc(Reg a) { return _mm256_round_ps(a, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC); }
  using Selector = __m256i;
  DXT_TARGET static Selector Choose(Reg k) { return _mm256_cvttps_epi32(k); }
  DXT_TARGET static Reg Select(Selector k, float t0, float t1, float t2, float t3) {
    return _mm256_permutevar_ps(_mm256_setr_ps(t0, t1, t2, t3, t0, t1, t2, t3), k);
  }
  DXT_TARGET static float HMin(Reg a) {
    __m128 h = _mm_min_ps(_mm256_castps256_ps128(a), _mm256_extractf128_ps(a, 1));
    h = _mm_min_ps(h, _mm_movehl_ps(h, h));
    return _mm_cvtss_f32(_mm_min_ss(h, _mm_shuffle_ps(h, h, 1)));
  }
  DXT_TARGET static float HMax(Reg a) {
    __m128 h = _mm_max_ps(_mm256_castps256_ps128(a), _mm256_extractf128_ps(a, 1));
    h = _mm_max_ps(h, _mm_movehl_ps(h, h));
    return _mm_cvtss_f32(_mm_max_ss(h, _mm_shuffle_ps(h, h, 1)));
  }
  // Points 0-7 and 8-15 in the two registers. Adjacent pairs by horizontal adds, which within
  // each 128-bit half give b_j and then c_k; the halves hold c_0 and c_1.
  DXT_TARGET static float Sum16(const Reg (&p)[2]) {
    const Reg a = _mm256_add_ps(p[0], p[1]);
    const Reg b = _mm256_hadd_ps(a, a);
    const Reg c = _mm256_hadd_ps(b, b);
    return _mm_cvtss_f32(_mm_add_ss(_mm256_castps256_ps128(c), _mm256_extractf128_ps(c, 1)));
  }
  // Four sums at once: the horizontal adds interleave the quantities.
  DXT_TARGET static void Sum16x4(const Reg (*v)[2], float* out) {
    Reg a[4];
    for (int k = 0; k < 4; ++k) a[k] = _mm256_add_ps(v[k][0], v[k][1]);
    const Reg c = _mm256_hadd_ps(_mm256_hadd_ps(a[0], a[1]), _mm256_hadd_ps(a[2], a[3]));
    _mm_storeu_ps(out, _mm_add_ps(_mm256_castps256_ps128(c), _mm256_extractf128_ps(c, 1)));
  }
};

#include "dxt_color_fit.inc"
#undef DXT_TARGET

}  // namespace avx2

ColorLine OptimizeColorEndpointsSse2(const WeightedBlock& points, int steps) {
  return sse2::FitColorLine(points, steps);
}

ColorLine OptimizeColorEndpointsAvx2(const WeightedBlock& points, int steps) {
  return avx2::FitColorLine(points, steps);
}

}  // namespace dxt
}  // namespace d3dx
