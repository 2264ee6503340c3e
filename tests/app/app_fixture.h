// Runs the demo's shell in-process: the platform headless, the real window and device from
// InitD3D wrapped in a recording device, and Setup.
#pragma once
#include <gtest/gtest.h>

#include "call_log_device.h"
#include "d3d_app.h"
#include "skyvale_host.h"

class AppTest : public ::testing::Test {
 protected:
  void StartApp(const std::string& keys = "") {
    SkyvaleOptions o;
    o.keys = keys;
    StartApp(o);
  }
  void StartApp(SkyvaleOptions o) {
    o.headless = true;
    std::string error;
    ASSERT_TRUE(SkyvaleStartPlatform(o, error)) << error;
    static int instance;
    IDirect3DDevice9* real = nullptr;
    ASSERT_TRUE(InitD3D((HINSTANCE)&instance, 640, 480, true, D3DDEVTYPE_HAL, &real));
    recorder = new CallLogDevice(real);
    real->Release();
    gDevice = recorder;
    gCamera = Camera(Camera::Ground);
    ResetFrameState();
    ResetMessageLoop();
    ASSERT_TRUE(::Setup());
    recorder->Clear();
  }
  void TearDown() override {
    if (gDevice) {
      Shutdown();
      gDevice->Release();
      gDevice = nullptr;
    }
    SkyvaleStopPlatform();
  }
  // One pass of the main loop's work: serve the queued messages (firing due scripted keys),
  // then draw a frame of `seconds`.
  void Frame(float seconds) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    RenderFrame(seconds);
  }
  D3DXVECTOR3 Position() const {
    D3DXVECTOR3 p;
    gCamera.getPosition(&p);
    return p;
  }
  CallLogDevice* recorder = nullptr;
};
