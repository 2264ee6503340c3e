// Textures from image files: sizes and levels, formats chosen from the image, colour keys and
// palettes, files with their own mip levels, the default pool's system-memory copy, the file and
// resource entries, and refused input that leaves the caller's pointer alone.
#include <cstdio>

#include "../common/call_log_device.h"
#include "blit_device_fixture.h"
#include "image.h"
#include "image_builders.h"
#include "jpeg_file.h"
#include "temp_path.h"

using namespace imagebuild;

namespace {

IDirect3DTexture9* const kUntouched = reinterpret_cast<IDirect3DTexture9*>(0x1234);

uint32_t Gradient(UINT x, UINT y) {
  return 0xFF000000u | (x * 13 % 256) << 16 | (y * 29 % 256) << 8 | (x ^ y);
}

class TextureFromFile : public TransferTest {
 protected:
  // The texture of `file` with the given arguments; null (and a failure) when refused.
  IDirect3DTexture9* Create(const FileBytes& file, UINT w = D3DX_DEFAULT, UINT h = D3DX_DEFAULT,
                            D3DFORMAT format = D3DFMT_UNKNOWN, D3DCOLOR key = 0,
                            PALETTEENTRY* palette = nullptr, D3DXIMAGE_INFO* info = nullptr,
                            UINT levels = D3DX_DEFAULT) {
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), w, h, levels, 0,
                                                  format, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, key,
                                                  info, palette, &t),
              D3D_OK);
    return Keep(t);
  }
  D3DSURFACE_DESC Desc(IDirect3DTexture9* t, UINT level = 0) {
    D3DSURFACE_DESC d = {};
    t->GetLevelDesc(level, &d);
    return d;
  }
  // Level 0 of a 32-bit texture against the paint, with `tolerance` per channel (the unused
  // byte of X8R8G8B8 not compared).
  void ExpectTexels(IDirect3DTexture9* t, UINT w, UINT h, const Paint& want, int tolerance = 0) {
    const std::vector<uint32_t> got = Pixels32(Level(t, 0));
    ASSERT_EQ(got.size(), size_t(w) * h);
    const int channels = Desc(t).Format == D3DFMT_X8R8G8B8 ? 24 : 32;
    int worst = 0;
    for (UINT y = 0; y < h; ++y)
      for (UINT x = 0; x < w; ++x)
        for (int c = 0; c < channels; c += 8)
          worst = std::max(worst, std::abs(int(got[y * w + x] >> c & 0xFF) - int(want(x, y) >> c & 0xFF)));
    EXPECT_LE(worst, tolerance);
  }
};

TEST_F(TextureFromFile, SizesRoundUpToPowersOfTwoWithAFullChain) {
  const FileBytes file = Ppm(300, 200, Gradient);
  D3DXIMAGE_INFO info = {};
  IDirect3DTexture9* t = Create(file, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0, nullptr, &info);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Desc(t).Width, 512u);
  EXPECT_EQ(Desc(t).Height, 256u);
  EXPECT_EQ(Desc(t).Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(Desc(t).Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(t->GetLevelCount(), 10u);
  EXPECT_EQ(info.Width, 300u);
  EXPECT_EQ(info.Height, 200u);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PPM);

  IDirect3DTexture9* exact = Create(file, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2);
  ASSERT_NE(exact, nullptr);
  EXPECT_EQ(Desc(exact).Width, 300u);
  EXPECT_EQ(Desc(exact).Height, 200u);
  EXPECT_EQ(exact->GetLevelCount(), 9u);
  ExpectTexels(exact, 300, 200, Gradient);
  // The last level is the mean of everything: far from black or white.
  const uint32_t last = Pixels32(Level(exact, 8))[0];
  EXPECT_GT(last >> 8 & 0xFF, 40u);
  EXPECT_LT(last >> 8 & 0xFF, 215u);

  IDirect3DTexture9* given = Create(file, 64, 0, D3DFMT_UNKNOWN, 0, nullptr, nullptr, 2);
  ASSERT_NE(given, nullptr);
  EXPECT_EQ(Desc(given).Width, 64u);
  EXPECT_EQ(Desc(given).Height, 256u);
  EXPECT_EQ(given->GetLevelCount(), 2u);
}

TEST_F(TextureFromFile, RoundTripsOfBmpPngAndJpeg) {
  // Power-of-two sizes: level 0 is a plain conversion.
  IDirect3DTexture9* bmp = Create(Bmp(8, 8, 24, [](UINT x, UINT y) { return Gradient(x, y) & 0xFFFFFF; }));
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(Desc(bmp).Format, D3DFMT_X8R8G8B8);
  ExpectTexels(bmp, 8, 8, Gradient);

  auto translucent = [](UINT x, UINT y) { return (Gradient(x, y) & 0xFFFFFF) | (x * 32 + y) << 24; };
  IDirect3DTexture9* png = Create(Png(8, 8, translucent, true));
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(Desc(png).Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(png->GetLevelCount(), 4u);
  ExpectTexels(png, 8, 8, translucent);

  // A JPEG file on disk, against libjpeg's own decode of it.
  const std::string path = TempPath("texture.jpg");
  const Image photo = PaintImage(32, 16, [](int x, int y) {
    return D3DXCOLOR(x / 31.0f, y / 15.0f, 0.5f + 0.4f * std::sin(x * 0.3f), 1.0f);
  });
  ASSERT_TRUE(WriteJpeg(path, photo, 95));
  const std::optional<Image> decoded = ReadJpeg(path);
  ASSERT_TRUE(decoded);
  IDirect3DTexture9* jpeg = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &jpeg), D3D_OK);
  Keep(jpeg);
  EXPECT_EQ(Desc(jpeg).Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(jpeg->GetLevelCount(), 6u);
  ExpectTexels(
      jpeg, 32, 16, [&](UINT x, UINT y) { return decoded->at(int(x), int(y)) | 0xFF000000u; }, 1);

  const std::basic_string<WCHAR> wide(path.begin(), path.end());
  IDirect3DTexture9* byWideName = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileW(device, wide.c_str(), &byWideName), D3D_OK);
  Keep(byWideName);
  EXPECT_EQ(Pixels32(Level(byWideName, 0)), Pixels32(Level(jpeg, 0)));
  std::remove(path.c_str());
}

TEST_F(TextureFromFile, ColourKeysChooseAFormatWithAlpha) {
  constexpr D3DCOLOR kKey = 0xFFFF00FF;
  auto keyed = [](UINT x, UINT y) { return (x + y) % 3 == 0 ? kKey : Gradient(x, y); };
  IDirect3DTexture9* rgb = Create(Bmp(4, 4, 24, [&](UINT x, UINT y) { return keyed(x, y) & 0xFFFFFF; }),
                                  D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, kKey);
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(Desc(rgb).Format, D3DFMT_A8R8G8B8);
  ExpectTexels(rgb, 4, 4, [&](UINT x, UINT y) { return keyed(x, y) == kKey ? 0u : keyed(x, y); });

  // A key on an X1R5G5B5 image, an R5G6B5 one and a grey one.
  const FileBytes x1 = Bmp(4, 4, 16, [](UINT x, UINT) { return x ? 0x7FFFu : 0x001Fu; });
  EXPECT_EQ(Desc(Create(x1, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0xFF0000FF)).Format, D3DFMT_A1R5G5B5);
  const FileBytes r5 = Bmp(4, 4, 16, [](UINT, UINT) { return 0xF800u; }, {}, {0xF800, 0x7E0, 0x1F});
  EXPECT_EQ(Desc(Create(r5, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0xFFFF0000)).Format, D3DFMT_A8R8G8B8);
  const FileBytes grey = GreyTga(4, 4, [](UINT x, UINT y) { return BYTE(x * 60 + y); });
  IDirect3DTexture9* l8 = Create(grey, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0xFF3C3C3C);
  ASSERT_NE(l8, nullptr);
  EXPECT_EQ(Desc(l8).Format, D3DFMT_A8L8);
  const std::vector<BYTE> texels = Bytes(Level(l8, 0));
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x) {
      const BYTE l = BYTE(x * 60 + y), a = l == 0x3C ? 0 : 255;
      EXPECT_EQ(texels[(y * 4 + x) * 2], a == 0 ? 0 : l) << x << "," << y;
      EXPECT_EQ(texels[(y * 4 + x) * 2 + 1], a) << x << "," << y;
    }
  // Without a key the grey file stays grey.
  EXPECT_EQ(Desc(Create(grey)).Format, D3DFMT_L8);
}

TEST_F(TextureFromFile, PaletteImages) {
  std::vector<uint32_t> ramp(256), r3g3b2(256), other(256);
  static const BYTE l3[8] = {0, 36, 73, 109, 146, 182, 219, 255}, l2[4] = {0, 85, 170, 255};
  for (uint32_t i = 0; i < 256; ++i) {
    ramp[i] = i << 16 | i << 8 | i;
    r3g3b2[i] = uint32_t(l3[i >> 5]) << 16 | uint32_t(l3[(i >> 2) & 7]) << 8 | l2[i & 3];
    other[i] = (i * 7 % 256) << 16 | (255 - i) << 8 | 0x40;
  }
  auto index = [](UINT x, UINT y) { return (y * 16 + x * 5) & 0xFF; };

  // Ramps are read as the formats they spell: the indices are the texels.
  for (auto [palette, format] : {std::pair{&ramp, D3DFMT_L8}, std::pair{&r3g3b2, D3DFMT_R3G3B2}}) {
    IDirect3DTexture9* t = Create(Bmp(8, 8, 8, index, *palette));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(Desc(t).Format, format);
    const std::vector<BYTE> texels = Bytes(Level(t, 0));
    for (UINT i = 0; i < 64; ++i) EXPECT_EQ(texels[i], index(i % 8, i / 8));
  }

  const FileBytes file = Bmp(8, 8, 8, index, other);
  auto colour = [&](UINT x, UINT y) { return 0xFF000000u | other[index(x, y)]; };
  IDirect3DTexture9* plain = Create(file);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(Desc(plain).Format, D3DFMT_X8R8G8B8);
  ExpectTexels(plain, 8, 8, colour);

  // A key equal to an entry makes it transparent black, and the palette returned shows it.
  const D3DCOLOR key = colour(1, 0);
  PALETTEENTRY palette[256];
  IDirect3DTexture9* keyed = Create(file, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN, key, palette);
  ASSERT_NE(keyed, nullptr);
  EXPECT_EQ(Desc(keyed).Format, D3DFMT_A8R8G8B8);
  ExpectTexels(keyed, 8, 8, [&](UINT x, UINT y) { return colour(x, y) == key ? 0u : colour(x, y); });
  const UINT keyedIndex = index(1, 0);
  EXPECT_EQ(palette[keyedIndex].peFlags, 0);
  EXPECT_EQ(palette[keyedIndex].peRed, 0);
  EXPECT_EQ(palette[0].peRed, BYTE(other[0] >> 16));
  EXPECT_EQ(palette[0].peBlue, BYTE(other[0]));
  EXPECT_EQ(palette[0].peFlags, 255);

  // A keyed grey ramp is no longer a plain grey image: the key survives.
  IDirect3DTexture9* keyedRamp = Create(Bmp(8, 8, 8, index, ramp), D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN,
                                        0xFF000000u | ramp[keyedIndex]);
  ASSERT_NE(keyedRamp, nullptr);
  EXPECT_EQ(Desc(keyedRamp).Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(Pixels32(Level(keyedRamp, 0))[1], 0u);
}

TEST_F(TextureFromFile, FileLevelsFirstThenMipFiltering) {
  // 256x256 DXT5 with five levels, each a solid colour of its own.
  const uint16_t colours[5] = {0xF800, 0x07E0, 0x001F, 0xFFE0, 0x8410};
  const FileBytes file = Dds(D3DFMT_DXT5, 256, 256, 5, 1, [&](UINT, UINT level) {
    FileBytes data;
    const UINT blocks = (256 >> level) / 4;
    for (UINT i = 0; i < blocks * blocks; ++i) {
      const FileBytes block = SolidDxt5Block(colours[level]);
      data.insert(data.end(), block.begin(), block.end());
    }
    return data;
  });
  IDirect3DTexture9* t = Create(file);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Desc(t).Format, D3DFMT_DXT5);
  ASSERT_EQ(t->GetLevelCount(), 9u);
  for (UINT level = 0; level < 5; ++level) {
    const std::vector<BYTE> bytes = Bytes(Level(t, level));
    const FileBytes block = SolidDxt5Block(colours[level]);
    ASSERT_EQ(bytes.size() % 16, 0u);
    for (size_t i = 0; i < bytes.size(); i += 16)
      ASSERT_EQ(std::memcmp(&bytes[i], block.data(), 16), 0) << "level " << level;
  }
  // The levels below come from level 4's colour, not level 0's.
  IDirect3DSurface9* out = Plain(1, 1, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
  for (UINT level = 5; level < 9; ++level) {
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(out, nullptr, nullptr, Level(t, level), nullptr, nullptr,
                                         D3DX_FILTER_POINT, 0),
              D3D_OK);
    EXPECT_EQ(Pixels32(out)[0], 0xFF848284u) << "level " << level;
  }
}

// The default pool cannot be locked: the texture is loaded through a system-memory copy.
TEST_F(TextureFromFile, DefaultPoolGoesThroughSystemMemory) {
  const FileBytes file = Ppm(4, 4, Gradient);
  for (DWORD usage : {DWORD(0), DWORD(D3DUSAGE_DYNAMIC)}) {
    CallLogDevice* log = new CallLogDevice(device);
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(log, file.data(), UINT(file.size()), 0, 0, 1, usage,
                                                  D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                                  0, nullptr, nullptr, &t),
              D3D_OK);
    Keep(t);
    std::vector<long long> pools;
    bool updated = false;
    for (const LoggedCall& c : log->calls) {
      if (c.name == "CreateTexture") pools.push_back(c.args[5]);
      updated |= c.name == "UpdateTexture";
    }
    log->Release();
    if (usage == 0) {
      EXPECT_EQ(pools, (std::vector<long long>{D3DPOOL_DEFAULT, D3DPOOL_SYSTEMMEM}));
      EXPECT_TRUE(updated);
    } else {
      EXPECT_EQ(pools, (std::vector<long long>{D3DPOOL_DEFAULT}));
      EXPECT_FALSE(updated);
    }
    ExpectTexels(t, 4, 4, Gradient);
  }
}

TEST_F(TextureFromFile, RefusedInputLeavesThePointerAlone) {
  const FileBytes file = Ppm(4, 4, Gradient);
  IDirect3DTexture9* t = kUntouched;
  D3DXIMAGE_INFO info;
  std::memset(&info, 0xAB, sizeof info);
  const D3DXIMAGE_INFO before = info;

  EXPECT_EQ(D3DXCreateTextureFromFileA(device, TempPath("missing.png").c_str(), &t), D3DXERR_INVALIDDATA);
  const std::string missing = TempPath("missing.png");
  EXPECT_EQ(D3DXCreateTextureFromFileW(device,
                                       std::basic_string<WCHAR>(missing.begin(), missing.end()).c_str(), &t),
            D3DXERR_INVALIDDATA);
  const FileBytes junk(200, 0x5A);
  EXPECT_EQ(
      D3DXCreateTextureFromFileInMemoryEx(device, junk.data(), UINT(junk.size()), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                          D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &t),
      D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "x.png", &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device, nullptr, &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, file.data(), 0, &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, nullptr, 10, &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), nullptr),
            D3DERR_INVALIDCALL);

  // Failures after the texture exists release it (the device's last release checks).
  EXPECT_EQ(
      D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                          D3DPOOL_MANAGED, 0x12345, D3DX_DEFAULT, 0, &info, nullptr, &t),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(
      D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), 0, 0, 0, 0, D3DFMT_D24S8,
                                          D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &t),
      D3DERR_NOTAVAILABLE);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), 0, 0, 0, 0x8,
                                                D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                                0, &info, nullptr, &t),
            D3DERR_INVALIDCALL);
  IDirect3DCubeTexture9* cube = reinterpret_cast<IDirect3DCubeTexture9*>(0x1234);
  EXPECT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), 0, 0, 0,
                                                    D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                    D3DX_DEFAULT, 0, &info, nullptr, &cube),
            E_FAIL);
  EXPECT_EQ(cube, reinterpret_cast<IDirect3DCubeTexture9*>(0x1234));
  EXPECT_EQ(t, kUntouched);
  EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
}

// A device whose system-memory textures cannot be made: the default-pool texture made before must
// not be kept.
class NoSystemMemory : public ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;
  HRESULT CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** out, HANDLE* shared) override {
    if (pool == D3DPOOL_SYSTEMMEM) return E_OUTOFMEMORY;
    return ForwardingDevice::CreateTexture(w, h, levels, usage, format, pool, out, shared);
  }
};

TEST_F(TextureFromFile, DeviceFailuresReleaseWhatWasMade) {
  const FileBytes file = Ppm(4, 4, Gradient);
  NoSystemMemory* refusing = new NoSystemMemory(device);
  IDirect3DTexture9* t = kUntouched;
  EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(refusing, file.data(), UINT(file.size()), 0, 0, 0, 0,
                                                D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                                0, nullptr, nullptr, &t),
            E_OUTOFMEMORY);
  EXPECT_EQ(t, kUntouched);
  EXPECT_EQ(refusing->Release(), 0u);
}

TEST_F(TextureFromFile, Resources) {
  const FileBytes file = Ppm(4, 2, Gradient);
  SkyvaleRegisterResource(nullptr, "TEXTURE", RT_RCDATA, file.data(), DWORD(file.size()));
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromResourceA(device, nullptr, "TEXTURE", &t), D3D_OK);
  Keep(t);
  EXPECT_EQ(Desc(t).Width, 4u);
  EXPECT_EQ(Desc(t).Height, 2u);
  ExpectTexels(t, 4, 2, Gradient);
  const std::basic_string<WCHAR> wide = {'T', 'E', 'X', 'T', 'U', 'R', 'E'};
  D3DXIMAGE_INFO info = {};
  ASSERT_EQ(D3DXCreateTextureFromResourceExW(device, nullptr, wide.c_str(), D3DX_DEFAULT_NONPOW2, 8, 1, 0,
                                             D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, D3DX_FILTER_POINT,
                                             D3DX_DEFAULT, 0, &info, nullptr, &t),
            D3D_OK);
  Keep(t);
  EXPECT_EQ(Desc(t).Height, 8u);
  EXPECT_EQ(Desc(t).Pool, D3DPOOL_SCRATCH);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PPM);
  IDirect3DTexture9* absent = kUntouched;
  EXPECT_EQ(D3DXCreateTextureFromResourceA(device, nullptr, "ABSENT", &absent), D3DXERR_INVALIDDATA);
  EXPECT_EQ(absent, kUntouched);
  SkyvaleRegisterResource(nullptr, "TEXTURE", RT_RCDATA, nullptr, 0);
}

}  // namespace
