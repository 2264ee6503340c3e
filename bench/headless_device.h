// A headless platform, a window and a device on it, for the benchmarks that need a device.
#pragma once
#include <d3d9.h>

#include <string>

#include "../tests/common/present_params.h"
#include "skyvale_host.h"

// The device (null when it cannot be had), its runtime in `*d3d`. `depth` D3DFMT_UNKNOWN: no
// depth buffer.
inline IDirect3DDevice9* CreateHeadlessDevice(IDirect3D9** d3d, UINT width, UINT height, D3DFORMAT backBuffer,
                                              D3DFORMAT depth) {
  SkyvaleOptions options;
  options.headless = true;
  std::string error;
  SkyvaleStartPlatform(options, error);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "SkyvaleBench";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, "SkyvaleBench", "", 8, 0, 0, int(width), int(height), nullptr, nullptr,
                                nullptr, nullptr);
  *d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS pp = WindowedPresentParameters(window, backBuffer, depth, width, height);
  IDirect3DDevice9* device = nullptr;
  if (!*d3d || (*d3d)->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                    &device) != D3D_OK)
    return nullptr;
  return device;
}
