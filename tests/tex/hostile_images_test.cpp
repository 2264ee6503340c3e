// Damaged and hostile image files: headers that claim far more than the file holds, every
// truncation of small files, and random damage. Refusals leave the caller's output untouched;
// nothing reads past the data (checked under the sanitizer build) or allocates what a header
// merely claims.
#include <zlib.h>

#include <random>

#include "array_allocations.h"
#include "image_test_util.h"

using namespace imagetest;

namespace {

constexpr uint32_t kHuge = 60000;

std::vector<BYTE> Padded(std::vector<BYTE> b, size_t size = 200) {
  b.resize(std::max(b.size(), size), 0);
  return b;
}

uint32_t ReadBe32(const std::vector<BYTE>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
void PutBe32(std::vector<BYTE>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = BYTE(v >> (24 - 8 * i));
}
void PutBe16(std::vector<BYTE>& b, size_t at, uint32_t v) { b[at] = BYTE(v >> 8), b[at + 1] = BYTE(v); }

// Small real files, with a size that claims a 60000 x 60000 image.
std::vector<BYTE> HugePng() {
  std::vector<BYTE> b = ReadBytes(kData + "/png/pngsuite/basn0g01.png");
  PutBe32(b, 16, kHuge), PutBe32(b, 20, kHuge);
  PutBe32(b, 29, uint32_t(crc32(0, &b[12], 17)));  // the header chunk stays intact
  EXPECT_EQ(ReadBe32(b, 8), 13u);
  return b;
}

std::vector<BYTE> HugeJpeg() {
  std::vector<BYTE> b = ReadBytes(kData + "/jpeg/zigimg/grayscale_sample0.jpg");
  for (size_t i = 2; i + 8 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xC0) {
      PutBe16(b, i + 5, kHuge), PutBe16(b, i + 7, kHuge);
      return b;
    }
  ADD_FAILURE() << "no frame header";
  return b;
}

std::vector<BYTE> HugeDib(uint16_t bits, uint32_t compression, bool fileHeader) {
  std::vector<BYTE> b(54);
  b[0] = 'B', b[1] = 'M';
  Put32(b, 2, 200), Put32(b, 14, 40), Put32(b, 18, kHuge), Put32(b, 22, kHuge);
  Put16(b, 26, 1), Put16(b, 28, bits), Put32(b, 30, compression);
  if (!fileHeader) b.erase(b.begin(), b.begin() + 14);
  std::vector<BYTE> out = Padded(b);
  if (compression == 1) out[out.size() - 1] = 1;  // ends with the end-of-bitmap code
  return out;
}

std::vector<BYTE> HugeTga(BYTE type) {
  std::vector<BYTE> b(18);
  b[2] = type, b[16] = 32, b[17] = 0x20;
  Put16(b, 12, kHuge), Put16(b, 14, kHuge);
  return Padded(b);
}

std::vector<BYTE> HugeDds() {
  std::vector<BYTE> b(128);
  Put32(b, 0, MAKEFOURCC('D', 'D', 'S', ' '));
  Put32(b, 4, 124), Put32(b, 12, kHuge), Put32(b, 16, kHuge), Put32(b, 76, 32), Put32(b, 80, 0x41);
  Put32(b, 88, 32), Put32(b, 92, 0xFF0000), Put32(b, 96, 0xFF00), Put32(b, 100, 0xFF),
      Put32(b, 104, 0xFF000000);
  return Padded(b);
}

std::vector<BYTE> HugePpm(const char* magic) {
  const std::string header = std::string(magic) + " 60000 60000 255\n";
  std::vector<BYTE> b(header.begin(), header.end());
  return Padded(b);
}

TEST(HostileImages, HugeClaimsInTinyFilesAreRefusedBeforeAllocating) {
  const std::pair<const char*, std::vector<BYTE>> files[] = {
      {"BMP", HugeDib(24, 0, true)},
      {"BMP RLE8", HugeDib(8, 1, true)},
      {"DIB", HugeDib(32, 0, false)},
      {"P6", HugePpm("P6")},
      {"P3", HugePpm("P3")},
      {"DDS", HugeDds()},
      {"TGA", HugeTga(2)},
      {"TGA RLE", HugeTga(10)},
      {"JPEG", HugeJpeg()},
      {"PNG", HugePng()},
  };
  for (const auto& [name, file] : files) {
    SCOPED_TRACE(name);
    for (bool wantPixels : {true, false}) {
      Decoded d;
      std::memset(&d.info, 0xCD, sizeof d.info);
      const D3DXIMAGE_INFO before = d.info;
      size_t largest;
      {
        LargestArrayAllocation watch;
        Decode(file, d, wantPixels);
        largest = watch.bytes();
      }
      // Headers alone are no damage: image information of a stored image is what it claims.
      if (!wantPixels && SUCCEEDED(d.hr)) continue;
      EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
      EXPECT_EQ(std::memcmp(&d.info, &before, sizeof before), 0);
      EXPECT_LT(largest, size_t(1) << 20);
    }
  }
}

// Small files of every decoder, and whether every proper prefix of each is damage (true for
// formats whose data must reach a known end).
const std::pair<const char*, bool> kSmallFiles[] = {
    {"bmp/bmpsuite/g/pal1.bmp", true},
    {"bmp/bmpsuite/g/pal4rle.bmp", true},
    {"bmp/bmpsuite/q/pal8rlecut.bmp", true},
    {"png/pngsuite/basn3p04.png", true},
    {"png/pngsuite/basi0g16.png", true},
    {"png/pngsuite/tbbn0g04.png", true},
    {"jpeg/zigimg/huff_simple0.jpg", true},
    {"jpeg/zigimg/subsampling_420.jpg", true},
    {"jpeg/image-rs/progressive/test.jpg", true},
    {"dds/pfim/dxt5-simple-odd.dds", true},
    {"dds/pfim/24-bit-uncompressed-odd.dds", true},
    {"dds/image-dds/other/non-standard header flag.dds", true},
    {"tga/pfim/true-32-rle.tga", true},
    {"tga/image-rs/b5-cmap.tga", true},
    {"tga/image-rs/cmap_offset.tga", true},
    {"tga/pillow/common/1x1_l_bl_rle.tga", false},  // its footer may go
    {"ppm/pixie/feep.p3.master.ppm", false},        // a text sample may lose digits
    {"ppm/ppmdecodersharp/P6-255-pbmlib.ppm", true},
};

TEST(HostileImages, EveryTruncationOfSmallFilesIsHandled) {
  for (const auto& [name, prefixesAreDamage] : kSmallFiles) {
    SCOPED_TRACE(name);
    const std::vector<BYTE> whole = ReadBytes(kData + "/" + name);
    ASSERT_FALSE(whole.empty());
    Decoded full;
    Decode(whole, full);
    ASSERT_EQ(full.hr, D3D_OK);
    // A PNG's image data is complete before its closing chunk, which is never read.
    const size_t damaged = std::string(name).ends_with(".png") ? whole.size() - 12 : whole.size();
    for (size_t n = 1; n < whole.size(); ++n) {
      const std::vector<BYTE> prefix(whole.begin(), whole.begin() + n);
      for (bool wantPixels : {true, false}) {
        Decoded d;
        std::memset(&d.info, 0xCD, sizeof d.info);
        const D3DXIMAGE_INFO before = d.info;
        Decode(prefix, d, wantPixels);
        if (FAILED(d.hr)) {
          EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
          EXPECT_EQ(std::memcmp(&d.info, &before, sizeof before), 0);
        } else if (wantPixels && prefixesAreDamage && n < damaged) {
          ADD_FAILURE() << "prefix of " << n << " of " << whole.size() << " bytes accepted";
        }
      }
    }
  }
}

TEST(HostileImages, RandomDamageNeverEscapesTheData) {
  std::mt19937 random(14);
  for (const auto& [name, unused] : kSmallFiles) {
    SCOPED_TRACE(name);
    const std::vector<BYTE> whole = ReadBytes(kData + "/" + name);
    for (int round = 0; round < 150; ++round) {
      std::vector<BYTE> damaged = whole;
      const int edits = 1 + int(random() % 4);
      for (int e = 0; e < edits; ++e) {
        // Mostly the headers, where sizes and counts live.
        const size_t at =
            random() % 2 ? random() % std::min<size_t>(damaged.size(), 64) : random() % damaged.size();
        damaged[at] = random() % 3 ? BYTE(random()) : BYTE(damaged[at] ^ (1u << (random() % 8)));
      }
      Decoded d;
      Decode(damaged, d);
      if (FAILED(d.hr)) {
        EXPECT_EQ(d.hr, D3DXERR_INVALIDDATA);
        continue;
      }
      ExpectReadable(d.image);
      if (d.image.format == D3DFMT_P8) {
        EXPECT_NE(d.image.palette, nullptr);
      }
    }
  }
}

}  // namespace
