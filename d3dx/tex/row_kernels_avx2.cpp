// AVX2 row kernels for the 8-bit ARGB, XRGB and R8G8B8 rows, eight pixels a step with byte
// shuffles in place of the unpack chains; the other formats keep their SSE2 kernels. Results are
// those of the portable loops, bit for bit.
#include <immintrin.h>

#include "pixel_layouts.h"
#include "row_kernels.h"

#define SKYVALE_AVX2 __attribute__((target("avx2")))

namespace d3dx {
namespace {

// Byte order b, g, r, a <-> r, g, b, a within each pixel; without alpha its byte is cleared.
SKYVALE_AVX2 inline __m128i SwapRedBlue(bool keepAlpha) {
  const char z = char(0x80);
  return keepAlpha ? _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15)
                   : _mm_setr_epi8(2, 1, 0, z, 6, 5, 4, z, 10, 9, 8, z, 14, 13, 12, z);
}

// Four pixels of r, g, b, a bytes into colours (alpha byte 0 and `alphaOne` give a = 1).
SKYVALE_AVX2 inline void StoreRgba4(__m128i rgba, D3DXCOLOR* out, bool alphaOne) {
  const __m256 scale = _mm256_set1_ps(FieldScale(layout::U(0, 8)));
  const __m256 one = _mm256_setr_ps(0, 0, 0, 1, 0, 0, 0, 1);
  __m256 lo = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(rgba)), scale);
  __m256 hi = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(rgba, 8))), scale);
  if (alphaOne) lo = _mm256_or_ps(lo, one), hi = _mm256_or_ps(hi, one);
  _mm256_storeu_ps(&out[0].r, lo);
  _mm256_storeu_ps(&out[2].r, hi);
}

template <bool kAlpha>
SKYVALE_AVX2 void DecodeArgb8(const BYTE* src, D3DXCOLOR* out, UINT n) {
  const __m128i order = SwapRedBlue(kAlpha);
  UINT x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
    StoreRgba4(_mm_shuffle_epi8(v, order), out + x, !kAlpha);
  }
  DecodeIntegerPixels<kAlpha ? layout::A8R8G8B8 : layout::X8R8G8B8>(src + 4 * x, out + x, n - x);
}

SKYVALE_AVX2 void DecodeRgb24(const BYTE* src, D3DXCOLOR* out, UINT n) {
  const __m128i spread =
      _mm_setr_epi8(2, 1, 0, char(0x80), 5, 4, 3, char(0x80), 8, 7, 6, char(0x80), 11, 10, 9, char(0x80));
  UINT x = 0;
  // A step reads 16 bytes from pixel x: two pixels of margin keep the load inside the row.
  for (; x + 6 <= n; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
    StoreRgba4(_mm_shuffle_epi8(v, spread), out + x, true);
  }
  DecodeIntegerPixels<layout::R8G8B8>(src + 3 * x, out + x, n - x);
}

template <bool kAlpha>
SKYVALE_AVX2 void EncodeArgb8(const D3DXCOLOR* in, BYTE* dst, UINT n, const float* ditherRow) {
  const __m256 scale = kAlpha ? _mm256_set1_ps(255.0f) : _mm256_setr_ps(255, 255, 255, 0, 255, 255, 255, 0);
  const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps();
  // Pixels 0-1 and 2-3 of every group of four, each with its own offset.
  const __m256 off01 = _mm256_setr_m128(_mm_set1_ps(ditherRow[0]), _mm_set1_ps(ditherRow[1]));
  const __m256 off23 = _mm256_setr_m128(_mm_set1_ps(ditherRow[2]), _mm_set1_ps(ditherRow[3]));
  const __m256i order = _mm256_broadcastsi128_si256(SwapRedBlue(true));
  const __m256i pixelOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  UINT x = 0;
  for (; x + 8 <= n; x += 8) {
    __m256i q[4];
    for (int k = 0; k < 4; ++k) {
      // min gives its second operand for NaN: NaN saturates to 1, as in the portable loop.
      const __m256 c = _mm256_max_ps(_mm256_min_ps(_mm256_loadu_ps(&in[x + 2 * k].r), one), zero);
      q[k] = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(c, scale), (k & 1) ? off23 : off01));
    }
    // Packing works within 128-bit lanes: pixels come out 0 2 4 6 | 1 3 5 7 and are put back in order.
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(q[0], q[1]), _mm256_packs_epi32(q[2], q[3]));
    const __m256i ordered = _mm256_permutevar8x32_epi32(bytes, pixelOrder);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), _mm256_shuffle_epi8(ordered, order));
  }
  EncodeIntegerPixels<kAlpha ? layout::A8R8G8B8 : layout::X8R8G8B8>(in + x, dst + 4 * x, n - x, ditherRow);
}

}  // namespace

RowKernels FindAvx2RowKernels(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      return {&DecodeArgb8<true>, &EncodeArgb8<true>};
    case D3DFMT_X8R8G8B8:
      return {&DecodeArgb8<false>, &EncodeArgb8<false>};
    case D3DFMT_R8G8B8:
      return {&DecodeRgb24, nullptr};
    default:
      return FindSse2RowKernels(format);
  }
}

}  // namespace d3dx
