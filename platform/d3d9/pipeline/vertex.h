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
// What every vertex of a draw shares, worked out when the vertex state or the layout changes.
struct VertexPlan {
  bool rhw = false;              // pre-transformed positions
  bool lit = false;              // the lighting equation runs
  bool constLit = false;         // ... and gives every vertex the same colours
  bool uniformDiffuse = false;   // every vertex gets color.diffuse
  bool uniformSpecular = false;  // every vertex gets color.specular
  Lit color{};                   // the lit colours, or white and black for unlit vertices
};
VertexPlan planVertices(const VertexState& vs, const VertexLayout& layout);
// The referenced vertices in clip space, in phases over the whole batch: positions first (a draw
// wholly outside one plane needs nothing else), then colours and texture coordinates.
void positionVertices(const VertexState& vs, const VertexLayout& layout, const uint8_t* base,
                      const uint32_t* indices, uint32_t count, PVertex* out);
void attributeVertices(const VertexState& vs, const PixelState& ps, const VertexLayout& layout,
                       const VertexPlan& plan, const uint8_t* base, const uint32_t* indices, uint32_t count,
                       PVertex* out);

}  // namespace swr
