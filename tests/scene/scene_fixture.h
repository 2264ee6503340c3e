// A real device on the headless platform for the scene objects, with the messages they show
// and the quit requests they post collected for checks.
#pragma once
#include <d3d9.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "call_log_device.h"
#include "headless_d3d.h"
#include "temp_path.h"

class SceneTest : public HeadlessD3DTest {
 protected:
  void SetUp() override {
    HeadlessD3DTest::SetUp();
    if (HasFatalFailure()) return;
    D3DPRESENT_PARAMETERS pp = WindowedParams(D3DFMT_A8R8G8B8, D3DFMT_D24S8, 640, 480);
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
  }
  void TearDown() override {
    for (const std::string& f : scratch) std::remove(f.c_str());
    if (device) {
      EXPECT_EQ(device->Release(), 0u) << "a scene object kept a device reference";
    }
    device = nullptr;
    HeadlessD3DTest::TearDown();
  }

  // The message boxes shown while `build` runs, one text per box.
  template <typename F>
  std::vector<std::string> Messages(F&& build) {
    ::testing::internal::CaptureStderr();
    build();
    const std::string err = ::testing::internal::GetCapturedStderr();
    std::vector<std::string> texts;
    const std::string prefix = "MessageBox: ";
    for (size_t at = err.find(prefix); at != std::string::npos; at = err.find(prefix, at + 1)) {
      const size_t end = err.find('\n', at);
      texts.push_back(err.substr(at + prefix.size(), end - at - prefix.size()));
    }
    return texts;
  }

  // Drains the message queue; true when a quit request was in it.
  static bool QuitPosted() {
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) quit |= msg.message == WM_QUIT;
    return quit;
  }

  std::string WriteScratch(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
    scratch.push_back(path);
    return path;
  }

  IDirect3DDevice9* device = nullptr;
  std::vector<std::string> scratch;
};

inline const std::string kAssets = std::string(SKYVALE_SOURCE_DIR) + "/assets";
