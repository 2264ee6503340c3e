// The 3DNow! set in portable code. No current processor runs these instructions, so the set
// keeps their numeric contract instead: reciprocals and reciprocal square roots start from a
// 14-bit estimate and are refined by one Newton-Raphson step. Slots whose formulas need neither
// are served by the reference code, which is what those versions compute.
#include <cmath>

#include "../adjugate.h"
#include "../dispatch.h"
#include "../mathutil.h"
#include "sse.h"

using namespace mathutil;

namespace {

// The estimate: the exact value with its mantissa cut to 14 bits.
float Estimate(float x) { return FromBits(Bits(x) & 0xFFFFFE00u); }

float Rcp(float d) {
  const float r = Estimate(1.0f / d);
  return r * (2.0f - d * r);
}

float RSqrt(float n) {
  const float r = Estimate(1.0f / std::sqrt(n));
  return 0.5f * r * (3.0f - n * r * r);
}

// The reference normalisation with the estimated reciprocal square root.
template <int N>
void NormalizeN(float* out, const float* in) {
  float v[N], n = 0.0f;
  for (int i = 0; i < N; ++i) {
    v[i] = in[i];
    n += v[i] * v[i];
  }
  if (NearOne(n)) {
    for (int i = 0; i < N; ++i) out[i] = v[i];
    return;
  }
  if (!(n > kMinNormal)) {
    for (int i = 0; i < N; ++i) out[i] = 0.0f;
    return;
  }
  const float r = RSqrt(n);
  for (int i = 0; i < N; ++i) out[i] = v[i] * r;
}

template <int N>
void TransformCoordN(float* out, const float* in, const D3DXMATRIX* m) {
  float v[4] = {in[0], in[1], N == 3 ? in[2] : 0.0f, 1.0f}, r[4];
  for (int c = 0; c < 4; ++c)
    r[c] = v[0] * m->m[0][c] + v[1] * m->m[1][c] + v[2] * m->m[2][c] + v[3] * m->m[3][c];
  if (!NearOne(r[3])) {
    const float k = Rcp(r[3]);
    for (int i = 0; i < N; ++i) r[i] *= k;
  }
  for (int i = 0; i < N; ++i) out[i] = r[i];
}

}  // namespace

namespace math3dnow {

// Zero unless n exceeds the smallest normal; no copy shortcut.
D3DXVECTOR3* Vec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  const D3DXVECTOR3 c = *v;
  const float n = c.x * c.x + c.y * c.y + c.z * c.z;
  if (!(n > kMinNormal)) {
    *out = D3DXVECTOR3(0, 0, 0);
    return out;
  }
  const float r = RSqrt(n);
  *out = D3DXVECTOR3(c.x * r, c.y * r, c.z * r);
  return out;
}
D3DXVECTOR2* Vec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
  NormalizeN<2>(&out->x, &v->x);
  return out;
}
D3DXVECTOR4* Vec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
  NormalizeN<4>(&out->x, &v->x);
  return out;
}
D3DXQUATERNION* QuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  NormalizeN<4>(&out->x, &q->x);
  return out;
}
D3DXPLANE* PlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
  const D3DXPLANE c = *p;
  const float n = c.a * c.a + c.b * c.b + c.c * c.c;
  if (NearOne(n)) {
    *out = c;
  } else if (!(n > kMinNormal)) {
    *out = D3DXPLANE(0, 0, 0, 0);
  } else {
    *out = c * RSqrt(n);
  }
  return out;
}

D3DXVECTOR2* Vec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  TransformCoordN<2>(&out->x, &v->x, m);
  return out;
}
D3DXVECTOR3* Vec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  TransformCoordN<3>(&out->x, &v->x, m);
  return out;
}

FLOAT MatrixDeterminant(const D3DXMATRIX* m) {
  float adj[4][4];
  return Adjugate4(m, adj);
}

// The extended set (Ext) has its own inverse; both follow the reference's checks.
template <bool Ext>
D3DXMATRIX* MatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m) {
  float adj[4][4];
  const float det = Adjugate4(m, adj);
  if (determinant) *determinant = det;
  if (det == 0.0f) return nullptr;
  const float r = Rcp(det);
  if (!std::isfinite(r)) return nullptr;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) out->m[i][j] = r * adj[i][j];
  return out;
}

D3DXVECTOR3* PlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                const D3DXVECTOR3* v2) {
  const D3DXVECTOR3 a = *v1, b = *v2;
  const float d1 = p->a * a.x + p->b * a.y + p->c * a.z, d2 = p->a * b.x + p->b * b.y + p->c * b.z;
  const float den = d1 - d2;
  if (den == 0.0f) return nullptr;
  const float t = (d1 + p->d) * Rcp(den);
  if (!std::isfinite(t)) return nullptr;
  *out = D3DXVECTOR3(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
  return out;
}

template <bool Ext>
D3DXQUATERNION* QuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
  const float t = m->_11 + m->_22 + m->_33;
  float q[4];
  if (t > 0.0f) {
    const float r = RSqrt(t + 1.0f), k = 0.5f * r;
    q[0] = (m->_23 - m->_32) * k;
    q[1] = (m->_31 - m->_13) * k;
    q[2] = (m->_12 - m->_21) * k;
    q[3] = 0.5f * (t + 1.0f) * r;
  } else {
    const float d[3] = {m->_11 - m->_22 - m->_33, m->_22 - m->_11 - m->_33, m->_33 - m->_22 - m->_11};
    int i = d[0] >= d[1] ? 0 : 1;
    if (d[2] > d[i]) i = 2;
    const int j = (i + 1) % 3, l = (j + 1) % 3;
    const float r = RSqrt(d[i] + 1.0f), k = 0.5f * r;
    q[i] = 0.5f * (d[i] + 1.0f) * r;
    q[j] = (m->m[i][j] + m->m[j][i]) * k;
    q[l] = (m->m[i][l] + m->m[l][i]) * k;
    q[3] = (m->m[j][l] - m->m[l][j]) * k;
  }
  *out = D3DXQUATERNION(q);
  return out;
}

D3DXQUATERNION* QuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const D3DXQUATERNION c(-q->x, -q->y, -q->z, q->w);
  const float n = q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w;
  if (!(n > kQuatInverseMin)) {
    *out = D3DXQUATERNION(0, 0, 0, 0);
  } else if (NearOne(n)) {
    *out = c;
  } else {
    *out = c * Rcp(n);
  }
  return out;
}

// The extended versions of the remaining three: the reference formulas (they divide nothing or
// divide through routines already in the table).
template <bool Ext>
D3DXVECTOR3* Vec3Unproject(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp,
                           const D3DXMATRIX* p, const D3DXMATRIX* view, const D3DXMATRIX* world) {
  return mathref::Vec3Unproject(out, v, vp, p, view, world);
}
template <bool Ext>
D3DXMATRIX* MatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  return mathref::MatrixRotationQuaternion(out, q);
}
template <bool Ext>
D3DXMATRIX* MatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* sc, const D3DXQUATERNION* sr,
                                 const D3DXVECTOR3* s, const D3DXVECTOR3* rc, const D3DXQUATERNION* r,
                                 const D3DXVECTOR3* t) {
  return mathref::MatrixTransformation(out, sc, sr, s, rc, r, t);
}

}  // namespace math3dnow

namespace {

// The last routine the 3DNow! set covers; the arrays after it come from the SSE set, if at all.
constexpr MathSlot k3DNowLast = MathSlot::Float16To32Array;

// Every routine up to k3DNowLast gets the reference formulas first; the lists replace some.
void Install3DNowReferences(MathDispatchTable& t) {
#define SKYVALE_REFERENCE_UP_TO_LAST(name, ret, params, args) \
  if (MathSlot::name <= k3DNowLast) StoreSlot(t.name, &mathref::name);
  SKYVALE_MATH_SLOTS(SKYVALE_REFERENCE_UP_TO_LAST)
#undef SKYVALE_REFERENCE_UP_TO_LAST
}

constexpr SlotInstaller k3DNowSet[] = {
    SKYVALE_ROUTINE(Vec3Normalize, math3dnow::Vec3Normalize),
    SKYVALE_ROUTINE(Vec2Normalize, math3dnow::Vec2Normalize),
    SKYVALE_ROUTINE(Vec4Normalize, math3dnow::Vec4Normalize),
    SKYVALE_ROUTINE(QuaternionNormalize, math3dnow::QuaternionNormalize),
    SKYVALE_ROUTINE(PlaneNormalize, math3dnow::PlaneNormalize),
    SKYVALE_ROUTINE(Vec2TransformCoord, math3dnow::Vec2TransformCoord),
    SKYVALE_ROUTINE(Vec3TransformCoord, math3dnow::Vec3TransformCoord),
    SKYVALE_ROUTINE(MatrixDeterminant, math3dnow::MatrixDeterminant),
    SKYVALE_ROUTINE(MatrixInverse, math3dnow::MatrixInverse<false>),
    SKYVALE_ROUTINE(PlaneIntersectLine, math3dnow::PlaneIntersectLine),
    SKYVALE_ROUTINE(QuaternionRotationMatrix, math3dnow::QuaternionRotationMatrix<false>),
    SKYVALE_ROUTINE(QuaternionInverse, math3dnow::QuaternionInverse),
    SKYVALE_ROUTINE(Vec3Unproject, math3dnow::Vec3Unproject<false>),
    SKYVALE_ROUTINE(MatrixRotationQuaternion, math3dnow::MatrixRotationQuaternion<false>),
    SKYVALE_ROUTINE(MatrixTransformation, math3dnow::MatrixTransformation<false>),
};

// With the extended 3DNow! and MMX instructions as well.
constexpr SlotInstaller k3DNowExtSet[] = {
    SKYVALE_ROUTINE(Vec3Unproject, math3dnow::Vec3Unproject<true>),
    SKYVALE_ROUTINE(MatrixInverse, math3dnow::MatrixInverse<true>),
    SKYVALE_ROUTINE(QuaternionRotationMatrix, math3dnow::QuaternionRotationMatrix<true>),
    SKYVALE_ROUTINE(MatrixRotationQuaternion, math3dnow::MatrixRotationQuaternion<true>),
    SKYVALE_ROUTINE(MatrixTransformation, math3dnow::MatrixTransformation<true>),
};

// The array transforms, taken from the SSE set when the processor also has SSE.
constexpr SlotInstaller k3DNowWithSseSet[] = {
    SKYVALE_ROUTINE(Vec2TransformArray, mathsse::Vec2TransformArray),
    SKYVALE_ROUTINE(Vec2TransformCoordArray, mathsse::Vec2TransformCoordArray),
    SKYVALE_ROUTINE(Vec2TransformNormalArray, mathsse::Vec2TransformNormalArray),
    SKYVALE_ROUTINE(Vec3TransformArray, mathsse::Vec3TransformArray),
    SKYVALE_ROUTINE(Vec3TransformCoordArray, mathsse::Vec3TransformCoordArray),
    SKYVALE_ROUTINE(Vec3TransformNormalArray, mathsse::Vec3TransformNormalArray),
    SKYVALE_ROUTINE(Vec4TransformArray, mathsse::Vec4TransformArray),
    SKYVALE_ROUTINE(PlaneTransformArray, mathsse::PlaneTransformArray),
};

}  // namespace

void MathInstall3DNow(MathDispatchTable& t, DWORD features) {
  if ((features & kCpuMmx) && (features & kCpu3DNow)) {
    Install3DNowReferences(t);
    MathInstallList(t, k3DNowSet);
    if ((features & kCpu3DNowExt) && (features & kCpuMmxExt)) MathInstallList(t, k3DNowExtSet);
  }
  if (features & kCpuSse) MathInstallList(t, k3DNowWithSseSet);
}
