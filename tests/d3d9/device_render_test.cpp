// End to end through the device and the pipeline: textures of several formats drawn one texel
// per pixel, rendering into a texture and sampling it in the next pass, the automatic depth
// buffer.
#include <algorithm>
#include <cstring>
#include <vector>

#include "device_fixture.h"

namespace {

struct TlVertex {
  float x, y, z, rhw;
  D3DCOLOR diffuse;
  float u, v;
};
constexpr DWORD kTlFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class RenderTest : public DeviceTest {
 protected:
  static constexpr UINT kSize = 16;
  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_D24S8, kSize, kSize);
    device->SetFVF(kTlFvf);
  }
  // A screen-aligned quad over pixels [x0, x1) x [y0, y1) at depth z, texel centres on pixel
  // centres (the half-pixel shift of pre-transformed vertices).
  void Quad(float x0, float y0, float x1, float y1, float z, D3DCOLOR c) {
    TlVertex v[4] = {{x0 - 0.5f, y0 - 0.5f, z, 1, c, 0, 0},
                     {x1 - 0.5f, y0 - 0.5f, z, 1, c, 1, 0},
                     {x1 - 0.5f, y1 - 0.5f, z, 1, c, 1, 1},
                     {x0 - 0.5f, y1 - 0.5f, z, 1, c, 0, 1}};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(TlVertex)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
  }
  std::vector<D3DCOLOR> BackBuffer() {
    IDirect3DSurface9* bb = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    IDirect3DSurface9* copy = nullptr;
    device->CreateOffscreenPlainSurface(kSize, kSize, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    EXPECT_EQ(device->GetRenderTargetData(bb, copy), D3D_OK);
    std::vector<D3DCOLOR> out(kSize * kSize);
    D3DLOCKED_RECT lr;
    copy->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    for (UINT y = 0; y < kSize; ++y)
      std::memcpy(&out[y * kSize], (uint8_t*)lr.pBits + y * lr.Pitch, kSize * 4);
    copy->UnlockRect();
    copy->Release();
    bb->Release();
    return out;
  }
};

}  // namespace

TEST_F(RenderTest, ATextureDrawnOneTexelPerPixelIsReproduced) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(kSize, kSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < kSize; ++y)
    for (UINT x = 0; x < kSize; ++x)
      ((D3DCOLOR*)((uint8_t*)lr.pBits + y * lr.Pitch))[x] =
          0xFF000000u | (x * 16) << 16 | (y * 16) << 8 | (x ^ y);
  t->UnlockRect(0);
  device->SetTexture(0, t);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Quad(0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);
  std::vector<D3DCOLOR> px = BackBuffer();
  for (UINT y = 0; y < kSize; ++y)
    for (UINT x = 0; x < kSize; ++x)
      ASSERT_EQ(px[y * kSize + x], 0xFF000000u | (x * 16) << 16 | (y * 16) << 8 | (x ^ y)) << x << "," << y;
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(RenderTest, DecodedFormatsAreSampledAsTheyDecode) {
  // R5G6B5 pure channels and an L8 ramp, both through the decoded sampling copy.
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(kSize, kSize, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < kSize; ++y)
    for (UINT x = 0; x < kSize; ++x)
      ((uint16_t*)((uint8_t*)lr.pBits + y * lr.Pitch))[x] = x < 8 ? 0xF800 : 0x07E0;
  t->UnlockRect(0);
  device->SetTexture(0, t);
  Quad(0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);
  std::vector<D3DCOLOR> px = BackBuffer();
  EXPECT_EQ(px[3 * kSize + 2], 0xFFFF0000u);
  EXPECT_EQ(px[9 * kSize + 12], 0xFF00FF00u);
  // Relocking and rewriting part of the level is seen by the next draw.
  RECT right = {8, 0, 16, 16};
  ASSERT_EQ(t->LockRect(0, &lr, &right, 0), D3D_OK);
  for (UINT y = 0; y < kSize; ++y)
    for (UINT x = 0; x < 8; ++x) ((uint16_t*)((uint8_t*)lr.pBits + y * lr.Pitch))[x] = 0x001F;
  t->UnlockRect(0);
  device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Quad(0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);
  px = BackBuffer();
  EXPECT_EQ(px[9 * kSize + 12], 0xFF0000FFu);
  EXPECT_EQ(px[9 * kSize + 2], 0xFFFF0000u);
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(RenderTest, DxtTexturesAreSampledExactly) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
  std::memcpy(lr.pBits, block, 8);
  t->UnlockRect(0);
  device->SetTexture(0, t);
  Quad(0, 0, 4, 4, 0.5f, 0xFFFFFFFF);
  std::vector<D3DCOLOR> px = BackBuffer();
  const D3DCOLOR expected[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x) EXPECT_EQ(px[y * kSize + x], expected[x]) << x << "," << y;
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(RenderTest, ATextureRenderedIntoIsSampledInTheNextPass) {
  IDirect3DTexture9* eye = nullptr;
  ASSERT_EQ(device->CreateTexture(kSize, kSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                  &eye, nullptr),
            D3D_OK);
  IDirect3DSurface9* saved = nullptr;
  IDirect3DSurface9* level = nullptr;
  device->GetRenderTarget(0, &saved);
  eye->GetSurfaceLevel(0, &level);
  device->SetRenderTarget(0, level);
  level->Release();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);  // diffuse only
  Quad(0, 0, kSize / 2, kSize, 0.5f, 0xFF20C040);
  device->SetRenderTarget(0, saved);
  saved->Release();
  // Composite: the eye texture, added onto a cleared back buffer.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTexture(0, eye);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF010101, 1.0f, 0);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  Quad(0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);
  std::vector<D3DCOLOR> px = BackBuffer();
  EXPECT_EQ(px[5 * kSize + 3] & 0xFFFFFF, 0x21C141u);
  EXPECT_EQ(px[5 * kSize + 12] & 0xFFFFFF, 0x010101u);
  device->SetTexture(0, nullptr);
  eye->Release();
}

TEST_F(RenderTest, TheAutomaticDepthBufferKeepsTheNearerSurface) {
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Quad(0, 0, kSize, kSize, 0.25f, 0xFFFF0000);  // near first
  Quad(0, 0, kSize, kSize, 0.75f, 0xFF0000FF);  // far, hidden
  EXPECT_EQ(BackBuffer()[8 * kSize + 8], 0xFFFF0000u);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
  Quad(0, 0, kSize, kSize, 0.75f, 0xFF0000FF);  // now the farther one wins
  EXPECT_EQ(BackBuffer()[8 * kSize + 8], 0xFF0000FFu);
}

TEST_F(RenderTest, ALockWaitsForDrawsThatSampleTheTexture) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  auto fill = [&](D3DCOLOR c) {
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) ((D3DCOLOR*)((uint8_t*)lr.pBits + y * lr.Pitch))[x] = c;
    t->UnlockRect(0);
  };
  fill(0xFF112233);
  device->SetTexture(0, t);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Quad(0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);  // may still be waiting in the bins
  fill(0xFF445566);                            // must not change what was drawn
  EXPECT_EQ(BackBuffer()[5 * kSize + 5], 0xFF112233u);
  device->SetTexture(0, nullptr);
  t->Release();  // released while nothing is pending
}

// Text uploads tile after tile through one dynamic texture: a DISCARD lock gives the level other
// storage instead of waiting for the draws that sample it, which keep the texels they were given.
TEST_F(RenderTest, ADiscardLockLeavesEarlierDrawsTheirTexels) {
  struct Case {
    D3DFORMAT format;
    UINT size;
  };
  // Sampled in place (renamed), through a decoded copy (waits), and large enough that the renamed
  // storage reaches its bound (waits after a few).
  for (Case c : {Case{D3DFMT_A8R8G8B8, 4}, Case{D3DFMT_R5G6B5, 4}, Case{D3DFMT_X8R8G8B8, 1024}}) {
    SCOPED_TRACE(c.format);
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(
        device->CreateTexture(c.size, c.size, 1, D3DUSAGE_DYNAMIC, c.format, D3DPOOL_DEFAULT, &t, nullptr),
        D3D_OK);
    const D3DCOLOR colors[8] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                0xFFFF00FF, 0xFF00FFFF, 0xFFFFFF00, 0xFF000000};
    std::vector<void*> storage;
    device->SetTexture(0, t);
    for (int round = 0; round < 20; ++round) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF808080, 1.0f, 0);
      for (int k = 0; k < 8; ++k) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
        storage.push_back(lr.pBits);
        for (UINT y = 0; y < c.size; ++y) {
          uint8_t* row = (uint8_t*)lr.pBits + y * lr.Pitch;
          for (UINT x = 0; x < c.size; ++x) {
            const D3DCOLOR v = colors[k];
            if (c.format == D3DFMT_R5G6B5)
              ((uint16_t*)row)[x] = uint16_t((v >> 8 & 0xF800) | (v >> 5 & 0x07E0) | (v >> 3 & 0x001F));
            else
              ((D3DCOLOR*)row)[x] = v;
          }
        }
        ASSERT_EQ(t->UnlockRect(0), D3D_OK);
        const float x0 = float(k % 4) * 4, y0 = float(k / 4) * 4;
        Quad(x0, y0, x0 + 4, y0 + 4, 0.5f, 0xFFFFFFFF);
      }
      std::vector<D3DCOLOR> px = BackBuffer();
      for (int k = 0; k < 8; ++k)
        for (UINT y = 0; y < 4; ++y)
          for (UINT x = 0; x < 4; ++x)
            ASSERT_EQ(px[(k / 4 * 4 + y) * kSize + k % 4 * 4 + x], colors[k])
                << "quad " << k << ", round " << round;
    }
    if (c.size == 4 && c.format == D3DFMT_A8R8G8B8) {
      // Renamed storage is reused once the draws are done: the rounds share a few buffers.
      std::sort(storage.begin(), storage.end());
      const auto distinct = std::unique(storage.begin(), storage.end()) - storage.begin();
      EXPECT_GT(distinct, 1);
      EXPECT_LE(distinct, 24);
    }
    device->SetTexture(0, nullptr);
    EXPECT_EQ(t->Release(), 0u);
  }
}

TEST_F(RenderTest, ReleasingABoundTextureAfterADrawIsSafe) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  device->SetTexture(0, t);
  Quad(0, 0, kSize, kSize, 0.5f, 0xFFFFFFFF);
  device->SetTexture(0, nullptr);
  EXPECT_EQ(t->Release(), 0u);  // destroyed here: the pending draw is finished first
  EXPECT_EQ(BackBuffer()[3], 0xFF000000u);
}
