// The triangle filter's working memory: a few rows (slices) whatever the ratio, even when one
// source row reaches every destination row, with the texels of the plain tent reference.
#include <array>

#include "array_allocations.h"
#include "blit_test_util.h"

using namespace blittest;

namespace {

constexpr uint32_t kLeft = 0xFF10C040, kRight = 0x40F02080;

// Per channel, the tent reference of a two-pixel row at each destination column.
std::vector<std::array<double, 4>> ReferenceRow(UINT width, bool wrap) {
  const auto w = TentMatrix(2, width, wrap);
  std::vector<std::array<double, 4>> row(width);
  for (UINT x = 0; x < width; ++x)
    for (int c = 0; c < 4; ++c) row[x][c] = w[x][0] * Channel(kLeft, c) + w[x][1] * Channel(kRight, c);
  return row;
}

// Every texel of `dst` (of any height and depth) against the reference of its column.
void ExpectColumnsMatch(Canvas& dst, bool wrap) {
  const auto want = ReferenceRow(dst.Width(), wrap);
  int misses = 0;
  for (UINT z = 0; z < dst.Depth(); ++z)
    for (UINT y = 0; y < dst.Height(); ++y)
      for (UINT x = 0; x < dst.Width(); ++x)
        for (int c = 0; c < 4; ++c)
          if (std::fabs(Channel(dst.Pixel(x, y, z), c) - want[x][c]) > 0.6 && ++misses < 5)
            ADD_FAILURE() << "texel " << x << "," << y << "," << z << " channel " << c << ": "
                          << Channel(dst.Pixel(x, y, z), c) << " for " << want[x][c];
  EXPECT_EQ(misses, 0);
}

TEST(BlitTriangleMemory, TwoByOneUpscaledToAThousandRowsHoldsAFewRows) {
  const UINT size = 1024;
  for (DWORD mirror : {DWORD(0), DWORD(D3DX_FILTER_MIRROR)}) {
    Canvas src(D3DFMT_A8R8G8B8, 2, 1), dst(D3DFMT_A8R8G8B8, size, size);
    src.SetPixel(0, 0, 0, kLeft);
    src.SetPixel(1, 0, 0, kRight);
    size_t largest;
    {
      LargestArrayAllocation watch;
      ASSERT_EQ(Blit(dst.region, src.region, D3DX_FILTER_TRIANGLE | mirror), D3D_OK);
      largest = watch.bytes();
    }
    // Every destination row open at once would take size rows of four floats per texel.
    EXPECT_LE(largest, 8 * size * sizeof(D3DXCOLOR)) << "mirror " << mirror;
    ExpectColumnsMatch(dst, !mirror);
    EXPECT_TRUE(dst.GuardIntact());
  }
}

TEST(BlitTriangleMemory, OneSliceUpscaledToManyHoldsAFewSlices) {
  const UINT width = 32, height = 16, depth = 64;
  Canvas src(D3DFMT_A8R8G8B8, 2, 1, 1), dst(D3DFMT_A8R8G8B8, width, height, depth);
  src.SetPixel(0, 0, 0, kLeft);
  src.SetPixel(1, 0, 0, kRight);
  size_t largest;
  {
    LargestArrayAllocation watch;
    ASSERT_EQ(Blit(dst.region, src.region, D3DX_FILTER_TRIANGLE), D3D_OK);
    largest = watch.bytes();
  }
  EXPECT_LE(largest, 8 * width * height * sizeof(D3DXCOLOR));
  ExpectColumnsMatch(dst, true);
  EXPECT_TRUE(dst.GuardIntact());
}

}  // namespace
