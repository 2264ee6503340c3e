// The software device's drawing speed: draw-call rate for 2-triangle textured draws, textured
// depth-tested triangle rate, bilinear depth-tested fill rate at 640 x 480 and sprite-text tiles,
// on one and on two threads. The demo's whole frame is measured by bench_demo.
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "../platform/d3d9/pipeline/pipeline.h"

namespace {

constexpr uint32_t kW = 640, kH = 480;

DWORD fbits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

D3DMATRIX identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX mul(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  const float* x = &a._11;
  const float* y = &b._11;
  float* o = &r._11;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      o[i * 4 + j] =
          x[i * 4] * y[j] + x[i * 4 + 1] * y[4 + j] + x[i * 4 + 2] * y[8 + j] + x[i * 4 + 3] * y[12 + j];
  return r;
}

// Left-handed look-at and perspective, as the demo's math library builds them.
D3DMATRIX lookAt(const float eye[3], const float at[3]) {
  float z[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
  float l = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
  for (float& c : z) c /= l;
  float up[3] = {0, 1, 0};
  float x[3] = {up[1] * z[2] - up[2] * z[1], up[2] * z[0] - up[0] * z[2], up[0] * z[1] - up[1] * z[0]};
  l = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
  for (float& c : x) c /= l;
  float y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
  D3DMATRIX m = identity();
  m._11 = x[0], m._21 = x[1], m._31 = x[2];
  m._12 = y[0], m._22 = y[1], m._32 = y[2];
  m._13 = z[0], m._23 = z[1], m._33 = z[2];
  m._41 = -(x[0] * eye[0] + x[1] * eye[1] + x[2] * eye[2]);
  m._42 = -(y[0] * eye[0] + y[1] * eye[1] + y[2] * eye[2]);
  m._43 = -(z[0] * eye[0] + z[1] * eye[1] + z[2] * eye[2]);
  return m;
}

D3DMATRIX perspective(float fovy, float aspect, float zn, float zf) {
  D3DMATRIX m{};
  float ys = 1.0f / std::tan(fovy / 2);
  m._11 = ys / aspect, m._22 = ys, m._33 = zf / (zf - zn), m._34 = 1, m._43 = -zn * zf / (zf - zn);
  return m;
}

// The device's change counters: one sequence shared by every state copy, as one device has.
uint64_t versionCounter = 1;
void vertexChanged(swr::DrawState& s) { s.vertexVersion = ++versionCounter; }
void pixelChanged(swr::DrawState& s) { s.pixelVersion = ++versionCounter; }

swr::DrawState baseState() {
  swr::DrawState s;
  swr::ResetDrawState(s, kW, kH, true);
  s.renderState[D3DRS_NORMALIZENORMALS] = TRUE;
  for (DWORD* m : {s.samplerState[0], s.samplerState[1]})
    m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
  s.projection = perspective(0.7853982f, 4.0f / 3.0f, 1.0f, 1000.0f);
  s.material.Diffuse = s.material.Ambient = s.material.Specular = {1, 1, 1, 1};
  s.material.Emissive = {0, 0, 0, 1};
  s.material.Power = 2;
  s.vertexVersion = s.pixelVersion = 1;
  return s;
}

struct Texture {
  std::vector<std::vector<uint32_t>> levels;
  swr::SampleSource src;
  Texture(uint32_t size, uint32_t seed, bool mips) {
    static uint64_t ids = 1;
    src.id = ids++;
    src.version = 1;
    src.opaque = true;
    uint32_t w = size;
    for (int l = 0; w && (l == 0 || mips); ++l, w /= 2) {
      levels.emplace_back(size_t(w) * w);
      for (uint32_t y = 0; y < w; ++y)
        for (uint32_t x = 0; x < w; ++x)
          levels.back()[size_t(y) * w + x] = 0xFF000000u | (((x * 7 + seed * 50) & 255) << 16) |
                                             (((y * 5 + seed * 90) & 255) << 8) | ((x ^ y) & 255);
      src.levels[l] = {levels.back().data(), w, w, w};
    }
    src.levelCount = uint32_t(levels.size());
  }
};

struct Target {
  std::vector<uint32_t> color, depth;
  Target() : color(size_t(kW) * kH), depth(size_t(kW) * kH) {}
  swr::RenderTargets rt() {
    swr::RenderTargets t;
    t.color = color.data();
    t.colorPitch = kW;
    t.width = kW, t.height = kH;
    t.colorHasAlpha = false;
    t.depth = depth.data();
    t.depthPitch = kW;
    t.depthWidth = kW, t.depthHeight = kH;
    t.hasStencil = true;
    return t;
  }
};

struct TexVertex {  // XYZ | TEX1
  float x, y, z, u, v;
};

swr::VertexLayout texLayout() {
  swr::VertexLayout l;
  l.stride = 20;
  l.texCount = 1;
  l.tex[0] = 12;
  l.texType[0] = D3DDECLTYPE_FLOAT2;
  return l;
}

// A terrain like the demo's: 64 x 64 vertices, 10-unit cells, one texture per height band, one
// directional light.
struct Scene {
  static constexpr int N = 64;
  std::vector<TexVertex> terrain;
  std::vector<uint16_t> indices;
  std::vector<int> band;
  Texture ground[3] = {Texture(256, 1, true), Texture(256, 2, true), Texture(256, 3, true)};
  Target back;
  D3DLIGHT9 light{};

  static float height(int i, int j) { return 40.0f + 35.0f * std::sin(i * 0.15f) * std::cos(j * 0.11f); }

  Scene() {
    for (int i = 0; i < N; ++i)
      for (int j = 0; j < N; ++j)
        terrain.push_back({-315.0f + 10.0f * j, height(i, j), 315.0f - 10.0f * i, j * 0.125f, i * 0.125f});
    for (int i = 0; i + 1 < N; ++i)
      for (int j = 0; j + 1 < N; ++j) {
        uint16_t a = uint16_t(i * N + j), b = uint16_t(a + 1), c = uint16_t(a + N), d = uint16_t(c + 1);
        for (uint16_t x : {a, b, c, c, b, d}) indices.push_back(x);
        float h = height(i, j);
        band.push_back(h < 25 ? 0 : h < 60 ? 1 : 2);
      }
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = light.Ambient = light.Specular = {1, 0.5f, 0.5f, 1};
    light.Direction = {0, -1, 0};
  }

  // The terrain: one 2-triangle draw per cell, the cell's texture set before each.
  void drawTerrain(swr::Pipeline& p, swr::DrawState& s, const swr::RenderTargets& rt) {
    swr::VertexLayout layout = texLayout();
    swr::DrawCall call{};
    call.type = D3DPT_TRIANGLELIST;
    call.primitiveCount = 2;
    s.world = identity();
    vertexChanged(s);
    call.vertices = reinterpret_cast<const uint8_t*>(terrain.data());
    call.vertexCount = uint32_t(terrain.size());
    const swr::SampleSource* bound = nullptr;
    for (size_t c = 0; c < band.size(); ++c) {
      const swr::SampleSource* t = &ground[band[c]].src;
      if (t != bound) s.texture[0] = bound = t, pixelChanged(s);
      call.indices = indices.data() + 6 * c;
      call.minIndex = indices[6 * c];
      call.numVertices = N + 2;
      p.draw(s, layout, call, rt);
    }
  }

  // Text: ~50 sprite tiles, each a pre-transformed blended quad followed by a flush (the font
  // locks its texture for every tile).
  void drawText(swr::Pipeline& p, const swr::DrawState& s, const swr::RenderTargets& rt) {
    swr::DrawState ts = s;
    ts.renderState[D3DRS_ZENABLE] = FALSE;
    ts.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
    ts.renderState[D3DRS_ALPHABLENDENABLE] = TRUE;
    ts.renderState[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    ts.renderState[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    ts.stageState[0][D3DTSS_ALPHAOP] = D3DTOP_MODULATE;
    ts.stageState[0][D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    ts.stageState[0][D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
    ts.samplerState[0][D3DSAMP_ADDRESSU] = ts.samplerState[0][D3DSAMP_ADDRESSV] = D3DTADDRESS_CLAMP;
    ts.texture[0] = &text.src;
    vertexChanged(ts), pixelChanged(ts);
    swr::VertexLayout tl;
    tl.stride = 28;
    tl.position = swr::PositionKind::XYZRHW;
    tl.diffuse = 16;
    tl.texCount = 1;
    tl.tex[0] = 20;
    tl.texType[0] = D3DDECLTYPE_FLOAT2;
    for (int tile = 0; tile < 50; ++tile) {
      float x = 20.0f + float(tile % 6) * 64 - 0.5f, y = 20.0f + float(tile / 6) * 16 - 0.5f;
      struct V {
        float x, y, z, rhw;
        uint32_t c;
        float u, v;
      } q[4] = {{x, y, 0, 1, 0xFFFFFF00, 0, 0},
                {x + 64, y, 0, 1, 0xFFFFFF00, 1, 0},
                {x + 64, y + 16, 0, 1, 0xFFFFFF00, 1, 1},
                {x, y + 16, 0, 1, 0xFFFFFF00, 0, 1}};
      swr::DrawCall call{};
      call.type = D3DPT_TRIANGLEFAN;
      call.primitiveCount = 2;
      call.vertices = reinterpret_cast<const uint8_t*>(q);
      call.vertexCount = 4;
      p.draw(ts, tl, call, rt);
      p.flush();
    }
    p.flush();
  }
  Texture text = Texture(64, 11, false);
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_DrawCalls2Triangles(benchmark::State& st) {
  Scene& sc = scene();
  swr::Pipeline p;
  p.setThreadCount(unsigned(st.range(0)));
  swr::DrawState s = baseState();
  float eye[3] = {0, 60, 0};
  float at[3] = {-40, 45, 30};
  s.view = lookAt(eye, at);
  swr::RenderTargets rt = sc.back.rt();
  s.lights = &sc.light;
  s.lightCount = 1;
  uint64_t draws = 0;
  for (auto _ : st) {
    uint64_t before = p.drawCount();
    sc.drawTerrain(p, s, rt);
    p.flush();
    draws += p.drawCount() - before;
  }
  st.counters["draws/s"] = benchmark::Counter(double(draws), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawCalls2Triangles)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// Many small textured, depth-tested triangles in large draws.
void BM_TexturedTriangles(benchmark::State& st) {
  Scene& sc = scene();
  swr::Pipeline p;
  p.setThreadCount(unsigned(st.range(0)));
  swr::DrawState s = baseState();
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.texture[0] = &sc.ground[1].src;
  float eye[3] = {0, 200, -330};
  float at[3] = {0, 0, 0};
  s.view = lookAt(eye, at);
  swr::RenderTargets rt = sc.back.rt();
  swr::DrawCall call{};
  call.type = D3DPT_TRIANGLELIST;
  call.primitiveCount = uint32_t(sc.indices.size() / 3);
  call.vertices = reinterpret_cast<const uint8_t*>(sc.terrain.data());
  call.vertexCount = uint32_t(sc.terrain.size());
  call.indices = sc.indices.data();
  call.numVertices = call.vertexCount;
  D3DVIEWPORT9 vp{0, 0, kW, kH, 0, 1};
  uint64_t tris = 0;
  for (auto _ : st) {
    p.clear(rt, vp, 0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    p.draw(s, texLayout(), call, rt);
    p.flush();
    tris += call.primitiveCount;
  }
  st.counters["triangles/s"] = benchmark::Counter(double(tris), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TexturedTriangles)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// Full-screen bilinear textured quads, each nearer than the last so every pixel passes the test.
void fillRate(benchmark::State& st, DWORD mip, float repeat) {
  Scene& sc = scene();
  swr::Pipeline p;
  p.setThreadCount(unsigned(st.range(0)));
  swr::DrawState s = baseState();
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.texture[0] = &sc.ground[0].src;
  s.projection = identity();
  s.samplerState[0][D3DSAMP_MIPFILTER] = mip;
  swr::RenderTargets rt = sc.back.rt();
  D3DVIEWPORT9 vp{0, 0, kW, kH, 0, 1};
  const int layers = 8;
  std::vector<TexVertex> v;
  for (int l = 0; l < layers; ++l) {
    float z = 0.9f - 0.1f * float(l);
    TexVertex q[6] = {{-1, 1, z, 0, 0}, {1, 1, z, 2.5f, 0},       {1, -1, z, 2.5f, 1.875f},
                      {-1, 1, z, 0, 0}, {1, -1, z, 2.5f, 1.875f}, {-1, -1, z, 0, 1.875f}};
    v.insert(v.end(), q, q + 6);
  }
  swr::DrawCall call{};
  call.type = D3DPT_TRIANGLELIST;
  call.primitiveCount = 2;
  call.vertexCount = 6;
  uint64_t pixels = 0;
  for (auto _ : st) {
    p.clear(rt, vp, 0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    for (int l = 0; l < layers; ++l) {
      call.vertices = reinterpret_cast<const uint8_t*>(v.data() + 6 * l);
      p.draw(s, texLayout(), call, rt);
    }
    p.flush();
    pixels += uint64_t(layers) * kW * kH;
  }
  st.counters["Mpixel/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}
void BM_FillRateBilinearDepth(benchmark::State& st) { fillRate(st, D3DTEXF_NONE, 2.5f); }
BENCHMARK(BM_FillRateBilinearDepth)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same with trilinear filtering of a minified texture (about 8 texels per pixel).
void BM_FillRateTrilinearDepth(benchmark::State& st) { fillRate(st, D3DTEXF_LINEAR, 20.0f); }
BENCHMARK(BM_FillRateTrilinearDepth)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// Sprite text: ~50 blended pre-transformed tiles, each drawn and flushed.
void BM_TextSprites(benchmark::State& st) {
  Scene& sc = scene();
  swr::Pipeline p;
  swr::DrawState s = baseState();
  swr::RenderTargets rt = sc.back.rt();
  for (auto _ : st) sc.drawText(p, s, rt);
}
BENCHMARK(BM_TextSprites)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
