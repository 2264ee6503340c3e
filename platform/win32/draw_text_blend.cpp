// Coverage blending four words at a time with SSE2, eight with AVX2 where the processor has it.
// Every intermediate fits 16 bits (at most 255 * 255 + 128 before the divide), so the vector lanes
// give the per-word rounding exactly. Coverage past a row's end is zero: where the bitmap has room,
// a short last group writes the words beyond the row back unchanged.
#include "draw_text_blend.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SKYVALE_AVX2 __attribute__((target("avx2")))
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

namespace {

void BlendWords(uint32_t* row, const uint8_t* coverage, size_t count, uint32_t ink) {
  for (size_t i = 0; i < count; ++i)
    if (coverage[i]) row[i] = BlendCoverage(row[i], ink, coverage[i]);
}

// The 1 to 7 coverage bytes of a row's end, the first lowest, zero above; reads only those bytes
// (overlapping loads instead of a byte loop).
inline uint64_t CoverageBytes(const uint8_t* coverage, size_t count) {
  if (count >= 4) {
    uint32_t low, high;
    std::memcpy(&low, coverage, 4);
    std::memcpy(&high, coverage + count - 4, 4);
    return low | (uint64_t)high << (8 * (count - 4));
  }
  const size_t middle = count >> 1;
  return coverage[0] | (uint64_t)coverage[middle] << (8 * middle) |
         (uint64_t)coverage[count - 1] << (8 * (count - 1));
}

}  // namespace

#if defined(__SSE2__)
namespace {

// Four words under four coverage bytes (packed in `cover`, first word lowest).
inline __m128i BlendFour(__m128i under, uint32_t cover, __m128i ink, bool white) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = _mm_cvtsi32_si128((int)cover);
  a = _mm_unpacklo_epi8(a, a);
  a = _mm_unpacklo_epi16(a, a);  // each coverage byte in all four bytes of its word
  // White over black, the font renderer's case: the coverage itself in every channel.
  if (white && _mm_movemask_epi8(_mm_cmpeq_epi32(under, zero)) == 0xFFFF)
    return _mm_and_si128(a, _mm_set1_epi32(0x00FFFFFF));
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

inline void BlendFourAt(uint32_t* at, uint32_t cover, __m128i ink, bool white) {
  __m128i* p = reinterpret_cast<__m128i*>(at);
  _mm_storeu_si128(p, BlendFour(_mm_loadu_si128(p), cover, ink, white));
}

inline void RowSse2(uint32_t* row, const uint8_t* coverage, size_t count, size_t room, uint32_t ink,
                    __m128i inkWords, bool white) {
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    uint32_t cover;
    std::memcpy(&cover, coverage + i, 4);
    if (cover) BlendFourAt(row + i, cover, inkWords, white);
  }
  if (i == count) return;
  const uint32_t cover = (uint32_t)CoverageBytes(coverage + i, count - i);
  if (cover == 0) return;
  if (i + 4 <= room)
    BlendFourAt(row + i, cover, inkWords, white);
  else
    BlendWords(row + i, coverage + i, count - i, ink);
}

// (u * (255 - w) + ink * w) / 255 rounded, in 16-bit lanes.
SKYVALE_AVX2 inline __m256i Mix(__m256i u, __m256i w, __m256i ink) {
  __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(u, _mm256_sub_epi16(_mm256_set1_epi16(255), w)),
                               _mm256_mullo_epi16(ink, w));
  t = _mm256_add_epi16(t, _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

// Eight words under eight coverage bytes: the four-word steps in both halves at once (the
// unpacks and packs stay within each half, so the words keep their places).
SKYVALE_AVX2 inline void BlendEightAt(uint32_t* at, uint64_t cover, __m256i ink, bool white) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3,  //
                                          4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
  const __m256i a = _mm256_shuffle_epi8(_mm256_set1_epi64x((long long)cover), spread);
  __m256i* p = reinterpret_cast<__m256i*>(at);
  const __m256i under = _mm256_loadu_si256(p);
  if (white && _mm256_testz_si256(under, under)) {
    _mm256_storeu_si256(p, _mm256_and_si256(a, _mm256_set1_epi32(0x00FFFFFF)));
    return;
  }
  __m256i out =
      _mm256_packus_epi16(Mix(_mm256_unpacklo_epi8(under, zero), _mm256_unpacklo_epi8(a, zero), ink),
                          Mix(_mm256_unpackhi_epi8(under, zero), _mm256_unpackhi_epi8(a, zero), ink));
  out = _mm256_and_si256(out, _mm256_set1_epi32(0x00FFFFFF));
  _mm256_storeu_si256(p, _mm256_blendv_epi8(out, under, _mm256_cmpeq_epi32(a, zero)));
}

SKYVALE_AVX2 inline void RowAvx2(uint32_t* row, const uint8_t* coverage, size_t count, size_t room,
                                 uint32_t ink, __m256i inkWords, bool white) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t cover;
    std::memcpy(&cover, coverage + i, 8);
    if (cover) BlendEightAt(row + i, cover, inkWords, white);
  }
  if (i == count) return;
  if (i + 8 <= room) {
    const uint64_t cover = CoverageBytes(coverage + i, count - i);
    if (cover) BlendEightAt(row + i, cover, inkWords, white);
    return;
  }
  RowSse2(row + i, coverage + i, count - i, room - i, ink, _mm256_castsi256_si128(inkWords), white);
}

}  // namespace

void BlendCoverageBoxSse2(const CoverageBox& box, uint32_t ink) {
  const __m128i inkWords = _mm_unpacklo_epi8(_mm_set1_epi32((int)ink), _mm_setzero_si128());
  const bool white = ink == 0xFFFFFF;
  uint32_t* row = box.first;
  const uint8_t* coverage = box.coverage;
  for (size_t r = 0; r < box.rows; ++r, row += box.rowStep, coverage += box.coverageStep)
    RowSse2(row, coverage, box.count, (size_t)(box.end - row), ink, inkWords, white);
}

SKYVALE_AVX2 void BlendCoverageBoxAvx2(const CoverageBox& box, uint32_t ink) {
  const __m256i inkWords = _mm256_unpacklo_epi8(_mm256_set1_epi32((int)ink), _mm256_setzero_si256());
  const bool white = ink == 0xFFFFFF;
  uint32_t* row = box.first;
  const uint8_t* coverage = box.coverage;
  for (size_t r = 0; r < box.rows; ++r, row += box.rowStep, coverage += box.coverageStep)
    RowAvx2(row, coverage, box.count, (size_t)(box.end - row), ink, inkWords, white);
}

bool BlendHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

void BlendCoverageBox(const CoverageBox& box, uint32_t ink) {
  if (BlendHasAvx2())
    BlendCoverageBoxAvx2(box, ink);
  else
    BlendCoverageBoxSse2(box, ink);
}

#else

void BlendCoverageBox(const CoverageBox& box, uint32_t ink) {
  uint32_t* row = box.first;
  const uint8_t* coverage = box.coverage;
  for (size_t r = 0; r < box.rows; ++r, row += box.rowStep, coverage += box.coverageStep)
    BlendWords(row, coverage, box.count, ink);
}

#endif

}  // namespace win32::gdi
