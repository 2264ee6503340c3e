// DXT block decoding of hand-built blocks and block encoding: modes, diffusion, premultiplied
// alpha, the alpha block's modes and the interchangeable optimiser kernels.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "../../d3dx/tex/dxt_block.h"
#include "../../d3dx/tex/dxt_encoder.h"
#include "../../d3dx/tex/format_info.h"
#include "../../d3dx/tex/round_mode.h"

namespace {

using d3dx::dxt::BlockEncoder;
using d3dx::dxt::EncoderKernel;

struct Block16 {
  D3DXCOLOR c[16];
};

Block16 Solid(D3DXCOLOR c) {
  Block16 b;
  for (auto& t : b.c) t = c;
  return b;
}

Block16 Decode(D3DFORMAT format, const std::vector<BYTE>& bytes) {
  Block16 out;
  d3dx::DecodeDxtBlock(format, out.c, bytes.data());
  return out;
}

std::vector<BYTE> Encode(D3DFORMAT format, const Block16& in) {
  std::vector<BYTE> bytes(d3dx::BlockBytes(format), 0xCD);
  d3dx::EncodeDxtBlock(format, bytes.data(), in.c);
  return bytes;
}

WORD Word(const std::vector<BYTE>& b, size_t at) { return WORD(b[at] | b[at + 1] << 8); }
int ColorIndex(const std::vector<BYTE>& b, size_t colorAt, int texel) {
  return (b[colorAt + 4 + texel / 4] >> (2 * (texel % 4))) & 3;
}

// 5:6:5 colour as the stored fields scaled to [0, 1].
D3DXCOLOR From565(WORD c) {
  return D3DXCOLOR((c >> 11) / 31.0f, ((c >> 5) & 63) / 63.0f, (c & 31) / 31.0f, 1.0f);
}

void ExpectColor(const D3DXCOLOR& want, const D3DXCOLOR& got, float tol, const char* what) {
  EXPECT_NEAR(want.r, got.r, tol) << what;
  EXPECT_NEAR(want.g, got.g, tol) << what;
  EXPECT_NEAR(want.b, got.b, tol) << what;
  EXPECT_NEAR(want.a, got.a, tol) << what;
}

// 4 colour + 4 index bytes; indices[i] for texel i.
std::vector<BYTE> ColorBlock(WORD c0, WORD c1, const int (&indices)[16]) {
  DWORD bits = 0;
  for (int i = 0; i < 16; ++i) bits |= DWORD(indices[i]) << (2 * i);
  return {BYTE(c0),   BYTE(c0 >> 8),   BYTE(c1),         BYTE(c1 >> 8),
          BYTE(bits), BYTE(bits >> 8), BYTE(bits >> 16), BYTE(bits >> 24)};
}

constexpr int kRamp[16] = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 1, 1, 2, 2, 3, 3};

TEST(DxtDecode, FourColourBlockInterpolatesAllChannelsInThirds) {
  const WORD red = 0xF800, blue = 0x001F;
  const Block16 out = Decode(D3DFMT_DXT1, ColorBlock(red, blue, kRamp));
  const D3DXCOLOR want[4] = {
      {1, 0, 0, 1}, {0, 0, 1, 1}, {2 / 3.0f, 0, 1 / 3.0f, 1}, {1 / 3.0f, 0, 2 / 3.0f, 1}};
  for (int i = 0; i < 16; ++i) ExpectColor(want[kRamp[i]], out.c[i], 1e-6f, "texel");
  // Field widths: the 6-bit green of 0x07E0 and one step of 5-bit red are exact fractions.
  const Block16 g = Decode(D3DFMT_DXT1, ColorBlock(0x0FE0, 0x0800, kRamp));
  ExpectColor({1 / 31.0f, 1, 0, 1}, g.c[0], 1e-7f, "endpoint 0");
  ExpectColor({1 / 31.0f, 0, 0, 1}, g.c[1], 1e-7f, "endpoint 1");
}

TEST(DxtDecode, ThreeColourBlockHasMidpointAndTransparentBlack) {
  // colour0 <= colour1, equal ones included, selects three colours.
  for (WORD c0 : {WORD(0x001F), WORD(0xF81F)}) {
    const WORD c1 = 0xF81F;
    const Block16 out = Decode(D3DFMT_DXT1, ColorBlock(c0, c1, kRamp));
    const D3DXCOLOR e0 = From565(c0), e1 = From565(c1);
    const D3DXCOLOR want[4] = {e0, e1, (e0 + e1) * 0.5f, {0, 0, 0, 0}};
    for (int i = 0; i < 16; ++i) ExpectColor(want[kRamp[i]], out.c[i], 1e-6f, "texel");
  }
}

TEST(DxtDecode, ExplicitAlphaReplacesTheColourBlockAlpha) {
  std::vector<BYTE> block(8);
  for (int i = 0; i < 8; ++i) block[i] = BYTE((2 * i) | (2 * i + 1) << 4);  // texel i has alpha i
  const std::vector<BYTE> color = ColorBlock(0x0000, 0xFFFF, kRamp);        // three-colour: index 3 is black
  block.insert(block.end(), color.begin(), color.end());
  const Block16 out = Decode(D3DFMT_DXT3, block);
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(out.c[i].a, i / 15.0f, 1e-7f) << i;
    if (kRamp[i] == 3) {
      EXPECT_EQ(out.c[i].r + out.c[i].g + out.c[i].b, 0.0f) << i;
    }
  }
}

std::vector<BYTE> AlphaBlock(BYTE a0, BYTE a1, const int (&indices)[16]) {
  uint64_t bits = 0;
  for (int i = 0; i < 16; ++i) bits |= uint64_t(indices[i]) << (3 * i);
  std::vector<BYTE> b = {a0, a1};
  for (int i = 0; i < 6; ++i) b.push_back(BYTE(bits >> (8 * i)));
  const std::vector<BYTE> color = ColorBlock(0xFFFF, 0x0000, kRamp);
  b.insert(b.end(), color.begin(), color.end());
  return b;
}

TEST(DxtDecode, InterpolatedAlphaInEightAndSixSteps) {
  // Indices 0..7 twice: texel 5 and texel 10 straddle index bytes.
  const int idx[16] = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};
  const float a0 = 200 / 255.0f, a1 = 60 / 255.0f;
  const Block16 eight = Decode(D3DFMT_DXT5, AlphaBlock(200, 60, idx));
  const Block16 six = Decode(D3DFMT_DXT5, AlphaBlock(60, 200, idx));
  for (int t = 0; t < 16; ++t) {
    const int k = idx[t];
    const float wantEight = k == 0 ? a0 : k == 1 ? a1 : ((8 - k) * a0 + (k - 1) * a1) / 7;
    const float wantSix = k == 0   ? a1
                          : k == 1 ? a0
                          : k == 6 ? 0.0f
                          : k == 7 ? 1.0f
                                   : ((6 - k) * a1 + (k - 1) * a0) / 5;
    EXPECT_NEAR(eight.c[t].a, wantEight, 1e-6f) << t;
    EXPECT_NEAR(six.c[t].a, wantSix, 1e-6f) << t;
  }
  // Equal endpoints fall into the six-step palette.
  const Block16 equal = Decode(D3DFMT_DXT5, AlphaBlock(90, 90, idx));
  EXPECT_EQ(equal.c[6].a, 0.0f);
  EXPECT_EQ(equal.c[7].a, 1.0f);
}

TEST(DxtDecode, PremultipliedFormatsDivideByAlphaAndSaturate) {
  // Colour block: white, grey 0.5 (16/31, 32/63, 16/31) and black endpoints over the alphas.
  const WORD grey = 16 << 11 | 32 << 5 | 16;
  const int idx[16] = {0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1};
  std::vector<BYTE> block(8);
  const int alpha[16] = {0, 15, 5, 10, 0, 15, 5, 10, 0, 15, 5, 10, 0, 15, 5, 10};
  for (int i = 0; i < 16; i += 2) block[i / 2] = BYTE(alpha[i] | alpha[i + 1] << 4);
  const std::vector<BYTE> color = ColorBlock(0xFFFF, grey, idx);
  block.insert(block.end(), color.begin(), color.end());
  const Block16 out = Decode(D3DFMT_DXT2, block);
  const float greyR = 16 / 31.0f, greyG = 32 / 63.0f;
  for (int i = 0; i < 16; ++i) {
    const float a = alpha[i] / 15.0f;
    const bool white = idx[i] == 0;
    float r = white ? 1.0f : greyR, g = white ? 1.0f : greyG;
    if (a == 0)
      r = g = 0;
    else if (a < 1)
      r = r < a ? r / a : 1, g = g < a ? g / a : 1;
    EXPECT_NEAR(out.c[i].r, r, 1e-5f) << i;
    EXPECT_NEAR(out.c[i].g, g, 1e-5f) << i;
    EXPECT_NEAR(out.c[i].a, a, 1e-6f) << i;
  }
  // DXT4 goes through the same step after the interpolated alpha.
  const Block16 dxt4 = Decode(D3DFMT_DXT4, AlphaBlock(0, 0, kRamp));
  for (const auto& c : dxt4.c) EXPECT_EQ(c.r + c.g + c.b + c.a, 0.0f);
}

TEST(DxtEncode, AllTransparentBlockHasFixedBytesButAlphaPointFourDoesNot) {
  const std::vector<BYTE> want = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Encode(D3DFMT_DXT1, Solid({0.3f, 0.9f, 0.1f, 0.0f})), want);

  // Alpha 0.4 everywhere: the diffused alpha pass makes about 40% of the texels opaque.
  const std::vector<BYTE> b = Encode(D3DFMT_DXT1, Solid({0.8f, 0.2f, 0.4f, 0.4f}));
  EXPECT_NE(b, want);
  EXPECT_LE(Word(b, 0), Word(b, 2)) << "three-colour mode";
  const Block16 out = Decode(D3DFMT_DXT1, b);
  int opaque = 0;
  for (const auto& c : out.c) opaque += c.a == 1.0f;
  EXPECT_GE(opaque, 4);
  EXPECT_LE(opaque, 9);
}

TEST(DxtEncode, TransparentTexelsTakeIndexThreeAndLeaveTheRestAlone) {
  // Two opaque colours on the grid, and white transparent texels the line must not reach for.
  Block16 in;
  for (int i = 0; i < 16; ++i)
    in.c[i] = (i % 3 == 0) ? D3DXCOLOR(1, 1, 1, 0) : i & 1 ? From565(0x2A06) : From565(0x8410);
  const std::vector<BYTE> b = Encode(D3DFMT_DXT1, in);
  EXPECT_LE(Word(b, 0), Word(b, 2));
  const Block16 out = Decode(D3DFMT_DXT1, b);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(ColorIndex(b, 0, i) == 3, i % 3 == 0) << i;
    if (i % 3 != 0) ExpectColor(in.c[i], out.c[i], 1e-6f, "opaque texel");
  }
}

TEST(DxtEncode, OpaqueBlocksUseFourColoursOrOneEndpoint) {
  // Two colours on the 5:6:5 grid come back exactly, colour0 above colour1.
  const WORD hi = 0xA5F4, lo = 0x2A06;
  Block16 two;
  for (int i = 0; i < 16; ++i) two.c[i] = From565(kRamp[i] & 1 ? lo : hi);
  for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
    const std::vector<BYTE> b = Encode(f, two);
    const size_t at = f == D3DFMT_DXT1 ? 0 : 8;
    EXPECT_EQ(Word(b, at), hi);
    EXPECT_EQ(Word(b, at + 2), lo);
    const Block16 out = Decode(f, b);
    for (int i = 0; i < 16; ++i) ExpectColor(two.c[i], out.c[i], 1e-6f, "two-colour texel");
  }
  // A colour on the grid fills one endpoint twice with zero indices.
  const std::vector<BYTE> solid = Encode(D3DFMT_DXT1, Solid(From565(0x7BEF)));
  EXPECT_EQ(solid, (std::vector<BYTE>{0xEF, 0x7B, 0xEF, 0x7B, 0, 0, 0, 0}));
}

TEST(DxtEncode, DiffusionKeepsTheMeanOfColoursBetweenGridSteps) {
  // Green 0.5 lies half way between two 6-bit steps and red 0.3 between 5-bit steps.
  const D3DXCOLOR in = {0.3f, 0.5f, 0.7f, 1.0f};
  const Block16 out = Decode(D3DFMT_DXT1, Encode(D3DFMT_DXT1, Solid(in)));
  D3DXCOLOR mean = {0, 0, 0, 0};
  for (const auto& c : out.c) mean += c * (1 / 16.0f);
  EXPECT_NEAR(mean.g, in.g, 0.25f / 63);
  EXPECT_NEAR(mean.r, in.r, 0.25f / 31);
  EXPECT_NEAR(mean.b, in.b, 0.25f / 31);
  bool varies = false;
  for (const auto& c : out.c) varies |= c.g != out.c[0].g;
  EXPECT_TRUE(varies);

  // Explicit alpha: 0.5 is half way between 4-bit steps too.
  Block16 half = Solid({1, 1, 1, 0.5f});
  const Block16 a = Decode(D3DFMT_DXT3, Encode(D3DFMT_DXT3, half));
  float meanA = 0;
  for (const auto& c : a.c) meanA += c.a / 16;
  EXPECT_NEAR(meanA, 0.5f, 0.25f / 15);
}

// Floyd-Steinberg inside a 4x4 block, written out: the alphas the encoder must store for
// `levels` steps (1 for DXT1's transparency, 15 for DXT3).
std::vector<int> DiffusedLevels(const float (&alpha)[16], int levels) {
  float error[16] = {};
  std::vector<int> q(16);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const int i = 4 * y + x;
      const float v = alpha[i] + error[i];
      q[i] = int(v * levels + 0.5f);
      const float e = v - float(q[i]) / levels;
      if (x < 3) error[i + 1] += e * 7 / 16;
      if (y < 3 && x > 0) error[i + 3] += e * 3 / 16;
      if (y < 3) error[i + 4] += e * 5 / 16;
      if (y < 3 && x < 3) error[i + 5] += e * 1 / 16;
    }
  return q;
}

TEST(DxtEncode, AlphaPassesDiffuseTheirErrorInsideTheBlock) {
  float ramp[16], flat[16];
  for (int i = 0; i < 16; ++i) ramp[i] = 0.03f + 0.061f * i, flat[i] = 0.4f;
  for (const auto* alpha : {&ramp, &flat}) {
    Block16 in;
    for (int i = 0; i < 16; ++i) in.c[i] = {0.6f, 0.3f, 0.9f, (*alpha)[i]};
    const std::vector<int> nibbles = DiffusedLevels(*alpha, 15), binary = DiffusedLevels(*alpha, 1);
    const std::vector<BYTE> b3 = Encode(D3DFMT_DXT3, in), b1 = Encode(D3DFMT_DXT1, in);
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ((b3[i / 2] >> (4 * (i & 1))) & 15, nibbles[i]) << i;
      EXPECT_EQ(ColorIndex(b1, 0, i) == 3, binary[i] == 0) << i;
    }
  }
}

TEST(DxtEncode, ExplicitAlphaStoresEachNibble) {
  Block16 in;
  for (int i = 0; i < 16; ++i) in.c[i] = {0.2f, 0.4f, 0.6f, i / 15.0f};
  const std::vector<BYTE> b = Encode(D3DFMT_DXT3, in);
  for (int i = 0; i < 16; ++i) EXPECT_EQ((b[i / 2] >> (4 * (i & 1))) & 15, i) << i;
}

TEST(DxtEncode, InterpolatedAlphaModes) {
  // Opaque: both endpoints 255, zero indices.
  const std::vector<BYTE> opaque = Encode(D3DFMT_DXT5, Solid({0.5f, 0.5f, 0.5f, 1}));
  EXPECT_EQ(std::vector<BYTE>(opaque.begin(), opaque.begin() + 8),
            (std::vector<BYTE>{255, 255, 0, 0, 0, 0, 0, 0}));

  // Only 0 and 1: both exact.
  Block16 binary;
  for (int i = 0; i < 16; ++i) binary.c[i] = {0.5f, 0.5f, 0.5f, float(kRamp[i] & 1)};
  const Block16 bin = Decode(D3DFMT_DXT5, Encode(D3DFMT_DXT5, binary));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bin.c[i].a, float(kRamp[i] & 1)) << i;

  // A ramp inside (0, 1) takes eight alphas (alpha0 > alpha1) and stays close.
  Block16 ramp;
  for (int i = 0; i < 16; ++i) ramp.c[i] = {0.5f, 0.5f, 0.5f, 0.2f + 0.04f * i};
  const std::vector<BYTE> rb = Encode(D3DFMT_DXT5, ramp);
  EXPECT_GT(rb[0], rb[1]);
  const Block16 r = Decode(D3DFMT_DXT5, rb);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(r.c[i].a, ramp.c[i].a, 0.05f) << i;

  // A ramp with exact zeros takes six alphas (alpha0 <= alpha1); the zeros stay exact.
  Block16 zeros = ramp;
  for (int i = 0; i < 16; i += 4) zeros.c[i].a = 0;
  const std::vector<BYTE> zb = Encode(D3DFMT_DXT5, zeros);
  EXPECT_LE(zb[0], zb[1]);
  const Block16 z = Decode(D3DFMT_DXT5, zb);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(z.c[i].a, zeros.c[i].a, i % 4 == 0 ? 0.0f : 0.07f) << i;
}

TEST(DxtEncode, EightAlphaIndicesDiffuseTheirErrorInsideTheBlock) {
  // Against the rule written out over the block's own endpoints: nearest of the eight alphas to
  // the diffused 8-bit alpha plus the error diffused in this pass.
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> inner(0.1f, 0.9f);
  for (int n = 0; n < 200; ++n) {
    Block16 in;
    for (auto& c : in.c) c = {0.5f, 0.5f, 0.5f, inner(rng)};
    const std::vector<BYTE> b = Encode(D3DFMT_DXT5, in);
    ASSERT_GT(b[0], b[1]) << "eight alphas";
    float palette[8] = {b[0] / 255.0f, b[1] / 255.0f};
    for (int k = 1; k <= 6; ++k) palette[k + 1] = ((7 - k) * palette[0] + k * palette[1]) / 7;
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(b[2 + i]) << (8 * i);
    float alpha[16];
    for (int i = 0; i < 16; ++i) alpha[i] = in.c[i].a;
    const std::vector<int> bytes = DiffusedLevels(alpha, 255);  // the 8-bit pass comes first
    float error[16] = {};
    for (int i = 0; i < 16; ++i) {
      const float a = bytes[i] / 255.0f + error[i];
      int best = 0;
      for (int k = 1; k < 8; ++k)
        if (std::fabs(a - palette[k]) < std::fabs(a - palette[best])) best = k;
      ASSERT_EQ(int(bits >> (3 * i) & 7), best) << "block " << n << " texel " << i;
      const float e = a - palette[best];
      const int x = i % 4, y = i / 4;
      if (x < 3) error[i + 1] += e * 7 / 16;
      if (y < 3 && x > 0) error[i + 3] += e * 3 / 16;
      if (y < 3) error[i + 4] += e * 5 / 16;
      if (y < 3 && x < 3) error[i + 5] += e * 1 / 16;
    }
  }
}

TEST(DxtEncode, SixAlphaBlockWithOneInnerValueKeepsItsOpaqueTexels) {
  // Fifteen opaque texels and one at 0.5: the six-step palette collapses onto 0.5, and the opaque
  // texels must still take the exact 1 rather than the collapsed value.
  Block16 in = Solid({0.1f, 0.6f, 0.3f, 1.0f});
  in.c[9].a = 0.5f;
  const Block16 out = Decode(D3DFMT_DXT5, Encode(D3DFMT_DXT5, in));
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(out.c[i].a, in.c[i].a, 1 / 255.0f) << i;
}

TEST(DxtEncode, PremultipliedFormatsRoundTrip) {
  // Alphas 0, 1/3, 2/3 and 1 over one colour: the premultiplied colours are the four palette
  // entries between black and the colour, so dividing by alpha brings the colour back.
  const D3DXCOLOR base = From565(0xA5F4);
  Block16 in;
  for (int i = 0; i < 16; ++i) in.c[i] = {base.r, base.g, base.b, kRamp[i] / 3.0f};
  for (D3DFORMAT f : {D3DFMT_DXT2, D3DFMT_DXT4}) {
    const Block16 out = Decode(f, Encode(f, in));
    for (int i = 0; i < 16; ++i) {
      if (kRamp[i] == 0) {
        ExpectColor({0, 0, 0, 0}, out.c[i], 0, "alpha 0");
        continue;
      }
      EXPECT_NEAR(out.c[i].a, in.c[i].a, 1e-6f) << i;
      ExpectColor(in.c[i], out.c[i], 0.02f, "premultiplied texel");
    }
  }
  // The colour half holds the premultiplied colour: white at alpha 0.5 is stored as grey.
  const std::vector<BYTE> b = Encode(D3DFMT_DXT4, Solid({1, 1, 1, 0.5f}));
  EXPECT_NEAR(From565(Word(b, 8)).g, 0.5f, 1 / 63.0f);
}

TEST(DxtEncode, SaturatesOutOfRangeInputAndRestoresTheRoundingMode) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const unsigned saved = _mm_getcsr(), upward = (saved & ~_MM_ROUND_MASK) | _MM_ROUND_UP;
  _mm_setcsr(upward);
  Block16 in = Solid({nan, inf, -inf, nan});
  in.c[0] = {2.0f, -1.0f, 0.5f, 7.0f};
  std::vector<BYTE> b5 = Encode(D3DFMT_DXT5, in);
  std::vector<BYTE> b3 = Encode(D3DFMT_DXT3, in);
  EXPECT_EQ(_mm_getcsr(), upward);
  _mm_setcsr(saved);
  const Block16 out = Decode(D3DFMT_DXT5, b5);
  for (int i = 1; i < 16; ++i) ExpectColor({1, 1, 0, 1}, out.c[i], 1e-6f, "NaN and infinities saturate");
  ExpectColor({1, 0, 0.5f, 1}, out.c[0], 0.02f, "beyond the range");
  for (int i = 0; i < 8; ++i) EXPECT_EQ(b3[i], 0xFF) << "alpha nibbles stay inside their field";
}

// Random blocks of several shapes: uniform noise, noisy lines, few colours, flat.
std::vector<Block16> VariedBlocks(int count) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<float> unit(0, 1);
  std::vector<Block16> blocks(count);
  for (int n = 0; n < count; ++n) {
    Block16& b = blocks[n];
    const D3DXCOLOR p = {unit(rng), unit(rng), unit(rng), unit(rng)},
                    q = {unit(rng), unit(rng), unit(rng), unit(rng)};
    for (int i = 0; i < 16; ++i) {
      switch (n % 4) {
        case 0:
          b.c[i] = {unit(rng), unit(rng), unit(rng), unit(rng)};
          break;
        case 1:
          b.c[i] = p + (q - p) * unit(rng) + D3DXCOLOR(unit(rng), unit(rng), unit(rng), 0) * 0.05f;
          break;
        case 2:
          b.c[i] = (rng() & 1) ? p : q;
          break;
        default:
          b.c[i] = p;
          break;
      }
      b.c[i].a = (n % 3 == 0) ? float(rng() & 1) : b.c[i].a;
    }
  }
  return blocks;
}

TEST(DxtEncode, EveryKernelEncodesBitIdenticalBlocks) {
  const BlockEncoder reference(d3dx::dxt::ColorOptimizerFor(EncoderKernel::Reference));
  int kernels = 0;
  for (EncoderKernel k : {EncoderKernel::Sse2, EncoderKernel::Avx2}) {
    const auto optimizer = d3dx::dxt::ColorOptimizerFor(k);
    if (!optimizer) continue;
    ++kernels;
    const BlockEncoder encoder(optimizer);
    d3dx::RoundTowardZeroScope rounding;
    int n = 0;
    for (const Block16& b : VariedBlocks(4000)) {
      for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT5}) {
        BYTE want[16] = {}, got[16] = {};
        reference.Encode(f, want, b.c);
        encoder.Encode(f, got, b.c);
        ASSERT_EQ(std::memcmp(want, got, 16), 0) << "kernel " << int(k) << " block " << n;
      }
      ++n;
    }
  }
  EXPECT_GE(kernels, 1) << "an x86-64 processor runs SSE2";
}

}  // namespace
