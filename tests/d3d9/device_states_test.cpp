// States: documented defaults, validation, versions the pipeline keys on, and state blocks.
#include <cstring>

#include "../../platform/d3d9/device.h"
#include "device_fixture.h"

namespace {

D3DMATRIX Scale(float s) {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = s;
  m._44 = 1;
  return m;
}

// A matrix with an address, for calls that take a pointer.
const D3DMATRIX* At(const D3DMATRIX& m) {
  static D3DMATRIX kept;
  kept = m;
  return &kept;
}

DWORD Bits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

class StateTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_D24S8, 64, 64);
  }
  DWORD Render(D3DRENDERSTATETYPE s) {
    DWORD v = 0xDEAD;
    EXPECT_EQ(device->GetRenderState(s, &v), D3D_OK) << s;
    return v;
  }
  DWORD Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE t) {
    DWORD v = 0xDEAD;
    EXPECT_EQ(device->GetTextureStageState(stage, t, &v), D3D_OK);
    return v;
  }
  DWORD Sampler(DWORD s, D3DSAMPLERSTATETYPE t) {
    DWORD v = 0xDEAD;
    EXPECT_EQ(device->GetSamplerState(s, t, &v), D3D_OK);
    return v;
  }
  const swr::DrawState& Drawn() { return static_cast<d3d9rt::Device*>(device)->drawState(); }
};

}  // namespace

TEST_F(StateTest, RenderStatesStartAtTheirDocumentedDefaults) {
  EXPECT_EQ(Render(D3DRS_ZENABLE), (DWORD)D3DZB_TRUE);
  EXPECT_EQ(Render(D3DRS_FILLMODE), (DWORD)D3DFILL_SOLID);
  EXPECT_EQ(Render(D3DRS_SHADEMODE), (DWORD)D3DSHADE_GOURAUD);
  EXPECT_EQ(Render(D3DRS_ZWRITEENABLE), (DWORD)TRUE);
  EXPECT_EQ(Render(D3DRS_SRCBLEND), (DWORD)D3DBLEND_ONE);
  EXPECT_EQ(Render(D3DRS_DESTBLEND), (DWORD)D3DBLEND_ZERO);
  EXPECT_EQ(Render(D3DRS_CULLMODE), (DWORD)D3DCULL_CCW);
  EXPECT_EQ(Render(D3DRS_ZFUNC), (DWORD)D3DCMP_LESSEQUAL);
  EXPECT_EQ(Render(D3DRS_ALPHAFUNC), (DWORD)D3DCMP_ALWAYS);
  EXPECT_EQ(Render(D3DRS_ALPHABLENDENABLE), (DWORD)FALSE);
  EXPECT_EQ(Render(D3DRS_LIGHTING), (DWORD)TRUE);
  EXPECT_EQ(Render(D3DRS_AMBIENT), 0u);
  EXPECT_EQ(Render(D3DRS_COLORVERTEX), (DWORD)TRUE);
  EXPECT_EQ(Render(D3DRS_NORMALIZENORMALS), (DWORD)FALSE);
  EXPECT_EQ(Render(D3DRS_DIFFUSEMATERIALSOURCE), (DWORD)D3DMCS_COLOR1);
  EXPECT_EQ(Render(D3DRS_SPECULARMATERIALSOURCE), (DWORD)D3DMCS_COLOR2);
  EXPECT_EQ(Render(D3DRS_STENCILMASK), 0xFFFFFFFFu);
  EXPECT_EQ(Render(D3DRS_TEXTUREFACTOR), 0xFFFFFFFFu);
  EXPECT_EQ(Render(D3DRS_COLORWRITEENABLE), 0x0Fu);
  EXPECT_EQ(Render(D3DRS_BLENDOP), (DWORD)D3DBLENDOP_ADD);
  EXPECT_EQ(Render(D3DRS_FOGEND), Bits(1.0f));
  EXPECT_EQ(Render(D3DRS_POINTSIZE_MAX), Bits(64.0f));
  EXPECT_EQ(Render(D3DRS_ADAPTIVETESS_Z), Bits(1.0f));
  EXPECT_EQ(Render(D3DRS_CLIPPING), (DWORD)TRUE);
  DWORD v;
  EXPECT_EQ(device->GetRenderState((D3DRENDERSTATETYPE)1, &v), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState((D3DRENDERSTATETYPE)300, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState((D3DRENDERSTATETYPE)153, 1), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, StageAndSamplerStatesStartAtTheirDefaults) {
  EXPECT_EQ(Stage(0, D3DTSS_COLOROP), (DWORD)D3DTOP_MODULATE);
  EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), (DWORD)D3DTOP_SELECTARG1);
  for (DWORD s = 1; s < 8; ++s) {
    EXPECT_EQ(Stage(s, D3DTSS_COLOROP), (DWORD)D3DTOP_DISABLE);
    EXPECT_EQ(Stage(s, D3DTSS_ALPHAOP), (DWORD)D3DTOP_DISABLE);
    EXPECT_EQ(Stage(s, D3DTSS_TEXCOORDINDEX), s);
  }
  EXPECT_EQ(Stage(3, D3DTSS_COLORARG1), (DWORD)D3DTA_TEXTURE);
  EXPECT_EQ(Stage(3, D3DTSS_COLORARG2), (DWORD)D3DTA_CURRENT);
  EXPECT_EQ(Stage(3, D3DTSS_RESULTARG), (DWORD)D3DTA_CURRENT);
  EXPECT_EQ(Stage(3, D3DTSS_TEXTURETRANSFORMFLAGS), (DWORD)D3DTTFF_DISABLE);
  for (DWORD s = 0; s < 8; ++s) {
    EXPECT_EQ(Sampler(s, D3DSAMP_ADDRESSU), (DWORD)D3DTADDRESS_WRAP);
    EXPECT_EQ(Sampler(s, D3DSAMP_MAGFILTER), (DWORD)D3DTEXF_POINT);
    EXPECT_EQ(Sampler(s, D3DSAMP_MINFILTER), (DWORD)D3DTEXF_POINT);
    EXPECT_EQ(Sampler(s, D3DSAMP_MIPFILTER), (DWORD)D3DTEXF_NONE);
    EXPECT_EQ(Sampler(s, D3DSAMP_MAXANISOTROPY), 1u);
    EXPECT_EQ(Sampler(s, D3DSAMP_BORDERCOLOR), 0u);
  }
  DWORD v;
  EXPECT_EQ(device->GetTextureStageState(8, D3DTSS_COLOROP, &v), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetTextureStageState(0, (D3DTEXTURESTAGESTATETYPE)12, &v), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetSamplerState(D3DDMAPSAMPLER, D3DSAMP_MAGFILTER, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetSamplerState(0, (D3DSAMPLERSTATETYPE)14, 2), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, TransformsMaterialAndLightsDefaults) {
  D3DMATRIX m;
  for (D3DTRANSFORMSTATETYPE t :
       {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE7, D3DTS_WORLDMATRIX(9)}) {
    ASSERT_EQ(device->GetTransform(t, &m), D3D_OK);
    EXPECT_EQ(std::memcmp(&m, At(Scale(1)), sizeof m), 0) << t;
  }
  EXPECT_EQ(device->GetTransform((D3DTRANSFORMSTATETYPE)5, &m), D3DERR_INVALIDCALL);
  D3DMATERIAL9 mat;
  device->GetMaterial(&mat);
  D3DMATERIAL9 zero{};
  EXPECT_EQ(std::memcmp(&mat, &zero, sizeof mat), 0);
  D3DLIGHT9 light;
  EXPECT_EQ(device->GetLight(0, &light), D3DERR_INVALIDCALL);
  // Enabling a light never set makes the default white directional light.
  ASSERT_EQ(device->LightEnable(3, TRUE), D3D_OK);
  ASSERT_EQ(device->GetLight(3, &light), D3D_OK);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(light.Diffuse.r, 1.0f);
  EXPECT_EQ(light.Diffuse.a, 0.0f);
  EXPECT_EQ(light.Direction.z, 1.0f);
  EXPECT_EQ(Drawn().lightCount, 1u);
  D3DLIGHT9 bad{};
  EXPECT_EQ(device->SetLight(0, &bad), D3DERR_INVALIDCALL);
  // Only enabled lights reach the pipeline, in index order.
  D3DLIGHT9 red = light;
  red.Diffuse = {1, 0, 0, 1};
  device->SetLight(1, &red);
  EXPECT_EQ(Drawn().lightCount, 1u);
  device->LightEnable(1, TRUE);
  ASSERT_EQ(Drawn().lightCount, 2u);
  EXPECT_EQ(Drawn().lights[0].Diffuse.g, 0.0f);
  device->LightEnable(3, FALSE);
  EXPECT_EQ(Drawn().lightCount, 1u);
  BOOL on;
  ASSERT_EQ(device->GetLightEnable(3, &on), D3D_OK);
  EXPECT_FALSE(on);
}

TEST_F(StateTest, MultiplyTransformPutsTheGivenMatrixFirst) {
  D3DMATRIX t = Scale(1);
  t._41 = 5;
  device->SetTransform(D3DTS_WORLD, &t);
  D3DMATRIX s = Scale(2);
  ASSERT_EQ(device->MultiplyTransform(D3DTS_WORLD, &s), D3D_OK);
  D3DMATRIX out;
  device->GetTransform(D3DTS_WORLD, &out);
  EXPECT_EQ(out._11, 2.0f);
  EXPECT_EQ(out._41, 5.0f);  // s * t: scale, then translate
}

TEST_F(StateTest, RedundantSetsDoNotBumpVersions) {
  const swr::DrawState& s = Drawn();
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  device->SetTexture(0, t);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  D3DMATRIX w = Scale(3);
  device->SetTransform(D3DTS_WORLD, &w);
  uint64_t pixel = s.pixelVersion, vertex = s.vertexVersion;
  for (int i = 0; i < 100; ++i) {
    device->SetTexture(0, t);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTransform(D3DTS_WORLD, &w);
  }
  EXPECT_EQ(s.pixelVersion, pixel);
  EXPECT_EQ(s.vertexVersion, vertex);
  EXPECT_NE(s.texture[0], nullptr);
  device->SetRenderState(D3DRS_ALPHAREF, 7);
  EXPECT_NE(s.pixelVersion, pixel);
  EXPECT_EQ(s.vertexVersion, vertex);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  EXPECT_NE(s.vertexVersion, vertex);
  // Writing the texture's texels changes its sampling version.
  uint64_t texels = s.texture[0]->version;
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  ((uint32_t*)lr.pBits)[0] = 0x12345678;
  t->UnlockRect(0);
  device->BeginScene();
  IDirect3DVertexBuffer9* vb = nullptr;
  device->CreateVertexBuffer(60, 0, 0, D3DPOOL_MANAGED, &vb, nullptr);
  device->SetStreamSource(0, vb, 0, 20);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  device->EndScene();
  EXPECT_NE(s.texture[0]->version, texels);
  EXPECT_EQ(s.texture[0]->levels[0].texels[0], 0x12345678u);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetTexture(0, nullptr);
  EXPECT_EQ(s.texture[0], nullptr);
  vb->Release();
  t->Release();
}

// Texels written while bound reach the pipeline at the next draw on whatever stage the texture is
// bound, through rebinding, unbinding one of two stages and setting the same texture again.
TEST_F(StateTest, EveryBoundStageIsRefreshedBeforeADraw) {
  const swr::DrawState& s = Drawn();
  IDirect3DTexture9 *a = nullptr, *b = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &a, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &b, nullptr), D3D_OK);
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(60, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  device->SetStreamSource(0, vb, 0, 20);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  auto write = [](IDirect3DTexture9* t, uint16_t texel) {
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    static_cast<uint16_t*>(lr.pBits)[0] = texel;
    t->UnlockRect(0);
  };
  auto draw = [&] {
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    device->EndScene();
  };
  device->SetTexture(2, a);
  device->SetTexture(5, b);
  device->SetTexture(2, nullptr);
  device->SetTexture(2, b);
  write(b, 0xF800);
  draw();
  ASSERT_NE(s.texture[5], nullptr);
  EXPECT_EQ(s.texture[5]->levels[0].texels[0], 0xFFFF0000u);
  EXPECT_EQ(s.texture[2], s.texture[5]);
  device->SetTexture(5, nullptr);
  EXPECT_EQ(s.texture[5], nullptr);
  write(b, 0x07E0);
  draw();
  EXPECT_EQ(s.texture[2]->levels[0].texels[0], 0xFF00FF00u);
  uint64_t pixel = s.pixelVersion;
  device->SetTexture(2, a);
  EXPECT_NE(s.pixelVersion, pixel);
  pixel = s.pixelVersion;
  device->SetTexture(2, a);
  EXPECT_EQ(s.pixelVersion, pixel);
  write(a, 0x001F);
  draw();
  EXPECT_EQ(s.texture[2]->levels[0].texels[0], 0xFF0000FFu);
  IDirect3DBaseTexture9* got = nullptr;
  ASSERT_EQ(device->GetTexture(2, &got), D3D_OK);
  EXPECT_EQ(got, a);
  got->Release();
  device->SetTexture(2, nullptr);
  device->SetStreamSource(0, nullptr, 0, 0);
  vb->Release();
  a->Release();
  b->Release();
}

TEST_F(StateTest, OpaqueFormatsAreSampledAsOpaque) {
  IDirect3DTexture9* x = nullptr;
  IDirect3DTexture9* a = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &x, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &a, nullptr), D3D_OK);
  device->SetTexture(0, x);
  device->SetTexture(1, a);
  EXPECT_TRUE(Drawn().texture[0]->opaque);
  EXPECT_FALSE(Drawn().texture[1]->opaque);
  EXPECT_EQ(Drawn().texture[1]->levelCount, 3u);
  EXPECT_EQ(Drawn().texture[1]->levels[2].width, 1u);
  device->SetTexture(0, nullptr);
  device->SetTexture(1, nullptr);
  x->Release();
  a->Release();
}

TEST_F(StateTest, RecordingCapturesOnlyWhatIsSetAndDoesNotApplyIt) {
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  D3DMATRIX w = Scale(2);
  device->SetTransform(D3DTS_WORLD, &w);
  device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  EXPECT_EQ(Render(D3DRS_ZENABLE), (DWORD)D3DZB_TRUE);  // recorded, not applied
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device->EndStateBlock(&block), D3D_OK);
  EXPECT_EQ(device->EndStateBlock(&block), D3DERR_INVALIDCALL);

  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // not in the block
  ASSERT_EQ(block->Apply(), D3D_OK);
  EXPECT_EQ(Render(D3DRS_ZENABLE), (DWORD)D3DZB_FALSE);
  EXPECT_EQ(Stage(0, D3DTSS_COLOROP), (DWORD)D3DTOP_SELECTARG2);
  DWORD fvf;
  device->GetFVF(&fvf);
  EXPECT_EQ(fvf, (DWORD)(D3DFVF_XYZRHW | D3DFVF_DIFFUSE));
  EXPECT_EQ(Render(D3DRS_CULLMODE), (DWORD)D3DCULL_NONE);

  // Capture re-reads exactly those states.
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetTransform(D3DTS_WORLD, At(Scale(5)));
  device->SetRenderState(D3DRS_ALPHAREF, 99);
  ASSERT_EQ(block->Capture(), D3D_OK);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetTransform(D3DTS_WORLD, At(Scale(1)));
  device->SetRenderState(D3DRS_ALPHAREF, 1);
  block->Apply();
  EXPECT_EQ(Render(D3DRS_ZENABLE), (DWORD)TRUE);
  D3DMATRIX out;
  device->GetTransform(D3DTS_WORLD, &out);
  EXPECT_EQ(out._11, 5.0f);
  EXPECT_EQ(Render(D3DRS_ALPHAREF), 1u);  // never part of the block
  EXPECT_EQ(block->Release(), 0u);
}

TEST_F(StateTest, CaptureIsRefusedWhileRecording) {
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, &block), D3D_OK);
  device->BeginStateBlock();
  EXPECT_EQ(block->Capture(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateStateBlock(D3DSBT_ALL, &block), D3DERR_INVALIDCALL);
  IDirect3DStateBlock9* recorded = nullptr;
  device->EndStateBlock(&recorded);
  EXPECT_EQ(recorded->Apply(), D3D_OK);  // an empty block changes nothing
  recorded->Release();
  block->Release();
  EXPECT_EQ(device->CreateStateBlock((D3DSTATEBLOCKTYPE)7, &block), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, StateBlockTypesCoverTheirHalves) {
  IDirect3DStateBlock9* pixel = nullptr;
  IDirect3DStateBlock9* vertex = nullptr;
  IDirect3DStateBlock9* all = nullptr;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, &pixel), D3D_OK);
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_VERTEXSTATE, &vertex), D3D_OK);
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);  // pixel
  device->SetRenderState(D3DRS_LIGHTING, FALSE);              // vertex
  device->SetTransform(D3DTS_VIEW, At(Scale(4)));             // only in ALL
  pixel->Apply();
  EXPECT_EQ(Render(D3DRS_SRCBLEND), (DWORD)D3DBLEND_ONE);
  EXPECT_EQ(Render(D3DRS_LIGHTING), (DWORD)FALSE);
  vertex->Apply();
  EXPECT_EQ(Render(D3DRS_LIGHTING), (DWORD)TRUE);
  D3DMATRIX out;
  device->GetTransform(D3DTS_VIEW, &out);
  EXPECT_EQ(out._11, 4.0f);
  all->Apply();
  device->GetTransform(D3DTS_VIEW, &out);
  EXPECT_EQ(out._11, 1.0f);
  pixel->Release();
  vertex->Release();
  all->Release();
}

TEST_F(StateTest, StateBlocksKeepTheirResourcesAlive) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(80, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  device->BeginStateBlock();
  device->SetTexture(2, t);
  device->SetStreamSource(0, vb, 20, 20);
  IDirect3DStateBlock9* block = nullptr;
  device->EndStateBlock(&block);
  EXPECT_EQ(t->Release(), 0u);
  EXPECT_EQ(vb->Release(), 0u);
  block->Apply();
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device->GetTexture(2, &bound), D3D_OK);
  ASSERT_NE(bound, nullptr);
  EXPECT_EQ(bound->GetType(), D3DRTYPE_TEXTURE);
  bound->Release();
  IDirect3DVertexBuffer9* stream = nullptr;
  UINT offset, stride;
  device->GetStreamSource(0, &stream, &offset, &stride);
  EXPECT_EQ(offset, 20u);
  stream->Release();
  // A block recorded with "no texture" unbinds it again.
  device->BeginStateBlock();
  device->SetTexture(2, nullptr);
  device->SetStreamSource(0, nullptr, 0, 0);
  IDirect3DStateBlock9* clear = nullptr;
  device->EndStateBlock(&clear);
  clear->Apply();
  device->GetTexture(2, &bound);
  EXPECT_EQ(bound, nullptr);
  clear->Release();
  block->Release();
}

TEST_F(StateTest, SetRenderTargetResetsTheViewport) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(
      device->CreateTexture(32, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
      D3D_OK);
  IDirect3DSurface9* level = nullptr;
  t->GetSurfaceLevel(0, &level);
  D3DVIEWPORT9 vp = {2, 2, 10, 10, 0.25f, 0.5f};
  device->SetViewport(&vp);
  IDirect3DSurface9* saved = nullptr;
  ASSERT_EQ(device->GetRenderTarget(0, &saved), D3D_OK);
  ASSERT_EQ(device->SetRenderTarget(0, level), D3D_OK);
  level->Release();
  device->GetViewport(&vp);
  EXPECT_EQ(vp.X, 0u);
  EXPECT_EQ(vp.Width, 32u);
  EXPECT_EQ(vp.Height, 16u);
  EXPECT_EQ(vp.MaxZ, 1.0f);
  EXPECT_EQ(device->SetRenderTarget(1, saved), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
  IDirect3DSurface9* depth = nullptr;
  device->GetDepthStencilSurface(&depth);
  EXPECT_EQ(device->SetRenderTarget(0, depth), D3DERR_INVALIDCALL);
  depth->Release();
  // Clearing the texture's level then reading it back.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
  ASSERT_EQ(device->SetRenderTarget(0, saved), D3D_OK);
  saved->Release();
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 64u);
  t->GetSurfaceLevel(0, &level);
  EXPECT_EQ(ReadPixel(level, 31, 15) & 0xFFFFFF, 0x102030u);
  level->Release();
  EXPECT_EQ(t->Release(), 0u);
}

TEST_F(StateTest, TexturesDrawnIntoAreSampledWithANewVersion) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(
      device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
      D3D_OK);
  device->SetTexture(0, t);
  uint64_t before = Drawn().texture[0]->version;
  IDirect3DSurface9* saved = nullptr;
  IDirect3DSurface9* level = nullptr;
  device->GetRenderTarget(0, &saved);
  t->GetSurfaceLevel(0, &level);
  device->SetRenderTarget(0, level);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  device->SetRenderTarget(0, saved);
  saved->Release();
  level->Release();
  const float tri[3][5] = {};
  device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device->BeginScene();
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, 20), D3D_OK);
  device->EndScene();
  EXPECT_NE(Drawn().texture[0]->version, before);
  EXPECT_EQ(Drawn().texture[0]->levels[0].texels[7 * Drawn().texture[0]->levels[0].pitch + 7], 0xFF00FF00u);
  device->SetTexture(0, nullptr);
  t->Release();
}

TEST_F(StateTest, VertexBlocksHoldTheLightsThatExistedWhenCreated) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 0, 0, 1};
  light.Direction = {0, -1, 0};
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_VERTEXSTATE, &block), D3D_OK);
  light.Diffuse = {0, 1, 0, 1};
  device->SetLight(0, &light);
  device->LightEnable(0, FALSE);
  device->SetLight(5, &light);  // made after the block: not part of it
  device->LightEnable(5, TRUE);
  block->Apply();
  D3DLIGHT9 out;
  device->GetLight(0, &out);
  EXPECT_EQ(out.Diffuse.r, 1.0f);
  BOOL on = FALSE;
  device->GetLightEnable(0, &on);
  EXPECT_TRUE(on);
  device->GetLightEnable(5, &on);
  EXPECT_TRUE(on);
  EXPECT_EQ(Drawn().lightCount, 2u);
  block->Release();
}

TEST_F(StateTest, MoreLightsThanTheCapsBoundStillReachThePipeline) {
  for (DWORD i = 0; i < 12; ++i) device->LightEnable(i * 100, TRUE);  // sparse indices
  EXPECT_EQ(Drawn().lightCount, 12u);
  device->LightEnable(500, FALSE);
  EXPECT_EQ(Drawn().lightCount, 11u);
}
