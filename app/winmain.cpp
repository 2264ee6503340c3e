// Program order: window and device, scene set-up, the loop, shutdown, device release.
#include "d3d_app.h"

IDirect3DDevice9* gDevice = nullptr;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!InitD3D(instance, 640, 480, true, D3DDEVTYPE_HAL, &gDevice)) {
    ShowFailure("InitD3D() - FAILED");
    return 0;
  }
  if (!Setup()) {
    ShowFailure("Setup() - FAILED");
    return 0;
  }
  RunMessageLoop();
  Shutdown();
  gDevice->Release();
  gDevice = nullptr;
  return 0;
}
