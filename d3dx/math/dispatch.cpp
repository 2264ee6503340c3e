// The dispatch table, its initialiser entries, the public entries and processor detection.
#include "dispatch.h"

#include <windows.h>

namespace {

DWORD gLevel = kMathLevelUnset;

// The initialiser entry of a slot: detect once, then continue into whatever the slot holds.
#define SKYVALE_INIT_ENTRY(name, ret, params, args) \
  ret Init##name params {                           \
    D3DXCpuOptimizations(TRUE);                     \
    return LoadSlot(MathDispatch.name) args;        \
  }
SKYVALE_MATH_SLOTS(SKYVALE_INIT_ENTRY)
#undef SKYVALE_INIT_ENTRY

// Reads one switch under HKEY_LOCAL_MACHINE "Software\Direct3D": present only as a REG_DWORD.
bool ReadSwitch(const char* name, DWORD* value) {
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key) != ERROR_SUCCESS) return false;
  DWORD type = REG_NONE, data = 0, size = sizeof(data);
  const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_DWORD) return false;
  *value = data;
  return true;
}

void SetLevel(DWORD level) { std::atomic_ref<DWORD>(gLevel).store(level, std::memory_order_relaxed); }

}  // namespace

#define SKYVALE_INIT_SLOT(name, ret, params, args) Init##name,
MathDispatchTable MathDispatch = {SKYVALE_MATH_SLOTS(SKYVALE_INIT_SLOT)};
static const MathDispatchTable kInitialEntries = {SKYVALE_MATH_SLOTS(SKYVALE_INIT_SLOT)};
#undef SKYVALE_INIT_SLOT

void MathResetDispatch() {
  SetLevel(kMathLevelUnset);
  MathCopyTable(MathDispatch, kInitialEntries);
}

bool MathSlotIsInitialiser(MathSlot slot) {
  switch (slot) {
#define SKYVALE_SLOT_CASE(name, ret, params, args) \
  case MathSlot::name:                             \
    return LoadSlot(MathDispatch.name) == kInitialEntries.name;
    SKYVALE_MATH_SLOTS(SKYVALE_SLOT_CASE)
#undef SKYVALE_SLOT_CASE
    default:
      return false;
  }
}

const MathDispatchTable MathReferenceTable = {
#define SKYVALE_REF_SLOT(name, ret, params, args) mathref::name,
    SKYVALE_MATH_SLOTS(SKYVALE_REF_SLOT)
#undef SKYVALE_REF_SLOT
};

void MathCopyTable(MathDispatchTable& to, const MathDispatchTable& from) {
#define SKYVALE_COPY_SLOT(name, ret, params, args) StoreSlot(to.name, from.name);
  SKYVALE_MATH_SLOTS(SKYVALE_COPY_SLOT)
#undef SKYVALE_COPY_SLOT
}

DWORD MathOptimizationLevel() { return std::atomic_ref<DWORD>(gLevel).load(std::memory_order_relaxed); }

DWORD D3DXCpuOptimizations(BOOL enable) {
  if (!enable) {
    SetLevel(kMathLevelUnset);
    MathCopyTable(MathDispatch, MathReferenceTable);
    return kMathLevelUnset;
  }
  const DWORD level = MathOptimizationLevel();
  if (level != kMathLevelUnset) return level;

  SetLevel(kMathLevelX87);
  MathCopyTable(MathDispatch, MathReferenceTable);
  MathInstallX87(MathDispatch);

  DWORD mode = 0, value = 0;
  if (ReadSwitch("DisablePSGP", &value)) mode = value;
  if (ReadSwitch("DisableD3DXPSGP", &value)) mode = value;
  if (mode == 1) return kMathLevelX87;

  if (mode != 2 && IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE)) {
    MathInstall3DNow(MathDispatch, MathProcessorFeatureWord());
    SetLevel(kMathLevel3DNow);
    return kMathLevel3DNow;
  }
  if (MathProcessorHasSse2()) {
    MathInstallSse2(MathDispatch, MathProcessorHasAvx2Fma());
    SetLevel(kMathLevelSse2);
    return kMathLevelSse2;
  }
  if (IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE)) {
    MathInstallSse(MathDispatch);
    SetLevel(kMathLevelSse);
    return kMathLevelSse;
  }
  return kMathLevelX87;
}

// The public entries: one indirect jump through the slot, arguments untouched.
#define SKYVALE_PUBLIC_ENTRY(name, ret, params, args) \
  ret D3DX##name params { return LoadSlot(MathDispatch.name) args; }
SKYVALE_MATH_PUBLIC_SLOTS(SKYVALE_PUBLIC_ENTRY)
#undef SKYVALE_PUBLIC_ENTRY

// The two internal kernels have no D3DX name.
D3DXVECTOR3* SkinnedVertexBlendKernel(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* const* bones,
                                      const FLOAT* weights, UINT influences) {
  return LoadSlot(MathDispatch.SkinnedVertexBlend)(out, v, bones, weights, influences);
}
D3DXVECTOR3* NPatchTessellationKernel(D3DXVECTOR3* out, const D3DXVECTOR3* control, FLOAT u, FLOAT v) {
  return LoadSlot(MathDispatch.NPatchTessellation)(out, control, u, v);
}
