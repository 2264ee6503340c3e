// The endpoint optimisers of the DXT encoder: the colour line in plain code (one lane), the
// alpha range, and the choice of colour kernel for this processor.
#include <emmintrin.h>

#include <algorithm>
#include <utility>

#include "../math/dispatch.h"
#include "dxt_encoder.h"

namespace d3dx {
namespace dxt {

namespace reference {

struct Lanes {
  static constexpr int kWidth = 1;
  using Reg = float;
  static Reg Load(const float* p) { return *p; }
  static Reg Set(float v) { return v; }
  static Reg Add(Reg a, Reg b) { return a + b; }
  static Reg Sub(Reg a, Reg b) { return a - b; }
  static Reg Mul(Reg a, Reg b) { return a * b; }
  // As the vector instructions: the second operand unless the first is strictly smaller/larger.
  static Reg Min(Reg a, Reg b) { return a < b ? a : b; }
  static Reg Max(Reg a, Reg b) { return a > b ? a : b; }
  static Reg Trunc(Reg a) { return float(int(a)); }
  using Selector = int;
  static Selector Choose(Reg k) { return int(k); }
  static Reg Select(Selector k, float t0, float t1, float t2, float t3) {
    const float t[4] = {t0, t1, t2, t3};
    return t[k];
  }
  static float HMin(Reg a) { return a; }
  static float HMax(Reg a) { return a; }
  static float Sum16(const Reg (&p)[16]) {
    float a[8], b[4];
    for (int i = 0; i < 8; ++i) a[i] = p[i] + p[i + 8];
    for (int j = 0; j < 4; ++j) b[j] = a[2 * j] + a[2 * j + 1];
    return (b[0] + b[1]) + (b[2] + b[3]);
  }
  static void Sum16x4(const Reg (*c)[16], float* out) {
    for (int k = 0; k < 4; ++k) out[k] = Sum16(c[k]);
  }
};

#define DXT_TARGET
#include "dxt_color_fit.inc"
#undef DXT_TARGET

}  // namespace reference

namespace {

float HorizontalSum(__m128 v) {
  const __m128 pairs = _mm_add_ps(v, _mm_movehl_ps(v, v));
  return _mm_cvtss_f32(_mm_add_ss(pairs, _mm_shuffle_ps(pairs, pairs, 1)));
}

}  // namespace

ColorLine OptimizeColorEndpoints(const WeightedBlock& points, int steps) {
  return reference::FitColorLine(points, steps);
}

// One dimension and one implementation: the 16 alphas in four vectors, sums in any fixed order.
AlphaRange OptimizeAlphaEndpoints(const float* alphas, int steps) {
  const bool sixAlpha = steps == 6;
  const float last = float(steps - 1);
  __m128 a[4];
  for (int r = 0; r < 4; ++r) a[r] = _mm_loadu_ps(alphas + 4 * r);

  // Phase 1: the range; six-alpha mode leaves exact 0 and 1 to their own palette entries.
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), lastV = _mm_set1_ps(last);
  __m128 lows = one, highs = zero;
  for (int r = 0; r < 4; ++r) {
    const __m128 inner =
        sixAlpha ? _mm_and_ps(_mm_cmpgt_ps(a[r], zero), _mm_cmplt_ps(a[r], one)) : _mm_cmpeq_ps(zero, zero);
    lows = _mm_min_ps(lows, _mm_or_ps(_mm_and_ps(inner, a[r]), _mm_andnot_ps(inner, one)));
    highs = _mm_max_ps(highs, _mm_and_ps(inner, a[r]));
  }
  lows = _mm_min_ps(lows, _mm_movehl_ps(lows, lows));
  highs = _mm_max_ps(highs, _mm_movehl_ps(highs, highs));
  float low = _mm_cvtss_f32(_mm_min_ss(lows, _mm_shuffle_ps(lows, lows, 1)));
  float high = _mm_cvtss_f32(_mm_max_ss(highs, _mm_shuffle_ps(highs, highs, 1)));

  // Phase 2: Newton steps on the squared distance of each alpha to its nearest step. An alpha
  // at or below the first step (t <= 0) or at or above the last takes that step; in six-alpha
  // mode those closer to exact 0 or 1 take no part.
  for (int round = 0; round < 8; ++round) {
    if (high - low < 1.0f / 256.0f) break;
    const __m128 lowV = _mm_set1_ps(low), highV = _mm_set1_ps(high);
    const __m128 scale = _mm_set1_ps(last / (high - low));
    const __m128 nearZero = _mm_set1_ps(low * 0.5f), nearOne = _mm_set1_ps((high + 1.0f) * 0.5f);
    __m128 gradLow = zero, gradHigh = zero, curveLow = zero, curveHigh = zero;
    for (int r = 0; r < 4; ++r) {
      const __m128 t = _mm_mul_ps(_mm_sub_ps(a[r], lowV), scale);
      const __m128 k = _mm_cvtepi32_ps(
          _mm_cvttps_epi32(_mm_add_ps(_mm_min_ps(_mm_max_ps(t, zero), lastV), _mm_set1_ps(0.5f))));
      __m128 take = _mm_cmpeq_ps(one, one);
      if (sixAlpha) {
        const __m128 exactZero = _mm_and_ps(_mm_cmple_ps(t, zero), _mm_cmple_ps(a[r], nearZero));
        const __m128 exactOne = _mm_and_ps(_mm_cmpge_ps(t, lastV), _mm_cmpge_ps(a[r], nearOne));
        take = _mm_andnot_ps(_mm_or_ps(exactZero, exactOne), take);
      }
      const __m128 wHigh = _mm_and_ps(take, _mm_div_ps(k, lastV));
      const __m128 wLow = _mm_and_ps(take, _mm_sub_ps(one, _mm_div_ps(k, lastV)));
      const __m128 error =
          _mm_and_ps(take, _mm_sub_ps(_mm_add_ps(_mm_mul_ps(lowV, wLow), _mm_mul_ps(highV, wHigh)), a[r]));
      gradLow = _mm_add_ps(gradLow, _mm_mul_ps(error, wLow));
      gradHigh = _mm_add_ps(gradHigh, _mm_mul_ps(error, wHigh));
      curveLow = _mm_add_ps(curveLow, _mm_mul_ps(wLow, wLow));
      curveHigh = _mm_add_ps(curveHigh, _mm_mul_ps(wHigh, wHigh));
    }
    const float gLow = HorizontalSum(gradLow), gHigh = HorizontalSum(gradHigh);
    const float cLow = HorizontalSum(curveLow), cHigh = HorizontalSum(curveHigh);
    if (cLow > 0.0f) low -= gLow / cLow;
    if (cHigh > 0.0f) high -= gHigh / cHigh;
    if (low > high) std::swap(low, high);
    if (gLow * gLow < 1.0f / 64.0f && gHigh * gHigh < 1.0f / 64.0f) break;
  }
  return {std::clamp(low, 0.0f, 1.0f), std::clamp(high, 0.0f, 1.0f)};
}

ColorOptimizer ColorOptimizerFor(EncoderKernel kernel) {
  switch (kernel) {
    case EncoderKernel::Reference:
      return OptimizeColorEndpoints;
    case EncoderKernel::Sse2:
      return MathProcessorHasSse2() ? OptimizeColorEndpointsSse2 : nullptr;
    case EncoderKernel::Avx2:
      return MathProcessorHasAvx2Fma() ? OptimizeColorEndpointsAvx2 : nullptr;
  }
  return nullptr;
}

EncoderKernel BestEncoderKernel() {
  static const EncoderKernel best = MathProcessorHasAvx2Fma() ? EncoderKernel::Avx2
                                    : MathProcessorHasSse2()  ? EncoderKernel::Sse2
                                                              : EncoderKernel::Reference;
  return best;
}

}  // namespace dxt
}  // namespace d3dx
