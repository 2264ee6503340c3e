// Clipping in homogeneous clip space: the near (z >= 0) and far (z <= w) planes exactly, the sides
// only where a vertex leaves the guard band, so almost every triangle skips this stage.
#include <cmath>

#include "clip.h"

namespace swr {
float clipDistance(ClipPlane plane, const PVertex& v, const ScreenMap& m) {
  switch (plane) {
    case ClipPlane::Near:
      return v.z;
    case ClipPlane::Far:
      return v.w - v.z;
    case ClipPlane::GuardLeft:
      return v.x - m.gx0 * v.w;
    case ClipPlane::GuardRight:
      return m.gx1 * v.w - v.x;
    case ClipPlane::GuardTop:
      return v.y - m.gy0 * v.w;
    case ClipPlane::GuardBottom:
      return m.gy1 * v.w - v.y;
    default:
      return v.w - kMinW;
  }
}

// Sutherland-Hodgman over the planes named in `codes`; every attribute is interpolated linearly in
// clip space. `out` and `scratch` hold at least 3 + kClipPlanes vertices.
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch) {
  if (codes & kClipInvalid) return 0;
  const PVertex* src = in;
  PVertex* bufs[2] = {scratch, out};
  // Pick buffers so the final pass lands in `out`.
  int passes = 0;
  for (int p = 0; p < kClipPlanes; ++p) passes += (codes >> p) & 1;
  int which = passes & 1 ? 1 : 0;
  for (int p = 0; p < kClipPlanes && n > 0; ++p) {
    if (!((codes >> p) & 1)) continue;
    PVertex* dst = bufs[which];
    which ^= 1;
    int k = 0;
    for (int i = 0; i < n; ++i) {
      const PVertex& a = src[i];
      const PVertex& b = src[(i + 1) % n];
      float da = clipDistance(ClipPlane(p), a, m), db = clipDistance(ClipPlane(p), b, m);
      if (da >= 0.0f) dst[k++] = a;
      if ((da >= 0.0f) != (db >= 0.0f)) {
        float t = da / (da - db);
        PVertex& r = dst[k++];
        r.x = a.x + (b.x - a.x) * t;
        r.y = a.y + (b.y - a.y) * t;
        r.z = a.z + (b.z - a.z) * t;
        r.w = a.w + (b.w - a.w) * t;
        for (int j = 0; j < nv; ++j) r.v[j] = a.v[j] + (b.v[j] - a.v[j]) * t;
        if (ClipPlane(p) == ClipPlane::Near) r.z = 0.0f;  // exactly on the plane, whatever the rounding
        if (ClipPlane(p) == ClipPlane::Far) r.z = r.w;
      }
    }
    n = k;
    src = dst;
  }
  if (src != out)
    for (int i = 0; i < n; ++i) out[i] = src[i];
  return n;
}

}  // namespace swr
