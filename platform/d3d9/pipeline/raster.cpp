// Rasterisation of one tile: clears and triangles in submission order. Each covered row becomes one
// span (triangles are convex), found exactly from the fixed-point edge equations, and handed to the
// triangle's pixel routine. The reference mode tests every pixel of the bounds on its own instead.
#include <algorithm>
#include <cmath>

#include "raster.h"

#include "pixel.h"
#include "state.h"

namespace swr {
namespace {

void clearTile(const ClearRec& c, const Target& tg, int x0, int y0, int x1, int y1) {
  x0 = std::max(x0, c.x0), y0 = std::max(y0, c.y0), x1 = std::min(x1, c.x1), y1 = std::min(y1, c.y1);
  if (x0 >= x1 || y0 >= y1) return;
  bool color = (c.flags & D3DCLEAR_TARGET) && tg.color;
  bool z = (c.flags & D3DCLEAR_ZBUFFER) && tg.depth;
  bool s = (c.flags & D3DCLEAR_STENCIL) && tg.depth && tg.hasStencil;
  uint32_t keep = (z ? 0u : 0xFFFFFF00u) | (s ? 0u : 0xFFu);
  uint32_t set = (z ? c.zbits << 8 : 0u) | (s ? c.stencil & 0xFF : 0u);
  for (int y = y0; y < y1; ++y) {
    if (color)
      std::fill(tg.color + size_t(y) * tg.colorPitch + x0, tg.color + size_t(y) * tg.colorPitch + x1,
                c.color);
    if (z || s) {
      uint32_t* row = tg.depth + size_t(y) * tg.depthPitch;
      if (keep == 0)
        std::fill(row + x0, row + x1, set);
      else
        for (int x = x0; x < x1; ++x) row[x] = (row[x] & keep) | set;
    }
  }
}

// floor(n / d) for d > 0.
inline int64_t floorDiv(int64_t n, int64_t d) {
  int64_t q = n / d;
  return q - ((n % d) < 0 ? 1 : 0);
}

// One edge's boundary walked down the rows: the pixels of row y inside the edge are
// x >= -floor(k / a) when a > 0 and x <= floor(k / -a) when a < 0, where k = b * y + c. The quotient
// and remainder step exactly by whole rows, so no row needs a division or a correction loop.
struct EdgeWalk {
  int64_t f = 0, r = 0, q = 0, s = 0, d = 1;  // f = floor(k / d), r = k - d * f in [0, d); q, s: of b
  int64_t k = 0, b = 0;                       // for horizontal edges (a == 0): k itself
  int sign = 0;                               // +1: bounds from the left, -1: from the right

  void start(int64_t a, int64_t bb, int64_t c, int64_t y) {
    k = bb * y + c, b = bb;
    sign = a > 0 ? 1 : (a < 0 ? -1 : 0);
    if (sign == 0) return;
    d = a > 0 ? a : -a;
    f = floorDiv(k, d), r = k - d * f;
    q = floorDiv(bb, d), s = bb - d * q;
  }
  void step() {
    k += b;
    f += q, r += s;
    if (r >= d) ++f, r -= d;
  }
  // Narrows [lo, hi] for the current row.
  void clip(int64_t& lo, int64_t& hi) const {
    if (sign > 0)
      lo = std::max(lo, -f);
    else if (sign < 0)
      hi = std::min(hi, f);
    else if (k < 0)
      hi = lo - 1;
  }
};

}  // namespace

void rasterTile(const std::vector<const BinRecord*>& bin, const Target& tg, int tx0, int ty0, int tx1,
                int ty1, bool reference) {
  for (const BinRecord* rec : bin) {
    if (rec->kind == RecKind::Clear) {
      clearTile(static_cast<const ClearRec&>(*rec), tg, tx0, ty0, tx1, ty1);
      continue;
    }
    const Tri& t = static_cast<const Tri&>(*rec);
    int y0 = std::max(t.minY, ty0), y1 = std::min(t.maxY, ty1 - 1);
    int x0 = std::max(t.minX, tx0), x1 = std::min(t.maxX, tx1 - 1);
    if (reference) {
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          bool inside = true;
          for (int e = 0; e < 3; ++e) inside = inside && t.ea[e] * x + t.eb[e] * y + t.ec[e] >= 0;
          if (inside) shadePixel(t, tg, x, y);
        }
      continue;
    }
    if (y0 > y1) continue;
    Spans sp;
    sp.y0 = y0, sp.rows = y1 - y0 + 1;
    EdgeWalk w[3];
    for (int e = 0; e < 3; ++e) w[e].start(t.ea[e], t.eb[e], t.ec[e], y0);
    bool any = false;
    for (int r = 0; r < sp.rows; ++r) {
      int64_t lo = x0, hi = x1;
      for (int e = 0; e < 3; ++e) w[e].clip(lo, hi), w[e].step();
      if (lo <= hi) {
        sp.x0[r] = int32_t(lo), sp.x1[r] = int32_t(hi) + 1;
        any = true;
      } else {
        sp.x0[r] = sp.x1[r] = 0;
      }
    }
    if (any) t.ps->span(t, tg, sp);
  }
}

}  // namespace swr
