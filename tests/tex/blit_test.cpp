// Transfers between memory regions: which strategy answers which request, the exact pixels of
// the small cases worked out by hand, references for the resamplers, and bad input.
#include <cmath>

#include "blit_test_util.h"

using namespace blittest;

namespace {

HRESULT Transfer(Canvas& dest, Canvas& source, DWORD filter) {
  return Blit(dest.region, source.region, filter);
}

TEST(BlitCopy, EqualSizesOfOneFormatMoveBytesWhateverTheFilter) {
  // The X byte survives only a byte copy: every conversion writes it as 0.
  for (DWORD filter : {DWORD(D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER), DWORD(D3DX_FILTER_BOX),
                       DWORD(D3DX_FILTER_LINEAR)}) {
    Canvas src(D3DFMT_X8R8G8B8, 5, 3), dst(D3DFMT_X8R8G8B8, 5, 3);
    src.FillRandom(1);
    ASSERT_EQ(Transfer(dst, src, filter), D3D_OK);
    for (UINT y = 0; y < 3; ++y)
      for (UINT x = 0; x < 5; ++x) EXPECT_EQ(dst.Pixel(x, y), src.Pixel(x, y));
    EXPECT_TRUE(dst.GuardIntact());
  }
}

TEST(BlitCopy, DifferentPalettesConvertThroughColours) {
  PALETTEENTRY a[256] = {}, b[256] = {};
  for (int i = 0; i < 256; ++i) {
    a[i] = {BYTE(i), BYTE(i), BYTE(i), 255};
    b[255 - i] = a[i];  // the same colours in reverse order
  }
  Canvas src(D3DFMT_P8, 4), dst(D3DFMT_P8, 4);
  src.region.palette = a;
  dst.region.palette = b;
  for (UINT x = 0; x < 4; ++x) src.SetPixel(x, 0, 0, 10 * x + 3);
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_NONE), D3D_OK);
  for (UINT x = 0; x < 4; ++x) EXPECT_EQ(dst.Pixel(x), 255 - (10 * x + 3));
  // With equal palettes the indices are copied.
  dst.region.palette = a;
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_NONE), D3D_OK);
  for (UINT x = 0; x < 4; ++x) EXPECT_EQ(dst.Pixel(x), 10 * x + 3);
}

TEST(BlitConvert, SameSizeConvertsEveryPixel) {
  Canvas src(D3DFMT_A8R8G8B8, 3, 2), dst(D3DFMT_R5G6B5, 3, 2);
  src.Fill(Argb(255, 255, 0, 0));
  src.SetPixel(2, 1, 0, Argb(255, 0, 255, 0));
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_POINT), D3D_OK);
  EXPECT_EQ(dst.Pixel(0, 0), 0xF800u);
  EXPECT_EQ(dst.Pixel(2, 1), 0x07E0u);
  EXPECT_TRUE(dst.GuardIntact());
}

TEST(BlitUnfiltered, SmallerSourceLeavesTheRestTransparentBlack) {
  Canvas src(D3DFMT_A8R8G8B8, 2, 2), dst(D3DFMT_A8R8G8B8, 4, 4);
  src.Fill(0xFF102030);
  dst.Fill(0x12345678);
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_NONE), D3D_OK);
  int copied = 0, zero = 0;
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x) {
      if (x < 2 && y < 2)
        copied += dst.Pixel(x, y) == 0xFF102030;
      else
        zero += dst.Pixel(x, y) == 0;
    }
  EXPECT_EQ(copied, 4);
  EXPECT_EQ(zero, 12);
  EXPECT_TRUE(dst.GuardIntact());
}

TEST(BlitUnfiltered, LargerSourceIsCropped) {
  Canvas src(D3DFMT_A8R8G8B8, 4, 3, 2), dst(D3DFMT_A8R8G8B8, 2, 2, 3);
  src.FillRandom(7);
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_NONE), D3D_OK);
  for (UINT z = 0; z < 3; ++z)
    for (UINT y = 0; y < 2; ++y)
      for (UINT x = 0; x < 2; ++x)
        EXPECT_EQ(dst.Pixel(x, y, z), z < 2 ? src.Pixel(x, y, z) : 0) << x << y << z;
  EXPECT_TRUE(dst.GuardIntact());
}

TEST(BlitPoint, StepsInFixedPoint) {
  Canvas src(D3DFMT_L8, 5), dst(D3DFMT_L8, 3);
  for (UINT x = 0; x < 5; ++x) src.SetPixel(x, 0, 0, 10 + x);
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_POINT), D3D_OK);
  // step 5 * 65536 / 3 = 109226: pixels 0, 1 and 3 (sampling at centres would take 4).
  EXPECT_EQ(dst.Pixel(0), 10u);
  EXPECT_EQ(dst.Pixel(1), 11u);
  EXPECT_EQ(dst.Pixel(2), 13u);

  Canvas three(D3DFMT_L8, 3, 3), two(D3DFMT_L8, 2, 2);
  for (UINT y = 0; y < 3; ++y)
    for (UINT x = 0; x < 3; ++x) three.SetPixel(x, y, 0, 10 * y + x);
  ASSERT_EQ(Transfer(two, three, D3DX_FILTER_POINT), D3D_OK);
  EXPECT_EQ(two.Pixel(0, 0), 0u);
  EXPECT_EQ(two.Pixel(1, 0), 1u);
  EXPECT_EQ(two.Pixel(0, 1), 10u);
  EXPECT_EQ(two.Pixel(1, 1), 11u);
}

TEST(BlitPoint, EnlargesVolumesSliceBySlice) {
  Canvas src(D3DFMT_L8, 2, 2, 2), dst(D3DFMT_L8, 4, 3, 5);
  for (UINT z = 0; z < 2; ++z)
    for (UINT y = 0; y < 2; ++y)
      for (UINT x = 0; x < 2; ++x) src.SetPixel(x, y, z, 100 * z + 10 * y + x);
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_POINT), D3D_OK);
  for (UINT z = 0; z < 5; ++z)
    for (UINT y = 0; y < 3; ++y)
      for (UINT x = 0; x < 4; ++x) {
        const UINT sx = UINT(x * (2 * 65536 / 4) >> 16), sy = UINT(y * (2 * 65536 / 3) >> 16),
                   sz = UINT(z * (2 * 65536 / 5) >> 16);
        EXPECT_EQ(dst.Pixel(x, y, z), 100 * sz + 10 * sy + sx);
      }
  EXPECT_TRUE(dst.GuardIntact());
}

TEST(BlitBox, FiveByFiveIgnoresTheLastRowAndColumn) {
  // Packed path (no dither) and decoded path (dither) alike.
  for (DWORD filter : {DWORD(D3DX_FILTER_BOX), DWORD(D3DX_FILTER_BOX | D3DX_FILTER_DITHER)}) {
    Canvas src(D3DFMT_A8R8G8B8, 5, 5), dst(D3DFMT_A8R8G8B8, 2, 2);
    src.Fill(0xFFFFFFFF);
    for (UINT y = 0; y < 4; ++y)
      for (UINT x = 0; x < 4; ++x) src.SetPixel(x, y, 0, Argb(4 * (2 * y + x), 8 * x, 8 * y, 40));
    ASSERT_EQ(Transfer(dst, src, filter), D3D_OK);
    for (UINT y = 0; y < 2; ++y)
      for (UINT x = 0; x < 2; ++x) {
        const uint64_t p = dst.Pixel(x, y);
        // Mean of alpha 4*(2y'+x') over the block: 4 * (4y + 2x + 1.5) for block (x, y).
        EXPECT_EQ(Channel(p, 3), 4 * (4 * int(y) + 2 * int(x)) + 6);
        EXPECT_EQ(Channel(p, 2), 16 * int(x) + 4);
        EXPECT_EQ(Channel(p, 1), 16 * int(y) + 4);
        EXPECT_EQ(Channel(p, 0), 40);
      }
    EXPECT_TRUE(dst.GuardIntact());
  }
}

TEST(BlitBox, OneRowSourceAveragesEachPairWithItself) {
  Canvas src(D3DFMT_A8R8G8B8, 4, 1), dst(D3DFMT_A8R8G8B8, 2, 1);
  src.SetPixel(0, 0, 0, Argb(0, 0, 0, 0));
  src.SetPixel(1, 0, 0, Argb(200, 200, 200, 200));
  src.SetPixel(2, 0, 0, Argb(20, 40, 60, 80));
  src.SetPixel(3, 0, 0, Argb(40, 80, 120, 160));
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_BOX), D3D_OK);
  EXPECT_EQ(dst.Pixel(0), Argb(100, 100, 100, 100));
  EXPECT_EQ(dst.Pixel(1), Argb(30, 60, 90, 120));
}

TEST(BlitBox, KeyedSourcePixelsAverageAsTransparentBlack) {
  Canvas src(D3DFMT_A8R8G8B8, 2, 2), dst(D3DFMT_A8R8G8B8, 1, 1);
  src.Fill(Argb(255, 200, 100, 40));
  src.SetPixel(1, 1, 0, Argb(255, 255, 0, 255));
  src.region.colorKey = Argb(255, 255, 0, 255);
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_BOX), D3D_OK);
  EXPECT_EQ(dst.Pixel(0), Argb(191, 150, 75, 30));
}

TEST(BlitBox, VolumesAverageEightPixels) {
  Canvas src(D3DFMT_A8R8G8B8, 4, 2, 3), dst(D3DFMT_A8R8G8B8, 2, 1, 1);
  for (UINT z = 0; z < 3; ++z)
    for (UINT y = 0; y < 2; ++y)
      for (UINT x = 0; x < 4; ++x) src.SetPixel(x, y, z, Argb(8 * z, 16 * x, 32 * y, z == 2 ? 255 : 0));
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_BOX), D3D_OK);
  // Slice 2 (the odd last one) takes no part.
  EXPECT_EQ(dst.Pixel(0), Argb(4, 8, 16, 0));
  EXPECT_EQ(dst.Pixel(1), Argb(4, 40, 16, 0));
  EXPECT_TRUE(dst.GuardIntact());
}

TEST(BlitBox, NonHalvingSizesGoToTheTriangleFilter) {
  Canvas src(D3DFMT_A8R8G8B8, 300, 3), box(D3DFMT_A8R8G8B8, 128, 2), tri(D3DFMT_A8R8G8B8, 128, 2);
  src.FillRandom(3);
  ASSERT_EQ(Transfer(box, src, D3DX_FILTER_BOX), D3D_OK);
  ASSERT_EQ(Transfer(tri, src, D3DX_FILTER_TRIANGLE), D3D_OK);
  EXPECT_EQ(box.bytes, tri.bytes);
}

// Bilinear sampling at pixel centres, written out directly.
double ReferenceLinear(const std::vector<double>& src, UINT dst, UINT i, bool wrap) {
  const UINT n = UINT(src.size());
  const double pos = (i + 0.5) * n / dst - 0.5;
  const long first = long(std::floor(pos));
  const double t = pos - first;
  auto at = [&](long k) {
    if (wrap) return src[size_t((k % long(n) + n) % n)];
    return src[size_t(k < 0 ? 0 : (k >= long(n) ? n - 1 : k))];
  };
  return at(first) * (1 - t) + at(first + 1) * t;
}

TEST(BlitLinear, TwoToFourWrapsWithoutMirror) {
  Canvas src(D3DFMT_L8, 2), wrap(D3DFMT_L8, 4), mirror(D3DFMT_L8, 4);
  src.SetPixel(0, 0, 0, 0);
  src.SetPixel(1, 0, 0, 200);
  ASSERT_EQ(Transfer(wrap, src, D3DX_FILTER_LINEAR), D3D_OK);
  ASSERT_EQ(Transfer(mirror, src, D3DX_FILTER_LINEAR | D3DX_FILTER_MIRROR_U), D3D_OK);
  EXPECT_EQ(wrap.Pixel(0), 50u);
  EXPECT_EQ(wrap.Pixel(3), 150u);
  EXPECT_EQ(mirror.Pixel(0), 0u);
  EXPECT_EQ(mirror.Pixel(3), 200u);
  EXPECT_EQ(wrap.Pixel(1), 50u);
  EXPECT_EQ(mirror.Pixel(1), 50u);
}

TEST(BlitLinear, MatchesBilinearSamplingOnBothAxes) {
  const UINT sw = 7, sh = 5, dw = 11, dh = 3;
  for (DWORD mirror : {DWORD(0), DWORD(D3DX_FILTER_MIRROR_U | D3DX_FILTER_MIRROR_V)}) {
    Canvas src(D3DFMT_L8, sw, sh), dst(D3DFMT_L8, dw, dh);
    src.FillRandom(11, 0xFF);
    ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_LINEAR | mirror), D3D_OK);
    for (UINT y = 0; y < dh; ++y)
      for (UINT x = 0; x < dw; ++x) {
        std::vector<double> column(sh);
        for (UINT sy = 0; sy < sh; ++sy) {
          std::vector<double> row(sw);
          for (UINT sx = 0; sx < sw; ++sx) row[sx] = double(src.Pixel(sx, sy));
          column[sy] = ReferenceLinear(row, dw, x, !mirror);
        }
        const double want = ReferenceLinear(column, dh, y, !mirror);
        EXPECT_NEAR(double(dst.Pixel(x, y)), want, 0.51) << x << "," << y;
      }
    EXPECT_TRUE(dst.GuardIntact());
  }
}

TEST(BlitLinear, VolumesBlendEightTaps) {
  Canvas src(D3DFMT_L8, 2, 2, 2), dst(D3DFMT_L8, 1, 1, 1);
  const int values[8] = {0, 40, 80, 120, 160, 200, 240, 255};
  for (UINT i = 0; i < 8; ++i) src.SetPixel(i & 1, (i >> 1) & 1, i >> 2, values[i]);
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_LINEAR), D3D_OK);
  // The centre of a 2x2x2 source weighs all eight equally.
  EXPECT_EQ(dst.Pixel(0), 137u);
}

TEST(BlitTriangle, TwoToFiveWithAndWithoutMirror) {
  Canvas src(D3DFMT_L8, 2), wrap(D3DFMT_L8, 5), mirror(D3DFMT_L8, 5);
  src.SetPixel(0, 0, 0, 0);
  src.SetPixel(1, 0, 0, 240);
  ASSERT_EQ(Transfer(mirror, src, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR_U), D3D_OK);
  ASSERT_EQ(Transfer(wrap, src, D3DX_FILTER_TRIANGLE), D3D_OK);
  const uint64_t expected[5] = {0, 27, 120, 213, 240};
  for (UINT x = 0; x < 5; ++x) EXPECT_EQ(mirror.Pixel(x), expected[x]) << x;
  EXPECT_EQ(wrap.Pixel(0), 72u);  // 0.7 p0 + 0.3 p1
  EXPECT_EQ(wrap.Pixel(4), 168u);
}

TEST(BlitTriangle, MatchesTheSeparableTentOnBothAxes) {
  const UINT sizes[][4] = {{7, 5, 3, 4}, {4, 3, 9, 7}, {6, 6, 6, 2}};
  for (const auto& s : sizes)
    for (DWORD mirror : {DWORD(0), DWORD(D3DX_FILTER_MIRROR)}) {
      Canvas src(D3DFMT_L8, s[0], s[1]), dst(D3DFMT_L8, s[2], s[3]);
      src.FillRandom(5, 0xFF);
      ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_TRIANGLE | mirror), D3D_OK);
      const auto wx = TentMatrix(s[0], s[2], !mirror), wy = TentMatrix(s[1], s[3], !mirror);
      for (UINT y = 0; y < s[3]; ++y)
        for (UINT x = 0; x < s[2]; ++x) {
          double want = 0;
          for (UINT sy = 0; sy < s[1]; ++sy)
            for (UINT sx = 0; sx < s[0]; ++sx) want += wy[y][sy] * wx[x][sx] * double(src.Pixel(sx, sy));
          EXPECT_NEAR(double(dst.Pixel(x, y)), want, 0.6) << s[0] << "x" << s[1] << " at " << x << "," << y;
        }
      EXPECT_TRUE(dst.GuardIntact());
    }
}

TEST(BlitTriangle, ConstantImagesStayConstantInEveryDirection) {
  // Each destination pixel receives weights summing to 1 and is written exactly once.
  const UINT sizes[][6] = {{5, 5, 1, 2, 2, 1}, {3, 2, 1, 8, 7, 1}, {4, 4, 4, 2, 3, 5}, {1, 1, 3, 2, 2, 1}};
  for (const auto& s : sizes)
    for (DWORD flags : {DWORD(0), DWORD(D3DX_FILTER_MIRROR)}) {
      Canvas src(D3DFMT_A8R8G8B8, s[0], s[1], s[2]), dst(D3DFMT_A8R8G8B8, s[3], s[4], s[5]);
      src.Fill(Argb(200, 10, 128, 250));
      dst.Fill(0x01020304);
      ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_TRIANGLE | flags), D3D_OK);
      for (UINT z = 0; z < s[5]; ++z)
        for (UINT y = 0; y < s[4]; ++y)
          for (UINT x = 0; x < s[3]; ++x) EXPECT_EQ(dst.Pixel(x, y, z), Argb(200, 10, 128, 250));
      EXPECT_TRUE(dst.GuardIntact());
    }
}

TEST(BlitSrgb, BothEndsPassStoredValuesThroughAndOneEndConverts) {
  const DWORD both = D3DX_FILTER_POINT | D3DX_FILTER_SRGB_IN | D3DX_FILTER_SRGB_OUT;
  Canvas src(D3DFMT_A8R8G8B8, 4), dst(D3DFMT_X8R8G8B8, 4);
  src.Fill(Argb(255, 128, 64, 200));
  ASSERT_EQ(Transfer(dst, src, both), D3D_OK);
  EXPECT_EQ(dst.Pixel(0), Argb(0, 128, 64, 200));
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_POINT | D3DX_FILTER_SRGB_IN), D3D_OK);
  EXPECT_LT(Channel(dst.Pixel(0), 2), 70);  // (128/255)^2.2 * 255 = 56
  ASSERT_EQ(Transfer(dst, src, D3DX_FILTER_POINT | D3DX_FILTER_SRGB_OUT), D3D_OK);
  EXPECT_GT(Channel(dst.Pixel(0), 2), 170);  // (128/255)^(1/2.2) * 255 = 186
}

TEST(BlitBadInput, InvalidFilterWordsAreRefusedBeforeAnythingIsWritten) {
  Canvas src(D3DFMT_A8R8G8B8, 4, 4), dst(D3DFMT_A8R8G8B8, 2, 2);
  src.FillRandom(2);
  dst.Fill(0x11111111);
  for (DWORD filter : {DWORD(0), DWORD(6), DWORD(0x400000 | D3DX_FILTER_BOX), DWORD(0x80000000u | 1),
                       DWORD(0xFFFF), DWORD(D3DX_DEFAULT)}) {
    EXPECT_EQ(Transfer(dst, src, filter), D3DERR_INVALIDCALL) << std::hex << filter;
    for (UINT y = 0; y < 2; ++y)
      for (UINT x = 0; x < 2; ++x) EXPECT_EQ(dst.Pixel(x, y), 0x11111111u);
  }
  // Every documented flag together is valid.
  EXPECT_EQ(Transfer(dst, src, D3DX_FILTER_BOX | D3DX_FILTER_MIRROR | D3DX_FILTER_DITHER | D3DX_FILTER_SRGB),
            D3D_OK);
}

TEST(BlitBadInput, RegionsOutsideTheirImagesAndFormatsWithoutCodecs) {
  Canvas src(D3DFMT_A8R8G8B8, 4, 4), dst(D3DFMT_A8R8G8B8, 4, 4);
  ImageRegion outside = src.region;
  outside.region.right = outside.bounds.right + 1;
  EXPECT_EQ(Blit(dst.region, outside, D3DX_FILTER_NONE), D3DERR_INVALIDCALL);
  ImageRegion reversed = dst.region;
  std::swap(reversed.region.left, reversed.region.right);
  EXPECT_EQ(Blit(reversed, src.region, D3DX_FILTER_NONE), D3DERR_INVALIDCALL);
  ImageRegion depth = dst.region;
  depth.format = D3DFMT_D24S8;
  EXPECT_EQ(Blit(depth, src.region, D3DX_FILTER_NONE), E_FAIL);
  EXPECT_TRUE(dst.GuardIntact());
}

TEST(BlitBadInput, EmptySourcesFillOnlyWithTheUnfilteredCopy) {
  Canvas src(D3DFMT_A8R8G8B8, 0, 0), dst(D3DFMT_A8R8G8B8, 2, 2);
  dst.Fill(0x11111111);
  EXPECT_EQ(Transfer(dst, src, D3DX_FILTER_TRIANGLE), E_FAIL);
  EXPECT_EQ(Transfer(dst, src, D3DX_FILTER_BOX), E_FAIL);
  EXPECT_EQ(Transfer(dst, src, D3DX_FILTER_POINT), E_FAIL);
  EXPECT_EQ(Transfer(dst, src, D3DX_FILTER_LINEAR), E_FAIL);
  EXPECT_EQ(Transfer(dst, src, D3DX_FILTER_NONE), D3D_OK);
  EXPECT_EQ(dst.Pixel(1, 1), 0u);
  // An empty destination needs nothing.
  Canvas none(D3DFMT_A8R8G8B8, 0, 3);
  EXPECT_EQ(Transfer(none, dst, D3DX_FILTER_TRIANGLE), D3D_OK);
  EXPECT_TRUE(none.GuardIntact());
}

TEST(BlitBadInput, NoStrategyWritesOutsideTheDestination) {
  const DWORD filters[] = {D3DX_FILTER_NONE,
                           D3DX_FILTER_POINT,
                           D3DX_FILTER_LINEAR,
                           D3DX_FILTER_TRIANGLE,
                           D3DX_FILTER_BOX,
                           D3DX_FILTER_BOX | D3DX_FILTER_DITHER,
                           D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER | D3DX_FILTER_MIRROR};
  const UINT sizes[][6] = {
      {8, 6, 1, 4, 3, 1}, {3, 9, 1, 7, 2, 1}, {5, 4, 3, 2, 2, 1}, {4, 4, 1, 4, 4, 1}, {2, 3, 4, 5, 1, 2}};
  for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_L8, D3DFMT_A16B16G16R16F})
    for (DWORD filter : filters)
      for (const auto& s : sizes) {
        Canvas src(format, s[0], s[1], s[2]), dst(format, s[3], s[4], s[5]);
        src.FillRandom(9, format == D3DFMT_A16B16G16R16F ? 0x3BFF3BFF3BFF3BFFull : ~0ull);
        EXPECT_EQ(Transfer(dst, src, filter), D3D_OK) << format << " " << std::hex << filter;
        EXPECT_TRUE(dst.GuardIntact()) << format << " " << std::hex << filter << " " << s[0] << "x" << s[1];
      }
}

}  // namespace
