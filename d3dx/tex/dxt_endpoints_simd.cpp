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
  static Reg Select(Reg k, float t0, float t1, float t2, float t3) {
    const Reg is1 = _mm_cmpeq_ps(k, _mm_set1_ps(1.0f));
    const Reg is2 = _mm_cmpeq_ps(k, _mm_set1_ps(2.0f));
    const Reg is3 = _mm_cmpeq_ps(k, _mm_set1_ps(3.0f));
    const Reg is0 = _mm_cmpeq_ps(k, _mm_setzero_ps());
    return _mm_or_ps(_mm_or_ps(_mm_and_ps(is0, _mm_set1_ps(t0)), _mm_and_ps(is1, _mm_set1_ps(t1))),
                     _mm_or_ps(_mm_and_ps(is2, _mm_set1_ps(t2)), _mm_and_ps(is3, _mm_set1_ps(t3))));
  }
  static float HMin(Reg a) {
    a = _mm_min_ps(a, _mm_movehl_ps(a, a));
    return _mm_cvtss_f32(_mm_min_ss(a, _mm_shuffle_ps(a, a, 1)));
  }
  static float HMax(Reg a) {
    a = _mm_max_ps(a, _mm_movehl_ps(a, a));
    return _mm_cvtss_f32(_mm_max_ss(a, _mm_shuffle_ps(a, a, 1)));
  }
  static float Fold(Reg a) {
    a = _mm_add_ps(a, _mm_movehl_ps(a, a));
    return _mm_cvtss_f32(_mm_add_ss(a, _mm_shuffle_ps(a, a, 1)));
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
  DXT_TARGET static Reg Select(Reg k, float t0, float t1, float t2, float t3) {
    const __m256 table = _mm256_setr_ps(t0, t1, t2, t3, t0, t1, t2, t3);
    return _mm256_permutevar_ps(table, _mm256_cvttps_epi32(k));
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
  DXT_TARGET static float Fold(Reg a) {
    __m128 h = _mm_add_ps(_mm256_castps256_ps128(a), _mm256_extractf128_ps(a, 1));
    h = _mm_add_ps(h, _mm_movehl_ps(h, h));
    return _mm_cvtss_f32(_mm_add_ss(h, _mm_shuffle_ps(h, h, 1)));
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
