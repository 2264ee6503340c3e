// Inline bodies of the math value types and the small operations of d3dx9math.h.
#pragma once

// ---------------------------------------------------------------------------------------------
// 16-bit floats

inline D3DXFLOAT16::D3DXFLOAT16(FLOAT f) { D3DXFloat32To16Array(this, &f, 1); }
inline D3DXFLOAT16::operator FLOAT() const {
  FLOAT f;
  D3DXFloat16To32Array(&f, this, 1);
  return f;
}

inline D3DXVECTOR2::D3DXVECTOR2(const D3DXFLOAT16* f) { D3DXFloat16To32Array(&x, f, 2); }
inline D3DXVECTOR3::D3DXVECTOR3(const D3DXFLOAT16* f) { D3DXFloat16To32Array(&x, f, 3); }
inline D3DXVECTOR4::D3DXVECTOR4(const D3DXFLOAT16* f) { D3DXFloat16To32Array(&x, f, 4); }
inline D3DXQUATERNION::D3DXQUATERNION(const D3DXFLOAT16* f) { D3DXFloat16To32Array(&x, f, 4); }
inline D3DXPLANE::D3DXPLANE(const D3DXFLOAT16* f) { D3DXFloat16To32Array(&a, f, 4); }
inline D3DXCOLOR::D3DXCOLOR(const D3DXFLOAT16* f) { D3DXFloat16To32Array(&r, f, 4); }
inline D3DXMATRIX::D3DXMATRIX(const D3DXFLOAT16* f) { D3DXFloat16To32Array(&_11, f, 16); }
inline D3DXVECTOR2_16F::D3DXVECTOR2_16F(const FLOAT* f) { D3DXFloat32To16Array(&x, f, 2); }
inline D3DXVECTOR3_16F::D3DXVECTOR3_16F(const FLOAT* f) { D3DXFloat32To16Array(&x, f, 3); }
inline D3DXVECTOR3_16F::D3DXVECTOR3_16F(const D3DVECTOR& v) { D3DXFloat32To16Array(&x, &v.x, 3); }
inline D3DXVECTOR4_16F::D3DXVECTOR4_16F(const FLOAT* f) { D3DXFloat32To16Array(&x, f, 4); }

// ---------------------------------------------------------------------------------------------
// Vectors: division is one reciprocal followed by multiplications.

inline D3DXVECTOR2& D3DXVECTOR2::operator+=(const D3DXVECTOR2& v) {
  x += v.x;
  y += v.y;
  return *this;
}
inline D3DXVECTOR2& D3DXVECTOR2::operator-=(const D3DXVECTOR2& v) {
  x -= v.x;
  y -= v.y;
  return *this;
}
inline D3DXVECTOR2& D3DXVECTOR2::operator*=(FLOAT f) {
  x *= f;
  y *= f;
  return *this;
}
inline D3DXVECTOR2& D3DXVECTOR2::operator/=(FLOAT f) { return *this *= 1.0f / f; }
inline D3DXVECTOR2 D3DXVECTOR2::operator/(FLOAT f) const { return *this * (1.0f / f); }

inline D3DXVECTOR3& D3DXVECTOR3::operator+=(const D3DXVECTOR3& v) {
  x += v.x;
  y += v.y;
  z += v.z;
  return *this;
}
inline D3DXVECTOR3& D3DXVECTOR3::operator-=(const D3DXVECTOR3& v) {
  x -= v.x;
  y -= v.y;
  z -= v.z;
  return *this;
}
inline D3DXVECTOR3& D3DXVECTOR3::operator*=(FLOAT f) {
  x *= f;
  y *= f;
  z *= f;
  return *this;
}
inline D3DXVECTOR3& D3DXVECTOR3::operator/=(FLOAT f) { return *this *= 1.0f / f; }
inline D3DXVECTOR3 D3DXVECTOR3::operator/(FLOAT f) const { return *this * (1.0f / f); }

inline D3DXVECTOR4& D3DXVECTOR4::operator+=(const D3DXVECTOR4& v) {
  x += v.x;
  y += v.y;
  z += v.z;
  w += v.w;
  return *this;
}
inline D3DXVECTOR4& D3DXVECTOR4::operator-=(const D3DXVECTOR4& v) {
  x -= v.x;
  y -= v.y;
  z -= v.z;
  w -= v.w;
  return *this;
}
inline D3DXVECTOR4& D3DXVECTOR4::operator*=(FLOAT f) {
  x *= f;
  y *= f;
  z *= f;
  w *= f;
  return *this;
}
inline D3DXVECTOR4& D3DXVECTOR4::operator/=(FLOAT f) { return *this *= 1.0f / f; }
inline D3DXVECTOR4 D3DXVECTOR4::operator/(FLOAT f) const { return *this * (1.0f / f); }

// ---------------------------------------------------------------------------------------------
// Matrices

inline D3DXMATRIX::D3DXMATRIX(const FLOAT* f) {
  for (int i = 0; i < 16; ++i) (&_11)[i] = f[i];
}
inline D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23,
                              FLOAT f24, FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42,
                              FLOAT f43, FLOAT f44) {
  _11 = f11, _12 = f12, _13 = f13, _14 = f14;
  _21 = f21, _22 = f22, _23 = f23, _24 = f24;
  _31 = f31, _32 = f32, _33 = f33, _34 = f34;
  _41 = f41, _42 = f42, _43 = f43, _44 = f44;
}
inline D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
  D3DXMatrixMultiply(this, this, &mat);
  return *this;
}
inline D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
  for (int i = 0; i < 16; ++i) (&_11)[i] += (&mat._11)[i];
  return *this;
}
inline D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
  for (int i = 0; i < 16; ++i) (&_11)[i] -= (&mat._11)[i];
  return *this;
}
inline D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT f) {
  for (int i = 0; i < 16; ++i) (&_11)[i] *= f;
  return *this;
}
inline D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT f) { return *this *= 1.0f / f; }
inline D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }
inline D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
  D3DXMATRIX r;
  D3DXMatrixMultiply(&r, this, &mat);
  return r;
}
inline D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const {
  D3DXMATRIX r(*this);
  return r += mat;
}
inline D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const {
  D3DXMATRIX r(*this);
  return r -= mat;
}
inline D3DXMATRIX D3DXMATRIX::operator*(FLOAT f) const {
  D3DXMATRIX r(*this);
  return r *= f;
}
inline D3DXMATRIX D3DXMATRIX::operator/(FLOAT f) const { return *this * (1.0f / f); }
inline bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
  for (int i = 0; i < 16; ++i)
    if ((&_11)[i] != (&mat._11)[i]) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Quaternions, planes, colours

inline D3DXQUATERNION& D3DXQUATERNION::operator+=(const D3DXQUATERNION& q) {
  x += q.x;
  y += q.y;
  z += q.z;
  w += q.w;
  return *this;
}
inline D3DXQUATERNION& D3DXQUATERNION::operator-=(const D3DXQUATERNION& q) {
  x -= q.x;
  y -= q.y;
  z -= q.z;
  w -= q.w;
  return *this;
}
inline D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
  D3DXQuaternionMultiply(this, this, &q);
  return *this;
}
inline D3DXQUATERNION& D3DXQUATERNION::operator*=(FLOAT f) {
  x *= f;
  y *= f;
  z *= f;
  w *= f;
  return *this;
}
inline D3DXQUATERNION& D3DXQUATERNION::operator/=(FLOAT f) { return *this *= 1.0f / f; }
inline D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
  D3DXQUATERNION r;
  D3DXQuaternionMultiply(&r, this, &q);
  return r;
}
inline D3DXQUATERNION D3DXQUATERNION::operator/(FLOAT f) const { return *this * (1.0f / f); }

inline D3DXPLANE& D3DXPLANE::operator*=(FLOAT f) {
  a *= f;
  b *= f;
  c *= f;
  d *= f;
  return *this;
}
inline D3DXPLANE& D3DXPLANE::operator/=(FLOAT f) { return *this *= 1.0f / f; }
inline D3DXPLANE D3DXPLANE::operator/(FLOAT f) const { return *this * (1.0f / f); }

inline D3DXCOLOR::D3DXCOLOR(DWORD argb) {
  const FLOAT k = 1.0f / 255.0f;
  r = (FLOAT)((argb >> 16) & 255) * k;
  g = (FLOAT)((argb >> 8) & 255) * k;
  b = (FLOAT)(argb & 255) * k;
  a = (FLOAT)(argb >> 24) * k;
}
namespace d3dx_detail {
inline DWORD ColorChannelToByte(FLOAT c) {
  if (c >= 1.0f) return 255;
  if (!(c > 0.0f)) return 0;  // also NaN
  return (DWORD)(c * 255.0f + 0.5f);
}
}  // namespace d3dx_detail
inline D3DXCOLOR::operator DWORD() const {
  using d3dx_detail::ColorChannelToByte;
  return ColorChannelToByte(a) << 24 | ColorChannelToByte(r) << 16 | ColorChannelToByte(g) << 8 |
         ColorChannelToByte(b);
}
inline D3DXCOLOR& D3DXCOLOR::operator+=(const D3DXCOLOR& c) {
  r += c.r;
  g += c.g;
  b += c.b;
  a += c.a;
  return *this;
}
inline D3DXCOLOR& D3DXCOLOR::operator-=(const D3DXCOLOR& c) {
  r -= c.r;
  g -= c.g;
  b -= c.b;
  a -= c.a;
  return *this;
}
inline D3DXCOLOR& D3DXCOLOR::operator*=(FLOAT f) {
  r *= f;
  g *= f;
  b *= f;
  a *= f;
  return *this;
}
inline D3DXCOLOR& D3DXCOLOR::operator/=(FLOAT f) { return *this *= 1.0f / f; }
inline D3DXCOLOR D3DXCOLOR::operator/(FLOAT f) const { return *this * (1.0f / f); }

// ---------------------------------------------------------------------------------------------
// Small operations

inline FLOAT D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(v->x * v->x + v->y * v->y); }
inline FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* v) { return v->x * v->x + v->y * v->y; }
inline FLOAT D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }
inline FLOAT D3DXVec2CCW(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->y - a->y * b->x; }
inline D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
  *out = D3DXVECTOR2(a->x + b->x, a->y + b->y);
  return out;
}
inline D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
  *out = D3DXVECTOR2(a->x - b->x, a->y - b->y);
  return out;
}
inline D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
  *out = D3DXVECTOR2(a->x < b->x ? a->x : b->x, a->y < b->y ? a->y : b->y);
  return out;
}
inline D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
  *out = D3DXVECTOR2(a->x > b->x ? a->x : b->x, a->y > b->y ? a->y : b->y);
  return out;
}
inline D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, FLOAT s) {
  *out = D3DXVECTOR2(v->x * s, v->y * s);
  return out;
}
inline D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b, FLOAT s) {
  *out = D3DXVECTOR2(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y));
  return out;
}

inline FLOAT D3DXVec3Length(const D3DXVECTOR3* v) {
  return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
}
inline FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
inline FLOAT D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->x + b->x, a->y + b->y, a->z + b->z);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->x - b->x, a->y - b->y, a->z - b->z);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->x < b->x ? a->x : b->x, a->y < b->y ? a->y : b->y, a->z < b->z ? a->z : b->z);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->x > b->x ? a->x : b->x, a->y > b->y ? a->y : b->y, a->z > b->z ? a->z : b->z);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, FLOAT s) {
  *out = D3DXVECTOR3(v->x * s, v->y * s, v->z * s);
  return out;
}
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, FLOAT s) {
  *out = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z));
  return out;
}

inline FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* v) {
  return v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w;
}
inline FLOAT D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXVec4LengthSq(v)); }
inline FLOAT D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
inline D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  *out = D3DXVECTOR4(a->x + b->x, a->y + b->y, a->z + b->z, a->w + b->w);
  return out;
}
inline D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  *out = D3DXVECTOR4(a->x - b->x, a->y - b->y, a->z - b->z, a->w - b->w);
  return out;
}
inline D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  *out = D3DXVECTOR4(a->x < b->x ? a->x : b->x, a->y < b->y ? a->y : b->y, a->z < b->z ? a->z : b->z,
                     a->w < b->w ? a->w : b->w);
  return out;
}
inline D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  *out = D3DXVECTOR4(a->x > b->x ? a->x : b->x, a->y > b->y ? a->y : b->y, a->z > b->z ? a->z : b->z,
                     a->w > b->w ? a->w : b->w);
  return out;
}
inline D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, FLOAT s) {
  *out = D3DXVECTOR4(v->x * s, v->y * s, v->z * s, v->w * s);
  return out;
}
inline D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b, FLOAT s) {
  *out = D3DXVECTOR4(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z),
                     a->w + s * (b->w - a->w));
  return out;
}

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}
inline BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m->m[r][c] != (r == c ? 1.0f : 0.0f)) return FALSE;
  return TRUE;
}

inline FLOAT D3DXQuaternionLengthSq(const D3DXQUATERNION* q) {
  return q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w;
}
inline FLOAT D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXQuaternionLengthSq(q)); }
inline FLOAT D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
inline D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
  *out = D3DXQUATERNION(0, 0, 0, 1);
  return out;
}
inline BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q) {
  return q->x == 0.0f && q->y == 0.0f && q->z == 0.0f && q->w == 1.0f;
}
inline D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
  return out;
}

inline FLOAT D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w;
}
inline FLOAT D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}
inline FLOAT D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z;
}
inline D3DXPLANE* D3DXPlaneScale(D3DXPLANE* out, const D3DXPLANE* p, FLOAT s) {
  *out = D3DXPLANE(p->a * s, p->b * s, p->c * s, p->d * s);
  return out;
}

inline D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* out, const D3DXCOLOR* c) {
  *out = D3DXCOLOR(1.0f - c->r, 1.0f - c->g, 1.0f - c->b, c->a);
  return out;
}
inline D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2) {
  *out = D3DXCOLOR(c1->r + c2->r, c1->g + c2->g, c1->b + c2->b, c1->a + c2->a);
  return out;
}
inline D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2) {
  *out = D3DXCOLOR(c1->r - c2->r, c1->g - c2->g, c1->b - c2->b, c1->a - c2->a);
  return out;
}
inline D3DXCOLOR* D3DXColorScale(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s) {
  *out = D3DXCOLOR(c->r * s, c->g * s, c->b * s, c->a * s);
  return out;
}
inline D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2) {
  *out = D3DXCOLOR(c1->r * c2->r, c1->g * c2->g, c1->b * c2->b, c1->a * c2->a);
  return out;
}
inline D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2, FLOAT s) {
  *out = D3DXCOLOR(c1->r + s * (c2->r - c1->r), c1->g + s * (c2->g - c1->g), c1->b + s * (c2->b - c1->b),
                   c1->a + s * (c2->a - c1->a));
  return out;
}
