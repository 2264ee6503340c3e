// The endpoint optimisers of the DXT encoder: the colour line in plain code (one lane), the
// alpha range, and the choice of colour kernel for this processor.
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
  static Reg Select(Reg k, float t0, float t1, float t2, float t3) {
    const float t[4] = {t0, t1, t2, t3};
    return t[int(k)];
  }
  static float HMin(Reg a) { return a; }
  static float HMax(Reg a) { return a; }
  static float Fold(Reg a) { return a; }
};

#define DXT_TARGET
#include "dxt_color_fit.inc"
#undef DXT_TARGET

}  // namespace reference

ColorLine OptimizeColorEndpoints(const WeightedBlock& points, int steps) {
  return reference::FitColorLine(points, steps);
}

AlphaRange OptimizeAlphaEndpoints(const float* alphas, int steps) {
  const bool sixAlpha = steps == 6;
  const float last = float(steps - 1);

  // Phase 1: the range; six-alpha mode leaves exact 0 and 1 to their own palette entries.
  float low = 1.0f, high = 0.0f;
  for (UINT i = 0; i < 16; ++i) {
    const float a = alphas[i];
    if (sixAlpha && (a <= 0.0f || a >= 1.0f)) continue;
    low = std::min(low, a);
    high = std::max(high, a);
  }

  // Phase 2: Newton steps on the squared distance of each alpha to its nearest step.
  for (int round = 0; round < 8; ++round) {
    if (high - low < 1.0f / 256.0f) break;
    const float scale = last / (high - low);
    float gradLow = 0, gradHigh = 0, curveLow = 0, curveHigh = 0;
    for (UINT i = 0; i < 16; ++i) {
      const float a = alphas[i];
      const float t = (a - low) * scale;
      float k;
      if (t <= 0.0f) {
        if (sixAlpha && a <= low * 0.5f) continue;
        k = 0.0f;
      } else if (t >= last) {
        if (sixAlpha && a >= (high + 1.0f) * 0.5f) continue;
        k = last;
      } else {
        k = float(int(t + 0.5f));
      }
      const float wHigh = k / last, wLow = 1.0f - wHigh;
      const float error = (low * wLow + high * wHigh) - a;
      gradLow += error * wLow;
      gradHigh += error * wHigh;
      curveLow += wLow * wLow;
      curveHigh += wHigh * wHigh;
    }
    if (curveLow > 0.0f) low -= gradLow / curveLow;
    if (curveHigh > 0.0f) high -= gradHigh / curveHigh;
    if (low > high) std::swap(low, high);
    if (gradLow * gradLow < 1.0f / 64.0f && gradHigh * gradHigh < 1.0f / 64.0f) break;
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
