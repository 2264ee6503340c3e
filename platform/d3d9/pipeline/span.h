// What the rasteriser hands the pixel routines: the tile's target memory and the covered pixels of
// one triangle in one tile, and the signature every span routine has.
#pragma once
#include <cstdint>

namespace swr {

constexpr int kTileShift = 6;
constexpr int kTileSize = 1 << kTileShift;

// The memory a tile is drawn into.
struct Target {
  uint32_t* color;
  int32_t colorPitch;
  bool colorHasAlpha;
  uint32_t* depth;
  int32_t depthPitch;
  bool hasStencil;
};

// The covered pixels of one triangle in one tile: row y0 + r covers [x0[r], x1[r]).
struct Spans {
  int y0, rows;
  int32_t x0[kTileSize], x1[kTileSize];
  // Every pixel passes the depth test whatever the depth memory holds: the tile's pending depth
  // clear was dropped for this triangle, which writes every depth it would have set.
  bool depthPasses = false;
};

struct Tri;
using SpanFn = void (*)(const Tri& t, const Target& tg, const Spans& s);

// A depth value as the target stores it: 24-bit unsigned normalised (bits 31..8 of the word).
inline uint32_t depthBits(float z) {
  z = z < 0.0f ? 0.0f : (z > 1.0f ? 1.0f : z);  // NaN falls through to z as-is below
  if (!(z >= 0.0f)) z = 0.0f;
  // z = 1 rounds to 2^24 in single precision: keep it in 24 bits.
  uint32_t bits = uint32_t(z * 16777215.0f + 0.5f);
  return bits > 0xFFFFFFu ? 0xFFFFFFu : bits;
}

}  // namespace swr
