// Rasterisation of one tile: clears and triangles in submission order. Each covered row becomes one
// span (triangles are convex), found exactly from the fixed-point edge equations, and handed to the
// triangle's pixel routine. The reference mode tests every pixel of the bounds on its own instead.
#include <algorithm>
#include <cmath>

#include "raster.h"

#include "kernels.h"
#include "pixel.h"
#include "state.h"

namespace swr {
namespace {

// A clear's effect on the tile's pixels: colour replaced, depth-stencil words masked and set.
struct ClearOp {
  bool color = false, depth = false;
  uint32_t colorValue = 0;
  uint32_t keep = ~0u, set = 0;  // word = (word & keep) | set
};

ClearOp clearOp(const ClearRec& c, const Target& tg) {
  ClearOp op;
  op.color = (c.flags & D3DCLEAR_TARGET) && tg.color;
  bool z = (c.flags & D3DCLEAR_ZBUFFER) && tg.depth;
  bool s = (c.flags & D3DCLEAR_STENCIL) && tg.depth && tg.hasStencil;
  op.depth = z || s;
  op.colorValue = c.color;
  op.keep = (z ? 0u : 0xFFFFFF00u) | (s ? 0u : 0xFFu);
  op.set = (z ? c.zbits << 8 : 0u) | (s ? c.stencil & 0xFF : 0u);
  return op;
}

void applyClear(const ClearOp& op, const Target& tg, int x0, int y0, int x1, int y1) {
  if (x0 >= x1 || y0 >= y1) return;
  for (int y = y0; y < y1; ++y) {
    if (op.color)
      std::fill(tg.color + size_t(y) * tg.colorPitch + x0, tg.color + size_t(y) * tg.colorPitch + x1,
                op.colorValue);
    if (op.depth) {
      uint32_t* row = tg.depth + size_t(y) * tg.depthPitch;
      if (op.keep == 0)
        std::fill(row + x0, row + x1, op.set);
      else
        for (int x = x0; x < x1; ++x) row[x] = (row[x] & op.keep) | op.set;
    }
  }
}

// Every pixel of [x0, x1) x [y0, y1) is inside `t`. The edge functions are linear, so the
// rectangle's corners bound them.
bool coversTile(const Tri& t, int x0, int y0, int x1, int y1) {
  if (t.minX > x0 || t.minY > y0 || t.maxX < x1 - 1 || t.maxY < y1 - 1) return false;
  const int xs[2] = {x0, x1 - 1}, ys[2] = {y0, y1 - 1};
  for (int e = 0; e < 3; ++e)
    for (int x : xs)
      for (int y : ys)
        if (t.ea[e] * x + t.eb[e] * y + t.ec[e] < 0) return false;
  return true;
}

// Whole-tile clears wait until a triangle needs the memory (or the tile ends): runs of them
// merge into one pass, and a colour clear that the first triangle overwrites everywhere is never
// written at all; nor is a depth clear that it overwrites everywhere when its span routine can
// skip the test that the cleared depth would have passed.
class PendingClear {
 public:
  // `mayDropDepth`: triangles are drawn by their span routines (not the reference path).
  PendingClear(const Target& tg, int x0, int y0, int x1, int y1, bool mayDropDepth)
      : tg_(tg), x0_(x0), y0_(y0), x1_(x1), y1_(y1), mayDropDepth_(mayDropDepth) {}

  void clear(const ClearRec& c) {
    ClearOp op = clearOp(c, tg_);
    if (c.x0 > x0_ || c.y0 > y0_ || c.x1 < x1_ || c.y1 < y1_) {
      flush();
      applyClear(op, tg_, std::max(x0_, c.x0), std::max(y0_, c.y0), std::min(x1_, c.x1), std::min(y1_, c.y1));
      return;
    }
    if (op.color) op_.color = true, op_.colorValue = op.colorValue;
    if (op.depth) {
      op_.set = (op_.set & op.keep) | op.set;
      op_.keep &= op.keep;
      op_.depth = true;
    }
  }

  // Before triangle `t` is drawn; `whole`: it covers the tile. True: the depth clear was dropped
  // and t must be drawn with Spans::depthPasses.
  bool before(const Tri& t, bool whole) {
    const bool depth = whole && overwritesDepth(t);
    if (op_.color && whole && overwritesColor(t)) op_.color = false;
    if (depth) op_.depth = false, op_.keep = ~0u, op_.set = 0;
    flush();
    return depth;
  }

  void flush() {
    if (op_.color || op_.depth) applyClear(op_, tg_, x0_, y0_, x1_, y1_);
    op_ = ClearOp{};
  }

 private:
  // A pixel of the tile that `t` covers gets all 32 bits of its colour from it, whatever the colour
  // was: nothing can reject or blend the pixel.
  bool overwritesColor(const Tri& t) const {
    const PixelState& ps = *t.ps;
    if (ps.blend || ps.alphaTest || ps.writeMask != 0xFFFFFFFFu) return false;
    if (tg_.depth) {
      if (ps.stencil && tg_.hasStencil) return false;
      if (ps.depthTest && !depthAlwaysPasses(ps.zfunc)) return false;
    }
    return true;
  }

  // Every pixel of the tile that `t` covers gets the depth bits from it and keeps its stencil bits,
  // whatever the cleared depth was: the pending clear sets the depth alone, nothing can reject the
  // pixel, the test cannot fail against the cleared value, and t's span routine can skip it.
  bool overwritesDepth(const Tri& t) const {
    const PixelState& ps = *t.ps;
    if (!mayDropDepth_ || !op_.depth || op_.keep != 0xFFu || !tg_.depth) return false;
    if (ps.alphaTest || (ps.stencil && tg_.hasStencil)) return false;
    return ps.depthTest && ps.depthWrite && depthAlwaysPasses(ps.zfunc) && takesDepthPasses(t, tg_);
  }

  // Depth values lie in [0, 0xFFFFFF]; against a known cleared depth some functions cannot fail.
  bool depthAlwaysPasses(Compare f) const {
    if (f == Compare::Always) return true;
    if (!op_.depth || (op_.keep & 0xFFFFFF00u) != 0) return false;  // depth not known
    uint32_t d = op_.set >> 8;
    return (f == Compare::LessEqual && d == 0xFFFFFFu) || (f == Compare::GreaterEqual && d == 0);
  }

  const Target& tg_;
  int x0_, y0_, x1_, y1_;
  bool mayDropDepth_;
  ClearOp op_;
};

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
  PendingClear pending(tg, tx0, ty0, tx1, ty1, !reference);
  for (const BinRecord* rec : bin) {
    if (rec->kind == RecKind::Clear) {
      pending.clear(static_cast<const ClearRec&>(*rec));
      continue;
    }
    const Tri& t = static_cast<const Tri&>(*rec);
    const bool whole = coversTile(t, tx0, ty0, tx1, ty1);
    const bool depthPasses = pending.before(t, whole);
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
    sp.depthPasses = depthPasses;
    // Big triangles (the sky, the near ground) cover most of their tiles whole: no edges to walk.
    if (whole) {
      for (int r = 0; r < sp.rows; ++r) sp.x0[r] = x0, sp.x1[r] = x1 + 1;
      t.ps->span(t, tg, sp);
      continue;
    }
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
  pending.flush();
}

}  // namespace swr
