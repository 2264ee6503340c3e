// Vector kernels shared by the SSE and SSE2 sets. Reciprocals and reciprocal square roots come
// from the hardware estimates refined by one Newton-Raphson step. Loads and stores touch only
// the bytes of the element (2, 3 or 4 floats), so arrays with tight strides stay in bounds.
#pragma once
#include <emmintrin.h>
#include <xmmintrin.h>

#include "../dispatch.h"

namespace simd {

#define SKYVALE_SPLAT(v, i) _mm_shuffle_ps((v), (v), _MM_SHUFFLE(i, i, i, i))

inline __m128 Load2(const float* p) {
  return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p));
}
inline __m128 Load3(const float* p) { return _mm_movelh_ps(Load2(p), _mm_load_ss(p + 2)); }
inline __m128 Load4(const float* p) { return _mm_loadu_ps(p); }
inline void Store2(float* p, __m128 v) { _mm_storel_pi(reinterpret_cast<__m64*>(p), v); }
inline void Store3(float* p, __m128 v) {
  Store2(p, v);
  _mm_store_ss(p + 2, _mm_movehl_ps(v, v));
}
inline void Store4(float* p, __m128 v) { _mm_storeu_ps(p, v); }

// r' = r (2 - d r)
inline __m128 Rcp(__m128 d) {
  const __m128 r = _mm_rcp_ps(d);
  return _mm_mul_ps(r, _mm_sub_ps(_mm_set1_ps(2.0f), _mm_mul_ps(d, r)));
}
// r' = r/2 (3 - n r^2)
inline __m128 RSqrt(__m128 n) {
  const __m128 r = _mm_rsqrt_ps(n);
  const __m128 nrr = _mm_mul_ps(_mm_mul_ps(n, r), r);
  return _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(0.5f), r), _mm_sub_ps(_mm_set1_ps(3.0f), nrr));
}

// Sum of the four lanes, in every lane.
inline __m128 HSum(__m128 v) {
  const __m128 s = _mm_add_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_add_ps(s, _mm_shuffle_ps(s, s, _MM_SHUFFLE(1, 0, 3, 2)));
}
inline __m128 Dot4(__m128 a, __m128 b) { return HSum(_mm_mul_ps(a, b)); }

struct Rows {
  __m128 r0, r1, r2, r3;
  explicit Rows(const D3DXMATRIX* m)
      : r0(Load4(&m->_11)), r1(Load4(&m->_21)), r2(Load4(&m->_31)), r3(Load4(&m->_41)) {}
};

// (x, y, z, w) times the rows.
inline __m128 Row4(const Rows& m, __m128 v) {
  __m128 r = _mm_mul_ps(SKYVALE_SPLAT(v, 0), m.r0);
  r = _mm_add_ps(r, _mm_mul_ps(SKYVALE_SPLAT(v, 1), m.r1));
  r = _mm_add_ps(r, _mm_mul_ps(SKYVALE_SPLAT(v, 2), m.r2));
  return _mm_add_ps(r, _mm_mul_ps(SKYVALE_SPLAT(v, 3), m.r3));
}
// (x, y, z, 1) times the rows.
inline __m128 Row3Point(const Rows& m, __m128 v) {
  __m128 r = _mm_add_ps(_mm_mul_ps(SKYVALE_SPLAT(v, 0), m.r0), m.r3);
  r = _mm_add_ps(r, _mm_mul_ps(SKYVALE_SPLAT(v, 1), m.r1));
  return _mm_add_ps(r, _mm_mul_ps(SKYVALE_SPLAT(v, 2), m.r2));
}
// (x, y, z, 0) times the rows.
inline __m128 Row3Normal(const Rows& m, __m128 v) {
  __m128 r = _mm_mul_ps(SKYVALE_SPLAT(v, 0), m.r0);
  r = _mm_add_ps(r, _mm_mul_ps(SKYVALE_SPLAT(v, 1), m.r1));
  return _mm_add_ps(r, _mm_mul_ps(SKYVALE_SPLAT(v, 2), m.r2));
}
// (x, y, 0, 1) and (x, y, 0, 0) times the rows.
inline __m128 Row2Point(const Rows& m, __m128 v) {
  return _mm_add_ps(_mm_add_ps(_mm_mul_ps(SKYVALE_SPLAT(v, 0), m.r0), _mm_mul_ps(SKYVALE_SPLAT(v, 1), m.r1)),
                    m.r3);
}
inline __m128 Row2Normal(const Rows& m, __m128 v) {
  return _mm_add_ps(_mm_mul_ps(SKYVALE_SPLAT(v, 0), m.r0), _mm_mul_ps(SKYVALE_SPLAT(v, 1), m.r1));
}
// Divides by w' always (no near-1 test).
inline __m128 Project(__m128 r) { return _mm_mul_ps(r, Rcp(SKYVALE_SPLAT(r, 3))); }

// 3-vector cross product of the first three lanes.
inline __m128 Cross3(__m128 a, __m128 b) {
  const __m128 a1 = _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 0, 2, 1)),
               b1 = _mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 0, 2, 1));
  const __m128 c = _mm_sub_ps(_mm_mul_ps(a, b1), _mm_mul_ps(a1, b));
  return _mm_shuffle_ps(c, c, _MM_SHUFFLE(3, 0, 2, 1));
}

// Normalises by the length of the first three lanes, scaling all four; zero when n < 2^-46.
inline __m128 Normalize3Scaled(__m128 v) {
  const __m128 xyz = _mm_and_ps(v, _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1)));
  const __m128 n = Dot4(xyz, xyz);
  const __m128 keep = _mm_cmpge_ps(n, _mm_set1_ps(1.4210855e-14f));
  return _mm_and_ps(_mm_mul_ps(v, RSqrt(n)), keep);
}

// The 4x4 inverse by 2x2 blocks. Returns the determinant in every lane and, in `out`, the
// adjugate scaled by the refined reciprocal of the determinant.
inline __m128 Mat2Mul(__m128 a, __m128 b) {
  return _mm_add_ps(_mm_mul_ps(a, _mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 0, 3, 0))),
                    _mm_mul_ps(_mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 3, 0, 1)),
                               _mm_shuffle_ps(b, b, _MM_SHUFFLE(1, 2, 1, 2))));
}
inline __m128 Mat2AdjMul(__m128 a, __m128 b) {
  return _mm_sub_ps(_mm_mul_ps(_mm_shuffle_ps(a, a, _MM_SHUFFLE(0, 0, 3, 3)), b),
                    _mm_mul_ps(_mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 2, 1, 1)),
                               _mm_shuffle_ps(b, b, _MM_SHUFFLE(1, 0, 3, 2))));
}
inline __m128 Mat2MulAdj(__m128 a, __m128 b) {
  return _mm_sub_ps(_mm_mul_ps(a, _mm_shuffle_ps(b, b, _MM_SHUFFLE(0, 3, 0, 3))),
                    _mm_mul_ps(_mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 3, 0, 1)),
                               _mm_shuffle_ps(b, b, _MM_SHUFFLE(1, 2, 1, 2))));
}

struct InverseParts {
  __m128 det;
  __m128 x, y, z, w;  // unscaled 2x2 blocks of the adjugate
};

inline InverseParts InverseBlocks(const Rows& m) {
  const __m128 A = _mm_movelh_ps(m.r0, m.r1), B = _mm_movehl_ps(m.r1, m.r0);
  const __m128 C = _mm_movelh_ps(m.r2, m.r3), D = _mm_movehl_ps(m.r3, m.r2);
  const __m128 detSub = _mm_sub_ps(_mm_mul_ps(_mm_shuffle_ps(m.r0, m.r2, _MM_SHUFFLE(2, 0, 2, 0)),
                                              _mm_shuffle_ps(m.r1, m.r3, _MM_SHUFFLE(3, 1, 3, 1))),
                                   _mm_mul_ps(_mm_shuffle_ps(m.r0, m.r2, _MM_SHUFFLE(3, 1, 3, 1)),
                                              _mm_shuffle_ps(m.r1, m.r3, _MM_SHUFFLE(2, 0, 2, 0))));
  const __m128 detA = SKYVALE_SPLAT(detSub, 0), detB = SKYVALE_SPLAT(detSub, 1);
  const __m128 detC = SKYVALE_SPLAT(detSub, 2), detD = SKYVALE_SPLAT(detSub, 3);
  const __m128 DC = Mat2AdjMul(D, C), AB = Mat2AdjMul(A, B);
  InverseParts p;
  p.x = _mm_sub_ps(_mm_mul_ps(detD, A), Mat2Mul(B, DC));
  p.w = _mm_sub_ps(_mm_mul_ps(detA, D), Mat2Mul(C, AB));
  p.y = _mm_sub_ps(_mm_mul_ps(detB, C), Mat2MulAdj(D, AB));
  p.z = _mm_sub_ps(_mm_mul_ps(detC, B), Mat2MulAdj(A, DC));
  const __m128 tr = HSum(_mm_mul_ps(AB, _mm_shuffle_ps(DC, DC, _MM_SHUFFLE(3, 1, 2, 0))));
  p.det = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(detA, detD), _mm_mul_ps(detB, detC)), tr);
  return p;
}

inline void InverseFinish(const InverseParts& p, D3DXMATRIX* out) {
  const __m128 r = _mm_mul_ps(_mm_setr_ps(1, -1, -1, 1), Rcp(p.det));
  const __m128 x = _mm_mul_ps(p.x, r), y = _mm_mul_ps(p.y, r), z = _mm_mul_ps(p.z, r), w = _mm_mul_ps(p.w, r);
  Store4(&out->_11, _mm_shuffle_ps(x, y, _MM_SHUFFLE(1, 3, 1, 3)));
  Store4(&out->_21, _mm_shuffle_ps(x, y, _MM_SHUFFLE(0, 2, 0, 2)));
  Store4(&out->_31, _mm_shuffle_ps(z, w, _MM_SHUFFLE(1, 3, 1, 3)));
  Store4(&out->_41, _mm_shuffle_ps(z, w, _MM_SHUFFLE(0, 2, 0, 2)));
}

// Hamilton product q2 q1 (rotation q1 then q2), lanes x, y, z, w.
inline __m128 QuatMul(__m128 a, __m128 b) {
  // x = w2 x1 + x2 w1 + y2 z1 - z2 y1, etc.
  const __m128 bw = SKYVALE_SPLAT(b, 3);
  __m128 r = _mm_mul_ps(bw, a);
  r = _mm_add_ps(r, _mm_mul_ps(_mm_mul_ps(SKYVALE_SPLAT(b, 0), _mm_shuffle_ps(a, a, _MM_SHUFFLE(0, 1, 2, 3))),
                               _mm_setr_ps(1, -1, 1, -1)));
  r = _mm_add_ps(r, _mm_mul_ps(_mm_mul_ps(SKYVALE_SPLAT(b, 1), _mm_shuffle_ps(a, a, _MM_SHUFFLE(1, 0, 3, 2))),
                               _mm_setr_ps(1, 1, -1, -1)));
  r = _mm_add_ps(r, _mm_mul_ps(_mm_mul_ps(SKYVALE_SPLAT(b, 2), _mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 3, 0, 1))),
                               _mm_setr_ps(-1, 1, 1, -1)));
  return r;
}

}  // namespace simd
