// Pixel formats: what CheckDeviceFormat reports agrees with what creation accepts, and every
// sampled format decodes to the expected 0xAARRGGBB value; DXT blocks decode exactly.
#include <cstring>
#include <vector>

#include "../../platform/d3d9/formats.h"
#include "device_fixture.h"

namespace {

const D3DFORMAT kTextureFormats[] = {D3DFMT_A8R8G8B8,
                                     D3DFMT_X8R8G8B8,
                                     D3DFMT_R5G6B5,
                                     D3DFMT_X1R5G5B5,
                                     D3DFMT_A1R5G5B5,
                                     D3DFMT_A4R4G4B4,
                                     D3DFMT_X4R4G4B4,
                                     D3DFMT_R3G3B2,
                                     D3DFMT_A8R3G3B2,
                                     D3DFMT_A8,
                                     D3DFMT_L8,
                                     D3DFMT_A8L8,
                                     D3DFMT_A4L4,
                                     D3DFMT_L16,
                                     D3DFMT_A8B8G8R8,
                                     D3DFMT_X8B8G8R8,
                                     D3DFMT_A2R10G10B10,
                                     D3DFMT_A2B10G10R10,
                                     D3DFMT_G16R16,
                                     D3DFMT_A16B16G16R16,
                                     D3DFMT_R16F,
                                     D3DFMT_G16R16F,
                                     D3DFMT_A16B16G16R16F,
                                     D3DFMT_R32F,
                                     D3DFMT_G32R32F,
                                     D3DFMT_A32B32G32R32F,
                                     D3DFMT_DXT1,
                                     D3DFMT_DXT2,
                                     D3DFMT_DXT3,
                                     D3DFMT_DXT4,
                                     D3DFMT_DXT5};
const D3DFORMAT kOtherFormats[] = {D3DFMT_R8G8B8,  D3DFMT_P8,       D3DFMT_A8P8,     D3DFMT_V8U8,
                                   D3DFMT_UYVY,    D3DFMT_YUY2,     D3DFMT_Q8W8V8U8, D3DFMT_D15S1,
                                   D3DFMT_UNKNOWN, (D3DFORMAT)12345};

class FormatTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_D24S8, 64, 64);
  }
  HRESULT Check(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT f) {
    return d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage, type, f);
  }
};

}  // namespace

TEST_F(FormatTest, CheckDeviceFormatAgreesWithCreation) {
  std::vector<D3DFORMAT> all(std::begin(kTextureFormats), std::end(kTextureFormats));
  all.insert(all.end(), std::begin(kOtherFormats), std::end(kOtherFormats));
  for (D3DFORMAT f : {D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D32}) all.push_back(f);
  for (D3DFORMAT f : all) {
    IDirect3DTexture9* t = nullptr;
    bool plain = device->CreateTexture(8, 8, 0, 0, f, D3DPOOL_MANAGED, &t, nullptr) == D3D_OK;
    if (t) t->Release(), t = nullptr;
    EXPECT_EQ(Check(0, D3DRTYPE_TEXTURE, f) == D3D_OK, plain) << f;
    IDirect3DCubeTexture9* c = nullptr;
    bool cube = device->CreateCubeTexture(8, 0, 0, f, D3DPOOL_MANAGED, &c, nullptr) == D3D_OK;
    if (c) c->Release();
    EXPECT_EQ(Check(0, D3DRTYPE_CUBETEXTURE, f) == D3D_OK, cube) << f;
    IDirect3DVolumeTexture9* v = nullptr;
    bool volume = device->CreateVolumeTexture(8, 8, 8, 0, 0, f, D3DPOOL_MANAGED, &v, nullptr) == D3D_OK;
    if (v) v->Release();
    EXPECT_EQ(Check(0, D3DRTYPE_VOLUMETEXTURE, f) == D3D_OK, volume) << f;
    bool dynamic =
        device->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, f, D3DPOOL_DEFAULT, &t, nullptr) == D3D_OK;
    if (t) t->Release(), t = nullptr;
    EXPECT_EQ(Check(D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, f) == D3D_OK, dynamic) << f;
    bool rt =
        device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, f, D3DPOOL_DEFAULT, &t, nullptr) == D3D_OK;
    if (t) t->Release(), t = nullptr;
    EXPECT_EQ(Check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, f) == D3D_OK, rt) << f;
    IDirect3DSurface9* s = nullptr;
    bool depth =
        device->CreateDepthStencilSurface(8, 8, f, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr) == D3D_OK;
    if (s) s->Release();
    EXPECT_EQ(Check(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f) == D3D_OK, depth) << f;
  }
  for (D3DFORMAT f : kTextureFormats) EXPECT_EQ(Check(0, D3DRTYPE_TEXTURE, f), D3D_OK) << f;
  EXPECT_EQ(Check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8), D3D_OK);
  EXPECT_EQ(Check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8), D3D_OK);
  EXPECT_EQ(Check(D3DUSAGE_QUERY_SRGBREAD, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(Check(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(Check(D3DUSAGE_QUERY_FILTER, D3DRTYPE_TEXTURE, D3DFMT_DXT1), D3D_OK);
  EXPECT_EQ(Check(D3DUSAGE_AUTOGENMIPMAP, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8), D3DOK_NOAUTOGEN);
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
            D3DERR_NOTAVAILABLE);  // not a display format
  EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_D24S8),
            D3D_OK);
  EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_L8),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, TRUE), D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, TRUE),
            D3DERR_NOTAVAILABLE);
}

// Each row: a format, one pixel's stored bytes, and the colour it reads as.
struct DecodeCase {
  D3DFORMAT format;
  std::vector<uint8_t> bytes;
  D3DCOLOR expected;
};

std::vector<uint8_t> le16(uint16_t v) { return {(uint8_t)v, (uint8_t)(v >> 8)}; }
std::vector<uint8_t> le32(uint32_t v) {
  return {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)};
}
std::vector<uint8_t> floats(std::initializer_list<float> fs) {
  std::vector<uint8_t> out(fs.size() * 4);
  std::memcpy(out.data(), fs.begin(), out.size());
  return out;
}
std::vector<uint8_t> halves(std::initializer_list<uint16_t> hs) {
  std::vector<uint8_t> out;
  for (uint16_t h : hs) out.push_back((uint8_t)h), out.push_back((uint8_t)(h >> 8));
  return out;
}

TEST_F(FormatTest, EveryUncompressedFormatDecodesExactly) {
  const DecodeCase cases[] = {
      {D3DFMT_A8R8G8B8, le32(0x80112233), 0x80112233},
      {D3DFMT_X8R8G8B8, le32(0x00112233), 0xFF112233},
      {D3DFMT_R5G6B5, le16(0xF800), 0xFFFF0000},
      {D3DFMT_R5G6B5, le16(0x8410), 0xFF848284},
      {D3DFMT_X1R5G5B5, le16(0x7C00), 0xFFFF0000},
      {D3DFMT_A1R5G5B5, le16(0x001F), 0x000000FF},
      {D3DFMT_A1R5G5B5, le16(0x8000), 0xFF000000},
      {D3DFMT_A4R4G4B4, le16(0x4F08), 0x44FF0088},
      {D3DFMT_X4R4G4B4, le16(0x0F08), 0xFFFF0088},
      {D3DFMT_R3G3B2, {0xE3}, 0xFFFF00FF},
      {D3DFMT_R3G3B2, {0x24}, 0xFF242400},
      {D3DFMT_A8R3G3B2, le16(0x80E0), 0x80FF0000},
      {D3DFMT_A8, {0x7F}, 0x7F000000},
      {D3DFMT_L8, {0x40}, 0xFF404040},
      {D3DFMT_A8L8, {0x40, 0x80}, 0x80404040},
      {D3DFMT_A4L4, {0x3C}, 0x33CCCCCC},
      {D3DFMT_L16, le16(0x8000), 0xFF808080},
      {D3DFMT_A8B8G8R8, {0x11, 0x22, 0x33, 0x80}, 0x80112233},
      {D3DFMT_X8B8G8R8, {0x11, 0x22, 0x33, 0x00}, 0xFF112233},
      {D3DFMT_A2R10G10B10, le32(3u << 30 | 1023u << 20 | 512u), 0xFFFF0080},
      {D3DFMT_A2B10G10R10, le32(1u << 30 | 1023u), 0x55FF0000},
      {D3DFMT_G16R16, le32(0x0000FFFF), 0xFFFF00FF},
      {D3DFMT_A16B16G16R16, halves({0xFFFF, 0x0000, 0x8000, 0x8000}), 0x80FF0080},
      {D3DFMT_R16F, halves({0x3800}), 0xFF80FFFF},
      {D3DFMT_G16R16F, halves({0x3C00, 0x0000}), 0xFFFF00FF},
      {D3DFMT_A16B16G16R16F, halves({0x0000, 0x3C00, 0x0000, 0x3800}), 0x8000FF00},
      {D3DFMT_R32F, floats({2.0f}), 0xFFFFFFFF},
      {D3DFMT_R32F, floats({-1.0f}), 0xFF00FFFF},
      {D3DFMT_G32R32F, floats({0.25f, 1.0f}), 0xFF40FFFF},
      {D3DFMT_A32B32G32R32F, floats({1.0f, 0.5f, 0.0f, 1.0f}), 0xFFFF8000},
  };
  IDirect3DSurface9* target = nullptr;
  ASSERT_EQ(
      device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
      D3D_OK);
  for (const DecodeCase& c : cases) {
    IDirect3DSurface9* s = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, c.format, D3DPOOL_DEFAULT, &s, nullptr), D3D_OK)
        << c.format;
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        std::memcpy((uint8_t*)lr.pBits + y * lr.Pitch + x * c.bytes.size(), c.bytes.data(), c.bytes.size());
    s->UnlockRect();
    ASSERT_EQ(device->StretchRect(s, nullptr, target, nullptr, D3DTEXF_NONE), D3D_OK) << c.format;
    EXPECT_EQ(ReadPixel(target, 2, 1), c.expected) << "format " << c.format;
    s->Release();
  }
  target->Release();
}

namespace {

std::vector<D3DCOLOR> decodeBlock(D3DFORMAT f, const std::vector<uint8_t>& block) {
  std::vector<D3DCOLOR> out(16);
  d3d9rt::decodeDxtBlock(f, block.data(), out.data());
  return out;
}

}  // namespace

TEST(DxtDecode, FourColourBlockInterpolatesAndRounds) {
  // red and blue end points, rows of indices 0, 1, 2, 3
  auto t = decodeBlock(D3DFMT_DXT1, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4});
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(t[row * 4 + 0], 0xFFFF0000u);
    EXPECT_EQ(t[row * 4 + 1], 0xFF0000FFu);
    EXPECT_EQ(t[row * 4 + 2], 0xFFAA0055u);
    EXPECT_EQ(t[row * 4 + 3], 0xFF5500AAu);
  }
}

TEST(DxtDecode, ThreeColourBlockHasTransparentBlack) {
  auto t = decodeBlock(D3DFMT_DXT1, {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00});
  EXPECT_EQ(t[0], 0xFF0000FFu);
  EXPECT_EQ(t[1], 0xFFFF0000u);
  EXPECT_EQ(t[2], 0xFF800080u);
  EXPECT_EQ(t[3], 0x00000000u);
  EXPECT_EQ(t[4], 0xFF0000FFu);
  // Equal end points also mean three colours.
  t = decodeBlock(D3DFMT_DXT1, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(t[15], 0x00000000u);
}

TEST(DxtDecode, ExplicitAlphaBlocks) {
  std::vector<uint8_t> block = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                0x1F, 0x00, 0x00, 0xF8, 0x00, 0x00, 0x00, 0x00};
  for (D3DFORMAT f : {D3DFMT_DXT2, D3DFMT_DXT3}) {
    auto t = decodeBlock(f, block);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(t[i], (D3DCOLOR)(i * 17) << 24 | 0x0000FF) << i;
  }
  // The colour half always has four colours: index 3 is not transparent here.
  block[12] = 0xFF;
  auto t = decodeBlock(D3DFMT_DXT3, block);
  EXPECT_EQ(t[3] & 0xFFFFFF, 0xAA0055u);
}

TEST(DxtDecode, InterpolatedAlphaBlocks) {
  // alpha 255 and 0: eight alphas; every index 2.
  std::vector<uint8_t> block = {0xFF, 0x00, 0x92, 0x24, 0x49, 0x92, 0x24, 0x49,
                                0x00, 0xF8, 0x00, 0xF8, 0x00, 0x00, 0x00, 0x00};
  for (D3DFORMAT f : {D3DFMT_DXT4, D3DFMT_DXT5}) {
    auto t = decodeBlock(f, block);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(t[i], 0xDBFF0000u) << i;  // (6*255 + 0)/7 = 218.57 -> 219
  }
  // alpha 0 and 255: six alphas plus exact 0 and 255; indices 2, 6, 7, 5 repeated.
  // 3-bit fields, low first: 2, 6, 7, 5 -> bits 010 110 111 101
  uint32_t bits = 2 | 6 << 3 | 7 << 6 | 5 << 9;
  uint64_t all = 0;
  for (int i = 0; i < 4; ++i) all |= (uint64_t)bits << (12 * i);
  block[0] = 0x00;
  block[1] = 0xFF;
  for (int i = 0; i < 6; ++i) block[2 + i] = (uint8_t)(all >> (8 * i));
  auto t = decodeBlock(D3DFMT_DXT5, block);
  EXPECT_EQ(t[0] >> 24, 51u);  // (4*0 + 255)/5
  EXPECT_EQ(t[1] >> 24, 0u);
  EXPECT_EQ(t[2] >> 24, 255u);
  EXPECT_EQ(t[3] >> 24, 204u);  // (0 + 4*255)/5
  EXPECT_EQ(t[15] >> 24, 204u);
}

TEST(DxtDecode, ImagesNarrowerThanABlockAreCut) {
  const d3d9rt::FormatInfo* info = d3d9rt::formatInfo(D3DFMT_DXT1);
  ASSERT_NE(info, nullptr);
  const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0x55, 0x55, 0x55, 0x55};  // all index 1: blue
  uint32_t out[2 * 2 + 2] = {};
  out[4] = out[5] = 0xDEADBEEF;
  d3d9rt::decodeImage(*info, block, 8, 2, 2, out, 2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], 0xFF0000FFu);
  EXPECT_EQ(out[4], 0xDEADBEEFu);  // nothing written past the 2x2 image
}
