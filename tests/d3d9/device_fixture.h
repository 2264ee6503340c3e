// A headless platform, a 640 x 480 window and a device on it, for the device tests.
#pragma once
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "readback.h"
#include "skyvale_host.h"

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkyvaleOptions options;
    options.headless = true;
    std::string error;
    ASSERT_TRUE(SkyvaleStartPlatform(options, error)) << error;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "DeviceTest";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "DeviceTest", "", 8, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
  }

  void TearDown() override {
    if (device) {
      EXPECT_EQ(device->Release(), 0u) << "a test leaked a reference";
    }
    if (d3d) d3d->Release();
    unsetenv("SKYVALE_D3D9_REFUSE");
    SkyvaleStopPlatform();
  }

  D3DPRESENT_PARAMETERS Params(D3DFORMAT depth = D3DFMT_D24S8, UINT w = 640, UINT h = 480) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth != D3DFMT_UNKNOWN;
    pp.AutoDepthStencilFormat = depth;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
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

  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
};
