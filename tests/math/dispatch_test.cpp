// Processor detection, registry switches, the initialiser entries and the MMX test.
#include <set>
#include <string>

#include "fake_processor.h"

using mt::DispatchTest;
using mt::gFakeCpu;
using mt::ReferencePlus;
using mt::SameTable;

TEST_F(DispatchTest, FirstCallRunsDetectionThroughTheInitialiser) {
  Cpu(mt::kEdxMmx | mt::kEdxSse | mt::kEdxSse2);
  for (int i = 0; i < kMathSlotCount; ++i) ASSERT_TRUE(MathSlotIsInitialiser(MathSlot(i))) << i;
  EXPECT_EQ(MathOptimizationLevel(), 0xFFFFu);
  // The first call of any routine detects, then continues into the routine with its arguments.
  const D3DXVECTOR3 v(1, 2, 3);
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 10, 20, 30);
  D3DXVECTOR3 out;
  EXPECT_EQ(D3DXVec3TransformCoord(&out, &v, &m), &out);
  EXPECT_TRUE(mt::Near(out, D3DXVECTOR3(11, 22, 33)));
  EXPECT_EQ(MathOptimizationLevel(), 2u);
  for (int i = 0; i < kMathSlotCount; ++i) EXPECT_FALSE(MathSlotIsInitialiser(MathSlot(i))) << i;
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 2u);  // detection has run: unchanged
}

TEST_F(DispatchTest, InitialiserReturnsScalarsAndNulls) {
  Cpu(mt::kEdxSse | mt::kEdxSse2);
  D3DXMATRIX zero = {};
  EXPECT_EQ(D3DXMatrixDeterminant(&zero), 0.0f);
  MathResetDispatch();
  D3DXMATRIX out;
  EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &zero), nullptr);
}

TEST_F(DispatchTest, DisableD3DXPSGPOneOverridesDisablePSGPZero) {
  Cpu(mt::kEdxMmx | mt::kEdxSse | mt::kEdxSse2, mt::kExt3DNow);
  Registry("\"DisablePSGP\"=dword:00000000\n\"DisableD3DXPSGP\"=dword:00000001");
  D3DXMATRIX a, b, c;
  D3DXMatrixIdentity(&a);
  D3DXMatrixIdentity(&b);
  D3DXMatrixMultiply(&c, &a, &b);
  EXPECT_EQ(MathOptimizationLevel(), 0u);
  EXPECT_TRUE(SameTable(MathDispatch, ReferencePlus(nullptr)));
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 0u);
}

TEST_F(DispatchTest, ModeTwoSkips3DNowForSse2) {
  Cpu(mt::kEdxMmx | mt::kEdxSse | mt::kEdxSse2, mt::kExt3DNow | mt::kExt3DNowExt | mt::kExtMmxExt);
  Registry("\"DisablePSGP\"=dword:00000002");
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 2u);
  EXPECT_TRUE(
      SameTable(MathDispatch, ReferencePlus([](MathDispatchTable& t) { MathInstallSse2(t, false); })));
  // Without the switch the same processor gets the 3DNow! set.
  MathResetDispatch();
  Registry("");
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 1u);
  const DWORD word = MathProcessorFeatureWord();
  EXPECT_TRUE(SameTable(MathDispatch, ReferencePlus([](MathDispatchTable& t) {
                          MathInstall3DNow(t, MathProcessorFeatureWord());
                        })));
  EXPECT_EQ(word, (DWORD)(kCpuHasCpuid | kCpuHasStandardLeaf1 | kCpuHasExtendedLeaves | kCpuMmx | kCpuSse |
                          kCpu3DNow | kCpu3DNowExt | kCpuMmxExt));
}

TEST_F(DispatchTest, StringValuesCountAsAbsent) {
  Cpu(mt::kEdxSse | mt::kEdxSse2);
  Registry("\"DisableD3DXPSGP\"=\"1\"");
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 2u);
  // A string does not replace a DWORD read before it either.
  MathResetDispatch();
  Registry("\"DisablePSGP\"=dword:00000001\n\"DisableD3DXPSGP\"=\"0\"");
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 0u);
  // Any other number allows everything.
  MathResetDispatch();
  Registry("\"DisablePSGP\"=dword:00000007");
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 2u);
}

TEST_F(DispatchTest, DisableThenEnableDetectsAgain) {
  Cpu(mt::kEdxSse | mt::kEdxSse2);
  EXPECT_EQ(D3DXCpuOptimizations(FALSE), 0xFFFFu);
  EXPECT_TRUE(SameTable(MathDispatch, MathReferenceTable));
  EXPECT_EQ(MathDispatch.MatrixMultiply, &mathref::MatrixMultiply);
  // Calls now go straight to the reference; the initialisers are gone.
  D3DXMATRIX a, out;
  D3DXMatrixScaling(&a, 2, 3, 4);
  D3DXMatrixMultiply(&out, &a, &a);
  EXPECT_EQ(out._33, 16.0f);
  EXPECT_EQ(MathOptimizationLevel(), 0xFFFFu);
  // Switching the registry in between is seen by the new detection.
  Registry("\"DisableD3DXPSGP\"=dword:00000001");
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 0u);
  EXPECT_EQ(D3DXCpuOptimizations(FALSE), 0xFFFFu);
  Registry("");
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 2u);
}

TEST_F(DispatchTest, LevelsFollowTheProcessor) {
  Cpu(0);
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 0u);
  EXPECT_TRUE(SameTable(MathDispatch, ReferencePlus(nullptr)));
  D3DXCpuOptimizations(FALSE);
  Cpu(mt::kEdxSse);
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 3u);
  EXPECT_TRUE(SameTable(MathDispatch, ReferencePlus(MathInstallSse)));
  D3DXCpuOptimizations(FALSE);
  // SSE2 with AVX2 and FMA: the wide array transforms.
  Cpu(mt::kEdxSse | mt::kEdxSse2, 0, mt::kEcxFma | mt::kEcxOsxsave | mt::kEcxAvx, mt::kEbxAvx2);
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 2u);
  EXPECT_TRUE(SameTable(MathDispatch, ReferencePlus([](MathDispatchTable& t) { MathInstallSse2(t, true); })));
  D3DXCpuOptimizations(FALSE);
  // 3DNow! without MMX still chooses level 1, with only the SSE arrays installed.
  Cpu(mt::kEdxSse, mt::kExt3DNow);
  EXPECT_EQ(D3DXCpuOptimizations(TRUE), 1u);
  MathDispatchTable expect = ReferencePlus(nullptr);
  MathInstall3DNow(expect, kCpuHasCpuid | kCpuHasStandardLeaf1 | kCpuHasExtendedLeaves | kCpuSse | kCpu3DNow);
  EXPECT_TRUE(SameTable(MathDispatch, expect));
  EXPECT_EQ(MathDispatch.Vec3Normalize, ReferencePlus(nullptr).Vec3Normalize);  // the x87 version stays
}

TEST_F(DispatchTest, ThreeDNowInstallsBySubset) {
  const DWORD base = kCpuHasCpuid | kCpuHasStandardLeaf1 | kCpuHasExtendedLeaves;
  MathDispatchTable plain = ReferencePlus(nullptr), ext = plain, sseOnly = plain, none = plain;
  MathInstall3DNow(plain, base | kCpuMmx | kCpu3DNow);
  MathInstall3DNow(ext, base | kCpuMmx | kCpu3DNow | kCpu3DNowExt | kCpuMmxExt);
  MathInstall3DNow(sseOnly, base | kCpuSse);
  MathInstall3DNow(none, base | kCpu3DNow | kCpu3DNowExt | kCpuMmxExt);  // no MMX: nothing
  const MathDispatchTable x87 = ReferencePlus(nullptr);
  EXPECT_TRUE(SameTable(none, x87));
  EXPECT_NE(plain.Vec3Normalize, x87.Vec3Normalize);
  EXPECT_NE(plain.PlaneTransform, x87.PlaneTransform);          // the plane transform too
  EXPECT_EQ(plain.Vec3TransformArray, x87.Vec3TransformArray);  // arrays need SSE
  EXPECT_NE(sseOnly.Vec3TransformArray, x87.Vec3TransformArray);
  EXPECT_EQ(sseOnly.Vec3Normalize, x87.Vec3Normalize);
  EXPECT_EQ(plain.Vec3ProjectArray, x87.Vec3ProjectArray);  // past the half floats: untouched
  EXPECT_EQ(plain.NPatchTessellation, x87.NPatchTessellation);
  // The extended set replaces exactly these five.
  const std::set<std::string> extended = {"Vec3Unproject", "MatrixInverse", "QuaternionRotationMatrix",
                                          "MatrixRotationQuaternion", "MatrixTransformation"};
#define SKYVALE_COMPARE_SLOT(name, ret, params, args) \
  EXPECT_EQ(plain.name != ext.name, extended.count(#name) == 1) << #name;
  SKYVALE_MATH_SLOTS(SKYVALE_COMPARE_SLOT)
#undef SKYVALE_COMPARE_SLOT
}

TEST_F(DispatchTest, FeatureWordWithoutLeaves) {
  gFakeCpu.maxLeaf = 0;
  gFakeCpu.leaf1Edx = mt::kEdxMmx;
  gFakeCpu.ext1Edx = mt::kExt3DNow;
  EXPECT_EQ(MathProcessorFeatureWord(), (DWORD)kCpuHasCpuid);
  gFakeCpu.maxLeaf = 1;
  gFakeCpu.maxExtended = 0x80000000;
  EXPECT_EQ(MathProcessorFeatureWord(), (DWORD)(kCpuHasCpuid | kCpuHasStandardLeaf1 | kCpuMmx));
  EXPECT_FALSE(IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
  gFakeCpu.maxExtended = 0x80000001;
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
}

TEST_F(DispatchTest, PublicEntriesJumpThroughTheirSlot) {
  static const D3DXMATRIX* seen[3];
  static D3DXMATRIX sentinel;
  D3DXCpuOptimizations(FALSE);
  MathDispatch.MatrixMultiply = [](D3DXMATRIX* o, const D3DXMATRIX* a, const D3DXMATRIX* b) -> D3DXMATRIX* {
    seen[0] = o, seen[1] = a, seen[2] = b;
    return &sentinel;
  };
  D3DXMATRIX x, y, z;
  EXPECT_EQ(D3DXMatrixMultiply(&x, &y, &z), &sentinel);
  EXPECT_EQ(seen[0], &x);
  EXPECT_EQ(seen[1], &y);
  EXPECT_EQ(seen[2], &z);
  D3DXCpuOptimizations(FALSE);
}

TEST_F(DispatchTest, MmxSwitchIsReadOnEveryCall) {
  Cpu(mt::kEdxMmx);
  Registry("\"DisableMMX\"=dword:00000001");
  gFakeCpu.calls = 0;
  EXPECT_EQ(IsMmxAvailable(), 0);
  EXPECT_EQ(gFakeCpu.calls, 0);  // the processor was not asked
  // Removing the switch does not bring MMX back within the run.
  Registry("");
  EXPECT_EQ(IsMmxAvailable(), 0);
  // A fresh state asks the processor once.
  MathResetMmxState();
  EXPECT_EQ(IsMmxAvailable(), 1);
  Cpu(0);
  EXPECT_EQ(IsMmxAvailable(), 1);  // answered from the state
  Registry("\"DisableMMX\"=dword:00000001");
  EXPECT_EQ(IsMmxAvailable(), 0);  // the switch takes effect at once
  MathResetMmxState();
  Registry("\"DisableMMX\"=dword:00000000");
  EXPECT_EQ(IsMmxAvailable(), 0);  // no MMX on this processor
  MathResetMmxState();
  Cpu(mt::kEdxMmx);
  Registry("\"DisableMMX\"=\"1\"");
  EXPECT_EQ(IsMmxAvailable(), 1);  // a string switch is not a switch
}

TEST(ApproxInvSqrt, GivenValuesAndTableEntries) {
  EXPECT_EQ(ApproxInvSqrt(mt::Bits(1.0f)), 1.0f);
  EXPECT_EQ(ApproxInvSqrt(mt::Bits(4.0f)), 0.5f);
  EXPECT_NEAR(ApproxInvSqrt(mt::Bits(2.0f)), 0.70710677f, 1.5e-6f * 0.70710677f);
  EXPECT_EQ(kInvSqrtTable[0].slope, -1.41009521484375f);
  EXPECT_EQ(kInvSqrtTable[0].intercept, 2.1192612648f);
  EXPECT_EQ(kInvSqrtTable[256].slope, -0.49853515625f);
  EXPECT_EQ(kInvSqrtTable[256].intercept, 1.49853515625f);
  EXPECT_EQ(kInvSqrtTable[511].slope, -0.177032470703125f);
  EXPECT_EQ(kInvSqrtTable[511].intercept, 1.06117177f);
}

TEST(ApproxInvSqrt, ErrorBoundOverTheWholeTable) {
  // Every entry, at its ends and across its interval, at several scales.
  double worst = 0;
  for (int e : {-40, -3, 0, 1, 7, 50}) {
    for (int i = 0; i < 512; ++i) {
      const double width = i < 256 ? 1.0 / 512 : 1.0 / 256;
      const double a = i < 256 ? 0.5 + i * width : 1.0 + (i - 256) * width;
      for (int k = 0; k < 16; ++k) {
        const float m = (float)(a + width * k / 16);
        const float x = std::ldexp(m, 2 * e);
        const double exact = 1.0 / std::sqrt((double)x);
        worst = std::max(worst, std::fabs(ApproxInvSqrt(mt::Bits(x)) - exact) / exact);
      }
    }
  }
  EXPECT_LE(worst, 1.5e-6);
}

TEST_F(DispatchTest, SystemInfoAndVectorFeaturesFromThePresentedProcessor) {
  Cpu(mt::kEdxMmx | mt::kEdxSse | mt::kEdxSse2, 0, mt::kEcxFma | mt::kEcxAvx, mt::kEbxAvx2);
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
  EXPECT_EQ(info.wProcessorLevel, 6);
  EXPECT_GT(info.dwPageSize, 0u);
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
  GetSystemInfo(nullptr);  // ignored
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
  // AVX needs the operating system to save the registers (OSXSAVE); without it, no wide paths.
  EXPECT_FALSE(IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE));
  EXPECT_FALSE(MathProcessorHasAvx2Fma());
  gFakeCpu.leaf1Ecx |= mt::kEcxOsxsave;
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE));
  EXPECT_TRUE(MathProcessorHasAvx2Fma());
  gFakeCpu.leaf1Ecx &= ~mt::kEcxFma;
  EXPECT_FALSE(MathProcessorHasAvx2Fma());
  EXPECT_FALSE(IsProcessorFeaturePresent(12345));
}
