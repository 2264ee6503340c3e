// The SSE set's own versions; the SSE2 set reuses those marked as shared.
#pragma once
#include "../dispatch.h"

namespace mathsse {
// clang-format off
#define SKYVALE_SSE_SLOTS(X) \
  X(Vec2Transform) \
  X(Vec3Transform) \
  X(Vec4Transform) \
  X(MatrixMultiply) \
  X(MatrixMultiplyTranspose) \
  X(Vec2TransformNormal) \
  X(Vec3TransformNormal) \
  X(Vec3Normalize) \
  X(Vec4Normalize) \
  X(Vec2TransformCoord) \
  X(Vec3TransformCoord) \
  X(MatrixDeterminant) \
  X(PlaneFromPoints) \
  X(Vec4Cross) \
  X(Vec2Hermite) \
  X(MatrixInverse) \
  X(QuaternionMultiply) \
  X(QuaternionNormalize) \
  X(PlaneNormalize) \
  X(PlaneIntersectLine) \
  X(QuaternionRotationMatrix) \
  X(QuaternionRotationYawPitchRoll) \
  X(MatrixShadow) \
  X(MatrixReflect) \
  X(PlaneTransform) \
  X(QuaternionInverse) \
  X(Vec2CatmullRom) \
  X(Vec2BaryCentric) \
  X(Vec3Hermite) \
  X(Vec3CatmullRom) \
  X(Vec3BaryCentric) \
  X(Vec4Hermite) \
  X(Vec4CatmullRom) \
  X(Vec4BaryCentric) \
  X(Float16To32Array) \
  X(Vec2TransformArray) \
  X(Vec2TransformCoordArray) \
  X(Vec2TransformNormalArray) \
  X(Vec3TransformArray) \
  X(Vec3TransformCoordArray) \
  X(Vec3TransformNormalArray) \
  X(Vec4TransformArray) \
  X(PlaneTransformArray) \
  X(SkinnedVertexBlend)
// clang-format on

#define SKYVALE_SSE_DECL(name, ret, params, args) ret name params;
SKYVALE_MATH_SLOTS(SKYVALE_SSE_DECL)
#undef SKYVALE_SSE_DECL
}  // namespace mathsse
