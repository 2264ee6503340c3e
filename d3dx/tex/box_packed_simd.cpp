// Box halving of 32-bit pixels on vector registers: bytes widened to 16-bit lanes, the two rows
// added, neighbouring pixels added, (sum + 2) >> 2, packed back. Exactly the plain routine.
#include <immintrin.h>

#include <cstring>

#include "box_packed.h"

#define SKYVALE_AVX2 __attribute__((target("avx2")))

namespace d3dx {
namespace {

// One output pixel from the four at a and a + 4 of both rows.
inline void HalvePixel(const BYTE* row0, const BYTE* row1, BYTE* out, UINT keep) {
  uint32_t v = 0;
  for (int c = 0; c < 4; ++c) {
    const uint32_t sum = row0[c] + row0[4 + c] + row1[c] + row1[4 + c] + 2;
    v |= (sum >> 2) << (8 * c);
  }
  v &= keep;
  std::memcpy(out, &v, 4);
}

// Four vertical sums of 16-bit lanes (pixels 0..3 of a and b) into two averaged pixels.
inline __m128i HalveQuad(__m128i a, __m128i b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
  const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
  const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(2)), 2);
}

SKYVALE_AVX2 inline __m256i HalveQuads(__m256i a, __m256i b) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo = _mm256_add_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero));
  const __m256i hi = _mm256_add_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero));
  const __m256i sum = _mm256_add_epi16(_mm256_unpacklo_epi64(lo, hi), _mm256_unpackhi_epi64(lo, hi));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(2)), 2);
}

inline __m128i Load128(const BYTE* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
SKYVALE_AVX2 inline __m256i Load256(const BYTE* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

}  // namespace

void HalveRow32Sse2(const BYTE* row0, const BYTE* row1, BYTE* out, UINT destWidth, UINT keep) {
  const __m128i mask = _mm_set1_epi32(int(keep));
  UINT x = 0;
  for (; x + 4 <= destWidth; x += 4) {
    const BYTE *a = row0 + 8 * size_t(x), *b = row1 + 8 * size_t(x);
    const __m128i packed =
        _mm_packus_epi16(HalveQuad(Load128(a), Load128(b)), HalveQuad(Load128(a + 16), Load128(b + 16)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * size_t(x)), _mm_and_si128(packed, mask));
  }
  for (; x < destWidth; ++x)
    HalvePixel(row0 + 8 * size_t(x), row1 + 8 * size_t(x), out + 4 * size_t(x), keep);
}

SKYVALE_AVX2 void HalveRow32Avx2(const BYTE* row0, const BYTE* row1, BYTE* out, UINT destWidth, UINT keep) {
  const __m256i mask = _mm256_set1_epi32(int(keep));
  UINT x = 0;
  for (; x + 8 <= destWidth; x += 8) {
    const BYTE *a = row0 + 8 * size_t(x), *b = row1 + 8 * size_t(x);
    // Lanes hold outputs (0 1 | 2 3) and (4 5 | 6 7); the pack interleaves them by 64-bit quads.
    const __m256i packed =
        _mm256_packus_epi16(HalveQuads(Load256(a), Load256(b)), HalveQuads(Load256(a + 32), Load256(b + 32)));
    const __m256i ordered = _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * size_t(x)), _mm256_and_si256(ordered, mask));
  }
  HalveRow32Sse2(row0 + 8 * size_t(x), row1 + 8 * size_t(x), out + 4 * size_t(x), destWidth - x, keep);
}

}  // namespace d3dx
