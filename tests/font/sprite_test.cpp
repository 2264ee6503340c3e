// The sprite: its bracket, the states it sets and restores, the translucency rule, source
// rectangles, the quad it sends on both vertex paths, and the pixels that quad covers.
#include <climits>
#include <cmath>

#include "font_fixture.h"

namespace {

enum class Path { Transformed, Untransformed };

struct Corner {
  float x, y, u, v;
};

// The four corners a draw sent, from either vertex layout.
std::vector<Corner> Corners(const std::vector<uint8_t>& bytes, UINT stride) {
  std::vector<Corner> out;
  for (size_t at = 0; at + stride <= bytes.size(); at += stride) {
    float f[7];
    std::memcpy(f, &bytes[at], stride);
    const int uv = stride == 28 ? 5 : 4;
    out.push_back({f[0], f[1], f[uv], f[uv + 1]});
  }
  return out;
}

class SpriteTest : public FontDeviceTest, public ::testing::WithParamInterface<Path> {
 protected:
  void SetUp() override {
    FontDeviceTest::SetUp();
    CreateDevice(GetParam() == Path::Untransformed);
    ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
  }
  void TearDown() override {
    if (sprite) {
      EXPECT_EQ(sprite->Release(), 0u);
    }
    FontDeviceTest::TearDown();
  }
  bool transformed() const { return GetParam() == Path::Transformed; }
  // Screen position of a sent vertex: pre-transformed vertices carry it less half a pixel;
  // untransformed ones carry the pixel position itself, shifted by the world matrix.
  float ScreenOffset() const { return transformed() ? -0.5f : 0.0f; }

  ID3DXSprite* sprite = nullptr;
};

TEST_P(SpriteTest, BeginEndMisuseAndNullArgumentsAreInvalidCalls) {
  EXPECT_EQ(sprite->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite->Begin(), D3D_OK);
  EXPECT_EQ(sprite->Begin(), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite->End(), D3D_OK);
  EXPECT_EQ(sprite->End(), D3DERR_INVALIDCALL);

  ID3DXSprite* other = nullptr;
  EXPECT_EQ(D3DXCreateSprite(nullptr, &other), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateSprite(device, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite->GetDevice(nullptr), D3DERR_INVALIDCALL);
  IDirect3DDevice9* got = nullptr;
  ASSERT_EQ(sprite->GetDevice(&got), D3D_OK);
  EXPECT_EQ(got, device);
  got->Release();
  void* unknown = nullptr;
  ASSERT_EQ(sprite->QueryInterface(IID_IUnknown, &unknown), S_OK);
  EXPECT_EQ(unknown, sprite);
  EXPECT_EQ(sprite->Release(), 1u);
  EXPECT_EQ(sprite->QueryInterface(IID_ID3DXBuffer, &unknown), E_NOINTERFACE);
}

TEST_P(SpriteTest, BeginSetsSpriteStatesAndEndRestoresTheCallers) {
  IDirect3DTexture9* callerTexture = MakeTexture(8, 8, D3DFMT_X8R8G8B8);
  IDirect3DTexture9* tile = MakeTexture(8, 8, D3DFMT_A8R8G8B8);
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  D3DXMATRIX world, view, projection;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  D3DXMatrixTranslation(&view, 4, 5, 6);
  D3DXMatrixScaling(&projection, 2, 2, 2);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTexture(0, callerTexture);
  device->SetStreamSource(0, buffer, 12, 12);
  device->SetFVF(D3DFVF_XYZ);
  const std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> caller = {
      {D3DRS_ZENABLE, D3DZB_TRUE},
      {D3DRS_CULLMODE, D3DCULL_CW},
      {D3DRS_FILLMODE, D3DFILL_WIREFRAME},
      {D3DRS_ALPHABLENDENABLE, FALSE},
      {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_LIGHTING, TRUE},
      {D3DRS_COLORWRITEENABLE, 0x7},
      {D3DRS_FOGENABLE, TRUE},
      {D3DRS_WRAP0, 1},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL}};
  for (auto [state, value] : caller) device->SetRenderState(state, value);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);

  ASSERT_EQ(sprite->Begin(), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ZENABLE), (DWORD)FALSE);
  EXPECT_EQ(RenderState(D3DRS_CULLMODE), (DWORD)D3DCULL_NONE);
  EXPECT_EQ(RenderState(D3DRS_FILLMODE), (DWORD)D3DFILL_SOLID);
  EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), (DWORD)TRUE);
  EXPECT_EQ(RenderState(D3DRS_SRCBLEND), (DWORD)D3DBLEND_SRCALPHA);
  EXPECT_EQ(RenderState(D3DRS_DESTBLEND), (DWORD)D3DBLEND_INVSRCALPHA);
  EXPECT_EQ(RenderState(D3DRS_COLORWRITEENABLE), 0xFu);
  EXPECT_EQ(RenderState(D3DRS_WRAP0), 0u);
  // Lighting and fog only matter to untransformed vertices, so only that path turns them off.
  EXPECT_EQ(RenderState(D3DRS_LIGHTING), transformed() ? (DWORD)TRUE : (DWORD)FALSE);
  EXPECT_EQ(RenderState(D3DRS_FOGENABLE), transformed() ? (DWORD)TRUE : (DWORD)FALSE);
  DWORD v = 0;
  device->GetFVF(&v);
  EXPECT_EQ(v, transformed() ? 0x144u : 0x142u);
  device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, (DWORD)D3DTOP_MODULATE);
  device->GetTextureStageState(0, D3DTSS_ALPHAARG2, &v);
  EXPECT_EQ(v, (DWORD)D3DTA_DIFFUSE);
  device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, (DWORD)D3DTOP_DISABLE);
  device->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, (DWORD)D3DTEXF_LINEAR);
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
  EXPECT_EQ(v, (DWORD)D3DTADDRESS_CLAMP);
  D3DXVECTOR2 at(3, 4);
  EXPECT_EQ(sprite->Draw(tile, nullptr, nullptr, nullptr, 0, &at, 0xFFFFFFFF), D3D_OK);
  IDirect3DBaseTexture9* bound = nullptr;
  device->GetTexture(0, &bound);
  EXPECT_EQ(bound, tile);
  if (bound) bound->Release();
  ASSERT_EQ(sprite->End(), D3D_OK);

  for (auto [state, value] : caller) EXPECT_EQ(RenderState(state), value) << "render state " << state;
  device->GetFVF(&v);
  EXPECT_EQ(v, (DWORD)D3DFVF_XYZ);
  device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, (DWORD)D3DTOP_SELECTARG2);
  device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, (DWORD)D3DTOP_MODULATE);
  device->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, (DWORD)D3DTEXF_POINT);
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
  EXPECT_EQ(v, (DWORD)D3DTADDRESS_WRAP);
  device->GetTexture(0, &bound);
  EXPECT_EQ(bound, callerTexture);
  if (bound) bound->Release();
  IDirect3DVertexBuffer9* stream = nullptr;
  UINT offset = 0, stride = 0;
  device->GetStreamSource(0, &stream, &offset, &stride);
  EXPECT_EQ(stream, buffer);
  EXPECT_EQ(offset, 12u);
  EXPECT_EQ(stride, 12u);
  if (stream) stream->Release();
  D3DXMATRIX m;
  device->GetTransform(D3DTS_WORLD, &m);
  EXPECT_EQ(m, world);
  device->GetTransform(D3DTS_VIEW, &m);
  EXPECT_EQ(m, view);
  device->GetTransform(D3DTS_PROJECTION, &m);
  EXPECT_EQ(m, projection);

  device->SetTexture(0, nullptr);
  device->SetStreamSource(0, nullptr, 0, 0);
  buffer->Release();
  callerTexture->Release();
  tile->Release();
}

TEST_P(SpriteTest, StateBlocksAreRecordedOnceAndAgainAfterALostDevice) {
  IDirect3DTexture9* tile = MakeTexture(4, 4, D3DFMT_A8R8G8B8);
  device->Clear();
  ASSERT_EQ(sprite->Begin(), D3D_OK);
  ASSERT_EQ(sprite->End(), D3D_OK);
  EXPECT_EQ(device->Count("BeginStateBlock"), 2);
  EXPECT_EQ(device->Count("EndStateBlock"), 2);
  // A draw outside the bracket makes its own, from the blocks already there.
  EXPECT_EQ(sprite->Draw(tile, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(sprite->End(), D3DERR_INVALIDCALL) << "the draw's own bracket was left open";
  EXPECT_EQ(device->Count("BeginStateBlock"), 2);
  EXPECT_EQ(sprite->OnLostDevice(), D3D_OK);
  EXPECT_EQ(sprite->OnResetDevice(), D3D_OK);
  ASSERT_EQ(sprite->Begin(), D3D_OK);
  ASSERT_EQ(sprite->End(), D3D_OK);
  EXPECT_EQ(device->Count("BeginStateBlock"), 4);
  tile->Release();
}

TEST_P(SpriteTest, TranslucencyFollowsColourAlphaAndTextureFormat) {
  struct Case {
    D3DFORMAT format;
    D3DCOLOR color;
    bool translucent;
  };
  const Case cases[] = {
      {D3DFMT_X8R8G8B8, 0xFFFFFFFF, false}, {D3DFMT_X8R8G8B8, 0x80FFFFFF, true},
      {D3DFMT_X8R8G8B8, 0xFEFFFFFF, true},  {D3DFMT_A8R8G8B8, 0xFFFFFFFF, true},
      {D3DFMT_R5G6B5, 0xFFFFFFFF, false},   {D3DFMT_A1R5G5B5, 0xFFFFFFFF, true},
      {D3DFMT_A4R4G4B4, 0xFFFFFFFF, true},  {D3DFMT_A8L8, 0xFFFFFFFF, true},
      {D3DFMT_L8, 0xFFFFFFFF, false},       {D3DFMT_A8, 0xFFFFFFFF, true},
      {D3DFMT_DXT1, 0xFFFFFFFF, false},     {D3DFMT_DXT3, 0xFFFFFFFF, true},
      {D3DFMT_DXT5, 0xFFFFFFFF, true},      {D3DFMT_A8B8G8R8, 0xFFFFFFFF, false},
  };
  ASSERT_EQ(sprite->Begin(), D3D_OK);
  for (const Case& c : cases) {
    IDirect3DTexture9* texture = MakeTexture(4, 4, c.format);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0, nullptr, c.color), D3D_OK);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), (DWORD)c.translucent)
        << "format " << c.format << " colour " << std::hex << c.color;
    texture->Release();
  }
  ASSERT_EQ(sprite->End(), D3D_OK);
}

TEST_P(SpriteTest, SourceRectanglesAreCheckedAndMappedToTextureCoordinates) {
  IDirect3DTexture9* texture = MakeTexture(64, 16, D3DFMT_A8R8G8B8);
  const RECT rejected[] = {{10, 0, 5, 8},  {-1, 0, 4, 4},  {0, -1, 4, 4},
                           {65, 0, 70, 4}, {0, 17, 4, 20}, {0, 8, 4, 2}};
  for (const RECT& r : rejected)
    EXPECT_EQ(sprite->Draw(texture, &r, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3DERR_INVALIDCALL)
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  EXPECT_TRUE(device->drawn.empty());

  const RECT wide = {0, 0, 80, 16}, inner = {16, 4, 48, 12};
  ASSERT_EQ(sprite->Draw(texture, &wide, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
  ASSERT_EQ(sprite->Draw(texture, &inner, nullptr, nullptr, 0, nullptr, 0x12345678), D3D_OK);
  ASSERT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
  ASSERT_EQ(device->drawn.size(), 3u);
  const UINT stride = transformed() ? 28 : 24;
  for (UINT s : device->strides) EXPECT_EQ(s, stride);

  // Each quad covers its source's size with the source's texture coordinates at its corners;
  // the sampler clamps coordinates past 1.
  const struct {
    float w, h, u0, v0, u1, v1;
  } expected[] = {{80, 16, 0, 0, 1.25f, 1}, {32, 8, 0.25f, 0.25f, 0.75f, 0.75f}, {64, 16, 0, 0, 1, 1}};
  for (int q = 0; q < 3; ++q) {
    auto corners = Corners(device->drawn[q], stride);
    ASSERT_EQ(corners.size(), 4u);
    const auto& e = expected[q];
    float cornersRight = 0, cornersBelow = 0;
    for (const Corner& c : corners) {
      // Positions pass through the (processor-specific) coordinate transform: near, not exact.
      const float rx = std::round((c.x - ScreenOffset()) / e.w),
                  ry = std::round((c.y - ScreenOffset()) / e.h);
      EXPECT_NEAR(c.x, rx * e.w + ScreenOffset(), 1e-3f);
      EXPECT_NEAR(c.y, ry * e.h + ScreenOffset(), 1e-3f);
      EXPECT_FLOAT_EQ(c.u, e.u0 + rx * (e.u1 - e.u0));
      EXPECT_FLOAT_EQ(c.v, e.v0 + ry * (e.v1 - e.v0));
      cornersRight += rx;
      cornersBelow += ry;
    }
    EXPECT_EQ(cornersRight, 2) << "the fan does not cover the rectangle";
    EXPECT_EQ(cornersBelow, 2);
  }
  D3DCOLOR diffuse;
  std::memcpy(&diffuse, &device->drawn[1][transformed() ? 16 : 12], 4);
  EXPECT_EQ(diffuse, 0x12345678u);
  // Far edges are not limited: a huge source makes a quad the device clips to the screen.
  const RECT huge = {0, 0, INT32_MAX, INT32_MAX};
  EXPECT_EQ(sprite->Draw(texture, &huge, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
  texture->Release();
}

TEST_P(SpriteTest, DrawScalesThenRotatesAboutTheCentreThenTranslates) {
  IDirect3DTexture9* texture = MakeTexture(4, 2, D3DFMT_A8R8G8B8);
  const D3DXVECTOR2 scaling(2, 3), centre(1, 1), translation(10, 20);
  const float angle = 0.5f;
  ASSERT_EQ(sprite->Draw(texture, nullptr, &scaling, &centre, angle, &translation, 0xFFFFFFFF), D3D_OK);
  ASSERT_EQ(device->drawn.size(), 1u);
  auto corners = Corners(device->drawn[0], transformed() ? 28 : 24);
  ASSERT_EQ(corners.size(), 4u);
  // Reference: scale, then turn by -angle about the centre in row-vector form, then translate.
  const float c = std::cos(-angle), s = std::sin(-angle);
  for (const Corner& k : corners) {
    const float px = k.u * 4 * scaling.x - centre.x, py = k.v * 2 * scaling.y - centre.y;
    const float x = px * c - py * s + centre.x + translation.x,
                y = px * s + py * c + centre.y + translation.y;
    EXPECT_NEAR(k.x, x + ScreenOffset(), 1e-3f);
    EXPECT_NEAR(k.y, y + ScreenOffset(), 1e-3f);
  }
  texture->Release();
}

TEST_P(SpriteTest, TranslationPutsTheFirstTexelCentreOnThatPixelsCentre) {
  std::vector<D3DCOLOR> texels(16);
  for (UINT i = 0; i < 16; ++i) texels[i] = 0xFF000000 | (0x10 * i) << 16 | (0xF0 - 0x10 * i) << 8 | 0x40;
  IDirect3DTexture9* texture = MakeTexture(4, 4, D3DFMT_X8R8G8B8, texels);
  ClearTarget(0xFF000000);
  const D3DXVECTOR2 at(100, 50);
  ASSERT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0, &at, 0xFFFFFFFF), D3D_OK);
  device->EndScene();
  TargetImage image = ReadBackBuffer(device);
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x)
      EXPECT_EQ(image.at(100 + x, 50 + y) & 0xFFFFFF, texels[y * 4 + x] & 0xFFFFFF) << x << "," << y;
  for (UINT i = 0; i < 4; ++i) {
    EXPECT_EQ(image.at(99, 50 + i) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.at(104, 50 + i) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.at(100 + i, 49) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.at(100 + i, 54) & 0xFFFFFF, 0u);
  }
  texture->Release();
}

TEST_P(SpriteTest, ColourModulatesAndItsAlphaBlends) {
  // White text-like texels drawn red at half opacity over black give half red.
  IDirect3DTexture9* texture = MakeTexture(4, 4, D3DFMT_A8R8G8B8, std::vector<D3DCOLOR>(16, 0xFFFFFFFF));
  ClearTarget(0xFF000000);
  const D3DXVECTOR2 at(10, 10);
  ASSERT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0, &at, 0x80FF0000), D3D_OK);
  device->EndScene();
  D3DCOLOR c = ReadBackBuffer(device).at(11, 11);
  EXPECT_NEAR((int)((c >> 16) & 0xFF), 0x80, 1);
  EXPECT_EQ(c & 0xFFFF, 0u);
  texture->Release();
}

INSTANTIATE_TEST_SUITE_P(BothVertexPaths, SpriteTest,
                         ::testing::Values(Path::Transformed, Path::Untransformed), [](const auto& info) {
                           return info.param == Path::Transformed ? "Transformed" : "Untransformed";
                         });

TEST_F(FontDeviceTest, UntransformedPathMapsTheViewportWithAHalfPixelShift) {
  CreateDevice(true);
  D3DVIEWPORT9 vp = {10, 20, 200, 100, 0, 1};
  device->SetViewport(&vp);
  ID3DXSprite* sprite = nullptr;
  ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
  device->transforms.clear();
  ASSERT_EQ(sprite->Begin(), D3D_OK);
  ASSERT_FALSE(device->transforms.empty());
  const auto [state, m] = device->transforms.back();
  EXPECT_EQ(state, D3DTS_WORLD);
  const float expected[4][4] = {
      {2.0f / 200, 0, 0, 0}, {0, -2.0f / 100, 0, 0}, {0, 0, 0, 0}, {-21.0f / 200 - 1, 41.0f / 100 + 1, 0, 1}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(m.m[r][c], expected[r][c]) << r << "," << c;
  ASSERT_EQ(sprite->End(), D3D_OK);
  EXPECT_EQ(sprite->Release(), 0u);
}

TEST_F(FontDeviceTest, WithoutBlendingTheAlphaTestStandsIn) {
  CreateDevice(false, true);
  ID3DXSprite* sprite = nullptr;
  ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
  IDirect3DTexture9* opaque = MakeTexture(4, 4, D3DFMT_X8R8G8B8);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHAREF, 5);
  ASSERT_EQ(sprite->Begin(), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), (DWORD)FALSE);
  EXPECT_EQ(RenderState(D3DRS_ALPHAFUNC), (DWORD)D3DCMP_GREATEREQUAL);
  EXPECT_EQ(RenderState(D3DRS_ALPHAREF), 127u);
  EXPECT_EQ(sprite->Draw(opaque, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), (DWORD)FALSE);
  EXPECT_EQ(sprite->Draw(opaque, nullptr, nullptr, nullptr, 0, nullptr, 0x7FFFFFFF), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), (DWORD)TRUE);
  EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), (DWORD)FALSE);
  ASSERT_EQ(sprite->End(), D3D_OK);
  EXPECT_EQ(RenderState(D3DRS_ALPHAREF), 5u);
  opaque->Release();
  EXPECT_EQ(sprite->Release(), 0u);
}

TEST_F(FontDeviceTest, APureDeviceGetsPreTransformedVertices) {
  CreateDevice(true, false, D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE);
  ID3DXSprite* sprite = nullptr;
  ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
  IDirect3DTexture9* texture = MakeTexture(4, 4, D3DFMT_A8R8G8B8);
  ASSERT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0, nullptr, 0xFFFFFFFF), D3D_OK);
  ASSERT_EQ(device->strides.size(), 1u);
  EXPECT_EQ(device->strides[0], 28u);
  texture->Release();
  EXPECT_EQ(sprite->Release(), 0u);
}

}  // namespace
