#include "bench_device.h"

#include "../headless_device.h"

namespace texbench {

IDirect3DDevice9* Device() {
  static IDirect3D9* d3d = nullptr;
  static IDirect3DDevice9* device = CreateHeadlessDevice(&d3d, 64, 64, D3DFMT_X8R8G8B8, D3DFMT_UNKNOWN);
  return device;
}

}  // namespace texbench
