// Coverage blending four words at a time. Every intermediate fits 16 bits: at most
// 255 * 255 + 128 before the divide, so the vector lanes give the scalar rounding exactly.
#include "draw_text_blend.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace win32::gdi {

uint32_t BlendCoverage(uint32_t under, uint32_t ink, uint32_t coverage) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    uint32_t t = ((under >> shift) & 0xFF) * (255 - coverage) + ((ink >> shift) & 0xFF) * coverage + 128;
    out |= ((t + (t >> 8)) >> 8) << shift;
  }
  return out;
}

#if defined(__SSE2__)
namespace {

// Four words under four coverage bytes (packed in `cover`, first word lowest).
inline __m128i BlendFour(__m128i under, uint32_t cover, __m128i ink) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = _mm_cvtsi32_si128((int)cover);
  a = _mm_unpacklo_epi8(a, a);
  a = _mm_unpacklo_epi16(a, a);  // each coverage byte in all four bytes of its word
  const __m128i full = _mm_set1_epi16(255), half = _mm_set1_epi16(128);
  auto mix = [&](__m128i u, __m128i w) {
    __m128i t = _mm_add_epi16(_mm_mullo_epi16(u, _mm_sub_epi16(full, w)), _mm_mullo_epi16(ink, w));
    t = _mm_add_epi16(t, half);
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
  };
  __m128i out = _mm_packus_epi16(mix(_mm_unpacklo_epi8(under, zero), _mm_unpacklo_epi8(a, zero)),
                                 mix(_mm_unpackhi_epi8(under, zero), _mm_unpackhi_epi8(a, zero)));
  out = _mm_and_si128(out, _mm_set1_epi32(0x00FFFFFF));
  const __m128i keep = _mm_cmpeq_epi32(a, zero);
  return _mm_or_si128(_mm_and_si128(keep, under), _mm_andnot_si128(keep, out));
}

}  // namespace

void BlendCoverageRow(uint32_t* row, const uint8_t* coverage, size_t count, size_t room, uint32_t ink) {
  const __m128i inkWords = _mm_unpacklo_epi8(_mm_set1_epi32((int)ink), _mm_setzero_si128());
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    uint32_t cover;
    std::memcpy(&cover, coverage + i, 4);
    if (cover == 0) continue;
    __m128i* at = reinterpret_cast<__m128i*>(row + i);
    _mm_storeu_si128(at, BlendFour(_mm_loadu_si128(at), cover, inkWords));
  }
  const size_t left = count - i;
  if (left == 0) return;
  uint32_t cover = coverage[i];
  if (left > 1) cover |= (uint32_t)coverage[i + 1] << 8;
  if (left > 2) cover |= (uint32_t)coverage[i + 2] << 16;
  if (cover == 0) return;
  if (i + 4 <= room) {
    // Zero coverage past the row writes the words there back unchanged.
    __m128i* at = reinterpret_cast<__m128i*>(row + i);
    _mm_storeu_si128(at, BlendFour(_mm_loadu_si128(at), cover, inkWords));
    return;
  }
  for (; i < count; ++i)
    if (coverage[i]) row[i] = BlendCoverage(row[i], ink, coverage[i]);
}

#else

void BlendCoverageRow(uint32_t* row, const uint8_t* coverage, size_t count, size_t, uint32_t ink) {
  for (size_t i = 0; i < count; ++i)
    if (coverage[i]) row[i] = BlendCoverage(row[i], ink, coverage[i]);
}

#endif

}  // namespace win32::gdi
