// Array transforms for processors with AVX2 and FMA: each element is broadcast lane by lane from
// memory and accumulated with fused multiply-adds; loads and stores stay within the element.
#include "avx2.h"

#include <immintrin.h>

#include "../mathutil.h"

using mathutil::Step;

#define SKYVALE_WIDE __attribute__((target("avx2,fma")))

namespace {

struct WideRows {
  __m128 r0, r1, r2, r3;
};

SKYVALE_WIDE inline WideRows LoadRows(const D3DXMATRIX* m) {
  return {_mm_loadu_ps(&m->_11), _mm_loadu_ps(&m->_21), _mm_loadu_ps(&m->_31), _mm_loadu_ps(&m->_41)};
}

SKYVALE_WIDE inline __m128 Point3(const WideRows& m, const float* v) {
  __m128 r = _mm_fmadd_ps(_mm_broadcast_ss(v + 2), m.r2, m.r3);
  r = _mm_fmadd_ps(_mm_broadcast_ss(v + 1), m.r1, r);
  return _mm_fmadd_ps(_mm_broadcast_ss(v), m.r0, r);
}
SKYVALE_WIDE inline __m128 Normal3(const WideRows& m, const float* v) {
  __m128 r = _mm_mul_ps(_mm_broadcast_ss(v + 2), m.r2);
  r = _mm_fmadd_ps(_mm_broadcast_ss(v + 1), m.r1, r);
  return _mm_fmadd_ps(_mm_broadcast_ss(v), m.r0, r);
}
SKYVALE_WIDE inline __m128 Point2(const WideRows& m, const float* v) {
  return _mm_fmadd_ps(_mm_broadcast_ss(v), m.r0, _mm_fmadd_ps(_mm_broadcast_ss(v + 1), m.r1, m.r3));
}
SKYVALE_WIDE inline __m128 Normal2(const WideRows& m, const float* v) {
  return _mm_fmadd_ps(_mm_broadcast_ss(v), m.r0, _mm_mul_ps(_mm_broadcast_ss(v + 1), m.r1));
}
SKYVALE_WIDE inline __m128 Full4(const WideRows& m, const float* v) {
  __m128 r = _mm_fmadd_ps(_mm_broadcast_ss(v + 3), m.r3, _mm_mul_ps(_mm_broadcast_ss(v + 2), m.r2));
  r = _mm_fmadd_ps(_mm_broadcast_ss(v + 1), m.r1, r);
  return _mm_fmadd_ps(_mm_broadcast_ss(v), m.r0, r);
}
// Divides by w' with the refined reciprocal estimate, r' = r (2 - d r).
SKYVALE_WIDE inline __m128 Project(__m128 p) {
  const __m128 w = _mm_permute_ps(p, _MM_SHUFFLE(3, 3, 3, 3));
  const __m128 r = _mm_rcp_ps(w);
  return _mm_mul_ps(p, _mm_mul_ps(r, _mm_fnmadd_ps(w, r, _mm_set1_ps(2.0f))));
}
SKYVALE_WIDE inline void Store2(float* p, __m128 v) { _mm_storel_pi(reinterpret_cast<__m64*>(p), v); }
SKYVALE_WIDE inline void Store3(float* p, __m128 v) {
  _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
  _mm_store_ss(p + 2, _mm_movehl_ps(v, v));
}

}  // namespace

namespace mathavx2 {

SKYVALE_WIDE D3DXVECTOR4* Vec2TransformArray(D3DXVECTOR4* out, UINT os, const D3DXVECTOR2* v, UINT vs,
                                             const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXVECTOR4* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) _mm_storeu_ps(&o->x, Point2(M, &v->x));
  return out;
}
SKYVALE_WIDE D3DXVECTOR2* Vec2TransformCoordArray(D3DXVECTOR2* out, UINT os, const D3DXVECTOR2* v, UINT vs,
                                                  const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXVECTOR2* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) Store2(&o->x, Project(Point2(M, &v->x)));
  return out;
}
SKYVALE_WIDE D3DXVECTOR2* Vec2TransformNormalArray(D3DXVECTOR2* out, UINT os, const D3DXVECTOR2* v, UINT vs,
                                                   const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXVECTOR2* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) Store2(&o->x, Normal2(M, &v->x));
  return out;
}
SKYVALE_WIDE D3DXVECTOR4* Vec3TransformArray(D3DXVECTOR4* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                                             const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXVECTOR4* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) _mm_storeu_ps(&o->x, Point3(M, &v->x));
  return out;
}
SKYVALE_WIDE D3DXVECTOR3* Vec3TransformCoordArray(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                                                  const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXVECTOR3* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) Store3(&o->x, Project(Point3(M, &v->x)));
  return out;
}
SKYVALE_WIDE D3DXVECTOR3* Vec3TransformNormalArray(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                                                   const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXVECTOR3* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) Store3(&o->x, Normal3(M, &v->x));
  return out;
}
SKYVALE_WIDE D3DXVECTOR4* Vec4TransformArray(D3DXVECTOR4* out, UINT os, const D3DXVECTOR4* v, UINT vs,
                                             const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXVECTOR4* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) _mm_storeu_ps(&o->x, Full4(M, &v->x));
  return out;
}
SKYVALE_WIDE D3DXPLANE* PlaneTransformArray(D3DXPLANE* out, UINT os, const D3DXPLANE* p, UINT ps,
                                            const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  D3DXPLANE* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), p = Step(p, ps)) _mm_storeu_ps(&o->a, Full4(M, &p->a));
  return out;
}

}  // namespace mathavx2
