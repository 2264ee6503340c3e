// The SSE2 set: the SSE routines rebuilt with the integer unit available (16-bit floats four at
// a time), and the wider AVX2/FMA array transforms where the processor has them.
#include <cmath>

#include "../mathutil.h"
#include "avx2.h"
#include "simd.h"
#include "simd_blend.h"
#include "sse.h"

using namespace simd;
using mathutil::Step;

#define SKYVALE_SIMD_SSE2 1
namespace mathsse2 {
#include "sse_routines.inc"
}  // namespace mathsse2

void MathInstallSse2(MathDispatchTable& t, bool wide) {
  // Slots where the SSE2 set installs the SSE version.
#define SKYVALE_INSTALL(name) SKYVALE_SET_SLOT(t, name, mathsse::name);
  SKYVALE_INSTALL(Vec2Transform)
  SKYVALE_INSTALL(Vec2TransformNormal)
  SKYVALE_INSTALL(Vec4Normalize)
  SKYVALE_INSTALL(Vec2TransformCoord)
  SKYVALE_INSTALL(Vec2Hermite)
  SKYVALE_INSTALL(QuaternionMultiply)
  SKYVALE_INSTALL(QuaternionNormalize)
  SKYVALE_INSTALL(PlaneIntersectLine)
  SKYVALE_INSTALL(Vec2CatmullRom)
  SKYVALE_INSTALL(Vec2BaryCentric)
  SKYVALE_INSTALL(Vec3Hermite)
  SKYVALE_INSTALL(Vec3CatmullRom)
  SKYVALE_INSTALL(Vec3BaryCentric)
  SKYVALE_INSTALL(Vec4Hermite)
  SKYVALE_INSTALL(Vec4CatmullRom)
  SKYVALE_INSTALL(Vec4BaryCentric)
  SKYVALE_INSTALL(SkinnedVertexBlend)
#undef SKYVALE_INSTALL
  // Its own versions.
#define SKYVALE_INSTALL(name) SKYVALE_SET_SLOT(t, name, mathsse2::name);
  SKYVALE_INSTALL(Vec3Transform)
  SKYVALE_INSTALL(Vec4Transform)
  SKYVALE_INSTALL(MatrixMultiply)
  SKYVALE_INSTALL(MatrixMultiplyTranspose)
  SKYVALE_INSTALL(Vec3TransformNormal)
  SKYVALE_INSTALL(Vec3Normalize)
  SKYVALE_INSTALL(Vec3TransformCoord)
  SKYVALE_INSTALL(MatrixDeterminant)
  SKYVALE_INSTALL(PlaneFromPoints)
  SKYVALE_INSTALL(Vec4Cross)
  SKYVALE_INSTALL(MatrixInverse)
  SKYVALE_INSTALL(PlaneNormalize)
  SKYVALE_INSTALL(QuaternionRotationMatrix)
  SKYVALE_INSTALL(QuaternionRotationYawPitchRoll)
  SKYVALE_INSTALL(MatrixShadow)
  SKYVALE_INSTALL(MatrixReflect)
  SKYVALE_INSTALL(PlaneTransform)
  SKYVALE_INSTALL(Float16To32Array)
  SKYVALE_INSTALL(Vec2TransformArray)
  SKYVALE_INSTALL(Vec2TransformCoordArray)
  SKYVALE_INSTALL(Vec2TransformNormalArray)
  SKYVALE_INSTALL(Vec3TransformArray)
  SKYVALE_INSTALL(Vec3TransformCoordArray)
  SKYVALE_INSTALL(Vec3TransformNormalArray)
  SKYVALE_INSTALL(Vec4TransformArray)
  SKYVALE_INSTALL(PlaneTransformArray)
#undef SKYVALE_INSTALL
  if (wide) {
#define SKYVALE_INSTALL(name) SKYVALE_SET_SLOT(t, name, mathavx2::name);
    SKYVALE_INSTALL(Vec2TransformArray)
    SKYVALE_INSTALL(Vec2TransformCoordArray)
    SKYVALE_INSTALL(Vec2TransformNormalArray)
    SKYVALE_INSTALL(Vec3TransformArray)
    SKYVALE_INSTALL(Vec3TransformCoordArray)
    SKYVALE_INSTALL(Vec3TransformNormalArray)
    SKYVALE_INSTALL(Vec4TransformArray)
    SKYVALE_INSTALL(PlaneTransformArray)
    SKYVALE_INSTALL(MatrixMultiply)
    SKYVALE_INSTALL(Vec3TransformCoord)
#undef SKYVALE_INSTALL
  }
}
