// The public image suites by their manifests: what each file decodes to and matches, what is
// refused, and that nothing in them crashes or reads out of bounds.
#include <filesystem>
#include <map>
#include <set>

#include "image_test_util.h"
#include "jpeg_file.h"

using namespace imagetest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> FilesIn(const std::string& dir, const std::string& extension) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(kData + "/" + dir))
    if (e.path().extension() == extension) files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::string Stem(const std::string& path) { return fs::path(path).stem().string(); }

// libjpeg's own decode through the asset generator's reader (grey widened to RGB).
Rgba LibjpegRgba(const std::string& path) {
  const std::optional<Image> image = ReadJpeg(path);
  Rgba out;
  if (!image) return out;
  out = {UINT(image->width), UINT(image->height), std::vector<uint8_t>(image->texels.size() * 4)};
  for (size_t i = 0; i < image->texels.size(); ++i) {
    for (int c = 0; c < 3; ++c) out.px[4 * i + c] = uint8_t(Channel(image->texels[i], c));
    out.px[4 * i + 3] = 255;
  }
  return out;
}

// Decodes `file` against the reference image `png` within `tolerance`.
void ExpectMatches(const std::string& file, const std::string& png, int tolerance = 0,
                   bool colorOnly = false) {
  SCOPED_TRACE(file);
  const std::vector<BYTE> bytes = ReadBytes(kData + "/" + file);  // in-place pixels point into it
  Decoded d;
  Decode(bytes, d);
  ASSERT_EQ(d.hr, D3D_OK);
  EXPECT_LE(MaxDifference(ToRgba(d.image), LibpngRgba(ReadBytes(kData + "/" + png)), colorOnly), tolerance);
}

// Decodes with and without pixels; a decoded image is read whole, so that any bad pointer or pitch
// shows under the sanitizer. Without pixels only headers are read, so damaged pixel data may pass
// (and alpha that turns out unused is not detected).
HRESULT DecodeWithoutHarm(const std::string& path) {
  SCOPED_TRACE(path);
  const std::vector<BYTE> bytes = ReadBytes(path);
  Decoded info, full;
  Decode(bytes, info, false);
  Decode(bytes, full);
  if (SUCCEEDED(full.hr)) {
    EXPECT_EQ(info.hr, D3D_OK);
    EXPECT_EQ(info.info.Width, full.info.Width);
    EXPECT_EQ(info.info.Height, full.info.Height);
    EXPECT_EQ(info.info.MipLevels, full.info.MipLevels);
    EXPECT_EQ(info.info.ImageFileFormat, full.info.ImageFileFormat);
    ExpectReadable(full.image);
  }
  return full.hr;
}

TEST(BmpSuite, GoodFilesMatchTheirReferences) {
  // The reference of each file; the three with BI_BITFIELDS in a 40-byte header are refused.
  const std::map<std::string, std::string> reference = {
      {"pal1", "pal1"},        {"pal1bg", "pal1bg"}, {"pal4", "pal4"},         {"pal4rle", "pal4"},
      {"pal8", "pal8"},        {"pal8gs", "pal8gs"}, {"pal8os2", "pal8"},      {"pal8rle", "pal8"},
      {"pal8topdown", "pal8"}, {"pal8v4", "pal8"},   {"pal8w124", "pal8w124"}, {"pal8w126", "pal8w126"},
      {"rgb16", "rgb16"},      {"rgb24", "rgb24"},   {"rgb32", "rgb24"},
  };
  const std::set<std::string> refused = {"rgb16-565", "rgb16-565pal", "rgb32bf"};
  int files = 0;
  for (const std::string& path : FilesIn("bmp/bmpsuite/g", ".bmp")) {
    ++files;
    if (refused.count(Stem(path))) {
      EXPECT_EQ(DecodeWithoutHarm(path), D3DXERR_INVALIDDATA) << path;
      continue;
    }
    ASSERT_TRUE(reference.count(Stem(path))) << path;
    ExpectMatches(fs::relative(path, kData).string(),
                  "bmp/bmpsuite/html/" + reference.at(Stem(path)) + ".png");
  }
  EXPECT_EQ(files, 18);
}

TEST(BmpSuite, BadFilesAreRefusedOrHarmless) {
  // These damage only fields the decoder never reads (image size, density), or use indices past
  // the palette, which read opaque white.
  const std::set<std::string> accepted = {"badbitssize", "baddens1", "pal8badindex"};
  for (const std::string& path : FilesIn("bmp/bmpsuite/b", ".bmp"))
    EXPECT_EQ(DecodeWithoutHarm(path), accepted.count(Stem(path)) ? D3D_OK : D3DXERR_INVALIDDATA) << path;

  const std::vector<BYTE> bytes = ReadBytes(kData + "/bmp/bmpsuite/b/pal8badindex.bmp");
  Decoded d;
  Decode(bytes, d);
  ASSERT_EQ(d.hr, D3D_OK);
  const PALETTEENTRY white = {255, 255, 255, 255};
  EXPECT_EQ(std::memcmp(&d.image.palette[200], &white, sizeof white), 0);
}

TEST(BmpSuite, QuestionableFilesNeverHarmAndMostMatch) {
  for (const std::string& path : FilesIn("bmp", ".bmp")) DecodeWithoutHarm(path);
  DecodeWithoutHarm(kData + "/bmp/image-rs/windows_dibv5_dump.bin");

  const char* matches[][2] = {
      {"rgb32-xbgr", "rgb24"},
      {"rgb32h52", "rgb24"},
      {"rgba16-4444", "rgba16-4444"},
      {"rgba32-1", "rgba32"},
      {"rgba32-1010102", "rgba32-1010102"},
      {"rgba32-81284", "rgba32-81284"},
      {"rgba32-61754", "rgba32-61754"},
      {"rgba16-1924", "rgba16-1924"},
      {"rgb32fakealpha", "fakealpha"},
      {"pal8os2-hs", "pal8"},
      {"pal8os2v2", "pal8"},
      {"pal8os2v2-40sz", "pal8"},
      {"pal4rletrns", "pal4rletrns-0"},
      {"pal8rlecut", "pal8rlecut-0"},
      {"pal1p1", "pal1p1"},
      {"rgb24prof", "rgb24"},
      {"rgb16faketrns", "rgb16"},
  };
  for (const auto& [file, png] : matches)
    ExpectMatches(std::string("bmp/bmpsuite/q/") + file + ".bmp",
                  std::string("bmp/bmpsuite/html/") + png + ".png");
}

TEST(PngSuite, DecodesToLibpngsPixelsAndRefusesCorruptFiles) {
  int decoded = 0, refused = 0;
  for (const std::string& path : FilesIn("png/pngsuite", ".png")) {
    SCOPED_TRACE(path);
    const std::vector<BYTE> file = ReadBytes(path);
    Decoded d;
    Decode(file, d);
    if (Stem(path)[0] == 'x') {
      EXPECT_EQ(DecodeWithoutHarm(path), D3DXERR_INVALIDDATA);
      ++refused;
      continue;
    }
    ASSERT_EQ(d.hr, D3D_OK);
    EXPECT_EQ(d.info.ImageFileFormat, D3DXIFF_PNG);
    ++decoded;
    // libpng's 16-bit gamma tables carry a little less precision than its 8-bit ones.
    EXPECT_LE(MaxDifference(ToRgba(d.image), LibpngRgba(file)), file[24] == 16 ? 2 : 1);
  }
  EXPECT_EQ(decoded, 111);
  EXPECT_EQ(refused, 10);
}

TEST(TgaSuite, DecodesToTheReferencesAndRefusesDamage) {
  ExpectMatches("tga/image-rs/b5-cmap.tga", "tga/image-rs/reference/b5-cmap.tga.png", 1);  // 5-bit widening
  // Both readers' alpha rules differ: a set attribute bit, and alpha bytes that are all zero.
  ExpectMatches("tga/image-rs/b5-attrib.tga", "tga/image-rs/reference/b5-attrib.tga.png", 0, true);
  ExpectMatches("tga/truevision/utc32.tga", "tga/truevision/reference/utc32.tga.png", 0, true);
  for (const char* name : {"image-rs/bottom_left", "image-rs/cmap_offset", "image-rs/top_right",
                           "truevision/cbw8", "truevision/ctc24"})
    ExpectMatches(std::string("tga/") + name + ".tga", "tga/" + fs::path(name).parent_path().string() +
                                                           "/reference/" +
                                                           fs::path(name).filename().string() + ".tga.png");
  for (const std::string& path : FilesIn("tga/pillow/common", ".tga")) {
    const std::string stem = Stem(path), kind = stem.substr(0, stem.find('_', stem.find('_') + 1));
    if (kind.ends_with("_la")) {  // grey with alpha in 16 bits is not a TGA format we take
      EXPECT_EQ(DecodeWithoutHarm(path), D3DXERR_INVALIDDATA);
      continue;
    }
    ExpectMatches(fs::relative(path, kData).string(), "tga/pillow/common/" + kind + ".png");
  }
  for (const std::string& path : FilesIn("tga/image-rs/regression", ".tga"))
    EXPECT_EQ(DecodeWithoutHarm(path), D3DXERR_INVALIDDATA) << path;
  for (const std::string& path : FilesIn("tga", ".tga")) DecodeWithoutHarm(path);
}

struct DdsExpectation {
  const char* file;
  D3DFORMAT format;
  UINT width, height, depth, levels, faces;
};

TEST(DdsSuite, DescribesValidFilesAndRefusesTheRest) {
  const DdsExpectation valid[] = {
      {"gli/kueken7_rgba_dxt1_unorm", D3DFMT_DXT1, 256, 256, 1, 9, 1},
      {"gli/kueken8_bgr8_unorm", D3DFMT_R8G8B8, 256, 256, 1, 1, 1},
      {"gli/test", D3DFMT_DXT5, 16, 16, 1, 1, 1},
      {"image-dds/bc/DX9 DXT2", D3DFMT_DXT2, 129, 66, 1, 8, 1},
      {"image-dds/cube/DXT1 Pretoria Gardens DX9", D3DFMT_DXT1, 128, 128, 1, 8, 6},
      {"image-dds/nvtt/16f R", D3DFMT_R16F, 129, 66, 1, 8, 1},
      {"image-dds/nvtt/8 A", D3DFMT_A8, 129, 66, 1, 8, 1},
      {"image-dds/nvtt/8.8.8.8 BGRA", D3DFMT_A8R8G8B8, 129, 66, 1, 8, 1},
      {"image-dds/other/non-standard header flag", D3DFMT_R8G8B8, 4, 4, 1, 3, 1},
      {"image-dds/permissive/wrong mipmap count 1", D3DFMT_DXT1, 32, 32, 1, 1, 1},
      {"pfim/24-bit-uncompressed-odd", D3DFMT_R8G8B8, 1, 3, 1, 1, 1},
      {"pfim/32-bit-float", D3DFMT_R32F, 64, 64, 1, 1, 1},
      {"pfim/TestVolume_Noise3D", D3DFMT_A8R8G8B8, 64, 64, 64, 1, 1},
      {"pfim/dds_A4R4G4B4", D3DFMT_A4R4G4B4, 256, 256, 1, 1, 1},
      {"pfim/dxt5-simple-odd", D3DFMT_DXT5, 5, 9, 1, 1, 1},
      {"pillow/bgr15", D3DFMT_X1R5G5B5, 128, 128, 1, 1, 1},
      {"pillow/uncompressed_la", D3DFMT_A8L8, 128, 128, 1, 1, 1},
      {"tacent/BC1DXT1_RGB_Modern_317x177", D3DFMT_DXT1, 317, 177, 1, 1, 1},
  };
  for (const DdsExpectation& e : valid) {
    SCOPED_TRACE(e.file);
    const std::vector<BYTE> bytes = ReadBytes(kData + "/dds/" + e.file + ".dds");
    Decoded d;
    Decode(bytes, d);
    ASSERT_EQ(d.hr, D3D_OK);
    EXPECT_EQ(d.info.Format, e.format);
    EXPECT_EQ(d.info.Width, e.width);
    EXPECT_EQ(d.info.Height, e.height);
    EXPECT_EQ(d.info.Depth, e.depth);
    EXPECT_EQ(d.info.MipLevels, e.levels);
    EXPECT_EQ(d.image.FaceCount(), e.faces);
    EXPECT_EQ(d.info.ResourceType, e.depth > 1    ? D3DRTYPE_VOLUMETEXTURE
                                   : e.faces == 6 ? D3DRTYPE_CUBETEXTURE
                                                  : D3DRTYPE_TEXTURE);
    // Every node lies in the file, one after another in file order.
    const BYTE* next = bytes.data() + 128;
    for (const d3dx::LoadedImage* f = &d.image; f; f = f->nextFace.get())
      for (const d3dx::LoadedImage* l = f; l; l = l->nextLevel.get()) {
        EXPECT_EQ(l->pixels, next);
        next += size_t(l->rowPitch) * d3dx::StorageRows(l->format, l->height) * l->depth;
      }
    EXPECT_LE(next, bytes.data() + bytes.size());
  }
  const char* refused[] = {"gli/kueken7_r5g6b5_unorm",  // code 23 is no code of the table
                           "image-dds/bc/DX9 BC4_UNORM",
                           "image-dds/nvtt/8 L",
                           "image-dds/permissive/dds pixel_format size 0",
                           "image-dds/permissive/dds pixel_format size 24",
                           "pillow/DXGI_FORMAT_BC7_UNORM_SRGB",
                           "pillow/DXGI_FORMAT_R8G8B8A8_UNORM_SRGB",
                           "pillow/palette",  // its bit count says 24
                           "pillow/timeout-041dd17dfde800360a47a172269df127af138c6b",
                           "pillow/timeout-52d106579505547091ef69b58341351a37c23e31",
                           "pillow/timeout-755a4d204f4208e3597ac3391edebee196462bd0",
                           "pillow/unimplemented_pixel_format",
                           "pillow/unsupported_bitcount"};
  for (const char* name : refused)
    EXPECT_EQ(DecodeWithoutHarm(kData + "/dds/" + name + ".dds"), D3DXERR_INVALIDDATA) << name;
  for (const std::string& path : FilesIn("dds", ".dds")) DecodeWithoutHarm(path);
}

TEST(PpmAndDdsSuites, OnePictureDecodesAlikeFromP6P3AndDds) {
  const std::vector<BYTE> p6 = ReadBytes(kData + "/ppm/pillow/hopper_8bit.ppm");
  const std::vector<BYTE> p3 = ReadBytes(kData + "/ppm/pillow/hopper_8bit_plain.ppm");
  const std::vector<BYTE> dds = ReadBytes(kData + "/dds/pillow/hopper.dds");
  Decoded a, b, c;
  Decode(p6, a);
  Decode(p3, b);
  Decode(dds, c);
  ASSERT_EQ(a.hr, D3D_OK);
  ASSERT_EQ(b.hr, D3D_OK);
  ASSERT_EQ(c.hr, D3D_OK);
  EXPECT_EQ(a.info.ImageFileFormat, D3DXIFF_PPM);
  EXPECT_EQ(MaxDifference(ToRgba(a.image), ToRgba(b.image)), 0);
  EXPECT_EQ(MaxDifference(ToRgba(a.image), ToRgba(c.image)), 0);
}

TEST(PpmSuite, TakesP3AndP6UpTo255) {
  for (const std::string& path : FilesIn("ppm", ".ppm")) {
    const bool wide = fs::path(path).filename() == "P6-65535-chart-red.ppm";
    EXPECT_EQ(DecodeWithoutHarm(path), wide ? D3DXERR_INVALIDDATA : D3D_OK) << path;
  }
  EXPECT_EQ(DecodeWithoutHarm(kData + "/ppm/zigimg/pgm_binary_grayscale8.pgm"), D3DXERR_INVALIDDATA);

  // The four coloured pixels of the classic example, samples of maximum 15 scaled to 255.
  const std::vector<BYTE> feep = ReadBytes(kData + "/ppm/pixie/feep.p3.master.ppm");
  Decoded d;
  Decode(feep, d);
  ASSERT_EQ(d.hr, D3D_OK);
  std::vector<uint32_t> expected(16, 0xFF000000u);
  expected[3] = expected[12] = 0xFFFF00FFu;
  expected[5] = expected[10] = 0xFF00FF77u;
  EXPECT_EQ(std::memcmp(d.image.pixels, expected.data(), 64), 0);
}

TEST(JpegSuite, DecodesLikeLibjpegAndRefusesWhatItCannotHold) {
  const std::set<std::string> refused = {"monkey12",         // 12-bit samples
                                         "pil_sample_cmyk",  // four components
                                         "truncated_jpeg"};  // ends inside its scans
  for (const std::string& path : FilesIn("jpeg", ".jpg")) {
    SCOPED_TRACE(path);
    if (refused.count(Stem(path))) {
      EXPECT_EQ(DecodeWithoutHarm(path), D3DXERR_INVALIDDATA);
      continue;
    }
    const std::vector<BYTE> file = ReadBytes(path);
    Decoded d;
    Decode(file, d);
    ASSERT_EQ(d.hr, D3D_OK);
    const bool grey = Stem(path).find("gray") != std::string::npos || Stem(path) == "jfif_unit_cm";
    EXPECT_EQ(d.image.format, grey ? D3DFMT_L8 : D3DFMT_X8R8G8B8);
    EXPECT_EQ(MaxDifference(ToRgba(d.image), LibjpegRgba(path)), 0);
  }
}

}  // namespace
