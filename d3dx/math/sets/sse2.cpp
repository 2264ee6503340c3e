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

namespace {

// Slots where the SSE2 set installs the SSE version.
constexpr SlotInstaller kSse2SharedWithSse[] = {
    SKYVALE_ROUTINE(Vec2Transform, mathsse::Vec2Transform),
    SKYVALE_ROUTINE(Vec2TransformNormal, mathsse::Vec2TransformNormal),
    SKYVALE_ROUTINE(Vec4Normalize, mathsse::Vec4Normalize),
    SKYVALE_ROUTINE(Vec2TransformCoord, mathsse::Vec2TransformCoord),
    SKYVALE_ROUTINE(Vec2Hermite, mathsse::Vec2Hermite),
    SKYVALE_ROUTINE(QuaternionMultiply, mathsse::QuaternionMultiply),
    SKYVALE_ROUTINE(QuaternionNormalize, mathsse::QuaternionNormalize),
    SKYVALE_ROUTINE(PlaneIntersectLine, mathsse::PlaneIntersectLine),
    SKYVALE_ROUTINE(Vec2CatmullRom, mathsse::Vec2CatmullRom),
    SKYVALE_ROUTINE(Vec2BaryCentric, mathsse::Vec2BaryCentric),
    SKYVALE_ROUTINE(Vec3Hermite, mathsse::Vec3Hermite),
    SKYVALE_ROUTINE(Vec3CatmullRom, mathsse::Vec3CatmullRom),
    SKYVALE_ROUTINE(Vec3BaryCentric, mathsse::Vec3BaryCentric),
    SKYVALE_ROUTINE(Vec4Hermite, mathsse::Vec4Hermite),
    SKYVALE_ROUTINE(Vec4CatmullRom, mathsse::Vec4CatmullRom),
    SKYVALE_ROUTINE(Vec4BaryCentric, mathsse::Vec4BaryCentric),
    SKYVALE_ROUTINE(SkinnedVertexBlend, mathsse::SkinnedVertexBlend),
};

// Its own versions.
constexpr SlotInstaller kSse2Set[] = {
    SKYVALE_ROUTINE(Vec3Transform, mathsse2::Vec3Transform),
    SKYVALE_ROUTINE(Vec4Transform, mathsse2::Vec4Transform),
    SKYVALE_ROUTINE(MatrixMultiply, mathsse2::MatrixMultiply),
    SKYVALE_ROUTINE(MatrixMultiplyTranspose, mathsse2::MatrixMultiplyTranspose),
    SKYVALE_ROUTINE(Vec3TransformNormal, mathsse2::Vec3TransformNormal),
    SKYVALE_ROUTINE(Vec3Normalize, mathsse2::Vec3Normalize),
    SKYVALE_ROUTINE(Vec3TransformCoord, mathsse2::Vec3TransformCoord),
    SKYVALE_ROUTINE(MatrixDeterminant, mathsse2::MatrixDeterminant),
    SKYVALE_ROUTINE(PlaneFromPoints, mathsse2::PlaneFromPoints),
    SKYVALE_ROUTINE(Vec4Cross, mathsse2::Vec4Cross),
    SKYVALE_ROUTINE(MatrixInverse, mathsse2::MatrixInverse),
    SKYVALE_ROUTINE(PlaneNormalize, mathsse2::PlaneNormalize),
    SKYVALE_ROUTINE(QuaternionRotationMatrix, mathsse2::QuaternionRotationMatrix),
    SKYVALE_ROUTINE(QuaternionRotationYawPitchRoll, mathsse2::QuaternionRotationYawPitchRoll),
    SKYVALE_ROUTINE(MatrixShadow, mathsse2::MatrixShadow),
    SKYVALE_ROUTINE(MatrixReflect, mathsse2::MatrixReflect),
    SKYVALE_ROUTINE(PlaneTransform, mathsse2::PlaneTransform),
    SKYVALE_ROUTINE(Float16To32Array, mathsse2::Float16To32Array),
    SKYVALE_ROUTINE(Vec2TransformArray, mathsse2::Vec2TransformArray),
    SKYVALE_ROUTINE(Vec2TransformCoordArray, mathsse2::Vec2TransformCoordArray),
    SKYVALE_ROUTINE(Vec2TransformNormalArray, mathsse2::Vec2TransformNormalArray),
    SKYVALE_ROUTINE(Vec3TransformArray, mathsse2::Vec3TransformArray),
    SKYVALE_ROUTINE(Vec3TransformCoordArray, mathsse2::Vec3TransformCoordArray),
    SKYVALE_ROUTINE(Vec3TransformNormalArray, mathsse2::Vec3TransformNormalArray),
    SKYVALE_ROUTINE(Vec4TransformArray, mathsse2::Vec4TransformArray),
    SKYVALE_ROUTINE(PlaneTransformArray, mathsse2::PlaneTransformArray),
};

// With AVX2 and FMA: the wider array transforms and the two hottest single routines.
constexpr SlotInstaller kAvx2Set[] = {
    SKYVALE_ROUTINE(Vec2TransformArray, mathavx2::Vec2TransformArray),
    SKYVALE_ROUTINE(Vec2TransformCoordArray, mathavx2::Vec2TransformCoordArray),
    SKYVALE_ROUTINE(Vec2TransformNormalArray, mathavx2::Vec2TransformNormalArray),
    SKYVALE_ROUTINE(Vec3TransformArray, mathavx2::Vec3TransformArray),
    SKYVALE_ROUTINE(Vec3TransformCoordArray, mathavx2::Vec3TransformCoordArray),
    SKYVALE_ROUTINE(Vec3TransformNormalArray, mathavx2::Vec3TransformNormalArray),
    SKYVALE_ROUTINE(Vec4TransformArray, mathavx2::Vec4TransformArray),
    SKYVALE_ROUTINE(PlaneTransformArray, mathavx2::PlaneTransformArray),
    SKYVALE_ROUTINE(MatrixMultiply, mathavx2::MatrixMultiply),
    SKYVALE_ROUTINE(Vec3TransformCoord, mathavx2::Vec3TransformCoord),
};

}  // namespace

void MathInstallSse2(MathDispatchTable& t, bool wide) {
  MathInstallList(t, kSse2SharedWithSse);
  MathInstallList(t, kSse2Set);
  if (wide) MathInstallList(t, kAvx2Set);
}
