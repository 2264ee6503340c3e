// Every processor-specific row kernel against the codecs' portable loops: the same colours from
// every stored value, the same bytes from ordinary, out-of-range and non-finite colours, on every
// dither row and on row lengths that leave tails of every size.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

#include "../../d3dx/math/cpu.h"
#include "../../d3dx/math/dispatch.h"
#include "temp_path.h"
#include "tex_test_util.h"

using namespace textest;

namespace {

const RowKernelSet kSimdSets[] = {RowKernelSet::SSE2, RowKernelSet::AVX2};
const D3DFORMAT kCovered[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5, D3DFMT_L8};

bool Supported(RowKernelSet set) {
  if (set == RowKernelSet::AVX2) return MathProcessorHasAvx2Fma();
  return set != RowKernelSet::SSE2 || MathProcessorHasSse2();
}

TEST(RowKernels, EachCoveredFormatHasKernels) {
  for (D3DFORMAT f : kCovered) EXPECT_TRUE(FindSse2RowKernels(f).decode && FindAvx2RowKernels(f).decode) << f;
  EXPECT_FALSE(FindRowKernels(RowKernelSet::PORTABLE, D3DFMT_A8R8G8B8).decode);
}

TEST(RowKernels, DecodeMatchesThePortableLoop) {
  std::mt19937 rng(5);
  for (RowKernelSet set : kSimdSets) {
    if (!Supported(set)) continue;
    for (D3DFORMAT f : kCovered) {
      for (UINT width : {1u, 3u, 4u, 5u, 7u, 8u, 11u, 64u, 1031u}) {
        Image img(f, width);
        for (size_t i = 0; i < img.bytes.size() - 16; ++i) img.bytes[i] = BYTE(rng());
        if (width == 1031)  // every byte value in every position of the pixel
          for (size_t i = 0; i < img.bytes.size() - 16; ++i) img.bytes[i] = BYTE(i * 7 / img.bytesPerPixel);
        std::vector<D3DXCOLOR> a(width), b(width);
        ASSERT_EQ(img.Codec(RowKernelSet::PORTABLE)->DecodeRow(0, 0, a.data()), D3D_OK);
        ASSERT_EQ(img.Codec(set)->DecodeRow(0, 0, b.data()), D3D_OK);
        ASSERT_EQ(std::memcmp(a.data(), b.data(), width * sizeof(D3DXCOLOR)), 0) << f << " width " << width;
      }
    }
  }
}

TEST(RowKernels, EncodeMatchesThePortableLoop) {
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f), wide(-2.0f, 3.0f);
  const float specials[] = {NAN, INFINITY, -INFINITY, -0.0f, 0.0f, 1.0f, 1.0000001f, 0.99999994f, -1e-30f};
  for (RowKernelSet set : kSimdSets) {
    if (!Supported(set)) continue;
    for (D3DFORMAT f : kCovered) {
      for (UINT width : {1u, 2u, 4u, 6u, 8u, 9u, 15u, 16u, 333u}) {
        std::vector<D3DXCOLOR> row(width);
        for (UINT x = 0; x < width; ++x) {
          float* c = &row[x].r;
          for (int k = 0; k < 4; ++k)
            c[k] = (x % 5 == 4) ? specials[rng() % 9] : (x % 3 ? unit(rng) : wide(rng));
        }
        for (BOOL dither : {FALSE, TRUE}) {
          Image a(f, width, 4, 4), b(f, width, 4, 4);
          a.region.dither = b.region.dither = dither;
          auto ca = a.Codec(RowKernelSet::PORTABLE), cb = b.Codec(set);
          for (UINT z = 0; z < 4; ++z)
            for (UINT y = 0; y < 4; ++y) {
              ASSERT_EQ(ca->EncodeRow(y, z, row.data()), D3D_OK);
              ASSERT_EQ(cb->EncodeRow(y, z, row.data()), D3D_OK);
            }
          EXPECT_EQ(a.bytes, b.bytes) << f << " width " << width << " dither " << dither;
        }
      }
    }
  }
}

TEST(RowKernels, DisableMmxSwitchSelectsThePortableLoops) {
  const std::string path = TempPath("kernels.reg");
  std::ofstream(path)
      << "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"DisableMMX\"=dword:00000001\n";
  setenv("SKYVALE_REGISTRY", path.c_str(), 1);
  EXPECT_EQ(DetectRowKernelSet(), RowKernelSet::PORTABLE);
  unsetenv("SKYVALE_REGISTRY");
  std::remove(path.c_str());
  // The switch's answer is kept; later tests in this process must see the processor again.
  MathResetMmxState();
}

}  // namespace
