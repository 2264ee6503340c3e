// Triangle setup: screen mapping and snapping, culling, edge equations and attribute planes into
// the bins; lines and points as screen-space quads.
#pragma once
#include <cstdint>

#include "bin.h"
#include "state.h"
#include "vertex.h"

namespace swr {

constexpr int kSubBits = 4;  // sub-pixel precision of snapped screen positions
constexpr float kSubScale = float(1 << kSubBits);

struct SVertex {  // after clipping, projection and viewport
  float x, y, z, rhw;
  int32_t fx, fy;         // snapped, kSubBits fraction
  uint32_t diffuse8;      // the diffuse colour as an ARGB word (before the rhw product)
  float v[kMaxVaryings];  // already multiplied by rhw
};

// `diffuse8` >= 0 gives the packed diffuse colour when the caller already knows it.
void toScreen(const PVertex& p, const ScreenMap& m, int nv, SVertex& s, int64_t diffuse8 = -1);
// The screen vertices of a batch, for the vertices inside every clip plane.
void screenVertices(const PVertex* in, uint32_t count, const ScreenMap& m, int nv, int64_t diffuse8,
                    const uint32_t* codes, SVertex* out);
uint32_t packDiffuse(const float* rgba);
void setupTriangle(Binner& b, const PixelState& ps, const SVertex& a, const SVertex& c1, const SVertex& c2,
                   bool cull);
void setupLine(Binner& b, const PixelState& ps, const SVertex& a, const SVertex& c);
void setupPoint(Binner& b, const PixelState& ps, const SVertex& a, float size);

}  // namespace swr
