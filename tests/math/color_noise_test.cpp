// Colours, colour adjustments, the Fresnel term and gradient noise.
#include "../../d3dx/math/noise.h"
#include "math_test_util.h"

TEST(Color, WordConversions) {
  EXPECT_EQ((DWORD)D3DXCOLOR(1.2f, 0.5f, -0.1f, 1), 0xFFFF8000u);
  EXPECT_EQ((DWORD)D3DXCOLOR(NAN, 0, 0, NAN), 0x00000000u);
  EXPECT_EQ((DWORD)D3DXCOLOR(0.998f, 0.002f, 0.999f, 0), 0x00FE01FFu);  // trunc(c * 255 + 0.5)
  for (DWORD w : {0x00000000u, 0xFFFFFFFFu, 0x80402010u, 0x12345678u}) {
    const D3DXCOLOR c(w);
    EXPECT_EQ((DWORD)c, w);
  }
  const D3DXCOLOR c(0xFF804020u);
  EXPECT_EQ(c.a, 1.0f);
  EXPECT_EQ(c.r, 128 * (1.0f / 255.0f));
  EXPECT_EQ(c.b, 32 * (1.0f / 255.0f));
  const D3DCOLORVALUE& cv = c;
  EXPECT_EQ(cv.g, c.g);
  EXPECT_EQ(D3DXCOLOR(0.2f, 0.4f, 0.6f, 0.8f) * 0.5f, D3DXCOLOR(0.1f, 0.2f, 0.3f, 0.4f));
}

TEST(Color, Adjustments) {
  const D3DXCOLOR c(0.8f, 0.4f, 0.2f, 0.3f);
  D3DXCOLOR out;
  D3DXColorAdjustSaturation(&out, &c, 0);
  const float grey = 0.2125f * 0.8f + 0.7154f * 0.4f + 0.0721f * 0.2f;
  EXPECT_TRUE(mt::Near(out, D3DXCOLOR(grey, grey, grey, 0.3f)));
  D3DXColorAdjustSaturation(&out, &c, 1);
  EXPECT_TRUE(mt::Near(out, c));
  D3DXColorAdjustContrast(&out, &c, 0);
  EXPECT_EQ(out, D3DXCOLOR(0.5f, 0.5f, 0.5f, 0.3f));
  D3DXColorAdjustContrast(&out, &c, 2);
  EXPECT_TRUE(mt::Near(out, D3DXCOLOR(1.1f, 0.3f, -0.1f, 0.3f)));
  D3DXCOLOR in = c;
  D3DXColorAdjustContrast(&in, &in, 2);  // in place
  EXPECT_EQ(in, out);
  D3DXColorNegative(&out, &c);
  EXPECT_TRUE(mt::Near(out, D3DXCOLOR(0.2f, 0.6f, 0.8f, 0.3f)));
}

TEST(Fresnel, KnownValuesAndClamp) {
  // Normal incidence: ((n - 1) / (n + 1))^2.
  EXPECT_NEAR(D3DXFresnelTerm(1.0f, 1.5f), 0.04f, 1e-6f);
  // Grazing and below: total.
  EXPECT_EQ(D3DXFresnelTerm(0.0f, 1.5f), 1.0f);
  EXPECT_EQ(D3DXFresnelTerm(-0.5f, 1.5f), 1.0f);
  // Matched media reflect nothing.
  EXPECT_NEAR(D3DXFresnelTerm(0.7f, 1.0f), 0.0f, 1e-7f);
  for (float c = 0.05f; c <= 1.0f; c += 0.05f) {
    const float f = D3DXFresnelTerm(c, 1.33f);
    EXPECT_GE(f, 0.0f);
    EXPECT_LE(f, 1.0f);
    EXPECT_LE(f, D3DXFresnelTerm(c - 0.04f, 1.33f) + 1e-6f);  // falls towards normal incidence
  }
}

TEST(GradientNoise, ZeroOnTheLatticeSmoothAndBounded) {
  mt::Rng rng;
  for (int i = 0; i < 50; ++i) {
    const D3DXVECTOR3 lattice((float)(int)rng.Uniform(-50, 50), (float)(int)rng.Uniform(-50, 50),
                              (float)(int)rng.Uniform(-50, 50));
    EXPECT_NEAR(GradientNoise3(&lattice), 0.0f, 1e-3f);
  }
  float lo = 0, hi = 0;
  for (int i = 0; i < 5000; ++i) {
    const D3DXVECTOR3 p = rng.Vec3(20);
    const float n = GradientNoise3(&p);
    lo = std::fmin(lo, n);
    hi = std::fmax(hi, n);
    ASSERT_LE(std::fabs(n), 1.5f);
    const D3DXVECTOR3 q(p.x + 1e-3f, p.y, p.z);
    EXPECT_NEAR(GradientNoise3(&q), n, 0.02f);
  }
  EXPECT_LT(lo, -0.3f);  // it does vary
  EXPECT_GT(hi, 0.3f);
  const D3DXVECTOR3 bad(NAN, INFINITY, -1e30f);
  EXPECT_TRUE(std::isfinite(GradientNoise3(&bad)));
}
