// The dispatch table, its initialiser entries, the public entries and processor detection.
#include "dispatch.h"

#include <windows.h>

namespace {

DWORD gLevel = 0xFFFF;

// The initialiser entry of a slot: detect once, then continue into whatever the slot holds.
#define SKYVALE_INIT_ENTRY(index, name, ret, params, args)             \
  ret Init##name params {                                              \
    D3DXCpuOptimizations(TRUE);                                        \
    return __atomic_load_n(&MathDispatch.name, __ATOMIC_RELAXED) args; \
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

void SetLevel(DWORD level) { __atomic_store_n(&gLevel, level, __ATOMIC_RELAXED); }

}  // namespace

#define SKYVALE_INIT_SLOT(index, name, ret, params, args) Init##name,
MathDispatchTable MathDispatch = {SKYVALE_MATH_SLOTS(SKYVALE_INIT_SLOT)};
static const MathDispatchTable kInitialEntries = {SKYVALE_MATH_SLOTS(SKYVALE_INIT_SLOT)};
#undef SKYVALE_INIT_SLOT

void MathResetDispatch() {
  SetLevel(0xFFFF);
  MathCopyTable(MathDispatch, kInitialEntries);
}

bool MathSlotIsInitialiser(int slot) {
  const auto* live = reinterpret_cast<void* const*>(&MathDispatch);
  const auto* init = reinterpret_cast<void* const*>(&kInitialEntries);
  return slot >= 0 && slot < kMathSlotCount && __atomic_load_n(&live[slot], __ATOMIC_RELAXED) == init[slot];
}

const MathDispatchTable MathReferenceTable = {
#define SKYVALE_REF_SLOT(index, name, ret, params, args) mathref::name,
    SKYVALE_MATH_SLOTS(SKYVALE_REF_SLOT)
#undef SKYVALE_REF_SLOT
};

void MathCopyTable(MathDispatchTable& to, const MathDispatchTable& from) {
#define SKYVALE_COPY_SLOT(index, name, ret, params, args) SKYVALE_SET_SLOT(to, name, from.name);
  SKYVALE_MATH_SLOTS(SKYVALE_COPY_SLOT)
#undef SKYVALE_COPY_SLOT
}

DWORD MathOptimizationLevel() { return __atomic_load_n(&gLevel, __ATOMIC_RELAXED); }

DWORD D3DXCpuOptimizations(BOOL enable) {
  if (!enable) {
    SetLevel(0xFFFF);
    MathCopyTable(MathDispatch, MathReferenceTable);
    return 0xFFFF;
  }
  const DWORD level = MathOptimizationLevel();
  if (level != 0xFFFF) return level;

  SetLevel(0);
  MathCopyTable(MathDispatch, MathReferenceTable);
  MathInstallX87(MathDispatch);

  DWORD mode = 0, value = 0;
  if (ReadSwitch("DisablePSGP", &value)) mode = value;
  if (ReadSwitch("DisableD3DXPSGP", &value)) mode = value;
  if (mode == 1) return 0;

  if (mode != 2 && IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE)) {
    MathInstall3DNow(MathDispatch, MathProcessorFeatureWord());
    SetLevel(1);
    return 1;
  }
  if (MathProcessorHasSse2()) {
    MathInstallSse2(MathDispatch, MathProcessorHasAvx2Fma());
    SetLevel(2);
    return 2;
  }
  if (IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE)) {
    MathInstallSse(MathDispatch);
    SetLevel(3);
    return 3;
  }
  return 0;
}

// The public entries: one indirect jump through the slot, arguments untouched.
#define SKYVALE_PUBLIC_ENTRY(index, name, ret, params, args) \
  ret D3DX##name params { return __atomic_load_n(&MathDispatch.name, __ATOMIC_RELAXED) args; }
SKYVALE_MATH_PUBLIC_SLOTS(SKYVALE_PUBLIC_ENTRY)
#undef SKYVALE_PUBLIC_ENTRY

// The two internal kernels have no D3DX name.
D3DXVECTOR3* SkinnedVertexBlendKernel(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* const* bones,
                                      const FLOAT* weights, UINT influences) {
  return __atomic_load_n(&MathDispatch.SkinnedVertexBlend, __ATOMIC_RELAXED)(out, v, bones, weights,
                                                                             influences);
}
D3DXVECTOR3* NPatchTessellationKernel(D3DXVECTOR3* out, const D3DXVECTOR3* control, FLOAT u, FLOAT v) {
  return __atomic_load_n(&MathDispatch.NPatchTessellation, __ATOMIC_RELAXED)(out, control, u, v);
}
