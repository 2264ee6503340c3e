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
// Beyond the clip planes, codes carry four bits that clip nothing: the vertex lies left of, above,
// right of or below the scissor rectangle widened by kOffScreenMargin pixels (only for w > kMinW,
// where the perspective keeps straight edges straight). Primitives that reach no further than the
// margin from their vertices (triangles and lines, not points) and share one of these bits cover
// no pixel.
constexpr int kOffScreenShift = 7;
constexpr uint32_t kClipPlaneBits = ((1u << kClipPlanes) - 1) | kClipInvalid;
constexpr float kOffScreenMargin = 2.0f;

// The codes of a batch against the clip planes and the scissor rectangle [x0, x1) x [y0, y1);
// returns the bits every vertex has (nothing of the batch is visible when a clip plane's is set).
inline uint32_t clipBatch(const PVertex* v, uint32_t count, const ScreenMap& m, const int32_t* scissor,
                          uint32_t* codes) {
  // Lanes left, top, right, bottom, each negative outside: +-(x scx + (ox - edge) w), and so on,
  // the screen position times w.
  const float x0 = float(scissor[0]) - kOffScreenMargin, y0 = float(scissor[1]) - kOffScreenMargin;
  const float x1 = float(scissor[2]) + kOffScreenMargin, y1 = float(scissor[3]) + kOffScreenMargin;
  const __m128 k = _mm_setr_ps(m.scx, m.scy, -m.scx, -m.scy);
  const __m128 c = _mm_setr_ps(m.ox - x0, m.oy - y0, x1 - m.ox, y1 - m.oy);
  uint32_t all = ~0u;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t code = clipCodes(v[i], m);
    if ((code & (kClipInvalid | 1u << int(ClipPlane::MinW))) == 0) {
      const __m128 p = _mm_loadu_ps(&v[i].x);
      const __m128 d = _mm_add_ps(_mm_mul_ps(_mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 0, 1, 0)), k),
                                  _mm_mul_ps(_mm_shuffle_ps(p, p, _MM_SHUFFLE(3, 3, 3, 3)), c));
      code |= uint32_t(_mm_movemask_ps(_mm_cmplt_ps(d, _mm_setzero_ps()))) << kOffScreenShift;
    }
    all &= codes[i] = code;
  }
  return all;
}

float clipDistance(ClipPlane plane, const PVertex& v, const ScreenMap& m);  // >= 0 inside
// Returns the number of output vertices; `out` and `scratch` hold at least 3 + kClipPlanes.
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch);

}  // namespace swr
