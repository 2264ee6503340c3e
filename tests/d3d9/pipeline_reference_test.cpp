// The specialised span routines and the span rasteriser against the reference (every pixel tested
// on its own, general per-pixel path) on random states and triangles.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

// Smooth texels (neighbours differ by at most 8 per channel) so that a texel choice flipped by
// rounding at a boundary stays a small difference; distinct channels catch swapped channels.
Texture smoothTexture(uint32_t w, uint32_t h, uint32_t seed, int levels = 1) {
  Texture t(w, h, levels);
  auto tri = [](uint32_t v) {
    v &= 511;
    return v < 256 ? v : 511 - v;
  };
  for (int l = 0; l < int(t.levels.size()); ++l)
    for (uint32_t y = 0; y < t.src.levels[l].height; ++y)
      for (uint32_t x = 0; x < t.src.levels[l].width; ++x)
        t.at(l, x, y) = tri(x * 8 + seed + 60 * l) << 24 | tri(y * 8 + 40) << 16 |
                        tri((x + y) * 4 + seed) << 8 | tri(x * 4 + 100 + 30 * l);
  return t;
}

struct Scene {
  swr::DrawState state;
  std::vector<TLVertex> verts;
};

Scene randomScene(std::mt19937& rng, const Texture& tex, int n) {
  auto pick = [&](int k) { return int(rng() % uint32_t(k)); };
  auto unit = [&] { return float(rng() % 10001) / 10000.0f; };
  Scene sc{defaultState(n, n), {}};
  swr::DrawState& s = sc.state;
  DWORD* r = s.renderState;
  r[D3DRS_CULLMODE] = D3DCULL_NONE;
  r[D3DRS_ZENABLE] = pick(4) != 0;
  r[D3DRS_ZWRITEENABLE] = pick(3) != 0;
  r[D3DRS_ZFUNC] = pick(5) == 0 ? D3DCMP_GREATER : D3DCMP_LESSEQUAL;
  r[D3DRS_SHADEMODE] = pick(6) == 0 ? D3DSHADE_FLAT : D3DSHADE_GOURAUD;
  switch (pick(5)) {
    case 1:
      r[D3DRS_ALPHABLENDENABLE] = TRUE, r[D3DRS_SRCBLEND] = D3DBLEND_ONE, r[D3DRS_DESTBLEND] = D3DBLEND_ONE;
      break;
    case 2:
      r[D3DRS_ALPHABLENDENABLE] = TRUE, r[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA,
      r[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
      break;
    case 3:
      r[D3DRS_ALPHABLENDENABLE] = TRUE, r[D3DRS_SRCBLEND] = D3DBLEND_DESTCOLOR,
      r[D3DRS_DESTBLEND] = D3DBLEND_SRCCOLOR;
      break;
    default:
      break;
  }
  if (pick(6) == 0)
    r[D3DRS_ALPHATESTENABLE] = TRUE, r[D3DRS_ALPHAFUNC] = D3DCMP_GREATER, r[D3DRS_ALPHAREF] = 100;
  if (pick(2)) s.texture[0] = &tex.src;
  DWORD* t = s.stageState[0];
  const DWORD ops[] = {D3DTOP_MODULATE, D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_ADD};
  const DWORD args[] = {D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTA_TFACTOR};
  t[D3DTSS_COLOROP] = ops[pick(pick(5) == 0 ? 4 : 3)];
  t[D3DTSS_COLORARG1] = args[pick(3)];
  t[D3DTSS_COLORARG2] = args[pick(3)];
  t[D3DTSS_ALPHAOP] = ops[pick(3)];
  t[D3DTSS_ALPHAARG1] = args[pick(3)];
  t[D3DTSS_ALPHAARG2] = args[pick(4)];
  DWORD* m = s.samplerState[0];
  m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = pick(2) ? D3DTEXF_LINEAR : D3DTEXF_POINT;
  if (pick(5) == 0) m[D3DSAMP_MINFILTER] = D3DTEXF_POINT, m[D3DSAMP_MAGFILTER] = D3DTEXF_LINEAR;
  const DWORD modes[] = {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR, D3DTADDRESS_BORDER};
  m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = modes[pick(pick(4) == 0 ? 4 : 2)];
  m[D3DSAMP_BORDERCOLOR] = 0x80FF8040;
  m[D3DSAMP_MIPFILTER] = DWORD(pick(3));  // none, point, linear
  bool sameColor = pick(2) == 0;
  uint32_t shared = rng() | 0x20000000;
  for (int k = 0; k < 12; ++k) {
    float cx = unit() * float(n), cy = unit() * float(n),
          size = 4 + unit() * float(n) * (pick(4) == 0 ? 1.5f : 0.4f);
    for (int j = 0; j < 3; ++j) {
      float rhw = 0.2f + unit() * 2.0f;
      sc.verts.push_back({cx + (unit() - 0.5f) * size, cy + (unit() - 0.5f) * size, unit(), rhw,
                          sameColor ? shared : uint32_t(rng()), unit() * 3 - 1, unit() * 3 - 1});
    }
  }
  return sc;
}

void fastRoutinesMatchTheReference(uint32_t texWidth = 32, uint32_t texHeight = 16) {
  const int n = 96;
  std::mt19937 rng(12345);
  Texture tex = smoothTexture(texWidth, texHeight, 7, 4);
  int fastScenes = 0;
  for (int round = 0; round < 300; ++round) {
    Scene sc = randomScene(rng, tex, n);
    Canvas results[2] = {Canvas(n, n, 0x01020304, 0x80000000u), Canvas(n, n, 0x01020304, 0x80000000u)};
    for (int ref = 0; ref < 2; ++ref) {
      swr::Pipeline p;
      p.setReferenceMode(ref == 1);
      drawUP(p, sc.state, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(sc.verts.size() / 3), sc.verts, results[ref]);
      p.flush();
    }
    int bad = 0, worst = 0;
    for (size_t i = 0; i < results[0].color.size(); ++i) {
      int d = maxChannelDiff(results[0].color[i], results[1].color[i]);
      worst = std::max(worst, d);
      bad += d > 2;
      // Depth may differ only where the colour shows the same rounding.
      if (results[0].depth[i] != results[1].depth[i]) ++bad;
    }
    EXPECT_LE(bad, n * n / 200) << "round " << round;
    EXPECT_LE(worst, 12) << "round " << round;
    if (bad > n * n / 200 || worst > 12) {
      const DWORD* r = sc.state.renderState;
      const DWORD* t = sc.state.stageState[0];
      const DWORD* m = sc.state.samplerState[0];
      ADD_FAILURE() << "z " << r[D3DRS_ZENABLE] << "/" << r[D3DRS_ZWRITEENABLE] << "/" << r[D3DRS_ZFUNC]
                    << " shade " << r[D3DRS_SHADEMODE] << " blend " << r[D3DRS_ALPHABLENDENABLE] << ":"
                    << r[D3DRS_SRCBLEND] << "," << r[D3DRS_DESTBLEND] << " atest " << r[D3DRS_ALPHATESTENABLE]
                    << " tex " << (sc.state.texture[0] != nullptr) << " cop " << t[D3DTSS_COLOROP] << "("
                    << t[D3DTSS_COLORARG1] << "," << t[D3DTSS_COLORARG2] << ") aop " << t[D3DTSS_ALPHAOP]
                    << "(" << t[D3DTSS_ALPHAARG1] << "," << t[D3DTSS_ALPHAARG2] << ") filt "
                    << m[D3DSAMP_MAGFILTER] << m[D3DSAMP_MINFILTER] << m[D3DSAMP_MIPFILTER] << " addr "
                    << m[D3DSAMP_ADDRESSU];
      int shown = 0;
      for (size_t i = 0; i < results[0].color.size() && shown < 4; ++i)
        if (maxChannelDiff(results[0].color[i], results[1].color[i]) > 2)
          ADD_FAILURE() << "pixel " << i % n << "," << i / n << std::hex << " fast " << results[0].color[i]
                        << " ref " << results[1].color[i] << " z " << results[0].depth[i] << " "
                        << results[1].depth[i],
              ++shown;
    }
    fastScenes++;
  }
  EXPECT_EQ(fastScenes, 300);
}

}  // namespace

TEST(PipelineReference, FastRoutinesMatchTheReference) { fastRoutinesMatchTheReference(); }

// Wrapping textures of any size (a render target of the screen's size sampled back) divide instead
// of masking; the smooth texels jump at the wrapped edges, so a wrong neighbour shows.
TEST(PipelineReference, FastRoutinesMatchTheReferenceOnOddSizes) {
  fastRoutinesMatchTheReference(24, 12);
  fastRoutinesMatchTheReference(13, 7);
  swr::limitSpanRoutinesToAvx2(true);
  fastRoutinesMatchTheReference(24, 12);
  swr::limitSpanRoutinesToAvx2(false);
}

// The AVX2 build of the SIMD routines, which processors with AVX-512 would otherwise never run.
TEST(PipelineReference, Avx2RoutinesMatchTheReference) {
  swr::limitSpanRoutinesToAvx2(true);
  fastRoutinesMatchTheReference();
  swr::limitSpanRoutinesToAvx2(false);
}

// Clipped, perspective-transformed geometry through both paths.
TEST(PipelineReference, TransformedSceneMatches) {
  const int n = 80;
  std::mt19937 rng(99);
  Texture tex = smoothTexture(16, 16, 3);
  for (int round = 0; round < 40; ++round) {
    swr::DrawState s = defaultState(n, n);
    s.renderState[D3DRS_LIGHTING] = FALSE;
    s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
    s.texture[0] = &tex.src;
    s.samplerState[0][D3DSAMP_MAGFILTER] = s.samplerState[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
    D3DMATRIX proj{};
    proj._11 = 1, proj._22 = 1, proj._33 = 1.01f, proj._34 = 1, proj._43 = -0.101f;
    s.projection = proj;
    std::vector<CVertex> v;
    auto unit = [&] { return float(rng() % 10001) / 10000.0f; };
    for (int k = 0; k < 30; ++k)
      v.push_back({(unit() - 0.5f) * 8, (unit() - 0.5f) * 8, unit() * 6 - 1, uint32_t(rng()), unit() * 4,
                   unit() * 4});
    Canvas results[2] = {Canvas(n, n, 0), Canvas(n, n, 0)};
    for (int ref = 0; ref < 2; ++ref) {
      swr::Pipeline p;
      p.setReferenceMode(ref == 1);
      drawUP(p, s, kCFvf, D3DPT_TRIANGLELIST, 10, v, results[ref]);
      p.flush();
    }
    int bad = 0;
    for (size_t i = 0; i < results[0].color.size(); ++i)
      bad += maxChannelDiff(results[0].color[i], results[1].color[i]) > 2;
    EXPECT_LE(bad, n * n / 200) << "round " << round;
  }
}

// Coverage alone must match exactly: additive counts of overlapping triangles, from slivers and
// steep or nearly horizontal edges to triangles reaching far outside the target, with vertices on
// the sub-pixel grid so edges pass exactly through pixel centres.
TEST(PipelineReference, SpanCoverageIsExact) {
  const int n = 150;  // several tiles, one of them partial
  std::mt19937 rng(4242);
  auto coord = [&](float reach) {
    return float(int(rng() % uint32_t(reach * 16 * 2)) - int(reach * 16)) / 16.0f + float(n) / 2;
  };
  for (int round = 0; round < 60; ++round) {
    swr::DrawState s = defaultState(n, n);
    DWORD* r = s.renderState;
    r[D3DRS_CULLMODE] = D3DCULL_NONE, r[D3DRS_ZENABLE] = FALSE;
    r[D3DRS_ALPHABLENDENABLE] = TRUE, r[D3DRS_SRCBLEND] = D3DBLEND_ONE, r[D3DRS_DESTBLEND] = D3DBLEND_ONE;
    s.stageState[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG2;
    s.stageState[0][D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    std::vector<TLVertex> v;
    for (int k = 0; k < 24; ++k) {
      float reach = k % 4 == 0 ? 3000.0f : (k % 4 == 1 ? 20.0f : 90.0f);
      float x0 = coord(reach), y0 = coord(reach);
      v.push_back({x0, y0, 0, 1, 0x00000001, 0, 0});
      if (k % 3 == 0) {  // a sliver: the third vertex close to the line through the other two
        float x1 = coord(reach), y1 = coord(reach);
        v.push_back({x1, y1, 0, 1, 0x00000001, 0, 0});
        v.push_back(
            {x0 + (x1 - x0) * 0.5f + 0.0625f * float(k % 5), y0 + (y1 - y0) * 0.5f, 0, 1, 0x00000001, 0, 0});
      } else {
        for (int j = 0; j < 2; ++j) v.push_back({coord(reach), coord(reach), 0, 1, 0x00000001, 0, 0});
      }
    }
    Canvas results[2] = {Canvas(n, n, 0), Canvas(n, n, 0)};
    for (int ref = 0; ref < 2; ++ref) {
      swr::Pipeline p;
      p.setReferenceMode(ref == 1);
      drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(v.size() / 3), v, results[ref]);
      p.flush();
    }
    int differing = 0;
    for (size_t i = 0; i < results[0].color.size(); ++i)
      differing += results[0].color[i] != results[1].color[i];
    ASSERT_EQ(differing, 0) << "round " << round;
  }
}

namespace {

// Quads drawn one texel per pixel (vertices half a pixel up and left of whole pixels), as text
// tiles are: linear filtering lands on texel centres, and texels of zero alpha blend to the
// target unchanged. The specialised routines take shortcuts for both and must give the
// reference's pixels, on targets with and without alpha, clamped and wrapped.
TEST(PipelineReference, TexelAlignedQuadsMatchTheReference) {
  const int n = 160;
  std::mt19937 rng(777);
  Texture tex(64, 16, 1);
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 64; ++x)
      tex.at(0, x, y) = (rng() % 3 ? 0u : (rng() & 0xFF000000u)) | 0x00FFFFFFu;
  struct Quad {
    float x, y, w, h, u0, v0;
  };
  const Quad quads[] = {{10, 10, 64, 16, 0, 0},  {75, 3, 33, 16, 0, 0}, {-20, 40, 64, 16, 0, 0},
                        {20, 70, 80, 16, 0, 0},  {3, 100, 64, 3, 0, 0}, {100, 120, 64, 16, 0.5f, 0.25f},
                        {150, 140, 64, 16, 0, 0}};
  for (DWORD address : {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP})
    for (bool targetAlpha : {true, false})
      for (uint32_t diffuse : {0xFFFFFF00u, 0x80FF0000u}) {
        swr::DrawState s = defaultState(n, n);
        DWORD* r = s.renderState;
        r[D3DRS_CULLMODE] = D3DCULL_NONE;
        r[D3DRS_ZENABLE] = FALSE;
        r[D3DRS_ALPHABLENDENABLE] = TRUE, r[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
        r[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
        s.texture[0] = &tex.src;
        DWORD* t = s.stageState[0];
        t[D3DTSS_COLOROP] = t[D3DTSS_ALPHAOP] = D3DTOP_MODULATE;
        t[D3DTSS_COLORARG1] = t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
        DWORD* m = s.samplerState[0];
        m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
        m[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = address;
        std::vector<TLVertex> verts;
        for (const Quad& q : quads) {
          const float x0 = q.x - 0.5f, y0 = q.y - 0.5f, x1 = x0 + q.w, y1 = y0 + q.h;
          const float u1 = q.u0 + q.w / 64, v1 = q.v0 + q.h / 16;
          const TLVertex a = {x0, y0, 0, 1, diffuse, q.u0, q.v0}, b = {x1, y0, 0, 1, diffuse, u1, q.v0},
                         c = {x1, y1, 0, 1, diffuse, u1, v1}, d = {x0, y1, 0, 1, diffuse, q.u0, v1};
          for (const TLVertex& v : {a, b, c, a, c, d}) verts.push_back(v);
        }
        Canvas results[2] = {Canvas(n, n, 0x10406080u), Canvas(n, n, 0x10406080u)};
        for (int ref = 0; ref < 2; ++ref) {
          results[ref].hasAlpha = targetAlpha;
          swr::Pipeline p;
          p.setReferenceMode(ref == 1);
          drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(verts.size() / 3), verts, results[ref]);
          p.flush();
        }
        // The two paths round by a step differently, no more.
        int worst = 0, drawn = 0;
        for (size_t i = 0; i < results[0].color.size(); ++i) {
          const uint32_t fast = results[0].color[i] & 0xFFFFFF, ref = results[1].color[i] & 0xFFFFFF;
          worst = std::max(worst, maxChannelDiff(fast, ref));
          drawn += ref != 0x406080u;
        }
        EXPECT_LE(worst, 1) << address << " " << targetAlpha << " " << std::hex << diffuse;
        EXPECT_GT(drawn, 1000);
      }
}

// Magnified textures sampled past their clamped edges, on quads turned so that one group of
// eight pixels reads texels of more than one row: every texel row has its own strong colour, so a
// row taken from the wrong neighbour shows.
TEST(PipelineReference, MagnifiedEdgesMatchTheReference) {
  const int n = 128;
  Texture tex(64, 16, 1, true);
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 64; ++x)
      tex.at(0, x, y) = 0xFF000000u | (y * 16u) << 16 | (x * 4u) << 8 | (y & 1) * 255u;
  for (DWORD address : {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP})
    for (float skew : {0.0f, 0.02f, -0.05f, 0.3f}) {
      swr::DrawState s = defaultState(n, n);
      s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
      s.renderState[D3DRS_ZENABLE] = FALSE;
      s.texture[0] = &tex.src;
      DWORD* m = s.samplerState[0];
      m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
      m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = address;
      // About 1.5 pixels per texel, coordinates a little beyond [0, 1] on every side.
      const float u0 = -0.06f, u1 = 1.07f, v0 = -0.2f, v1 = 1.15f;
      const TLVertex a = {2, 2, 0, 1, 0xFFFFFFFF, u0, v0}, b = {126, 2, 0, 1, 0xFFFFFFFF, u1, v0 + skew},
                     c = {126, 60, 0, 1, 0xFFFFFFFF, u1, v1 + skew}, d = {2, 60, 0, 1, 0xFFFFFFFF, u0, v1};
      std::vector<TLVertex> verts = {a, b, c, a, c, d};
      Canvas results[2] = {Canvas(n, n, 0), Canvas(n, n, 0)};
      for (int ref = 0; ref < 2; ++ref) {
        swr::Pipeline p;
        p.setReferenceMode(ref == 1);
        drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, verts, results[ref]);
        p.flush();
      }
      int worst = 0;
      for (size_t i = 0; i < results[0].color.size(); ++i)
        worst = std::max(worst, maxChannelDiff(results[0].color[i], results[1].color[i]));
      EXPECT_LE(worst, 1) << address << " skew " << skew;
    }
}

// Quads drawn one texel per pixel but a fraction of a texel off the centres, as the eye images
// are: each group of eight pixels reads eight consecutive texel columns and their right-hand
// neighbours. Neighbouring texels differ strongly, so a neighbour taken one column or row off
// shows; quads run past the right and bottom edges (clamped, wrapped, and a width that is no power
// of two), start left of the texture, and some are narrower than a group.
TEST(PipelineReference, OffsetTexelRunsMatchTheReference) {
  const int n = 160;
  for (uint32_t w : {64u, 48u}) {
    const uint32_t h = 12;
    Texture tex(w, h, 1, true);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        tex.at(0, x, y) =
            0xFF000000u | ((x * 37 + y * 11) & 255) << 16 | ((y * 53) & 255) << 8 | ((x * 91) & 255);
    struct Quad {
      float x, y, w, h, du, dv;  // du, dv: offset in texels
    };
    const Quad quads[] = {{10, 10, 64, 12, 0.25f, 0.5f}, {80, 4, 40, 12, 0.75f, 0.125f},
                          {-13, 40, 70, 12, 0.5f, 0.5f}, {30, 60, 5, 12, 0.3f, 0.6f},
                          {90, 80, 64, 30, 0.5f, 0.9f},  {5, 120, 150, 12, 0.1f, 0.2f}};
    for (DWORD address : {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP}) {
      swr::DrawState s = defaultState(n, n);
      s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
      s.renderState[D3DRS_ZENABLE] = FALSE;
      s.texture[0] = &tex.src;
      DWORD* m = s.samplerState[0];
      m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
      m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = address;
      std::vector<TLVertex> verts;
      for (const Quad& q : quads) {
        const float x0 = q.x - 0.5f, y0 = q.y - 0.5f, x1 = x0 + q.w, y1 = y0 + q.h;
        const float u0 = q.du / float(w), v0 = q.dv / float(h);
        const float u1 = u0 + q.w / float(w), v1 = v0 + q.h / float(h);
        const TLVertex a = {x0, y0, 0, 1, 0xFFFFFFFF, u0, v0}, b = {x1, y0, 0, 1, 0xFFFFFFFF, u1, v0},
                       c = {x1, y1, 0, 1, 0xFFFFFFFF, u1, v1}, d = {x0, y1, 0, 1, 0xFFFFFFFF, u0, v1};
        for (const TLVertex& v : {a, b, c, a, c, d}) verts.push_back(v);
      }
      Canvas results[2] = {Canvas(n, n, 0), Canvas(n, n, 0)};
      for (int ref = 0; ref < 2; ++ref) {
        swr::Pipeline p;
        p.setReferenceMode(ref == 1);
        drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(verts.size() / 3), verts, results[ref]);
        p.flush();
      }
      int worst = 0, drawn = 0;
      for (size_t i = 0; i < results[0].color.size(); ++i) {
        worst = std::max(worst, maxChannelDiff(results[0].color[i], results[1].color[i]));
        drawn += results[1].color[i] != 0;
      }
      EXPECT_LE(worst, 1) << w << " " << address;
      EXPECT_GT(drawn, 5000);
    }
  }
}

}  // namespace

// Coordinates of millions of texels and non-numbers wrap only approximately, but every fetch stays
// inside the texture (the sanitizer builds check the reads) and the fast routine still draws.
TEST(PipelineReference, OddSizeWrapOfHugeCoordinatesStaysInside) {
  const int n = 32;
  Texture tex = smoothTexture(13, 7, 3, 1);
  swr::DrawState s = defaultState(n, n);
  s.texture[0] = &tex.src;
  s.samplerState[0][D3DSAMP_MAGFILTER] = s.samplerState[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float big : {3.0e6f, -7.0e8f, 2.0e9f, nan, std::numeric_limits<float>::infinity()}) {
    Canvas c(n, n, 0x01020304, 0x80000000u);
    std::vector<TLVertex> v = {{0, 0, 0.5f, 1, 0xFFFFFFFF, big, 0},
                               {float(n), 0, 0.5f, 1, 0xFFFFFFFF, big, big},
                               {0, float(n), 0.5f, 1, 0xFFFFFFFF, 0.25f, big}};
    swr::Pipeline p;
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, v, c);
    p.flush();
    int drawn = 0;
    for (uint32_t px : c.color) drawn += px != 0x01020304;
    EXPECT_GT(drawn, n * n / 4) << big;
  }
}

// An opaque texture samples with alpha one whatever its texels store there (the SIMD stage takes
// the alpha as a constant instead of reading it): the stored alpha bytes, random or all 255, must
// not change a pixel, through blending on the source alpha and every filter, both ISA builds.
TEST(PipelineReference, OpaqueTexturesIgnoreTheStoredAlpha) {
  const int n = 64;
  std::mt19937 rng(99);
  Texture junk = smoothTexture(32, 16, 11, 4), clean = smoothTexture(32, 16, 11, 4);
  junk.src.opaque = clean.src.opaque = true;
  for (size_t l = 0; l < clean.levels.size(); ++l)
    for (size_t i = 0; i < clean.levels[l].size(); ++i)
      clean.levels[l][i] |= 0xFF000000u, junk.levels[l][i] = (junk.levels[l][i] & 0xFFFFFFu) | (rng() << 24);
  for (bool avx2 : {false, true}) {
    swr::limitSpanRoutinesToAvx2(avx2);
    for (int round = 0; round < 200; ++round) {
      std::mt19937 pick{uint32_t(round)};
      Scene sc = randomScene(pick, junk, n);
      swr::DrawState& s = sc.state;
      s.texture[0] = &junk.src;
      s.renderState[D3DRS_ALPHABLENDENABLE] = TRUE, s.renderState[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
      s.renderState[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
      s.renderState[D3DRS_ALPHATESTENABLE] = FALSE, s.renderState[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
      DWORD* t = s.stageState[0];
      t[D3DTSS_COLOROP] = D3DTOP_MODULATE, t[D3DTSS_COLORARG1] = D3DTA_TEXTURE,
      t[D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
      t[D3DTSS_ALPHAOP] = round % 2 ? D3DTOP_MODULATE : D3DTOP_SELECTARG1;
      if (round % 3)
        s.samplerState[0][D3DSAMP_MAGFILTER] = s.samplerState[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
      t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE, t[D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
      for (TLVertex& v : sc.verts) v.diffuse = sc.verts[0].diffuse;  // the SIMD routines' case
      Canvas results[2] = {Canvas(n, n, 0x01020304, 0x80000000u), Canvas(n, n, 0x01020304, 0x80000000u)};
      for (int k = 0; k < 2; ++k) {
        s.texture[0] = k ? &clean.src : &junk.src;
        touch(s);
        swr::Pipeline p;
        drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(sc.verts.size() / 3), sc.verts, results[k]);
        p.flush();
      }
      int differ = 0;
      for (size_t i = 0; i < results[0].color.size(); ++i)
        differ += results[0].color[i] != results[1].color[i];
      EXPECT_EQ(differ, 0) << "round " << round << " avx2 " << avx2;
    }
  }
  swr::limitSpanRoutinesToAvx2(false);
}
