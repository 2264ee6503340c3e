// Vertex processing: the referenced vertices of a draw fetched by layout, transformed, lit and given
// their texture coordinates, in clip space.
#pragma once
#include <cstdint>

#include "state.h"

namespace swr {

struct PVertex {
  float x, y, z, w;  // clip space
  float v[kMaxVaryings];
};

// How many vertices of `vertexCount` the layout can read whole; `extent` is layoutExtent(layout).
uint32_t readableVertices(const VertexLayout& layout, uint32_t extent, uint32_t vertexCount);
// Returns true when every vertex got the same diffuse colour (no vertex colours, or constant
// lighting), so callers may pack it once.
bool processVertices(const VertexState& vs, const PixelState& ps, const VertexLayout& layout,
                     const uint8_t* base, const uint32_t* indices, uint32_t count, PVertex* out);

}  // namespace swr
