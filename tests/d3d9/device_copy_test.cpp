// StretchRect, ColorFill, UpdateSurface, UpdateTexture and GetRenderTargetData.
#include <cstring>

#include "device_fixture.h"

namespace {

class CopyTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_D24S8, 64, 64);
  }
  IDirect3DSurface9* Target(UINT w, UINT h, D3DFORMAT f = D3DFMT_A8R8G8B8) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(device->CreateRenderTarget(w, h, f, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr), D3D_OK);
    return s;
  }
  // A lockable default-pool surface filled by `pixel(x, y)`.
  template <class F>
  IDirect3DSurface9* Filled(UINT w, UINT h, F pixel) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(w, h, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &s, nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < h; ++y)
      for (UINT x = 0; x < w; ++x) ((D3DCOLOR*)((uint8_t*)lr.pBits + y * lr.Pitch))[x] = pixel(x, y);
    s->UnlockRect();
    return s;
  }
};

}  // namespace

TEST_F(CopyTest, StretchRectPointPicksTheNearestSourceTexel) {
  IDirect3DSurface9* src =
      Filled(2, 2, [](UINT x, UINT y) { return 0xFF000000u | (x * 0xFF) << 16 | (y * 0xFF); });
  IDirect3DSurface9* dst = Target(4, 4);
  ASSERT_EQ(device->StretchRect(src, nullptr, dst, nullptr, D3DTEXF_POINT), D3D_OK);
  EXPECT_EQ(ReadPixel(dst, 0, 0), 0xFF000000u);
  EXPECT_EQ(ReadPixel(dst, 1, 1), 0xFF000000u);
  EXPECT_EQ(ReadPixel(dst, 2, 0), 0xFFFF0000u);
  EXPECT_EQ(ReadPixel(dst, 3, 3), 0xFFFF00FFu);
  // Sub-rectangles: the source's right column into the destination's left half.
  RECT from = {1, 0, 2, 2}, to = {0, 0, 2, 4};
  ASSERT_EQ(device->StretchRect(src, &from, dst, &to, D3DTEXF_NONE), D3D_OK);
  EXPECT_EQ(ReadPixel(dst, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(ReadPixel(dst, 1, 3), 0xFFFF00FFu);
  EXPECT_EQ(ReadPixel(dst, 2, 0), 0xFFFF0000u);
  RECT outside = {0, 0, 3, 2};
  EXPECT_EQ(device->StretchRect(src, &outside, dst, nullptr, D3DTEXF_POINT), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->StretchRect(src, nullptr, dst, nullptr, D3DTEXF_ANISOTROPIC), D3DERR_INVALIDCALL);
  RECT left = {0, 0, 2, 4}, right = {1, 0, 3, 4};
  EXPECT_EQ(device->StretchRect(dst, &left, dst, &right, D3DTEXF_NONE), D3DERR_INVALIDCALL);  // one surface
  src->Release();
  dst->Release();
}

TEST_F(CopyTest, StretchRectLinearBlendsNeighbours) {
  IDirect3DSurface9* src = Filled(2, 1, [](UINT x, UINT) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
  IDirect3DSurface9* dst = Target(4, 1);
  ASSERT_EQ(device->StretchRect(src, nullptr, dst, nullptr, D3DTEXF_LINEAR), D3D_OK);
  // Destination centres map to source x = -0.25, 0.25, 0.75, 1.25; edges clamp.
  EXPECT_EQ(ReadPixel(dst, 0, 0), 0xFF000000u);
  EXPECT_EQ(ReadPixel(dst, 1, 0), 0xFF3F3F3Fu);
  EXPECT_EQ(ReadPixel(dst, 2, 0), 0xFFBFBFBFu);
  EXPECT_EQ(ReadPixel(dst, 3, 0), 0xFFFFFFFFu);
  src->Release();
  dst->Release();
}

TEST_F(CopyTest, StretchRectConvertsFormatsAndRefusesOtherPools) {
  IDirect3DSurface9* src = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 2, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, &src, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  src->LockRect(&lr, nullptr, 0);
  for (int i = 0; i < 2; ++i)
    ((uint16_t*)lr.pBits)[i] = 0x07E0, ((uint16_t*)((uint8_t*)lr.pBits + lr.Pitch))[i] = 0x07E0;
  src->UnlockRect();
  IDirect3DSurface9* dst = Target(2, 2, D3DFMT_X8R8G8B8);
  ASSERT_EQ(device->StretchRect(src, nullptr, dst, nullptr, D3DTEXF_NONE), D3D_OK);
  EXPECT_EQ(ReadPixel(dst, 1, 1) & 0xFFFFFF, 0x00FF00u);
  IDirect3DSurface9* sys = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
            D3D_OK);
  EXPECT_EQ(device->StretchRect(sys, nullptr, dst, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->StretchRect(dst, nullptr, sys, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  sys->Release();
  src->Release();
  dst->Release();
}

TEST_F(CopyTest, StretchRectCopiesDepthOnlyWhole) {
  IDirect3DSurface9* a = nullptr;
  IDirect3DSurface9* b = nullptr;
  ASSERT_EQ(device->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &a, nullptr),
            D3D_OK);
  ASSERT_EQ(device->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &b, nullptr),
            D3D_OK);
  EXPECT_EQ(device->StretchRect(a, nullptr, b, nullptr, D3DTEXF_NONE), D3D_OK);
  RECT part = {0, 0, 4, 4};
  EXPECT_EQ(device->StretchRect(a, &part, b, &part, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  IDirect3DSurface9* color = Target(8, 8);
  EXPECT_EQ(device->StretchRect(a, nullptr, color, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  color->Release();
  a->Release();
  b->Release();
}

TEST_F(CopyTest, ColorFillWritesTheRectangleInTheSurfaceFormat) {
  IDirect3DSurface9* s = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A4R4G4B4, D3DPOOL_DEFAULT, &s, nullptr), D3D_OK);
  RECT r = {1, 1, 3, 2};
  ASSERT_EQ(device->ColorFill(s, nullptr, 0x00000000), D3D_OK);
  ASSERT_EQ(device->ColorFill(s, &r, 0xFFFF8000), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  const uint16_t* row1 = (const uint16_t*)((const uint8_t*)lr.pBits + lr.Pitch);
  EXPECT_EQ(row1[0], 0x0000);
  EXPECT_EQ(row1[1], 0xFF80);
  EXPECT_EQ(row1[2], 0xFF80);
  EXPECT_EQ(row1[3], 0x0000);
  EXPECT_EQ(((const uint16_t*)((const uint8_t*)lr.pBits + 2 * lr.Pitch))[1], 0x0000);
  s->UnlockRect();
  RECT bad = {3, 3, 5, 4};
  EXPECT_EQ(device->ColorFill(s, &bad, 0), D3DERR_INVALIDCALL);
  s->Release();
  IDirect3DTexture9* managed = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
  IDirect3DSurface9* level = nullptr;
  managed->GetSurfaceLevel(0, &level);
  EXPECT_EQ(device->ColorFill(level, nullptr, 0), D3DERR_INVALIDCALL);
  level->Release();
  managed->Release();
  IDirect3DSurface9* rt = Target(4, 4);
  ASSERT_EQ(device->ColorFill(rt, nullptr, 0xFF123456), D3D_OK);
  EXPECT_EQ(ReadPixel(rt, 3, 3), 0xFF123456u);
  rt->Release();
}

TEST_F(CopyTest, UpdateSurfaceCopiesFromSystemMemoryOnly) {
  IDirect3DSurface9* sys = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
            D3D_OK);
  D3DLOCKED_RECT lr;
  sys->LockRect(&lr, nullptr, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      ((D3DCOLOR*)((uint8_t*)lr.pBits + y * lr.Pitch))[x] = 0xFF000000u | (y * 4 + x);
  sys->UnlockRect();
  IDirect3DSurface9* rt = Target(8, 8);
  device->ColorFill(rt, nullptr, 0);
  RECT r = {1, 1, 3, 4};
  POINT at = {5, 2};
  ASSERT_EQ(device->UpdateSurface(sys, &r, rt, &at), D3D_OK);
  EXPECT_EQ(ReadPixel(rt, 5, 2), 0xFF000005u);
  EXPECT_EQ(ReadPixel(rt, 6, 4), 0xFF00000Eu);
  EXPECT_EQ(ReadPixel(rt, 4, 2), 0u);
  POINT far = {7, 7};
  EXPECT_EQ(device->UpdateSurface(sys, &r, rt, &far), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->UpdateSurface(rt, nullptr, sys, nullptr), D3DERR_INVALIDCALL);
  IDirect3DSurface9* other = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_R5G6B5, D3DPOOL_SYSTEMMEM, &other, nullptr),
            D3D_OK);
  EXPECT_EQ(device->UpdateSurface(other, nullptr, rt, nullptr), D3DERR_INVALIDCALL);  // formats differ
  other->Release();
  sys->Release();
  rt->Release();
}

TEST_F(CopyTest, UpdateTextureMatchesLevelsBySize) {
  IDirect3DTexture9* sys = nullptr;
  IDirect3DTexture9* dst = nullptr;
  ASSERT_EQ(device->CreateTexture(16, 16, 0, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_L8, D3DPOOL_DEFAULT, &dst, nullptr), D3D_OK);
  for (UINT level = 0; level < sys->GetLevelCount(); ++level) {
    D3DLOCKED_RECT lr;
    ASSERT_EQ(sys->LockRect(level, &lr, nullptr, 0), D3D_OK);
    D3DSURFACE_DESC d;
    sys->GetLevelDesc(level, &d);
    for (UINT y = 0; y < d.Height; ++y)
      std::memset((uint8_t*)lr.pBits + y * lr.Pitch, (int)(level * 10), d.Width);
    sys->UnlockRect(level);
  }
  ASSERT_EQ(device->UpdateTexture(sys, dst), D3D_OK);
  // Read the default-pool texture back through a render target copy.
  IDirect3DSurface9* level = nullptr;
  IDirect3DSurface9* rt = Target(8, 8);
  dst->GetSurfaceLevel(0, &level);
  ASSERT_EQ(device->StretchRect(level, nullptr, rt, nullptr, D3DTEXF_NONE), D3D_OK);
  EXPECT_EQ(ReadPixel(rt, 7, 7), 0xFF0A0A0Au);  // source level 1 went to level 0
  level->Release();
  dst->GetSurfaceLevel(3, &level);
  RECT one = {0, 0, 1, 1};
  ASSERT_EQ(device->StretchRect(level, nullptr, rt, &one, D3DTEXF_NONE), D3D_OK);
  EXPECT_EQ(ReadPixel(rt, 0, 0), 0xFF282828u);  // source level 4
  level->Release();
  rt->Release();
  EXPECT_EQ(device->UpdateTexture(dst, sys), D3DERR_INVALIDCALL);
  IDirect3DTexture9* big = nullptr;
  ASSERT_EQ(device->CreateTexture(32, 32, 0, 0, D3DFMT_L8, D3DPOOL_DEFAULT, &big, nullptr), D3D_OK);
  EXPECT_EQ(device->UpdateTexture(sys, big), D3DERR_INVALIDCALL);  // no source level that large
  big->Release();
  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(device->CreateCubeTexture(8, 0, 0, D3DFMT_L8, D3DPOOL_DEFAULT, &cube, nullptr), D3D_OK);
  EXPECT_EQ(device->UpdateTexture(sys, cube), D3DERR_INVALIDCALL);  // types differ
  cube->Release();
  sys->Release();
  dst->Release();
}

TEST_F(CopyTest, GetRenderTargetDataNeedsAMatchingSystemSurface) {
  IDirect3DSurface9* rt = Target(4, 4);
  device->ColorFill(rt, nullptr, 0xFFABCDEF);
  IDirect3DSurface9* sys = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr),
            D3D_OK);
  ASSERT_EQ(device->GetRenderTargetData(rt, sys), D3D_OK);
  D3DLOCKED_RECT lr;
  sys->LockRect(&lr, nullptr, D3DLOCK_READONLY);
  EXPECT_EQ(((D3DCOLOR*)lr.pBits)[5], 0xFFABCDEFu);
  sys->UnlockRect();
  IDirect3DSurface9* small = nullptr;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &small, nullptr),
            D3D_OK);
  EXPECT_EQ(device->GetRenderTargetData(rt, small), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetRenderTargetData(sys, rt), D3DERR_INVALIDCALL);
  small->Release();
  sys->Release();
  rt->Release();
}
