// Coverage blending for DrawText: a row of 8-bit glyph coverage laid in one colour over a row of
// 0x00RRGGBB words.
#pragma once
#include <cstddef>
#include <cstdint>

namespace win32::gdi {

// One word: each channel (under * (255 - coverage) + ink * coverage) / 255, rounded; the top byte
// becomes 0.
uint32_t BlendCoverage(uint32_t under, uint32_t ink, uint32_t coverage);

// `count` words of `row` blended with the matching coverage bytes. Words under zero coverage are
// left exactly as they were, top byte included. The `room` words from `row` on (at least `count`)
// are memory the blend may read and write back unchanged past the row's end.
void BlendCoverageRow(uint32_t* row, const uint8_t* coverage, size_t count, size_t room, uint32_t ink);

#if defined(__SSE2__)
// The two vector forms behind BlendCoverageRow, for the tests; AVX2 only where BlendHasAvx2().
void BlendCoverageRowSse2(uint32_t* row, const uint8_t* coverage, size_t count, size_t room, uint32_t ink);
void BlendCoverageRowAvx2(uint32_t* row, const uint8_t* coverage, size_t count, size_t room, uint32_t ink);
bool BlendHasAvx2();
#endif

}  // namespace win32::gdi
