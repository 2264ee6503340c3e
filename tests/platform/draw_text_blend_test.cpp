// DrawText's coverage blending against a plain per-channel reference: every channel value under
// every coverage, boxes of every short width (the vector body and its tail) in both row orders,
// and the words that must not change (zero coverage, the words past a row).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "../../platform/win32/draw_text_blend.h"

namespace {

using win32::gdi::CoverageBox;
using BoxBlend = void (*)(const CoverageBox&, uint32_t);

// The blend as DrawText calls it, and each vector form this processor can run.
std::vector<BoxBlend> BoxBlends() {
  std::vector<BoxBlend> blends = {win32::gdi::BlendCoverageBox};
#if defined(__SSE2__)
  blends.push_back(win32::gdi::BlendCoverageBoxSse2);
  if (win32::gdi::BlendHasAvx2()) blends.push_back(win32::gdi::BlendCoverageBoxAvx2);
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
  const std::vector<BoxBlend> blends = BoxBlends();
  for (size_t form = 0; form < blends.size(); ++form)
    for (uint32_t ink : {0x000000u, 0xFFFFFFu, 0x4D12C8u}) {
      // One row per channel value, sixteen words per coverage: the vector bodies blend them.
      const size_t width = 256 * 16;
      std::vector<uint32_t> pixels(width * 256), expected(pixels.size());
      std::vector<uint8_t> coverage(width);
      for (size_t i = 0; i < width; ++i) coverage[i] = (uint8_t)(i / 16);
      for (uint32_t under = 0; under < 256; ++under)
        for (size_t i = 0; i < width; ++i) {
          // The channels differ, so a channel mixed up with another shows.
          const uint32_t word = 0xA5000000u | under << 16 | (255 - under) << 8 | (under * 7 & 0xFF);
          pixels[under * width + i] = word;
          expected[under * width + i] = ReferenceBlend(word, ink, coverage[i]);
        }
      const CoverageBox box = {
          pixels.data(), (ptrdiff_t)width, coverage.data(), 0, width, 256, pixels.data() + pixels.size()};
      blends[form](box, ink);
      for (size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(pixels[i], expected[i]) << std::hex << "form " << form << " ink " << ink << " word " << i;
    }
}

TEST(DrawTextBlend, BoxesOfEveryWidthTouchOnlyTheirOwnWords) {
  std::mt19937 random(17);
  const std::vector<BoxBlend> blends = BoxBlends();
  for (size_t form = 0; form < blends.size(); ++form)
    for (size_t width = 1; width <= 19; ++width)
      // Without room past the box's last row, and with the rest of the buffer as room; top-down
      // and bottom-up.
      for (size_t slack : {0, 3, 9})
        for (bool bottomUp : {false, true})
          for (int trial = 0; trial < 40; ++trial) {
            // White ink over black, the font renderer's case, in every other trial.
            const bool whiteOnBlack = trial % 2 == 0;
            const uint32_t ink = whiteOnBlack ? 0xFFFFFF : random() & 0xFFFFFF;
            const size_t pitch = width + 12, rows = 3, start = 1;
            std::vector<uint32_t> pixels(pitch * rows);
            std::vector<uint8_t> coverage(width * rows);
            for (uint32_t& p : pixels)  // top bytes too: zero coverage keeps them
              p = whiteOnBlack && random() % 8 ? 0 : (uint32_t)random();
            for (uint8_t& c : coverage) {
              const uint32_t r = random() % 4;
              c = r == 0 ? 0 : r == 1 ? 255 : (uint8_t)random();
            }
            std::vector<uint32_t> expected = pixels;
            for (size_t r = 0; r < rows; ++r) {
              const size_t row = bottomUp ? rows - 1 - r : r;
              for (size_t i = 0; i < width; ++i)
                expected[row * pitch + start + i] =
                    ReferenceBlend(pixels[row * pitch + start + i], ink, coverage[r * width + i]);
            }
            // The buffer ends `slack` words after the last row of the box in memory.
            const size_t lastInMemory = (rows - 1) * pitch + start + width;
            const CoverageBox box = {pixels.data() + (bottomUp ? (rows - 1) * pitch : 0) + start,
                                     bottomUp ? -(ptrdiff_t)pitch : (ptrdiff_t)pitch,
                                     coverage.data(),
                                     width,
                                     width,
                                     rows,
                                     pixels.data() + lastInMemory + slack};
            blends[form](box, ink);
            for (size_t i = 0; i < pixels.size(); ++i)
              ASSERT_EQ(pixels[i], expected[i]) << "form " << form << " width " << width << " slack " << slack
                                                << (bottomUp ? " bottom-up" : "") << " word " << i;
          }
}

}  // namespace
