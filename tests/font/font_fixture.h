// A headless 640 x 480 device for the sprite and font tests, wrapped in a call log that can hide
// capabilities and keeps the vertices of every user-pointer draw.
#pragma once
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "call_log_device.h"
#include "headless_d3d.h"
#include "readback.h"
#include "skyvale_host.h"

class SpriteDevice final : public CallLogDevice {
 public:
  using CallLogDevice::CallLogDevice;

  HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
    HRESULT hr = CallLogDevice::GetDeviceCaps(caps);
    if (SUCCEEDED(hr) && hideClipTLVerts) caps->PrimitiveMiscCaps &= ~D3DPMISCCAPS_CLIPTLVERTS;
    if (SUCCEEDED(hr) && hideAlphaBlend) caps->DestBlendCaps &= ~D3DPBLENDCAPS_INVSRCALPHA;
    if (SUCCEEDED(hr) && hideDynamicTextures) caps->Caps2 &= ~D3DCAPS2_DYNAMICTEXTURES;
    return hr;
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (type == D3DPT_TRIANGLEFAN && data) drawn.emplace_back(bytes, bytes + (count + 2) * stride);
    strides.push_back(stride);
    return CallLogDevice::DrawPrimitiveUP(type, count, data, stride);
  }
  HRESULT GetDirect3D(IDirect3D9** d3d9) override {
    if (!runtime || !d3d9) return CallLogDevice::GetDirect3D(d3d9);
    runtime->AddRef();
    *d3d9 = runtime;
    return D3D_OK;
  }
  int Count(const std::string& name) const {
    int n = 0;
    for (const auto& c : calls) n += c.name == name;
    return n;
  }

  bool hideClipTLVerts = false;
  bool hideAlphaBlend = false;
  bool hideDynamicTextures = false;
  IDirect3D9* runtime = nullptr;  // answers format checks in place of the real runtime; not owned
  std::vector<std::vector<uint8_t>> drawn;
  std::vector<UINT> strides;
};

class FontDeviceTest : public HeadlessD3DTest {
 protected:
  void TearDown() override {
    if (device) {
      static_cast<IDirect3DDevice9*>(device)->EndScene();
      EXPECT_EQ(device->Release(), 0u) << "a device reference was kept";
    }
    HeadlessD3DTest::TearDown();
  }

  // The device, with the caps a test hides set before anything reads them.
  void CreateDevice(bool hideClipTLVerts = false, bool hideAlphaBlend = false,
                    DWORD behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING) {
    D3DPRESENT_PARAMETERS pp = WindowedParams(D3DFMT_X8R8G8B8, D3DFMT_D24S8, 640, 480);
    IDirect3DDevice9* real = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behavior, &pp, &real), D3D_OK);
    device = new SpriteDevice(real);
    real->Release();
    device->hideClipTLVerts = hideClipTLVerts;
    device->hideAlphaBlend = hideAlphaBlend;
    static_cast<IDirect3DDevice9*>(device)->BeginScene();  // draws are only taken inside a scene
  }

  // A managed texture with one level; 32-bit formats are filled row by row from `texels`.
  IDirect3DTexture9* MakeTexture(UINT width, UINT height, D3DFORMAT format,
                                 const std::vector<D3DCOLOR>& texels = {}) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    if (texture && !texels.empty()) {
      D3DLOCKED_RECT lr;
      EXPECT_EQ(texture->LockRect(0, &lr, nullptr, 0), D3D_OK);
      for (UINT y = 0; y < height; ++y)
        std::memcpy((uint8_t*)lr.pBits + (size_t)y * lr.Pitch, &texels[(size_t)y * width], width * 4);
      texture->UnlockRect(0);
    }
    return texture;
  }

  // Clears the back buffer (the call log's Clear() empties the log).
  void ClearTarget(D3DCOLOR color) {
    static_cast<IDirect3DDevice9*>(device)->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1, 0);
  }

  DWORD RenderState(D3DRENDERSTATETYPE state) {
    DWORD v = 0xDEADBEEF;
    device->GetRenderState(state, &v);
    return v;
  }

  SpriteDevice* device = nullptr;
};
