// Exact-pixel rasterisation: pixel centres, the top-left rule, culling, clipping, depth order.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

swr::DrawState plainState(uint32_t w, uint32_t h) {
  swr::DrawState s = defaultState(w, h);
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.renderState[D3DRS_ZENABLE] = FALSE;
  diffuseOnly(s);
  return s;
}

Texture randomTexture(uint32_t w, uint32_t h, uint32_t seed) {
  Texture t(w, h, 1);
  std::mt19937 rng(seed);
  for (auto& x : t.levels[0]) x = rng();
  return t;
}

// Stage 0 modulates a bilinear 16 x 16 texture with the diffuse colour.
void textured(swr::DrawState& s) {
  static Texture tex = randomTexture(16, 16, 11);
  s.texture[0] = &tex.src;
  s.samplerState[0][D3DSAMP_MAGFILTER] = s.samplerState[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
  s.stageState[0][D3DTSS_COLOROP] = D3DTOP_MODULATE;
  s.stageState[0][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
  s.stageState[0][D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
  s.stageState[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
  s.stageState[0][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
}

}  // namespace

// A pre-transformed quad shifted by half a pixel maps texel (i, j) onto pixel (i, j), with either
// filter, whatever the texel values.
TEST(PipelineRaster, TexelPerPixelPreTransformed) {
  for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
    Canvas c(64, 48);
    Texture tex = randomTexture(64, 48, 7);
    swr::DrawState s = defaultState(64, 48);
    s.renderState[D3DRS_ZENABLE] = FALSE;
    s.texture[0] = &tex.src;
    s.samplerState[0][D3DSAMP_MAGFILTER] = s.samplerState[0][D3DSAMP_MINFILTER] = filter;
    swr::Pipeline p;
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(-0.5f, -0.5f, 63.5f, 47.5f, 0xFFFFFFFF), c);
    p.flush();
    int wrong = 0;
    for (uint32_t y = 0; y < 48; ++y)
      for (uint32_t x = 0; x < 64; ++x) wrong += c.at(x, y) != tex.at(0, x, y);
    EXPECT_EQ(wrong, 0) << "filter " << filter;
  }
}

// The same through world/view/projection: the quad's corners sit half a pixel outside the view.
TEST(PipelineRaster, TexelPerPixelTransformed) {
  const float W = 64, H = 48;
  for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
    Canvas c(64, 48);
    Texture tex = randomTexture(64, 48, 9);
    swr::DrawState s = defaultState(64, 48);
    s.renderState[D3DRS_LIGHTING] = FALSE;
    s.texture[0] = &tex.src;
    s.samplerState[0][D3DSAMP_MAGFILTER] = s.samplerState[0][D3DSAMP_MINFILTER] = filter;
    float l = -1 - 1 / W, r = 1 - 1 / W, t = 1 + 1 / H, b = -1 + 1 / H;
    std::vector<CVertex> v = {{l, t, 0.5f, 0xFFFFFFFF, 0, 0},
                              {r, t, 0.5f, 0xFFFFFFFF, 1, 0},
                              {r, b, 0.5f, 0xFFFFFFFF, 1, 1},
                              {l, b, 0.5f, 0xFFFFFFFF, 0, 1}};
    std::vector<uint16_t> idx = {0, 1, 2, 0, 2, 3};
    swr::Pipeline p;
    drawIndexed(p, s, kCFvf, D3DPT_TRIANGLELIST, 2, v, idx, c);
    p.flush();
    int wrong = 0;
    for (uint32_t y = 0; y < 48; ++y)
      for (uint32_t x = 0; x < 64; ++x) wrong += c.at(x, y) != tex.at(0, x, y);
    EXPECT_EQ(wrong, 0) << "filter " << filter;
    EXPECT_EQ(c.z(10, 10), uint32_t(0.5f * 16777215 + 0.5f));
  }
}

// A square split into a fan of triangles from an inner point: with additive blending every pixel
// whose centre is inside is written exactly once, the ones on the right and bottom edges never.
TEST(PipelineRaster, TopLeftRuleCoversSharedEdgesOnce) {
  std::mt19937 rng(3);
  for (int round = 0; round < 20; ++round) {
    Canvas c(32, 32, 0);
    swr::DrawState s = plainState(32, 32);
    s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
    s.renderState[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.renderState[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    s.renderState[D3DRS_DESTBLEND] = D3DBLEND_ONE;
    // Boundary of [4, 24) x [6, 26) walked clockwise, with points on grid and half-grid spots.
    std::vector<std::pair<float, float>> ring;
    auto side = [&](float x0, float y0, float x1, float y1) {
      for (int k = 0; k < 4; ++k) {
        float t = k == 0 ? 0.0f : float(std::uniform_int_distribution<int>(1, 39)(rng)) / 40.0f;
        if (k > 0 && t <= 0.0f) continue;
        ring.push_back({x0 + (x1 - x0) * t, y0 + (y1 - y0) * t});
      }
    };
    side(4, 6, 24, 6), side(24, 6, 24, 26), side(24, 26, 4, 26), side(4, 26, 4, 6);
    // Sort each side's points along the walk so the fan stays simple.
    std::vector<std::pair<float, float>> sorted;
    for (int sd = 0; sd < 4; ++sd) {
      auto first = ring.begin() + sd * 4, last = first + 4;
      std::vector<std::pair<float, float>> part(first, last);
      auto key = [sd](const std::pair<float, float>& p) {
        return sd == 0 ? p.first : sd == 1 ? p.second : sd == 2 ? -p.first : -p.second;
      };
      std::sort(part.begin(), part.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
      sorted.insert(sorted.end(), part.begin(), part.end());
    }
    float cx = 8 + float(rng() % 80) / 8.0f, cy = 10 + float(rng() % 80) / 8.0f;
    std::vector<TLVertex> v;
    for (size_t i = 0; i < sorted.size(); ++i) {
      auto a = sorted[i], b = sorted[(i + 1) % sorted.size()];
      if (a == b) continue;
      v.push_back({cx, cy, 0, 1, 0x00000001, 0, 0});
      v.push_back({a.first, a.second, 0, 1, 0x00000001, 0, 0});
      v.push_back({b.first, b.second, 0, 1, 0x00000001, 0, 0});
    }
    swr::Pipeline p;
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(v.size() / 3), v, c);
    p.flush();
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        uint32_t want = (x >= 4 && x < 24 && y >= 6 && y < 26) ? 1 : 0;
        ASSERT_EQ(c.at(x, y) & 0xFF, want) << "pixel " << x << "," << y << " round " << round;
      }
  }
}

// Pixel centres are at integer coordinates: a quad from (0,0) to (4,4) covers pixels 0..3, and
// one from (0.5, 0.5) to (4.5, 4.5) covers 1..4.
TEST(PipelineRaster, PixelCentresAtIntegers) {
  for (float off : {0.0f, 0.5f}) {
    Canvas c(8, 8, 0);
    swr::DrawState s = plainState(8, 8);
    swr::Pipeline p;
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(off, off, 4 + off, 4 + off, 0xFFFFFFFF), c);
    p.flush();
    int lo = off > 0 ? 1 : 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(c.at(x, y), (x >= lo && x < lo + 4 && y >= lo && y < lo + 4) ? 0xFFFFFFFFu : 0u)
            << x << "," << y;
  }
}

TEST(PipelineRaster, CullingBothWindings) {
  struct Case {
    DWORD mode;
    bool cwVisible, ccwVisible;
  } cases[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
  for (const Case& k : cases) {
    for (bool clockwise : {true, false}) {
      Canvas c(16, 16, 0);
      swr::DrawState s = plainState(16, 16);
      s.renderState[D3DRS_CULLMODE] = k.mode;
      std::vector<TLVertex> v = {
          {2, 2, 0, 1, 0xFFFF0000, 0, 0}, {14, 2, 0, 1, 0xFFFF0000, 0, 0}, {2, 14, 0, 1, 0xFFFF0000, 0, 0}};
      if (!clockwise) std::swap(v[1], v[2]);
      swr::Pipeline p;
      drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, v, c);
      p.flush();
      bool drawn = c.at(4, 4) == 0xFFFF0000;
      EXPECT_EQ(drawn, clockwise ? k.cwVisible : k.ccwVisible) << "mode " << k.mode << " cw " << clockwise;
    }
  }
}

// Strips flip every second triangle so that a strip of front faces survives culling entirely.
TEST(PipelineRaster, StripAndFanWinding) {
  Canvas c(16, 16, 0);
  swr::DrawState s = plainState(16, 16);
  std::vector<TLVertex> strip = {{0, 0, 0, 1, 0xFF00FF00, 0, 0},
                                 {8, 0, 0, 1, 0xFF00FF00, 0, 0},
                                 {0, 8, 0, 1, 0xFF00FF00, 0, 0},
                                 {8, 8, 0, 1, 0xFF00FF00, 0, 0}};
  std::vector<TLVertex> fan = {{8, 8, 0, 1, 0xFF0000FF, 0, 0},
                               {16, 8, 0, 1, 0xFF0000FF, 0, 0},
                               {16, 16, 0, 1, 0xFF0000FF, 0, 0},
                               {8, 16, 0, 1, 0xFF0000FF, 0, 0}};
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLESTRIP, 2, strip, c);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLEFAN, 2, fan, c);
  p.flush();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint32_t want = x < 8 && y < 8 ? 0xFF00FF00 : (x >= 8 && y >= 8 ? 0xFF0000FF : 0);
      ASSERT_EQ(c.at(x, y), want) << x << "," << y;
    }
}

TEST(PipelineRaster, DepthOrderBothWays) {
  auto near = rect(0, 0, 16, 16, 0xFFFF0000, 0.25f), far = rect(0, 0, 16, 16, 0xFF0000FF, 0.75f);
  for (bool nearFirst : {true, false}) {
    Canvas c(16, 16, 0);
    swr::DrawState s = plainState(16, 16);
    s.renderState[D3DRS_ZENABLE] = TRUE;
    swr::Pipeline p;
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, nearFirst ? near : far, c);
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, nearFirst ? far : near, c);
    p.flush();
    EXPECT_EQ(c.at(5, 5), 0xFFFF0000u);
    EXPECT_EQ(c.z(5, 5), uint32_t(0.25f * 16777215 + 0.5f));
  }
  // GREATER against a buffer cleared to 0 keeps the farther one; no write keeps the buffer.
  Canvas c(16, 16, 0, 0);
  swr::DrawState s = plainState(16, 16);
  s.renderState[D3DRS_ZENABLE] = TRUE;
  s.renderState[D3DRS_ZFUNC] = D3DCMP_GREATER;
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, near, c);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, far, c);
  s.renderState[D3DRS_ZWRITEENABLE] = FALSE;
  s.renderState[D3DRS_ZFUNC] = D3DCMP_ALWAYS;
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 4, 4, 0xFF00FF00, 0.1f), c);
  p.flush();
  EXPECT_EQ(c.at(8, 8), 0xFF0000FFu);
  EXPECT_EQ(c.at(1, 1), 0xFF00FF00u);
  EXPECT_EQ(c.z(1, 1), uint32_t(0.75f * 16777215 + 0.5f));
}

// With w = 1 everywhere, clip-space z is linear on screen: the near plane cuts the triangle along
// z = 0 and the far plane along z = 1, and every written depth stays inside [0, 1].
TEST(PipelineRaster, NearAndFarPlanesClipExactly) {
  const int N = 64;
  Canvas c(N, N, 0);
  swr::DrawState s = plainState(N, N);
  s.renderState[D3DRS_ZENABLE] = TRUE;
  s.renderState[D3DRS_ZFUNC] = D3DCMP_ALWAYS;
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  // NDC triangle, z from -1 (left) to 2 (right).
  std::vector<CVertex> v = {{-0.9f, 0.9f, -1.0f, 0xFFFFFFFF, 0, 0},
                            {0.9f, 0.6f, 2.0f, 0xFFFFFFFF, 0, 0},
                            {-0.7f, -0.9f, 0.5f, 0xFFFFFFFF, 0, 0}};
  swr::Pipeline p;
  drawUP(p, s, kCFvf, D3DPT_TRIANGLELIST, 1, v, c);
  p.flush();
  // Screen positions and a plane for z.
  double X[3], Y[3], Z[3];
  for (int i = 0; i < 3; ++i) X[i] = (1 + v[i].x) * N / 2, Y[i] = (1 - v[i].y) * N / 2, Z[i] = v[i].z;
  double det = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  int checked = 0, drawn = 0;
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      double b1 = ((x - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (y - Y[0])) / det;
      double b2 = ((X[1] - X[0]) * (y - Y[0]) - (x - X[0]) * (Y[1] - Y[0])) / det;
      double b0 = 1 - b1 - b2, z = b0 * Z[0] + b1 * Z[1] + b2 * Z[2];
      double margin = 0.02;
      bool in = b0 > margin && b1 > margin && b2 > margin && z > 0.02 && z < 0.98;
      bool out = b0 < -margin || b1 < -margin || b2 < -margin || z < -0.02 || z > 1.02;
      bool got = c.at(x, y) != 0;
      drawn += got;
      if (got) {
        EXPECT_NEAR(double(c.z(x, y)) / 16777215.0, std::clamp(z, 0.0, 1.0), 0.01) << x << "," << y;
      }
      if (in) {
        EXPECT_TRUE(got) << x << "," << y;
        ++checked;
      }
      if (out) {
        EXPECT_FALSE(got) << x << "," << y;
        ++checked;
      }
    }
  EXPECT_GT(checked, N * N / 2);
  EXPECT_GT(drawn, 100);
}

// A perspective triangle reaching behind the eye draws only what lies in front of it.
TEST(PipelineRaster, TriangleBehindTheEye) {
  const int N = 64;
  Canvas c(N, N, 0);
  swr::DrawState s = plainState(N, N);
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  // Left-handed perspective, 90 degrees, near 1, far 100.
  D3DMATRIX proj{};
  proj._11 = 1, proj._22 = 1, proj._33 = 100.0f / 99.0f, proj._34 = 1, proj._43 = -100.0f / 99.0f;
  s.projection = proj;
  // A floor strip at y = -1 from 5 units behind the eye to 20 ahead; only z > 1 may appear, i.e.
  // below the horizon line (screen y > N/2) and not beyond y of the near edge.
  std::vector<CVertex> v = {{-1, -1, -5, 0xFFFFFFFF, 0, 0},
                            {1, -1, 20, 0xFFFFFFFF, 0, 0},
                            {-1, -1, 20, 0xFFFFFFFF, 0, 0},
                            {1, -1, -5, 0xFFFFFFFF, 0, 0}};
  std::vector<uint16_t> idx = {0, 2, 1, 0, 1, 3};
  swr::Pipeline p;
  drawIndexed(p, s, kCFvf, D3DPT_TRIANGLELIST, 2, v, idx, c);
  p.flush();
  int drawn = 0;
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x)
      if (c.at(x, y)) {
        ++drawn;
        EXPECT_GT(y, N / 2) << x << "," << y;  // above the horizon would come from behind the eye
      }
  EXPECT_GT(drawn, N * 4);
  EXPECT_EQ(c.at(N / 2, N - 1), 0xFFFFFFFFu);  // the near edge at z = 1 is at the screen's bottom
}

TEST(PipelineRaster, ViewportAndScissorLimitDrawing) {
  Canvas c(32, 32, 0);
  swr::DrawState s = plainState(32, 32);
  s.viewport = {8, 4, 16, 8, 0, 1};
  swr::Pipeline p;
  // A pre-transformed rectangle covering the whole target is still cut to the viewport.
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 32, 32, 0xFFFFFFFF), c);
  p.flush();
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(c.at(x, y) != 0, x >= 8 && x < 24 && y >= 4 && y < 12) << x << "," << y;
  Canvas d(32, 32, 0);
  s = plainState(32, 32);
  s.renderState[D3DRS_SCISSORTESTENABLE] = TRUE;
  s.scissor = {3, 5, 7, 9};
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 32, 32, 0xFFFFFFFF), d);
  p.flush();
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(d.at(x, y) != 0, x >= 3 && x < 7 && y >= 5 && y < 9) << x << "," << y;
}

// A depth clear to the far plane stores the largest 24-bit value, and geometry at z = 1 still
// passes LESSEQUAL against it, in the specialised routines as in the general path.
TEST(PipelineRaster, FarPlaneDepthClearAndTest) {
  for (bool textured : {false, true}) {
    Canvas c(64, 16, 0, 0);
    swr::Pipeline p;
    D3DVIEWPORT9 vp{0, 0, 64, 16, 0, 1};
    p.clear(c.targets(), vp, 0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 7);
    Texture t(4, 4, 1, true);
    for (auto& x : t.levels[0]) x = 0xFF3366CC;
    swr::DrawState s = defaultState(64, 16);
    s.renderState[D3DRS_LIGHTING] = FALSE;
    if (textured) {
      s.texture[0] = &t.src;
      s.samplerState[0][D3DSAMP_MAGFILTER] = s.samplerState[0][D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
    } else {
      diffuseOnly(s);
    }
    const uint32_t diffuse = textured ? 0xFFFFFFFF : 0xFF3366CC;
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 32, 16, diffuse, 1.0f), c);
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(32, 0, 64, 16, diffuse, 0.999f), c);
    p.flush();
    EXPECT_EQ(c.z(63, 15), uint32_t(0.999f * 16777215 + 0.5f));
    EXPECT_EQ(c.z(0, 0), 0xFFFFFFu) << textured;
    EXPECT_EQ(c.stencil(0, 0), 7u);
    int drawn = 0;
    for (uint32_t v : c.color) drawn += v == 0xFF3366CC;
    EXPECT_EQ(drawn, 64 * 16) << textured;
  }
}

// Clears are deferred per tile and a colour or depth clear may be dropped when the next triangle
// replaces every pixel; whenever a triangle can keep, blend or reject any pixel, the picture must be
// the one drawn over a target already holding the cleared values. Textured, the states the SIMD
// routines cover take them, and they are told to skip a depth test that a dropped clear would have
// passed; the depth memory left from before the clear would fail it.
TEST(PipelineRaster, DeferredClearsMatchAPrefilledTarget) {
  const uint32_t W = 100, H = 70;  // partial edge tiles
  const uint32_t kColor = 0x80402010, kWord = 0xFFFFFF05;
  struct Case {
    const char* name;
    void (*setup)(swr::DrawState&);
    float x0, y0, x1, y1, z;
  };
  const Case cases[] = {
      {"opaque, covering", [](swr::DrawState&) {}, 0, 0, W, H, 0.5f},
      {"one pixel short", [](swr::DrawState&) {}, 0, 0, W - 1, H, 0.5f},
      {"inset", [](swr::DrawState&) {}, 3, 2, 90, 60, 0.5f},
      {"blend one/one",
       [](swr::DrawState& s) {
         s.renderState[D3DRS_ALPHABLENDENABLE] = TRUE;
         s.renderState[D3DRS_SRCBLEND] = s.renderState[D3DRS_DESTBLEND] = D3DBLEND_ONE;
       },
       0, 0, W, H, 0.5f},
      {"alpha test rejects",
       [](swr::DrawState& s) {
         s.renderState[D3DRS_ALPHATESTENABLE] = TRUE;
         s.renderState[D3DRS_ALPHAFUNC] = D3DCMP_NEVER;
       },
       0, 0, W, H, 0.5f},
      {"red and alpha masked", [](swr::DrawState& s) { s.renderState[D3DRS_COLORWRITEENABLE] = 0x6; }, 0, 0,
       W, H, 0.5f},
      {"less against the far plane", [](swr::DrawState& s) { s.renderState[D3DRS_ZFUNC] = D3DCMP_LESS; }, 0,
       0, W, H, 1.0f},
      {"lessequal at the far plane", [](swr::DrawState&) {}, 0, 0, W, H, 1.0f},
      {"greater", [](swr::DrawState& s) { s.renderState[D3DRS_ZFUNC] = D3DCMP_GREATER; }, 0, 0, W, H, 0.5f},
      {"stencil fails",
       [](swr::DrawState& s) {
         s.renderState[D3DRS_STENCILENABLE] = TRUE;
         s.renderState[D3DRS_STENCILFUNC] = D3DCMP_NEVER;
         s.renderState[D3DRS_STENCILFAIL] = D3DSTENCILOP_INCR;
       },
       0, 0, W, H, 0.5f},
      {"depth write off", [](swr::DrawState& s) { s.renderState[D3DRS_ZWRITEENABLE] = FALSE; }, 0, 0, W, H,
       0.5f},
  };
  D3DVIEWPORT9 vp{0, 0, W, H, 0, 1};
  // With the stencil cleared too, and with the stencil kept (the depth clear is then a masked write);
  // untextured and textured.
  for (bool clearStencil : {true, false})
    for (bool tex : {false, true})
      for (const Case& k : cases) {
        swr::DrawState s = plainState(W, H);
        s.renderState[D3DRS_ZENABLE] = TRUE;
        if (tex) textured(s);
        k.setup(s);
        const uint32_t word = clearStencil ? kWord : 0xFFFFFF22u;
        Canvas cleared(W, H, 0x11111111, 0x22222222), prefilled(W, H, kColor, word);
        swr::Pipeline p;
        // Colour, then depth, then stencil on its own: the deferred operations compose.
        p.clear(cleared.targets(), vp, 0, nullptr, D3DCLEAR_TARGET, kColor, 0.25f, 0);
        p.clear(cleared.targets(), vp, 0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        if (clearStencil) p.clear(cleared.targets(), vp, 0, nullptr, D3DCLEAR_STENCIL, 0, 0.0f, 5);
        drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(k.x0, k.y0, k.x1, k.y1, 0xFF80C0E0, k.z), cleared);
        p.flush();
        drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(k.x0, k.y0, k.x1, k.y1, 0xFF80C0E0, k.z), prefilled);
        p.flush();
        EXPECT_EQ(cleared.color, prefilled.color) << k.name << " " << clearStencil << " " << tex;
        EXPECT_EQ(cleared.depth, prefilled.depth) << k.name << " " << clearStencil << " " << tex;
      }
}

// A partial clear between whole-tile ones lands in order: later whole-tile clears win everywhere,
// and a partial one after them shows only inside its rectangle.
TEST(PipelineRaster, PartialAndWholeClearsKeepTheirOrder) {
  const uint32_t W = 80, H = 70;
  Canvas c(W, H, 0, 0);
  swr::Pipeline p;
  D3DVIEWPORT9 vp{0, 0, W, H, 0, 1};
  D3DRECT part{10, 5, 70, 66};
  p.clear(c.targets(), vp, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 0.5f, 0);
  p.clear(c.targets(), vp, 1, &part, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0xFF00FF00, 0.0f, 9);
  p.clear(c.targets(), vp, 0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 0.0f, 0);
  D3DRECT late{60, 0, 80, 3};
  p.clear(c.targets(), vp, 1, &late, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  p.flush();
  const uint32_t half = uint32_t(0.5f * 16777215 + 0.5f);
  for (uint32_t y = 0; y < H; ++y)
    for (uint32_t x = 0; x < W; ++x) {
      bool inPart = x >= 10 && x < 70 && y >= 5 && y < 66, inLate = x >= 60 && y < 3;
      ASSERT_EQ(c.at(x, y), 0xFFFF0000u) << x << "," << y;
      ASSERT_EQ(c.stencil(x, y), inPart ? 9u : 0u) << x << "," << y;
      ASSERT_EQ(c.z(x, y), inLate ? 0xFFFFFFu : half) << x << "," << y;
    }
}
