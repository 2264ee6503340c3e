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

constexpr float kMinW = 1e-6f;

// Bit p set: the vertex is outside plane p (a negative clipDistance). Any infinity or NaN in the
// position gives kClipInvalid alone.
uint32_t clipCodes(const PVertex& v, const ScreenMap& m);

// Beyond the clip planes, codes carry four bits that clip nothing: the vertex lies left of, above,
// right of or below the scissor rectangle widened by kOffScreenMargin pixels (only for w > kMinW,
// where the perspective keeps straight edges straight). Primitives that reach no further than the
// margin from their vertices (triangles and lines, not points) and share one of these bits cover
// no pixel.
constexpr int kOffScreenShift = 7;
constexpr uint32_t kClipPlaneBits = ((1u << kClipPlanes) - 1) | kClipInvalid;
constexpr float kOffScreenMargin = 2.0f;

// The codes of a batch against the clip planes and the scissor rectangle [x0, x1) x [y0, y1);
// returns the bits every vertex has (nothing of the batch is visible when a clip plane's is set).
uint32_t clipBatch(const PVertex* v, uint32_t count, const ScreenMap& m, const int32_t* scissor,
                   uint32_t* codes);

float clipDistance(ClipPlane plane, const PVertex& v, const ScreenMap& m);  // >= 0 inside
// Returns the number of output vertices; `out` and `scratch` hold at least 3 + kClipPlanes.
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch);

}  // namespace swr
