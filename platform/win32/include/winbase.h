// Kernel services: modules loaded by name, and the process-wide built-in module table.
#pragma once
#pragma GCC visibility push(default)
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

// Module resources: named blocks compiled into the program, found by (module, name, type). A
// name or type is a string (compared without regard to case) or a small integer made with
// MAKEINTRESOURCE. A null module is the program itself.
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(p) ((((ULONG_PTR)(p)) >> 16) == 0)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_RCDATA MAKEINTRESOURCEA(10)

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// Adds a resource to the table (the bytes are copied), replacing one of the same key; null data
// removes it. A found resource stays valid until it is replaced or removed.
void SkyvaleRegisterResource(HMODULE module, LPCSTR name, LPCSTR type, const void* data, DWORD size);

// Read-only files and their mappings: all this layer opens files for.
#define GENERIC_READ 0x80000000L
#define FILE_SHARE_READ 0x00000001L
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_NORMAL 0x00000080L
#define FILE_FLAG_RANDOM_ACCESS 0x10000000L
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000L
#define PAGE_READONLY 0x02
#define FILE_MAP_READ 0x0004
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// Names use '/' or '\' as separators. Only GENERIC_READ with OPEN_EXISTING is supported; a
// missing file fails with ERROR_FILE_NOT_FOUND.
HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
// PAGE_READONLY over the whole file only; an empty file cannot be mapped.
HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect, DWORD sizeHigh,
                          DWORD sizeLow, LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID view);
BOOL CloseHandle(HANDLE object);
#pragma GCC visibility pop
