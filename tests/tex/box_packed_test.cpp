// Box halving on packed pixels: every routine against a per-channel reference written from the
// formats' field tables, and against the decoded-colour path it stands in for.
#include <immintrin.h>

#include "../../d3dx/math/dispatch.h"
#include "../../d3dx/tex/box_packed.h"
#include "../../d3dx/tex/row_codec.h"
#include "blit_test_util.h"

using namespace blittest;

namespace {

struct Field {
  int shift, bits;
};

struct Layout {
  D3DFORMAT format;
  std::vector<Field> fields;  // the stored channels; X bits are not listed
};

const std::vector<Layout>& Layouts() {
  static const std::vector<Layout> layouts = {
      {D3DFMT_A8R8G8B8, {{0, 8}, {8, 8}, {16, 8}, {24, 8}}},
      {D3DFMT_A8B8G8R8, {{0, 8}, {8, 8}, {16, 8}, {24, 8}}},
      {D3DFMT_X8R8G8B8, {{0, 8}, {8, 8}, {16, 8}}},
      {D3DFMT_X8B8G8R8, {{0, 8}, {8, 8}, {16, 8}}},
      {D3DFMT_R5G6B5, {{0, 5}, {5, 6}, {11, 5}}},
      {D3DFMT_X1R5G5B5, {{0, 5}, {5, 5}, {10, 5}}},
      {D3DFMT_A1R5G5B5, {{0, 5}, {5, 5}, {10, 5}, {15, 1}}},
      {D3DFMT_A4R4G4B4, {{0, 4}, {4, 4}, {8, 4}, {12, 4}}},
      {D3DFMT_X4R4G4B4, {{0, 4}, {4, 4}, {8, 4}}},
      {D3DFMT_R3G3B2, {{0, 2}, {2, 3}, {5, 3}}},
      {D3DFMT_A8, {{0, 8}}},
      {D3DFMT_L8, {{0, 8}}},
      {D3DFMT_A8R3G3B2, {{0, 2}, {2, 3}, {5, 3}, {8, 8}}},
      {D3DFMT_A8L8, {{0, 8}, {8, 8}}},
      {D3DFMT_A4L4, {{0, 4}, {4, 4}}},
  };
  return layouts;
}

uint64_t FieldOf(uint64_t pixel, const Field& f) { return (pixel >> f.shift) & ((1ull << f.bits) - 1); }

// The four source pixels of destination (x, y).
struct Quad {
  uint64_t p[4];
};
Quad QuadAt(Canvas& src, UINT x, UINT y) {
  return {{src.Pixel(2 * x, 2 * y), src.Pixel(2 * x + 1, 2 * y), src.Pixel(2 * x, 2 * y + 1),
           src.Pixel(2 * x + 1, 2 * y + 1)}};
}

uint64_t ReferencePixel(const Layout& layout, const Quad& q) {
  uint64_t out = 0;
  for (const Field& f : layout.fields) {
    uint64_t sum = 2;
    for (uint64_t p : q.p) sum += FieldOf(p, f);
    out |= (sum >> 2) << f.shift;
  }
  return out;
}

// Source images with the extreme and the tie-making values of every channel as well as noise.
void FillSource(Canvas& src, uint32_t seed) {
  src.FillRandom(seed);
  const uint64_t corners[] = {0, ~0ull, 0x5555555555555555ull, 0xAAAAAAAAAAAAAAAAull};
  for (UINT x = 0; x < src.Width() && x < 8; ++x) src.SetPixel(x, 0, 0, corners[x % 4]);
}

void HalveWith(PackedHalveRow halve, Canvas& src, Canvas& dst) {
  for (UINT y = 0; y < dst.Height(); ++y)
    halve(src.At(0, 2 * y), src.At(0, 2 * y + 1), dst.At(0, y), dst.Width());
}

TEST(PackedBox, EveryRoutineMatchesThePerChannelMean) {
  for (const Layout& layout : Layouts())
    for (PackedPath path : {PackedPath::Plain, PackedPath::Simd}) {
      PackedHalveRow halve = FindPackedHalveRow(layout.format, path);
      ASSERT_NE(halve, nullptr) << layout.format;
      // Widths around the vector steps of 4 and 8 pixels.
      for (UINT w : {1u, 3u, 4u, 5u, 8u, 9u, 15u, 16u, 17u, 37u}) {
        Canvas src(layout.format, 2 * w + 1, 4), dst(layout.format, w, 2);
        FillSource(src, w * 31 + layout.format);
        HalveWith(halve, src, dst);
        for (UINT y = 0; y < 2; ++y)
          for (UINT x = 0; x < w; ++x)
            ASSERT_EQ(dst.Pixel(x, y), ReferencePixel(layout, QuadAt(src, x, y)))
                << "format " << layout.format << " width " << w << " at " << x << "," << y;
        EXPECT_TRUE(dst.GuardIntact());
      }
    }
}

TEST(PackedBox, BothVectorWidthsMatchThePlainRoutine) {
  const bool avx2 = MathProcessorHasAvx2Fma();
  for (UINT keep : {0xFFFFFFFFu, 0x00FFFFFFu})
    for (UINT w = 1; w < 40; ++w) {
      Canvas src(D3DFMT_A8R8G8B8, 2 * w, 2), plain(D3DFMT_A8R8G8B8, w), sse(D3DFMT_A8R8G8B8, w),
          wide(D3DFMT_A8R8G8B8, w);
      FillSource(src, w);
      HalveWith(
          FindPackedHalveRow(keep == 0xFFFFFFFFu ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, PackedPath::Plain), src,
          plain);
      HalveRow32Sse2(src.At(0, 0), src.At(0, 1), sse.At(0, 0), w, keep);
      EXPECT_EQ(sse.bytes, plain.bytes) << w;
      if (avx2) {
        HalveRow32Avx2(src.At(0, 0), src.At(0, 1), wide.At(0, 0), w, keep);
        EXPECT_EQ(wide.bytes, plain.bytes) << w;
      }
    }
}

TEST(PackedBox, OtherFormatsHaveNoPackedRoutine) {
  for (D3DFORMAT f : {D3DFMT_R8G8B8, D3DFMT_A2R10G10B10, D3DFMT_P8, D3DFMT_L16, D3DFMT_DXT1, D3DFMT_V8U8})
    EXPECT_EQ(FindPackedHalveRow(f, PackedPath::Plain), nullptr) << f;
}

// The decoded path written out: both rows through the format's codec, ((p00 + p01) + p10) + p11
// times 0.25, encoded with plain rounding.
void DecodedHalve(Canvas& src, Canvas& dst) {
  std::unique_ptr<RowCodec> in, out;
  ASSERT_EQ(CreateRowCodec(src.region, &in), D3D_OK);
  ASSERT_EQ(CreateRowCodec(dst.region, &out), D3D_OK);
  std::vector<D3DXCOLOR> top(src.Width()), bottom(src.Width()), row(dst.Width());
  for (UINT y = 0; y < dst.Height(); ++y) {
    ASSERT_EQ(in->DecodeRow(2 * y, 0, top.data()), D3D_OK);
    ASSERT_EQ(in->DecodeRow(2 * y + 1, 0, bottom.data()), D3D_OK);
    for (UINT x = 0; x < dst.Width(); ++x)
      row[x] = (((top[2 * x] + top[2 * x + 1]) + bottom[2 * x]) + bottom[2 * x + 1]) * 0.25f;
    ASSERT_EQ(out->EncodeRow(y, 0, row.data()), D3D_OK);
  }
}

TEST(PackedBox, DecodedColoursGiveTheSameResultsButForRoundingOfExactHalves) {
  // The decoded path rounds under truncation, so where the mean lies exactly halfway between two
  // levels it may give the lower one; everywhere else the results are the same.
  for (const Layout& layout : Layouts()) {
    Canvas src(layout.format, 64, 32), packed(layout.format, 32, 16), decoded(layout.format, 32, 16);
    FillSource(src, layout.format);
    if (layout.format == D3DFMT_L8 || layout.format == D3DFMT_A8L8 || layout.format == D3DFMT_A4L4) {
      // All 2x2 sums of the luminance channel, ties included, along the rows.
      for (UINT i = 0; i < 64 * 32; ++i) {
        const uint64_t bits = layout.fields[0].bits, max = (1ull << bits) - 1;
        const uint64_t v = (i * 7 + i / 64) % (max + 1);
        src.SetPixel(i % 64, i / 64, 0, (src.Pixel(i % 64, i / 64) & ~max) | v);
      }
    }
    ASSERT_EQ(Blit(packed.region, src.region, D3DX_FILTER_BOX), D3D_OK);
    DecodedHalve(src, decoded);
    for (UINT y = 0; y < 16; ++y)
      for (UINT x = 0; x < 32; ++x) {
        const Quad q = QuadAt(src, x, y);
        ASSERT_EQ(packed.Pixel(x, y), ReferencePixel(layout, q));
        for (const Field& f : layout.fields) {
          uint64_t sum = 0;
          for (uint64_t p : q.p) sum += FieldOf(p, f);
          const uint64_t want = FieldOf(packed.Pixel(x, y), f), got = FieldOf(decoded.Pixel(x, y), f);
          if (sum % 4 == 2 && got + 1 == want) continue;
          ASSERT_EQ(got, want) << "format " << layout.format << " field at bit " << f.shift << " sum " << sum;
        }
      }
  }
}

}  // namespace
