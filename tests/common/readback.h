// Render targets read back through GetRenderTargetData, for tests that check drawn pixels.
#pragma once
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

struct TargetImage {
  UINT width = 0, height = 0;
  std::vector<D3DCOLOR> pixels;
  D3DCOLOR at(UINT x, UINT y) const { return pixels[(size_t)y * width + x]; }
};

inline TargetImage ReadTarget(IDirect3DDevice9* device, IDirect3DSurface9* target) {
  TargetImage image;
  D3DSURFACE_DESC d;
  target->GetDesc(&d);
  IDirect3DSurface9* copy = nullptr;
  EXPECT_EQ(
      device->CreateOffscreenPlainSurface(d.Width, d.Height, d.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr),
      D3D_OK);
  if (!copy) return image;
  EXPECT_EQ(device->GetRenderTargetData(target, copy), D3D_OK);
  D3DLOCKED_RECT lr;
  EXPECT_EQ(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  image.width = d.Width;
  image.height = d.Height;
  image.pixels.resize((size_t)d.Width * d.Height);
  for (UINT y = 0; y < d.Height; ++y)
    std::memcpy(&image.pixels[(size_t)y * d.Width], (const uint8_t*)lr.pBits + (size_t)y * lr.Pitch,
                d.Width * 4);
  copy->UnlockRect();
  copy->Release();
  return image;
}

inline TargetImage ReadBackBuffer(IDirect3DDevice9* device) {
  IDirect3DSurface9* bb = nullptr;
  EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  if (!bb) return {};
  TargetImage image = ReadTarget(device, bb);
  bb->Release();
  return image;
}
