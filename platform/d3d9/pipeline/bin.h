// Binned records and the tile bins they go into: triangles with their edge equations and attribute
// planes, and clears, in submission order per tile.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <d3d9.h>

#include "span.h"

namespace swr {

struct PixelState;

enum class RecKind : uint8_t { Triangle, Clear };

// What every binned record starts with: the kind that says which record it is.
struct BinRecord {
  RecKind kind;
};

struct Plane {
  float c, dx, dy;  // value at (refX, refY) and per-pixel steps
};

struct Tri : BinRecord {
  bool back;          // counter-clockwise on screen (two-sided stencil)
  bool constDiffuse;  // all three vertices share `diffuse8`: kernels may skip interpolation
  uint16_t nv;
  uint32_t diffuse8;
  const PixelState* ps;
  int32_t minX, minY, maxX, maxY;  // inclusive pixel bounds, already scissored
  int64_t ea[3], eb[3], ec[3];     // E(px, py) = ea*px + eb*py + ec >= 0 inside (bias folded in)
  float refX, refY;
  Plane z, rhw;
  Plane v[1];  // nv entries (allocated past the end)
};

struct ClearRec : BinRecord {
  DWORD flags;
  int32_t x0, y0, x1, y1;  // half-open
  uint32_t color, zbits, stencil;
};

inline size_t triBytes(int nv) { return sizeof(Tri) + sizeof(Plane) * (nv > 1 ? nv - 1 : 0); }

// Tile bins over the current render target; records live in stable chunks until reset().
class Binner {
 public:
  void configure(int width, int height);
  void* alloc(size_t bytes);
  void addTri(const Tri* t);
  void addClear(const ClearRec* c);
  void reset();
  bool empty() const { return entries_ == 0; }
  size_t bytesUsed() const { return used_; }
  size_t entries() const { return entries_; }

  int width = 0, height = 0, tilesX = 0, tilesY = 0;
  int32_t scissor[4] = {0, 0, 0, 0};  // x0, y0, x1, y1 (half-open) for the current draw
  std::vector<std::vector<const BinRecord*>> bins;
  uint64_t triangles = 0;

 private:
  std::vector<std::unique_ptr<uint8_t[]>> chunks_;
  size_t chunk_ = 0, offset_ = 0, used_ = 0, entries_ = 0;
};

}  // namespace swr
