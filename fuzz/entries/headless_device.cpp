#include "headless_device.h"

#include <string>

#include "../../tests/common/present_params.h"
#include "fuzz_entries.h"
#include "skyvale_host.h"

namespace fuzz {

IDirect3DDevice9* HeadlessDevice() {
  static IDirect3DDevice9* device = [] {
    SkyvaleOptions options;
    options.headless = true;
    std::string error;
    SkyvaleStartPlatform(options, error);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SkyvaleFuzz";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "SkyvaleFuzz", "", 8, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = WindowedPresentParameters(window, D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN, 64, 64);
    IDirect3DDevice9* created = nullptr;
    if (!d3d || d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                  &created) != D3D_OK)
      Broken("no headless device");
    d3d->Release();
    return created;
  }();
  return device;
}

}  // namespace fuzz
