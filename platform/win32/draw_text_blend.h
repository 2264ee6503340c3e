// Coverage blending for DrawText: a row of 8-bit glyph coverage laid in one colour over a row of
// 0x00RRGGBB words.
#pragma once
#include <cstddef>
#include <cstdint>

namespace win32::gdi {

// One word: each channel (under * (255 - coverage) + ink * coverage) / 255, rounded; the top byte
// becomes 0.
uint32_t BlendCoverage(uint32_t under, uint32_t ink, uint32_t coverage);

// A glyph's box in a bitmap: `rows` rows of `count` words, `rowStep` words apart (negative for a
// bottom-up bitmap), under coverage rows `coverageStep` bytes apart. Every word from a row's start
// up to `end` is memory the blend may read and write back unchanged.
struct CoverageBox {
  uint32_t* first;
  ptrdiff_t rowStep;
  const uint8_t* coverage;
  size_t coverageStep;
  size_t count, rows;
  const uint32_t* end;
};

// Each word of the box blended with its coverage byte. Words under zero coverage are left exactly
// as they were, top byte included.
void BlendCoverageBox(const CoverageBox& box, uint32_t ink);

#if defined(__SSE2__)
// The two vector forms behind BlendCoverageBox, for the tests; AVX2 only where BlendHasAvx2().
void BlendCoverageBoxSse2(const CoverageBox& box, uint32_t ink);
void BlendCoverageBoxAvx2(const CoverageBox& box, uint32_t ink);
bool BlendHasAvx2();
#endif

}  // namespace win32::gdi
