// Every processor-specific set against the reference on random well-conditioned inputs, and the
// special cases in which the sets are documented to differ.
#include "../../d3dx/math/sets/simd.h"
#include "fake_processor.h"

using mt::Near;

namespace {

enum class Set { X87, ThreeDNow, ThreeDNowExt, Sse, Sse2, Sse2Wide };

MathDispatchTable Build(Set s) {
  MathDispatchTable t;
  MathCopyTable(t, MathReferenceTable);
  MathInstallX87(t);
  const DWORD all3DNow =
      kCpuHasCpuid | kCpuHasStandardLeaf1 | kCpuHasExtendedLeaves | kCpuMmx | kCpuSse | kCpu3DNow;
  switch (s) {
    case Set::X87:
      break;
    case Set::ThreeDNow:
      MathInstall3DNow(t, all3DNow);
      break;
    case Set::ThreeDNowExt:
      MathInstall3DNow(t, all3DNow | kCpu3DNowExt | kCpuMmxExt);
      break;
    case Set::Sse:
      MathInstallSse(t);
      break;
    case Set::Sse2:
      MathInstallSse2(t, false);
      break;
    case Set::Sse2Wide:
      MathInstallSse2(t, true);
      break;
  }
  return t;
}

struct SetsTest : ::testing::TestWithParam<Set> {
  MathDispatchTable t;
  const MathDispatchTable& r = MathReferenceTable;
  void SetUp() override {
    t = Build(GetParam());
    D3DXCpuOptimizations(FALSE);  // nested calls of the reference go to the reference
  }
  void TearDown() override { D3DXCpuOptimizations(TRUE); }

  template <typename Out, typename F>
  void Check(const char* what, F call, float tol = 2e-5f) {
    Out a, b;
    std::memset(&a, 0, sizeof a);
    std::memset(&b, 0, sizeof b);
    call(t, &a);
    call(r, &b);
    EXPECT_TRUE(Near(a, b, tol)) << what;
  }
};

}  // namespace

TEST_P(SetsTest, MatchesTheReferenceOnRandomInputs) {
  mt::Rng rng;
  for (int it = 0; it < 300; ++it) {
    const D3DXMATRIX m = rng.General(), m2 = rng.General(), a = rng.Affine();
    const D3DXVECTOR2 u2 = rng.Vec2(), v2 = rng.Vec2(), w2 = rng.Vec2(), x2 = rng.Vec2();
    const D3DXVECTOR3 u3 = rng.Vec3(), v3 = rng.Vec3(), w3 = rng.Vec3(), x3 = rng.Vec3();
    const D3DXVECTOR4 u4 = rng.Vec4(), v4 = rng.Vec4(), w4 = rng.Vec4(), x4 = rng.Vec4();
    const D3DXQUATERNION q1 = rng.UnitQuat(), q2 = rng.UnitQuat(), q3 = rng.UnitQuat(), q4 = rng.UnitQuat();
    const D3DXQUATERNION big(u4.x, u4.y, u4.z, u4.w);
    const D3DXPLANE pl(u4.x, u4.y, u4.z, u4.w);
    const float s = rng.Uniform(-1, 2), f = rng.Uniform(-1, 1), g = rng.Uniform(-1, 1);
    const float yaw = rng.Uniform(-4, 4), pitch = rng.Uniform(-4, 4), roll = rng.Uniform(-4, 4);
    const D3DVIEWPORT9 vp = {5, 7, 640, 480, 0.1f, 0.9f};
    using T = const MathDispatchTable&;

    Check<D3DXVECTOR4>("Vec2Transform", [&](T x, D3DXVECTOR4* o) { x.Vec2Transform(o, &u2, &m); });
    Check<D3DXVECTOR4>("Vec3Transform", [&](T x, D3DXVECTOR4* o) { x.Vec3Transform(o, &u3, &m); });
    Check<D3DXVECTOR4>("Vec4Transform", [&](T x, D3DXVECTOR4* o) { x.Vec4Transform(o, &u4, &m); });
    Check<D3DXMATRIX>("MatrixMultiply", [&](T x, D3DXMATRIX* o) { x.MatrixMultiply(o, &m, &m2); });
    Check<D3DXMATRIX>("MatrixMultiplyTranspose",
                      [&](T x, D3DXMATRIX* o) { x.MatrixMultiplyTranspose(o, &m, &m2); });
    Check<D3DXVECTOR2>("Vec2TransformNormal",
                       [&](T x, D3DXVECTOR2* o) { x.Vec2TransformNormal(o, &u2, &m); });
    Check<D3DXVECTOR3>("Vec3TransformNormal",
                       [&](T x, D3DXVECTOR3* o) { x.Vec3TransformNormal(o, &u3, &m); });
    Check<D3DXVECTOR3>(
        "Vec3Normalize", [&](T x, D3DXVECTOR3* o) { x.Vec3Normalize(o, &u3); }, 3e-6f);
    Check<D3DXVECTOR4>(
        "Vec4Normalize", [&](T x, D3DXVECTOR4* o) { x.Vec4Normalize(o, &u4); }, 3e-6f);
    Check<D3DXVECTOR2>("Vec2TransformCoord", [&](T x, D3DXVECTOR2* o) { x.Vec2TransformCoord(o, &u2, &m); });
    Check<D3DXVECTOR3>("Vec3TransformCoord", [&](T x, D3DXVECTOR3* o) { x.Vec3TransformCoord(o, &u3, &m); });
    Check<float>("MatrixDeterminant",
                 [&](T x, float* o) { *o = x.MatrixDeterminant(&m) / r.MatrixDeterminant(&m); });
    Check<D3DXPLANE>("PlaneFromPointNormal", [&](T x, D3DXPLANE* o) { x.PlaneFromPointNormal(o, &u3, &v3); });
    Check<D3DXPLANE>(
        "PlaneFromPoints", [&](T x, D3DXPLANE* o) { x.PlaneFromPoints(o, &u3, &v3, &w3); }, 1e-4f);
    Check<D3DXVECTOR3>(
        "Vec3Project", [&](T x, D3DXVECTOR3* o) { x.Vec3Project(o, &u3, &vp, &m, &a, &m2); }, 1e-4f);
    Check<D3DXVECTOR3>(
        "Vec3Unproject", [&](T x, D3DXVECTOR3* o) { x.Vec3Unproject(o, &u3, &vp, &m, &a, &m2); }, 1e-3f);
    Check<D3DXVECTOR4>(
        "Vec4Cross", [&](T x, D3DXVECTOR4* o) { x.Vec4Cross(o, &u4, &v4, &w4); }, 1e-5f);
    Check<D3DXVECTOR2>("Vec2Hermite", [&](T x, D3DXVECTOR2* o) { x.Vec2Hermite(o, &u2, &v2, &w2, &x2, s); });
    Check<D3DXMATRIX>(
        "MatrixInverse",
        [&](T x, D3DXMATRIX* o) {
          float det = 0;
          EXPECT_EQ(x.MatrixInverse(o, &det, &m), o);
          EXPECT_TRUE(mt::Close(det, r.MatrixDeterminant(&m), 1e-5f));
        },
        1e-4f);
    Check<D3DXQUATERNION>("QuaternionMultiply",
                          [&](T x, D3DXQUATERNION* o) { x.QuaternionMultiply(o, &q1, &q2); });
    Check<D3DXQUATERNION>(
        "QuaternionNormalize", [&](T x, D3DXQUATERNION* o) { x.QuaternionNormalize(o, &big); }, 3e-6f);
    Check<D3DXPLANE>(
        "PlaneNormalize", [&](T x, D3DXPLANE* o) { x.PlaneNormalize(o, &pl); }, 1e-5f);
    Check<D3DXVECTOR3>(
        "PlaneIntersectLine",
        [&](T x, D3DXVECTOR3* o) {
          const D3DXPLANE p(0.3f, 0.9f, 0.2f, -1);
          const D3DXVECTOR3 top(u3.x, 20, u3.z), bottom(v3.x, -20, v3.z);
          EXPECT_EQ(x.PlaneIntersectLine(o, &p, &top, &bottom), o);
        },
        1e-4f);
    Check<D3DXVECTOR4>("QuaternionToAxisAngle", [&](T x, D3DXVECTOR4* o) {
      x.QuaternionToAxisAngle(&q1, reinterpret_cast<D3DXVECTOR3*>(o), &o->w);
    });
    Check<D3DXQUATERNION>(
        "QuaternionRotationMatrix",
        [&](T x, D3DXQUATERNION* o) {
          D3DXMATRIX rot;
          r.MatrixRotationQuaternion(&rot, &q1);
          x.QuaternionRotationMatrix(o, &rot);
        },
        1e-5f);
    Check<D3DXQUATERNION>("QuaternionRotationYawPitchRoll", [&](T x, D3DXQUATERNION* o) {
      x.QuaternionRotationYawPitchRoll(o, yaw, pitch, roll);
    });
    Check<D3DXMATRIX>("MatrixTranslation", [&](T x, D3DXMATRIX* o) { x.MatrixTranslation(o, f, g, s); });
    Check<D3DXMATRIX>(
        "MatrixShadow", [&](T x, D3DXMATRIX* o) { x.MatrixShadow(o, &v4, &pl); }, 1e-4f);
    Check<D3DXMATRIX>(
        "MatrixReflect", [&](T x, D3DXMATRIX* o) { x.MatrixReflect(o, &pl); }, 1e-4f);
    Check<D3DXQUATERNION>("QuaternionRotationAxis",
                          [&](T x, D3DXQUATERNION* o) { x.QuaternionRotationAxis(o, &u3, f); });
    Check<D3DXMATRIX>("MatrixRotationX", [&](T x, D3DXMATRIX* o) { x.MatrixRotationX(o, yaw); });
    Check<D3DXMATRIX>("MatrixRotationY", [&](T x, D3DXMATRIX* o) { x.MatrixRotationY(o, yaw); });
    Check<D3DXMATRIX>("MatrixRotationZ", [&](T x, D3DXMATRIX* o) { x.MatrixRotationZ(o, yaw); });
    Check<D3DXMATRIX>("MatrixScaling", [&](T x, D3DXMATRIX* o) { x.MatrixScaling(o, f, g, s); });
    Check<D3DXPLANE>("PlaneTransform", [&](T x, D3DXPLANE* o) { x.PlaneTransform(o, &pl, &m); });
    Check<D3DXQUATERNION>(
        "QuaternionSlerp", [&](T x, D3DXQUATERNION* o) { x.QuaternionSlerp(o, &q1, &q2, s); }, 1e-4f);
    Check<D3DXQUATERNION>(
        "QuaternionBaryCentric",
        [&](T x, D3DXQUATERNION* o) { x.QuaternionBaryCentric(o, &q1, &q2, &q3, f, g); }, 1e-4f);
    Check<D3DXMATRIX>("MatrixTranspose", [&](T x, D3DXMATRIX* o) { x.MatrixTranspose(o, &m); });
    Check<D3DXMATRIX>("MatrixRotationQuaternion",
                      [&](T x, D3DXMATRIX* o) { x.MatrixRotationQuaternion(o, &q1); });
    Check<D3DXMATRIX>(
        "MatrixTransformation",
        [&](T x, D3DXMATRIX* o) { x.MatrixTransformation(o, &u3, &q1, &v3, &w3, &q2, &x3); }, 1e-4f);
    Check<D3DXMATRIX>("MatrixRotationYawPitchRoll",
                      [&](T x, D3DXMATRIX* o) { x.MatrixRotationYawPitchRoll(o, yaw, pitch, roll); });
    Check<D3DXMATRIX>(
        "MatrixAffineTransformation",
        [&](T x, D3DXMATRIX* o) { x.MatrixAffineTransformation(o, s, &u3, &q1, &v3); }, 1e-4f);
    Check<D3DXMATRIX>("MatrixRotationAxis", [&](T x, D3DXMATRIX* o) { x.MatrixRotationAxis(o, &u3, f); });
    Check<D3DXQUATERNION>(
        "QuaternionSquad", [&](T x, D3DXQUATERNION* o) { x.QuaternionSquad(o, &q1, &q2, &q3, &q4, s); },
        1e-4f);
    Check<D3DXQUATERNION>(
        "QuaternionInverse", [&](T x, D3DXQUATERNION* o) { x.QuaternionInverse(o, &big); }, 1e-5f);
    Check<D3DXVECTOR4>(
        "QuaternionSquadSetup A",
        [&](T x, D3DXVECTOR4* o) {
          D3DXQUATERNION b, c;
          x.QuaternionSquadSetup(reinterpret_cast<D3DXQUATERNION*>(o), &b, &c, &q1, &q2, &q3, &q4);
        },
        1e-4f);
    Check<D3DXVECTOR2>(
        "Vec2Normalize", [&](T x, D3DXVECTOR2* o) { x.Vec2Normalize(o, &u2); }, 3e-6f);
    Check<D3DXVECTOR2>("Vec2CatmullRom",
                       [&](T x, D3DXVECTOR2* o) { x.Vec2CatmullRom(o, &u2, &v2, &w2, &x2, s); });
    Check<D3DXVECTOR2>("Vec2BaryCentric",
                       [&](T x, D3DXVECTOR2* o) { x.Vec2BaryCentric(o, &u2, &v2, &w2, f, g); });
    Check<D3DXVECTOR3>("Vec3Hermite", [&](T x, D3DXVECTOR3* o) { x.Vec3Hermite(o, &u3, &v3, &w3, &x3, s); });
    Check<D3DXVECTOR3>("Vec3CatmullRom",
                       [&](T x, D3DXVECTOR3* o) { x.Vec3CatmullRom(o, &u3, &v3, &w3, &x3, s); });
    Check<D3DXVECTOR3>("Vec3BaryCentric",
                       [&](T x, D3DXVECTOR3* o) { x.Vec3BaryCentric(o, &u3, &v3, &w3, f, g); });
    Check<D3DXVECTOR4>("Vec4Hermite", [&](T x, D3DXVECTOR4* o) { x.Vec4Hermite(o, &u4, &v4, &w4, &x4, s); });
    Check<D3DXVECTOR4>("Vec4CatmullRom",
                       [&](T x, D3DXVECTOR4* o) { x.Vec4CatmullRom(o, &u4, &v4, &w4, &x4, s); });
    Check<D3DXVECTOR4>("Vec4BaryCentric",
                       [&](T x, D3DXVECTOR4* o) { x.Vec4BaryCentric(o, &u4, &v4, &w4, f, g); });
    Check<D3DXQUATERNION>(
        "QuaternionLn", [&](T x, D3DXQUATERNION* o) { x.QuaternionLn(o, &q1); }, 1e-5f);
    Check<D3DXQUATERNION>(
        "QuaternionExp", [&](T x, D3DXQUATERNION* o) { x.QuaternionExp(o, &q1); }, 1e-5f);
    Check<D3DXVECTOR3>("SkinnedVertexBlend", [&](T x, D3DXVECTOR3* o) {
      const D3DXMATRIX* bones[2] = {&a, &m2};
      const float w[2] = {0.25f, 0.75f};
      x.SkinnedVertexBlend(o, &u3, bones, w, 2);
    });
    Check<D3DXVECTOR3>("NPatchTessellation", [&](T x, D3DXVECTOR3* o) {
      const D3DXVECTOR3 c[10] = {u3, v3, w3, x3, u3, v3, w3, x3, u3, v3};
      x.NPatchTessellation(o, c, 0.25f, 0.5f);
    });
  }
}

TEST_P(SetsTest, ArraysMatchTheReferenceWithAnyStrideAndCount) {
  mt::Rng rng;
  const D3DXMATRIX m = rng.General();
  const D3DVIEWPORT9 vp = {0, 0, 320, 200, 0, 1};
  // Odd strides and counts around every unroll width; guard floats catch stray writes.
  constexpr int kMax = 19;
  for (UINT stride : {8u, 12u, 16u, 20u, 28u}) {
    for (UINT n : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 16u, 17u, (UINT)kMax}) {
      std::vector<float> in(kMax * 8), outT(kMax * 8 + 4, -7.0f), outR(kMax * 8 + 4, -7.0f);
      for (float& v : in) v = rng.Uniform(-10, 10);
      auto run = [&](auto fn, UINT inStride, UINT outStride) {
        std::fill(outT.begin(), outT.end(), -7.0f);
        std::fill(outR.begin(), outR.end(), -7.0f);
        fn(t, outT.data(), outStride, in.data(), inStride);
        fn(r, outR.data(), outStride, in.data(), inStride);
        for (size_t i = 0; i < outT.size(); ++i) ASSERT_TRUE(mt::Close(outT[i], outR[i], 2e-5f)) << i;
      };
      using T = const MathDispatchTable&;
      using V2 = D3DXVECTOR2;
      using V3 = D3DXVECTOR3;
      using V4 = D3DXVECTOR4;
      const UINT s2 = std::max(stride, 8u), s3 = std::max(stride, 12u), s4 = std::max(stride, 16u);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec2TransformArray((V4*)o, os, (const V2*)i, is, &m, n); },
          s2, s4);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec2TransformCoordArray((V2*)o, os, (const V2*)i, is, &m, n); },
          s2, s2);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec2TransformNormalArray((V2*)o, os, (const V2*)i, is, &m, n); },
          s2, s2);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec3TransformArray((V4*)o, os, (const V3*)i, is, &m, n); },
          s3, s4);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec3TransformCoordArray((V3*)o, os, (const V3*)i, is, &m, n); },
          s3, s3);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec3TransformNormalArray((V3*)o, os, (const V3*)i, is, &m, n); },
          s3, s3);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec4TransformArray((V4*)o, os, (const V4*)i, is, &m, n); },
          s4, s4);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.PlaneTransformArray((D3DXPLANE*)o, os, (const D3DXPLANE*)i, is, &m, n); },
          s4, s4);
      run([&](T x, float* o, UINT os, const float* i,
              UINT is) { x.Vec3ProjectArray((V3*)o, os, (const V3*)i, is, &vp, &m, nullptr, nullptr, n); },
          s3, s3);
    }
  }
  // Packed points in place, and overlapping shifted by one element either way: every set must
  // behave as element-by-element processing does.
  for (int shift : {0, 1, -1}) {
    std::vector<D3DXVECTOR3> a(20), b(20);
    for (auto& v : a) v = rng.Vec3();
    b = a;
    const int from = shift < 0 ? 1 : 0, to = from + shift;
    t.Vec3TransformCoordArray(&a[to], 12, &a[from], 12, &m, 18);
    r.Vec3TransformCoordArray(&b[to], 12, &b[from], 12, &m, 18);
    for (int i = 0; i < 20; ++i)
      EXPECT_TRUE(Near(a[i], b[i], 1e-4f)) << "shift " << shift << " element " << i;
    for (auto& v : a) v = rng.Vec3();
    b = a;
    t.Vec3TransformNormalArray(&a[to], 12, &a[from], 12, &m, 18);
    r.Vec3TransformNormalArray(&b[to], 12, &b[from], 12, &m, 18);
    for (int i = 0; i < 20; ++i)
      EXPECT_TRUE(Near(a[i], b[i], 1e-4f)) << "shift " << shift << " element " << i;
  }
  // In place with equal strides.
  std::vector<D3DXVECTOR4> a(13), b(13);
  for (auto& v : a) v = rng.Vec4();
  b = a;
  t.Vec4TransformArray(a.data(), 16, a.data(), 16, &m, 13);
  r.Vec4TransformArray(b.data(), 16, b.data(), 16, &m, 13);
  for (int i = 0; i < 13; ++i) EXPECT_TRUE(Near(a[i], b[i]));
}

TEST_P(SetsTest, Float16MatchesBitForBit) {
  std::vector<D3DXFLOAT16> h(65536 + 3);
  for (uint32_t i = 0; i < h.size(); ++i) h[i].value = (WORD)i;
  std::vector<float> a(h.size()), b(h.size());
  t.Float16To32Array(a.data(), h.data(), (UINT)h.size());
  r.Float16To32Array(b.data(), h.data(), (UINT)h.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * 4), 0);
  std::vector<D3DXFLOAT16> c(a.size()), d(a.size());
  t.Float32To16Array(c.data(), a.data(), (UINT)a.size());
  r.Float32To16Array(d.data(), a.data(), (UINT)a.size());
  EXPECT_EQ(std::memcmp(c.data(), d.data(), c.size() * 2), 0);
}

std::string SetName(const ::testing::TestParamInfo<Set>& info) {
  static const char* const kNames[] = {"X87", "ThreeDNow", "ThreeDNowExt", "Sse", "Sse2", "Sse2Wide"};
  return kNames[(int)info.param];
}

INSTANTIATE_TEST_SUITE_P(AllSets, SetsTest,
                         ::testing::Values(Set::X87, Set::ThreeDNow, Set::ThreeDNowExt, Set::Sse, Set::Sse2,
                                           Set::Sse2Wide),
                         SetName);

TEST_P(SetsTest, TransformationIgnoresAScalingCentreWithoutScalingRotation) {
  const D3DXVECTOR3 s(2, 2, 2), c(1, 0, 0);
  D3DXMATRIX out;
  t.MatrixTransformation(&out, &c, nullptr, &s, nullptr, nullptr, nullptr);
  EXPECT_EQ(out, D3DXMATRIX(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1));
}

// ---------------------------------------------------------------------------------------------
// The documented differences, each against the reference.

TEST(SetDifferences, X87Normalize) {
  const MathDispatchTable x = Build(Set::X87);
  D3DXVECTOR3 out;
  const D3DXVECTOR3 zero(0, 0, 0), tiny(1e-20f, 0, 0), nearUnit(1.000004f, 0, 0);
  x.Vec3Normalize(&out, &zero);
  EXPECT_EQ(out, zero);
  x.Vec3Normalize(&out, &tiny);  // n = 1e-40 is not exactly 0: not zeroed (the reference zeroes it)
  EXPECT_NEAR(out.x, 1.0f, 2e-6f);
  // Subnormal squared lengths keep both direction and unit length.
  const D3DXVECTOR3 tinySlant(3e-21f, -4e-21f, 0), smallest(1e-45f, 0, 0);
  x.Vec3Normalize(&out, &tinySlant);
  EXPECT_TRUE(Near(out, D3DXVECTOR3(0.6f, -0.8f, 0), 2e-6f));
  x.Vec3Normalize(&out, &smallest);  // n underflows to 0: zero
  EXPECT_EQ(out, zero);
  x.Vec3Normalize(&out, &nearUnit);  // |n - 1| = 8e-6 <= 1e-5: copied
  EXPECT_TRUE(mt::SameBits(out, nearUnit));
  mathref::Vec3Normalize(&out, &nearUnit);
  EXPECT_NE(out.x, nearUnit.x);
  mt::Rng rng;
  for (int i = 0; i < 1000; ++i) {
    const D3DXVECTOR3 v = rng.Vec3(100);
    x.Vec3Normalize(&out, &v);
    EXPECT_NEAR(D3DXVec3Length(&out), 1.0f, 2e-6f);
  }
}

TEST(SetDifferences, SimdNormalizeThresholds) {
  for (Set s : {Set::Sse, Set::Sse2}) {
    const MathDispatchTable x = Build(s);
    D3DXVECTOR3 out;
    const D3DXVECTOR3 below(1e-7f, 0, 0), above(2e-7f, 0, 0);  // n = 1e-14 and 4e-14 around 2^-46
    x.Vec3Normalize(&out, &below);
    EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
    mathref::Vec3Normalize(&out, &below);
    EXPECT_FLOAT_EQ(out.x, 1.0f);
    x.Vec3Normalize(&out, &above);
    EXPECT_NEAR(out.x, 1.0f, 1e-6f);
    const D3DXPLANE pb(1e-7f, 0, 0, 5), pa(0, 2e-7f, 0, 5);
    D3DXPLANE p;
    x.PlaneNormalize(&p, &pb);
    EXPECT_EQ(p, D3DXPLANE(0, 0, 0, 0));
    x.PlaneNormalize(&p, &pa);
    EXPECT_NEAR(p.b, 1.0f, 1e-6f);
    EXPECT_NEAR(p.d, 2.5e7f, 50.0f);
    // Vec4 and quaternion: no zero test at all.
    const D3DXVECTOR4 z4(0, 0, 0, 0);
    D3DXVECTOR4 o4;
    x.Vec4Normalize(&o4, &z4);
    EXPECT_TRUE(std::isnan(o4.x) && std::isnan(o4.w));
    const D3DXQUATERNION zq(0, 0, 0, 0);
    D3DXQUATERNION oq;
    x.QuaternionNormalize(&oq, &zq);
    EXPECT_TRUE(std::isnan(oq.x) && std::isnan(oq.w));
  }
}

TEST(SetDifferences, ThreeDNowNormalize) {
  const MathDispatchTable x = Build(Set::ThreeDNow);
  D3DXVECTOR3 out;
  const D3DXVECTOR3 tiny(1e-20f, 0, 0), small(2e-19f, 0, 0), unit(0.6f, 0.8f, 0);
  x.Vec3Normalize(&out, &tiny);
  EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
  x.Vec3Normalize(&out, &small);  // n = 4e-38 > m
  EXPECT_NEAR(out.x, 1.0f, 1e-6f);
  x.Vec3Normalize(&out, &unit);  // no copy shortcut, but the same direction
  EXPECT_TRUE(Near(out, unit, 1e-6f));
}

TEST(SetDifferences, SimdTransformCoordAlwaysDivides) {
  for (Set s : {Set::Sse, Set::Sse2}) {
    const MathDispatchTable x = Build(s);
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._44 = 1.0000001f;
    const D3DXVECTOR3 v(3, 5, 7);
    D3DXVECTOR3 out;
    x.Vec3TransformCoord(&out, &v, &m);
    const float k = _mm_cvtss_f32(simd::Rcp(_mm_set1_ps(m._44)));
    EXPECT_EQ(out, D3DXVECTOR3(3 * k, 5 * k, 7 * k));
    mathref::Vec3TransformCoord(&out, &v, &m);
    EXPECT_TRUE(mt::SameBits(out, v));
    const D3DXVECTOR2 v2(3, 5);
    D3DXVECTOR2 o2;
    x.Vec2TransformCoord(&o2, &v2, &m);
    EXPECT_EQ(o2, D3DXVECTOR2(3 * k, 5 * k));
  }
}

TEST(SetDifferences, SseQuaternionInverseHasNoThreshold) {
  const MathDispatchTable sse = Build(Set::Sse), sse2 = Build(Set::Sse2);
  const D3DXQUATERNION zero(0, 0, 0, 0), tiny(0, 0, 0, 1e-10f);
  D3DXQUATERNION out;
  sse.QuaternionInverse(&out, &zero);
  EXPECT_FALSE(std::isfinite(out.w));
  sse.QuaternionInverse(&out, &tiny);
  EXPECT_NE(out.w, 0.0f);
  // The SSE2 set keeps the reference here.
  EXPECT_EQ(sse2.QuaternionInverse, MathReferenceTable.QuaternionInverse);
  sse2.QuaternionInverse(&out, &tiny);
  EXPECT_EQ(out, D3DXQUATERNION(0, 0, 0, 0));
}

TEST(SetDifferences, SimdInverseAndIntersection) {
  for (Set s : {Set::Sse, Set::Sse2}) {
    const MathDispatchTable x = Build(s);
    D3DXMATRIX zeroRow(1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3), out(zeroRow);
    float det = 42;
    EXPECT_EQ(x.MatrixInverse(&out, &det, &zeroRow), nullptr);
    EXPECT_EQ(det, 42.0f);  // not written (the reference writes 0)
    D3DXMATRIX nan;
    D3DXMatrixIdentity(&nan);
    nan._11 = NAN;
    EXPECT_EQ(x.MatrixInverse(&out, &det, &nan), nullptr);
    EXPECT_EQ(det, 42.0f);
    // A determinant whose reciprocal overflows: no finiteness test, the result is returned.
    D3DXMATRIX tiny;
    D3DXMatrixScaling(&tiny, 1e-10f, 1e-10f, 1e-10f);
    tiny._44 = 1e-10f;
    EXPECT_EQ(x.MatrixInverse(&out, &det, &tiny), &out);
    EXPECT_NE(det, 42.0f);
    EXPECT_EQ(mathref::MatrixInverse(&out, &det, &tiny), nullptr);

    const D3DXPLANE p(0, 1, 0, -2);
    const D3DXVECTOR3 a(1, 0, 1), parallel(5, 0, 7), nanPoint(NAN, NAN, NAN);
    D3DXVECTOR3 o(9, 9, 9);
    EXPECT_EQ(x.PlaneIntersectLine(&o, &p, &a, &parallel), nullptr);
    EXPECT_EQ(x.PlaneIntersectLine(&o, &p, &a, &nanPoint), nullptr);
    EXPECT_EQ(o, D3DXVECTOR3(9, 9, 9));
    const D3DXVECTOR3 e(1, 1e-38f, 1), f(1, 0, 1);
    const D3DXPLANE far(0, 1, 0, -1e30f);
    EXPECT_EQ(x.PlaneIntersectLine(&o, &far, &e, &f), &o);  // t is not checked
    EXPECT_EQ(mathref::PlaneIntersectLine(&o, &far, &e, &f), nullptr);
  }
}
