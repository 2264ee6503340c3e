// Images in memory with a codec bound to them, for the texture room's tests.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "../../d3dx/tex/row_codec.h"
#include "../../d3dx/tex/row_kernels.h"

namespace textest {

using namespace d3dx;

inline uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

// A whole width x height image of `format`, rows packed, with guard bytes after it.
struct Image {
  Image(D3DFORMAT format, UINT width, UINT height = 1, UINT depth = 1)
      : bytesPerPixel(BytesPerPixel(format)),
        pitch(width * bytesPerPixel),
        bytes(size_t(pitch) * height * depth + 16, 0xCD) {
    region = {bytes.data(),
              format,
              pitch,
              pitch * height,
              {0, 0, width, height, 0, depth},
              {0, 0, width, height, 0, depth},
              FALSE,
              FALSE,
              0,
              nullptr};
  }
  uint64_t Pixel(UINT x, UINT y = 0) const {
    uint64_t v = 0;
    std::memcpy(&v, &bytes[size_t(y) * pitch + size_t(x) * bytesPerPixel], bytesPerPixel);
    return v;
  }
  void SetPixel(UINT x, UINT y, uint64_t v) {
    std::memcpy(&bytes[size_t(y) * pitch + size_t(x) * bytesPerPixel], &v, bytesPerPixel);
  }
  std::unique_ptr<RowCodec> Codec(RowKernelSet set) const {
    std::unique_ptr<RowCodec> codec;
    EXPECT_EQ(CreatePixelRowCodecWithKernels(region, set, &codec), D3D_OK);
    if (codec && codec->HasColorKey()) codec->PrepareColorKey();
    return codec;
  }
  std::unique_ptr<RowCodec> Codec() const {
    std::unique_ptr<RowCodec> codec;
    EXPECT_EQ(CreateRowCodec(region, &codec), D3D_OK);
    return codec;
  }

  UINT bytesPerPixel, pitch;
  std::vector<BYTE> bytes;
  ImageRegion region;
};

}  // namespace textest
