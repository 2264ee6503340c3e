// The x87 set: the transforms and products summed in extended precision (long double is the
// x87 format here) and rounded once per stored component, and the table-driven normalisation.
#include <cmath>

#include "../cpu.h"
#include "../dispatch.h"
#include "../mathutil.h"

namespace {

using Ext = long double;

void RowTimes(float r[4], Ext x, Ext y, Ext z, Ext w, const D3DXMATRIX* m) {
  for (int c = 0; c < 4; ++c)
    r[c] = (float)(x * m->m[0][c] + y * m->m[1][c] + z * m->m[2][c] + w * m->m[3][c]);
}

}  // namespace

namespace mathx87 {

D3DXVECTOR4* Vec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, 0, 1, m);
  *out = D3DXVECTOR4(r);
  return out;
}
D3DXVECTOR4* Vec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, v->z, 1, m);
  *out = D3DXVECTOR4(r);
  return out;
}
D3DXVECTOR4* Vec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, v->z, v->w, m);
  *out = D3DXVECTOR4(r);
  return out;
}
// The x87 Vec4Transform over a plane's four coefficients.
D3DXPLANE* PlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, p->a, p->b, p->c, p->d, m);
  *out = D3DXPLANE(r);
  return out;
}

D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r) RowTimes(t.m[r], a->m[r][0], a->m[r][1], a->m[r][2], a->m[r][3], b);
  *out = t;
  return out;
}
D3DXMATRIX* MatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r) {
    float row[4];
    RowTimes(row, a->m[r][0], a->m[r][1], a->m[r][2], a->m[r][3], b);
    for (int c = 0; c < 4; ++c) t.m[c][r] = row[c];
  }
  *out = t;
  return out;
}

D3DXVECTOR2* Vec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, 0, 0, m);
  *out = D3DXVECTOR2(r[0], r[1]);
  return out;
}
D3DXVECTOR3* Vec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, v->z, 0, m);
  *out = D3DXVECTOR3(r[0], r[1], r[2]);
  return out;
}

// Zero only for n = 0 exactly; copy when |n - 1| <= 1e-5; else the table reciprocal square root.
D3DXVECTOR3* Vec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  const D3DXVECTOR3 c = *v;
  const Ext nExt = (Ext)c.x * c.x + (Ext)c.y * c.y + (Ext)c.z * c.z;
  const float n = (float)nExt;
  if (n == 0.0f) {
    *out = D3DXVECTOR3(0, 0, 0);
  } else if (std::fabs(n - 1.0f) <= mathutil::FromBits(0x3727C5AC)) {
    *out = c;
  } else if (std::fpclassify(n) == FP_SUBNORMAL) {
    // The table only covers normal floats; its answer for a subnormal n has the wrong length.
    const Ext r = 1.0L / std::sqrt(nExt);
    *out = D3DXVECTOR3((float)(c.x * r), (float)(c.y * r), (float)(c.z * r));
  } else {
    const float r = ApproxInvSqrt(mathutil::Bits(n));
    *out = D3DXVECTOR3(c.x * r, c.y * r, c.z * r);
  }
  return out;
}

}  // namespace mathx87

namespace {

// The routines the x87 set replaces (the plane transform is its Vec4Transform over a plane).
constexpr SlotInstaller kX87Set[] = {
    SKYVALE_ROUTINE(Vec2Transform, mathx87::Vec2Transform),
    SKYVALE_ROUTINE(Vec3Transform, mathx87::Vec3Transform),
    SKYVALE_ROUTINE(Vec4Transform, mathx87::Vec4Transform),
    SKYVALE_ROUTINE(MatrixMultiply, mathx87::MatrixMultiply),
    SKYVALE_ROUTINE(MatrixMultiplyTranspose, mathx87::MatrixMultiplyTranspose),
    SKYVALE_ROUTINE(Vec2TransformNormal, mathx87::Vec2TransformNormal),
    SKYVALE_ROUTINE(Vec3TransformNormal, mathx87::Vec3TransformNormal),
    SKYVALE_ROUTINE(Vec3Normalize, mathx87::Vec3Normalize),
    SKYVALE_ROUTINE(PlaneTransform, mathx87::PlaneTransform),
};

}  // namespace

void MathInstallX87(MathDispatchTable& t) { MathInstallList(t, kX87Set); }
