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
// position gives kClipInvalid alone.
uint32_t clipCodes(const PVertex& v, const ScreenMap& m);

// Beyond the clip planes, codes carry four bits that clip nothing: the vertex lies left of, above,
// right of or below the scissor rectangle widened by kOffScreenMargin pixels (only for w > kMinW,
// where the perspective keeps straight edges straight). Primitives that reach no further than the
// margin from their vertices (triangles and lines, not points) and share one of these bits cover
// no pixel.
constexpr int kOffScreenShift = 7;
constexpr uint32_t kClipPlaneBits = ((1u << kClipPlanes) - 1) | kClipInvalid;
constexpr float kOffScreenMargin = 2.0f;

// Four vertices at a time, one lane each: x, y, z and w of the four in four vectors, every plane
// one compare whose lane mask selects the plane's bit. The same products and differences as
// clipCodes, so the same bits.
struct ClipLanes {
  __m128 gx0, gx1, gy0, gy1, minW, zero;
  __m128 kx, ky, cl, ct, cr, cb;  // the sides: x kx + cl w < 0 left, -x kx + cr w < 0 right, ...

  ClipLanes(const ScreenMap& m, const int32_t* scissor)
      : gx0(_mm_set1_ps(m.gx0)),
        gx1(_mm_set1_ps(m.gx1)),
        gy0(_mm_set1_ps(m.gy0)),
        gy1(_mm_set1_ps(m.gy1)),
        minW(_mm_set1_ps(kMinW)),
        zero(_mm_setzero_ps()),
        kx(_mm_set1_ps(m.scx)),
        ky(_mm_set1_ps(m.scy)),
        cl(_mm_set1_ps(m.ox - (float(scissor[0]) - kOffScreenMargin))),
        ct(_mm_set1_ps(m.oy - (float(scissor[1]) - kOffScreenMargin))),
        cr(_mm_set1_ps(float(scissor[2]) + kOffScreenMargin - m.ox)),
        cb(_mm_set1_ps(float(scissor[3]) + kOffScreenMargin - m.oy)) {}

  // The bits set in all four lanes.
  static uint32_t shared(__m128i all) {
    all = _mm_and_si128(all, _mm_shuffle_epi32(all, _MM_SHUFFLE(1, 0, 3, 2)));
    all = _mm_and_si128(all, _mm_shuffle_epi32(all, _MM_SHUFFLE(2, 3, 0, 1)));
    return uint32_t(_mm_cvtsi128_si32(all));
  }

  static __m128 bit(__m128 outside, uint32_t b) {
    return _mm_and_ps(outside, _mm_castsi128_ps(_mm_set1_epi32(int32_t(b))));
  }

  // Four vertices' codes from their positions in clip space.
  __m128i codes(const PVertex* v) const {
    __m128 x = _mm_loadu_ps(&v[0].x), y = _mm_loadu_ps(&v[1].x), z = _mm_loadu_ps(&v[2].x),
           w = _mm_loadu_ps(&v[3].x);
    _MM_TRANSPOSE4_PS(x, y, z, w);
    return codes(x, y, z, w);
  }
  // ... from their coordinates, one vertex a lane.
  __m128i codes(__m128 x, __m128 y, __m128 z, __m128 w) const {
    const __m128 nan = _mm_add_ps(
        _mm_add_ps(_mm_add_ps(_mm_sub_ps(x, x), _mm_sub_ps(y, y)), _mm_sub_ps(z, z)), _mm_sub_ps(w, w));
    const __m128 invalid = _mm_cmpneq_ps(nan, zero);
    const __m128 wz = _mm_sub_ps(w, z);
    const __m128 behind = _mm_cmplt_ps(_mm_sub_ps(w, minW), zero);
    __m128 c = _mm_or_ps(bit(_mm_cmplt_ps(z, zero), 1u << int(ClipPlane::Near)),
                         bit(_mm_cmplt_ps(wz, zero), 1u << int(ClipPlane::Far)));
    c = _mm_or_ps(
        c, bit(_mm_cmplt_ps(_mm_sub_ps(x, _mm_mul_ps(gx0, w)), zero), 1u << int(ClipPlane::GuardLeft)));
    c = _mm_or_ps(
        c, bit(_mm_cmplt_ps(_mm_sub_ps(_mm_mul_ps(gx1, w), x), zero), 1u << int(ClipPlane::GuardRight)));
    c = _mm_or_ps(c,
                  bit(_mm_cmplt_ps(_mm_sub_ps(y, _mm_mul_ps(gy0, w)), zero), 1u << int(ClipPlane::GuardTop)));
    c = _mm_or_ps(
        c, bit(_mm_cmplt_ps(_mm_sub_ps(_mm_mul_ps(gy1, w), y), zero), 1u << int(ClipPlane::GuardBottom)));
    c = _mm_or_ps(c, bit(behind, 1u << int(ClipPlane::MinW)));
    const __m128 sx = _mm_mul_ps(x, kx), sy = _mm_mul_ps(y, ky);
    __m128 off = bit(_mm_cmplt_ps(_mm_add_ps(sx, _mm_mul_ps(cl, w)), zero), 1u << kOffScreenShift);
    off = _mm_or_ps(off, bit(_mm_cmplt_ps(_mm_add_ps(sy, _mm_mul_ps(ct, w)), zero), 2u << kOffScreenShift));
    off = _mm_or_ps(off, bit(_mm_cmplt_ps(_mm_sub_ps(_mm_mul_ps(cr, w), sx), zero), 4u << kOffScreenShift));
    off = _mm_or_ps(off, bit(_mm_cmplt_ps(_mm_sub_ps(_mm_mul_ps(cb, w), sy), zero), 8u << kOffScreenShift));
    c = _mm_or_ps(c, _mm_andnot_ps(behind, off));
    // Not a number: the invalid bit alone.
    c = _mm_or_ps(_mm_andnot_ps(invalid, c), bit(invalid, kClipInvalid));
    return _mm_castps_si128(c);
  }
};

// The codes of a batch against the clip planes and the scissor rectangle [x0, x1) x [y0, y1);
// returns the bits every vertex has (nothing of the batch is visible when a clip plane's is set).
uint32_t clipBatch(const PVertex* v, uint32_t count, const ClipLanes& lanes, uint32_t* codes);

float clipDistance(ClipPlane plane, const PVertex& v, const ScreenMap& m);  // >= 0 inside
// Returns the number of output vertices; `out` and `scratch` hold at least 3 + kClipPlanes.
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch);

}  // namespace swr
