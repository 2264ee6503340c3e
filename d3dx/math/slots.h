// The 71 dispatched math routines in table order: X(slot, name, return type, (parameters),
// (arguments)). The public entry is D3DX<name> except for the two internal kernels.
#pragma once
#include <d3dx9math.h>

// One vertex position blended over its influences: out = sum_i weights[i] * (v * bones[i]).
D3DXVECTOR3* SkinnedVertexBlendKernel(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* const* bones,
                                      const FLOAT* weights, UINT influences);
// A point of the cubic triangular patch with control points b300, b030, b003, b210, b120, b021,
// b012, b102, b201, b111 at barycentric (u, v, 1 - u - v).
D3DXVECTOR3* NPatchTessellationKernel(D3DXVECTOR3* out, const D3DXVECTOR3* control, FLOAT u, FLOAT v);

#define SKYVALE_MATH_PUBLIC_SLOTS(X)                                                                         \
  X(0, Vec2Transform, D3DXVECTOR4*, (D3DXVECTOR4 * out, const D3DXVECTOR2* v, const D3DXMATRIX* m),          \
    (out, v, m))                                                                                             \
  X(1, Vec3Transform, D3DXVECTOR4*, (D3DXVECTOR4 * out, const D3DXVECTOR3* v, const D3DXMATRIX* m),          \
    (out, v, m))                                                                                             \
  X(2, Vec4Transform, D3DXVECTOR4*, (D3DXVECTOR4 * out, const D3DXVECTOR4* v, const D3DXMATRIX* m),          \
    (out, v, m))                                                                                             \
  X(3, MatrixMultiply, D3DXMATRIX*, (D3DXMATRIX * out, const D3DXMATRIX* a, const D3DXMATRIX* b),            \
    (out, a, b))                                                                                             \
  X(4, MatrixMultiplyTranspose, D3DXMATRIX*, (D3DXMATRIX * out, const D3DXMATRIX* a, const D3DXMATRIX* b),   \
    (out, a, b))                                                                                             \
  X(5, Vec2TransformNormal, D3DXVECTOR2*, (D3DXVECTOR2 * out, const D3DXVECTOR2* v, const D3DXMATRIX* m),    \
    (out, v, m))                                                                                             \
  X(6, Vec3TransformNormal, D3DXVECTOR3*, (D3DXVECTOR3 * out, const D3DXVECTOR3* v, const D3DXMATRIX* m),    \
    (out, v, m))                                                                                             \
  X(7, Vec3Normalize, D3DXVECTOR3*, (D3DXVECTOR3 * out, const D3DXVECTOR3* v), (out, v))                     \
  X(8, Vec4Normalize, D3DXVECTOR4*, (D3DXVECTOR4 * out, const D3DXVECTOR4* v), (out, v))                     \
  X(9, Vec2TransformCoord, D3DXVECTOR2*, (D3DXVECTOR2 * out, const D3DXVECTOR2* v, const D3DXMATRIX* m),     \
    (out, v, m))                                                                                             \
  X(10, Vec3TransformCoord, D3DXVECTOR3*, (D3DXVECTOR3 * out, const D3DXVECTOR3* v, const D3DXMATRIX* m),    \
    (out, v, m))                                                                                             \
  X(11, MatrixDeterminant, FLOAT, (const D3DXMATRIX* m), (m))                                                \
  X(12, PlaneFromPointNormal, D3DXPLANE*, (D3DXPLANE * out, const D3DXVECTOR3* p, const D3DXVECTOR3* n),     \
    (out, p, n))                                                                                             \
  X(13, PlaneFromPoints, D3DXPLANE*,                                                                         \
    (D3DXPLANE * out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3),                  \
    (out, v1, v2, v3))                                                                                       \
  X(14, Vec3Project, D3DXVECTOR3*,                                                                           \
    (D3DXVECTOR3 * out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp, const D3DXMATRIX* p,                   \
     const D3DXMATRIX* view, const D3DXMATRIX* world),                                                       \
    (out, v, vp, p, view, world))                                                                            \
  X(15, Vec3Unproject, D3DXVECTOR3*,                                                                         \
    (D3DXVECTOR3 * out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp, const D3DXMATRIX* p,                   \
     const D3DXMATRIX* view, const D3DXMATRIX* world),                                                       \
    (out, v, vp, p, view, world))                                                                            \
  X(16, Vec4Cross, D3DXVECTOR4*,                                                                             \
    (D3DXVECTOR4 * out, const D3DXVECTOR4* u, const D3DXVECTOR4* v, const D3DXVECTOR4* w), (out, u, v, w))   \
  X(17, Vec2Hermite, D3DXVECTOR2*,                                                                           \
    (D3DXVECTOR2 * out, const D3DXVECTOR2* v1, const D3DXVECTOR2* t1, const D3DXVECTOR2* v2,                 \
     const D3DXVECTOR2* t2, FLOAT s),                                                                        \
    (out, v1, t1, v2, t2, s))                                                                                \
  X(18, MatrixInverse, D3DXMATRIX*, (D3DXMATRIX * out, FLOAT * det, const D3DXMATRIX* m), (out, det, m))     \
  X(19, QuaternionMultiply, D3DXQUATERNION*,                                                                 \
    (D3DXQUATERNION * out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2), (out, q1, q2))               \
  X(20, QuaternionNormalize, D3DXQUATERNION*, (D3DXQUATERNION * out, const D3DXQUATERNION* q), (out, q))     \
  X(21, PlaneNormalize, D3DXPLANE*, (D3DXPLANE * out, const D3DXPLANE* p), (out, p))                         \
  X(22, PlaneIntersectLine, D3DXVECTOR3*,                                                                    \
    (D3DXVECTOR3 * out, const D3DXPLANE* p, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2), (out, p, v1, v2)) \
  X(23, QuaternionToAxisAngle, void, (const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle),             \
    (q, axis, angle))                                                                                        \
  X(24, QuaternionRotationMatrix, D3DXQUATERNION*, (D3DXQUATERNION * out, const D3DXMATRIX* m), (out, m))    \
  X(25, QuaternionRotationYawPitchRoll, D3DXQUATERNION*,                                                     \
    (D3DXQUATERNION * out, FLOAT yaw, FLOAT pitch, FLOAT roll), (out, yaw, pitch, roll))                     \
  X(26, MatrixTranslation, D3DXMATRIX*, (D3DXMATRIX * out, FLOAT x, FLOAT y, FLOAT z), (out, x, y, z))       \
  X(27, MatrixShadow, D3DXMATRIX*, (D3DXMATRIX * out, const D3DXVECTOR4* light, const D3DXPLANE* plane),     \
    (out, light, plane))                                                                                     \
  X(28, MatrixReflect, D3DXMATRIX*, (D3DXMATRIX * out, const D3DXPLANE* plane), (out, plane))                \
  X(29, QuaternionRotationAxis, D3DXQUATERNION*,                                                             \
    (D3DXQUATERNION * out, const D3DXVECTOR3* axis, FLOAT angle), (out, axis, angle))                        \
  X(30, MatrixRotationX, D3DXMATRIX*, (D3DXMATRIX * out, FLOAT angle), (out, angle))                         \
  X(31, MatrixRotationY, D3DXMATRIX*, (D3DXMATRIX * out, FLOAT angle), (out, angle))                         \
  X(32, MatrixRotationZ, D3DXMATRIX*, (D3DXMATRIX * out, FLOAT angle), (out, angle))                         \
  X(33, MatrixScaling, D3DXMATRIX*, (D3DXMATRIX * out, FLOAT x, FLOAT y, FLOAT z), (out, x, y, z))           \
  X(34, PlaneTransform, D3DXPLANE*, (D3DXPLANE * out, const D3DXPLANE* p, const D3DXMATRIX* m), (out, p, m)) \
  X(35, QuaternionSlerp, D3DXQUATERNION*,                                                                    \
    (D3DXQUATERNION * out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, FLOAT t), (out, q1, q2, t))   \
  X(36, QuaternionBaryCentric, D3DXQUATERNION*,                                                              \
    (D3DXQUATERNION * out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, const D3DXQUATERNION* q3,     \
     FLOAT f, FLOAT g),                                                                                      \
    (out, q1, q2, q3, f, g))                                                                                 \
  X(37, MatrixTranspose, D3DXMATRIX*, (D3DXMATRIX * out, const D3DXMATRIX* m), (out, m))                     \
  X(38, MatrixRotationQuaternion, D3DXMATRIX*, (D3DXMATRIX * out, const D3DXQUATERNION* q), (out, q))        \
  X(39, MatrixTransformation, D3DXMATRIX*,                                                                   \
    (D3DXMATRIX * out, const D3DXVECTOR3* sc, const D3DXQUATERNION* sr, const D3DXVECTOR3* s,                \
     const D3DXVECTOR3* rc, const D3DXQUATERNION* r, const D3DXVECTOR3* t),                                  \
    (out, sc, sr, s, rc, r, t))                                                                              \
  X(40, MatrixRotationYawPitchRoll, D3DXMATRIX*, (D3DXMATRIX * out, FLOAT yaw, FLOAT pitch, FLOAT roll),     \
    (out, yaw, pitch, roll))                                                                                 \
  X(41, MatrixAffineTransformation, D3DXMATRIX*,                                                             \
    (D3DXMATRIX * out, FLOAT s, const D3DXVECTOR3* rc, const D3DXQUATERNION* r, const D3DXVECTOR3* t),       \
    (out, s, rc, r, t))                                                                                      \
  X(42, MatrixRotationAxis, D3DXMATRIX*, (D3DXMATRIX * out, const D3DXVECTOR3* axis, FLOAT angle),           \
    (out, axis, angle))                                                                                      \
  X(43, QuaternionSquad, D3DXQUATERNION*,                                                                    \
    (D3DXQUATERNION * out, const D3DXQUATERNION* q1, const D3DXQUATERNION* a, const D3DXQUATERNION* b,       \
     const D3DXQUATERNION* c, FLOAT t),                                                                      \
    (out, q1, a, b, c, t))                                                                                   \
  X(44, QuaternionInverse, D3DXQUATERNION*, (D3DXQUATERNION * out, const D3DXQUATERNION* q), (out, q))       \
  X(45, QuaternionSquadSetup, void,                                                                          \
    (D3DXQUATERNION * a, D3DXQUATERNION * b, D3DXQUATERNION * c, const D3DXQUATERNION* q0,                   \
     const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, const D3DXQUATERNION* q3),                          \
    (a, b, c, q0, q1, q2, q3))                                                                               \
  X(46, Vec2Normalize, D3DXVECTOR2*, (D3DXVECTOR2 * out, const D3DXVECTOR2* v), (out, v))                    \
  X(47, Vec2CatmullRom, D3DXVECTOR2*,                                                                        \
    (D3DXVECTOR2 * out, const D3DXVECTOR2* v0, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2,                 \
     const D3DXVECTOR2* v3, FLOAT s),                                                                        \
    (out, v0, v1, v2, v3, s))                                                                                \
  X(48, Vec2BaryCentric, D3DXVECTOR2*,                                                                       \
    (D3DXVECTOR2 * out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, const D3DXVECTOR2* v3, FLOAT f,        \
     FLOAT g),                                                                                               \
    (out, v1, v2, v3, f, g))                                                                                 \
  X(49, Vec3Hermite, D3DXVECTOR3*,                                                                           \
    (D3DXVECTOR3 * out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1, const D3DXVECTOR3* v2,                 \
     const D3DXVECTOR3* t2, FLOAT s),                                                                        \
    (out, v1, t1, v2, t2, s))                                                                                \
  X(50, Vec3CatmullRom, D3DXVECTOR3*,                                                                        \
    (D3DXVECTOR3 * out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,                 \
     const D3DXVECTOR3* v3, FLOAT s),                                                                        \
    (out, v0, v1, v2, v3, s))                                                                                \
  X(51, Vec3BaryCentric, D3DXVECTOR3*,                                                                       \
    (D3DXVECTOR3 * out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT f,        \
     FLOAT g),                                                                                               \
    (out, v1, v2, v3, f, g))                                                                                 \
  X(52, Vec4Hermite, D3DXVECTOR4*,                                                                           \
    (D3DXVECTOR4 * out, const D3DXVECTOR4* v1, const D3DXVECTOR4* t1, const D3DXVECTOR4* v2,                 \
     const D3DXVECTOR4* t2, FLOAT s),                                                                        \
    (out, v1, t1, v2, t2, s))                                                                                \
  X(53, Vec4CatmullRom, D3DXVECTOR4*,                                                                        \
    (D3DXVECTOR4 * out, const D3DXVECTOR4* v0, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2,                 \
     const D3DXVECTOR4* v3, FLOAT s),                                                                        \
    (out, v0, v1, v2, v3, s))                                                                                \
  X(54, Vec4BaryCentric, D3DXVECTOR4*,                                                                       \
    (D3DXVECTOR4 * out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, const D3DXVECTOR4* v3, FLOAT f,        \
     FLOAT g),                                                                                               \
    (out, v1, v2, v3, f, g))                                                                                 \
  X(55, QuaternionLn, D3DXQUATERNION*, (D3DXQUATERNION * out, const D3DXQUATERNION* q), (out, q))            \
  X(56, QuaternionExp, D3DXQUATERNION*, (D3DXQUATERNION * out, const D3DXQUATERNION* q), (out, q))           \
  X(57, Float32To16Array, D3DXFLOAT16*, (D3DXFLOAT16 * out, const FLOAT* in, UINT n), (out, in, n))          \
  X(58, Float16To32Array, FLOAT*, (FLOAT * out, const D3DXFLOAT16* in, UINT n), (out, in, n))                \
  X(59, Vec2TransformArray, D3DXVECTOR4*,                                                                    \
    (D3DXVECTOR4 * out, UINT os, const D3DXVECTOR2* v, UINT vs, const D3DXMATRIX* m, UINT n),                \
    (out, os, v, vs, m, n))                                                                                  \
  X(60, Vec2TransformCoordArray, D3DXVECTOR2*,                                                               \
    (D3DXVECTOR2 * out, UINT os, const D3DXVECTOR2* v, UINT vs, const D3DXMATRIX* m, UINT n),                \
    (out, os, v, vs, m, n))                                                                                  \
  X(61, Vec2TransformNormalArray, D3DXVECTOR2*,                                                              \
    (D3DXVECTOR2 * out, UINT os, const D3DXVECTOR2* v, UINT vs, const D3DXMATRIX* m, UINT n),                \
    (out, os, v, vs, m, n))                                                                                  \
  X(62, Vec3TransformArray, D3DXVECTOR4*,                                                                    \
    (D3DXVECTOR4 * out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DXMATRIX* m, UINT n),                \
    (out, os, v, vs, m, n))                                                                                  \
  X(63, Vec3TransformCoordArray, D3DXVECTOR3*,                                                               \
    (D3DXVECTOR3 * out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DXMATRIX* m, UINT n),                \
    (out, os, v, vs, m, n))                                                                                  \
  X(64, Vec3TransformNormalArray, D3DXVECTOR3*,                                                              \
    (D3DXVECTOR3 * out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DXMATRIX* m, UINT n),                \
    (out, os, v, vs, m, n))                                                                                  \
  X(65, Vec4TransformArray, D3DXVECTOR4*,                                                                    \
    (D3DXVECTOR4 * out, UINT os, const D3DXVECTOR4* v, UINT vs, const D3DXMATRIX* m, UINT n),                \
    (out, os, v, vs, m, n))                                                                                  \
  X(66, Vec3ProjectArray, D3DXVECTOR3*,                                                                      \
    (D3DXVECTOR3 * out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DVIEWPORT9* vp, const D3DXMATRIX* p, \
     const D3DXMATRIX* view, const D3DXMATRIX* world, UINT n),                                               \
    (out, os, v, vs, vp, p, view, world, n))                                                                 \
  X(67, Vec3UnprojectArray, D3DXVECTOR3*,                                                                    \
    (D3DXVECTOR3 * out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DVIEWPORT9* vp, const D3DXMATRIX* p, \
     const D3DXMATRIX* view, const D3DXMATRIX* world, UINT n),                                               \
    (out, os, v, vs, vp, p, view, world, n))                                                                 \
  X(68, PlaneTransformArray, D3DXPLANE*,                                                                     \
    (D3DXPLANE * out, UINT os, const D3DXPLANE* p, UINT ps, const D3DXMATRIX* m, UINT n),                    \
    (out, os, p, ps, m, n))

#define SKYVALE_MATH_KERNEL_SLOTS(X)                                                                         \
  X(69, SkinnedVertexBlend, D3DXVECTOR3*,                                                                    \
    (D3DXVECTOR3 * out, const D3DXVECTOR3* v, const D3DXMATRIX* const* bones, const FLOAT* weights,          \
     UINT influences),                                                                                       \
    (out, v, bones, weights, influences))                                                                    \
  X(70, NPatchTessellation, D3DXVECTOR3*, (D3DXVECTOR3 * out, const D3DXVECTOR3* control, FLOAT u, FLOAT v), \
    (out, control, u, v))

#define SKYVALE_MATH_SLOTS(X) SKYVALE_MATH_PUBLIC_SLOTS(X) SKYVALE_MATH_KERNEL_SLOTS(X)
