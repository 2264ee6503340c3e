// Triangle setup: screen mapping and snapping, culling, fixed-point edge equations with the
// top-left rule, attribute planes; lines and points become screen-space quads.
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "setup.h"

#include "clip.h"

namespace swr {
namespace {

// Clipping keeps positions inside the guard band; the clamp only guards against rounding in
// extreme inputs so the fixed-point edge equations can never overflow.
int32_t snap(float v) {
  v = v > -2.0f * kGuard ? (v < 2.0f * kGuard ? v : 2.0f * kGuard) : -2.0f * kGuard;  // NaN to the low end
  // Round to nearest even, as lrintf in the default mode, without the library call.
  return _mm_cvtss_si32(_mm_set_ss(v * kSubScale));
}

// Rasterises a triangle whose vertices are already in the wanted winding (area > 0 after swapping).
void emitTriangle(Binner& b, const PixelState& ps, const SVertex* v[3], bool back) {
  int32_t X[3] = {v[0]->fx, v[1]->fx, v[2]->fx}, Y[3] = {v[0]->fy, v[1]->fy, v[2]->fy};
  int64_t area = int64_t(X[1] - X[0]) * (Y[2] - Y[0]) - int64_t(Y[1] - Y[0]) * (X[2] - X[0]);
  if (area == 0) return;
  int32_t minX = (std::min({X[0], X[1], X[2]}) + (1 << kSubBits) - 1) >> kSubBits;
  int32_t minY = (std::min({Y[0], Y[1], Y[2]}) + (1 << kSubBits) - 1) >> kSubBits;
  int32_t maxX = std::max({X[0], X[1], X[2]}) >> kSubBits;
  int32_t maxY = std::max({Y[0], Y[1], Y[2]}) >> kSubBits;
  minX = std::max(minX, b.scissor[0]), minY = std::max(minY, b.scissor[1]);
  maxX = std::min(maxX, b.scissor[2] - 1), maxY = std::min(maxY, b.scissor[3] - 1);
  if (minX > maxX || minY > maxY) return;

  const int nv = ps.varyingCount;
  Tri* t = static_cast<Tri*>(b.alloc(triBytes(nv)));
  t->kind = RecKind::Triangle;
  t->back = back;
  t->diffuse8 = v[0]->diffuse8;
  t->constDiffuse = v[0]->diffuse8 == v[1]->diffuse8 && v[0]->diffuse8 == v[2]->diffuse8;
  t->nv = uint16_t(nv);
  t->ps = &ps;
  t->minX = minX, t->minY = minY, t->maxX = maxX, t->maxY = maxY;
  int order[3] = {0, 1, 2};
  if (area < 0) std::swap(order[1], order[2]);
  for (int i = 0; i < 3; ++i) {
    int a = order[i], c = order[(i + 1) % 3];
    int64_t dx = X[c] - X[a], dy = Y[c] - Y[a];
    bool topLeft = (dy == 0 && dx > 0) || dy < 0;
    t->ea[i] = -dy * (1 << kSubBits);
    t->eb[i] = dx * (1 << kSubBits);
    t->ec[i] = -dx * Y[a] + dy * X[a] - (topLeft ? 0 : 1);
  }
  // Attribute planes from the snapped positions, relative to vertex 0.
  float x1 = float(X[1] - X[0]) / kSubScale, y1 = float(Y[1] - Y[0]) / kSubScale;
  float x2 = float(X[2] - X[0]) / kSubScale, y2 = float(Y[2] - Y[0]) / kSubScale;
  double inv = double(kSubScale) * double(kSubScale) / double(area);
  t->refX = float(X[0]) / kSubScale, t->refY = float(Y[0]) / kSubScale;
  auto plane = [&](float a0, float a1, float a2) {
    float d1 = a1 - a0, d2 = a2 - a0;
    return Plane{a0, float((double(d1) * y2 - double(d2) * y1) * inv),
                 float((double(d2) * x1 - double(d1) * x2) * inv)};
  };
  t->z = plane(v[0]->z, v[1]->z, v[2]->z);
  t->rhw = plane(v[0]->rhw, v[1]->rhw, v[2]->rhw);
  // A shared diffuse colour is read from diffuse8 by every pixel path; its planes stay unset.
  for (int i = t->constDiffuse ? 4 : 0; i < nv; ++i) t->v[i] = plane(v[0]->v[i], v[1]->v[i], v[2]->v[i]);
  b.addTri(t);
}

uint32_t pack8(const float* c) {
  auto q = [](float x) {
    x = x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f);
    return uint32_t(x * 255.0f + 0.5f);
  };
  return q(c[3]) << 24 | q(c[0]) << 16 | q(c[1]) << 8 | q(c[2]);
}

SVertex moved(const SVertex& s, float x, float y) {
  SVertex r = s;
  r.x = x, r.y = y;
  r.fx = snap(x), r.fy = snap(y);
  return r;
}

}  // namespace

uint32_t packDiffuse(const float* rgba) { return pack8(rgba); }

void toScreen(const PVertex& p, const ScreenMap& m, int nv, SVertex& s, int64_t diffuse8) {
  float rhw = 1.0f / p.w;
  s.x = m.ox + p.x * rhw * m.scx;
  s.y = m.oy + p.y * rhw * m.scy;
  s.z = m.oz + p.z * rhw * m.scz;
  s.rhw = rhw;
  s.fx = snap(s.x), s.fy = snap(s.y);
  for (int i = 0; i < nv; ++i) s.v[i] = p.v[i] * rhw;
  s.diffuse8 = diffuse8 >= 0 ? uint32_t(diffuse8) : pack8(p.v);
}

// toScreen for a whole batch, four lanes at a time: the same products and sums per lane, the same
// clamp (NaN to the low end) and rounding of the snap.
void screenVertices(const PVertex* in, uint32_t count, const ScreenMap& m, int nv, int64_t diffuse8,
                    const uint32_t* codes, SVertex* out) {
  const __m128 scale = _mm_setr_ps(m.scx, m.scy, m.scz, 0.0f), offset = _mm_setr_ps(m.ox, m.oy, m.oz, 0.0f);
  const __m128 lo = _mm_set1_ps(-2.0f * kGuard), hi = _mm_set1_ps(2.0f * kGuard),
               sub = _mm_set1_ps(kSubScale);
  for (uint32_t i = 0; i < count; ++i) {
    if (codes[i] & kClipPlaneBits) continue;
    const PVertex& p = in[i];
    SVertex& s = out[i];
    const float rhw = 1.0f / p.w;
    const __m128 r = _mm_set1_ps(rhw);
    const __m128 pos = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(_mm_loadu_ps(&p.x), r), scale), offset);
    _mm_storeu_ps(&s.x, pos);
    s.rhw = rhw;
    // max(v, lo) is lo for NaN, then min(., hi).
    const __m128i f = _mm_cvtps_epi32(_mm_mul_ps(_mm_min_ps(_mm_max_ps(pos, lo), hi), sub));
    s.fx = _mm_cvtsi128_si32(f), s.fy = _mm_cvtsi128_si32(_mm_shuffle_epi32(f, _MM_SHUFFLE(1, 1, 1, 1)));
    // Varyings come in fours and twos; the tails stay out of the compiler's vector loops, whose
    // set-up would cost more than the work.
    int k = 0;
    for (; k + 4 <= nv; k += 4) _mm_storeu_ps(s.v + k, _mm_mul_ps(_mm_loadu_ps(p.v + k), r));
    if (k + 2 <= nv) {
      const __m128 two = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p.v + k)));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(s.v + k), _mm_castps_si128(_mm_mul_ps(two, r)));
      k += 2;
    }
    if (k < nv) s.v[k] = p.v[k] * rhw;
    s.diffuse8 = diffuse8 >= 0 ? uint32_t(diffuse8) : pack8(p.v);
  }
}

void setupTriangle(Binner& b, const PixelState& ps, const SVertex& a, const SVertex& c1, const SVertex& c2,
                   bool cull) {
  int64_t area = int64_t(c1.fx - a.fx) * (c2.fy - a.fy) - int64_t(c1.fy - a.fy) * (c2.fx - a.fx);
  if (area == 0 && ps.fill == FillMode::Solid) return;
  bool back = area < 0;
  if (cull && ((ps.cull == Cull::CounterClockwise && area < 0) || (ps.cull == Cull::Clockwise && area > 0)))
    return;
  if (ps.fill == FillMode::Wireframe) {
    setupLine(b, ps, a, c1);
    setupLine(b, ps, c1, c2);
    setupLine(b, ps, c2, a);
    return;
  }
  if (ps.fill == FillMode::Point) {
    setupPoint(b, ps, a, ps.pointSize);
    setupPoint(b, ps, c1, ps.pointSize);
    setupPoint(b, ps, c2, ps.pointSize);
    return;
  }
  const SVertex* v[3] = {&a, &c1, &c2};
  emitTriangle(b, ps, v, back);
}

// A one-pixel-wide quad along the line: across the minor axis it covers exactly one pixel centre
// per step, along the major axis from the first endpoint to the last (inclusive with LASTPIXEL).
void setupLine(Binner& b, const PixelState& ps, const SVertex& p0, const SVertex& p1) {
  float dx = p1.x - p0.x, dy = p1.y - p0.y;
  bool xMajor = std::fabs(dx) >= std::fabs(dy);
  float major = xMajor ? std::fabs(dx) : std::fabs(dy);
  if (!(major > 0.0f)) {
    if (ps.lastPixel) setupPoint(b, ps, p0, 1.0f);
    return;
  }
  float ux = dx / major, uy = dy / major;  // one step along the major axis
  float s0 = 0.5f, s1 = ps.lastPixel ? 0.5f : -0.5f;
  float ax = p0.x - ux * s0, ay = p0.y - uy * s0, bx = p1.x + ux * s1, by = p1.y + uy * s1;
  float ox = xMajor ? 0.0f : 0.5f, oy = xMajor ? 0.5f : 0.0f;
  SVertex q[4] = {moved(p0, ax - ox, ay - oy), moved(p1, bx - ox, by - oy), moved(p1, bx + ox, by + oy),
                  moved(p0, ax + ox, ay + oy)};
  const SVertex* t0[3] = {&q[0], &q[1], &q[2]};
  const SVertex* t1[3] = {&q[0], &q[2], &q[3]};
  emitTriangle(b, ps, t0, false);
  emitTriangle(b, ps, t1, false);
}

void setupPoint(Binner& b, const PixelState& ps, const SVertex& p, float size) {
  float h = std::fmax(size, 1.0f) * 0.5f;
  SVertex q[4] = {moved(p, p.x - h, p.y - h), moved(p, p.x + h, p.y - h), moved(p, p.x + h, p.y + h),
                  moved(p, p.x - h, p.y + h)};
  const SVertex* t0[3] = {&q[0], &q[1], &q[2]};
  const SVertex* t1[3] = {&q[0], &q[2], &q[3]};
  emitTriangle(b, ps, t0, false);
  emitTriangle(b, ps, t1, false);
}

}  // namespace swr
