// The decoders' rules on small files made here: header and mask tables, row orders, run-length
// schemes, palettes, and the recognition contract of LoadImageFromMemory.
#include "image_test_util.h"

using namespace imagetest;
using d3dx::LoadedImage;

namespace {

// A bare DIB: an info header of `headerBytes` (12 is the core header), masks at 40 when the header
// holds them, then the palette and the pixel bytes.
std::vector<BYTE> Dib(uint32_t headerBytes, int32_t width, int32_t height, uint16_t bits,
                      uint32_t compression, const std::vector<BYTE>& palette, const std::vector<BYTE>& data,
                      std::initializer_list<uint32_t> masks = {}, uint32_t colorsUsed = 0) {
  std::vector<BYTE> b(headerBytes + palette.size() + data.size());
  Put32(b, 0, headerBytes);
  if (headerBytes == 12) {
    Put16(b, 4, width), Put16(b, 6, height), Put16(b, 8, 1), Put16(b, 10, bits);
  } else {
    Put32(b, 4, width), Put32(b, 8, height), Put16(b, 12, 1), Put16(b, 14, bits), Put32(b, 16, compression);
    Put32(b, 32, colorsUsed);
    size_t at = 40;
    for (uint32_t m : masks) Put32(b, at, m), at += 4;
  }
  std::copy(palette.begin(), palette.end(), b.begin() + headerBytes);
  std::copy(data.begin(), data.end(), b.begin() + headerBytes + palette.size());
  return b;
}

std::vector<BYTE> Bmp(const std::vector<BYTE>& dib) {
  std::vector<BYTE> b(14 + dib.size());
  b[0] = 'B', b[1] = 'M';
  Put32(b, 2, uint32_t(b.size()));
  std::copy(dib.begin(), dib.end(), b.begin() + 14);
  return b;
}

std::vector<BYTE> Text(const std::string& s, const std::vector<BYTE>& after = {}) {
  std::vector<BYTE> b(s.size() + after.size());
  std::copy(s.begin(), s.end(), b.begin());
  std::copy(after.begin(), after.end(), b.begin() + s.size());
  return b;
}

uint32_t Pixel32(const LoadedImage& img, UINT x, UINT y) {
  uint32_t v;
  std::memcpy(&v, img.pixels + size_t(y) * img.rowPitch + 4 * x, 4);
  return v;
}

TEST(ImageRecognition, ContractOfLoadImageFromMemory) {
  LoadedImage image;
  D3DXIMAGE_INFO info;
  std::memset(&info, 0xAB, sizeof info);
  const D3DXIMAGE_INFO untouched = info;
  const BYTE junk[32] = {1, 2, 3};
  EXPECT_EQ(d3dx::LoadImageFromMemory(&image, nullptr, 10, &info, true), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3dx::LoadImageFromMemory(&image, junk, 0, &info, true), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3dx::LoadImageFromMemory(&image, junk, sizeof junk, nullptr, false), D3D_OK);  // nothing asked
  EXPECT_EQ(d3dx::LoadImageFromMemory(&image, junk, sizeof junk, &info, true), D3DXERR_INVALIDDATA);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(junk, sizeof junk, &info), D3DXERR_INVALIDDATA);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);

  // A success reports the accepting decoder and leaves every node's region whole.
  const std::vector<BYTE> ppm = Text("P6 3 2 255 ", std::vector<BYTE>(18, 7));
  Decoded d;
  Decode(ppm, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.info.ImageFileFormat, D3DXIFF_PPM);
  EXPECT_EQ(d.info.MipLevels, 1u);
  EXPECT_EQ(d.info.ResourceType, D3DRTYPE_TEXTURE);
  EXPECT_EQ(d.image.region, (d3dx::ImageBox{0, 0, 3, 2, 0, 1}));
}

TEST(BmpDecoder, ThirtyTwoBitAlphaOnlyWhenAReservedByteIsSet) {
  std::vector<BYTE> pixels = {1, 2, 3, 0, 4, 5, 6, 0};
  Decoded opaque;
  const std::vector<BYTE> plain = Bmp(Dib(40, 2, 1, 32, 0, {}, pixels));
  Decode(plain, opaque);
  ASSERT_EQ(opaque.hr, D3D_OK);
  EXPECT_EQ(opaque.image.format, D3DFMT_X8R8G8B8);
  pixels[7] = 9;
  Decoded alpha;
  const std::vector<BYTE> keyed = Bmp(Dib(40, 2, 1, 32, 0, {}, pixels));
  Decode(keyed, alpha);
  ASSERT_EQ(alpha.hr, D3D_OK);
  EXPECT_EQ(alpha.image.format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(Pixel32(alpha.image, 1, 0), 0x09060504u);
}

TEST(BmpDecoder, BitFieldsNeedTheLongerHeader) {
  const std::vector<BYTE> pixels = {0x1F, 0, 0xE0, 0x07, 0, 0xF8, 0, 0};  // blue, green, red, black
  Decoded d;
  Decode(Bmp(Dib(40, 4, -1, 16, 3, {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}, pixels)), d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
  Decode(Dib(40, 4, -1, 16, 3, {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}, pixels), d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);

  const std::vector<BYTE> dib = Dib(52, 4, -1, 16, 3, {}, pixels, {0xF800, 0x7E0, 0x1F});
  Decode(dib, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.info.ImageFileFormat, D3DXIFF_DIB);
  EXPECT_EQ(d.image.format, D3DFMT_R5G6B5);
}

TEST(BmpDecoder, MaskTableNamesFormatsAndShiftedPixels) {
  // The BMP table names A2B10G10R10 with red in the low bits (the DDS table says the reverse).
  const std::vector<BYTE> word = {0x11, 0x22, 0x33, 0x44};
  Decoded d;
  const std::vector<BYTE> abgr = Dib(56, 1, 1, 32, 3, {}, word, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000});
  Decode(abgr, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.image.format, D3DFMT_A2B10G10R10);

  // Blue, green and red in the upper three bytes: X8R8G8B8 one byte on. The file ends with the
  // last pixel, whose unused byte would lie past it.
  const std::vector<BYTE> shifted =
      Dib(52, 2, -2, 32, 3, {}, {0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12},
          {0xFF000000, 0xFF0000, 0xFF00});
  Decode(shifted, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.image.format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(Pixel32(d.image, 0, 0) & 0xFFFFFF, 0x030201u);
  EXPECT_EQ(Pixel32(d.image, 1, 1) & 0xFFFFFF, 0x0C0B0Au);
}

TEST(BmpDecoder, UnusualMasksDecodeToFloats) {
  // 4-bit channels in an order no format has; then alpha alone, whose colour reads black.
  Decoded d;
  const std::vector<BYTE> nibbles = Dib(56, 1, 1, 16, 3, {}, {0x5A, 0xF0}, {0xF000, 0x0F00, 0x00F0, 0x000F});
  Decode(nibbles, d);
  ASSERT_EQ(d.hr, D3D_OK);
  ASSERT_EQ(d.image.format, D3DFMT_A32B32G32R32F);
  float f[4];
  std::memcpy(f, d.image.pixels, 16);
  EXPECT_FLOAT_EQ(f[0], 15 / 15.0f);
  EXPECT_FLOAT_EQ(f[1], 0 / 15.0f);
  EXPECT_FLOAT_EQ(f[2], 5 / 15.0f);
  EXPECT_FLOAT_EQ(f[3], 10 / 15.0f);

  const std::vector<BYTE> alphaOnly = Dib(56, 1, 1, 16, 3, {}, {0x00, 0x80}, {0, 0, 0, 0x8000});
  Decode(alphaOnly, d);
  ASSERT_EQ(d.hr, D3D_OK);
  std::memcpy(f, d.image.pixels, 16);
  EXPECT_EQ(f[0] + f[1] + f[2], 0.0f);
  EXPECT_FLOAT_EQ(f[3], 1.0f);
}

TEST(BmpDecoder, TopDownRowsStayInPlaceAndBottomUpRowsAreTurned) {
  const std::vector<BYTE> rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};  // 2x2, 24-bit
  const std::vector<BYTE> topDown = Bmp(Dib(40, 2, -2, 24, 0, {}, rows));
  Decoded d;
  Decode(topDown, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.image.format, D3DFMT_R8G8B8);
  EXPECT_FALSE(d.image.OwnsPixels());
  EXPECT_EQ(d.image.pixels, topDown.data() + 54);
  EXPECT_EQ(d.image.rowPitch, 8u);

  const std::vector<BYTE> bottomUp = Bmp(Dib(40, 2, 2, 24, 0, {}, rows));
  Decode(bottomUp, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_TRUE(d.image.OwnsPixels());
  EXPECT_EQ(d.image.pixels[0], 7);
  EXPECT_EQ(d.image.pixels[8], 1);
}

TEST(BmpDecoder, IndexedRowsAndPalettes) {
  // 1-bit, most significant bit first; two palette entries, the rest opaque white.
  const std::vector<BYTE> palette = {10, 20, 30, 0, 40, 50, 60, 0};
  Decoded d;
  const std::vector<BYTE> mono = Bmp(Dib(40, 10, -1, 1, 0, palette, {0xA0, 0x40, 0, 0}, {}, 2));
  Decode(mono, d);
  ASSERT_EQ(d.hr, D3D_OK);
  ASSERT_EQ(d.image.format, D3DFMT_P8);
  EXPECT_EQ(std::vector<BYTE>(d.image.pixels, d.image.pixels + 10),
            (std::vector<BYTE>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(d.image.palette[1].peRed, 60);
  EXPECT_EQ(d.image.palette[1].peBlue, 40);
  EXPECT_EQ(d.image.palette[1].peFlags, 255);
  EXPECT_EQ(d.image.palette[2].peRed + d.image.palette[2].peFlags, 510);

  // 4-bit, high nibble first, in the old core header with three-byte palette entries.
  std::vector<BYTE> corePalette(16 * 3, 0);
  corePalette[3 * 5 + 2] = 200;  // entry 5: red 200
  const std::vector<BYTE> core = Bmp(Dib(12, 3, 1, 4, 0, corePalette, {0x5A, 0x30, 0, 0}));
  Decode(core, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(std::vector<BYTE>(d.image.pixels, d.image.pixels + 3), (std::vector<BYTE>{5, 10, 3}));
  EXPECT_EQ(d.image.palette[5].peRed, 200);
}

TEST(BmpDecoder, RunLengthCodes) {
  // RLE8, bottom-up 6x3: a run, an odd literal (padded), a move, end of line, end of bitmap.
  const std::vector<BYTE> rle8 = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 2, 9, 0, 0, 4, 4, 0, 1};
  Decoded d;
  const std::vector<BYTE> file8 = Bmp(Dib(40, 6, 3, 8, 1, std::vector<BYTE>(8), rle8, {}, 2));
  Decode(file8, d);
  ASSERT_EQ(d.hr, D3D_OK);
  const std::vector<BYTE> expected = {4, 4, 4, 4, 0, 0, 0, 0,   // file row 2 (top)
                                      0, 0, 9, 9, 0, 0, 0, 0,   // file row 1, after the move
                                      7, 7, 7, 1, 2, 3, 0, 0};  // file row 0 (bottom)
  EXPECT_EQ(std::vector<BYTE>(d.image.pixels, d.image.pixels + 24), expected);

  // RLE4: runs alternate their two nibbles; literals hold two pixels a byte.
  const std::vector<BYTE> rle4 = {5, 0x12, 0, 3, 0x34, 0x50, 0, 1};
  const std::vector<BYTE> file4 = Bmp(Dib(40, 8, 1, 4, 2, std::vector<BYTE>(64), rle4));
  Decode(file4, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(std::vector<BYTE>(d.image.pixels, d.image.pixels + 8),
            (std::vector<BYTE>{1, 2, 1, 2, 1, 3, 4, 5}));

  // A run past the row's end fails, and so does data that stops before the bitmap ends; moving
  // past the last row ends the bitmap.
  const std::vector<BYTE> overrun = Bmp(Dib(40, 6, 1, 8, 1, std::vector<BYTE>(4), {7, 1, 0, 1}, {}, 1));
  Decode(overrun, d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
  const std::vector<BYTE> unfinished = Bmp(Dib(40, 6, 2, 8, 1, std::vector<BYTE>(4), {6, 1, 0, 0}, {}, 1));
  Decode(unfinished, d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
  const std::vector<BYTE> offTheEnd =
      Bmp(Dib(40, 6, 2, 8, 1, std::vector<BYTE>(4), {6, 1, 0, 2, 0, 5}, {}, 1));
  Decode(offTheEnd, d);
  EXPECT_EQ(d.hr, D3D_OK);
}

TEST(PpmDecoder, HeadersSamplesAndScaling) {
  Decoded d;
  const std::vector<BYTE> p6 = Text("P6\n# made here\n2 1\n255\n", {1, 2, 3, 250, 251, 252});
  Decode(p6, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.image.format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(Pixel32(d.image, 0, 0), 0xFF010203u);
  EXPECT_EQ(Pixel32(d.image, 1, 0), 0xFFFAFBFCu);

  // CR LF after the maximum is one separator; a lone CR leaves the next byte as the first sample.
  const std::vector<BYTE> crlf = Text("P6 1 1 255\r\n", {9, 8, 7});
  Decode(crlf, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(Pixel32(d.image, 0, 0), 0xFF090807u);
  const std::vector<BYTE> cr = Text("P6 1 1 255\r", {11, 8, 7});
  Decode(cr, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(Pixel32(d.image, 0, 0), 0xFF0B0807u);

  const std::vector<BYTE> p3 = Text("P3 2 1 1000 1000 0 500  # comment\n 999 1 0");
  Decode(p3, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(Pixel32(d.image, 0, 0), 0xFFFF007Fu);  // 500 * 255 / 1000 = 127
  EXPECT_EQ(Pixel32(d.image, 1, 0), 0xFFFE0000u);

  const char* refused[] = {
      "P6 1 1 1000 \x01\x02\x03\x04\x05\x06",  // bytes cannot hold samples above 255
      "P3 1 0 255 ",                           // no rows
      "P3 1 1 0 0 0 0",                        // no maximum
      "P3 1 1 255 1 2",                        // a sample short
      "P3 1 1 255 1 2x 3",                     // not a number
      "P3 1 1 15 16 0 0",                      // above the maximum: it would carry into red's neighbour
      "P5 1 1 255 \x01",                       // grey maps are not ours
  };
  for (const char* text : refused) {
    Decode(Text(text), d);
    EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA) << text;
  }
}

// A DDS header for `format` (a masked row of the table or a four-character code) and its data.
std::vector<BYTE> Dds(UINT width, UINT height, UINT levels, uint32_t flags, uint32_t caps2, uint32_t pfFlags,
                      uint32_t fourCc, uint32_t bits, std::initializer_list<uint32_t> masks, size_t dataBytes,
                      UINT depth = 0) {
  std::vector<BYTE> b(128 + dataBytes);
  Put32(b, 0, MAKEFOURCC('D', 'D', 'S', ' '));
  Put32(b, 4, 124), Put32(b, 8, flags), Put32(b, 12, height), Put32(b, 16, width), Put32(b, 24, depth);
  Put32(b, 28, levels), Put32(b, 76, 32), Put32(b, 80, pfFlags), Put32(b, 84, fourCc), Put32(b, 88, bits);
  size_t at = 92;
  for (uint32_t m : masks) Put32(b, at, m), at += 4;
  Put32(b, 112, caps2);
  for (size_t i = 128; i < b.size(); ++i) b[i] = BYTE(i);
  return b;
}

TEST(DdsDecoder, LevelsFacesAndVolumes) {
  Decoded d;
  // Mip count 0 is one level.
  const std::vector<BYTE> single = Dds(4, 4, 0, 0, 0, 0x4, D3DFMT_DXT1, 0, {}, 8);
  Decode(single, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.info.MipLevels, 1u);
  EXPECT_EQ(d.info.Format, D3DFMT_DXT1);

  // A cube map names all six faces; five are damage.
  const std::vector<BYTE> cube = Dds(8, 8, 2, 0, 0xFE00, 0x4, D3DFMT_DXT5, 0, {}, 6 * (64 + 16));
  Decode(cube, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.info.ResourceType, D3DRTYPE_CUBETEXTURE);
  ASSERT_EQ(d.image.FaceCount(), 6u);
  const LoadedImage* last = d.image.nextFace->nextFace->nextFace->nextFace->nextFace.get();
  EXPECT_EQ(last->nextLevel->pixels, cube.data() + 128 + 5 * 80 + 64);
  EXPECT_EQ(last->nextLevel->width, 4u);
  const std::vector<BYTE> fiveFaces = Dds(8, 8, 2, 0, 0xBE00, 0x4, D3DFMT_DXT5, 0, {}, 6 * 80);
  Decode(fiveFaces, d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);

  // A volume halves its depth per level and keeps a slice pitch; codes that are format numbers.
  const std::vector<BYTE> volume = Dds(4, 2, 3, 0x800000, 0, 0x4, D3DFMT_R16F, 0, {}, 64 + 8 + 2, 4);
  Decode(volume, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.info.ResourceType, D3DRTYPE_VOLUMETEXTURE);
  EXPECT_EQ(d.info.Depth, 4u);
  EXPECT_EQ(d.image.slicePitch, 16u);
  EXPECT_EQ(d.image.nextLevel->depth, 2u);
  EXPECT_EQ(d.image.nextLevel->nextLevel->depth, 1u);

  // Palette data: 256 entries after the header, the indices after them.
  const std::vector<BYTE> paletted = Dds(2, 2, 1, 0, 0, 0x20, 0, 8, {}, 1024 + 4);
  Decode(paletted, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.image.format, D3DFMT_P8);
  EXPECT_EQ(static_cast<const void*>(d.image.palette), paletted.data() + 128);
  EXPECT_EQ(d.image.pixels, paletted.data() + 1152);

  // Masks select the row; a chain longer than the sizes allow, or data that stops short, is refused.
  const std::vector<BYTE> argb = Dds(2, 2, 2, 0, 0, 0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 20);
  Decode(argb, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.image.format, D3DFMT_A8R8G8B8);
  const std::vector<BYTE> tooManyLevels =
      Dds(2, 2, 3, 0, 0, 0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 24);
  Decode(tooManyLevels, d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
  const std::vector<BYTE> short_ = Dds(2, 2, 2, 0, 0, 0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 19);
  Decode(short_, d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
}

TEST(PngDecoder, SixteenBitAndTransparencyFormats) {
  const std::pair<const char*, D3DFORMAT> cases[] = {
      {"basn0g16", D3DFMT_L16},       {"tbbn2c16", D3DFMT_A16B16G16R16}, {"z00n2c08", D3DFMT_X8R8G8B8},
      {"basn4a16", d3dx::FMT_A16L16}, {"basn2c16", d3dx::FMT_R16G16B16}, {"tbbn0g04", D3DFMT_A8L8},
  };
  for (const auto& [name, format] : cases) {
    const std::vector<BYTE> file = ReadBytes(kData + "/png/pngsuite/" + name + ".png");
    Decoded d;
    Decode(file, d);
    ASSERT_EQ(d.hr, D3D_OK) << name;
    EXPECT_EQ(d.image.format, format) << name;
    EXPECT_EQ(d.info.Format, d3dx::ToPublicFormat(format)) << name;
  }
}

// A TGA header and the bytes after it.
std::vector<BYTE> Tga(BYTE type, UINT width, UINT height, BYTE bits, BYTE descriptor,
                      const std::vector<BYTE>& rest, BYTE mapType = 0, UINT mapFirst = 0, UINT mapLength = 0,
                      BYTE mapBits = 0) {
  std::vector<BYTE> b(18 + rest.size());
  b[1] = mapType, b[2] = type, b[7] = mapBits, b[16] = bits, b[17] = descriptor;
  Put16(b, 3, mapFirst), Put16(b, 5, mapLength), Put16(b, 12, width), Put16(b, 14, height);
  std::copy(rest.begin(), rest.end(), b.begin() + 18);
  return b;
}

TEST(TgaDecoder, AlphaThatIsAllZeroIsNoAlpha) {
  const std::vector<BYTE> file = Tga(2, 2, 1, 32, 0x20, {1, 2, 3, 0, 4, 5, 6, 0});
  Decoded pixels, info;
  Decode(file, pixels);
  Decode(file, info, false);
  ASSERT_EQ(pixels.hr, D3D_OK);
  EXPECT_EQ(pixels.image.format, D3DFMT_X8R8G8B8);
  ASSERT_EQ(info.hr, D3D_OK);
  EXPECT_EQ(info.info.Format, D3DFMT_A8R8G8B8);  // without the pixels nobody looked
}

TEST(TgaDecoder, RowOrdersAndPacketsAcrossRows) {
  // 3x2 grey, bottom-up and right to left: a run of four crosses into the second row.
  const std::vector<BYTE> file = Tga(11, 3, 2, 8, 0x10, {0x83, 9, 0x01, 1, 2});
  Decoded d;
  Decode(file, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_EQ(d.image.format, D3DFMT_L8);
  // Stored order: row 0 (bottom) right to left = 9 9 9; row 1 = 9 1 2 from the right.
  EXPECT_EQ(std::vector<BYTE>(d.image.pixels, d.image.pixels + 6), (std::vector<BYTE>{2, 1, 9, 9, 9, 9}));

  // A packet longer than the image is cut at its end; one short of it fails.
  Decode(Tga(11, 2, 1, 8, 0x20, {0xFF, 5}), d);
  EXPECT_EQ(d.hr, D3D_OK);
  Decode(Tga(11, 3, 1, 8, 0x20, {0x81, 5}), d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
}

TEST(TgaDecoder, ColorMaps) {
  // 16-bit entries from index 2; their alpha bits all clear, so the map is opaque.
  const std::vector<BYTE> map = {0x1F, 0x00, 0xE0, 0x03};  // blue, green
  const std::vector<BYTE> file = Tga(
      1, 2, 1, 8, 0x20,
      [&] {
        std::vector<BYTE> r = map;
        r.push_back(2), r.push_back(3);
        return r;
      }(),
      1, 2, 2, 16);
  Decoded d;
  Decode(file, d);
  ASSERT_EQ(d.hr, D3D_OK);
  ASSERT_EQ(d.image.format, D3DFMT_P8);
  const PALETTEENTRY& blue = d.image.palette[2];
  EXPECT_EQ(blue.peBlue, 255);
  EXPECT_EQ(blue.peRed, 0);
  EXPECT_EQ(blue.peFlags, 255);
  EXPECT_EQ(d.image.palette[3].peGreen, 255);
  EXPECT_EQ(d.image.palette[0].peRed + d.image.palette[0].peFlags, 510);  // outside the map

  // A map that runs past index 255 is refused.
  Decode(Tga(1, 1, 1, 8, 0x20, std::vector<BYTE>(2 * 3 + 1), 1, 255, 2, 24), d);
  EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
}

}  // namespace
