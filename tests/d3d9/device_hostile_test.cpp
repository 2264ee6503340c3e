// Random arguments to the copy, lock and draw calls: each either succeeds or is refused, and
// nothing reads or writes outside the resources (the sanitizer build checks the memory side).
#include <random>

#include "device_fixture.h"

namespace {

class HostileTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_D24S8, 32, 32);
  }
};

LONG Coord(std::mt19937& rng) {
  static const LONG picks[] = {-5, -1, 0,  1,  3,  4,  7,          8,
                               15, 16, 31, 32, 33, 64, 0x7FFFFFFF, (LONG)0x80000000};
  return picks[rng() % (sizeof picks / sizeof picks[0])];
}

// Mostly plausible rectangles, some empty, inverted, huge or overflowing.
RECT RandomRect(std::mt19937& rng) {
  static const LONG sizes[] = {-1, 0, 1, 2, 3, 4, 4, 8, 8, 16, 40, 0x7FFFFFFF};
  LONG x = rng() % 4 ? (LONG)(rng() % 17) : Coord(rng), y = rng() % 4 ? (LONG)(rng() % 17) : Coord(rng);
  LONG w = sizes[rng() % 12], h = sizes[rng() % 12];
  return {x, y, (LONG)((uint32_t)x + (uint32_t)w), (LONG)((uint32_t)y + (uint32_t)h)};
}

}  // namespace

TEST_F(HostileTest, CopiesAndLocksWithRandomRectangles) {
  std::mt19937 rng(1234);
  IDirect3DSurface9* plain = nullptr;
  IDirect3DSurface9* sys = nullptr;
  IDirect3DSurface9* rt = nullptr;
  IDirect3DTexture9* dxt = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(16, 8, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, &plain, nullptr),
            D3D_OK);
  ASSERT_EQ(device->CreateOffscreenPlainSurface(16, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
            D3D_OK);
  ASSERT_EQ(device->CreateRenderTarget(8, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &rt, nullptr),
            D3D_OK);
  ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_DXT3, D3DPOOL_MANAGED, &dxt, nullptr), D3D_OK);
  int accepted = 0;
  for (int i = 0; i < 3000; ++i) {
    RECT a = RandomRect(rng), b = RandomRect(rng);
    POINT p = {Coord(rng), Coord(rng)};
    D3DLOCKED_RECT lr;
    HRESULT hr = D3D_OK;
    switch (rng() % 6) {
      case 0:
        hr = device->StretchRect(plain, &a, rt, &b, (rng() & 1) ? D3DTEXF_LINEAR : D3DTEXF_POINT);
        break;
      case 1:
        hr = device->UpdateSurface(sys, &a, rt, &p);
        break;
      case 2:
        hr = device->ColorFill(plain, &a, 0xFF808080);
        break;
      case 3:
        hr = rt->LockRect(&lr, &a, 0);
        if (SUCCEEDED(hr)) {
          for (LONG y = 0; y < a.bottom - a.top; ++y)
            for (LONG x = 0; x < a.right - a.left; ++x)
              ((DWORD*)((BYTE*)lr.pBits + y * lr.Pitch))[x] = 0xFFFFFFFF;
          rt->UnlockRect();
        }
        break;
      case 4: {
        UINT level = rng() % 5;
        hr = dxt->LockRect(level, &lr, &a, 0);
        if (SUCCEEDED(hr)) {
          for (LONG y = 0; y < (a.bottom - a.top + 3) / 4; ++y)
            for (LONG x = 0; x < (a.right - a.left + 3) / 4 * 16; ++x)
              ((BYTE*)lr.pBits)[y * lr.Pitch + x] = 0xAB;
          dxt->UnlockRect(level);
        }
        break;
      }
      case 5: {
        IDirect3DSurface9* bb = nullptr;
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
        hr = device->StretchRect(rt, &a, bb, &b, D3DTEXF_LINEAR);
        bb->Release();
        break;
      }
    }
    EXPECT_TRUE(hr == D3D_OK || hr == D3DERR_INVALIDCALL) << i << " " << std::hex << hr;
    accepted += hr == D3D_OK;
  }
  EXPECT_GT(accepted, 50);  // the random rectangles are not all refused
  dxt->Release();
  rt->Release();
  sys->Release();
  plain->Release();
}

TEST_F(HostileTest, DrawsWithRandomRangesAndIndices) {
  std::mt19937 rng(99);
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(16 * 7, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateIndexBuffer(2 * 9, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  WORD* idx = nullptr;
  ib->Lock(0, 0, (void**)&idx, 0);
  for (int i = 0; i < 9; ++i) idx[i] = (WORD)(rng() % 12);  // some past the vertices
  ib->Unlock();
  float* v = nullptr;
  vb->Lock(0, 0, (void**)&v, 0);
  for (int i = 0; i < 7 * 4; ++i) v[i] = (float)(rng() % 64) - 16.0f;
  vb->Unlock();
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->BeginScene();
  for (int i = 0; i < 2000; ++i) {
    device->SetStreamSource(0, vb, (rng() % 3) * 4, 16 + (rng() % 2) * 4);
    device->SetIndices(ib);
    D3DPRIMITIVETYPE type = (D3DPRIMITIVETYPE)(rng() % 8);
    UINT count = rng() % 6, start = rng() % 8;
    HRESULT hr = (rng() & 1) ? device->DrawPrimitive(type, start, count)
                             : device->DrawIndexedPrimitive(type, (INT)(rng() % 4), rng() % 4, rng() % 8,
                                                            start, count);
    EXPECT_TRUE(hr == D3D_OK || hr == D3DERR_INVALIDCALL);
  }
  device->EndScene();
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetIndices(nullptr);
  vb->Release();
  ib->Release();
}
