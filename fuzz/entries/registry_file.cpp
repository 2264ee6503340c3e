// The registry file: the input becomes the machine's .reg file, and the keys and values the
// library reads (and a few others) are opened and queried with buffers of every size class.
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_entries.h"

namespace fuzz {
namespace {

// One scratch file per process, named by SKYVALE_REGISTRY for the registry calls.
const std::string& RegistryPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string p = std::string(dir && *dir ? dir : "/tmp") + "/skyvale-fuzz-reg-XXXXXX";
    int fd = mkstemp(p.data());
    if (fd < 0) Broken("no scratch file for the registry");
    close(fd);
    setenv("SKYVALE_REGISTRY", p.c_str(), 1);
    return p;
  }();
  return path;
}

struct Probe {
  HKEY root;
  const char* key;
};
const Probe kKeys[] = {{HKEY_LOCAL_MACHINE, "Software\\Direct3D"},
                       {HKEY_LOCAL_MACHINE, "software\\direct3d\\"},
                       {HKEY_CURRENT_USER, "Software\\Skyvale"},
                       {HKEY_LOCAL_MACHINE, ""}};
constexpr const char* kValues[] = {"DisablePSGP", "DisableD3DXPSGP", "DisableMMX", "D3DXDoNotMute", "", "a"};

volatile unsigned gSink;

}  // namespace

int RegistryFile(const uint8_t* data, size_t size) {
  const std::string& path = RegistryPath();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Broken("the registry scratch file cannot be written");
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  for (const Probe& probe : kKeys) {
    HKEY key = nullptr;
    if (RegOpenKeyA(probe.root, probe.key, &key) != ERROR_SUCCESS) continue;
    for (const char* name : kValues) {
      DWORD type = 0, needed = 0;
      if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &needed) != ERROR_SUCCESS) continue;
      BYTE small[4];
      DWORD smallSize = sizeof small;
      LONG r = RegQueryValueExA(key, name, nullptr, &type, small, &smallSize);
      if (r == ERROR_SUCCESS && smallSize > sizeof small) Broken("a value wrote past a 4-byte buffer");
      if (needed > (1u << 20)) continue;
      std::string exact(needed + 1, '\0');
      DWORD exactSize = needed;
      if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(exact.data()), &exactSize) !=
              ERROR_SUCCESS ||
          exactSize != needed)
        Broken("a value does not fit the size it reported");
      for (char c : exact) gSink = gSink + (unsigned char)c;
    }
    RegCloseKey(key);
  }
  return 0;
}

}  // namespace fuzz
