// Kernel services: modules loaded by name, and the process-wide built-in module table.
#pragma once
#include "windef.h"

typedef INT_PTR(WINAPI* FARPROC)();

HMODULE LoadLibraryA(LPCSTR fileName);
HMODULE GetModuleHandleA(LPCSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
DWORD GetLastError();
void SetLastError(DWORD error);
void OutputDebugStringA(LPCSTR text);

// Our runtime modules are linked into the program; each announces itself here under the DLL
// name callers load it by. A registered module counts as loaded from then on; an unregistered
// name fails to load. `lookup` answers GetProcAddress for the module.
typedef FARPROC (*SkyvaleModuleLookup)(LPCSTR procName);
void SkyvaleRegisterModule(LPCSTR moduleName, SkyvaleModuleLookup lookup);
