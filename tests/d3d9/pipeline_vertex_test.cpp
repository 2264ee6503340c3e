// Vertex processing: the lighting equation, colour sources, normals, pre-transformed vertices.
#include <gtest/gtest.h>

#include <cmath>

#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

struct NVertex {  // XYZ | NORMAL
  float x, y, z, nx, ny, nz;
};
constexpr DWORD kNFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

D3DCOLORVALUE cv(float r, float g, float b, float a = 1.0f) { return {r, g, b, a}; }

// A triangle facing the camera (normal -z) covering the middle of a 16x16 target, flat shaded so
// the colour is exactly the first vertex's.
std::vector<NVertex> facing(float z, float nx = 0, float ny = 0, float nz = -1) {
  return {{-z, z, z, nx, ny, nz}, {z, -z, z, nx, ny, nz}, {-z, -z, z, nx, ny, nz}};
}

swr::DrawState litState() {
  swr::DrawState s = defaultState(16, 16);
  s.renderState[D3DRS_ZENABLE] = FALSE;
  s.renderState[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  // Perspective with w = z so positions at depth z span the view.
  D3DMATRIX proj{};
  proj._11 = 1, proj._22 = 1, proj._33 = 1.0f, proj._34 = 1, proj._43 = -0.5f;
  s.projection = proj;
  return s;
}

uint32_t drawLit(const swr::DrawState& s, const std::vector<NVertex>& v) {
  Canvas c(16, 16, 0);
  swr::Pipeline p;
  drawUP(p, s, kNFvf, D3DPT_TRIANGLELIST, 1, v, c);
  p.flush();
  return c.at(3, 12);
}

uint32_t expectColor(float r, float g, float b, float a) {
  auto q = [](float x) { return uint32_t(std::lround(std::clamp(x, 0.0f, 1.0f) * 255)); };
  return q(a) << 24 | q(r) << 16 | q(g) << 8 | q(b);
}

}  // namespace

TEST(PipelineVertex, DirectionalLightFollowsTheFormula) {
  swr::DrawState s = litState();
  s.renderState[D3DRS_AMBIENT] = 0x00202020;
  s.material.Diffuse = cv(0.5f, 1.0f, 0.25f, 0.75f);
  s.material.Ambient = cv(0.2f, 0.4f, 0.6f);
  s.material.Emissive = cv(0.1f, 0.0f, 0.0f);
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = cv(1.0f, 0.5f, 1.0f);
  l.Ambient = cv(0.1f, 0.2f, 0.3f);
  l.Direction = {0.6f, 0.0f, 0.8f};
  s.lights = &l;
  s.lightCount = 1;
  float ga = 32.0f / 255.0f, ndl = 0.8f;
  uint32_t want = expectColor(0.1f + 0.2f * ga + 0.2f * 0.1f + 0.5f * 1.0f * ndl,
                              0.0f + 0.4f * ga + 0.4f * 0.2f + 1.0f * 0.5f * ndl,
                              0.0f + 0.6f * ga + 0.6f * 0.3f + 0.25f * 1.0f * ndl, 0.75f);
  EXPECT_LE(maxChannelDiff(drawLit(s, facing(2)), want), 1);
  // The back of the light: only ambient and emissive terms.
  uint32_t back = expectColor(0.1f + 0.2f * ga + 0.02f, 0.4f * ga + 0.08f, 0.6f * ga + 0.18f, 0.75f);
  EXPECT_LE(maxChannelDiff(drawLit(s, facing(2, 0, 0, 1)), back), 1);
}

TEST(PipelineVertex, PointLightAttenuationAndRange) {
  swr::DrawState s = litState();
  s.material.Diffuse = cv(1, 1, 1, 1);
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_POINT;
  l.Diffuse = cv(1, 1, 1);
  l.Position = {0, 0, 0};
  l.Range = 100;
  l.Attenuation0 = 0.5f;
  l.Attenuation1 = 0.25f;
  s.lights = &l;
  s.lightCount = 1;
  // First vertex at (-2, 2, 2): distance sqrt(12), normal (0,0,-1), N.L = 2 / sqrt(12).
  float d = std::sqrt(12.0f), ndl = 2.0f / d, k = ndl / (0.5f + 0.25f * d);
  EXPECT_LE(maxChannelDiff(drawLit(s, facing(2)), expectColor(k, k, k, 1)), 1);
  l.Range = 3.0f;  // the vertex is out of range
  touch(s);
  EXPECT_EQ(drawLit(s, facing(2)), 0xFF000000u);
}

TEST(PipelineVertex, SpotLightCone) {
  swr::DrawState s = litState();
  s.material.Diffuse = cv(1, 1, 1, 1);
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_SPOT;
  l.Diffuse = cv(1, 1, 1);
  l.Position = {-2, 2, 0};  // straight in front of the first vertex at (-2, 2, 2)
  l.Range = 100;
  l.Attenuation0 = 1;
  l.Falloff = 1;
  l.Theta = 0.2f;
  l.Phi = 0.6f;
  s.lights = &l;
  s.lightCount = 1;
  l.Direction = {0, 0, 1};  // on the axis: full light
  EXPECT_EQ(drawLit(s, facing(2)), 0xFFFFFFFFu);
  // Off the axis by an angle between the cones: (rho - cos(phi/2)) / (cos(theta/2) - cos(phi/2)).
  float ang = 0.2f;
  l.Direction = {std::sin(ang), 0, std::cos(ang)};
  touch(s);
  float rho = std::cos(ang), f = (rho - std::cos(0.3f)) / (std::cos(0.1f) - std::cos(0.3f));
  EXPECT_LE(maxChannelDiff(drawLit(s, facing(2)), expectColor(f, f, f, 1)), 1);
  l.Direction = {std::sin(0.5f), 0, std::cos(0.5f)};  // outside the outer cone
  touch(s);
  EXPECT_EQ(drawLit(s, facing(2)), 0xFF000000u);
}

TEST(PipelineVertex, SpecularHighlight) {
  swr::DrawState s = litState();
  s.renderState[D3DRS_SPECULARENABLE] = TRUE;
  s.material.Specular = cv(1, 0.5f, 0.25f);
  s.material.Power = 4;
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Specular = cv(1, 1, 1);
  l.Direction = {0, 0, 1};
  s.lights = &l;
  s.lightCount = 1;
  // Vertex (-2, 2, 2), eye at the origin: H = norm(norm(-P) + (0, 0, -1)), N = (0, 0, -1).
  float e[3] = {2 / std::sqrt(12.0f), -2 / std::sqrt(12.0f), -2 / std::sqrt(12.0f)};
  float h[3] = {e[0], e[1], e[2] - 1};
  float hl = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
  float p = std::pow(-h[2] / hl, 4.0f);
  EXPECT_LE(maxChannelDiff(drawLit(s, facing(2)), expectColor(p, 0.5f * p, 0.25f * p, 0)), 1);
}

TEST(PipelineVertex, NormalizeNormalsUndoesScaling) {
  swr::DrawState s = litState();
  s.material.Diffuse = cv(0.25f, 0.25f, 0.25f, 1);
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = cv(1, 1, 1);
  l.Direction = {0, 0, 1};
  s.lights = &l;
  s.lightCount = 1;
  s.world = identity();
  s.world._11 = s.world._22 = s.world._33 = 0.5f;  // scaled normals come out doubled (inverse)
  std::vector<NVertex> v = facing(4);
  EXPECT_LE(maxChannelDiff(drawLit(s, v), expectColor(0.5f, 0.5f, 0.5f, 1)), 1);
  s.renderState[D3DRS_NORMALIZENORMALS] = TRUE;
  touch(s);
  EXPECT_LE(maxChannelDiff(drawLit(s, v), expectColor(0.25f, 0.25f, 0.25f, 1)), 1);
}

// Vertices without normals get only the ambient terms: the sky of the demo is tinted by the light's
// ambient colour and nothing else.
TEST(PipelineVertex, NoNormalsMeansAmbientOnly) {
  swr::DrawState s = litState();
  s.material.Diffuse = s.material.Ambient = s.material.Specular = cv(1, 1, 1, 1);
  s.material.Emissive = cv(0, 0, 0, 1);
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = l.Ambient = l.Specular = cv(1, 0.5f, 0.5f, 1);
  l.Direction = {0, -1, 0};
  s.lights = &l;
  s.lightCount = 1;
  struct P {
    float x, y, z;
  };
  std::vector<P> v = {{-2, 2, 2}, {2, -2, 2}, {-2, -2, 2}};
  Canvas c(16, 16, 0);
  swr::Pipeline p;
  drawUP(p, s, D3DFVF_XYZ, D3DPT_TRIANGLELIST, 1, v, c);
  p.flush();
  EXPECT_EQ(c.at(3, 12), 0xFFFF8080u);
}

// The defaults light a coloured vertex to black: lighting on, no lights, zero material and ambient.
TEST(PipelineVertex, DefaultStateLightsColouredVerticesBlack) {
  swr::DrawState s = litState();
  std::vector<CVertex> v = {
      {-2, 2, 2, 0x80FF0000, 0, 0}, {2, -2, 2, 0x80FF0000, 0, 0}, {-2, -2, 2, 0x80FF0000, 0, 0}};
  s.stageState[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
  s.stageState[0][D3DTSS_COLORARG1] = D3DTA_DIFFUSE;
  s.stageState[0][D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
  Canvas c(16, 16, 0);
  swr::Pipeline p;
  drawUP(p, s, kCFvf, D3DPT_TRIANGLELIST, 1, v, c);
  p.flush();
  EXPECT_EQ(c.at(3, 12), 0x80000000u);
  // Emissive from the vertex colour lights it fully.
  s.renderState[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_COLOR1;
  touch(s);
  drawUP(p, s, kCFvf, D3DPT_TRIANGLELIST, 1, v, c);
  p.flush();
  EXPECT_EQ(c.at(3, 12), 0x80FF0000u);
  // Lighting off: the colour passes through.
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.renderState[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  touch(s);
  drawUP(p, s, kCFvf, D3DPT_TRIANGLELIST, 1, v, c);
  p.flush();
  EXPECT_EQ(c.at(3, 12), 0x80FF0000u);
}

TEST(PipelineVertex, PreTransformedVerticesAreNeitherTransformedNorLit) {
  swr::DrawState s = litState();
  s.world._41 = 100;  // would move everything away
  s.renderState[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  diffuseOnly(s);
  Canvas c(16, 16, 0);
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(2, 2, 6, 6, 0xFF123456), c);
  p.flush();
  EXPECT_EQ(c.at(3, 3), 0xFF123456u);
  EXPECT_EQ(c.at(7, 7), 0u);
}

TEST(PipelineVertex, GouraudAndFlatShading) {
  swr::DrawState s = defaultState(16, 16);
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.renderState[D3DRS_ZENABLE] = FALSE;
  diffuseOnly(s);
  std::vector<TLVertex> v = {{0, 0, 0, 1, 0xFFFF0000, 0, 0},
                             {16, 0, 0, 1, 0xFF00FF00, 0, 0},
                             {0, 16, 0, 1, 0xFF0000FF, 0, 0},
                             {16, 16, 0, 1, 0xFFFFFFFF, 0, 0}};
  Canvas c(16, 16, 0);
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLESTRIP, 2, v, c);
  p.flush();
  // Pixel (4, 4): barycentrics 0.5 red, 0.25 green, 0.25 blue.
  EXPECT_LE(maxChannelDiff(c.at(4, 4), 0xFF804040), 1);
  s.renderState[D3DRS_SHADEMODE] = D3DSHADE_FLAT;
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLESTRIP, 2, v, c);
  p.flush();
  EXPECT_EQ(c.at(4, 4), 0xFFFF0000u);    // first triangle: vertex 0
  EXPECT_EQ(c.at(12, 12), 0xFF00FF00u);  // second triangle of a strip: vertex 1
}
