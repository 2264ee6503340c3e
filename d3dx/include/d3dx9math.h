// Math value types and operations of the utility library: vectors, matrices, quaternions,
// planes, colours and 16-bit floats.
//
// Conventions: vectors are rows multiplied on the left (v' = v * M), so A * B applies A first;
// the translation sits in the fourth row (_41, _42, _43); coordinates are left-handed unless a
// name ends in RH. Every operation writes its first argument and returns it (scalar results and
// the few operations that can fail excepted); the output may alias any input.
#pragma once
#pragma GCC visibility push(default)
#include <d3d9.h>

#include <cmath>

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

// Our 16-bit float has no infinity or NaN: exponent 31 is an ordinary exponent.
#define D3DX_16F_DIG 3
#define D3DX_16F_EPSILON 4.8875809e-4f
#define D3DX_16F_MANT_DIG 11
#define D3DX_16F_MAX 131008.0f
#define D3DX_16F_MIN 6.1035156e-5f
#define D3DX_16F_RADIX 2

struct D3DXFLOAT16;
struct D3DXMATRIX;
struct D3DXQUATERNION;

// ---------------------------------------------------------------------------------------------
// 16-bit float: sign, 5-bit exponent (bias 15), 10-bit mantissa.
struct D3DXFLOAT16 {
  WORD value;

  D3DXFLOAT16() = default;
  D3DXFLOAT16(FLOAT f);
  operator FLOAT() const;
  bool operator==(const D3DXFLOAT16& o) const { return value == o.value; }
  bool operator!=(const D3DXFLOAT16& o) const { return value != o.value; }
};

// ---------------------------------------------------------------------------------------------
struct D3DXVECTOR2 {
  FLOAT x, y;

  D3DXVECTOR2() = default;
  D3DXVECTOR2(const FLOAT* f) : x(f[0]), y(f[1]) {}
  D3DXVECTOR2(const D3DXFLOAT16* f);
  D3DXVECTOR2(FLOAT fx, FLOAT fy) : x(fx), y(fy) {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR2& operator+=(const D3DXVECTOR2& v);
  D3DXVECTOR2& operator-=(const D3DXVECTOR2& v);
  D3DXVECTOR2& operator*=(FLOAT f);
  D3DXVECTOR2& operator/=(FLOAT f);
  D3DXVECTOR2 operator+() const { return *this; }
  D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }
  D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
  D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
  D3DXVECTOR2 operator*(FLOAT f) const { return D3DXVECTOR2(x * f, y * f); }
  D3DXVECTOR2 operator/(FLOAT f) const;
  friend D3DXVECTOR2 operator*(FLOAT f, const D3DXVECTOR2& v) { return v * f; }
  bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() = default;
  D3DXVECTOR3(const FLOAT* f) : D3DVECTOR{f[0], f[1], f[2]} {}
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
  D3DXVECTOR3(const D3DXFLOAT16* f);
  D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) : D3DVECTOR{fx, fy, fz} {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v);
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v);
  D3DXVECTOR3& operator*=(FLOAT f);
  D3DXVECTOR3& operator/=(FLOAT f);
  D3DXVECTOR3 operator+() const { return *this; }
  D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
  D3DXVECTOR3 operator*(FLOAT f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
  D3DXVECTOR3 operator/(FLOAT f) const;
  friend D3DXVECTOR3 operator*(FLOAT f, const D3DXVECTOR3& v) { return v * f; }
  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
  FLOAT x, y, z, w;

  D3DXVECTOR4() = default;
  D3DXVECTOR4(const FLOAT* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  D3DXVECTOR4(const D3DXFLOAT16* f);
  D3DXVECTOR4(const D3DVECTOR& v, FLOAT fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
  D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR4& operator+=(const D3DXVECTOR4& v);
  D3DXVECTOR4& operator-=(const D3DXVECTOR4& v);
  D3DXVECTOR4& operator*=(FLOAT f);
  D3DXVECTOR4& operator/=(FLOAT f);
  D3DXVECTOR4 operator+() const { return *this; }
  D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }
  D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const {
    return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w);
  }
  D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const {
    return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w);
  }
  D3DXVECTOR4 operator*(FLOAT f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
  D3DXVECTOR4 operator/(FLOAT f) const;
  friend D3DXVECTOR4 operator*(FLOAT f, const D3DXVECTOR4& v) { return v * f; }
  bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
  bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

// Vectors of 16-bit floats, for vertex data.
struct D3DXVECTOR2_16F {
  D3DXFLOAT16 x, y;
  D3DXVECTOR2_16F() = default;
  D3DXVECTOR2_16F(const FLOAT* f);
  D3DXVECTOR2_16F(const D3DXFLOAT16* f) : x(f[0]), y(f[1]) {}
  D3DXVECTOR2_16F(const D3DXFLOAT16& fx, const D3DXFLOAT16& fy) : x(fx), y(fy) {}
  operator D3DXFLOAT16*() { return &x; }
  operator const D3DXFLOAT16*() const { return &x; }
  bool operator==(const D3DXVECTOR2_16F& v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2_16F& v) const { return !(*this == v); }
};

struct D3DXVECTOR3_16F {
  D3DXFLOAT16 x, y, z;
  D3DXVECTOR3_16F() = default;
  D3DXVECTOR3_16F(const FLOAT* f);
  D3DXVECTOR3_16F(const D3DVECTOR& v);
  D3DXVECTOR3_16F(const D3DXFLOAT16* f) : x(f[0]), y(f[1]), z(f[2]) {}
  D3DXVECTOR3_16F(const D3DXFLOAT16& fx, const D3DXFLOAT16& fy, const D3DXFLOAT16& fz)
      : x(fx), y(fy), z(fz) {}
  operator D3DXFLOAT16*() { return &x; }
  operator const D3DXFLOAT16*() const { return &x; }
  bool operator==(const D3DXVECTOR3_16F& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3_16F& v) const { return !(*this == v); }
};

struct D3DXVECTOR4_16F {
  D3DXFLOAT16 x, y, z, w;
  D3DXVECTOR4_16F() = default;
  D3DXVECTOR4_16F(const FLOAT* f);
  D3DXVECTOR4_16F(const D3DXFLOAT16* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  D3DXVECTOR4_16F(const D3DXFLOAT16& fx, const D3DXFLOAT16& fy, const D3DXFLOAT16& fz, const D3DXFLOAT16& fw)
      : x(fx), y(fy), z(fz), w(fw) {}
  operator D3DXFLOAT16*() { return &x; }
  operator const D3DXFLOAT16*() const { return &x; }
  bool operator==(const D3DXVECTOR4_16F& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
  bool operator!=(const D3DXVECTOR4_16F& v) const { return !(*this == v); }
};

// ---------------------------------------------------------------------------------------------
// 4 x 4 matrix, row by row; m[r][c] is _(r+1)(c+1).
struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() = default;
  D3DXMATRIX(const FLOAT* f);
  D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
  D3DXMATRIX(const D3DXFLOAT16* f);
  D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
             FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44);

  FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
  FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }
  operator FLOAT*() { return &_11; }
  operator const FLOAT*() const { return &_11; }

  D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator*=(FLOAT f);
  D3DXMATRIX& operator/=(FLOAT f);
  D3DXMATRIX operator+() const { return *this; }
  D3DXMATRIX operator-() const;
  D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator+(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator-(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator*(FLOAT f) const;
  D3DXMATRIX operator/(FLOAT f) const;
  friend D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat) { return mat * f; }
  bool operator==(const D3DXMATRIX& mat) const;
  bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

// A matrix on a 16-byte boundary, for callers that keep matrices in SIMD-friendly storage.
struct alignas(16) D3DXMATRIXA16 : public D3DXMATRIX {
  D3DXMATRIXA16() = default;
  D3DXMATRIXA16(const FLOAT* f) : D3DXMATRIX(f) {}
  D3DXMATRIXA16(const D3DMATRIX& mat) : D3DXMATRIX(mat) {}
  D3DXMATRIXA16(const D3DXFLOAT16* f) : D3DXMATRIX(f) {}
  D3DXMATRIXA16(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
                FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44)
      : D3DXMATRIX(f11, f12, f13, f14, f21, f22, f23, f24, f31, f32, f33, f34, f41, f42, f43, f44) {}
  D3DXMATRIXA16& operator=(const D3DXMATRIX& mat) {
    static_cast<D3DXMATRIX&>(*this) = mat;
    return *this;
  }
};
typedef D3DXMATRIXA16* LPD3DXMATRIXA16;

// ---------------------------------------------------------------------------------------------
// Quaternion; w is the scalar part. q1 * q2 is the rotation q1 followed by q2.
struct D3DXQUATERNION {
  FLOAT x, y, z, w;

  D3DXQUATERNION() = default;
  D3DXQUATERNION(const FLOAT* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  D3DXQUATERNION(const D3DXFLOAT16* f);
  D3DXQUATERNION(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXQUATERNION& operator+=(const D3DXQUATERNION& q);
  D3DXQUATERNION& operator-=(const D3DXQUATERNION& q);
  D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
  D3DXQUATERNION& operator*=(FLOAT f);
  D3DXQUATERNION& operator/=(FLOAT f);
  D3DXQUATERNION operator+() const { return *this; }
  D3DXQUATERNION operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }
  D3DXQUATERNION operator+(const D3DXQUATERNION& q) const {
    return D3DXQUATERNION(x + q.x, y + q.y, z + q.z, w + q.w);
  }
  D3DXQUATERNION operator-(const D3DXQUATERNION& q) const {
    return D3DXQUATERNION(x - q.x, y - q.y, z - q.z, w - q.w);
  }
  D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
  D3DXQUATERNION operator*(FLOAT f) const { return D3DXQUATERNION(x * f, y * f, z * f, w * f); }
  D3DXQUATERNION operator/(FLOAT f) const;
  friend D3DXQUATERNION operator*(FLOAT f, const D3DXQUATERNION& q) { return q * f; }
  bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
  bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};

// ---------------------------------------------------------------------------------------------
// Plane: the points p with a*p.x + b*p.y + c*p.z + d = 0.
struct D3DXPLANE {
  FLOAT a, b, c, d;

  D3DXPLANE() = default;
  D3DXPLANE(const FLOAT* f) : a(f[0]), b(f[1]), c(f[2]), d(f[3]) {}
  D3DXPLANE(const D3DXFLOAT16* f);
  D3DXPLANE(FLOAT fa, FLOAT fb, FLOAT fc, FLOAT fd) : a(fa), b(fb), c(fc), d(fd) {}

  operator FLOAT*() { return &a; }
  operator const FLOAT*() const { return &a; }

  D3DXPLANE& operator*=(FLOAT f);
  D3DXPLANE& operator/=(FLOAT f);
  D3DXPLANE operator+() const { return *this; }
  D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }
  D3DXPLANE operator*(FLOAT f) const { return D3DXPLANE(a * f, b * f, c * f, d * f); }
  D3DXPLANE operator/(FLOAT f) const;
  friend D3DXPLANE operator*(FLOAT f, const D3DXPLANE& p) { return p * f; }
  bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
  bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};

// ---------------------------------------------------------------------------------------------
// Colour of four floats, nominally 0 to 1; converts to and from A8R8G8B8 words.
struct D3DXCOLOR {
  FLOAT r, g, b, a;

  D3DXCOLOR() = default;
  D3DXCOLOR(DWORD argb);
  D3DXCOLOR(const FLOAT* f) : r(f[0]), g(f[1]), b(f[2]), a(f[3]) {}
  D3DXCOLOR(const D3DXFLOAT16* f);
  D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
  D3DXCOLOR(FLOAT fr, FLOAT fg, FLOAT fb, FLOAT fa) : r(fr), g(fg), b(fb), a(fa) {}

  // Each channel: 255 if >= 1, 0 if <= 0 or NaN, else trunc(c * 255 + 0.5).
  operator DWORD() const;
  operator FLOAT*() { return &r; }
  operator const FLOAT*() const { return &r; }
  operator D3DCOLORVALUE*() { return reinterpret_cast<D3DCOLORVALUE*>(this); }
  operator const D3DCOLORVALUE*() const { return reinterpret_cast<const D3DCOLORVALUE*>(this); }
  operator D3DCOLORVALUE&() { return *reinterpret_cast<D3DCOLORVALUE*>(this); }
  operator const D3DCOLORVALUE&() const { return *reinterpret_cast<const D3DCOLORVALUE*>(this); }

  D3DXCOLOR& operator+=(const D3DXCOLOR& c);
  D3DXCOLOR& operator-=(const D3DXCOLOR& c);
  D3DXCOLOR& operator*=(FLOAT f);
  D3DXCOLOR& operator/=(FLOAT f);
  D3DXCOLOR operator+() const { return *this; }
  D3DXCOLOR operator-() const { return D3DXCOLOR(-r, -g, -b, -a); }
  D3DXCOLOR operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(r + c.r, g + c.g, b + c.b, a + c.a); }
  D3DXCOLOR operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(r - c.r, g - c.g, b - c.b, a - c.a); }
  D3DXCOLOR operator*(FLOAT f) const { return D3DXCOLOR(r * f, g * f, b * f, a * f); }
  D3DXCOLOR operator/(FLOAT f) const;
  friend D3DXCOLOR operator*(FLOAT f, const D3DXCOLOR& c) { return c * f; }
  bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
  bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }
};

typedef D3DXVECTOR2* LPD3DXVECTOR2;
typedef D3DXVECTOR3* LPD3DXVECTOR3;
typedef D3DXVECTOR4* LPD3DXVECTOR4;
typedef D3DXMATRIX* LPD3DXMATRIX;
typedef D3DXQUATERNION* LPD3DXQUATERNION;
typedef D3DXPLANE* LPD3DXPLANE;
typedef D3DXCOLOR* LPD3DXCOLOR;
typedef D3DXFLOAT16* LPD3DXFLOAT16;

static_assert(sizeof(D3DXFLOAT16) == 2, "D3DXFLOAT16 layout");
static_assert(sizeof(D3DXVECTOR2) == 8, "D3DXVECTOR2 layout");
static_assert(sizeof(D3DXVECTOR3) == 12, "D3DXVECTOR3 layout");
static_assert(sizeof(D3DXVECTOR4) == 16, "D3DXVECTOR4 layout");
static_assert(sizeof(D3DXVECTOR2_16F) == 4 && sizeof(D3DXVECTOR3_16F) == 6 && sizeof(D3DXVECTOR4_16F) == 8,
              "16-bit vector layout");
static_assert(sizeof(D3DXMATRIX) == 64, "D3DXMATRIX layout");
static_assert(sizeof(D3DXMATRIXA16) == 64 && alignof(D3DXMATRIXA16) == 16, "D3DXMATRIXA16 layout");
static_assert(sizeof(D3DXQUATERNION) == 16, "D3DXQUATERNION layout");
static_assert(sizeof(D3DXPLANE) == 16, "D3DXPLANE layout");
static_assert(sizeof(D3DXCOLOR) == 16 && sizeof(D3DCOLORVALUE) == 16, "D3DXCOLOR layout");
static_assert(sizeof(D3DVIEWPORT9) == 24, "D3DVIEWPORT9 layout");

// ---------------------------------------------------------------------------------------------
// Inline operations (bodies in d3dx9math.inl).

FLOAT D3DXVec2Length(const D3DXVECTOR2* v);
FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* v);
FLOAT D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b);
FLOAT D3DXVec2CCW(const D3DXVECTOR2* a, const D3DXVECTOR2* b);  // z of the 3D cross product
D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b);
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b);
D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b);
D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b);
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, FLOAT s);
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b, FLOAT s);

FLOAT D3DXVec3Length(const D3DXVECTOR3* v);
FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* v);
FLOAT D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, FLOAT s);
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, FLOAT s);

FLOAT D3DXVec4Length(const D3DXVECTOR4* v);
FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* v);
FLOAT D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b);
D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b);
D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b);
D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b);
D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b);
D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, FLOAT s);
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b, FLOAT s);

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);

FLOAT D3DXQuaternionLength(const D3DXQUATERNION* q);
FLOAT D3DXQuaternionLengthSq(const D3DXQUATERNION* q);
FLOAT D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b);
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q);

FLOAT D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v);
FLOAT D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v);
FLOAT D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v);
D3DXPLANE* D3DXPlaneScale(D3DXPLANE* out, const D3DXPLANE* p, FLOAT s);

D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* out, const D3DXCOLOR* c);  // 1 - r, g, b; alpha kept
D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorScale(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s);
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2);
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* c1, const D3DXCOLOR* c2, FLOAT s);

// ---------------------------------------------------------------------------------------------
// Library operations. Each goes through the processor dispatch table unless noted.

// Selects the processor-specific versions (TRUE) or the reference versions (FALSE). Returns
// the level: 0xFFFF reference only, 0 x87 set, 1 3DNow! set, 2 SSE2 set, 3 SSE set.
DWORD D3DXCpuOptimizations(BOOL enable);

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v);
D3DXVECTOR2* D3DXVec2Hermite(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* t1,
                             const D3DXVECTOR2* v2, const D3DXVECTOR2* t2, FLOAT s);
D3DXVECTOR2* D3DXVec2CatmullRom(D3DXVECTOR2* out, const D3DXVECTOR2* v0, const D3DXVECTOR2* v1,
                                const D3DXVECTOR2* v2, const D3DXVECTOR2* v3, FLOAT s);
D3DXVECTOR2* D3DXVec2BaryCentric(D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2,
                                 const D3DXVECTOR2* v3, FLOAT f, FLOAT g);
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* out, UINT outStride, const D3DXVECTOR2* v, UINT vStride,
                                    const D3DXMATRIX* m, UINT n);
D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* out, UINT outStride, const D3DXVECTOR2* v, UINT vStride,
                                         const D3DXMATRIX* m, UINT n);
D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* out, UINT outStride, const D3DXVECTOR2* v,
                                          UINT vStride, const D3DXMATRIX* m, UINT n);

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1,
                             const D3DXVECTOR3* v2, const D3DXVECTOR3* t2, FLOAT s);
D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1,
                                const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT s);
D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                                 const D3DXVECTOR3* v3, FLOAT f, FLOAT g);
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// Divides by w' unless w' is within 2^-23 of 1; there is no guard for w' = 0.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// Any of viewport, projection, view and world may be null; the matrices combine as W * V * P.
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world);
// When the combined matrix has no inverse the output is (0, 0, 0).
D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                               const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world);
D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                    const D3DXMATRIX* m, UINT n);
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                         const D3DXMATRIX* m, UINT n);
D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v,
                                          UINT vStride, const D3DXMATRIX* m, UINT n);
D3DXVECTOR3* D3DXVec3ProjectArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                  const D3DVIEWPORT9* viewport, const D3DXMATRIX* projection,
                                  const D3DXMATRIX* view, const D3DXMATRIX* world, UINT n);
// When the combined matrix has no inverse every output is (0, 0, 0).
D3DXVECTOR3* D3DXVec3UnprojectArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                    const D3DVIEWPORT9* viewport, const D3DXMATRIX* projection,
                                    const D3DXMATRIX* view, const D3DXMATRIX* world, UINT n);

D3DXVECTOR4* D3DXVec4Cross(D3DXVECTOR4* out, const D3DXVECTOR4* u, const D3DXVECTOR4* v,
                           const D3DXVECTOR4* w);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v);
D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* t1,
                             const D3DXVECTOR4* v2, const D3DXVECTOR4* t2, FLOAT s);
D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* out, const D3DXVECTOR4* v0, const D3DXVECTOR4* v1,
                                const D3DXVECTOR4* v2, const D3DXVECTOR4* v3, FLOAT s);
D3DXVECTOR4* D3DXVec4BaryCentric(D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2,
                                 const D3DXVECTOR4* v3, FLOAT f, FLOAT g);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m);
D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* out, UINT outStride, const D3DXVECTOR4* v, UINT vStride,
                                    const D3DXMATRIX* m, UINT n);

FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
// Returns null (output untouched) for a singular matrix; the determinant is stored either way.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll);
// Every pointer argument after the output may be null. The result is
// T(-sc) * Rsr^T * S * Rsr * T(sc) * T(-rc) * R * T(rc) * T(t) over the parts given; the scaling
// centre applies whenever a scaling is given, with or without a scaling rotation.
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter,
                                     const D3DXQUATERNION* scalingRotation, const D3DXVECTOR3* scaling,
                                     const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                                     const D3DXVECTOR3* translation);
D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* out, FLOAT scaling, const D3DXVECTOR3* rotationCenter,
                                           const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation);
D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* out, const D3DXVECTOR4* light, const D3DXPLANE* plane);
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane);

// View and projection builders (called directly, not through the dispatch table).
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                             FLOAT zf);
D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                             FLOAT zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf);

// Either of axis and angle may be null.
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle);
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch, FLOAT roll);
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                       const D3DXQUATERNION* q2);
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* out, const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* out, const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                    FLOAT t);
D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, const D3DXQUATERNION* c, FLOAT t);
void D3DXQuaternionSquadSetup(D3DXQUATERNION* aOut, D3DXQUATERNION* bOut, D3DXQUATERNION* cOut,
                              const D3DXQUATERNION* q0, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                              const D3DXQUATERNION* q3);
D3DXQUATERNION* D3DXQuaternionBaryCentric(D3DXQUATERNION* out, const D3DXQUATERNION* q1,
                                          const D3DXQUATERNION* q2, const D3DXQUATERNION* q3, FLOAT f,
                                          FLOAT g);

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p);
// Intersection with the infinite line through v1 and v2; null when parallel.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                    const D3DXVECTOR3* v2);
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal);
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                               const D3DXVECTOR3* v3);
// The matrix is the inverse transpose of the point transform.
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m);
D3DXPLANE* D3DXPlaneTransformArray(D3DXPLANE* out, UINT outStride, const D3DXPLANE* p, UINT pStride,
                                   const D3DXMATRIX* m, UINT n);

// Not dispatched.
D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s);
D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT k);
FLOAT D3DXFresnelTerm(FLOAT cosTheta, FLOAT refractionIndex);

D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* out, const FLOAT* in, UINT n);
FLOAT* D3DXFloat16To32Array(FLOAT* out, const D3DXFLOAT16* in, UINT n);

#include "d3dx9math.inl"
#pragma GCC visibility pop
