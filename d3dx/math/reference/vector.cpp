// Reference versions of the vector operations.
#include "../dispatch.h"
#include "../mathutil.h"

using namespace mathutil;

namespace {

// Shared by every normalisation: copy when the squared length is near 1, zeros when it is not
// above the smallest normal, else scale by 1/sqrt(n).
template <int N>
void NormalizeN(float* out, const float* in) {
  float v[N];
  float n = 0.0f;
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
  const float r = 1.0f / std::sqrt(n);
  for (int i = 0; i < N; ++i) out[i] = v[i] * r;
}

template <int N>
void HermiteN(float* out, const float* v1, const float* t1, const float* v2, const float* t2, float s) {
  const float s2 = s * s, s3 = s2 * s;
  const float h1 = 2 * s3 - 3 * s2 + 1, h2 = s3 - 2 * s2 + s, h3 = -2 * s3 + 3 * s2, h4 = s3 - s2;
  float r[N];
  for (int i = 0; i < N; ++i) r[i] = h1 * v1[i] + h2 * t1[i] + h3 * v2[i] + h4 * t2[i];
  for (int i = 0; i < N; ++i) out[i] = r[i];
}

template <int N>
void CatmullRomN(float* out, const float* v0, const float* v1, const float* v2, const float* v3, float s) {
  const float s2 = s * s, s3 = s2 * s;
  const float k0 = -s3 + 2 * s2 - s, k1 = 3 * s3 - 5 * s2 + 2, k2 = -3 * s3 + 4 * s2 + s, k3 = s3 - s2;
  float r[N];
  for (int i = 0; i < N; ++i) r[i] = 0.5f * (k0 * v0[i] + k1 * v1[i] + k2 * v2[i] + k3 * v3[i]);
  for (int i = 0; i < N; ++i) out[i] = r[i];
}

template <int N>
void BaryCentricN(float* out, const float* v1, const float* v2, const float* v3, float f, float g) {
  float r[N];
  for (int i = 0; i < N; ++i) r[i] = v1[i] + f * (v2[i] - v1[i]) + g * (v3[i] - v1[i]);
  for (int i = 0; i < N; ++i) out[i] = r[i];
}

// (x, y, z, w) times M.
void RowTimes(float r[4], float x, float y, float z, float w, const D3DXMATRIX* m) {
  for (int c = 0; c < 4; ++c) r[c] = x * m->m[0][c] + y * m->m[1][c] + z * m->m[2][c] + w * m->m[3][c];
}

}  // namespace

namespace mathref {

D3DXVECTOR2* Vec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
  NormalizeN<2>(&out->x, &v->x);
  return out;
}
D3DXVECTOR3* Vec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  NormalizeN<3>(&out->x, &v->x);
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

D3DXVECTOR2* Vec2Hermite(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* t1,
                         const D3DXVECTOR2* v2, const D3DXVECTOR2* t2, FLOAT s) {
  HermiteN<2>(&out->x, &v1->x, &t1->x, &v2->x, &t2->x, s);
  return out;
}
D3DXVECTOR3* Vec3Hermite(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1,
                         const D3DXVECTOR3* v2, const D3DXVECTOR3* t2, FLOAT s) {
  HermiteN<3>(&out->x, &v1->x, &t1->x, &v2->x, &t2->x, s);
  return out;
}
D3DXVECTOR4* Vec4Hermite(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* t1,
                         const D3DXVECTOR4* v2, const D3DXVECTOR4* t2, FLOAT s) {
  HermiteN<4>(&out->x, &v1->x, &t1->x, &v2->x, &t2->x, s);
  return out;
}

D3DXVECTOR2* Vec2CatmullRom(D3DXVECTOR2* out, const D3DXVECTOR2* v0, const D3DXVECTOR2* v1,
                            const D3DXVECTOR2* v2, const D3DXVECTOR2* v3, FLOAT s) {
  CatmullRomN<2>(&out->x, &v0->x, &v1->x, &v2->x, &v3->x, s);
  return out;
}
D3DXVECTOR3* Vec3CatmullRom(D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1,
                            const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT s) {
  CatmullRomN<3>(&out->x, &v0->x, &v1->x, &v2->x, &v3->x, s);
  return out;
}
D3DXVECTOR4* Vec4CatmullRom(D3DXVECTOR4* out, const D3DXVECTOR4* v0, const D3DXVECTOR4* v1,
                            const D3DXVECTOR4* v2, const D3DXVECTOR4* v3, FLOAT s) {
  CatmullRomN<4>(&out->x, &v0->x, &v1->x, &v2->x, &v3->x, s);
  return out;
}

D3DXVECTOR2* Vec2BaryCentric(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2,
                             const D3DXVECTOR2* v3, FLOAT f, FLOAT g) {
  BaryCentricN<2>(&out->x, &v1->x, &v2->x, &v3->x, f, g);
  return out;
}
D3DXVECTOR3* Vec3BaryCentric(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                             const D3DXVECTOR3* v3, FLOAT f, FLOAT g) {
  BaryCentricN<3>(&out->x, &v1->x, &v2->x, &v3->x, f, g);
  return out;
}
D3DXVECTOR4* Vec4BaryCentric(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2,
                             const D3DXVECTOR4* v3, FLOAT f, FLOAT g) {
  BaryCentricN<4>(&out->x, &v1->x, &v2->x, &v3->x, f, g);
  return out;
}

D3DXVECTOR4* Vec4Cross(D3DXVECTOR4* out, const D3DXVECTOR4* u, const D3DXVECTOR4* v, const D3DXVECTOR4* w) {
  const float a = v->x * w->y - v->y * w->x, b = v->x * w->z - v->z * w->x, c = v->x * w->w - v->w * w->x;
  const float d = v->y * w->z - v->z * w->y, e = v->y * w->w - v->w * w->y, f = v->z * w->w - v->w * w->z;
  const D3DXVECTOR4 r(u->y * f - u->z * e + u->w * d, -u->x * f + u->z * c - u->w * b,
                      u->x * e - u->y * c + u->w * a, -u->x * d + u->y * b - u->z * a);
  *out = r;
  return out;
}

D3DXVECTOR4* Vec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, 0.0f, 1.0f, m);
  *out = D3DXVECTOR4(r);
  return out;
}
D3DXVECTOR4* Vec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, v->z, 1.0f, m);
  *out = D3DXVECTOR4(r);
  return out;
}
D3DXVECTOR4* Vec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, v->z, v->w, m);
  *out = D3DXVECTOR4(r);
  return out;
}
D3DXPLANE* PlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, p->a, p->b, p->c, p->d, m);
  *out = D3DXPLANE(r);
  return out;
}

D3DXVECTOR2* Vec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, 0.0f, 1.0f, m);
  if (!NearOne(r[3])) {
    const float k = 1.0f / r[3];
    r[0] *= k;
    r[1] *= k;
  }
  *out = D3DXVECTOR2(r[0], r[1]);
  return out;
}
D3DXVECTOR3* Vec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  float r[4];
  RowTimes(r, v->x, v->y, v->z, 1.0f, m);
  if (!NearOne(r[3])) {
    const float k = 1.0f / r[3];
    r[0] *= k;
    r[1] *= k;
    r[2] *= k;
  }
  *out = D3DXVECTOR3(r[0], r[1], r[2]);
  return out;
}

D3DXVECTOR2* Vec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  const float x = v->x, y = v->y;
  *out = D3DXVECTOR2(x * m->_11 + y * m->_21, x * m->_12 + y * m->_22);
  return out;
}
D3DXVECTOR3* Vec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const float x = v->x, y = v->y, z = v->z;
  *out = D3DXVECTOR3(x * m->_11 + y * m->_21 + z * m->_31, x * m->_12 + y * m->_22 + z * m->_32,
                     x * m->_13 + y * m->_23 + z * m->_33);
  return out;
}

}  // namespace mathref
