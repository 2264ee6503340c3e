// On first use, "D3DXDoNotMute" (a non-zero REG_DWORD under HKLM\Software\Direct3D) turns
// muting off for the process; otherwise each call is passed to DebugSetMute of the release and
// debug runtimes, each only if that module was already loaded when the entries were looked up.
#include "debug_mute.h"

#include <windows.h>

namespace d3dx {
namespace {

typedef int(WINAPI* MuteEntry)(BOOL);

bool gResolved = false;
bool gDisabled = false;
MuteEntry gEntries[2] = {};

bool DoNotMuteSet() {
  HKEY key;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key) != ERROR_SUCCESS) return false;
  DWORD value = 0, type = 0, size = sizeof value;
  LONG r = RegQueryValueExA(key, "D3DXDoNotMute", nullptr, &type, (LPBYTE)&value, &size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value && value != 0;
}

MuteEntry Lookup(const char* module) {
  HMODULE handle = GetModuleHandleA(module);
  return handle ? (MuteEntry)(void*)GetProcAddress(handle, "DebugSetMute") : nullptr;
}

}  // namespace

void DebugMute(bool mute) {
  if (!gResolved) {
    gResolved = true;
    gDisabled = DoNotMuteSet();
    if (!gDisabled) {
      gEntries[0] = Lookup("d3d9.dll");
      gEntries[1] = Lookup("d3d9d.dll");
    }
  }
  if (gDisabled) return;
  for (MuteEntry entry : gEntries)
    if (entry) entry(mute ? TRUE : FALSE);
}

void ResetDebugMute() {
  gResolved = gDisabled = false;
  gEntries[0] = gEntries[1] = nullptr;
}

}  // namespace d3dx
