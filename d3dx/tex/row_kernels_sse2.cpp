// SSE2 row kernels: 8-bit ARGB and XRGB to and from colours, R8G8B8 and R5G6B5 and L8 to
// colours, R5G6B5 (dithered) and L8 from colours. Four pixels a step; the portable loop takes
// the rest of the row, so nothing is read or written past its last pixel.
#include <emmintrin.h>

#include "pixel_layouts.h"
#include "row_kernels.h"

namespace d3dx {
namespace {

inline __m128 Saturate01(__m128 v) {
  // min returns its second operand for NaN: NaN becomes 1, as in the portable loops.
  return _mm_max_ps(_mm_min_ps(v, _mm_set1_ps(1.0f)), _mm_setzero_ps());
}

inline __m128 RgbMask() { return _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1)); }
inline __m128 AlphaOne() { return _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f); }

// Four pixels as 32-bit lanes of bytes b, g, r, a into colours.
template <bool kAlpha>
inline void StoreBgra4(__m128i pixels, D3DXCOLOR* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128 scale = _mm_set1_ps(FieldScale(layout::U(0, 8)));
  const __m128i lo = _mm_unpacklo_epi8(pixels, zero), hi = _mm_unpackhi_epi8(pixels, zero);
  const __m128i lanes[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero),
                            _mm_unpacklo_epi16(hi, zero), _mm_unpackhi_epi16(hi, zero)};
  for (int k = 0; k < 4; ++k) {
    const __m128i rgba = _mm_shuffle_epi32(lanes[k], _MM_SHUFFLE(3, 0, 1, 2));
    __m128 c = _mm_mul_ps(_mm_cvtepi32_ps(rgba), scale);
    if (!kAlpha) c = _mm_or_ps(_mm_and_ps(c, RgbMask()), AlphaOne());
    _mm_storeu_ps(&out[k].r, c);
  }
}

template <bool kAlpha>
void DecodeArgb8(const BYTE* src, D3DXCOLOR* out, UINT n) {
  UINT x = 0;
  for (; x + 4 <= n; x += 4)
    StoreBgra4<kAlpha>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x)), out + x);
  DecodeIntegerPixels<kAlpha ? layout::A8R8G8B8 : layout::X8R8G8B8>(src + 4 * x, out + x, n - x);
}

void DecodeRgb24(const BYTE* src, D3DXCOLOR* out, UINT n) {
  UINT x = 0;
  // A step reads 16 bytes from pixel x: two pixels of margin keep the load inside the row.
  for (; x + 6 <= n; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
    const __m128i a = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
    const __m128i b = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
    StoreBgra4<false>(_mm_and_si128(_mm_unpacklo_epi64(a, b), _mm_set1_epi32(0x00FFFFFF)), out + x);
  }
  DecodeIntegerPixels<layout::R8G8B8>(src + 3 * x, out + x, n - x);
}

// Four colours saturated, scaled per channel and offset by pixel, truncated to 32-bit lanes.
inline void Quantise4(const D3DXCOLOR* in, __m128 scale, const __m128 off[4], __m128i q[4]) {
  for (int k = 0; k < 4; ++k) {
    const __m128 c = Saturate01(_mm_loadu_ps(&in[k].r));
    q[k] = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(c, scale), off[k]));
  }
}

inline void Offsets(const float* ditherRow, __m128 off[4]) {
  for (int k = 0; k < 4; ++k) off[k] = _mm_set1_ps(ditherRow[k]);
}

template <bool kAlpha>
void EncodeArgb8(const D3DXCOLOR* in, BYTE* dst, UINT n, const float* ditherRow) {
  const __m128 scale = kAlpha ? _mm_set1_ps(255.0f) : _mm_set_ps(0.0f, 255.0f, 255.0f, 255.0f);
  __m128 off[4];
  Offsets(ditherRow, off);
  UINT x = 0;
  for (; x + 4 <= n; x += 4) {
    __m128i q[4];
    Quantise4(in + x, scale, off, q);
    for (__m128i& lane : q) lane = _mm_shuffle_epi32(lane, _MM_SHUFFLE(3, 0, 1, 2));  // to b, g, r, a
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), bytes);
  }
  EncodeIntegerPixels<kAlpha ? layout::A8R8G8B8 : layout::X8R8G8B8>(in + x, dst + 4 * x, n - x, ditherRow);
}

void DecodeR5G6B5(const BYTE* src, D3DXCOLOR* out, UINT n) {
  const __m128 s5 = _mm_set1_ps(FieldScale(layout::U(0, 5))), s6 = _mm_set1_ps(FieldScale(layout::U(0, 6)));
  UINT x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + 2 * x));
    const __m128i p = _mm_unpacklo_epi16(v, _mm_setzero_si128());
    __m128 r = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(p, 11)), s5);
    __m128 g = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 5), _mm_set1_epi32(63))), s6);
    __m128 b = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(p, _mm_set1_epi32(31))), s5);
    __m128 a = _mm_set1_ps(1.0f);
    _MM_TRANSPOSE4_PS(r, g, b, a);
    _mm_storeu_ps(&out[x].r, r);
    _mm_storeu_ps(&out[x + 1].r, g);
    _mm_storeu_ps(&out[x + 2].r, b);
    _mm_storeu_ps(&out[x + 3].r, a);
  }
  DecodeIntegerPixels<layout::R5G6B5>(src + 2 * x, out + x, n - x);
}

void EncodeR5G6B5(const D3DXCOLOR* in, BYTE* dst, UINT n, const float* ditherRow) {
  const __m128 scale = _mm_set_ps(0.0f, 31.0f, 63.0f, 31.0f);
  const __m128i weights = _mm_set_epi16(0, 1, 32, 2048, 0, 1, 32, 2048);
  __m128 off[4];
  Offsets(ditherRow, off);
  UINT x = 0;
  for (; x + 4 <= n; x += 4) {
    __m128i q[4];
    Quantise4(in + x, scale, off, q);
    // r * 2048 + g * 32 and b per pixel, summed into lanes 0 and 2 of each pair.
    __m128i m01 = _mm_madd_epi16(_mm_packs_epi32(q[0], q[1]), weights);
    __m128i m23 = _mm_madd_epi16(_mm_packs_epi32(q[2], q[3]), weights);
    m01 = _mm_shuffle_epi32(_mm_add_epi32(m01, _mm_srli_epi64(m01, 32)), _MM_SHUFFLE(3, 3, 2, 0));
    m23 = _mm_shuffle_epi32(_mm_add_epi32(m23, _mm_srli_epi64(m23, 32)), _MM_SHUFFLE(3, 3, 2, 0));
    // To unsigned 16 bits through the signed pack, biased by 32768.
    const __m128i words = _mm_sub_epi32(_mm_unpacklo_epi64(m01, m23), _mm_set1_epi32(32768));
    const __m128i packed = _mm_xor_si128(_mm_packs_epi32(words, words), _mm_set1_epi16(-32768));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 2 * x), packed);
  }
  EncodeIntegerPixels<layout::R5G6B5>(in + x, dst + 2 * x, n - x, ditherRow);
}

void DecodeL8(const BYTE* src, D3DXCOLOR* out, UINT n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128 scale = _mm_set1_ps(FieldScale(layout::U(0, 8)));
  UINT x = 0;
  for (; x + 4 <= n; x += 4) {
    int word;
    std::memcpy(&word, src + x, 4);
    const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero);
    const __m128 l = _mm_mul_ps(_mm_cvtepi32_ps(v), scale);
    const __m128 spread[4] = {_mm_shuffle_ps(l, l, 0x00), _mm_shuffle_ps(l, l, 0x55),
                              _mm_shuffle_ps(l, l, 0xAA), _mm_shuffle_ps(l, l, 0xFF)};
    for (int k = 0; k < 4; ++k)
      _mm_storeu_ps(&out[x + k].r, _mm_or_ps(_mm_and_ps(spread[k], RgbMask()), AlphaOne()));
  }
  DecodeIntegerPixels<layout::L8>(src + x, out + x, n - x);
}

void EncodeL8(const D3DXCOLOR* in, BYTE* dst, UINT n, const float* ditherRow) {
  const __m128 off = _mm_loadu_ps(ditherRow);
  UINT x = 0;
  for (; x + 4 <= n; x += 4) {
    __m128 r = _mm_loadu_ps(&in[x].r), g = _mm_loadu_ps(&in[x + 1].r);
    __m128 b = _mm_loadu_ps(&in[x + 2].r), a = _mm_loadu_ps(&in[x + 3].r);
    _MM_TRANSPOSE4_PS(r, g, b, a);
    const __m128 rg = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(kLumR), Saturate01(r)),
                                 _mm_mul_ps(_mm_set1_ps(kLumG), Saturate01(g)));
    const __m128 l = Saturate01(_mm_add_ps(rg, _mm_mul_ps(_mm_set1_ps(kLumB), Saturate01(b))));
    const __m128i q = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(l, _mm_set1_ps(255.0f)), off));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128());
    const int word = _mm_cvtsi128_si32(bytes);
    std::memcpy(dst + x, &word, 4);
  }
  EncodeIntegerPixels<layout::L8>(in + x, dst + x, n - x, ditherRow);
}

}  // namespace

RowKernels FindSse2RowKernels(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      return {&DecodeArgb8<true>, &EncodeArgb8<true>};
    case D3DFMT_X8R8G8B8:
      return {&DecodeArgb8<false>, &EncodeArgb8<false>};
    case D3DFMT_R8G8B8:
      return {&DecodeRgb24, nullptr};
    case D3DFMT_R5G6B5:
      return {&DecodeR5G6B5, &EncodeR5G6B5};
    case D3DFMT_L8:
      return {&DecodeL8, &EncodeL8};
    default:
      return {};
  }
}

}  // namespace d3dx
