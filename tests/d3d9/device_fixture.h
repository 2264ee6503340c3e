// A headless platform, a 640 x 480 window and a device on it, for the device tests.
#pragma once
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "headless_d3d.h"
#include "readback.h"
#include "skyvale_host.h"

class DeviceTest : public HeadlessD3DTest {
 protected:
  void TearDown() override {
    if (device) {
      EXPECT_EQ(device->Release(), 0u) << "a test leaked a reference";
    }
    unsetenv("SKYVALE_D3D9_REFUSE");
    HeadlessD3DTest::TearDown();
  }

  D3DPRESENT_PARAMETERS Params(D3DFORMAT depth = D3DFMT_D24S8, UINT w = 640, UINT h = 480) {
    return WindowedParams(D3DFMT_A8R8G8B8, depth, w, h);
  }

  HRESULT Create(D3DPRESENT_PARAMETERS pp, IDirect3DDevice9** out) {
    return d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                             &pp, out);
  }

  void CreateDefault(D3DFORMAT depth = D3DFMT_D24S8, UINT w = 640, UINT h = 480) {
    ASSERT_EQ(Create(Params(depth, w, h), &device), D3D_OK);
  }

  // Reads pixel (x, y) of a render target through GetRenderTargetData.
  D3DCOLOR ReadPixel(IDirect3DSurface9* target, UINT x, UINT y) {
    return ReadTarget(device, target).at(x, y);
  }
  D3DCOLOR BackBufferPixel(UINT x, UINT y) { return ReadBackBuffer(device).at(x, y); }

  IDirect3DDevice9* device = nullptr;
};
