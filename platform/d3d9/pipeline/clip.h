// Clip codes and polygon clipping in clip space.
#pragma once
#include <cstdint>

#include "state.h"
#include "vertex.h"

namespace swr {

// The planes in clip-code bit order; a vertex with any of the last bit set (kClipInvalid) is not a
// number and drops its primitive.
enum class ClipPlane : uint8_t { Near, Far, GuardLeft, GuardRight, GuardTop, GuardBottom, MinW };
constexpr int kClipPlanes = 7;
constexpr uint32_t kClipInvalid = 1u << 31;

uint32_t clipCodes(const PVertex& v, const ScreenMap& m);
float clipDistance(ClipPlane plane, const PVertex& v, const ScreenMap& m);  // >= 0 inside
// Returns the number of output vertices; `out` and `scratch` hold at least 3 + kClipPlanes.
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch);

}  // namespace swr
