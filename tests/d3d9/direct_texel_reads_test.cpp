// Quads drawn one texel per pixel take direct texel reads in the SIMD routines. Those must give
// exactly the pixels of the general fetch, both where the quads are aligned and where they are
// off by a fraction of a texel (which must not be taken for aligned).
#include <gtest/gtest.h>

#include <random>

#include "../../platform/d3d9/pipeline/kernels.h"
#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

struct Quad {
  float x, y, w, h;  // pixels: the quad covers [x, x + w) x [y, y + h) when aligned
  float u0, v0;      // texel coordinates of its top-left corner
  float dx, dy;      // extra screen offset of the vertices, in pixels
  float du, dv;      // texels per pixel, less one
};

// Texels of zero alpha (often, as glyph tiles have) and others of every alpha.
Texture tileTexture(uint32_t w, uint32_t h, uint32_t seed) {
  std::mt19937 rng(seed);
  Texture t(w, h, 1);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      t.at(0, x, y) = (rng() % 3 == 0 ? 0u : rng() & 0xFF000000u) | (rng() & 0xFFFFFF);
  return t;
}

struct Setup {
  DWORD filter, address, alphaArg;
  bool targetAlpha;
};

Canvas draw(const Setup& k, const Texture& tex, const std::vector<Quad>& quads, bool direct) {
  const int n = 192;
  swr::DrawState s = defaultState(n, n);
  DWORD* r = s.renderState;
  r[D3DRS_CULLMODE] = D3DCULL_NONE;
  r[D3DRS_ZENABLE] = FALSE;
  r[D3DRS_ALPHABLENDENABLE] = TRUE, r[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
  r[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
  s.texture[0] = &tex.src;
  DWORD* t = s.stageState[0];
  t[D3DTSS_COLOROP] = t[D3DTSS_ALPHAOP] = D3DTOP_MODULATE;
  t[D3DTSS_COLORARG1] = D3DTA_TEXTURE, t[D3DTSS_ALPHAARG1] = k.alphaArg;
  t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
  if (k.alphaArg == D3DTA_DIFFUSE) t[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
  DWORD* m = s.samplerState[0];
  m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = k.filter;
  m[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
  m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = k.address;
  const float tw = float(tex.src.levels[0].width), th = float(tex.src.levels[0].height);
  std::vector<TLVertex> verts;
  for (const Quad& q : quads) {
    const float x0 = q.x - 0.5f + q.dx, y0 = q.y - 0.5f + q.dy, x1 = x0 + q.w, y1 = y0 + q.h;
    const float u0 = q.u0 / tw, v0 = q.v0 / th;
    const float u1 = u0 + q.w * (1 + q.du) / tw, v1 = v0 + q.h * (1 + q.dv) / th;
    const uint32_t c = 0xC0FFE080u;
    const TLVertex a = {x0, y0, 0, 1, c, u0, v0}, b = {x1, y0, 0, 1, c, u1, v0},
                   e = {x1, y1, 0, 1, c, u1, v1}, d = {x0, y1, 0, 1, c, u0, v1};
    for (const TLVertex& v : {a, b, e, a, e, d}) verts.push_back(v);
  }
  // A destination of varied colour and alpha: zero-alpha texels leave it alone only where opaque.
  Canvas out(n, n);
  out.hasAlpha = k.targetAlpha;
  for (size_t i = 0; i < out.color.size(); ++i)
    out.color[i] = uint32_t(i * 2654435761u) & (i % 5 ? 0xFFFFFFFFu : 0x00FFFFFFu);
  swr::disableDirectTexelReads(!direct);
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(verts.size() / 3), verts, out);
  p.flush();
  swr::disableDirectTexelReads(false);
  return out;
}

void expectSamePixels(const Setup& k, const Texture& tex, const std::vector<Quad>& quads) {
  const Canvas general = draw(k, tex, quads, false), direct = draw(k, tex, quads, true);
  int differ = 0;
  for (size_t i = 0; i < general.color.size(); ++i)
    if (general.color[i] != direct.color[i]) {
      if (++differ <= 3)
        ADD_FAILURE() << "pixel " << i % general.width << "," << i / general.width << std::hex << " general "
                      << general.color[i] << " direct " << direct.color[i];
    }
  EXPECT_EQ(differ, 0) << "filter " << k.filter << " address " << k.address << " alpha arg " << k.alphaArg
                       << " target alpha " << k.targetAlpha;
}

void everySetup(const Texture& tex, const std::vector<Quad>& quads) {
  for (DWORD filter : {DWORD(D3DTEXF_LINEAR), DWORD(D3DTEXF_POINT)})
    for (DWORD address : {DWORD(D3DTADDRESS_CLAMP), DWORD(D3DTADDRESS_WRAP)})
      for (DWORD alphaArg : {DWORD(D3DTA_TEXTURE), DWORD(D3DTA_DIFFUSE)})
        for (bool targetAlpha : {true, false})
          expectSamePixels({filter, address, alphaArg, targetAlpha}, tex, quads);
}

}  // namespace

// Text tiles and sprites as drawn: texel centres on pixel centres, whole and partial tiles, tiles
// reaching past the texture's edges and off the target.
TEST(DirectTexelReads, AlignedQuadsMatchTheGeneralFetch) {
  const Texture tex = tileTexture(64, 16, 3);
  const std::vector<Quad> quads = {
      {10, 10, 64, 16, 0, 0, 0, 0, 0, 0},   {81, 3, 33, 16, 0, 0, 0, 0, 0, 0},
      {-20, 40, 64, 16, 0, 0, 0, 0, 0, 0},  {20, 70, 80, 16, 0, 0, 0, 0, 0, 0},
      {3, 100, 64, 3, 0, 0, 0, 0, 0, 0},    {100, 120, 40, 12, 9, 3, 0, 0, 0, 0},
      {150, 140, 64, 16, 0, 0, 0, 0, 0, 0}, {5, 150, 90, 30, -13, -5, 0, 0, 0, 0}};
  everySetup(tex, quads);
}

// Quads a fraction of a texel (or a fraction of a pixel) away from alignment, and ones whose scale
// is a hair off one texel per pixel: the texels read must still be the general fetch's.
TEST(DirectTexelReads, NearlyAlignedQuadsMatchTheGeneralFetch) {
  const Texture tex = tileTexture(64, 16, 5);
  std::vector<Quad> quads;
  const float fractions[] = {1.0f / 512, 1.0f / 256, 0.01f, 0.25f, 0.5f, 0.75f, 1 - 1.0f / 512};
  float y = 2;
  for (float f : fractions) {
    quads.push_back({4, y, 64, 8, f, 0, 0, 0, 0, 0});               // u between texel centres
    quads.push_back({74, y, 40, 8, 0, f, 0, 0, 0, 0});              // v between texel rows
    quads.push_back({120, y, 64, 8, 0, 0, f, f, 0, 0});             // the screen position off
    quads.push_back({4, y + 10, 60, 8, 0, 0, 0, 0, 1e-4f * f, 0});  // a slight scale
    quads.push_back({70, y + 10, 60, 8, 0, 0, 0, 0, -1e-5f, 1e-3f * f});
    y += 23;
  }
  everySetup(tex, quads);
}

// Widths that are not powers of two wrap by division; tiles narrower than a group of pixels.
TEST(DirectTexelReads, OddAndNarrowTexturesMatchTheGeneralFetch) {
  for (uint32_t w : {5u, 8u, 37u, 100u}) {
    const Texture tex = tileTexture(w, 11, w);
    const float fw = float(w);
    const std::vector<Quad> quads = {{1, 1, fw, 11, 0, 0, 0, 0, 0, 0},
                                     {7, 30, fw * 2, 20, 0, 0, 0, 0, 0, 0},
                                     {3, 60, fw + 9, 11, -4, 2, 0, 0, 0, 0},
                                     {2, 90, fw, 11, 0.5f, 0, 0, 0, 0, 0}};
    everySetup(tex, quads);
  }
}
