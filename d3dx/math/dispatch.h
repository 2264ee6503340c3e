// The math dispatch table: every dispatched public entry jumps through its slot. The table
// starts with initialiser entries that run processor detection on the first call.
#pragma once
#include <d3dx9math.h>

#include <atomic>
#include <span>

#include "slots.h"

struct MathDispatchTable {
#define SKYVALE_SLOT_MEMBER(name, ret, params, args) ret(*name) params;
  SKYVALE_MATH_SLOTS(SKYVALE_SLOT_MEMBER)
#undef SKYVALE_SLOT_MEMBER
};
static_assert(sizeof(MathDispatchTable) == kMathSlotCount * sizeof(void*), "one pointer per slot");

// The live table, and the reference versions slot by slot.
extern MathDispatchTable MathDispatch;
extern const MathDispatchTable MathReferenceTable;

// Slots are stored and read as single aligned pointers: another thread may be calling through
// the table while detection fills it, and every value a slot can hold is a complete routine.
template <class Routine>
void StoreSlot(Routine& slot, Routine routine) {
  std::atomic_ref<Routine>(slot).store(routine, std::memory_order_relaxed);
}
template <class Routine>
Routine LoadSlot(Routine& slot) {
  return std::atomic_ref<Routine>(slot).load(std::memory_order_relaxed);
}

// One replacement a set makes, type-checked against its slot where the set's list is written.
using SlotInstaller = void (*)(MathDispatchTable&);
template <auto Slot, auto Routine>
void InstallRoutine(MathDispatchTable& table) {
  StoreSlot(table.*Slot, Routine);
}
#define SKYVALE_ROUTINE(name, routine) &InstallRoutine<&MathDispatchTable::name, &routine>
// Installs a set's list of replacements over whatever the table holds.
inline void MathInstallList(MathDispatchTable& table, std::span<const SlotInstaller> list) {
  for (SlotInstaller install : list) install(table);
}

// Copies every slot of `from` into `to`, pointer by pointer.
void MathCopyTable(MathDispatchTable& to, const MathDispatchTable& from);

// The reference versions.
namespace mathref {
#define SKYVALE_SLOT_DECL(name, ret, params, args) ret name params;
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

// The values of the optimisation level that D3DXCpuOptimizations reports.
enum MathLevel : DWORD {
  kMathLevelUnset = 0xFFFF,  // before detection, or switched off: the reference table
  kMathLevelX87 = 0,
  kMathLevel3DNow = 1,
  kMathLevelSse2 = 2,
  kMathLevelSse = 3,
};

// The current level (kMathLevelUnset before detection), and test hooks: put the initialiser entries back
// as at start-up, and ask whether a slot still holds its initialiser entry.
DWORD MathOptimizationLevel();
void MathResetDispatch();
bool MathSlotIsInitialiser(MathSlot slot);
