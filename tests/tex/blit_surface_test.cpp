// Transfers into and between Direct3D surfaces and volumes: argument refusals, partial locks,
// temporary copies of surfaces the CPU cannot lock, the device path and the lost device.
#include <random>

#include "blit_device_fixture.h"
#include "forwarding_device.h"

namespace {

std::vector<uint32_t> Noise(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> v(n);
  for (auto& p : v) p = rng();
  return v;
}

using LoadFromMemory = TransferTest;

TEST_F(LoadFromMemory, RefusesMissingAndBadArgumentsWithoutTouchingTheSurface) {
  IDirect3DSurface9* dst = Level(Texture(8, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), 0);
  SetPixels32(dst, std::vector<uint32_t>(64, 0x11223344));
  std::vector<uint32_t> src(64, 0xFF00FF00);
  const RECT whole = {0, 0, 8, 8};
  auto load = [&](IDirect3DSurface9* s, const RECT* destRect, const void* mem, UINT pitch,
                  const RECT* srcRect, DWORD filter) {
    return D3DXLoadSurfaceFromMemory(s, nullptr, destRect, mem, D3DFMT_A8R8G8B8, pitch, nullptr, srcRect,
                                     filter, 0);
  };
  EXPECT_EQ(load(nullptr, nullptr, src.data(), 32, &whole, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(load(dst, nullptr, nullptr, 32, &whole, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(load(dst, nullptr, src.data(), 32, nullptr, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  const RECT negative = {-1, 0, 7, 8}, reversed = {4, 0, 2, 8}, beyond = {0, 0, 9, 8};
  EXPECT_EQ(load(dst, nullptr, src.data(), 32, &negative, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(load(dst, nullptr, src.data(), 32, &reversed, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(load(dst, &beyond, src.data(), 32, &whole, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(load(dst, &negative, src.data(), 32, &whole, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(load(dst, nullptr, src.data(), 16, &whole, D3DX_DEFAULT), D3DERR_INVALIDCALL)
      << "pitch below a row";
  EXPECT_EQ(load(dst, nullptr, src.data(), 32, &whole, 6), D3DERR_INVALIDCALL);
  EXPECT_EQ(load(dst, nullptr, src.data(), 32, &whole, D3DX_FILTER_BOX | 0x400000), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromMemory(dst, nullptr, nullptr, src.data(), D3DFMT_D24S8, 32, nullptr, &whole,
                                      D3DX_DEFAULT, 0),
            E_FAIL);
  EXPECT_EQ(Pixels32(dst), std::vector<uint32_t>(64, 0x11223344));
}

TEST_F(LoadFromMemory, DefaultFilterBetweenEqualSizesCopiesBytes) {
  IDirect3DSurface9* dst = Level(Texture(4, 4, 1, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED), 0);
  const std::vector<uint32_t> src = Noise(16, 1);
  const RECT whole = {0, 0, 4, 4};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(dst, nullptr, nullptr, src.data(), D3DFMT_X8R8G8B8, 16, nullptr, &whole,
                                      D3DX_DEFAULT, 0),
            D3D_OK);
  EXPECT_EQ(Pixels32(dst), src) << "the X bytes are kept only by a byte copy";
}

TEST_F(LoadFromMemory, WritesOnlyTheDestinationRectangle) {
  IDirect3DSurface9* dst = Level(Texture(8, 6, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), 0);
  SetPixels32(dst, std::vector<uint32_t>(48, 0x11223344));
  const std::vector<uint32_t> src(4 * 4, 0xFF804020);
  const RECT from = {0, 0, 4, 4}, to = {3, 1, 7, 4};  // shrinking 4 rows to 3
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(dst, nullptr, &to, src.data(), D3DFMT_A8R8G8B8, 16, nullptr, &from,
                                      D3DX_FILTER_TRIANGLE, 0),
            D3D_OK);
  const std::vector<uint32_t> out = Pixels32(dst);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 3 && x < 7 && y >= 1 && y < 4;
      EXPECT_EQ(out[y * 8 + x], inside ? 0xFF804020u : 0x11223344u) << x << "," << y;
    }
}

TEST_F(LoadFromMemory, SourceRectangleSelectsPixelsOfALargerImage) {
  IDirect3DSurface9* dst = Level(Texture(2, 2, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), 0);
  std::vector<uint32_t> src(5 * 4);
  for (size_t i = 0; i < src.size(); ++i) src[i] = 0xFF000000u | uint32_t(i);
  const RECT from = {2, 1, 4, 3};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(dst, nullptr, nullptr, src.data(), D3DFMT_A8R8G8B8, 20, nullptr, &from,
                                      D3DX_FILTER_NONE, 0),
            D3D_OK);
  EXPECT_EQ(Pixels32(dst), (std::vector<uint32_t>{0xFF000007, 0xFF000008, 0xFF00000C, 0xFF00000D}));
}

TEST_F(LoadFromMemory, SurfacesTheCpuCannotLockGoThroughATemporaryCopy) {
  // A default-pool texture without the dynamic usage refuses LockRect.
  IDirect3DSurface9* dst = Level(Texture(8, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT), 0);
  D3DLOCKED_RECT lr;
  ASSERT_NE(dst->LockRect(&lr, nullptr, 0), D3D_OK);
  const std::vector<uint32_t> first = Noise(32, 2);
  const RECT whole = {0, 0, 8, 4};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(dst, nullptr, nullptr, first.data(), D3DFMT_A8R8G8B8, 32, nullptr,
                                      &whole, D3DX_FILTER_NONE, 0),
            D3D_OK);
  EXPECT_EQ(Pixels32(dst), first);
  // A partial load keeps the rest, which the copy had to read from the surface first.
  const std::vector<uint32_t> patch(4, 0xFF0000FF);
  const RECT small = {0, 0, 2, 2}, to = {5, 1, 7, 3};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(dst, nullptr, &to, patch.data(), D3DFMT_A8R8G8B8, 8, nullptr, &small,
                                      D3DX_FILTER_NONE, 0),
            D3D_OK);
  std::vector<uint32_t> want = first;
  for (int y = 1; y < 3; ++y)
    for (int x = 5; x < 7; ++x) want[y * 8 + x] = 0xFF0000FF;
  EXPECT_EQ(Pixels32(dst), want);
}

TEST_F(LoadFromMemory, PartialBlockLoadsRewriteOnlyTheBlocksTheyTouch) {
  IDirect3DSurface9* dst = Level(Texture(12, 8, 1, D3DFMT_DXT1, D3DPOOL_MANAGED), 0);
  std::vector<BYTE> before(3 * 2 * 8);
  for (size_t i = 0; i < before.size(); ++i) before[i] = BYTE(i * 37 + 1);
  SetBytes(dst, before);
  const std::vector<uint32_t> src(9, 0xFFFFFFFF);
  const RECT from = {0, 0, 3, 3}, to = {5, 2, 8, 5};  // blocks (1, 0) and (1, 1)
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(dst, nullptr, &to, src.data(), D3DFMT_A8R8G8B8, 12, nullptr, &from,
                                      D3DX_FILTER_NONE, 0),
            D3D_OK);
  const std::vector<BYTE> after = Bytes(dst);
  for (int by = 0; by < 2; ++by)
    for (int bx = 0; bx < 3; ++bx) {
      const bool touched = bx == 1;
      const bool same = std::equal(after.begin() + (by * 3 + bx) * 8, after.begin() + (by * 3 + bx + 1) * 8,
                                   before.begin() + (by * 3 + bx) * 8);
      EXPECT_EQ(same, !touched) << "block " << bx << "," << by;
    }
}

using LoadFromSurface = TransferTest;

TEST_F(LoadFromSurface, RefusesNullSurfacesAndBadFiltersEvenWhereTheDeviceCouldCopy) {
  IDirect3DSurface9* a = Target(4, 4);
  IDirect3DSurface9* b = Target(4, 4);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(nullptr, nullptr, nullptr, b, nullptr, nullptr, D3DX_DEFAULT, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(a, nullptr, nullptr, nullptr, nullptr, nullptr, D3DX_DEFAULT, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(a, nullptr, nullptr, b, nullptr, nullptr, 0, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(a, nullptr, nullptr, b, nullptr, nullptr, 7 | D3DX_FILTER_DITHER, 0),
            D3DERR_INVALIDCALL);
  const RECT outside = {0, 0, 5, 4};
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(a, nullptr, nullptr, b, nullptr, &outside, D3DX_FILTER_POINT, 0),
            D3DERR_INVALIDCALL);
}

TEST_F(LoadFromSurface, SameSizeDefaultPoolCopiesRunOnTheDevice) {
  // The device widens 5 bits by bit replication (3 -> 24); the codecs scale (3 -> 25).
  IDirect3DSurface9* src = Plain(2, 2, D3DFMT_R5G6B5, D3DPOOL_DEFAULT);
  SetBytes(src, {3, 0, 3, 0, 3, 0, 3, 0});
  IDirect3DSurface9* dst = Target(2, 2);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, D3DX_FILTER_POINT, 0),
            D3D_OK);
  EXPECT_EQ(Pixels32(dst)[0] & 0xFF, 24u);
  // Box filters, colour keys and differing palettes stay in software.
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, D3DX_FILTER_BOX, 0),
            D3D_OK);
  EXPECT_EQ(Pixels32(dst)[0] & 0xFF, 25u);
  ASSERT_EQ(
      D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, D3DX_FILTER_POINT, 0xFF123456),
      D3D_OK);
  EXPECT_EQ(Pixels32(dst)[0] & 0xFF, 25u);
}

TEST_F(LoadFromSurface, SystemMemoryIntoDefaultPoolLandsAtTheDestinationRectangle) {
  IDirect3DSurface9* src = Plain(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
  const std::vector<uint32_t> pixels = Noise(16, 3);
  SetPixels32(src, pixels);
  IDirect3DSurface9* dst = Level(Texture(8, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT), 0);
  const RECT from = {1, 1, 3, 4}, to = {5, 2, 7, 5};
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, &to, src, nullptr, &from, D3DX_DEFAULT, 0), D3D_OK);
  const std::vector<uint32_t> out = Pixels32(dst);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(out[(2 + y) * 8 + 5 + x], pixels[(1 + y) * 4 + 1 + x]);
  EXPECT_EQ(out[0], 0u);
}

TEST_F(LoadFromSurface, ScalesBetweenManagedSurfaces) {
  IDirect3DTexture9* t = Texture(8, 8, 2, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  SetPixels32(Level(t, 0), std::vector<uint32_t>(64, 0xFF408020));
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(Level(t, 1), nullptr, nullptr, Level(t, 0), nullptr, nullptr,
                                       D3DX_FILTER_LINEAR, 0),
            D3D_OK);
  EXPECT_EQ(Pixels32(Level(t, 1)), std::vector<uint32_t>(16, 0xFF408020));
}

TEST_F(LoadFromSurface, OverlappingRectanglesOfOneSurfaceReadTheOldContents) {
  IDirect3DSurface9* s = Level(Texture(6, 1, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), 0);
  SetPixels32(s, {1, 2, 3, 4, 5, 6});
  const RECT from = {0, 0, 5, 1}, to = {1, 0, 6, 1};
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(s, nullptr, &to, s, nullptr, &from, D3DX_FILTER_POINT, 0), D3D_OK);
  EXPECT_EQ(Pixels32(s), (std::vector<uint32_t>{1, 1, 2, 3, 4, 5}));
}

// A surface that reports `device` as its device and forwards everything else.
class ForeignSurface final : public IDirect3DSurface9 {
 public:
  ForeignSurface(IDirect3DSurface9* inner, IDirect3DDevice9* device) : inner_(inner), device_(device) {}
  HRESULT QueryInterface(REFIID riid, void** out) override { return inner_->QueryInterface(riid, out); }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override { return --refs_; }
  HRESULT GetDevice(IDirect3DDevice9** device) override {
    device_->AddRef();
    *device = device_;
    return D3D_OK;
  }
  HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override {
    return inner_->SetPrivateData(g, d, s, f);
  }
  HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override { return inner_->GetPrivateData(g, d, s); }
  HRESULT FreePrivateData(REFGUID g) override { return inner_->FreePrivateData(g); }
  DWORD SetPriority(DWORD p) override { return inner_->SetPriority(p); }
  DWORD GetPriority() override { return inner_->GetPriority(); }
  void PreLoad() override { inner_->PreLoad(); }
  D3DRESOURCETYPE GetType() override { return inner_->GetType(); }
  HRESULT GetContainer(REFIID riid, void** c) override { return inner_->GetContainer(riid, c); }
  HRESULT GetDesc(D3DSURFACE_DESC* d) override { return inner_->GetDesc(d); }
  HRESULT LockRect(D3DLOCKED_RECT* l, const RECT* r, DWORD f) override { return inner_->LockRect(l, r, f); }
  HRESULT UnlockRect() override { return inner_->UnlockRect(); }
  HRESULT GetDC(HDC* dc) override { return inner_->GetDC(dc); }
  HRESULT ReleaseDC(HDC dc) override { return inner_->ReleaseDC(dc); }
  ULONG refs_ = 1;

 private:
  IDirect3DSurface9* inner_;
  IDirect3DDevice9* device_;
};

class LosableDevice final : public ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;
  HRESULT TestCooperativeLevel() override { return lost ? D3DERR_DEVICELOST : D3D_OK; }
  bool lost = false;
};

TEST_F(LoadFromSurface, ReadingADefaultPoolSurfaceOnALostDeviceReportsIt) {
  IDirect3DSurface9* inner = Level(Texture(4, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC), 0);
  auto* losable = new LosableDevice(device);
  ForeignSurface src(inner, losable);
  IDirect3DSurface9* dst = Plain(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, &src, nullptr, nullptr, D3DX_FILTER_NONE, 0),
            D3D_OK);
  losable->lost = true;
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, &src, nullptr, nullptr, D3DX_FILTER_NONE, 0),
            D3DERR_DEVICELOST);
  EXPECT_EQ(src.refs_, 1u);
  EXPECT_EQ(losable->Release(), 0u) << "every device reference taken was given back";
}

using LoadVolume = TransferTest;

TEST_F(LoadVolume, FromMemoryIntoABoxAndBetweenLevels) {
  IDirect3DVolumeTexture9* t = nullptr;
  ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  Keep(t);
  IDirect3DVolume9 *top = nullptr, *next = nullptr;
  ASSERT_EQ(t->GetVolumeLevel(0, &top), D3D_OK);
  Keep(top);
  ASSERT_EQ(t->GetVolumeLevel(1, &next), D3D_OK);
  Keep(next);
  std::vector<uint32_t> src(4 * 4 * 4);
  for (size_t i = 0; i < src.size(); ++i) src[i] = 0xFF000000u | uint32_t(i * 4);
  const D3DBOX whole = {0, 0, 4, 4, 0, 4};
  ASSERT_EQ(D3DXLoadVolumeFromMemory(top, nullptr, nullptr, src.data(), D3DFMT_A8R8G8B8, 16, 64, nullptr,
                                     &whole, D3DX_FILTER_NONE, 0),
            D3D_OK);
  ASSERT_EQ(D3DXLoadVolumeFromVolume(next, nullptr, nullptr, top, nullptr, nullptr, D3DX_FILTER_BOX, 0),
            D3D_OK);
  D3DLOCKED_BOX lb;
  ASSERT_EQ(next->LockBox(&lb, nullptr, D3DLOCK_READONLY), D3D_OK);
  // Mean of indices 16z + 4y + x over the 2x2x2 block at the origin: 0 + 2 + 8 + 32 = 10.5 -> 42 after * 4.
  EXPECT_EQ(static_cast<const uint32_t*>(lb.pBits)[0], 0xFF00002Au);
  next->UnlockBox();

  const D3DBOX bad = {0, 0, 5, 4, 0, 4}, reversed = {0, 0, 4, 4, 3, 1};
  EXPECT_EQ(D3DXLoadVolumeFromMemory(top, nullptr, &bad, src.data(), D3DFMT_A8R8G8B8, 16, 64, nullptr, &whole,
                                     D3DX_FILTER_NONE, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadVolumeFromMemory(top, nullptr, nullptr, src.data(), D3DFMT_A8R8G8B8, 16, 64, nullptr,
                                     &reversed, D3DX_FILTER_NONE, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadVolumeFromMemory(top, nullptr, nullptr, src.data(), D3DFMT_A8R8G8B8, 16, 32, nullptr,
                                     &whole, D3DX_FILTER_NONE, 0),
            D3DERR_INVALIDCALL)
      << "slice pitch below a slice";
  EXPECT_EQ(D3DXLoadVolumeFromVolume(next, nullptr, nullptr, nullptr, nullptr, nullptr, D3DX_DEFAULT, 0),
            D3DERR_INVALIDCALL);
}

TEST_F(LoadVolume, DefaultPoolVolumesWithoutDynamicUsageAreRefused) {
  IDirect3DVolumeTexture9* t = nullptr;
  ASSERT_EQ(device->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
            D3D_OK);
  Keep(t);
  IDirect3DVolume9* v = nullptr;
  ASSERT_EQ(t->GetVolumeLevel(0, &v), D3D_OK);
  Keep(v);
  const std::vector<uint32_t> src(8, 1);
  const D3DBOX whole = {0, 0, 2, 2, 0, 2};
  EXPECT_EQ(D3DXLoadVolumeFromMemory(v, nullptr, nullptr, src.data(), D3DFMT_A8R8G8B8, 8, 16, nullptr, &whole,
                                     D3DX_FILTER_NONE, 0),
            D3DERR_INVALIDCALL);
}

}  // namespace
