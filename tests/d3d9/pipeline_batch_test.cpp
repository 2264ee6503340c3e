// The per-draw vertex batch: positions, colours and coordinates in phases, clip codes and screen
// vertices four lanes at a time, and the gathering of referenced vertices. The vector forms must
// agree bit for bit with the plain arithmetic they replace, written out here per component.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "../../platform/d3d9/pipeline/clip.h"
#include "../../platform/d3d9/pipeline/setup.h"
#include "../../platform/d3d9/pipeline/vertex.h"
#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

uint32_t bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

// Plane by plane, bit p set when the vertex is on the outside: z >= 0, z <= w, the guard band on x
// and y, w above 1e-6; infinities and NaNs give the invalid bit alone.
uint32_t referenceCodes(const swr::PVertex& v, const swr::ScreenMap& m) {
  if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z) || !std::isfinite(v.w))
    return swr::kClipInvalid;
  const float d[7] = {
      v.z,        v.w - v.z, v.x - m.gx0 * v.w, m.gx1 * v.w - v.x, v.y - m.gy0 * v.w, m.gy1 * v.w - v.y,
      v.w - 1e-6f};
  uint32_t c = 0;
  for (int p = 0; p < 7; ++p) c |= uint32_t(d[p] < 0.0f) << p;
  return c;
}

swr::ScreenMap screenMap(uint32_t w, uint32_t h) {
  swr::DrawState s = defaultState(w, h);
  swr::VertexState vs;
  swr::resolveVertexState(s, vs);
  return vs.transformedMap;
}

swr::PVertex vertex(float x, float y, float z, float w) {
  swr::PVertex v{};
  v.x = x, v.y = y, v.z = z, v.w = w;
  return v;
}

// Vertices on every side of every plane, on the planes themselves, and not numbers.
std::vector<swr::PVertex> awkwardVertices(const swr::ScreenMap& m) {
  std::vector<swr::PVertex> out;
  const float specials[] = {0.0f, -0.0f, 1.0f, -1.0f, 1e-7f, kInf, -kInf, kNaN};
  for (float a : specials)
    for (int lane = 0; lane < 4; ++lane) {
      swr::PVertex v = vertex(0.25f, -0.5f, 0.5f, 1.0f);
      (&v.x)[lane] = a;
      out.push_back(v);
    }
  out.push_back(vertex(m.gx0 * 2.0f, 0, 0.5f, 2.0f));  // exactly on the guard planes
  out.push_back(vertex(m.gx1 * 2.0f, m.gy1 * 2.0f, 0.5f, 2.0f));
  out.push_back(vertex(0, m.gy0 * 3.0f, 3.0f, 3.0f));  // and on the far plane
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> wide(-40000.0f, 40000.0f), depth(-2.0f, 4.0f), w(-1.0f, 8.0f);
  for (int i = 0; i < 400; ++i) out.push_back(vertex(wide(rng), wide(rng), depth(rng), w(rng)));
  return out;
}

}  // namespace

TEST(PipelineBatch, ClipCodesMatchThePlanesOneByOne) {
  for (auto [w, h] : {std::pair{640u, 480u}, std::pair{1u, 1u}, std::pair{4096u, 16u}}) {
    const swr::ScreenMap m = screenMap(w, h);
    const std::vector<swr::PVertex> all = awkwardVertices(m);
    for (const swr::PVertex& v : all)
      ASSERT_EQ(swr::clipCodes(v, m), referenceCodes(v, m)) << v.x << " " << v.y << " " << v.z << " " << v.w;
    // The batch form, four at a time and over every length of tail.
    const int32_t scissor[4] = {0, 0, int32_t(w), int32_t(h)};
    for (size_t n : {all.size(), all.size() - 1, all.size() - 2, all.size() - 3}) {
      std::vector<uint32_t> codes(n);
      swr::clipBatch(all.data(), uint32_t(n), swr::ClipLanes(m, scissor), codes.data());
      for (size_t i = 0; i < n; ++i)
        ASSERT_EQ(codes[i] & swr::kClipPlaneBits, referenceCodes(all[i], m)) << i;
    }
  }
}

// A batch is rejected whole only by a plane all of its vertices are outside of; the off-screen bits
// say which side of the scissor rectangle (widened by the margin) a vertex in front of the eye is.
TEST(PipelineBatch, BatchCodesKeepOnlyTheSharedPlanes) {
  const swr::ScreenMap m = screenMap(64, 64);  // x/w = -1 and 1 are screen x 0 and 64, y/w = 1 is y 0
  const int32_t scissor[4] = {0, 0, 64, 64};
  const swr::PVertex behind = vertex(0, 0, -1, 1), beyondRight = vertex(m.gx1 * 4, 0, 0.5f, 2),
                     inside = vertex(0, 0, 0.5f, 1), both = vertex(m.gx1 * 4, 0, -1, 2),
                     lost = vertex(kNaN, 0, 0, 1);
  auto shared = [&](std::vector<swr::PVertex> v, const int32_t* sc = nullptr) {
    std::vector<uint32_t> codes(v.size());
    uint32_t all =
        swr::clipBatch(v.data(), uint32_t(v.size()), swr::ClipLanes(m, sc ? sc : scissor), codes.data());
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(codes[i] & swr::kClipPlaneBits, referenceCodes(v[i], m));
    return all;
  };
  const uint32_t left = 1u << swr::kOffScreenShift, top = left << 1, right = left << 2, bottom = left << 3;
  EXPECT_EQ(shared({behind, both, behind}), 1u);
  EXPECT_EQ(shared({beyondRight, both}), 8u | right);
  EXPECT_EQ(shared({behind, beyondRight}), 0u);
  EXPECT_EQ(shared({both, both, inside}), 0u);
  EXPECT_EQ(shared({lost, lost}), swr::kClipInvalid);
  EXPECT_EQ(shared({lost, behind}), 0u);
  // Screen x -3.2 is off, -1.6 within the margin; y likewise above and below.
  EXPECT_EQ(shared({vertex(-1.1f, 0, 0.5f, 1), vertex(-2.2f, 1.1f, 1, 2)}), left);
  EXPECT_EQ(shared({vertex(-1.05f, 0, 0.5f, 1), vertex(-2.2f, 1.1f, 1, 2)}), 0u);
  EXPECT_EQ(shared({vertex(0.3f, 1.1f, 0.5f, 1), vertex(-0.9f, 2.2f, 1, 2)}), top);
  EXPECT_EQ(shared({vertex(0.3f, -1.1f, 0.5f, 1), vertex(3.0f, -2.2f, 1, 2)}), bottom);
  EXPECT_EQ(shared({vertex(3.0f, -3.0f, 0.5f, 1)}), right | bottom);
  // Behind the eye the projection mirrors: no side is claimed.
  EXPECT_EQ(shared({vertex(-1.1f, 0, -0.5f, -1)}) & (left | right | top | bottom), 0u);
  // The rectangle is the scissor's, not the target's.
  const int32_t narrow[4] = {16, 0, 48, 64};
  EXPECT_EQ(shared({vertex(-0.6f, 0, 0.5f, 1)}, narrow), left);
  EXPECT_EQ(shared({vertex(-0.6f, 0, 0.5f, 1)}), 0u);
}

// Triangles off the target on one side cover nothing of it: scattered over and around a small
// target they draw the same pixels as in the middle of a larger one, where none of them is off.
TEST(PipelineBatch, OffScreenRejectionKeepsEveryVisiblePixel) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<float> pos(-14.0f, 30.0f), step(-5.0f, 5.0f);
  std::vector<TLVertex> small, large;
  for (int t = 0; t < 400; ++t) {
    const float x = pos(rng), y = pos(rng);
    const uint32_t colour = 0xFF000000u | uint32_t(rng());
    for (int k = 0; k < 3; ++k) {
      const float vx = x + (k ? step(rng) : 0.0f), vy = y + (k ? step(rng) : 0.0f);
      small.push_back({vx, vy, 0.5f, 1.0f, colour, 0, 0});
      large.push_back({vx + 16, vy + 16, 0.5f, 1.0f, colour, 0, 0});
    }
  }
  for (DWORD fill : {DWORD(D3DFILL_SOLID), DWORD(D3DFILL_WIREFRAME)}) {
    swr::DrawState s = defaultState(16, 16);
    s.renderState[D3DRS_ZENABLE] = FALSE;
    s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
    s.renderState[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
    s.renderState[D3DRS_FILLMODE] = fill;
    diffuseOnly(s);
    swr::Pipeline p;
    Canvas a(16, 16, 0), b(48, 48, 0);
    for (size_t t = 0; t < small.size(); t += 3) {  // one triangle a draw, as the terrain's cells
      drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1,
             std::vector<TLVertex>(small.begin() + t, small.begin() + t + 3), a);
    }
    swr::DrawState big = s;
    big.viewport = {0, 0, 48, 48, 0, 1};
    touch(big);
    drawUP(p, big, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(large.size() / 3), large, b);
    p.flush();
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        ASSERT_EQ(a.at(x, y), b.at(x + 16, y + 16)) << x << "," << y << " fill " << fill;
        drawn += a.at(x, y) != 0;
      }
    EXPECT_GT(drawn, 100);
  }
}

// Draws wholly outside one plane still count their triangles, as drawn ones do, and leave the
// target alone; one vertex in range of the others brings the picture back.
TEST(PipelineBatch, DrawsOutsideOnePlaneCountTheirTriangles) {
  swr::DrawState s = defaultState(16, 16);
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.renderState[D3DRS_ZENABLE] = FALSE;
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  diffuseOnly(s);
  const uint32_t red = 0xFFFF0000u;
  std::vector<CVertex> behind = {{-1, 1, -0.5f, red, 0, 0},
                                 {1, 1, -0.5f, red, 0, 0},
                                 {-1, -1, -0.5f, red, 0, 0},
                                 {1, -1, -0.5f, red, 0, 0}};
  const std::vector<uint16_t> quad = {0, 1, 2, 2, 1, 3}, broken = {0, 1, 2, 2, 1, 9};
  swr::Pipeline p;
  Canvas c(16, 16, 0);
  drawIndexed(p, s, kCFvf, D3DPT_TRIANGLELIST, 2, behind, quad, c);
  drawUP(p, s, kCFvf, D3DPT_TRIANGLESTRIP, 2, behind, c);
  drawIndexed(p, s, kCFvf, D3DPT_TRIANGLELIST, 2, behind, broken, c);  // the second one is dropped
  p.flush();
  EXPECT_EQ(p.triangleCount(), 5u);
  EXPECT_EQ(c.color, std::vector<uint32_t>(256, 0u));
  behind[3].z = 0.5f;  // the last vertex in front: only the triangle through it crosses the plane
  drawIndexed(p, s, kCFvf, D3DPT_TRIANGLELIST, 2, behind, quad, c);
  p.flush();
  EXPECT_EQ(p.triangleCount(), 7u);
  EXPECT_EQ(c.at(15, 15), red);
  EXPECT_EQ(c.at(0, 0), 0u);
}

// Screen positions, snapping, the rhw products of the varyings and the packed colour, for every
// varying count the states produce (the vector loop and its scalar tail).
TEST(PipelineBatch, ScreenVerticesMatchTheScalarMapping) {
  const swr::ScreenMap m = screenMap(640, 480);
  std::vector<swr::PVertex> in = awkwardVertices(m);
  in.push_back(vertex(1e30f, -1e30f, 0.5f, 1.0f));  // far outside: codes, no screen vertex
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> colour(-0.5f, 1.5f);
  for (swr::PVertex& v : in)
    for (float& x : v.v) x = colour(rng);
  for (int nv : {4, 6, 8, 10, 13, swr::kMaxVaryings}) {
    for (int64_t shared : {int64_t(-1), int64_t(0x80402010)}) {
      std::vector<uint32_t> codes;
      for (const swr::PVertex& p : in) codes.push_back(referenceCodes(p, m));
      std::vector<swr::SVertex> out(in.size());
      swr::screenVertices(in.data(), uint32_t(in.size()), m, nv, shared, codes.data(), out.data());
      for (size_t i = 0; i < in.size(); ++i) {
        const swr::PVertex& p = in[i];
        if (codes[i] != 0) continue;
        const swr::SVertex& s = out[i];
        const float rhw = 1.0f / p.w;
        const float x = m.ox + p.x * rhw * m.scx, y = m.oy + p.y * rhw * m.scy, z = m.oz + p.z * rhw * m.scz;
        ASSERT_EQ(bits(s.x), bits(x));
        ASSERT_EQ(bits(s.y), bits(y));
        ASSERT_EQ(bits(s.z), bits(z));
        ASSERT_EQ(bits(s.rhw), bits(rhw));
        ASSERT_EQ(s.fx, int32_t(std::lrintf(std::clamp(x, -16384.0f, 16384.0f) * 16.0f)));
        ASSERT_EQ(s.fy, int32_t(std::lrintf(std::clamp(y, -16384.0f, 16384.0f) * 16.0f)));
        for (int k = 0; k < nv; ++k) ASSERT_EQ(bits(s.v[k]), bits(p.v[k] * rhw)) << nv << " " << k;
        auto q = [](float c) { return uint32_t(std::clamp(c, 0.0f, 1.0f) * 255.0f + 0.5f); };
        const uint32_t packed = q(p.v[3]) << 24 | q(p.v[0]) << 16 | q(p.v[1]) << 8 | q(p.v[2]);
        ASSERT_EQ(s.diffuse8, shared >= 0 ? uint32_t(shared) : packed);
      }
    }
  }
}

namespace {

struct Batch {
  swr::DrawState s = defaultState(64, 64);
  Texture tex{4, 4, 1};
  swr::VertexState vs;
  swr::PixelState ps;
  Batch() {
    // Stage 0 textured from set 0, stage 1 from set 3, which the layouts below do not have.
    s.texture[0] = s.texture[1] = &tex.src;
    s.stageState[1][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    s.stageState[1][D3DTSS_TEXCOORDINDEX] = 3;
    s.renderState[D3DRS_LIGHTING] = FALSE;
    s.renderState[D3DRS_SPECULARENABLE] = TRUE;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> e(-3.0f, 3.0f);
    for (float* m : {&s.world._11, &s.view._11, &s.projection._11})
      for (int i = 0; i < 16; ++i) m[i] = e(rng);
  }
  void resolve() {
    swr::resolveVertexState(s, vs);
    swr::resolvePixelState(s, ps);
  }
};

// world * view * projection as the vertex side holds it: row vectors, rows in order.
float transformed(const float* m, const float* pos, int c) {
  return pos[0] * m[c] + pos[1] * m[4 + c] + pos[2] * m[8 + c] + pos[3] * m[12 + c];
}

}  // namespace

// XYZ, XYZW and XYZRHW positions, uniform colours and two coordinate sets (one read, one missing)
// through the phases, against the per-component arithmetic.
TEST(PipelineBatch, VertexPhasesMatchThePerVertexArithmetic) {
  Batch b;
  b.resolve();
  ASSERT_EQ(b.ps.stageCount, 2);
  ASSERT_GE(b.ps.specularSlot, 0);
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> e(-100.0f, 100.0f), rhw(-0.5f, 2.0f);
  for (swr::PositionKind kind :
       {swr::PositionKind::XYZ, swr::PositionKind::XYZW, swr::PositionKind::XYZRHW}) {
    swr::VertexLayout l;
    l.position = kind;
    l.positionOffset = 4;  // a leading word the positions skip
    const int posFloats = kind == swr::PositionKind::XYZ ? 3 : 4;
    l.texCount = 1;
    l.tex[0] = int16_t(4 + 4 * posFloats);
    l.texType[0] = D3DDECLTYPE_FLOAT2;
    l.stride = uint32_t(l.tex[0] + 8 + 4);  // and a trailing one
    const int floats = int(l.stride / 4);
    std::vector<float> data(size_t(floats) * 32);
    for (float& f : data) f = e(rng);
    for (int i = 0; i < 32; ++i) data[size_t(i) * floats + 1 + 3] = rhw(rng);
    data[size_t(5) * floats + 4] = 0.0f;  // an rhw of 0 becomes w = 1
    const std::vector<uint32_t> refs = {7, 0, 31, 5, 5, 12, 3};
    const swr::VertexPlan plan = swr::planVertices(b.vs, l);
    EXPECT_TRUE(plan.uniformDiffuse && plan.uniformSpecular && !plan.lit);
    std::vector<swr::PVertex> out(refs.size());
    const uint8_t* base = reinterpret_cast<const uint8_t*>(data.data());
    swr::positionVertices(b.vs, l, base, refs.data(), uint32_t(refs.size()), out.data());
    swr::attributeVertices(b.vs, b.ps, l, plan, base, refs.data(), uint32_t(refs.size()), out.data());
    for (size_t k = 0; k < refs.size(); ++k) {
      const float* v = data.data() + size_t(refs[k]) * floats;
      float pos[4] = {v[1], v[2], v[3], kind == swr::PositionKind::XYZ ? 1.0f : v[4]};
      const swr::PVertex& o = out[k];
      if (kind == swr::PositionKind::XYZRHW) {
        const float w = pos[3] > 0.0f ? 1.0f / pos[3] : 1.0f;
        EXPECT_EQ(bits(o.x), bits(pos[0] * w));
        EXPECT_EQ(bits(o.y), bits(pos[1] * w));
        EXPECT_EQ(bits(o.z), bits(pos[2] * w));
        EXPECT_EQ(bits(o.w), bits(w));
      } else {
        for (int c = 0; c < 4; ++c) EXPECT_EQ(bits((&o.x)[c]), bits(transformed(b.vs.mvp, pos, c))) << c;
      }
      for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(o.v[c], 1.0f);                      // unlit, no diffuse: white
        EXPECT_EQ(o.v[b.ps.specularSlot + c], 0.0f);  // no specular: black
      }
      const int t0 = b.ps.stage[0].texSlot, t1 = b.ps.stage[1].texSlot;
      EXPECT_EQ(bits(o.v[t0]), bits(v[l.tex[0] / 4]));
      EXPECT_EQ(bits(o.v[t0 + 1]), bits(v[l.tex[0] / 4 + 1]));
      EXPECT_EQ(o.v[t1], 0.0f);
      EXPECT_EQ(o.v[t1 + 1], 0.0f);
    }
  }
}

// Directional lights on vertices without normals light every vertex alike; a point light does not.
TEST(PipelineBatch, PlanSharesColoursOnlyWhenEveryVertexGetsThem) {
  Batch b;
  b.s.renderState[D3DRS_LIGHTING] = TRUE;
  b.s.material.Diffuse = {0.5f, 0.25f, 1.0f, 0.75f};
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {0, 0, 1};
  light.Ambient = {1, 1, 1, 1};
  b.s.renderState[D3DRS_AMBIENT] = 0xFF808080;
  b.s.lights = &light;
  b.s.lightCount = 1;
  b.resolve();
  swr::VertexLayout l = layoutForFvf(D3DFVF_XYZ | D3DFVF_TEX1);
  swr::VertexPlan plan = swr::planVertices(b.vs, l);
  EXPECT_TRUE(plan.constLit && plan.uniformDiffuse && plan.uniformSpecular);
  EXPECT_EQ(plan.color.diffuse[3], 0.75f);
  EXPECT_FALSE(
      swr::planVertices(b.vs, layoutForFvf(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)).uniformDiffuse);
  EXPECT_FALSE(swr::planVertices(b.vs, layoutForFvf(D3DFVF_XYZ | D3DFVF_DIFFUSE)).uniformDiffuse);
  light.Type = D3DLIGHT_POINT;
  light.Range = 100;
  light.Attenuation0 = 1;
  b.resolve();
  EXPECT_FALSE(swr::planVertices(b.vs, l).uniformDiffuse);
  b.s.renderState[D3DRS_LIGHTING] = FALSE;
  b.resolve();
  plan = swr::planVertices(b.vs, layoutForFvf(D3DFVF_XYZ | D3DFVF_SPECULAR));
  EXPECT_TRUE(plan.uniformDiffuse);
  EXPECT_FALSE(plan.uniformSpecular);
}

// Indexed draws with repeated and out-of-range indices give the picture of the same triangles
// listed vertex by vertex, both for a few indices and for many, in 16- and 32-bit form.
TEST(PipelineBatch, GatheredVerticesKeepEveryTriangleItsOwnCorners) {
  std::vector<TLVertex> v;
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> pos(-4.0f, 36.0f);
  for (int i = 0; i < 12; ++i)
    v.push_back({pos(rng), pos(rng), 0.5f, 1.0f, 0xFF000000u | uint32_t(rng()), 0, 0});
  swr::DrawState s = defaultState(32, 32);
  s.renderState[D3DRS_ZENABLE] = FALSE;
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  diffuseOnly(s);
  for (size_t triangles : {size_t(2), size_t(5), size_t(40)}) {
    std::vector<uint32_t> idx;
    for (size_t t = 0; t < 3 * triangles; ++t)
      idx.push_back(rng() % 9 == 0 ? 1000u + uint32_t(rng() % 60000) : uint32_t(rng() % v.size()));
    std::vector<TLVertex> listed;
    for (size_t t = 0; t < triangles; ++t) {
      if (idx[3 * t] >= v.size() || idx[3 * t + 1] >= v.size() || idx[3 * t + 2] >= v.size()) continue;
      for (int k = 0; k < 3; ++k) listed.push_back(v[idx[3 * t + k]]);
    }
    Canvas want(32, 32, 0);
    swr::Pipeline p;
    if (!listed.empty()) drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, uint32_t(listed.size() / 3), listed, want);
    p.flush();
    for (bool wide : {false, true}) {
      Canvas got(32, 32, 0);
      std::vector<uint16_t> narrow(idx.begin(), idx.end());
      swr::DrawCall call{};
      call.type = D3DPT_TRIANGLELIST;
      call.primitiveCount = uint32_t(triangles);
      call.vertices = reinterpret_cast<const uint8_t*>(v.data());
      call.vertexCount = uint32_t(v.size());
      call.indices = wide ? static_cast<const void*>(idx.data()) : narrow.data();
      call.index32 = wide;
      call.numVertices = call.vertexCount;
      p.draw(s, layoutForFvf(kTLFvf), call, got.targets());
      p.flush();
      EXPECT_EQ(got.color, want.color) << triangles << " triangles, 32-bit " << wide;
    }
  }
}

// The scissor rectangle is kept from draw to draw only while the viewport, the scissor state and
// the targets stay: each change alone moves it, even with no version bumped.
TEST(PipelineBatch, ScissorFollowsEveryInputFromDrawToDraw) {
  swr::DrawState s = defaultState(16, 16);
  s.renderState[D3DRS_ZENABLE] = FALSE;
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  diffuseOnly(s);
  const std::vector<TLVertex> quad = rect(-8, -8, 40, 40, 0xFF00FF00u);
  swr::Pipeline p;
  auto lit = [&](uint32_t w, uint32_t h) {
    Canvas c(w, h, 0);
    drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, quad, c);
    p.flush();
    int n = 0;
    for (uint32_t v : c.color) n += v != 0;
    return n;
  };
  EXPECT_EQ(lit(16, 16), 256);
  s.renderState[D3DRS_SCISSORTESTENABLE] = TRUE;
  s.scissor = {2, 3, 10, 7};
  EXPECT_EQ(lit(16, 16), 8 * 4);
  s.scissor = {0, 0, 5, 16};
  EXPECT_EQ(lit(16, 16), 5 * 16);
  s.viewport = {4, 0, 12, 16, 0, 1};
  EXPECT_EQ(lit(16, 16), 1 * 16);
  s.renderState[D3DRS_SCISSORTESTENABLE] = FALSE;
  EXPECT_EQ(lit(16, 16), 12 * 16);
  EXPECT_EQ(lit(8, 8), 4 * 8);  // a smaller target cuts the viewport
  EXPECT_EQ(lit(16, 16), 12 * 16);
  s.viewport = {0, 0, 16, 16, 0, 1};
  EXPECT_EQ(lit(8, 8), 64);
  EXPECT_EQ(lit(16, 16), 256);  // and a larger one gives it back
}
