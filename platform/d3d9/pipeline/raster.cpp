// Rasterisation of one tile: clears and triangles in submission order. Each covered row becomes one
// span (triangles are convex), found exactly from the fixed-point edge equations, and handed to the
// triangle's pixel routine. The reference mode tests every pixel of the bounds on its own instead.
#include <algorithm>
#include <cmath>

#include "internal.h"

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

// Narrows [lo, hi] to the pixels of row y inside all three edges. Exact: the double estimate is
// corrected with the integer edge values.
bool rowSpan(const Tri& t, int64_t y, int64_t& lo, int64_t& hi) {
  for (int e = 0; e < 3; ++e) {
    int64_t a = t.ea[e], k = t.eb[e] * y + t.ec[e];
    if (a == 0) {
      if (k < 0) return false;
      continue;
    }
    double est = -double(k) * t.inv[e];
    est = std::clamp(est, double(lo - 2), double(hi + 2));
    int64_t x = int64_t(est);  // within one of the boundary; the loops settle it exactly
    if (a > 0) {
      while (x > lo && a * (x - 1) + k >= 0) --x;
      while (x <= hi && a * x + k < 0) ++x;
      lo = std::max(lo, x);
    } else {
      while (x < hi && a * (x + 1) + k >= 0) ++x;
      while (x >= lo && a * x + k < 0) --x;
      hi = std::min(hi, x);
    }
    if (lo > hi) return false;
  }
  return true;
}

}  // namespace

void rasterTile(const std::vector<const void*>& bin, const Target& tg, int tx0, int ty0, int tx1, int ty1,
                bool reference) {
  for (const void* rec : bin) {
    if (*static_cast<const RecKind*>(rec) == RecKind::Clear) {
      clearTile(*static_cast<const ClearRec*>(rec), tg, tx0, ty0, tx1, ty1);
      continue;
    }
    const Tri& t = *static_cast<const Tri*>(rec);
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
    bool any = false;
    for (int r = 0; r < sp.rows; ++r) {
      int64_t lo = x0, hi = x1;
      if (rowSpan(t, y0 + r, lo, hi)) {
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
