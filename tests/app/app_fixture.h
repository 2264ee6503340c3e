// Runs the demo's shell in-process: the platform headless, the real window and device from
// InitD3D wrapped in a recording device, and Setup, in the data folder as the program runs.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "call_log_device.h"
#include "d3d_app.h"
#include "skyvale_host.h"

class AppTest : public ::testing::Test {
 protected:
  void StartApp(const std::string& keys = "") {
    ASSERT_EQ(chdir(kAssetFolder.c_str()), 0) << kAssetFolder;
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
    recorder = WrapDevice(real);
    real->Release();
    gDevice = recorder;
    gCamera = Camera(Camera::Ground);
    ResetFrameState();
    ResetMessageLoop();
    ASSERT_TRUE(::Setup());
    recorder->Clear();
  }
  // The recording device around the real one; a fixture may refuse some calls in it.
  virtual CallLogDevice* WrapDevice(IDirect3DDevice9* real) { return new CallLogDevice(real); }
  void TearDown() override {
    if (gDevice) {
      Shutdown();
      gDevice->Release();
      gDevice = nullptr;
    }
    SkyvaleStopPlatform();
    EXPECT_EQ(chdir(SKYVALE_SOURCE_DIR), 0);
  }
  // One pass of the main loop's work: serve the queued messages (firing due scripted keys),
  // then draw a frame of `seconds`.
  void Frame(float seconds) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    RenderFrame(seconds);
  }
  // A frame with the font put aside, for checks of the scene's own calls.
  void FrameWithoutText(float seconds) {
    ID3DXFont* font = gFont;
    gFont = nullptr;
    Frame(seconds);
    gFont = font;
  }
  D3DXVECTOR3 Position() const {
    D3DXVECTOR3 p;
    gCamera.getPosition(&p);
    return p;
  }
  CallLogDevice* recorder = nullptr;
  static inline const std::string kAssetFolder = std::string(SKYVALE_SOURCE_DIR) + "/assets";
};
