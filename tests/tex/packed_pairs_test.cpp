// The two-pixels-per-word formats: pair conversion against the studio-range formulas worked out
// here, byte positions, round trips, and row access with its cached, committed row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "../../d3dx/tex/format_info.h"
#include "../../d3dx/tex/packed_pairs.h"
#include "../../d3dx/tex/round_mode.h"
#include "../../d3dx/tex/row_codec.h"

namespace {

using namespace d3dx;

DWORD Word(BYTE b0, BYTE b1, BYTE b2, BYTE b3) { return b0 | b1 << 8 | b2 << 16 | DWORD(b3) << 24; }

DWORD Encode(PackedLayout layout, const D3DXCOLOR& p0, const D3DXCOLOR& p1) {
  const D3DXCOLOR in[2] = {p0, p1};
  RoundTowardZeroScope rounding;
  return EncodePackedPair(layout, in);
}

// r, g, b of studio-range Y'CbCr, in double.
void YuvReference(int y, int u, int v, double rgb[3]) {
  const double l = (y - 16) / 219.0, cb = (u - 128) / 224.0, cr = (v - 128) / 224.0;
  rgb[0] = std::fmin(1, std::fmax(0, l + 1.402 * cr));
  rgb[1] = std::fmin(1, std::fmax(0, l - 0.344136 * cb - 0.714136 * cr));
  rgb[2] = std::fmin(1, std::fmax(0, l + 1.772 * cb));
}

TEST(PackedPairs, YuvDecodesToStudioRangeRgbWithSharedChroma) {
  std::mt19937 rng(3);
  for (int n = 0; n < 2000; ++n) {
    const BYTE y0 = BYTE(rng()), y1 = BYTE(rng()), u = BYTE(rng()), v = BYTE(rng());
    D3DXCOLOR yuy2[2], uyvy[2];
    DecodePackedPair(PackedLayout::Yuy2, Word(y0, u, y1, v), yuy2);
    DecodePackedPair(PackedLayout::Uyvy, Word(u, y0, v, y1), uyvy);
    const int ys[2] = {y0, y1};
    for (int p = 0; p < 2; ++p) {
      double want[3];
      YuvReference(ys[p], u, v, want);
      EXPECT_NEAR(yuy2[p].r, want[0], 2e-3) << n;
      EXPECT_NEAR(yuy2[p].g, want[1], 2e-3) << n;
      EXPECT_NEAR(yuy2[p].b, want[2], 2e-3) << n;
      EXPECT_EQ(yuy2[p].a, 1.0f);
      EXPECT_EQ(std::memcmp(&yuy2[p], &uyvy[p], sizeof(D3DXCOLOR)), 0) << "same pixels, other byte order";
    }
  }
  D3DXCOLOR black[2];
  DecodePackedPair(PackedLayout::Yuy2, Word(16, 128, 16, 128), black);
  EXPECT_EQ(black[0].r + black[0].g + black[0].b, 0.0f);
}

TEST(PackedPairs, YuvEncodesLumaOfEachPixelAndChromaOfTheFirst) {
  // Red, white and black by the formulas: Y = 65.481 r + 128.553 g + 24.966 b + 16, U and V
  // truncated toward zero around 128.
  EXPECT_EQ(Encode(PackedLayout::Yuy2, {1, 0, 0, 1}, {1, 1, 1, 1}), Word(81, 91, 235, 240));
  EXPECT_EQ(Encode(PackedLayout::Uyvy, {0, 0, 0, 1}, {0, 0, 1, 1}), Word(128, 16, 128, 41));
  // The second pixel's colour does not reach the shared bytes.
  EXPECT_EQ(Encode(PackedLayout::Yuy2, {0.5f, 0.5f, 0.5f, 1}, {0, 1, 0, 1}) & 0xFF00FF00u,
            Encode(PackedLayout::Yuy2, {0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 1}) & 0xFF00FF00u);
  // Out of range and NaN saturate instead of wrapping.
  const float nan = std::nanf("");
  EXPECT_EQ(Encode(PackedLayout::Yuy2, {nan, 2.0f, -1.0f, 1}, {nan, nan, nan, 1}),
            Encode(PackedLayout::Yuy2, {1, 1, 0, 1}, {1, 1, 1, 1}));
}

TEST(PackedPairs, YuvRoundTripsGreysExactlyAndColoursWithinTheirSteps) {
  for (int y = 16; y <= 235; ++y) {
    const DWORD w = Word(BYTE(y), 128, BYTE(235 + 16 - y), 128);
    D3DXCOLOR c[2];
    DecodePackedPair(PackedLayout::Yuy2, w, c);
    EXPECT_EQ(Encode(PackedLayout::Yuy2, c[0], c[1]), w) << y;
  }
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> unit(0, 1);
  for (int n = 0; n < 2000; ++n) {
    const D3DXCOLOR p = {unit(rng), unit(rng), unit(rng), 1};
    D3DXCOLOR back[2];
    DecodePackedPair(PackedLayout::Yuy2, Encode(PackedLayout::Yuy2, p, p), back);
    // Half a step of Y, and up to one and a half of U or V where trunc(x + 0.5) meets a
    // negative x: 0.0023 + 0.0119 in blue, the widest.
    EXPECT_NEAR(back[0].r, p.r, 0.016f) << n;
    EXPECT_NEAR(back[0].g, p.g, 0.016f) << n;
    EXPECT_NEAR(back[0].b, p.b, 0.016f) << n;
  }
}

TEST(PackedPairs, RgbgAndGrgbRoundTripEveryByteInEveryPosition) {
  for (PackedLayout layout : {PackedLayout::Rgbg, PackedLayout::Grgb})
    for (int v = 0; v < 256; ++v) {
      const DWORD w = Word(BYTE(v), BYTE(v ^ 0x5A), BYTE(255 - v), BYTE(v * 7));
      D3DXCOLOR c[2];
      DecodePackedPair(layout, w, c);
      EXPECT_EQ(Encode(layout, c[0], c[1]), w) << v;
    }
  // Own green in bits 0-7 (RGBG) or 8-15 (GRGB) of each half, red then blue in the others.
  D3DXCOLOR c[2];
  DecodePackedPair(PackedLayout::Rgbg, Word(0, 255, 51, 0), c);
  EXPECT_EQ(c[0].g, 0.0f);
  EXPECT_EQ(c[1].g, 51 * (1.0f / 255));
  EXPECT_EQ(c[0].r, 1.0f);
  EXPECT_EQ(c[1].r, 1.0f);
  DecodePackedPair(PackedLayout::Grgb, Word(0, 255, 51, 0), c);
  EXPECT_EQ(c[0].g, 1.0f);
  EXPECT_EQ(c[1].b, 51 * (1.0f / 255));
}

struct PackedImage {
  PackedImage(D3DFORMAT f, UINT w, UINT h)
      : format(f), width(w), height(h), pitch(UINT(RowBytes(f, w))), bytes(size_t(pitch) * h) {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = BYTE(i * 37 + 11);
  }
  ImageRegion Region(ImageBox box) {
    return {bytes.data(), format, pitch, 0, {0, 0, width, height, 0, 1}, box, FALSE, FALSE, 0, nullptr};
  }
  DWORD At(UINT pair, UINT y) const {
    DWORD w;
    std::memcpy(&w, &bytes[size_t(y) * pitch + 4 * pair], 4);
    return w;
  }
  D3DFORMAT format;
  UINT width, height, pitch;
  std::vector<BYTE> bytes;
};

TEST(PackedPairRows, OddRegionEdgesKeepTheNeighbourInTheirPair) {
  // Pixels 1..4 of a 6-wide R8G8_B8G8 row: pixel 0 keeps its green, R and B of pair 0 stay those
  // of pixel 0; pair 2 takes R and B from pixel 4, pixel 5 keeps its green.
  PackedImage img(D3DFMT_R8G8_B8G8, 6, 2);
  const std::vector<BYTE> before = img.bytes;
  std::unique_ptr<RowCodec> codec;
  ASSERT_EQ(CreateRowCodec(img.Region({1, 1, 5, 2, 0, 1}), &codec), D3D_OK);
  const D3DXCOLOR row[4] = {{0.2f, 0.4f, 0.6f, 1}, {0.2f, 0.8f, 0.6f, 1}, {1, 0.1f, 0, 1}, {0, 0.3f, 1, 1}};
  ASSERT_EQ(codec->EncodeRow(0, 0, row), D3D_OK);
  codec.reset();  // commits the cached row
  const DWORD old0 = before[img.pitch] | before[img.pitch + 1] << 8 | before[img.pitch + 3] << 24;
  EXPECT_EQ(img.At(0, 1), old0 | 102u << 16) << "G0, R, B kept; G1 = 0.4";
  EXPECT_EQ(img.At(1, 1), Word(204, 51, 26, 153));
  EXPECT_EQ(img.At(2, 1), Word(77, 0, before[2 * img.pitch - 2], 255));
  EXPECT_EQ(std::memcmp(img.bytes.data(), before.data(), img.pitch), 0) << "row 0 untouched";
}

TEST(PackedPairRows, WrittenRowReachesMemoryOnTheNextFetchOrAtTheEnd) {
  PackedImage img(D3DFMT_YUY2, 4, 3);
  std::unique_ptr<RowCodec> codec;
  ASSERT_EQ(CreateRowCodec(img.Region({0, 0, 4, 3, 0, 1}), &codec), D3D_OK);
  const D3DXCOLOR white[4] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}};
  ASSERT_EQ(codec->EncodeRow(0, 0, white), D3D_OK);
  EXPECT_NE(img.At(0, 0), Word(235, 128, 235, 128)) << "still cached";
  D3DXCOLOR row[4];
  ASSERT_EQ(codec->DecodeRow(2, 0, row), D3D_OK);
  EXPECT_EQ(img.At(0, 0), Word(235, 128, 235, 128));
  ASSERT_EQ(codec->EncodeRow(1, 0, white), D3D_OK);
  ASSERT_EQ(codec->DecodeRow(1, 0, row), D3D_OK) << "a written row is committed and read back";
  EXPECT_NEAR(row[3].g, 1.0f, 1e-5f);
  codec.reset();
  EXPECT_EQ(img.At(1, 1), Word(235, 128, 235, 128));
}

TEST(PackedPairRows, ColourKeyIsTheArgbColourAsGiven) {
  PackedImage img(D3DFMT_G8R8_G8B8, 2, 1);
  const DWORD w = Word(255, 0, 0, 0);  // R = 1, G0 = 0, B = 0, G1 = 0
  std::memcpy(img.bytes.data(), &w, 4);
  ImageRegion r = img.Region({0, 0, 2, 1, 0, 1});
  r.colorKey = 0xFFFF0000;
  std::unique_ptr<RowCodec> codec;
  ASSERT_EQ(CreateRowCodec(r, &codec), D3D_OK);
  D3DXCOLOR row[2];
  ASSERT_EQ(codec->DecodeRow(0, 0, row), D3D_OK);
  EXPECT_EQ(row[0].r + row[0].g + row[0].b + row[0].a, 0.0f);
  EXPECT_EQ(row[1].r + row[1].g + row[1].b + row[1].a, 0.0f);
}

}  // namespace
