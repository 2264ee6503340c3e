// Round trips through every pair of an image-file format and a texture format that texture
// loading uses: source -> texture -> source keeps every channel both carry to within the
// quantisation of the two formats.
#include <random>

#include "../../d3dx/tex/row_codec.h"
#include "blit_test_util.h"

using namespace blittest;

namespace {

struct Memory {
  Memory(D3DFORMAT format, UINT w, UINT h, const PALETTEENTRY* palette)
      : pitch(UINT(RowBytes(format, w))), bytes(size_t(pitch) * StorageRows(format, h) + 64, kGuard) {
    const ImageBox box = {0, 0, w, h, 0, 1};
    region = {bytes.data(), format, pitch, 0, box, box, FALSE, FALSE, 0, palette};
  }
  std::vector<D3DXCOLOR> Decode() {
    std::unique_ptr<RowCodec> codec;
    EXPECT_EQ(CreateRowCodec(region, &codec), D3D_OK);
    std::vector<D3DXCOLOR> out(size_t(region.region.Width()) * region.region.Height());
    for (UINT y = 0; y < region.region.Height(); ++y)
      EXPECT_EQ(codec->DecodeRow(y, 0, &out[size_t(y) * region.region.Width()]), D3D_OK);
    return out;
  }
  void Encode(const std::vector<D3DXCOLOR>& colors) {
    std::unique_ptr<RowCodec> codec;
    ASSERT_EQ(CreateRowCodec(region, &codec), D3D_OK);
    ASSERT_EQ(codec->PrepareFloatInput(), D3D_OK);
    for (UINT y = 0; y < region.region.Height(); ++y)
      ASSERT_EQ(codec->EncodeRow(y, 0, &colors[size_t(y) * region.region.Width()]), D3D_OK);
  }
  bool GuardIntact() const {
    for (size_t i = bytes.size() - 64; i < bytes.size(); ++i)
      if (bytes[i] != kGuard) return false;
    return true;
  }
  UINT pitch;
  std::vector<BYTE> bytes;
  ImageRegion region;
};

bool IsBlock(D3DFORMAT f) { return LayoutOf(f) == PixelLayout::Block4x4; }
bool IsLuminance(D3DFORMAT f) { return LookupFormatInfo(f).category == FormatCategory::LUMINANCE; }

// The largest error a channel of `bits` bits may take on the way: half a step when quantised by
// rounding, a whole step for block formats, whose encoder diffuses its error inside the block.
float Step(D3DFORMAT f, UINT bits, bool alpha) {
  if (IsBlock(f)) {
    if (alpha) return f == D3DFMT_DXT1 ? 0.0f : (f == D3DFMT_DXT3 ? 1 / 15.0f : 1.5f / 255);
    return 1 / 31.0f;
  }
  return bits ? 0.5f / float((1u << (bits > 16 ? 16 : bits)) - 1) : 0.0f;
}

TEST(RoundTrip, ImageFormatsThroughTextureFormats) {
  const D3DFORMAT sources[] = {D3DFMT_R8G8B8,   D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                               D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_L8,
                               D3DFMT_A8L8,     D3DFMT_P8,       FMT_A16L16,      FMT_R16G16B16,
                               D3DFMT_DXT1,     D3DFMT_DXT3,     D3DFMT_DXT5,     D3DFMT_A16B16G16R16};
  const D3DFORMAT textures[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5,
                                D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4, D3DFMT_L8,
                                D3DFMT_A8L8,     D3DFMT_DXT1,     D3DFMT_DXT3,     D3DFMT_DXT5};
  // Palette colours far apart, so that re-quantising finds the same entry.
  PALETTEENTRY palette[256];
  for (int i = 0; i < 256; ++i)
    palette[i] = {BYTE((i & 7) * 36), BYTE(((i >> 3) & 7) * 36), BYTE((i >> 6) * 85), 255};
  const UINT w = 8, h = 8;
  for (D3DFORMAT a : sources)
    for (D3DFORMAT b : textures) {
      const bool grey = IsLuminance(a) || IsLuminance(b);
      if (a == D3DFMT_P8 && grey) continue;
      const FormatInfo &fa = LookupFormatInfo(a), &fb = LookupFormatInfo(b);
      const bool alpha = fa.bitsA && fb.bitsA;
      // Colours in 4x4 blocks of one colour, so that block formats can hold them.
      std::mt19937 rng(uint32_t(a) * 131u + uint32_t(b));
      std::vector<D3DXCOLOR> colors(w * h);
      for (UINT by = 0; by < h; by += 4)
        for (UINT bx = 0; bx < w; bx += 4) {
          std::uniform_real_distribution<float> u(0.0f, 1.0f);
          D3DXCOLOR c(u(rng), u(rng), u(rng), a == D3DFMT_DXT1 || b == D3DFMT_DXT1 ? 1.0f : u(rng));
          if (a == D3DFMT_P8) {
            const PALETTEENTRY& e = palette[rng() & 255];
            c = D3DXCOLOR(e.peRed / 255.0f, e.peGreen / 255.0f, e.peBlue / 255.0f, 1.0f);
          }
          if (grey) c.g = c.b = c.r;
          for (UINT y = by; y < by + 4; ++y)
            for (UINT x = bx; x < bx + 4; ++x) colors[y * w + x] = c;
        }
      Memory source(a, w, h, palette), texture(b, w, h, nullptr), back(a, w, h, palette);
      source.Encode(colors);
      const std::vector<D3DXCOLOR> original = source.Decode();
      ASSERT_EQ(Blit(texture.region, source.region, D3DX_FILTER_NONE), D3D_OK) << a << " -> " << b;
      ASSERT_EQ(Blit(back.region, texture.region, D3DX_FILTER_NONE), D3D_OK) << b << " -> " << a;
      EXPECT_TRUE(texture.GuardIntact() && back.GuardIntact());
      const std::vector<D3DXCOLOR> result = back.Decode();
      auto tolerance = [&](UINT bitsA, UINT bitsB, bool isAlpha) {
        return Step(a, bitsA, isAlpha) + Step(b, bitsB, isAlpha) + 1e-4f;
      };
      const float tr = tolerance(fa.bitsR, fb.bitsR, false), tg = tolerance(fa.bitsG, fb.bitsG, false),
                  tb = tolerance(fa.bitsB, fb.bitsB, false), ta = tolerance(fa.bitsA, fb.bitsA, true);
      for (size_t i = 0; i < result.size(); ++i) {
        if (fa.bitsR && fb.bitsR) {
          EXPECT_NEAR(result[i].r, original[i].r, tr) << a << " via " << b << " pixel " << i;
          EXPECT_NEAR(result[i].g, original[i].g, tg) << a << " via " << b << " pixel " << i;
          EXPECT_NEAR(result[i].b, original[i].b, tb) << a << " via " << b << " pixel " << i;
        }
        if (alpha) {
          EXPECT_NEAR(result[i].a, original[i].a, ta) << a << " via " << b << " pixel " << i;
        }
      }
    }
}

}  // namespace
