// Texture sampling: address modes, mip level selection, filters, perspective correction.
#include <gtest/gtest.h>

#include <cmath>

#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

// A pre-transformed quad over [0, n) x [0, n) pixels with texture coordinates u0..u1, v0..v1
// at the pixel-aligned edges.
std::vector<TLVertex> texQuad(float n, float u0, float v0, float u1, float v1) {
  return {{-0.5f, -0.5f, 0, 1, ~0u, u0, v0},       {n - 0.5f, -0.5f, 0, 1, ~0u, u1, v0},
          {n - 0.5f, n - 0.5f, 0, 1, ~0u, u1, v1}, {-0.5f, -0.5f, 0, 1, ~0u, u0, v0},
          {n - 0.5f, n - 0.5f, 0, 1, ~0u, u1, v1}, {-0.5f, n - 0.5f, 0, 1, ~0u, u0, v1}};
}

swr::DrawState texState(uint32_t n, const Texture& t) {
  swr::DrawState s = defaultState(n, n);
  s.renderState[D3DRS_ZENABLE] = FALSE;
  s.texture[0] = &t.src;
  s.stageState[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
  return s;
}

int addressed(DWORD mode, int i, int n, bool& border) {
  border = false;
  switch (mode) {
    case D3DTADDRESS_WRAP:
      return ((i % n) + n) % n;
    case D3DTADDRESS_MIRROR: {
      int m = ((i % (2 * n)) + 2 * n) % (2 * n);
      return m < n ? m : 2 * n - 1 - m;
    }
    case D3DTADDRESS_CLAMP:
      return std::clamp(i, 0, n - 1);
    case D3DTADDRESS_BORDER:
      border = i < 0 || i >= n;
      return std::clamp(i, 0, n - 1);
    default:
      return std::clamp(i < 0 ? -i - 1 : i, 0, n - 1);  // mirror once
  }
}

}  // namespace

// u and v run from -1 to 3 over 16 pixels of a 4x4 texture: pixel i samples texel i - 4.
TEST(PipelineTexture, EachAddressMode) {
  Texture t(4, 4, 1);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 4; ++x) t.at(0, x, y) = 0xFF000000u | (x << 16) | (y << 8) | 0x55;
  for (DWORD mu : {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP, D3DTADDRESS_BORDER,
                   D3DTADDRESS_MIRRORONCE}) {
    DWORD mv = mu == D3DTADDRESS_WRAP ? D3DTADDRESS_MIRROR : D3DTADDRESS_WRAP;  // mixed per axis
    Canvas c(16, 16, 0);
    swr::DrawState s = texState(16, t);
    s.samplerState[0][D3DSAMP_ADDRESSU] = mu;
    s.samplerState[0][D3DSAMP_ADDRESSV] = mv;
    s.samplerState[0][D3DSAMP_BORDERCOLOR] = 0xFFABCDEF;
    swr::Pipeline p;
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(16, -1, -1, 3, 3), c);
    p.flush();
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        bool bu, bv;
        int tx = addressed(mu, x - 4, 4, bu), ty = addressed(mv, y - 4, 4, bv);
        uint32_t want = bu || bv ? 0xFFABCDEF : t.at(0, tx, ty);
        ASSERT_EQ(c.at(x, y), want) << "mode " << mu << " pixel " << x << "," << y;
      }
  }
}

namespace {

const uint32_t kLevelColor[7] = {0, 0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0, 0xFFD0E0F0, 0xFF0F0F0F};

// 64x64 with a one-texel checkerboard in level 0 and a distinct solid colour per lower level.
Texture mipTexture() {
  Texture t(64, 64, 7);
  for (uint32_t y = 0; y < 64; ++y)
    for (uint32_t x = 0; x < 64; ++x) t.at(0, x, y) = ((x ^ y) & 1) ? 0xFFFFFFFF : 0xFF000000;
  for (int l = 1; l < 7; ++l)
    for (auto& v : t.levels[l]) v = kLevelColor[l];
  return t;
}

uint32_t drawMinified(const Texture& t, uint32_t n, DWORD mip, DWORD maxLevel = 0, float bias = 0.0f) {
  Canvas c(n, n, 0);
  swr::DrawState s = texState(n, t);
  s.samplerState[0][D3DSAMP_MIPFILTER] = mip;
  s.samplerState[0][D3DSAMP_MAXMIPLEVEL] = maxLevel;
  s.samplerState[0][D3DSAMP_MIPMAPLODBIAS] = fbits(bias);
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(float(n), 0, 0, 1, 1), c);
  p.flush();
  uint32_t first = c.at(0, 0);
  for (uint32_t y = 0; y < n; ++y)
    for (uint32_t x = 0; x < n; ++x)
      if (c.at(x, y) != first) return 0xDEADBEEF;  // not uniform
  return first;
}

}  // namespace

TEST(PipelineTexture, MipLevelSelectionOnMinifiedCheckerboard) {
  Texture t = mipTexture();
  EXPECT_EQ(drawMinified(t, 16, D3DTEXF_POINT), kLevelColor[2]);           // 4 texels per pixel
  EXPECT_EQ(drawMinified(t, 8, D3DTEXF_POINT), kLevelColor[3]);            // 8 texels per pixel
  EXPECT_EQ(drawMinified(t, 32, D3DTEXF_POINT), kLevelColor[1]);           // 2 texels per pixel
  EXPECT_EQ(drawMinified(t, 16, D3DTEXF_LINEAR), kLevelColor[2]);          // exactly on a level
  EXPECT_EQ(drawMinified(t, 16, D3DTEXF_POINT, 3), kLevelColor[3]);        // MAXMIPLEVEL limits detail
  EXPECT_EQ(drawMinified(t, 16, D3DTEXF_POINT, 0, 1.0f), kLevelColor[3]);  // LOD bias
  EXPECT_EQ(drawMinified(t, 2, D3DTEXF_POINT), kLevelColor[5]);
  EXPECT_EQ(drawMinified(t, 1, D3DTEXF_POINT, 0, 3.0f), kLevelColor[6]);  // clamped to the last level
  // Without mip filtering the minified checkerboard samples level 0: not uniform.
  EXPECT_EQ(drawMinified(t, 24, D3DTEXF_NONE), 0xDEADBEEFu);
}

TEST(PipelineTexture, LinearMipBlendsNeighbouringLevels) {
  Texture t = mipTexture();
  // lod = log2(64/24) = 1.415: blend of levels 1 and 2 with weight 0.415.
  uint32_t got = drawMinified(t, 24, D3DTEXF_LINEAR);
  float f = std::log2(64.0f / 24.0f) - 1.0f;
  for (int sh : {0, 8, 16}) {
    float a = float((kLevelColor[1] >> sh) & 255), b = float((kLevelColor[2] >> sh) & 255);
    EXPECT_NEAR(float((got >> sh) & 255), a + (b - a) * f, 1.5f) << sh;
  }
}

TEST(PipelineTexture, MagnificationAndMinificationFilters) {
  Texture t(4, 4, 1);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 4; ++x) t.at(0, x, y) = 0xFF000000u | ((x * 80) << 16) | ((y * 80) << 8);
  // 4x magnified with point: blocks of 4x4 identical pixels.
  Canvas c(16, 16, 0);
  swr::DrawState s = texState(16, t);
  s.samplerState[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;  // must not matter when magnifying
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(16, 0, 0, 1, 1), c);
  p.flush();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(c.at(x, y), t.at(0, x / 4, y / 4)) << x << "," << y;
  // Linear magnification with clamping: pixel 5 sits at texel coordinate 1.375 - 0.5 = 0.875.
  Canvas d(16, 16, 0);
  s.samplerState[0][D3DSAMP_MAGFILTER] = D3DTEXF_LINEAR;
  s.samplerState[0][D3DSAMP_ADDRESSU] = s.samplerState[0][D3DSAMP_ADDRESSV] = D3DTADDRESS_CLAMP;
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(16, 0, 0, 1, 1), d);
  p.flush();
  EXPECT_NEAR(int((d.at(5, 0) >> 16) & 255), 70, 1);  // 80 * 0.875
  EXPECT_EQ((d.at(0, 0) >> 16) & 255, 0u);            // clamped at the edge
  EXPECT_EQ((d.at(15, 0) >> 16) & 255, 240u);
}

// Texture coordinates interpolate in perspective: u = (t/w1) / ((1-t)/w0 + t/w1) style.
TEST(PipelineTexture, PerspectiveCorrectCoordinates) {
  Texture t(256, 1, 1);
  for (uint32_t x = 0; x < 256; ++x) t.at(0, x, 0) = 0xFF000000u | x;
  Canvas c(64, 4, 0);
  swr::DrawState s = texState(64, t);
  s.viewport = {0, 0, 64, 4, 0, 1};
  s.samplerState[0][D3DSAMP_ADDRESSU] = D3DTADDRESS_CLAMP;
  const float r0 = 1.0f, r1 = 0.25f;  // rhw at the left and right edges
  std::vector<TLVertex> v = {{0, 0, 0, r0, ~0u, 0, 0}, {64, 0, 0, r1, ~0u, 1, 0}, {64, 4, 0, r1, ~0u, 1, 0},
                             {0, 0, 0, r0, ~0u, 0, 0}, {64, 4, 0, r1, ~0u, 1, 0}, {0, 4, 0, r0, ~0u, 0, 0}};
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, v, c);
  p.flush();
  for (int x = 0; x < 64; ++x) {
    double a = x / 64.0, u = a * r1 / ((1 - a) * r0 + a * r1);
    int want = std::min(255, int(std::floor(u * 256)));
    EXPECT_NEAR(int(c.at(x, 1) & 255), want, 1) << x;
  }
  // Far from affine: in the middle the affine value would be 128.
  EXPECT_LT(int(c.at(32, 1) & 255), 60);
}

TEST(PipelineTexture, OpaqueFormatsReadAlphaOne) {
  Texture t(2, 2, 1, true);
  for (auto& x : t.levels[0]) x = 0x00336699;
  Canvas c(4, 4, 0);
  swr::DrawState s = texState(4, t);
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(4, 0, 0, 1, 1), c);
  p.flush();
  EXPECT_EQ(c.at(1, 1), 0xFF336699u);
}

// For 2D coordinates the matrix's third row translates.
TEST(PipelineTexture, TextureTransformTranslates) {
  Texture t(4, 1, 1);
  for (uint32_t x = 0; x < 4; ++x) t.at(0, x, 0) = 0xFF000000u | x;
  Canvas c(4, 4, 0);
  swr::DrawState s = texState(4, t);
  s.stageState[0][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_COUNT2;
  s.textureTransform[0]._31 = 0.25f;
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(4, 0, 0, 1, 1), c);
  p.flush();
  EXPECT_EQ(c.at(0, 0) & 255, 1u);
  EXPECT_EQ(c.at(3, 0) & 255, 0u);  // wrapped
}

// Changing a texture's contents (a new version) is seen by the next draw.
TEST(PipelineTexture, NewTextureVersionIsSampled) {
  Texture t(1, 1, 1);
  t.at(0, 0, 0) = 0xFF112233;
  Canvas c(4, 4, 0);
  swr::DrawState s = texState(4, t);
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(4, 0, 0, 1, 1), c);
  p.flush();
  EXPECT_EQ(c.at(1, 1), 0xFF112233u);
  Texture u(1, 1, 1);
  u.at(0, 0, 0) = 0xFF445566;
  s.texture[0] = &u.src;  // same versions: the pipeline must notice the texture itself
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, texQuad(4, 0, 0, 1, 1), c);
  p.flush();
  EXPECT_EQ(c.at(1, 1), 0xFF445566u);
}
