// The dispatched math routines, one per line as X(name, return type, (parameters), (arguments)).
// A routine's slot is its place in this list, which is the table order every set and every
// caller of the table agrees on: the order is fixed, and a new routine may only be appended.
// The public entry is D3DX<name> except for the internal kernels at the end.
#pragma once
#include <d3dx9math.h>

// One vertex position blended over its influences: out = sum_i weights[i] * (v * bones[i]).
D3DXVECTOR3* SkinnedVertexBlendKernel(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* const* bones,
                                      const FLOAT* weights, UINT influences);
// A point of the cubic triangular patch with control points b300, b030, b003, b210, b120, b021,
// b012, b102, b201, b111 at barycentric (u, v, 1 - u - v).
D3DXVECTOR3* NPatchTessellationKernel(D3DXVECTOR3* out, const D3DXVECTOR3* control, FLOAT u, FLOAT v);

// clang-format off
#define SKYVALE_MATH_PUBLIC_SLOTS(X) \
  X(Vec2Transform, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m), (out, v, m)) \
  X(Vec3Transform, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m), (out, v, m)) \
  X(Vec4Transform, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m), (out, v, m)) \
  X(MatrixMultiply, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b), (out, a, b)) \
  X(MatrixMultiplyTranspose, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b), (out, a, b)) \
  X(Vec2TransformNormal, D3DXVECTOR2*, (D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m), (out, v, m)) \
  X(Vec3TransformNormal, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m), (out, v, m)) \
  X(Vec3Normalize, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v), (out, v)) \
  X(Vec4Normalize, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR4* v), (out, v)) \
  X(Vec2TransformCoord, D3DXVECTOR2*, (D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m), (out, v, m)) \
  X(Vec3TransformCoord, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m), (out, v, m)) \
  X(MatrixDeterminant, FLOAT, (const D3DXMATRIX* m), (m)) \
  X(PlaneFromPointNormal, D3DXPLANE*, (D3DXPLANE* out, const D3DXVECTOR3* p, const D3DXVECTOR3* n), (out, p, n)) \
  X(PlaneFromPoints, D3DXPLANE*, (D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3), (out, v1, v2, v3)) \
  X(Vec3Project, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp, const D3DXMATRIX* p, const D3DXMATRIX* view, const D3DXMATRIX* world), (out, v, vp, p, view, world)) \
  X(Vec3Unproject, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp, const D3DXMATRIX* p, const D3DXMATRIX* view, const D3DXMATRIX* world), (out, v, vp, p, view, world)) \
  X(Vec4Cross, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR4* u, const D3DXVECTOR4* v, const D3DXVECTOR4* w), (out, u, v, w)) \
  X(Vec2Hermite, D3DXVECTOR2*, (D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* t1, const D3DXVECTOR2* v2, const D3DXVECTOR2* t2, FLOAT s), (out, v1, t1, v2, t2, s)) \
  X(MatrixInverse, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT* det, const D3DXMATRIX* m), (out, det, m)) \
  X(QuaternionMultiply, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2), (out, q1, q2)) \
  X(QuaternionNormalize, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q), (out, q)) \
  X(PlaneNormalize, D3DXPLANE*, (D3DXPLANE* out, const D3DXPLANE* p), (out, p)) \
  X(PlaneIntersectLine, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2), (out, p, v1, v2)) \
  X(QuaternionToAxisAngle, void, (const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle), (q, axis, angle)) \
  X(QuaternionRotationMatrix, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXMATRIX* m), (out, m)) \
  X(QuaternionRotationYawPitchRoll, D3DXQUATERNION*, (D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch, FLOAT roll), (out, yaw, pitch, roll)) \
  X(MatrixTranslation, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z), (out, x, y, z)) \
  X(MatrixShadow, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXVECTOR4* light, const D3DXPLANE* plane), (out, light, plane)) \
  X(MatrixReflect, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXPLANE* plane), (out, plane)) \
  X(QuaternionRotationAxis, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle), (out, axis, angle)) \
  X(MatrixRotationX, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT angle), (out, angle)) \
  X(MatrixRotationY, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT angle), (out, angle)) \
  X(MatrixRotationZ, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT angle), (out, angle)) \
  X(MatrixScaling, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z), (out, x, y, z)) \
  X(PlaneTransform, D3DXPLANE*, (D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m), (out, p, m)) \
  X(QuaternionSlerp, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, FLOAT t), (out, q1, q2, t)) \
  X(QuaternionBaryCentric, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, const D3DXQUATERNION* q3, FLOAT f, FLOAT g), (out, q1, q2, q3, f, g)) \
  X(MatrixTranspose, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXMATRIX* m), (out, m)) \
  X(MatrixRotationQuaternion, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXQUATERNION* q), (out, q)) \
  X(MatrixTransformation, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXVECTOR3* sc, const D3DXQUATERNION* sr, const D3DXVECTOR3* s, const D3DXVECTOR3* rc, const D3DXQUATERNION* r, const D3DXVECTOR3* t), (out, sc, sr, s, rc, r, t)) \
  X(MatrixRotationYawPitchRoll, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll), (out, yaw, pitch, roll)) \
  X(MatrixAffineTransformation, D3DXMATRIX*, (D3DXMATRIX* out, FLOAT s, const D3DXVECTOR3* rc, const D3DXQUATERNION* r, const D3DXVECTOR3* t), (out, s, rc, r, t)) \
  X(MatrixRotationAxis, D3DXMATRIX*, (D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle), (out, axis, angle)) \
  X(QuaternionSquad, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* a, const D3DXQUATERNION* b, const D3DXQUATERNION* c, FLOAT t), (out, q1, a, b, c, t)) \
  X(QuaternionInverse, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q), (out, q)) \
  X(QuaternionSquadSetup, void, (D3DXQUATERNION* a, D3DXQUATERNION* b, D3DXQUATERNION* c, const D3DXQUATERNION* q0, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, const D3DXQUATERNION* q3), (a, b, c, q0, q1, q2, q3)) \
  X(Vec2Normalize, D3DXVECTOR2*, (D3DXVECTOR2* out, const D3DXVECTOR2* v), (out, v)) \
  X(Vec2CatmullRom, D3DXVECTOR2*, (D3DXVECTOR2* out, const D3DXVECTOR2* v0, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, const D3DXVECTOR2* v3, FLOAT s), (out, v0, v1, v2, v3, s)) \
  X(Vec2BaryCentric, D3DXVECTOR2*, (D3DXVECTOR2* out, const D3DXVECTOR2* v1, const D3DXVECTOR2* v2, const D3DXVECTOR2* v3, FLOAT f, FLOAT g), (out, v1, v2, v3, f, g)) \
  X(Vec3Hermite, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1, const D3DXVECTOR3* v2, const D3DXVECTOR3* t2, FLOAT s), (out, v1, t1, v2, t2, s)) \
  X(Vec3CatmullRom, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT s), (out, v0, v1, v2, v3, s)) \
  X(Vec3BaryCentric, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT f, FLOAT g), (out, v1, v2, v3, f, g)) \
  X(Vec4Hermite, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* t1, const D3DXVECTOR4* v2, const D3DXVECTOR4* t2, FLOAT s), (out, v1, t1, v2, t2, s)) \
  X(Vec4CatmullRom, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR4* v0, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, const D3DXVECTOR4* v3, FLOAT s), (out, v0, v1, v2, v3, s)) \
  X(Vec4BaryCentric, D3DXVECTOR4*, (D3DXVECTOR4* out, const D3DXVECTOR4* v1, const D3DXVECTOR4* v2, const D3DXVECTOR4* v3, FLOAT f, FLOAT g), (out, v1, v2, v3, f, g)) \
  X(QuaternionLn, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q), (out, q)) \
  X(QuaternionExp, D3DXQUATERNION*, (D3DXQUATERNION* out, const D3DXQUATERNION* q), (out, q)) \
  X(Float32To16Array, D3DXFLOAT16*, (D3DXFLOAT16* out, const FLOAT* in, UINT n), (out, in, n)) \
  X(Float16To32Array, FLOAT*, (FLOAT* out, const D3DXFLOAT16* in, UINT n), (out, in, n)) \
  X(Vec2TransformArray, D3DXVECTOR4*, (D3DXVECTOR4* out, UINT os, const D3DXVECTOR2* v, UINT vs, const D3DXMATRIX* m, UINT n), (out, os, v, vs, m, n)) \
  X(Vec2TransformCoordArray, D3DXVECTOR2*, (D3DXVECTOR2* out, UINT os, const D3DXVECTOR2* v, UINT vs, const D3DXMATRIX* m, UINT n), (out, os, v, vs, m, n)) \
  X(Vec2TransformNormalArray, D3DXVECTOR2*, (D3DXVECTOR2* out, UINT os, const D3DXVECTOR2* v, UINT vs, const D3DXMATRIX* m, UINT n), (out, os, v, vs, m, n)) \
  X(Vec3TransformArray, D3DXVECTOR4*, (D3DXVECTOR4* out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DXMATRIX* m, UINT n), (out, os, v, vs, m, n)) \
  X(Vec3TransformCoordArray, D3DXVECTOR3*, (D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DXMATRIX* m, UINT n), (out, os, v, vs, m, n)) \
  X(Vec3TransformNormalArray, D3DXVECTOR3*, (D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DXMATRIX* m, UINT n), (out, os, v, vs, m, n)) \
  X(Vec4TransformArray, D3DXVECTOR4*, (D3DXVECTOR4* out, UINT os, const D3DXVECTOR4* v, UINT vs, const D3DXMATRIX* m, UINT n), (out, os, v, vs, m, n)) \
  X(Vec3ProjectArray, D3DXVECTOR3*, (D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DVIEWPORT9* vp, const D3DXMATRIX* p, const D3DXMATRIX* view, const D3DXMATRIX* world, UINT n), (out, os, v, vs, vp, p, view, world, n)) \
  X(Vec3UnprojectArray, D3DXVECTOR3*, (D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DVIEWPORT9* vp, const D3DXMATRIX* p, const D3DXMATRIX* view, const D3DXMATRIX* world, UINT n), (out, os, v, vs, vp, p, view, world, n)) \
  X(PlaneTransformArray, D3DXPLANE*, (D3DXPLANE* out, UINT os, const D3DXPLANE* p, UINT ps, const D3DXMATRIX* m, UINT n), (out, os, p, ps, m, n))

#define SKYVALE_MATH_KERNEL_SLOTS(X) \
  X(SkinnedVertexBlend, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* const* bones, const FLOAT* weights, UINT influences), (out, v, bones, weights, influences)) \
  X(NPatchTessellation, D3DXVECTOR3*, (D3DXVECTOR3* out, const D3DXVECTOR3* control, FLOAT u, FLOAT v), (out, control, u, v))
// clang-format on

#define SKYVALE_MATH_SLOTS(X) SKYVALE_MATH_PUBLIC_SLOTS(X) SKYVALE_MATH_KERNEL_SLOTS(X)

// Slot numbers, derived from the list.
enum class MathSlot : int {
#define SKYVALE_SLOT_ENUM(name, ret, params, args) name,
  SKYVALE_MATH_SLOTS(SKYVALE_SLOT_ENUM)
#undef SKYVALE_SLOT_ENUM
      Count
};
constexpr int kMathSlotCount = static_cast<int>(MathSlot::Count);
