// A headless platform, one window and the Direct3D object: the ground of the fixtures that make
// devices. A derived fixture may set the window's size in its constructor.
#pragma once
#include <d3d9.h>
#include <gtest/gtest.h>

#include <string>

#include "present_params.h"
#include "skyvale_host.h"

class HeadlessD3DTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkyvaleOptions options;
    options.headless = true;
    std::string error;
    ASSERT_TRUE(SkyvaleStartPlatform(options, error)) << error;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "HeadlessD3DTest";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "HeadlessD3DTest", "", 0, 0, 0, windowWidth, windowHeight, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
  }

  void TearDown() override {
    if (d3d) d3d->Release();
    d3d = nullptr;
    if (window) DestroyWindow(window);
    window = nullptr;
    SkyvaleStopPlatform();
  }

  D3DPRESENT_PARAMETERS WindowedParams(D3DFORMAT backBuffer, D3DFORMAT depth, UINT width, UINT height) const {
    return WindowedPresentParameters(window, backBuffer, depth, width, height);
  }

  int windowWidth = 640, windowHeight = 480;
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
};
