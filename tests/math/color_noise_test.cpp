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

TEST(GradientNoise, TiledRepeatsEveryPeriodAndStaysContinuousAcrossTheWrap) {
  const INT period[3] = {5, 16, 256};
  mt::Rng rng;
  bool varies = false;
  for (int i = 0; i < 500; ++i) {
    // Eighths keep p + k * period exact in single precision.
    const D3DXVECTOR3 p(std::floor(rng.Uniform(0, 40)) / 8, std::floor(rng.Uniform(0, 128)) / 8,
                        std::floor(rng.Uniform(0, 64)) / 8);
    const float n = GradientNoise3Tiled(&p, period);
    varies |= std::fabs(n) > 0.3f;
    for (int axis = 0; axis < 3; ++axis) {
      D3DXVECTOR3 q = p;
      (&q.x)[axis] += (float)(period[axis] * 3);
      EXPECT_EQ(GradientNoise3Tiled(&q, period), n) << "axis " << axis;
      (&q.x)[axis] -= (float)(period[axis] * 5);
      EXPECT_EQ(GradientNoise3Tiled(&q, period), n) << "axis " << axis << " negative";
    }
  }
  EXPECT_TRUE(varies);
  // The last cell of a period blends into the first: no step where the lattice wraps.
  for (int i = 0; i < 200; ++i) {
    const float y = rng.Uniform(0, 16), z = rng.Uniform(0, 256);
    const D3DXVECTOR3 before(5.0f - 1e-3f, y, z), after(1e-3f, y, z);
    EXPECT_NEAR(GradientNoise3Tiled(&before, period), GradientNoise3Tiled(&after, period), 0.02f);
    const D3DXVECTOR3 lattice(0, std::floor(y), std::floor(z));
    EXPECT_NEAR(GradientNoise3Tiled(&lattice, period), 0.0f, 1e-6f);
  }
  const INT bad[3] = {0, -4, 100000};
  const D3DXVECTOR3 odd(NAN, INFINITY, -1e30f);
  EXPECT_TRUE(std::isfinite(GradientNoise3Tiled(&odd, bad)));
}
