// Runtime object, device creation and refusal, presentation and scenes.
#include <cstring>

#include "device_fixture.h"

TEST(Direct3DCreate, OnlyTheBuiltVersionGivesAnObject) {
  EXPECT_EQ(Direct3DCreate9(30), nullptr);
  EXPECT_EQ(Direct3DCreate9(32), nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  EXPECT_EQ(d3d->AddRef(), 2u);
  EXPECT_EQ(d3d->Release(), 1u);
  EXPECT_EQ(d3d->Release(), 0u);
}

TEST(Direct3DCreate, RegistersTheModuleWithItsExports) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  HMODULE module = GetModuleHandleA("d3d9.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_NE(GetProcAddress(module, "Direct3DCreate9"), nullptr);
  FARPROC mute = GetProcAddress(module, "DebugSetMute");
  ASSERT_NE(mute, nullptr);
  EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
  // The switch records the flag: the second call reports the first's.
  auto set = reinterpret_cast<int(WINAPI*)(BOOL)>(reinterpret_cast<void*>(mute));
  set(TRUE);
  EXPECT_EQ(set(FALSE), TRUE);
  EXPECT_EQ(DebugSetMute(FALSE), FALSE);
  d3d->Release();
}

TEST_F(DeviceTest, AdapterAnswersForItsOneAdapter) {
  D3DADAPTER_IDENTIFIER9 id;
  EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  EXPECT_GT(std::strlen(id.Description), 0u);
  EXPECT_EQ(d3d->GetAdapterIdentifier(1, 0, &id), D3DERR_INVALIDCALL);
  D3DDISPLAYMODE mode;
  EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 640u);
  EXPECT_EQ(mode.Height, 480u);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(d3d->GetAdapterCount(), 1u);
  D3DCAPS9 caps;
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_TRUE(caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES);
  EXPECT_FALSE(caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY));
  EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP);
  EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPCUBEMAP);
  EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPVOLUMEMAP);
  EXPECT_GT(caps.MaxVertexIndex, 0xFFFFu);
  EXPECT_GT(caps.MaxPrimitiveCount, 0xFFFFu);
  EXPECT_EQ(caps.SrcBlendCaps & D3DPBLENDCAPS_ONE, (DWORD)D3DPBLENDCAPS_ONE);
  EXPECT_EQ(d3d->GetDeviceCaps(0, (D3DDEVTYPE)9, &caps), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, CreatesWhatThePresentationParametersAsk) {
  CreateDefault(D3DFMT_D24S8, 320, 200);
  IDirect3DSurface9* bb = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  D3DSURFACE_DESC d;
  bb->GetDesc(&d);
  EXPECT_EQ(d.Width, 320u);
  EXPECT_EQ(d.Height, 200u);
  EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
  EXPECT_TRUE(d.Usage & D3DUSAGE_RENDERTARGET);
  bb->Release();
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
  depth->GetDesc(&d);
  EXPECT_EQ(d.Format, D3DFMT_D24S8);
  EXPECT_EQ(d.Width, 320u);
  depth->Release();
  D3DVIEWPORT9 vp;
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 320u);
  EXPECT_EQ(vp.Height, 200u);
  DWORD z;
  device->GetRenderState(D3DRS_ZENABLE, &z);
  EXPECT_EQ(z, (DWORD)D3DZB_TRUE);
  D3DDEVICE_CREATION_PARAMETERS cp;
  ASSERT_EQ(device->GetCreationParameters(&cp), D3D_OK);
  EXPECT_EQ(cp.hFocusWindow, window);
  EXPECT_EQ(cp.BehaviorFlags, (DWORD)D3DCREATE_HARDWARE_VERTEXPROCESSING);
  EXPECT_EQ(cp.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(DeviceTest, ZeroSizeTakesTheWindowClientSize) {
  D3DPRESENT_PARAMETERS pp = Params(D3DFMT_D16, 0, 0);
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
            D3D_OK);
  RECT r;
  ASSERT_TRUE(GetClientRect(window, &r));
  EXPECT_EQ(pp.BackBufferWidth, (UINT)(r.right - r.left));
  EXPECT_EQ(pp.BackBufferHeight, (UINT)(r.bottom - r.top));
  D3DDISPLAYMODE mode;
  ASSERT_EQ(device->GetDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, pp.BackBufferWidth);
}

TEST_F(DeviceTest, NoAutoDepthMeansDepthTestOffAndNoDepthSurface) {
  CreateDefault(D3DFMT_UNKNOWN);
  DWORD z = 99;
  device->GetRenderState(D3DRS_ZENABLE, &z);
  EXPECT_EQ(z, (DWORD)D3DZB_FALSE);
  IDirect3DSurface9* depth = nullptr;
  EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, BadParametersAreRefused) {
  IDirect3DDevice9* out = nullptr;
  D3DPRESENT_PARAMETERS pp = Params();
  pp.BackBufferFormat = D3DFMT_R5G6B5;
  EXPECT_EQ(Create(pp, &out), D3DERR_NOTAVAILABLE);
  pp = Params(D3DFMT_A8R8G8B8);  // not a depth format
  EXPECT_EQ(Create(pp, &out), D3DERR_NOTAVAILABLE);
  pp = Params();
  pp.hDeviceWindow = nullptr;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &out),
            D3DERR_INVALIDCALL);
  pp = Params();
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &pp, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &out),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(out, nullptr);
}

TEST_F(DeviceTest, RefusalListTakesAwayDepthFormatsAndDevices) {
  setenv("SKYVALE_D3D9_REFUSE", "D24S8", 1);
  IDirect3DDevice9* out = nullptr;
  EXPECT_EQ(Create(Params(D3DFMT_D24S8), &out), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                   D3DRTYPE_SURFACE, D3DFMT_D24S8),
            D3DERR_NOTAVAILABLE);
  ASSERT_EQ(Create(Params(D3DFMT_D16), &device), D3D_OK);  // the fallback the program makes
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
  D3DSURFACE_DESC d;
  depth->GetDesc(&d);
  EXPECT_EQ(d.Format, D3DFMT_D16);
  depth->Release();
  IDirect3DSurface9* extra = nullptr;
  EXPECT_EQ(
      device->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &extra, nullptr),
      D3DERR_NOTAVAILABLE);
  setenv("SKYVALE_D3D9_REFUSE", " d16 ,D24S8", 1);
  EXPECT_EQ(Create(Params(D3DFMT_D16), &out), D3DERR_NOTAVAILABLE);
  setenv("SKYVALE_D3D9_REFUSE", "DEVICE", 1);
  EXPECT_EQ(Create(Params(D3DFMT_D24S8), &out), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  unsetenv("SKYVALE_D3D9_REFUSE");
}

TEST_F(DeviceTest, RefusedHardwareTransformLeavesSoftwareVertexProcessing) {
  setenv("SKYVALE_D3D9_REFUSE", "hwtl", 1);
  D3DCAPS9 caps;
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
  EXPECT_NE(caps.DevCaps & D3DDEVCAPS_HWRASTERIZATION, 0u);
  D3DPRESENT_PARAMETERS pp = Params();
  IDirect3DDevice9* out = nullptr;
  for (DWORD vp : {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING})
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, vp, &pp, &out), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
            D3D_OK);
  ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
  unsetenv("SKYVALE_D3D9_REFUSE");
}

TEST_F(DeviceTest, ReferenceCountsKeepTheDeviceAndTheRuntimeAlive) {
  CreateDefault();
  EXPECT_EQ(d3d->Release(), 1u);  // the device holds the runtime object
  IDirect3D9* again = nullptr;
  ASSERT_EQ(device->GetDirect3D(&again), D3D_OK);
  d3d = again;
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(vb->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device);
  EXPECT_EQ(owner->Release(), 2u);  // the caller's reference and the buffer's
  // A bound buffer survives its last public release and goes when unbound.
  device->SetStreamSource(0, vb, 0, 16);
  EXPECT_EQ(vb->Release(), 0u);
  IDirect3DVertexBuffer9* bound = nullptr;
  UINT offset, stride;
  ASSERT_EQ(device->GetStreamSource(0, &bound, &offset, &stride), D3D_OK);
  EXPECT_EQ(bound, vb);
  EXPECT_EQ(stride, 16u);
  bound->Release();
  device->SetStreamSource(0, nullptr, 0, 0);
}

TEST_F(DeviceTest, SceneNestingIsChecked) {
  CreateDefault();
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->EndScene(), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, PresentHandsTheBackBufferToTheHost) {
  CreateDefault(D3DFMT_D24S8, 64, 32);
  int before = SkyvalePresentedFrames();
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0), D3D_OK);
  D3DRECT corner = {60, 28, 64, 32};
  ASSERT_EQ(device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(SkyvalePresentedFrames(), before + 1);
  const uint32_t* pixels = nullptr;
  int w = 0, h = 0;
  ASSERT_TRUE(SkyvaleLastFrame(&pixels, &w, &h));
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 32);
  EXPECT_EQ(pixels[0] & 0xFFFFFF, 0x336699u);
  EXPECT_EQ(pixels[31 * 64 + 63] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(pixels[27 * 64 + 63] & 0xFFFFFF, 0x336699u);
}

// Under D3DSWAPEFFECT_DISCARD the host keeps the presented bytes and the device draws the next
// frame elsewhere; under COPY the back buffer keeps the frame. Either way the host's last frame
// is the presented one, whatever is drawn afterwards.
TEST_F(DeviceTest, APresentedFrameStaysWhileTheNextIsDrawn) {
  for (D3DSWAPEFFECT effect : {D3DSWAPEFFECT_DISCARD, D3DSWAPEFFECT_COPY}) {
    SCOPED_TRACE(effect);
    D3DPRESENT_PARAMETERS pp = Params(D3DFMT_D24S8, 32, 16);
    pp.SwapEffect = effect;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    ASSERT_EQ(Create(pp, &device), D3D_OK);
    for (D3DCOLOR color : {0xFF336699u, 0xFF00FF00u, 0xFF112233u}) {
      ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0), D3D_OK);
      ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
      ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);  // the next frame
      const uint32_t* pixels = nullptr;
      int w = 0, h = 0;
      ASSERT_TRUE(SkyvaleLastFrame(&pixels, &w, &h));
      ASSERT_EQ(w * h, 32 * 16);
      for (int i = 0; i < w * h; ++i) ASSERT_EQ(pixels[i], color) << i;
      EXPECT_EQ(BackBufferPixel(31, 15), 0xFFFFFFFFu);  // drawn into the back buffer as bound
    }
    if (effect == D3DSWAPEFFECT_COPY) {
      ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF445566, 1.0f, 0), D3D_OK);
      ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
      EXPECT_EQ(BackBufferPixel(5, 5), 0xFF445566u);  // kept by Present
    }
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
  }
}

TEST_F(DeviceTest, ClearHonoursRectanglesViewportAndDepth) {
  CreateDefault(D3DFMT_D24S8, 16, 16);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
  D3DVIEWPORT9 vp = {4, 4, 8, 8, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  EXPECT_EQ(BackBufferPixel(3, 3), 0xFF000000u);
  EXPECT_EQ(BackBufferPixel(4, 4), 0xFF00FF00u);
  EXPECT_EQ(BackBufferPixel(11, 11), 0xFF00FF00u);
  EXPECT_EQ(BackBufferPixel(12, 12), 0xFF000000u);
  // Rectangles are clipped to the viewport.
  D3DRECT r = {0, 0, 6, 6};
  device->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  EXPECT_EQ(BackBufferPixel(2, 2), 0xFF000000u);
  EXPECT_EQ(BackBufferPixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(BackBufferPixel(6, 6), 0xFF00FF00u);
  // Bad requests.
  EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
  vp = {8, 8, 9, 8, 0.0f, 1.0f};
  EXPECT_EQ(device->SetViewport(&vp), D3DERR_INVALIDCALL);  // past the target
}

TEST_F(DeviceTest, SixteenBitDepthHasNoStencilToClear) {
  CreateDefault(D3DFMT_D16, 8, 8);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0), D3D_OK);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 1), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, NullArgumentsAreRefusedNotFollowed) {
  CreateDefault(D3DFMT_D24S8, 16, 16);
  EXPECT_EQ(
      d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr, nullptr),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->QueryInterface(IID_IDirect3DDevice9, nullptr), E_POINTER);
  EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_MANAGED, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateIndexBuffer(16, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateStateBlock(D3DSBT_ALL, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetViewport(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetViewport(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTransform(D3DTS_WORLD, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetMaterial(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetLight(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetDirect3D(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetStreamSource(0, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->UpdateSurface(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->UpdateTexture(nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->StretchRect(nullptr, nullptr, nullptr, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->ColorFill(nullptr, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetRenderTargetData(nullptr, nullptr), D3DERR_INVALIDCALL);
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  EXPECT_EQ(t->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->GetSurfaceLevel(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->GetLevelDesc(0, nullptr), D3DERR_INVALIDCALL);
  t->Release();
}

TEST_F(DeviceTest, ResetRebuildsTheBuffersAndTheDefaults) {
  CreateDefault(D3DFMT_D24S8, 32, 32);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  D3DPRESENT_PARAMETERS pp = Params(D3DFMT_D16, 48, 24);
  ASSERT_EQ(device->Reset(&pp), D3D_OK);
  DWORD lighting = 0;
  device->GetRenderState(D3DRS_LIGHTING, &lighting);
  EXPECT_EQ(lighting, (DWORD)TRUE);
  D3DVIEWPORT9 vp;
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 48u);
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
  D3DSURFACE_DESC d;
  depth->GetDesc(&d);
  EXPECT_EQ(d.Format, D3DFMT_D16);
  EXPECT_EQ(d.Height, 24u);
  depth->Release();
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
  EXPECT_EQ(BackBufferPixel(47, 23), 0xFF0000FFu);
}
