// Processor features and system information from the identification instruction.
#include <sysinfoapi.h>
#include <unistd.h>
#include <winbase.h>
#include <winerror.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

SkyvaleCpuidFn gOverride = nullptr;

DWORD Bit(DWORD word, int bit) { return (word >> bit) & 1; }

// Whether the operating system saves the AVX register state (XCR0 bits 1 and 2).
bool OsSavesAvxState() {
  DWORD r[4];
  SkyvaleCpuid(1, 0, r);
  if (!Bit(r[2], 27)) return false;  // no OSXSAVE
#if defined(__x86_64__) || defined(__i386__)
  if (gOverride) return true;  // a presented processor comes with a presented system
  uint32_t lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (lo & 6) == 6;
#else
  return false;
#endif
}

}  // namespace

void SkyvaleSetProcessorFeatureOverride(SkyvaleCpuidFn fn) { gOverride = fn; }

void SkyvaleCpuid(DWORD leaf, DWORD subleaf, DWORD regs[4]) {
  regs[0] = regs[1] = regs[2] = regs[3] = 0;
  if (gOverride) {
    gOverride(leaf, subleaf, regs);
    return;
  }
#if defined(__x86_64__) || defined(__i386__)
  // Leaves beyond the processor's maximum read as zeros rather than repeating the top leaf.
  const unsigned base = leaf & 0x80000000u;
  const unsigned max = __get_cpuid_max(base, nullptr);
  if (leaf > max) return;
  unsigned a, b, c, d;
  __cpuid_count(leaf, subleaf, a, b, c, d);
  regs[0] = a, regs[1] = b, regs[2] = c, regs[3] = d;
#endif
}

BOOL IsProcessorFeaturePresent(DWORD feature) {
  DWORD l0[4], l1[4], l7[4], e0[4], e1[4];
  SkyvaleCpuid(0, 0, l0);
  SkyvaleCpuid(1, 0, l1);
  if (l0[0] < 1) l1[0] = l1[1] = l1[2] = l1[3] = 0;
  SkyvaleCpuid(7, 0, l7);
  if (l0[0] < 7) l7[0] = l7[1] = l7[2] = l7[3] = 0;
  SkyvaleCpuid(0x80000000u, 0, e0);
  SkyvaleCpuid(0x80000001u, 0, e1);
  if (e0[0] < 0x80000001u) e1[0] = e1[1] = e1[2] = e1[3] = 0;
  const DWORD edx = l1[3], ecx = l1[2];
  switch (feature) {
    case PF_COMPARE_EXCHANGE_DOUBLE:
      return Bit(edx, 8);
    case PF_MMX_INSTRUCTIONS_AVAILABLE:
      return Bit(edx, 23);
    case PF_XMMI_INSTRUCTIONS_AVAILABLE:
      return Bit(edx, 25);
    case PF_3DNOW_INSTRUCTIONS_AVAILABLE:
      return Bit(e1[3], 31);
    case PF_RDTSC_INSTRUCTION_AVAILABLE:
      return Bit(edx, 4);
    case PF_PAE_ENABLED:
      return Bit(edx, 6);
    case PF_XMMI64_INSTRUCTIONS_AVAILABLE:
      return Bit(edx, 26);
    case PF_NX_ENABLED:
      return Bit(e1[3], 20);
    case PF_SSE3_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 0);
    case PF_COMPARE_EXCHANGE128:
      return Bit(ecx, 13);
    case PF_SSSE3_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 9);
    case PF_SSE4_1_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 19);
    case PF_SSE4_2_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 20);
    case PF_AVX_INSTRUCTIONS_AVAILABLE:
      return Bit(ecx, 28) && OsSavesAvxState();
    case PF_AVX2_INSTRUCTIONS_AVAILABLE:
      return Bit(l7[1], 5) && Bit(ecx, 28) && OsSavesAvxState();
    case PF_AVX512F_INSTRUCTIONS_AVAILABLE:
      return Bit(l7[1], 16) && OsSavesAvxState();
    default:
      return FALSE;
  }
}

void GetSystemInfo(LPSYSTEM_INFO info) {
  if (!info) return;
  *info = SYSTEM_INFO{};
  DWORD l0[4], l1[4];
  SkyvaleCpuid(0, 0, l0);
  SkyvaleCpuid(1, 0, l1);
  if (l0[0] < 1) l1[0] = 0;
  const long page = sysconf(_SC_PAGESIZE);
  const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
#if defined(__x86_64__)
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  info->dwProcessorType = PROCESSOR_AMD_X8664;
#elif defined(__i386__)
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  info->dwProcessorType = PROCESSOR_INTEL_PENTIUM;
#else
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
  // Family, with the extended family added for the families that use it.
  DWORD family = (l1[0] >> 8) & 0xF;
  const DWORD model = ((l1[0] >> 4) & 0xF) | (family >= 6 ? ((l1[0] >> 16) & 0xF) << 4 : 0);
  if (family == 0xF) family += (l1[0] >> 20) & 0xFF;
  info->wProcessorLevel = (WORD)family;
  info->wProcessorRevision = (WORD)(model << 8 | (l1[0] & 0xF));
  info->dwPageSize = page > 0 ? (DWORD)page : 4096;
  info->dwAllocationGranularity = 65536;
  info->lpMinimumApplicationAddress = (LPVOID)(uintptr_t)0x10000;
  info->lpMaximumApplicationAddress = (LPVOID)(uintptr_t)0x7FFFFFFEFFFFull;
  info->dwNumberOfProcessors = cpus > 0 ? (DWORD)cpus : 1;
  info->dwActiveProcessorMask =
      info->dwNumberOfProcessors >= 64 ? ~(DWORD_PTR)0 : (((DWORD_PTR)1 << info->dwNumberOfProcessors) - 1);
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 1;
  info->dwBuildNumber = 7601;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->szCSDVersion[0] = 0;
  return TRUE;
}
