// Clipping in homogeneous clip space: the near (z >= 0) and far (z <= w) planes exactly, the sides
// only where a vertex leaves the guard band, so almost every triangle skips this stage.
#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "clip.h"

namespace swr {
namespace {

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

  static __m128 bit(__m128 outside, uint32_t b) {
    return _mm_and_ps(outside, _mm_castsi128_ps(_mm_set1_epi32(int32_t(b))));
  }

  __m128i codes(const PVertex* v) const {
    __m128 x = _mm_loadu_ps(&v[0].x), y = _mm_loadu_ps(&v[1].x), z = _mm_loadu_ps(&v[2].x),
           w = _mm_loadu_ps(&v[3].x);
    _MM_TRANSPOSE4_PS(x, y, z, w);
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

}  // namespace

uint32_t clipCodes(const PVertex& v, const ScreenMap& m) {
  const int32_t anywhere[4] = {0, 0, 0, 0};
  const PVertex four[4] = {v, v, v, v};
  return uint32_t(_mm_cvtsi128_si32(ClipLanes(m, anywhere).codes(four))) & kClipPlaneBits;
}

uint32_t clipBatch(const PVertex* v, uint32_t count, const ScreenMap& m, const int32_t* scissor,
                   uint32_t* codes) {
  const ClipLanes lanes(m, scissor);
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
  all = _mm_and_si128(all, _mm_shuffle_epi32(all, _MM_SHUFFLE(1, 0, 3, 2)));
  all = _mm_and_si128(all, _mm_shuffle_epi32(all, _MM_SHUFFLE(2, 3, 0, 1)));
  return uint32_t(_mm_cvtsi128_si32(all));
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
