// Row access to DXT data: the block-row cache, pending block rows with the blocks they keep,
// padding where the image ends inside a block, colour keys and regions at the memory's edge.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "../../d3dx/tex/dxt_block.h"
#include "../../d3dx/tex/format_info.h"
#include "../../d3dx/tex/row_codec.h"

namespace {

using namespace d3dx;

// A width x height (x depth) DXT image in exactly the bytes its blocks take, so that any access
// past them is caught by the sanitizer build.
struct DxtImage {
  DxtImage(D3DFORMAT f, UINT w, UINT h, UINT d = 1)
      : format(f),
        width(w),
        height(h),
        depth(d),
        pitch(UINT(RowBytes(f, w))),
        slice(pitch * UINT(StorageRows(f, h))),
        bytes(size_t(slice) * d, 0) {}

  ImageRegion Region(ImageBox box) {
    return {bytes.data(), format, pitch, slice, {0, 0, width, height, 0, depth},
            box,          FALSE,  FALSE, 0,     nullptr};
  }
  ImageRegion Whole() { return Region({0, 0, width, height, 0, depth}); }
  BYTE* Block(UINT bx, UINT by, UINT z = 0) {
    return bytes.data() + size_t(z) * slice + size_t(by) * pitch + size_t(bx) * BlockBytes(format);
  }
  D3DXCOLOR Texel(UINT x, UINT y, UINT z = 0) {
    D3DXCOLOR block[16];
    DecodeDxtBlock(format, block, Block(x / 4, y / 4, z));
    return block[(y % 4) * 4 + x % 4];
  }

  D3DFORMAT format;
  UINT width, height, depth, pitch, slice;
  std::vector<BYTE> bytes;
};

std::unique_ptr<RowCodec> Codec(const ImageRegion& region) {
  std::unique_ptr<RowCodec> codec;
  EXPECT_EQ(CreateRowCodec(region, &codec), D3D_OK);
  return codec;
}

// Colours on the 5:6:5 grid, exact after any DXT round trip that uses them as endpoints.
D3DXCOLOR Grid(WORD c, float a = 1.0f) {
  return D3DXCOLOR((c >> 11) / 31.0f, ((c >> 5) & 63) / 63.0f, (c & 31) / 31.0f, a);
}

void FillSolid(DxtImage& img, const D3DXCOLOR& c) {
  D3DXCOLOR block[16];
  for (auto& t : block) t = c;
  for (UINT z = 0; z < img.depth; ++z)
    for (UINT by = 0; by < StorageRows(img.format, img.height); ++by)
      for (UINT bx = 0; bx < (img.width + 3) / 4; ++bx)
        EncodeDxtBlock(img.format, img.Block(bx, by, z), block);
}

void ExpectColor(const D3DXCOLOR& want, const D3DXCOLOR& got, float tol, const char* what, UINT x, UINT y) {
  EXPECT_NEAR(want.r, got.r, tol) << what << " at " << x << "," << y;
  EXPECT_NEAR(want.g, got.g, tol) << what << " at " << x << "," << y;
  EXPECT_NEAR(want.b, got.b, tol) << what << " at " << x << "," << y;
  EXPECT_NEAR(want.a, got.a, tol) << what << " at " << x << "," << y;
}

TEST(DxtRows, DecodeServesAnyRowOfAnUnalignedRegion) {
  // Distinct blocks, read through a region that starts and ends inside blocks, rows out of order.
  DxtImage img(D3DFMT_DXT5, 12, 12);
  for (UINT by = 0; by < 3; ++by)
    for (UINT bx = 0; bx < 3; ++bx) {
      D3DXCOLOR block[16];
      for (UINT i = 0; i < 16; ++i) block[i] = D3DXCOLOR(bx / 2.0f, by / 2.0f, i / 15.0f, (i % 4) / 3.0f);
      EncodeDxtBlock(D3DFMT_DXT5, img.Block(bx, by), block);
    }
  const ImageBox box = {3, 2, 10, 11, 0, 1};
  auto codec = Codec(img.Region(box));
  ASSERT_TRUE(codec);
  EXPECT_FALSE(codec->IsPixelAddressable());
  std::vector<D3DXCOLOR> row(7);
  for (UINT y : {5u, 1u, 6u, 0u, 8u, 2u}) {
    ASSERT_EQ(codec->DecodeRow(y, 0, row.data()), D3D_OK);
    for (UINT x = 0; x < 7; ++x) ExpectColor(img.Texel(box.left + x, box.top + y), row[x], 0, "texel", x, y);
  }
  EXPECT_EQ(codec->DecodeRow(9, 0, row.data()), D3DERR_INVALIDCALL);
}

TEST(DxtRows, EncodeWritesEachBlockRowWhenItsLastRowArrives) {
  DxtImage img(D3DFMT_DXT1, 8, 8);
  const std::vector<BYTE> before = img.bytes;
  auto codec = Codec(img.Whole());
  std::vector<D3DXCOLOR> row(8, Grid(0xF81F));
  for (UINT y = 0; y < 3; ++y) ASSERT_EQ(codec->EncodeRow(y, 0, row.data()), D3D_OK);
  EXPECT_EQ(img.bytes, before) << "three rows of four: nothing written yet";
  ASSERT_EQ(codec->EncodeRow(3, 0, row.data()), D3D_OK);
  ExpectColor(Grid(0xF81F), img.Texel(7, 3), 1e-6f, "written", 7, 3);
  // Rows 4 and 5 never complete their block row: destroying the codec drops them.
  const std::vector<BYTE> afterFirst = img.bytes;
  codec->EncodeRow(4, 0, row.data());
  codec->EncodeRow(5, 0, row.data());
  codec.reset();
  EXPECT_EQ(img.bytes, afterFirst);
}

TEST(DxtRows, PartialRegionKeepsTheBlocksItCutsAndWritesOnlyItsTexels) {
  // A solid image; the region cuts blocks on every side and leaves whole blocks outside it.
  const D3DXCOLOR old = Grid(0x07E0), fresh = Grid(0xF800);
  DxtImage img(D3DFMT_DXT3, 16, 12);
  FillSolid(img, old);
  const std::vector<BYTE> before = img.bytes;
  const ImageBox box = {2, 3, 9, 10, 0, 1};
  {
    auto codec = Codec(img.Region(box));
    std::vector<D3DXCOLOR> row(box.Width(), fresh);
    for (UINT y = 0; y < box.Height(); ++y) ASSERT_EQ(codec->EncodeRow(y, 0, row.data()), D3D_OK);
  }
  for (UINT y = 0; y < 12; ++y)
    for (UINT x = 0; x < 16; ++x) {
      const bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      ExpectColor(inside ? fresh : old, img.Texel(x, y), 1e-6f, inside ? "written" : "kept", x, y);
    }
  // Blocks the aligned region does not reach keep their bytes.
  for (UINT by = 0; by < 3; ++by)
    EXPECT_EQ(std::memcmp(img.Block(3, by), &before[by * img.pitch + 3 * 16], 16), 0) << by;
}

// The block written for an image whose edge lies inside it, against the block encoded directly
// from the padding rule: missing columns (rows) c repeat {0, 0, 0, 1}[c].
void ExpectPadded(UINT w, UINT h) {
  DxtImage img(D3DFMT_DXT1, w, h);
  D3DXCOLOR pixels[4][4];
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) pixels[y][x] = D3DXCOLOR(x / 3.0f, y / 3.0f, (x + y) / 6.0f, 1.0f);
  {
    auto codec = Codec(img.Whole());
    for (UINT y = 0; y < h; ++y) ASSERT_EQ(codec->EncodeRow(y, 0, pixels[y]), D3D_OK);
  }
  const UINT pad[4] = {0, 0, 0, 1};
  D3DXCOLOR padded[16];
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x) {
      UINT sx = x, sy = y;
      while (sx >= w) sx = pad[sx];
      while (sy >= h) sy = pad[sy];
      padded[y * 4 + x] = pixels[sy][sx];
    }
  BYTE want[8];
  EncodeDXT1Block(want, padded);
  EXPECT_EQ(std::memcmp(img.Block(0, 0), want, 8), 0) << w << "x" << h;
}

TEST(DxtRows, ImageEdgeInsideABlockIsPaddedFromItsFirstColumnsAndRows) {
  ExpectPadded(2, 2);  // columns and rows 0, 1, 0, 1
  ExpectPadded(1, 1);  // the one texel everywhere
  ExpectPadded(3, 2);  // columns 0, 1, 2, 1
  ExpectPadded(4, 3);

  // 2x2: the four texels decode in the pattern, so one 2x2 block's indices repeat.
  DxtImage img(D3DFMT_DXT1, 2, 2);
  const D3DXCOLOR a = Grid(0xFFFF), b = Grid(0x0000);
  const D3DXCOLOR rows[2][2] = {{a, b}, {b, a}};
  {
    auto codec = Codec(img.Whole());
    codec->EncodeRow(0, 0, rows[0]);
    codec->EncodeRow(1, 0, rows[1]);
  }
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x) ExpectColor(rows[y % 2][x % 2], img.Texel(x, y), 1e-6f, "padded", x, y);
}

TEST(DxtRows, SlicesKeepTheirOwnPendingBlockRows) {
  DxtImage img(D3DFMT_DXT5, 4, 4, 2);
  const D3DXCOLOR c[2] = {Grid(0x001F, 0.4f), Grid(0xFFE0, 0.8f)};
  {
    auto codec = Codec(img.Whole());
    for (UINT y = 0; y < 4; ++y)
      for (UINT z : {1u, 0u}) {
        const D3DXCOLOR row[4] = {c[z], c[z], c[z], c[z]};
        ASSERT_EQ(codec->EncodeRow(y, z, row), D3D_OK);
      }
  }
  for (UINT z = 0; z < 2; ++z) ExpectColor(c[z], img.Texel(2, 3, z), 1 / 255.0f, "slice", z, 3);
}

TEST(DxtRows, ColourKeyComparesAtTheFormatsPrecision) {
  // Red and black endpoints: rows 0-1 take index 2, two thirds red, which lies between 5-bit
  // steps; rows 2-3 take black. Keys near two thirds red round to the same step as the texels.
  DxtImage img(D3DFMT_DXT1, 4, 4);
  const BYTE block[8] = {0x00, 0xF8, 0x00, 0x00, 0xAA, 0xAA, 0x55, 0x55};
  std::memcpy(img.Block(0, 0), block, 8);
  for (D3DCOLOR key : {D3DCOLOR(0xFFAB0000), D3DCOLOR(0xFFAE0101)}) {
    ImageRegion r = img.Whole();
    r.colorKey = key;
    auto codec = Codec(r);
    D3DXCOLOR row[4];
    ASSERT_EQ(codec->DecodeRow(1, 0, row), D3D_OK);
    ExpectColor({0, 0, 0, 0}, row[0], 0, "keyed", 0, 1);
    ASSERT_EQ(codec->DecodeRow(3, 0, row), D3D_OK);
    ExpectColor({0, 0, 0, 1}, row[0], 0, "not keyed", 0, 3);
  }
}

TEST(DxtRows, RegionsAtTheEdgeOfTheirMemoryStayInside) {
  // Odd sizes, every region corner on and off the block grid, memory sized to the blocks.
  for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT4}) {
    DxtImage img(f, 7, 5);
    for (UINT left : {0u, 3u, 6u})
      for (UINT top : {0u, 1u, 4u}) {
        const ImageBox box = {left, top, 7, 5, 0, 1};
        auto codec = Codec(img.Region(box));
        std::vector<D3DXCOLOR> row(box.Width(), D3DXCOLOR(0.3f, 0.6f, 0.9f, 0.5f));
        for (UINT y = 0; y < box.Height(); ++y) {
          ASSERT_EQ(codec->EncodeRow(y, 0, row.data()), D3D_OK);
          ASSERT_EQ(codec->DecodeRow(y, 0, row.data()), D3D_OK);
        }
      }
  }
  // A pitch too small for the blocks of a row is refused before anything is touched.
  DxtImage img(D3DFMT_DXT1, 8, 8);
  ImageRegion r = img.Whole();
  r.rowPitch = 8;
  std::unique_ptr<RowCodec> codec;
  EXPECT_EQ(CreateRowCodec(r, &codec), D3DERR_INVALIDCALL);
}

}  // namespace

namespace {

// A region as wide as 32-bit offsets allow: its four-row buffers cannot be had, which the codec
// reports before it touches the (never allocated) pixels.
TEST(DxtRows, RowBufferOutOfMemoryIsReported) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator aborts instead of failing";
#endif
  const UINT width = 0x7FFFFFFC;
  if (std::unique_ptr<D3DXCOLOR[]> probe(new (std::nothrow) D3DXCOLOR[size_t(width) * 4]); probe)
    GTEST_SKIP() << "this machine grants the buffer";
  BYTE stand_in[16] = {};
  const ImageBox box = {0, 0, width, 4, 0, 1};
  const ImageRegion r = {stand_in, D3DFMT_DXT1, UINT(RowBytes(D3DFMT_DXT1, width)), 0, box, box, FALSE, FALSE,
                         0,        nullptr};
  std::unique_ptr<RowCodec> codec;
  ASSERT_EQ(CreateRowCodec(r, &codec), D3D_OK);
  D3DXCOLOR pixel[1] = {};
  EXPECT_EQ(codec->DecodeRow(0, 0, pixel), E_OUTOFMEMORY);
  EXPECT_EQ(codec->EncodeRow(0, 0, pixel), E_OUTOFMEMORY);
}

}  // namespace
