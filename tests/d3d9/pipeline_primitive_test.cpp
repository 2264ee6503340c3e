// Primitive types, fill modes, indexed drawing and hostile input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

swr::DrawState plain(uint32_t n) {
  swr::DrawState s = defaultState(n, n);
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.renderState[D3DRS_ZENABLE] = FALSE;
  diffuseOnly(s);
  return s;
}

TLVertex at(float x, float y, uint32_t c = 0xFFFFFFFF) { return {x, y, 0, 1, c, 0, 0}; }

int countLit(Canvas& c) {
  int n = 0;
  for (uint32_t v : c.color) n += v != 0;
  return n;
}

}  // namespace

TEST(PipelinePrimitive, LinesCoverOnePixelPerStep) {
  swr::Pipeline p;
  {
    Canvas c(16, 16, 0);
    swr::DrawState s = plain(16);
    drawUP(p, s, kTLFvf, D3DPT_LINELIST, 1, std::vector<TLVertex>{at(2, 5), at(10, 5)}, c);
    p.flush();
    for (int x = 0; x < 16; ++x)
      for (int y = 0; y < 16; ++y) EXPECT_EQ(c.at(x, y) != 0, y == 5 && x >= 2 && x <= 10) << x << "," << y;
  }
  {
    Canvas c(16, 16, 0);
    swr::DrawState s = plain(16);
    s.renderState[D3DRS_LASTPIXEL] = FALSE;
    drawUP(p, s, kTLFvf, D3DPT_LINELIST, 1, std::vector<TLVertex>{at(2, 5), at(10, 5)}, c);
    p.flush();
    EXPECT_EQ(countLit(c), 8);
    EXPECT_EQ(c.at(10, 5), 0u);
  }
  {
    // A diagonal strip: exactly one pixel per column, none skipped.
    Canvas c(16, 16, 0);
    swr::DrawState s = plain(16);
    drawUP(p, s, kTLFvf, D3DPT_LINESTRIP, 2, std::vector<TLVertex>{at(1, 1), at(9, 4), at(14, 14)}, c);
    p.flush();
    for (int x = 1; x <= 8; ++x) {
      int inColumn = 0;
      for (int y = 0; y < 16; ++y) inColumn += c.at(x, y) != 0;
      EXPECT_EQ(inColumn, 1) << "column " << x;
    }
    for (int y = 5; y <= 13; ++y) {
      int inRow = 0;
      for (int x = 9; x < 16; ++x) inRow += c.at(x, y) != 0;
      EXPECT_EQ(inRow, 1) << "row " << y;
    }
  }
}

TEST(PipelinePrimitive, PointsAreSquares) {
  swr::Pipeline p;
  Canvas c(16, 16, 0);
  swr::DrawState s = plain(16);
  drawUP(p, s, kTLFvf, D3DPT_POINTLIST, 2, std::vector<TLVertex>{at(3, 4), at(100, 100)}, c);
  p.flush();
  EXPECT_EQ(countLit(c), 1);
  EXPECT_NE(c.at(3, 4), 0u);
  Canvas d(16, 16, 0);
  s.renderState[D3DRS_POINTSIZE] = fbits(3.0f);
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_POINTLIST, 1, std::vector<TLVertex>{at(8, 8)}, d);
  p.flush();
  EXPECT_EQ(countLit(d), 9);
  EXPECT_NE(d.at(7, 7), 0u);
  EXPECT_NE(d.at(9, 9), 0u);
}

TEST(PipelinePrimitive, WireframeAndPointFill) {
  swr::Pipeline p;
  std::vector<TLVertex> tri = {at(2, 2), at(13, 2), at(2, 13)};
  Canvas c(16, 16, 0);
  swr::DrawState s = plain(16);
  s.renderState[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, tri, c);
  p.flush();
  EXPECT_NE(c.at(7, 2), 0u);
  EXPECT_NE(c.at(2, 7), 0u);
  EXPECT_EQ(c.at(5, 5), 0u);  // interior stays empty
  Canvas d(16, 16, 0);
  s.renderState[D3DRS_FILLMODE] = D3DFILL_POINT;
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, tri, d);
  p.flush();
  EXPECT_EQ(countLit(d), 3);
  // Culling still applies to wireframe.
  Canvas e(16, 16, 0);
  s.renderState[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, std::vector<TLVertex>{tri[0], tri[2], tri[1]}, e);
  p.flush();
  EXPECT_EQ(countLit(e), 0);
}

TEST(PipelinePrimitive, IndexedWith32BitIndicesAndStrips) {
  swr::Pipeline p;
  Canvas c(16, 16, 0);
  swr::DrawState s = plain(16);
  std::vector<TLVertex> v = {at(0, 0, 0xFF0000FF), at(16, 0, 0xFF0000FF), at(0, 16, 0xFF0000FF),
                             at(16, 16, 0xFF0000FF)};
  std::vector<uint32_t> idx = {0, 1, 2, 3};
  swr::DrawCall call{};
  call.type = D3DPT_TRIANGLESTRIP;
  call.primitiveCount = 2;
  call.vertices = reinterpret_cast<const uint8_t*>(v.data());
  call.vertexCount = 4;
  call.indices = idx.data();
  call.index32 = true;
  call.numVertices = 4;
  p.draw(s, layoutForFvf(kTLFvf), call, c.targets());
  p.flush();
  EXPECT_EQ(countLit(c), 256);
  EXPECT_EQ(p.drawCount(), 1u);
  EXPECT_EQ(p.triangleCount(), 2u);
}

// Indices past the readable vertices drop their primitives and nothing else.
TEST(PipelinePrimitive, OutOfRangeIndicesDropPrimitives) {
  swr::Pipeline p;
  Canvas c(16, 16, 0);
  swr::DrawState s = plain(16);
  std::vector<TLVertex> v = {at(0, 0), at(8, 0), at(0, 8), at(16, 16)};
  std::vector<uint16_t> idx = {0, 1, 2, 1, 60000, 3, 3, 2, 1};
  drawIndexed(p, s, kTLFvf, D3DPT_TRIANGLELIST, 3, v, idx, c);
  p.flush();
  EXPECT_NE(c.at(1, 1), 0u);
  EXPECT_NE(c.at(14, 14), 0u);  // third triangle (3, 2, 1) drawn
  // Non-indexed: a primitive count beyond the data draws what is there.
  Canvas d(16, 16, 0);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1000000,
         std::vector<TLVertex>{at(0, 0), at(8, 0), at(0, 8), at(9, 9)}, d);
  p.flush();
  EXPECT_NE(d.at(1, 1), 0u);
}

TEST(PipelinePrimitive, HostileVerticesDoNotCrash) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  swr::Pipeline p;
  Canvas c(32, 32, 0);
  swr::DrawState s = plain(32);
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  std::vector<std::vector<TLVertex>> cases = {
      {at(nan, 0), at(10, 0), at(0, 10)},
      {at(inf, 0), at(10, -inf), at(0, 10)},
      {at(-1e30f, -1e30f), at(1e30f, -1e30f), at(0, 1e30f)},  // covers the screen after clipping
      {{0, 0, 0, 0, ~0u, 0, 0}, {10, 0, 0, -1, ~0u, 0, 0}, {0, 10, 0, nan, ~0u, 0, 0}},
      {{0, 0, 5, 1, ~0u, 1e30f, nan}, {10, 0, -5, 1, ~0u, -1e30f, inf}, {0, 10, 0.5f, 1, ~0u, 0, 0}},
  };
  Texture t(3, 5, 2);
  s.texture[0] = &t.src;
  s.stageState[0][D3DTSS_COLOROP] = D3DTOP_MODULATE;
  s.stageState[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
  s.samplerState[0][D3DSAMP_MIPFILTER] = D3DTEXF_LINEAR;
  s.samplerState[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
  s.samplerState[0][D3DSAMP_ADDRESSU] = D3DTADDRESS_MIRROR;
  for (auto& v : cases) {
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, v, c);
    drawUP(p, s, kTLFvf, D3DPT_LINESTRIP, 2, v, c);
    drawUP(p, s, kTLFvf, D3DPT_POINTLIST, 3, v, c);
  }
  p.flush();
  EXPECT_NE(c.at(16, 16), 0u);  // the huge triangle was drawn through the guard-band clip
  // Transformed path with a degenerate projection and a NaN matrix.
  swr::DrawState m = plain(32);
  m.projection._44 = 0;
  m.projection._34 = 0;
  std::vector<CVertex> cv = {{0, 0, 0, ~0u, 0, 0}, {1, 0, 0, ~0u, 0, 0}, {0, 1, 0, ~0u, 0, 0}};
  drawUP(p, m, kCFvf, D3DPT_TRIANGLELIST, 1, cv, c);
  m.world._11 = nan;
  touch(m);
  drawUP(p, m, kCFvf, D3DPT_TRIANGLELIST, 1, cv, c);
  p.flush();
}

TEST(PipelinePrimitive, BadLayoutsAndTargets) {
  swr::Pipeline p;
  Canvas c(8, 8, 0);
  swr::DrawState s = plain(8);
  std::vector<TLVertex> v = {at(0, 0), at(8, 0), at(0, 8)};
  swr::VertexLayout l = layoutForFvf(kTLFvf);
  l.tex[0] = 200;  // element past the buffer's end
  swr::DrawCall call{};
  call.type = D3DPT_TRIANGLELIST;
  call.primitiveCount = 1;
  call.vertices = reinterpret_cast<const uint8_t*>(v.data());
  call.vertexCount = 3;
  p.draw(s, l, call, c.targets());
  p.flush();
  EXPECT_EQ(countLit(c), 0);
  call.vertices = nullptr;  // no data at all
  p.draw(s, layoutForFvf(kTLFvf), call, c.targets());
  call.type = D3DPRIMITIVETYPE(77);
  call.vertices = reinterpret_cast<const uint8_t*>(v.data());
  p.draw(s, layoutForFvf(kTLFvf), call, c.targets());
  // A zero-sized target and a viewport outside the target.
  swr::RenderTargets empty{};
  call.type = D3DPT_TRIANGLELIST;
  p.draw(s, layoutForFvf(kTLFvf), call, empty);
  D3DVIEWPORT9 vp{0, 0, 100, 100, 0, 1};
  p.clear(empty, vp, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
  s.viewport = {50, 50, 10, 10, 0, 1};
  touch(s);
  p.draw(s, layoutForFvf(kTLFvf), call, c.targets());
  p.flush();
  EXPECT_EQ(countLit(c), 0);
}

// Many draws between flushes, on several threads, give the same picture as one thread.
TEST(PipelinePrimitive, ThreadCountDoesNotChangeThePicture) {
  std::vector<uint32_t> pictures[2];
  for (unsigned threads : {1u, 3u}) {
    Canvas c(200, 150, 0);
    swr::Pipeline p;
    p.setThreadCount(threads);
    swr::DrawState s = plain(200);
    s.viewport = {0, 0, 200, 150, 0, 1};
    s.renderState[D3DRS_ZENABLE] = TRUE;
    s.renderState[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.renderState[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    s.renderState[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    uint32_t seed = 1;
    auto rnd = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int i = 0; i < 3000; ++i) {  // enough to be handed to the pool in several pieces
      std::vector<TLVertex> v(3);
      for (auto& x : v)
        x = {float(rnd() % 260) - 30,
             float(rnd() % 200) - 25,
             float(rnd() % 1000) / 1000.0f,
             1,
             uint32_t(rnd()) | 0x40000000,
             0,
             0};
      drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, v, c);
    }
    p.flush();
    pictures[threads > 1] = c.color;
  }
  EXPECT_TRUE(pictures[0] == pictures[1]);
}

// A target drawn into right after another target's draws that sample it (those may still be
// rasterising): they see the texture as it was when they were submitted.
TEST(PipelinePrimitive, DrawingIntoATextureStillBeingSampled) {
  for (int round = 0; round < 20; ++round) {
    Canvas tex(128, 128, 0xFF00FF00), screen(128, 128, 0);
    swr::Pipeline p;
    swr::DrawState s = plain(128);
    // Pass 1: the screen samples `tex` (green) over the whole target.
    Texture view(1, 1, 1);
    view.levels[0].assign(1, 0);
    view.src.levels[0] = {tex.color.data(), 128, 128, 128};
    s.texture[0] = &view.src;
    s.stageState[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stageState[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    std::vector<TLVertex> quad = rect(-0.5f, -0.5f, 127.5f, 127.5f, ~0u);
    for (int k = 0; k < 40; ++k) drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, quad, screen);
    // Pass 2: paint `tex` red.
    swr::DrawState r = plain(128);
    drawUP(p, r, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 128, 128, 0xFFFF0000), tex);
    p.flush();
    ASSERT_EQ(screen.at(64, 64), 0xFF00FF00u) << round;
    ASSERT_EQ(tex.at(64, 64), 0xFFFF0000u) << round;
  }
}

// Arbitrary state values (unknown enumerations, odd texture sizes, extreme floats) and arbitrary
// vertices never crash or write outside the targets; the targets sit between guard words.
TEST(PipelinePrimitive, ArbitraryStatesAndVerticesStayInBounds) {
  std::mt19937 rng32(2024);
  auto rng = [&] { return uint32_t(rng32()); };
  const float specials[] = {0.0f,
                            -0.0f,
                            1e30f,
                            -1e30f,
                            1e-30f,
                            std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            0.5f,
                            -3.0f,
                            700.0f};
  auto anyFloat = [&] {
    return rng() % 3 == 0 ? specials[rng() % 10] : float(int(rng() % 2000) - 500) / 10.0f;
  };
  Texture odd(3, 7, 3), tiny(1, 1, 1), wide(64, 2, 7);
  for (auto* t : {&odd, &tiny, &wide})
    for (auto& level : t->levels)
      for (auto& x : level) x = rng();
  const uint32_t guard = 0xDEADBEEF;
  for (int round = 0; round < 150; ++round) {
    const uint32_t w = 40 + rng() % 90, h = 30 + rng() % 70;
    std::vector<uint32_t> color(size_t(w) * h + 64, guard), depth(size_t(w) * h + 64, guard);
    swr::RenderTargets rt;
    rt.color = color.data() + 32, rt.colorPitch = w, rt.width = w, rt.height = h,
    rt.colorHasAlpha = rng() & 1;
    rt.depth = rng() % 4 ? depth.data() + 32 : nullptr, rt.depthPitch = w, rt.depthWidth = w,
    rt.depthHeight = h;
    rt.hasStencil = rng() & 1;
    swr::DrawState s = defaultState(w, h);
    for (int k = 0; k < 12; ++k) s.renderState[rng() % 256] = rng() % 4 ? rng() % 12 : rng();
    for (int st = 0; st < 3; ++st) {
      for (int k = 0; k < 6; ++k) s.stageState[st][1 + rng() % 32] = rng() % 3 ? rng() % 30 : rng();
      for (int k = 0; k < 4; ++k) s.samplerState[st][1 + rng() % 13] = rng() % 3 ? rng() % 8 : rng();
      const Texture* pick[] = {&odd, &tiny, &wide, nullptr};
      s.texture[st] = pick[rng() % 4] ? &pick[rng() % 3]->src : nullptr;
    }
    s.viewport = {rng() % 50, rng() % 50, rng() % 200, rng() % 200, anyFloat(), anyFloat()};
    s.world._11 = anyFloat(), s.world._42 = anyFloat();
    s.projection._34 = rng() & 1 ? 1.0f : 0.0f, s.projection._44 = rng() & 1 ? 0.0f : 1.0f;
    D3DLIGHT9 lights[2] = {};
    for (auto& l : lights) {
      l.Type = D3DLIGHTTYPE(rng() % 5);
      l.Diffuse = {anyFloat(), 1, 1, 1};
      l.Position = {anyFloat(), anyFloat(), anyFloat()};
      l.Direction = {anyFloat(), anyFloat(), anyFloat()};
      l.Range = anyFloat(), l.Falloff = anyFloat(), l.Theta = anyFloat(), l.Phi = anyFloat();
      l.Attenuation0 = anyFloat();
    }
    s.lights = lights;
    s.lightCount = 2;
    struct V {
      float x, y, z, rhw;
      uint32_t c;
      float u, v;
    };
    std::vector<V> verts(3 + rng() % 30);
    for (auto& v : verts)
      v = {anyFloat() * 3, anyFloat() * 3, anyFloat(), anyFloat(), uint32_t(rng()), anyFloat(), anyFloat()};
    std::vector<uint16_t> idx(60);
    for (auto& i : idx) i = uint16_t(rng() % (verts.size() + 3));
    swr::Pipeline p;
    p.setThreadCount(1 + rng() % 2);
    const DWORD fvfs[] = {kTLFvf, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                          D3DFVF_XYZW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR};
    for (int d = 0; d < 6; ++d) {
      swr::DrawCall call{};
      call.type = D3DPRIMITIVETYPE(1 + rng() % 6);
      call.primitiveCount = 1 + rng() % 20;
      call.vertices = reinterpret_cast<const uint8_t*>(verts.data());
      call.vertexCount = uint32_t(verts.size());
      if (rng() & 1)
        call.indices = idx.data(), call.primitiveCount = std::min<uint32_t>(call.primitiveCount, 18);
      swr::VertexLayout l = layoutForFvf(fvfs[rng() % 3]);
      l.stride = sizeof(V);
      p.draw(s, l, call, rt);
      touch(s);
      s.renderState[rng() % 256] = rng() % 10;
    }
    D3DRECT r = {LONG(rng() % 200) - 50, LONG(rng() % 200) - 50, LONG(rng() % 200) - 50,
                 LONG(rng() % 200) - 50};
    p.clear(rt, s.viewport, rng() & 1, &r, DWORD(rng() % 8), rng(), anyFloat(), rng());
    p.flush();
    for (int k = 0; k < 32; ++k) {
      ASSERT_EQ(color[k], guard);
      ASSERT_EQ(color[color.size() - 1 - k], guard);
      ASSERT_EQ(depth[k], guard);
      ASSERT_EQ(depth[depth.size() - 1 - k], guard);
    }
  }
}
