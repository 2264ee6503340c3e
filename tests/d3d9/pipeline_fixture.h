// Helpers for driving swr::Pipeline directly: targets, default state, textures, vertex layouts.
#pragma once
#include <d3d9.h>

#include <cstring>
#include <vector>

#include "../../platform/d3d9/pipeline/pipeline.h"

namespace pipetest {

inline DWORD fbits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

inline D3DMATRIX identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

struct Canvas {
  uint32_t width, height;
  std::vector<uint32_t> color, depth;
  bool hasAlpha = true;
  Canvas(uint32_t w, uint32_t h, uint32_t fill = 0, uint32_t depthWord = 0xFFFFFF00u)
      : width(w), height(h), color(size_t(w) * h, fill), depth(size_t(w) * h, depthWord) {}
  swr::RenderTargets targets() {
    swr::RenderTargets t;
    t.color = color.data();
    t.colorPitch = width;
    t.width = width, t.height = height;
    t.colorHasAlpha = hasAlpha;
    t.depth = depth.data();
    t.depthPitch = width;
    t.depthWidth = width, t.depthHeight = height;
    t.hasStencil = true;
    return t;
  }
  uint32_t& at(int x, int y) { return color[size_t(y) * width + x]; }
  uint32_t stencil(int x, int y) const { return depth[size_t(y) * width + x] & 0xFF; }
  uint32_t z(int x, int y) const { return depth[size_t(y) * width + x] >> 8; }
};

// The state a freshly created device has (with a depth buffer), the viewport covering w x h.
inline swr::DrawState defaultState(uint32_t w, uint32_t h) {
  swr::DrawState s;
  swr::ResetDrawState(s, w, h, true);
  // Every fresh state counts as changed for a pipeline that saw another one before.
  static uint64_t version = 1000;
  version += 1000;
  s.vertexVersion = s.pixelVersion = version;
  return s;
}

// Marks every state as changed (tests edit the arrays directly).
inline void touch(swr::DrawState& s) {
  s.vertexVersion++;
  s.pixelVersion++;
}

inline swr::VertexLayout layoutForFvf(DWORD fvf) {
  swr::VertexLayout l;
  int off = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZRHW:
      l.position = swr::PositionKind::XYZRHW, off = 16;
      break;
    case D3DFVF_XYZW:
      l.position = swr::PositionKind::XYZW, off = 16;
      break;
    default:
      l.position = swr::PositionKind::XYZ, off = 12;
      break;
  }
  if (fvf & D3DFVF_NORMAL) l.normal = int16_t(off), off += 12;
  if (fvf & D3DFVF_PSIZE) l.pointSize = int16_t(off), off += 4;
  if (fvf & D3DFVF_DIFFUSE) l.diffuse = int16_t(off), off += 4;
  if (fvf & D3DFVF_SPECULAR) l.specular = int16_t(off), off += 4;
  l.texCount = uint8_t((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  for (int i = 0; i < l.texCount; ++i) {
    l.tex[i] = int16_t(off);
    l.texType[i] = D3DDECLTYPE_FLOAT2;
    off += 8;
  }
  l.stride = uint32_t(off);
  return l;
}

// A texture with explicit levels of 0xAARRGGBB texels.
struct Texture {
  std::vector<std::vector<uint32_t>> levels;
  swr::SampleSource src;
  Texture(uint32_t w, uint32_t h, int levelCount, bool opaque = false) {
    static uint64_t nextId = 1;
    src.id = nextId++;
    src.version = 1;
    src.opaque = opaque;
    for (int l = 0; l < levelCount && w && h; ++l) {
      levels.emplace_back(size_t(w) * h, 0);
      src.levels[l] = {levels.back().data(), w, h, w};
      w = w > 1 ? w / 2 : 1;
      h = h > 1 ? h / 2 : 1;
    }
    src.levelCount = uint32_t(levels.size());
  }
  uint32_t& at(int level, uint32_t x, uint32_t y) {
    return levels[level][size_t(y) * src.levels[level].width + x];
  }
};

struct TLVertex {  // XYZRHW | DIFFUSE | TEX1
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct CVertex {  // XYZ | DIFFUSE | TEX1
  float x, y, z;
  uint32_t diffuse;
  float u, v;
};
constexpr DWORD kCFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

template <class V>
void drawUP(swr::Pipeline& p, const swr::DrawState& s, DWORD fvf, D3DPRIMITIVETYPE type, uint32_t prims,
            const std::vector<V>& verts, Canvas& c) {
  swr::DrawCall call{};
  call.type = type;
  call.primitiveCount = prims;
  call.vertices = reinterpret_cast<const uint8_t*>(verts.data());
  call.vertexCount = uint32_t(verts.size());
  p.draw(s, layoutForFvf(fvf), call, c.targets());
}

template <class V>
void drawIndexed(swr::Pipeline& p, const swr::DrawState& s, DWORD fvf, D3DPRIMITIVETYPE type, uint32_t prims,
                 const std::vector<V>& verts, const std::vector<uint16_t>& idx, Canvas& c) {
  swr::DrawCall call{};
  call.type = type;
  call.primitiveCount = prims;
  call.vertices = reinterpret_cast<const uint8_t*>(verts.data());
  call.vertexCount = uint32_t(verts.size());
  call.indices = idx.data();
  call.numVertices = uint32_t(verts.size());
  p.draw(s, layoutForFvf(fvf), call, c.targets());
}

// A screen-space rectangle [x0,x1) x [y0,y1) as two XYZRHW triangles (clockwise), with uv 0..1.
inline std::vector<TLVertex> rect(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.5f) {
  return {{x0, y0, z, 1, color, 0, 0}, {x1, y0, z, 1, color, 1, 0}, {x1, y1, z, 1, color, 1, 1},
          {x0, y0, z, 1, color, 0, 0}, {x1, y1, z, 1, color, 1, 1}, {x0, y1, z, 1, color, 0, 1}};
}

// Stage 0 passes the diffuse colour through (no texture involved).
inline void diffuseOnly(swr::DrawState& s) {
  s.stageState[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
  s.stageState[0][D3DTSS_COLORARG1] = D3DTA_DIFFUSE;
  s.stageState[0][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
  s.stageState[0][D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
}

inline int channel(uint32_t c, int i) { return int((c >> (8 * i)) & 255); }
inline int maxChannelDiff(uint32_t a, uint32_t b) {
  int m = 0;
  for (int i = 0; i < 4; ++i) m = std::max(m, std::abs(channel(a, i) - channel(b, i)));
  return m;
}

}  // namespace pipetest
