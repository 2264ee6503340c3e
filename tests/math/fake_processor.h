// A presented processor and a presented registry for the dispatch tests.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../../d3dx/math/cpu.h"
#include "math_test_util.h"
#include "temp_path.h"

namespace mt {

struct FakeCpu {
  DWORD maxLeaf = 1;
  DWORD leaf1Ecx = 0, leaf1Edx = 0;
  DWORD leaf7Ebx = 0;
  DWORD maxExtended = 0x80000001;
  DWORD ext1Edx = 0;
  int calls = 0;
};

inline FakeCpu gFakeCpu;

inline void FakeCpuid(DWORD leaf, DWORD, DWORD r[4]) {
  ++gFakeCpu.calls;
  r[0] = r[1] = r[2] = r[3] = 0;
  if (leaf == 0) r[0] = gFakeCpu.maxLeaf;
  if (leaf == 1 && gFakeCpu.maxLeaf >= 1) {
    r[0] = 0x00000670;  // family 6
    r[2] = gFakeCpu.leaf1Ecx;
    r[3] = gFakeCpu.leaf1Edx;
  }
  if (leaf == 7 && gFakeCpu.maxLeaf >= 7) r[1] = gFakeCpu.leaf7Ebx;
  if (leaf == 0x80000000u) r[0] = gFakeCpu.maxExtended;
  if (leaf == 0x80000001u && gFakeCpu.maxExtended >= 0x80000001u) r[3] = gFakeCpu.ext1Edx;
}

constexpr DWORD kEdxMmx = 1u << 23, kEdxSse = 1u << 25, kEdxSse2 = 1u << 26;
constexpr DWORD kExt3DNow = 1u << 31, kExt3DNowExt = 1u << 30, kExtMmxExt = 1u << 22;
constexpr DWORD kEcxFma = 1u << 12, kEcxOsxsave = 1u << 27, kEcxAvx = 1u << 28, kEbxAvx2 = 1u << 5;

// Presents a processor and a registry file for the length of a test, and starts every test
// from the tables as they are at process start.
struct DispatchTest : ::testing::Test {
  std::string regPath;

  void SetUp() override {
    gFakeCpu = FakeCpu();
    SkyvaleSetProcessorFeatureOverride(FakeCpuid);
    regPath = TempPath(std::string("math_") +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".reg");
    setenv("SKYVALE_REGISTRY", regPath.c_str(), 1);
    Registry("");
    MathResetDispatch();
    MathResetMmxState();
  }
  void TearDown() override {
    SkyvaleSetProcessorFeatureOverride(nullptr);
    unsetenv("SKYVALE_REGISTRY");
    std::remove(regPath.c_str());
    MathResetDispatch();
    MathResetMmxState();
  }
  // Values under HKEY_LOCAL_MACHINE\Software\Direct3D, one .reg line each.
  void Registry(const std::string& values) {
    FILE* f = std::fopen(regPath.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n%s\n",
                 values.c_str());
    std::fclose(f);
  }
  void Cpu(DWORD edx, DWORD ext = 0, DWORD ecx = 0, DWORD ebx7 = 0) {
    gFakeCpu.maxLeaf = 7;
    gFakeCpu.leaf1Edx = edx;
    gFakeCpu.leaf1Ecx = ecx;
    gFakeCpu.leaf7Ebx = ebx7;
    gFakeCpu.ext1Edx = ext;
  }
};

inline MathDispatchTable ReferencePlus(void (*install)(MathDispatchTable&)) {
  MathDispatchTable t;
  MathCopyTable(t, MathReferenceTable);
  MathInstallX87(t);
  if (install) install(t);
  return t;
}

inline bool SameTable(const MathDispatchTable& a, const MathDispatchTable& b) {
  return std::memcmp(&a, &b, sizeof(a)) == 0;
}

}  // namespace mt
