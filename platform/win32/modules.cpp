// Run-time module loading over the modules linked into the program. Each registers under its
// DLL name; LoadLibraryA, GetModuleHandleA and GetProcAddress look them up by that name
// (case-insensitive, any directory part ignored).
#include <dlfcn.h>

#include <cctype>
#include <cstdio>
#include <map>

#include "platform.h"

namespace {

struct Module {
  SkyvaleModuleLookup lookup;
  int loadCount = 0;
};

std::map<std::string, Module>& Modules() {
  static std::map<std::string, Module> modules;  // constructed on first use: registration may run early
  return modules;
}

DWORD gLastError = 0;

std::string ModuleKey(LPCSTR name) {
  std::string s = name ? name : "";
  size_t slash = s.find_last_of("\\/");
  if (slash != std::string::npos) s = s.substr(slash + 1);
  s = win32::AsciiLower(std::move(s));
  if (s.find('.') == std::string::npos) s += ".dll";
  return s;
}

// Components that a shared build keeps in libraries of their own. Nothing references them, so
// the program does not load them at start-up; the first LoadLibraryA does, from the folder this
// library was loaded from, and their start-up code registers them. A static build links them in.
struct SharedComponent {
  const char* dll;
  const char* file;
};
constexpr SharedComponent kSharedComponents[] = {{"d3dxof.dll", "libskyvale_xfile.so"}};

void LoadSharedComponent(const std::string& key) {
  for (const SharedComponent& c : kSharedComponents) {
    if (key != c.dll) continue;
    std::string path = c.file;
    Dl_info self;
    if (dladdr(reinterpret_cast<void*>(&LoadSharedComponent), &self) && self.dli_fname) {
      const std::string here = self.dli_fname;
      const size_t slash = here.find_last_of('/');
      if (slash != std::string::npos) path = here.substr(0, slash + 1) + c.file;
    }
    // Loaded for the life of the process, as a DLL that is never freed.
    if (!dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL)) dlopen(c.file, RTLD_NOW | RTLD_GLOBAL);
  }
}

Module* FindModule(HMODULE handle) {
  for (auto& [name, m] : Modules())
    if ((HMODULE)&m == handle) return &m;
  return nullptr;
}

}  // namespace

void SkyvaleRegisterModule(LPCSTR moduleName, SkyvaleModuleLookup lookup) {
  if (moduleName && lookup) Modules()[ModuleKey(moduleName)].lookup = lookup;
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  const std::string key = ModuleKey(fileName);
  auto it = Modules().find(key);
  if (it == Modules().end()) {
    LoadSharedComponent(key);
    it = Modules().find(key);
  }
  if (it == Modules().end()) {
    gLastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  it->second.loadCount++;
  return (HMODULE)&it->second;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  auto it = Modules().find(ModuleKey(moduleName));
  return it == Modules().end() ? nullptr : (HMODULE)&it->second;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  Module* m = FindModule(module);
  FARPROC proc = m && procName ? m->lookup(procName) : nullptr;
  if (!proc) gLastError = m ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE;
  return proc;
}

BOOL FreeLibrary(HMODULE module) {
  Module* m = FindModule(module);
  if (!m || m->loadCount == 0) return FALSE;
  m->loadCount--;
  return TRUE;
}

DWORD GetLastError() { return gLastError; }
void SetLastError(DWORD error) { gLastError = error; }
void OutputDebugStringA(LPCSTR text) {
  if (text && std::getenv("SKYVALE_DEBUG_OUTPUT")) std::fputs(text, stderr);
}
