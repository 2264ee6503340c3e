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
SKYVALE_WIDE inline __m256 TwoRows(__m256 r, __m256 b0, __m256 b1, __m256 b2, __m256 b3) {
  __m256 p = _mm256_mul_ps(_mm256_shuffle_ps(r, r, _MM_SHUFFLE(0, 0, 0, 0)), b0);
  p = _mm256_fmadd_ps(_mm256_shuffle_ps(r, r, _MM_SHUFFLE(1, 1, 1, 1)), b1, p);
  p = _mm256_fmadd_ps(_mm256_shuffle_ps(r, r, _MM_SHUFFLE(2, 2, 2, 2)), b2, p);
  return _mm256_fmadd_ps(_mm256_shuffle_ps(r, r, _MM_SHUFFLE(3, 3, 3, 3)), b3, p);
}
SKYVALE_WIDE inline void Store2(float* p, __m128 v) { _mm_storel_pi(reinterpret_cast<__m64*>(p), v); }
SKYVALE_WIDE inline void Store3(float* p, __m128 v) {
  _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
  _mm_store_ss(p + 2, _mm_movehl_ps(v, v));
}

// Packed 12-byte outputs can take one 16-byte store per element, the fourth float spilling into
// the next element's x, which that element's own store then rewrites. Safe when the input is the
// very same array (each input is read before the previous output is stored) or lies wholly
// apart from the output.
bool CanSpill(const void* out, UINT os, const void* in, UINT is, UINT n) {
  if (os != 12 || n < 2) return false;
  const char* o = static_cast<const char*>(out);
  const char* i = static_cast<const char*>(in);
  if (o == i && is == os) return true;
  const size_t outBytes = (size_t)12 * n, inBytes = (size_t)is * (n - 1) + 12;
  return o + outBytes <= i || i + inBytes <= o;
}

template <typename Kernel>
SKYVALE_WIDE inline D3DXVECTOR3* Vec3Array(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs, UINT n,
                                           Kernel kernel) {
  D3DXVECTOR3* o = out;
  if (CanSpill(out, os, v, vs, n)) {
    __m128 cur = kernel(&v->x);
    for (UINT i = 1; i < n; ++i) {
      v = Step(v, vs);
      const __m128 next = kernel(&v->x);
      _mm_storeu_ps(&o->x, cur);
      o = Step(o, os);
      cur = next;
    }
    Store3(&o->x, cur);
    return out;
  }
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) Store3(&o->x, kernel(&v->x));
  return out;
}

}  // namespace

namespace mathavx2 {

// Two rows of the product per 256-bit register: each lane half splats its row's element k and
// multiplies the k-th row of B, broadcast to both halves.
SKYVALE_WIDE D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  const __m256 b0 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&b->_11));
  const __m256 b1 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&b->_21));
  const __m256 b2 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&b->_31));
  const __m256 b3 = _mm256_broadcast_ps(reinterpret_cast<const __m128*>(&b->_41));
  const __m256 a01 = _mm256_loadu_ps(&a->_11), a23 = _mm256_loadu_ps(&a->_31);
  const __m256 r01 = TwoRows(a01, b0, b1, b2, b3), r23 = TwoRows(a23, b0, b1, b2, b3);  // before any store
  _mm256_storeu_ps(&out->_11, r01);
  _mm256_storeu_ps(&out->_31, r23);
  return out;
}

SKYVALE_WIDE D3DXVECTOR3* Vec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  Store3(&out->x, Project(Point3(LoadRows(m), &v->x)));
  return out;
}

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
  return Vec3Array(out, os, v, vs, n, [M](const float* p) SKYVALE_WIDE { return Project(Point3(M, p)); });
}
SKYVALE_WIDE D3DXVECTOR3* Vec3TransformNormalArray(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                                                   const D3DXMATRIX* m, UINT n) {
  const WideRows M = LoadRows(m);
  return Vec3Array(out, os, v, vs, n, [M](const float* p) SKYVALE_WIDE { return Normal3(M, p); });
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
