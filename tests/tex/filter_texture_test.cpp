// Mip generation: the default filters, the source-level limits, cube and volume textures, and a
// real photograph's mip chain against a plain box filter written here.
#include <random>

#include "blit_device_fixture.h"
#include "image.h"
#include "jpeg_file.h"

namespace {

struct MipLevel {
  UINT width, height;
  std::vector<uint32_t> pixels;
};

// The photograph as A8R8G8B8, its alpha a diagonal ramp so that alpha is averaged too.
MipLevel Photo(UINT width, UINT height) {
  const std::optional<Image> photo = ReadJpeg(SKYVALE_TESTDATA_DIR "/jpeg/image-rs/progressive/cat.jpg");
  MipLevel out{width, height, std::vector<uint32_t>(size_t(width) * height)};
  EXPECT_TRUE(photo && photo->width >= int(width) && photo->height >= int(height));
  if (!photo || photo->width < int(width) || photo->height < int(height)) return out;
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x)
      out.pixels[size_t(y) * width + x] =
          uint32_t((x + y) & 0xFF) << 24 | (photo->at(int(x), int(y)) & 0xFFFFFF);
  return out;
}

// The plain box filter: each channel (a + b + c + d + 2) >> 2 of the 2x2 pixels below, an odd
// last column or row dropped, a one-pixel side used twice. `tie` marks channels whose mean lies
// exactly halfway between two values.
MipLevel BoxHalf(const MipLevel& src, uint32_t keep, std::vector<uint32_t>* tie) {
  const UINT w = src.width > 1 ? src.width / 2 : 1, h = src.height > 1 ? src.height / 2 : 1;
  MipLevel out{w, h, std::vector<uint32_t>(size_t(w) * h)};
  tie->assign(out.pixels.size(), 0);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      const UINT x0 = 2 * x, x1 = src.width > 1 ? 2 * x + 1 : 0, y0 = 2 * y,
                 y1 = src.height > 1 ? 2 * y + 1 : 0;
      const uint32_t q[4] = {src.pixels[size_t(y0) * src.width + x0], src.pixels[size_t(y0) * src.width + x1],
                             src.pixels[size_t(y1) * src.width + x0],
                             src.pixels[size_t(y1) * src.width + x1]};
      uint32_t v = 0;
      for (int c = 0; c < 32; c += 8) {
        uint32_t sum = 0;
        for (uint32_t p : q) sum += (p >> c) & 0xFF;
        v |= ((sum + 2) >> 2) << c;
        if (sum % 4 == 2) (*tie)[size_t(y) * w + x] |= 0xFFu << c;
      }
      out.pixels[size_t(y) * w + x] = v & keep;
    }
  return out;
}

// Equal, except that a channel marked as a tie may be one lower.
void ExpectLevel(const std::vector<uint32_t>& got, const MipLevel& want, const std::vector<uint32_t>& tie,
                 bool exactTies, const std::string& what) {
  ASSERT_EQ(got.size(), want.pixels.size()) << what;
  for (size_t i = 0; i < got.size(); ++i)
    for (int c = 0; c < 32; c += 8) {
      const int g = (got[i] >> c) & 0xFF, w = (want.pixels[i] >> c) & 0xFF;
      const bool allowed = g == w || (!exactTies && ((tie[i] >> c) & 0xFF) && g + 1 == w);
      ASSERT_TRUE(allowed) << what << " pixel " << i << " channel " << c / 8 << ": " << g << " want " << w;
    }
}

uint32_t Argb8(UINT r, UINT g, UINT b) { return 0xFF000000u | r << 16 | g << 8 | b; }

class FilterTexture : public TransferTest {
 protected:
  // Every level below the top against the plain box filter of the level above; a level made
  // from a source one pixel wide or high comes from decoded colours and may round ties down.
  void CheckBoxChain(IDirect3DTexture9* texture, MipLevel level, D3DFORMAT format) {
    const uint32_t keep = format == D3DFMT_X8R8G8B8 ? 0x00FFFFFFu : 0xFFFFFFFFu;
    for (UINT i = 1; i < texture->GetLevelCount(); ++i) {
      std::vector<uint32_t> tie;
      const bool packed = level.width > 1 && level.height > 1;
      level = BoxHalf(level, keep, &tie);
      ExpectLevel(Pixels32(Level(texture, i)), level, tie, packed, "level " + std::to_string(i));
    }
  }
};

TEST_F(FilterTexture, PhotographMipChainMatchesAPlainBoxFilterLevelByLevel) {
  // A power-of-two crop with the default filter, and the whole odd-sized photograph with the box.
  for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
    MipLevel top = Photo(256, 128);
    if (format == D3DFMT_X8R8G8B8)
      for (auto& p : top.pixels) p &= 0x00FFFFFF;
    IDirect3DTexture9* t = Texture(256, 128, 0, format, D3DPOOL_MANAGED);
    ASSERT_EQ(t->GetLevelCount(), 9u);
    SetPixels32(Level(t, 0), top.pixels);
    ASSERT_EQ(D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), D3D_OK);
    CheckBoxChain(t, top, format);
  }
  const MipLevel whole = Photo(320, 240);
  IDirect3DTexture9* t = Texture(320, 240, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  SetPixels32(Level(t, 0), whole.pixels);
  ASSERT_EQ(D3DXFilterTexture(t, nullptr, D3DX_DEFAULT, D3DX_FILTER_BOX), D3D_OK);
  CheckBoxChain(t, whole, D3DFMT_A8R8G8B8);
}

TEST_F(FilterTexture, DefaultsToTheBoxFromTheLevelAboveForPowersOfTwo) {
  std::mt19937 rng(4);
  MipLevel top{256, 256, std::vector<uint32_t>(256 * 256)};
  for (auto& p : top.pixels) p = rng();
  IDirect3DTexture9* t = Texture(256, 256, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  SetPixels32(Level(t, 0), top.pixels);
  ASSERT_EQ(D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), D3D_OK);
  CheckBoxChain(t, top, D3DFMT_A8R8G8B8);
}

TEST_F(FilterTexture, DefaultsToTheDitheredTriangleFromLevelZeroOtherwise) {
  std::mt19937 rng(5);
  std::vector<uint32_t> top(100 * 100);
  for (auto& p : top) p = rng();
  IDirect3DTexture9* t = Texture(100, 100, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED);
  IDirect3DTexture9* want = Texture(100, 100, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED);
  ASSERT_EQ(t->GetLevelCount(), 7u);
  const RECT whole = {0, 0, 100, 100};
  for (IDirect3DTexture9* x : {t, want})
    ASSERT_EQ(D3DXLoadSurfaceFromMemory(Level(x, 0), nullptr, nullptr, top.data(), D3DFMT_A8R8G8B8, 400,
                                        nullptr, &whole, D3DX_FILTER_NONE, 0),
              D3D_OK);
  ASSERT_EQ(D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), D3D_OK);
  for (UINT i = 1; i < 7; ++i) {
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(Level(want, i), nullptr, nullptr, Level(want, 0), nullptr, nullptr,
                                         D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, 0),
              D3D_OK);
    EXPECT_EQ(Bytes(Level(t, i)), Bytes(Level(want, i))) << "level " << i;
  }
}

TEST_F(FilterTexture, SourceLevelLimits) {
  IDirect3DTexture9* t = Texture(16, 16, 5, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  for (UINT i = 0; i < 5; ++i)
    SetPixels32(Level(t, i), std::vector<uint32_t>((16 >> i) * (16 >> i), 0x10 * i));
  EXPECT_EQ(D3DXFilterTexture(t, nullptr, 5, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFilterTexture(t, nullptr, 4, D3DX_DEFAULT), D3D_OK);
  EXPECT_EQ(Pixels32(Level(t, 4))[0], 0x40u);
  // From level 2 down; the levels above it stay.
  SetPixels32(Level(t, 2), std::vector<uint32_t>(16, 0xFF808080));
  ASSERT_EQ(D3DXFilterTexture(t, nullptr, 2, D3DX_FILTER_POINT), D3D_OK);
  EXPECT_EQ(Pixels32(Level(t, 1))[0], 0x10u);
  EXPECT_EQ(Pixels32(Level(t, 3)), std::vector<uint32_t>(4, 0xFF808080));
  EXPECT_EQ(Pixels32(Level(t, 4)), std::vector<uint32_t>(1, 0xFF808080));

  IDirect3DTexture9* one = Texture(8, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  EXPECT_EQ(D3DXFilterTexture(one, nullptr, 0, D3DX_DEFAULT), D3D_OK);
  EXPECT_EQ(D3DXFilterTexture(one, nullptr, 1, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFilterTexture(nullptr, nullptr, 0, D3DX_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFilterTexture(t, nullptr, 0, 6), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFilterTexture(t, nullptr, 0, D3DX_FILTER_BOX | 0x800000), D3DERR_INVALIDCALL);
}

TEST_F(FilterTexture, SrgbOutputImpliesSrgbInputAndInputAloneIsIgnored) {
  std::mt19937 rng(6);
  std::vector<uint32_t> top(16 * 16);
  for (auto& p : top) p = rng();
  IDirect3DTexture9 *a = Texture(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
                    *b = Texture(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
                    *c = Texture(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED),
                    *d = Texture(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  for (IDirect3DTexture9* x : {a, b, c, d}) SetPixels32(Level(x, 0), top);
  ASSERT_EQ(D3DXFilterTexture(a, nullptr, 0, D3DX_FILTER_BOX | D3DX_FILTER_SRGB_IN), D3D_OK);
  ASSERT_EQ(D3DXFilterTexture(b, nullptr, 0, D3DX_FILTER_BOX), D3D_OK);
  ASSERT_EQ(D3DXFilterTexture(c, nullptr, 0, D3DX_FILTER_BOX | D3DX_FILTER_SRGB_OUT), D3D_OK);
  for (UINT i = 1; i < 5; ++i)
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(Level(d, i), nullptr, nullptr, Level(d, i - 1), nullptr, nullptr,
                                         D3DX_FILTER_BOX | D3DX_FILTER_SRGB, 0),
              D3D_OK);
  EXPECT_EQ(Pixels32(Level(a, 1)), Pixels32(Level(b, 1)));
  EXPECT_EQ(Pixels32(Level(c, 1)), Pixels32(Level(d, 1)));
  EXPECT_NE(Pixels32(Level(c, 1)), Pixels32(Level(b, 1)));
  EXPECT_EQ(Pixels32(Level(c, 4)), Pixels32(Level(d, 4)));
}

TEST_F(FilterTexture, CubeFacesAreFilteredApartWithoutWrapping) {
  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(device->CreateCubeTexture(8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
  Keep(cube);
  auto face = [&](UINT f, UINT level) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(f), level, &s), D3D_OK);
    return Keep(s);
  };
  // Each face a horizontal ramp: wrapping would pull the far edge into the first column.
  for (UINT f = 0; f < 6; ++f) {
    std::vector<uint32_t> pixels(64);
    for (UINT i = 0; i < 64; ++i) pixels[i] = 0xFF000000u | (f << 16) | ((i % 8) * 32);
    SetPixels32(face(f, 0), pixels);
  }
  ASSERT_EQ(D3DXFilterTexture(cube, nullptr, 0, D3DX_FILTER_TRIANGLE), D3D_OK);
  IDirect3DSurface9* want = Level(Texture(4, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), 0);
  for (UINT f = 0; f < 6; ++f) {
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(want, nullptr, nullptr, face(f, 0), nullptr, nullptr,
                                         D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0),
              D3D_OK);
    EXPECT_EQ(Pixels32(face(f, 1)), Pixels32(want)) << "face " << f;
    EXPECT_EQ(Pixels32(face(f, 3))[0] & 0x00FF0000, f << 16) << "faces stay apart";
  }
}

TEST_F(FilterTexture, VolumeTexturesHalveInThreeDimensions) {
  IDirect3DVolumeTexture9* t = nullptr;
  ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  Keep(t);
  ASSERT_EQ(t->GetLevelCount(), 3u);
  IDirect3DVolume9* levels[3];
  for (UINT i = 0; i < 3; ++i) {
    ASSERT_EQ(t->GetVolumeLevel(i, &levels[i]), D3D_OK);
    Keep(levels[i]);
  }
  D3DLOCKED_BOX lb;
  ASSERT_EQ(levels[0]->LockBox(&lb, nullptr, 0), D3D_OK);
  for (UINT z = 0; z < 4; ++z)
    for (UINT y = 0; y < 4; ++y)
      for (UINT x = 0; x < 4; ++x)
        reinterpret_cast<uint32_t*>(static_cast<BYTE*>(lb.pBits) + z * lb.SlicePitch + y * lb.RowPitch)[x] =
            Argb8(z * 64, y * 64, x * 64);
  levels[0]->UnlockBox();
  ASSERT_EQ(D3DXFilterTexture(t, nullptr, 0, D3DX_DEFAULT), D3D_OK);
  ASSERT_EQ(levels[1]->LockBox(&lb, nullptr, D3DLOCK_READONLY), D3D_OK);
  // Block (1, 0, 1): means 160 in red (z), 32 in green (y), 160 in blue (x).
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(lb.pBits) + lb.SlicePitch)[1],
            Argb8(160, 32, 160));
  levels[1]->UnlockBox();
  ASSERT_EQ(levels[2]->LockBox(&lb, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<const uint32_t*>(lb.pBits)[0], Argb8(96, 96, 96));
  levels[2]->UnlockBox();
}

}  // namespace
