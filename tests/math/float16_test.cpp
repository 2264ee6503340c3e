// 16-bit floats: exhaustive round trip and the rounding boundaries.
#include "math_test_util.h"

namespace {

WORD ToHalf(float f) {
  D3DXFLOAT16 h;
  D3DXFloat32To16Array(&h, &f, 1);
  return h.value;
}

float FromHalf(WORD w) {
  D3DXFLOAT16 h;
  h.value = w;
  float f;
  D3DXFloat16To32Array(&f, &h, 1);
  return f;
}

// The value of a half pattern computed independently: exponent 31 is ordinary.
double HalfValue(WORD w) {
  const int e = (w >> 10) & 31, m = w & 1023;
  const double mag = e ? std::ldexp(1024 + m, e - 25) : std::ldexp(m, -24);
  return (w & 0x8000) ? -mag : mag;
}

}  // namespace

// Runs under whatever set is installed: every set converts bit-exactly.
TEST(Float16, EveryPatternRoundTrips) {
  for (uint32_t w = 0; w < 65536; ++w) {
    const float f = FromHalf((WORD)w);
    ASSERT_EQ((double)f, HalfValue((WORD)w)) << std::hex << w;
    ASSERT_EQ(std::signbit(f), (w & 0x8000) != 0) << std::hex << w;
    ASSERT_EQ(ToHalf(f), w) << std::hex << w;
  }
}

TEST(Float16, Boundaries) {
  EXPECT_EQ(ToHalf(1.0f), 0x3C00);
  EXPECT_EQ(ToHalf(65504.0f), 0x7BFF);
  EXPECT_EQ(ToHalf(65536.0f), 0x7C00);  // no infinity: exponent 31 is a number
  EXPECT_EQ(ToHalf(131008.0f), 0x7FFF);
  EXPECT_EQ(ToHalf(131000.0f), 0x7FFF);  // rounds up to the largest
  EXPECT_EQ(ToHalf(131071.0f), 0x7FFF);  // would round above 131008: clamps
  EXPECT_EQ(ToHalf(200000.0f), 0x7FFF);
  EXPECT_EQ(ToHalf(INFINITY), 0x7FFF);
  EXPECT_EQ(ToHalf(-INFINITY), 0xFFFF);
  EXPECT_EQ(ToHalf(NAN), 0x7FFF);
  EXPECT_EQ(ToHalf(-2.0f), 0xC000);
  EXPECT_EQ(ToHalf(-0.0f), 0x8000);
  EXPECT_EQ(ToHalf(0.0f), 0x0000);
  EXPECT_EQ(ToHalf(std::ldexp(1.0f, -24)), 0x0001);  // smallest subnormal
  EXPECT_EQ(ToHalf(std::ldexp(1.0f, -14)), 0x0400);  // smallest normal
  EXPECT_EQ(ToHalf(std::ldexp(1023.0f, -24)), 0x03FF);
  EXPECT_EQ(ToHalf(std::ldexp(1.0f, -50)), 0x0000);
  EXPECT_EQ(ToHalf(1e-30f), 0x0000);
  EXPECT_EQ(ToHalf(-1e-30f), 0x8000);
  EXPECT_EQ(ToHalf(std::ldexp(1.0f, -25)), 0x0000);  // tie between 0 and 1: even
  EXPECT_EQ(ToHalf(std::ldexp(3.0f, -25)), 0x0002);  // tie between 1 and 2: even
  EXPECT_EQ(ToHalf(std::ldexp(1.5f, -25)), 0x0001);  // above the tie
  // Ties to even in the normal range: 1 + 2^-11 lies halfway between 0x3C00 and 0x3C01.
  EXPECT_EQ(ToHalf(1.0f + std::ldexp(1.0f, -11)), 0x3C00);
  EXPECT_EQ(ToHalf(1.0f + 3 * std::ldexp(1.0f, -11)), 0x3C02);
  EXPECT_EQ(ToHalf(std::nextafter(1.0f + std::ldexp(1.0f, -11), 2.0f)), 0x3C01);
  // Rounding carries into the exponent.
  EXPECT_EQ(ToHalf(2.0f - std::ldexp(1.0f, -12)), 0x4000);
  EXPECT_EQ(ToHalf(65520.0f), 0x7C00);

  EXPECT_EQ(FromHalf(0x7C00), 65536.0f);
  EXPECT_EQ(FromHalf(0x7FFF), 131008.0f);
  EXPECT_EQ(FromHalf(0x0001), std::ldexp(1.0f, -24));
  EXPECT_EQ(mt::Bits(FromHalf(0x8000)), 0x80000000u);
  EXPECT_EQ(FromHalf(0x83FF), -std::ldexp(1023.0f, -24));
}

TEST(Float16, ArraysAndTypes) {
  const float in[5] = {1, -2, 0.5f, 65504, 3};
  D3DXFLOAT16 h[6];
  h[5].value = 0xABCD;
  EXPECT_EQ(D3DXFloat32To16Array(h, in, 5), h);
  EXPECT_EQ(h[5].value, 0xABCD);  // nothing beyond the count
  float back[5];
  EXPECT_EQ(D3DXFloat16To32Array(back, h, 5), back);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(back[i], in[i]);
  D3DXFLOAT16 one(1.0f);
  EXPECT_EQ(one.value, 0x3C00);
  EXPECT_EQ((float)one, 1.0f);
  D3DXVECTOR3_16F v(D3DXVECTOR3(1, 2, 3));
  D3DXVECTOR3 w((const D3DXFLOAT16*)v);
  EXPECT_EQ(w, D3DXVECTOR3(1, 2, 3));
}
