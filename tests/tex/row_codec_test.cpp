// The per-pixel row codecs: field positions and scales, round trips over every value, rounding,
// dithering, saturation, kinds, gamma, colour keys, palettes, and refusals of bad regions.
#include <cmath>
#include <random>

#include "tex_test_util.h"

using namespace textest;

namespace {

constexpr float k255 = 1.0f / 255.0f;

std::vector<D3DXCOLOR> DecodeRow(RowCodec& codec, UINT y = 0, UINT z = 0) {
  std::vector<D3DXCOLOR> row(codec.Width());
  EXPECT_EQ(codec.DecodeRow(y, z, row.data()), D3D_OK);
  return row;
}

void ExpectColor(const D3DXCOLOR& c, float r, float g, float b, float a, const std::string& what) {
  EXPECT_FLOAT_EQ(c.r, r) << what;
  EXPECT_FLOAT_EQ(c.g, g) << what;
  EXPECT_FLOAT_EQ(c.b, b) << what;
  EXPECT_FLOAT_EQ(c.a, a) << what;
}

// One pixel per format with distinct channels, decoded against the field table worked out by hand.
TEST(PixelDecode, FieldPositionsAndScales) {
  struct Case {
    D3DFORMAT format;
    uint64_t pixel;
    float r, g, b, a;
  };
  const float s5 = 1 / 31.0f, s6 = 1 / 63.0f, s4 = 1 / 15.0f, s3 = 1 / 7.0f, s10 = 1 / 1023.0f,
              s16 = 1 / 65535.0f;
  const Case cases[] = {
      {D3DFMT_R8G8B8, 0x102030, 0x10 * k255, 0x20 * k255, 0x30 * k255, 1},
      {D3DFMT_A8R8G8B8, 0x40102030, 0x10 * k255, 0x20 * k255, 0x30 * k255, 0x40 * k255},
      {D3DFMT_X8R8G8B8, 0x40102030, 0x10 * k255, 0x20 * k255, 0x30 * k255, 1},
      {D3DFMT_R5G6B5, (3 << 11) | (5 << 5) | 7, 3 * s5, 5 * s6, 7 * s5, 1},
      {D3DFMT_X1R5G5B5, 0x8000 | (3 << 10) | (5 << 5) | 7, 3 * s5, 5 * s5, 7 * s5, 1},
      {D3DFMT_A1R5G5B5, 0x8000 | (3 << 10) | (5 << 5) | 7, 3 * s5, 5 * s5, 7 * s5, 1},
      {D3DFMT_A4R4G4B4, 0x9357, 3 * s4, 5 * s4, 7 * s4, 9 * s4},
      {D3DFMT_X4R4G4B4, 0x9357, 3 * s4, 5 * s4, 7 * s4, 1},
      {D3DFMT_R3G3B2, (3 << 5) | (5 << 2) | 2, 3 * s3, 5 * s3, 2 / 3.0f, 1},
      {D3DFMT_A8, 0x40, 0, 0, 0, 0x40 * k255},
      {D3DFMT_A8R3G3B2, 0x4000 | (3 << 5) | (5 << 2) | 2, 3 * s3, 5 * s3, 2 / 3.0f, 0x40 * k255},
      {D3DFMT_A2B10G10R10, (2u << 30) | (300u << 20) | (200u << 10) | 100u, 100 * s10, 200 * s10, 300 * s10,
       2 / 3.0f},
      {D3DFMT_A2R10G10B10, (2u << 30) | (300u << 20) | (200u << 10) | 100u, 300 * s10, 200 * s10, 100 * s10,
       2 / 3.0f},
      {D3DFMT_A8B8G8R8, 0x40102030, 0x30 * k255, 0x20 * k255, 0x10 * k255, 0x40 * k255},
      {D3DFMT_X8B8G8R8, 0x40102030, 0x30 * k255, 0x20 * k255, 0x10 * k255, 1},
      {D3DFMT_G16R16, 0x20001000, 0x1000 * s16, 0x2000 * s16, 1, 1},
      {D3DFMT_A16B16G16R16, 0x4000300020001000, 0x1000 * s16, 0x2000 * s16, 0x3000 * s16, 0x4000 * s16},
      {D3DFMT_L8, 0x40, 0x40 * k255, 0x40 * k255, 0x40 * k255, 1},
      {D3DFMT_A8L8, 0x2040, 0x40 * k255, 0x40 * k255, 0x40 * k255, 0x20 * k255},
      {D3DFMT_A4L4, 0x93, 3 * s4, 3 * s4, 3 * s4, 9 * s4},
      {D3DFMT_L16, 0x1234, 0x1234 * s16, 0x1234 * s16, 0x1234 * s16, 1},
      {D3DFMT_D16_LOCKABLE, 0x1234, 0x1234 * s16, 0x1234 * s16, 0x1234 * s16, 1},
      {FMT_A16L16, 0x20001234, 0x1234 * s16, 0x1234 * s16, 0x1234 * s16, 0x2000 * s16},
      {FMT_R16G16B16, 0x300020001000, 0x3000 * s16, 0x2000 * s16, 0x1000 * s16, 1},
      {D3DFMT_V8U8, 0xC040, 64 / 127.0f, -64 / 127.0f, 1, 1},
      {D3DFMT_L6V5U5, (40u << 10) | (0x1Cu << 5) | 5u, 5 / 15.0f, -4 / 15.0f, 1, 40 / 63.0f},
      {D3DFMT_X8L8V8U8, 0xFF80C040, 64 / 127.0f, -64 / 127.0f, 1, 128 * k255},
      {D3DFMT_Q8W8V8U8, 0x80FFC040, 64 / 127.0f, -64 / 127.0f, -1 / 127.0f, -1},
      {D3DFMT_V16U16, 0x80004000, 0x4000 / 32767.0f, -1, 1, 1},
      {D3DFMT_A2W10V10U10, (1u << 30) | (0x200u << 20) | (0x3FFu << 10) | 100u, 100 / 511.0f, -1 / 511.0f, -1,
       1 / 3.0f},
      {D3DFMT_Q16W16V16U16, 0x7FFF8001FFFF0001, 1 / 32767.0f, -1 / 32767.0f, -1, 1},
  };
  for (const Case& c : cases) {
    Image img(c.format, 1);
    img.SetPixel(0, 0, c.pixel);
    auto codec = img.Codec();
    ASSERT_TRUE(codec);
    ExpectColor(DecodeRow(*codec)[0], c.r, c.g, c.b, c.a, "format " + std::to_string(c.format));
  }
}

TEST(PixelDecode, ScalesAreTheNearestFloats) {
  Image img(D3DFMT_R5G6B5, 1);
  img.SetPixel(0, 0, 0x0821);  // 1 in each field
  D3DXCOLOR c = DecodeRow(*img.Codec())[0];
  EXPECT_EQ(Bits(c.r), 0x3D042108u);
  EXPECT_EQ(Bits(c.g), 0x3C820821u);
  Image argb(D3DFMT_A8R8G8B8, 1);
  argb.SetPixel(0, 0, 0x01010101);
  EXPECT_EQ(Bits(DecodeRow(*argb.Codec())[0].a), 0x3B808081u);
}

TEST(PixelDecode, MostNegativeSignedValueReadsAsMinusOne) {
  Image img(D3DFMT_V8U8, 2);
  img.SetPixel(0, 0, 0x0080);
  img.SetPixel(1, 0, 0x0081);
  auto row = DecodeRow(*img.Codec());
  EXPECT_EQ(row[0].r, -1.0f);
  EXPECT_EQ(row[1].r, -1.0f);
}

TEST(PixelDecode, CxV8U8RebuildsTheThirdComponent) {
  Image img(D3DFMT_CxV8U8, 2);
  img.SetPixel(0, 0, 0x0000);  // u = v = 0: z = 1
  img.SetPixel(1, 0, 0x7F7F);  // u = v = 1: radicand negative, z = 0
  auto row = DecodeRow(*img.Codec());
  ExpectColor(row[0], 0, 0, 1, 1, "centre");
  ExpectColor(row[1], 1, 1, 0, 1, "outside the unit disc");
}

// Stored bits that a decode-encode round trip must give back: fields only (X bits come back 0).
// Signed fields round toward zero: a negative value comes back one higher, the most negative
// (which reads as -1 like the next one) two higher.
struct RoundTrip {
  D3DFORMAT format;
  uint64_t storedMask;
  std::vector<std::pair<int, int>> signedFields;  // (shift, bits)
};

uint64_t Expected(const RoundTrip& t, uint64_t v) {
  v &= t.storedMask;
  for (auto [shift, bits] : t.signedFields) {
    const uint64_t mask = (1ull << bits) - 1, field = (v >> shift) & mask, sign = 1ull << (bits - 1);
    const uint64_t back = field == sign ? field + 2 : field > sign ? field + 1 : field;
    v = (v & ~(mask << shift)) | ((back & mask) << shift);
  }
  return v;
}

void CheckRoundTrip(const RoundTrip& t, const std::vector<uint64_t>& values,
                    const PALETTEENTRY* palette = nullptr) {
  Image src(t.format, UINT(values.size())), dst(t.format, UINT(values.size()));
  src.region.palette = dst.region.palette = palette;
  for (size_t i = 0; i < values.size(); ++i) src.SetPixel(UINT(i), 0, values[i]);
  auto in = src.Codec(), out = dst.Codec();
  ASSERT_TRUE(in && out);
  auto row = DecodeRow(*in);
  ASSERT_EQ(out->EncodeRow(0, 0, row.data()), D3D_OK);
  int failures = 0;
  for (size_t i = 0; i < values.size() && failures < 5; ++i) {
    if (dst.Pixel(UINT(i)) != Expected(t, values[i])) {
      ADD_FAILURE() << "format " << t.format << " value 0x" << std::hex << values[i] << " gave 0x"
                    << dst.Pixel(UINT(i));
      ++failures;
    }
  }
  EXPECT_EQ(dst.bytes.back(), 0xCD) << "guard byte after the row";
}

std::vector<uint64_t> AllValues(int bits) {
  std::vector<uint64_t> v(size_t(1) << bits);
  for (size_t i = 0; i < v.size(); ++i) v[i] = i;
  return v;
}

std::vector<uint64_t> RandomValues(int bytes, size_t count) {
  std::mt19937_64 rng(bytes * 7919);
  std::vector<uint64_t> v(count);
  const uint64_t mask = bytes == 8 ? ~0ull : (1ull << (8 * bytes)) - 1;
  for (auto& x : v) x = rng() & mask;
  return v;
}

TEST(PixelRoundTrip, EveryValueOfThe8And16BitFormats) {
  const RoundTrip trips[] = {
      {D3DFMT_R5G6B5, 0xFFFF, {}},
      {D3DFMT_X1R5G5B5, 0x7FFF, {}},
      {D3DFMT_A1R5G5B5, 0xFFFF, {}},
      {D3DFMT_A4R4G4B4, 0xFFFF, {}},
      {D3DFMT_X4R4G4B4, 0x0FFF, {}},
      {D3DFMT_R3G3B2, 0xFF, {}},
      {D3DFMT_A8, 0xFF, {}},
      {D3DFMT_A8R3G3B2, 0xFFFF, {}},
      {D3DFMT_L8, 0xFF, {}},
      {D3DFMT_A8L8, 0xFFFF, {}},
      {D3DFMT_A4L4, 0xFF, {}},
      {D3DFMT_L16, 0xFFFF, {}},
      {D3DFMT_D16_LOCKABLE, 0xFFFF, {}},
      {D3DFMT_V8U8, 0xFFFF, {{0, 8}, {8, 8}}},
      {D3DFMT_L6V5U5, 0xFFFF, {{0, 5}, {5, 5}}},
      {D3DFMT_R16F, 0xFFFF, {}},
  };
  for (const RoundTrip& t : trips) {
    SCOPED_TRACE(t.format);
    CheckRoundTrip(t, AllValues(t.storedMask > 0xFF || t.format == D3DFMT_R16F ? 16 : 8));
  }
}

TEST(PixelRoundTrip, PaletteFormatsOverEveryIndex) {
  PALETTEENTRY palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = {BYTE(i), BYTE(255 - i), BYTE((i * 7) & 255), BYTE(i ^ 0x5A)};
  CheckRoundTrip({D3DFMT_P8, 0xFF, {}}, AllValues(8), palette);
  CheckRoundTrip({D3DFMT_A8P8, 0xFFFF, {}}, AllValues(16), palette);
}

TEST(PixelRoundTrip, WideFormatsOnRandomValues) {
  const RoundTrip trips[] = {
      {D3DFMT_R8G8B8, 0xFFFFFF, {}},
      {D3DFMT_A8R8G8B8, 0xFFFFFFFF, {}},
      {D3DFMT_X8R8G8B8, 0xFFFFFF, {}},
      {D3DFMT_A2B10G10R10, 0xFFFFFFFF, {}},
      {D3DFMT_A8B8G8R8, 0xFFFFFFFF, {}},
      {D3DFMT_X8B8G8R8, 0xFFFFFF, {}},
      {D3DFMT_G16R16, 0xFFFFFFFF, {}},
      {D3DFMT_A2R10G10B10, 0xFFFFFFFF, {}},
      {D3DFMT_A16B16G16R16, ~0ull, {}},
      {FMT_A16L16, 0xFFFFFFFF, {}},
      {FMT_R16G16B16, 0xFFFFFFFFFFFF, {}},
      {D3DFMT_X8L8V8U8, 0xFFFFFF, {{0, 8}, {8, 8}}},
      {D3DFMT_Q8W8V8U8, 0xFFFFFFFF, {{0, 8}, {8, 8}, {16, 8}, {24, 8}}},
      {D3DFMT_V16U16, 0xFFFFFFFF, {{0, 16}, {16, 16}}},
      {D3DFMT_A2W10V10U10, 0xFFFFFFFF, {{0, 10}, {10, 10}, {20, 10}}},
      {D3DFMT_Q16W16V16U16, ~0ull, {{0, 16}, {16, 16}, {32, 16}, {48, 16}}},
      {D3DFMT_G16R16F, 0xFFFFFFFF, {}},
      {D3DFMT_A16B16G16R16F, ~0ull, {}},
  };
  for (const RoundTrip& t : trips) {
    SCOPED_TRACE(t.format);
    CheckRoundTrip(t, RandomValues(BytesPerPixel(t.format), 1 << 14));
  }
}

TEST(PixelRoundTrip, FloatFormatsKeepTheirBits) {
  const std::vector<float> values = {0.0f, -0.0f, 1.0f, -2.5f, 1e30f, -1e-30f, 3.14159f, 65504.0f};
  for (D3DFORMAT f : {D3DFMT_R32F, D3DFMT_D32F_LOCKABLE, D3DFMT_G32R32F, D3DFMT_A32B32G32R32F}) {
    const UINT channels = BytesPerPixel(f) / 4;
    Image src(f, UINT(values.size()) / channels), dst(f, UINT(values.size()) / channels);
    std::memcpy(src.bytes.data(), values.data(), values.size() * 4);
    auto row = DecodeRow(*src.Codec());
    if (channels == 1) ExpectColor(row[0], 0.0f, 1, 1, 1, "missing channels read 1");
    ASSERT_EQ(dst.Codec()->EncodeRow(0, 0, row.data()), D3D_OK);
    EXPECT_EQ(std::memcmp(src.bytes.data(), dst.bytes.data(), values.size() * 4), 0) << f;
  }
}

TEST(PixelEncode, RoundingAndSignedTruncation) {
  Image argb(D3DFMT_A8R8G8B8, 3);
  const D3DXCOLOR in[3] = {{1, 1, 1, 1}, {0.5f, 0.25f, 0.0f, 0.998f}, {0.0019f, 0.002f, 0.9961f, 0}};
  argb.Codec()->EncodeRow(0, 0, in);
  EXPECT_EQ(argb.Pixel(0), 0xFFFFFFFFu);
  EXPECT_EQ(argb.Pixel(1), 0xFE804000u);  // 127.5 + 0.5 and 63.75 + 0.5 truncated
  EXPECT_EQ(argb.Pixel(2), 0x000001FEu);  // 0.48 -> 0, 0.51 -> 1, 254.0 -> 254
  Image v8u8(D3DFMT_V8U8, 1);
  const D3DXCOLOR minus = {-1, -1, 0, 0};
  v8u8.Codec()->EncodeRow(0, 0, &minus);
  EXPECT_EQ(v8u8.Pixel(0), 0x8282u);  // trunc(-127 + 0.5) = -126
}

TEST(PixelEncode, OutOfRangeAndNonFiniteValuesSaturate) {
  const float inf = INFINITY, nan = NAN;
  const D3DXCOLOR in[4] = {{2, -3, nan, inf}, {-inf, 1.5f, -0.1f, nan}, {nan, nan, nan, -1}, {7, 7, 7, 7}};
  Image argb(D3DFMT_A8R8G8B8, 4);
  argb.Codec()->EncodeRow(0, 0, in);
  EXPECT_EQ(argb.Pixel(0), 0xFFFF00FFu);
  EXPECT_EQ(argb.Pixel(1), 0xFF00FF00u);
  EXPECT_EQ(argb.Pixel(2), 0x00FFFFFFu);
  Image r565(D3DFMT_R5G6B5, 4);
  r565.Codec()->EncodeRow(0, 0, in);
  EXPECT_EQ(r565.Pixel(0), 0xF81Fu);
  EXPECT_EQ(r565.Pixel(1), 0x07E0u);
  EXPECT_EQ(r565.Pixel(3), 0xFFFFu);
  Image q8(D3DFMT_Q8W8V8U8, 1);
  q8.Codec()->EncodeRow(0, 0, in);  // signed fields clamp to [-1, 1]: 127, -126, 127, 127
  EXPECT_EQ(q8.Pixel(0), 0x7F7F827Fu);
  Image l8(D3DFMT_A8L8, 1);
  const D3DXCOLOR bright = {9, 9, 9, 0.5f};
  l8.Codec()->EncodeRow(0, 0, &bright);
  EXPECT_EQ(l8.Pixel(0), 0x80FFu) << "a saturated luminance must not spill into alpha";
}

TEST(PixelEncode, LuminanceWeights) {
  Image img(D3DFMT_L16, 3);
  const D3DXCOLOR in[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  img.Codec()->EncodeRow(0, 0, in);
  EXPECT_EQ(img.Pixel(0), uint64_t(0.2125f * 65535 + 0.5f));
  EXPECT_EQ(img.Pixel(1), uint64_t(0.7154f * 65535 + 0.5f));
  EXPECT_EQ(img.Pixel(2), uint64_t(0.0721f * 65535 + 0.5f));
}

// With dithering, pixel (x, y, z) adds the Bayer entry of row y & 3, column (x + z) & 3.
TEST(PixelEncode, OrderedDitherOffsets) {
  const int bayer[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};
  for (int i = 0; i < 32; ++i) EXPECT_EQ(BayerOffsets[i], (bayer[i / 8][i % 4] + 0.5f) / 16) << i;
  Image img(D3DFMT_X1R5G5B5, 4, 4, 4);
  img.region.dither = TRUE;
  auto codec = img.Codec();
  const float v = 10.4f / 31;  // 10.4 levels: the offset decides between 10 and 11
  std::vector<D3DXCOLOR> row(4, D3DXCOLOR(v, v, v, 1));
  for (UINT z = 0; z < 4; ++z)
    for (UINT y = 0; y < 4; ++y) {
      ASSERT_EQ(codec->EncodeRow(y, z, row.data()), D3D_OK);
      for (UINT x = 0; x < 4; ++x) {
        const float offset = (bayer[y][(x + z) & 3] + 0.5f) / 16;
        const uint64_t level = uint64_t(v * 31 + offset);
        const uint64_t pixel = img.Pixel(x, z * 4 + y);
        EXPECT_EQ(pixel & 31, level) << x << "," << y << "," << z;
        EXPECT_EQ(pixel >> 15, 0u) << "the X bit is written 0";
      }
    }
}

TEST(PixelPalette, NearestEntryLowestIndexOnTies) {
  PALETTEENTRY palette[256] = {};
  for (auto& e : palette) e = {255, 255, 255, 255};
  palette[3] = {200, 0, 0, 255};
  palette[7] = {0, 0, 200, 0};
  palette[9] = {0, 0, 200, 255};   // same colour as 7, opaque
  palette[12] = {200, 0, 0, 255};  // tie with 3
  Image p8(D3DFMT_P8, 3), a8p8(D3DFMT_A8P8, 1);
  p8.region.palette = a8p8.region.palette = palette;
  const D3DXCOLOR in[3] = {{0.8f, 0, 0, 1}, {0, 0, 0.8f, 0}, {0, 0, 0.8f, 1}};
  p8.Codec()->EncodeRow(0, 0, in);
  EXPECT_EQ(p8.Pixel(0), 3u);
  EXPECT_EQ(p8.Pixel(1), 7u);
  EXPECT_EQ(p8.Pixel(2), 9u);
  a8p8.Codec()->EncodeRow(0, 0, &in[2]);
  EXPECT_EQ(a8p8.Pixel(0), 0xFF07u) << "A8P8 matches r, g, b only and stores alpha itself";
  // Without a palette every entry decodes as white.
  Image plain(D3DFMT_P8, 1);
  ExpectColor(DecodeRow(*plain.Codec())[0], 1, 1, 1, 1, "no palette");
}

TEST(PixelEncode, CxV8U8StoresTheNormalisedXY) {
  Image img(D3DFMT_CxV8U8, 1);
  const D3DXCOLOR in = {3, 0, 4, 1};  // normalised (0.6, 0, 0.8)
  img.Codec()->EncodeRow(0, 0, &in);
  EXPECT_EQ(img.Pixel(0), uint64_t(0.6f * 127 + 0.5f));
}

TEST(PixelColorKey, KeyIsRoundedThroughTheFormat) {
  Image img(D3DFMT_R5G6B5, 3);
  img.region.colorKey = 0xFF00FF00;
  img.SetPixel(0, 0, 0x07E0);
  img.SetPixel(1, 0, 0x07C0);
  img.SetPixel(2, 0, 0xF800);
  auto row = DecodeRow(*img.Codec());
  ExpectColor(row[0], 0, 0, 0, 0, "keyed");
  EXPECT_EQ(row[1].a, 1.0f);
  EXPECT_EQ(row[2].a, 1.0f);
  // A signed format takes the key through its own kind first.
  Image v8u8(D3DFMT_V8U8, 1);
  v8u8.region.colorKey = 0xFF80FF00;  // r = 0x80/255 ~ 0, g = 1
  v8u8.SetPixel(0, 0, 0x7F00);
  ExpectColor(DecodeRow(*v8u8.Codec())[0], 0, 0, 0, 0, "signed keyed");
}

TEST(PixelKinds, ConversionBetweenKinds) {
  Image v8u8(D3DFMT_V8U8, 1), argb(D3DFMT_A8R8G8B8, 1), q8(D3DFMT_Q8W8V8U8, 1);
  v8u8.SetPixel(0, 0, 0x8181);  // -1, -1, b = 1, a = 1
  auto src = v8u8.Codec(), dst = argb.Codec();
  ASSERT_EQ(dst->PrepareConversion(*src), D3D_OK);
  EXPECT_EQ(dst->ConversionSource(), NumericKind::SNORM3);
  auto row = DecodeRow(*src);
  dst->EncodeRow(0, 0, row.data());
  EXPECT_EQ(argb.Pixel(0), 0xFF0000FFu);
  EXPECT_EQ(row[0].r, -1.0f) << "the caller's row is not modified";
  auto same = Image(D3DFMT_X8R8G8B8, 1).Codec();
  ASSERT_EQ(dst->PrepareConversion(*same), D3D_OK);
  EXPECT_EQ(dst->ConversionSource(), NumericKind::NONE) << "a new source of the same kind converts nothing";
  // UNORM into SNORM4: all four become 2v - 1.
  auto q8codec = q8.Codec();
  argb.SetPixel(0, 0, 0x00FF00FF);
  auto unorm = argb.Codec();
  ASSERT_EQ(q8codec->PrepareConversion(*unorm), D3D_OK);
  row = DecodeRow(*unorm);
  q8codec->EncodeRow(0, 0, row.data());
  EXPECT_EQ(q8.Pixel(0), 0x827F827Fu);
  // FLOAT input clamps; NaN goes to the top.
  auto floatIn = Image(D3DFMT_X8R8G8B8, 1);
  auto xrgb = floatIn.Codec();
  ASSERT_EQ(xrgb->PrepareFloatInput(), D3D_OK);
  const D3DXCOLOR f = {NAN, -5, 0.5f, 2};
  xrgb->EncodeRow(0, 0, &f);
  EXPECT_EQ(floatIn.Pixel(0), 0x00FF0080u);
}

TEST(PixelGamma, TablesAndBothEndsShortcut) {
  for (int i = 0; i < 255; ++i) {
    EXPECT_NEAR(GammaEncodeTable[i], std::pow(i / 254.0, 1 / 1.1), 1e-6) << i;
    EXPECT_NEAR(GammaDecodeTable[i], std::pow(i / 254.0, 1.1), 1e-6) << i;
  }
  EXPECT_EQ(GammaEncodeTable[255], 1.0f);
  EXPECT_EQ(GammaDecodeTable[255], 1.0f);
  Image srgb(D3DFMT_L8, 256);
  srgb.region.srgb = TRUE;
  for (UINT i = 0; i < 256; ++i) srgb.SetPixel(i, 0, i);
  auto row = DecodeRow(*srgb.Codec());
  for (UINT i = 0; i < 256; ++i) EXPECT_NEAR(row[i].r, std::pow(i / 255.0, 2.2), 2e-3) << i;
  EXPECT_EQ(row[255].a, 1.0f) << "alpha is never gamma-decoded";
  // Both ends sRGB: x * x and the square root, which undo each other.
  Image out(D3DFMT_L8, 256);
  out.region.srgb = TRUE;
  auto in = srgb.Codec(), dst = out.Codec();
  ASSERT_EQ(dst->PrepareConversion(*in), D3D_OK);
  EXPECT_TRUE(in->BothEndsSrgb() && dst->BothEndsSrgb());
  row = DecodeRow(*in);
  for (UINT i = 0; i < 256; ++i) EXPECT_FLOAT_EQ(row[i].r, (i * k255) * (i * k255)) << i;
  dst->EncodeRow(0, 0, row.data());
  for (UINT i = 0; i < 256; ++i) EXPECT_EQ(out.Pixel(i), i);
}

TEST(PixelGamma, FloatValuesOutsideTheTableStayInside) {
  Image img(D3DFMT_A32B32G32R32F, 2);
  img.region.srgb = TRUE;
  const float values[8] = {4.0f, -1.0f, NAN, 1.0f, 1e30f, 0.5f, 0.0f, 1.0f};
  std::memcpy(img.bytes.data(), values, sizeof values);
  auto codec = img.Codec();
  auto row = DecodeRow(*codec);
  EXPECT_EQ(row[0].r, 1.0f) << "past the table's end: its last value";
  EXPECT_EQ(row[0].g, 1.0f) << "negative values square into the table";
  EXPECT_EQ(row[0].b, 0.0f) << "NaN reads entry 0";
  EXPECT_EQ(row[1].r, 1.0f);
  ASSERT_EQ(codec->EncodeRow(0, 0, row.data()), D3D_OK);
}

TEST(Regions, SubRegionIsRebasedAndNothingOutsideIsTouched) {
  Image img(D3DFMT_A8R8G8B8, 6, 4);
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 6; ++x) img.SetPixel(x, y, 0xFF000000 | (y << 8) | x);
  img.region.region = {2, 1, 5, 3, 0, 1};
  const std::vector<BYTE> before = img.bytes;
  auto codec = img.Codec();
  ASSERT_EQ(codec->Width(), 3u);
  auto row = DecodeRow(*codec, 1);
  EXPECT_EQ(DWORD(row[0]), 0xFF000202u);  // pixel (2, 2)
  std::vector<D3DXCOLOR> black(3, D3DXCOLOR(0, 0, 0, 0));
  for (UINT y = 0; y < 2; ++y) ASSERT_EQ(codec->EncodeRow(y, 0, black.data()), D3D_OK);
  EXPECT_EQ(codec->EncodeRow(2, 0, black.data()), D3DERR_INVALIDCALL);
  EXPECT_EQ(codec->DecodeRow(0, 1, row.data()), D3DERR_INVALIDCALL);
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 6; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
      EXPECT_EQ(img.Pixel(x, y), inside ? 0u : 0xFF000000 | (y << 8) | x) << x << "," << y;
    }
  EXPECT_TRUE(std::equal(before.end() - 16, before.end(), img.bytes.end() - 16));
}

TEST(Regions, BadRegionsAreRefused) {
  Image img(D3DFMT_X8R8G8B8, 4, 4);
  auto refuse = [](ImageRegion r) {
    std::unique_ptr<RowCodec> codec;
    EXPECT_EQ(CreateRowCodec(r, &codec), D3DERR_INVALIDCALL);
    EXPECT_FALSE(codec);
  };
  ImageRegion r = img.region;
  r.region.right = 5;  // outside the bounds
  refuse(r);
  r = img.region;
  r.region.left = 3, r.region.right = 2;  // reversed
  refuse(r);
  r = img.region;
  r.rowPitch = 12;  // rows would overlap
  refuse(r);
  r = img.region;
  r.data = nullptr;
  refuse(r);
  r = img.region;
  r.bounds = r.region = {0, 0, 4, 0x10001, 0, 1};
  r.rowPitch = 0x10000;  // 65537 rows of 65536 bytes pass 32 bits
  refuse(r);
  r = img.region;
  r.bounds.back = r.region.back = 2;
  r.slicePitch = r.rowPitch;  // slices would overlap
  refuse(r);
  r = img.region;
  r.bounds.right = r.region.right = 0x40000001;  // a row of more than 4 GiB
  refuse(r);
}

TEST(Regions, FormatsWithoutCodec) {
  Image img(D3DFMT_X8R8G8B8, 1);
  for (D3DFORMAT f : {D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24X4S4,
                      D3DFMT_D24FS8, D3DFMT_UNKNOWN, static_cast<D3DFORMAT>(12345)}) {
    ImageRegion r = img.region;
    r.format = f;
    std::unique_ptr<RowCodec> codec;
    EXPECT_EQ(CreateRowCodec(r, &codec), E_FAIL) << f;
  }
}

}  // namespace
