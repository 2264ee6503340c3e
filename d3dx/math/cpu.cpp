// Processor detection for the math sets, the MMX test and the table reciprocal square root.
#include "cpu.h"

#include <windows.h>

#include <array>

#include "dispatch.h"
#include "mathutil.h"

namespace {

LONG gMmxState = -1;

DWORD Bit(DWORD word, int bit) { return (word >> bit) & 1; }

constexpr double ConstSqrt(double x) {
  double r = x > 1 ? x : 1;
  for (int i = 0; i < 64; ++i) r = 0.5 * (r + x / r);
  return r;
}

constexpr double RoundToStep(double x, double step) {
  const double q = x / step;
  const long long n = (long long)(q < 0 ? q - 0.5 : q + 0.5);
  return (double)n * step;
}

// Each entry is the chord of 1/sqrt(m) over its interval, the slope rounded to a multiple of
// 2^-15 and the intercept chosen so the left end stays exact before rounding to float.
constexpr std::array<InvSqrtEntry, 512> MakeInvSqrtTable() {
  std::array<InvSqrtEntry, 512> t{};
  for (int i = 0; i < 512; ++i) {
    const double width = i < 256 ? 1.0 / 512 : 1.0 / 256;
    const double a = i < 256 ? 0.5 + i * width : 1.0 + (i - 256) * width;
    const double fa = 1.0 / ConstSqrt(a), fb = 1.0 / ConstSqrt(a + width);
    const double slope = RoundToStep((fb - fa) / width, 1.0 / 32768);
    t[i] = {(float)slope, (float)(fa - slope * a)};
  }
  return t;
}
constexpr std::array<InvSqrtEntry, 512> kTable = MakeInvSqrtTable();

}  // namespace

const InvSqrtEntry kInvSqrtTable[512] = {
#define E(i) kTable[i]
#define E8(i) E(i), E(i + 1), E(i + 2), E(i + 3), E(i + 4), E(i + 5), E(i + 6), E(i + 7)
#define E64(i) E8(i), E8(i + 8), E8(i + 16), E8(i + 24), E8(i + 32), E8(i + 40), E8(i + 48), E8(i + 56)
    E64(0),   E64(64),  E64(128), E64(192), E64(256),
    E64(320), E64(384), E64(448)
#undef E64
#undef E8
#undef E
};

FLOAT ApproxInvSqrt(DWORD bits) {
  using mathutil::FromBits;
  // x = m * 4^k: m keeps the mantissa and the lowest exponent bit, so m is in [0.5, 1) for an
  // even biased exponent and [1, 2) for an odd one.
  const float m = FromBits((bits & 0x00FFFFFF) | 0x3F000000);
  const InvSqrtEntry& e = kInvSqrtTable[(bits >> 15) & 0x1FF];
  const float scale = FromBits(((0xBEFFFFFF - bits) >> 1) & 0xFF800000);
  return (e.slope * m + e.intercept) * scale;
}

DWORD MathProcessorFeatureWord() {
  DWORD r[4];
  DWORD word = kCpuHasCpuid;
  SkyvaleCpuid(0, 0, r);
  if (r[0] < 1) return word;
  word |= kCpuHasStandardLeaf1;
  SkyvaleCpuid(1, 0, r);
  if (Bit(r[3], 23)) word |= kCpuMmx;
  if (Bit(r[3], 25)) word |= kCpuSse;
  SkyvaleCpuid(0x80000000u, 0, r);
  if (r[0] <= 0x80000000u) return word;
  word |= kCpuHasExtendedLeaves;
  SkyvaleCpuid(0x80000001u, 0, r);
  if (Bit(r[3], 31)) word |= kCpu3DNow;
  if (Bit(r[3], 30)) word |= kCpu3DNowExt;
  if (Bit(r[3], 22)) word |= kCpuMmxExt;
  return word;
}

// Asks the processor directly (leaf 1, EDX bit 26). On this platform the instruction cannot
// fault, so no guard is needed.
bool MathProcessorHasSse2() {
  DWORD r[4];
  SkyvaleCpuid(0, 0, r);
  if (r[0] < 1) return false;
  SkyvaleCpuid(1, 0, r);
  return Bit(r[3], 26);
}

bool MathProcessorHasAvx2Fma() {
  DWORD r[4];
  SkyvaleCpuid(1, 0, r);
  return IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE) && Bit(r[2], 12);
}

void MathResetMmxState() { gMmxState = -1; }

LONG IsMmxAvailable() {
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key) == ERROR_SUCCESS) {
    DWORD type = REG_NONE, data = 0, size = sizeof(data);
    const LONG rc =
        RegQueryValueExA(key, "DisableMMX", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS && type == REG_DWORD && data != 0) {
      gMmxState = 0;
      return 0;
    }
  }
  if (gMmxState == -1) {
    gMmxState = 0;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    // A 64-bit x86 process reports its own architecture; its processors are x86 processors
    // with MMX just the same.
    const bool x86 = info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ||
                     info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    DWORD r[4];
    SkyvaleCpuid(1, 0, r);
    if (x86 && info.wProcessorLevel >= 5 && Bit(r[3], 23)) {
#if defined(__x86_64__) || defined(__i386__)
      __asm__ volatile("emms");
#endif
      gMmxState = 1;
    }
  }
  return gMmxState;
}
