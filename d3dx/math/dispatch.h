// The math dispatch table: every dispatched public entry jumps through its slot. The table
// starts with initialiser entries that run processor detection on the first call.
#pragma once
#include <d3dx9math.h>

#include "slots.h"

constexpr int kMathSlotCount = 71;

struct MathDispatchTable {
#define SKYVALE_SLOT_MEMBER(index, name, ret, params, args) ret(*name) params;
  SKYVALE_MATH_SLOTS(SKYVALE_SLOT_MEMBER)
#undef SKYVALE_SLOT_MEMBER
};
static_assert(sizeof(MathDispatchTable) == kMathSlotCount * sizeof(void*), "one pointer per slot");

// The live table, and the reference versions slot by slot.
extern MathDispatchTable MathDispatch;
extern const MathDispatchTable MathReferenceTable;

// Stores one slot with a single aligned pointer write: another thread may be calling through
// the table while detection fills it.
#define SKYVALE_SET_SLOT(table, name, fn) \
  __atomic_store_n(&(table).name, static_cast<decltype((table).name)>(fn), __ATOMIC_RELAXED)

// Copies every slot of `from` into `to`, pointer by pointer.
void MathCopyTable(MathDispatchTable& to, const MathDispatchTable& from);

// The reference versions.
namespace mathref {
#define SKYVALE_SLOT_DECL(index, name, ret, params, args) ret name params;
SKYVALE_MATH_SLOTS(SKYVALE_SLOT_DECL)
#undef SKYVALE_SLOT_DECL
}  // namespace mathref

// Processor feature word used by the 3DNow! installation.
enum : DWORD {
  kCpuHasCpuid = 0x01,
  kCpuHasStandardLeaf1 = 0x02,
  kCpuHasExtendedLeaves = 0x04,
  kCpuMmx = 0x20,
  kCpuSse = 0x40,
  kCpu3DNow = 0x80,
  kCpu3DNowExt = 0x100,
  kCpuMmxExt = 0x200,
};
DWORD MathProcessorFeatureWord();

// The processor-specific sets, installed over whatever the table holds.
void MathInstallX87(MathDispatchTable& t);
void MathInstall3DNow(MathDispatchTable& t, DWORD featureWord);
void MathInstallSse(MathDispatchTable& t);
// `wide` adds the AVX2/FMA array transforms.
void MathInstallSse2(MathDispatchTable& t, bool wide);
bool MathProcessorHasSse2();
bool MathProcessorHasAvx2Fma();

// The current level (0xFFFF before detection), and test hooks: put the initialiser entries back
// as at start-up, and ask whether a slot still holds its initialiser entry.
DWORD MathOptimizationLevel();
void MathResetDispatch();
bool MathSlotIsInitialiser(int slot);
