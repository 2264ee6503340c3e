// A device for the surface transfer and mip tests, with helpers that fill and read surfaces.
#pragma once
#include <d3dx9.h>

#include <cstring>
#include <vector>

#include "../../d3dx/tex/com_ref.h"
#include "../../d3dx/tex/format_info.h"
#include "../d3d9/device_fixture.h"

class TransferTest : public DeviceTest {
 protected:
  template <class T>
  using Ref = d3dx::ComRef<T>;

  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_UNKNOWN, 64, 64);
  }
  void TearDown() override {
    for (auto* r : owned_) r->Release();
    owned_.clear();
    DeviceTest::TearDown();
  }

  // Objects released before the device's last reference is checked.
  template <class T>
  T* Keep(T* object) {
    if (object) owned_.push_back(object);
    return object;
  }

  IDirect3DTexture9* Texture(UINT w, UINT h, UINT levels, D3DFORMAT format, D3DPOOL pool, DWORD usage = 0) {
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device->CreateTexture(w, h, levels, usage, format, pool, &t, nullptr), D3D_OK);
    return Keep(t);
  }
  IDirect3DSurface9* Level(IDirect3DTexture9* texture, UINT level) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(level, &s), D3D_OK);
    return Keep(s);
  }
  IDirect3DSurface9* Plain(UINT w, UINT h, D3DFORMAT format, D3DPOOL pool) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(w, h, format, pool, &s, nullptr), D3D_OK);
    return Keep(s);
  }
  IDirect3DSurface9* Target(UINT w, UINT h, D3DFORMAT format = D3DFMT_A8R8G8B8) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(device->CreateRenderTarget(w, h, format, D3DMULTISAMPLE_NONE, 0, TRUE, &s, nullptr), D3D_OK);
    return Keep(s);
  }

  // The stored bytes of a surface, row after row (rows of blocks for block formats); surfaces the
  // CPU cannot lock are read through a lockable render target.
  std::vector<BYTE> Bytes(IDirect3DSurface9* s) {
    D3DSURFACE_DESC d;
    s->GetDesc(&d);
    D3DLOCKED_RECT lr;
    IDirect3DSurface9* from = s;
    if (FAILED(s->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
      from = Target(d.Width, d.Height, d.Format);
      EXPECT_EQ(device->StretchRect(s, nullptr, from, nullptr, D3DTEXF_NONE), D3D_OK);
      EXPECT_EQ(from->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    }
    const size_t row = size_t(d3dx::RowBytes(d.Format, d.Width)),
                 rows = size_t(d3dx::StorageRows(d.Format, d.Height));
    std::vector<BYTE> out(row * rows);
    for (size_t y = 0; y < rows; ++y) std::memcpy(&out[y * row], (const BYTE*)lr.pBits + y * lr.Pitch, row);
    from->UnlockRect();
    return out;
  }
  std::vector<uint32_t> Pixels32(IDirect3DSurface9* s) {
    const std::vector<BYTE> b = Bytes(s);
    std::vector<uint32_t> out(b.size() / 4);
    std::memcpy(out.data(), b.data(), b.size());
    return out;
  }
  void SetBytes(IDirect3DSurface9* s, const std::vector<BYTE>& bytes) {
    D3DSURFACE_DESC d;
    s->GetDesc(&d);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
    const size_t row = size_t(d3dx::RowBytes(d.Format, d.Width)),
                 rows = size_t(d3dx::StorageRows(d.Format, d.Height));
    ASSERT_EQ(bytes.size(), row * rows);
    for (size_t y = 0; y < rows; ++y) std::memcpy((BYTE*)lr.pBits + y * lr.Pitch, &bytes[y * row], row);
    s->UnlockRect();
  }
  void SetPixels32(IDirect3DSurface9* s, const std::vector<uint32_t>& pixels) {
    std::vector<BYTE> b(pixels.size() * 4);
    std::memcpy(b.data(), pixels.data(), b.size());
    SetBytes(s, b);
  }

 private:
  std::vector<IUnknown*> owned_;
};
