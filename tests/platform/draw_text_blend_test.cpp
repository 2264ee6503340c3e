// DrawText's coverage blending against a plain per-channel reference: every channel value under
// every coverage, rows of every short length (the vector body and its tail), and the words that
// must not change (zero coverage, the word past the row).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "../../platform/win32/draw_text_blend.h"

namespace {

using RowBlend = void (*)(uint32_t*, const uint8_t*, size_t, size_t, uint32_t);

// The row blend as DrawText calls it, and each vector form this processor can run.
std::vector<RowBlend> RowBlends() {
  std::vector<RowBlend> blends = {win32::gdi::BlendCoverageRow};
#if defined(__SSE2__)
  blends.push_back(win32::gdi::BlendCoverageRowSse2);
  if (win32::gdi::BlendHasAvx2()) blends.push_back(win32::gdi::BlendCoverageRowAvx2);
#endif
  return blends;
}

// round((under * (255 - a) + ink * a) / 255) per colour channel; no ties can occur.
uint32_t ReferenceBlend(uint32_t under, uint32_t ink, uint32_t a) {
  if (a == 0) return under;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t x = ((under >> shift) & 0xFF) * (255 - a) + ((ink >> shift) & 0xFF) * a;
    out |= ((2 * x + 255) / 510) << shift;
  }
  return out;
}

TEST(DrawTextBlend, EveryChannelValueUnderEveryCoverageRoundsToNearest) {
  // Four words per coverage so that the vector body, not the tail, blends them.
  const std::vector<RowBlend> blends = RowBlends();
  for (size_t form = 0; form < blends.size(); ++form)
    for (uint32_t ink : {0x000000u, 0xFFFFFFu, 0x4D12C8u}) {
      for (uint32_t under = 0; under < 256; ++under) {
        std::vector<uint32_t> row(256 * 4), expected(row.size());
        std::vector<uint8_t> coverage(row.size());
        for (uint32_t a = 0; a < 256; ++a) {
          // The channels differ, so a channel mixed up with another shows.
          const uint32_t word = 0xA5000000u | under << 16 | (255 - under) << 8 | (under * 7 & 0xFF);
          for (int k = 0; k < 4; ++k) {
            row[a * 4 + k] = word;
            coverage[a * 4 + k] = (uint8_t)a;
            expected[a * 4 + k] = ReferenceBlend(word, ink, a);
          }
        }
        blends[form](row.data(), coverage.data(), row.size(), row.size(), ink);
        for (size_t i = 0; i < row.size(); ++i)
          ASSERT_EQ(row[i], expected[i]) << std::hex << "form " << form << " ink " << ink << " under "
                                         << under << " coverage " << (int)coverage[i];
      }
    }
}

TEST(DrawTextBlend, RowsOfEveryLengthTouchOnlyTheirOwnWords) {
  std::mt19937 random(17);
  const std::vector<RowBlend> blends = RowBlends();
  for (size_t form = 0; form < blends.size(); ++form)
    for (size_t count = 0; count <= 19; ++count) {
      // Without room past the row, and with the rest of the buffer as room.
      for (size_t slack : {0, 3, 9}) {
        for (int trial = 0; trial < 50; ++trial) {
          const uint32_t ink = random() & 0xFFFFFF;
          std::vector<uint32_t> row(count + 10);
          std::vector<uint8_t> coverage(count + 10);
          for (size_t i = 0; i < row.size(); ++i) {
            row[i] = (uint32_t)random();  // top bytes too: zero coverage keeps them
            const uint32_t r = random() % 4;
            coverage[i] = r == 0 ? 0 : r == 1 ? 255 : (uint8_t)random();
          }
          std::vector<uint32_t> expected = row;
          for (size_t i = 1; i <= count; ++i) expected[i] = ReferenceBlend(row[i], ink, coverage[i]);
          blends[form](row.data() + 1, coverage.data() + 1, count, count + slack, ink);
          for (size_t i = 0; i < row.size(); ++i)
            ASSERT_EQ(row[i], expected[i])
                << "form " << form << " length " << count << " room " << count + slack << " word " << i
                << " coverage " << (int)coverage[i];
        }
      }
    }
}

}  // namespace
