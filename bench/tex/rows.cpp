// Row conversion through the codecs (decode to colours, encode into the destination format)
// beside a plain loop that does the same conversion pixel by pixel.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "../../d3dx/tex/row_codec.h"
#include "photo.h"

using namespace d3dx;
using texbench::kPhotoSize;
using texbench::Photo;

namespace {

struct Image {
  std::vector<BYTE> bytes;
  UINT pitch;
};

Image MakeImage(UINT bytesPerPixel) {
  return {std::vector<BYTE>(size_t(kPhotoSize) * kPhotoSize * bytesPerPixel), kPhotoSize * bytesPerPixel};
}

Image PhotoAs24Bit() {
  Image img = MakeImage(3);
  const auto& argb = Photo();
  for (size_t i = 0; i < argb.size(); ++i) std::memcpy(&img.bytes[i * 3], &argb[i], 3);
  return img;
}

ImageRegion Region(Image& img, D3DFORMAT format, bool dither) {
  const ImageBox box = {0, 0, kPhotoSize, kPhotoSize, 0, 1};
  return {img.bytes.data(), format, img.pitch, 0, box, box, dither, FALSE, 0, nullptr};
}

void ConvertThroughCodecs(benchmark::State& state, Image& src, D3DFORMAT srcFormat, D3DFORMAT dstFormat,
                          UINT dstBytes, bool dither) {
  Image dst = MakeImage(dstBytes);
  std::unique_ptr<RowCodec> in, out;
  if (FAILED(CreateRowCodec(Region(src, srcFormat, false), &in)) ||
      FAILED(CreateRowCodec(Region(dst, dstFormat, dither), &out)) || FAILED(out->PrepareConversion(*in))) {
    state.SkipWithError("no codec");
    return;
  }
  std::vector<D3DXCOLOR> row(kPhotoSize);
  for (auto _ : state) {
    for (UINT y = 0; y < kPhotoSize; ++y) {
      in->DecodeRow(y, 0, row.data());
      out->EncodeRow(y, 0, row.data());
    }
    benchmark::DoNotOptimize(dst.bytes.data());
  }
  state.SetItemsProcessed(state.iterations() * kPhotoSize * kPhotoSize);
}

void BM_Rows_A8R8G8B8_To_R5G6B5_Dither_Codec(benchmark::State& state) {
  Image src = MakeImage(4);
  std::memcpy(src.bytes.data(), Photo().data(), src.bytes.size());
  ConvertThroughCodecs(state, src, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, 2, true);
}

// The same quantisation as the codec: channel / 255 * levels + the ordered-dither offset,
// truncated.
void BM_Rows_A8R8G8B8_To_R5G6B5_Dither_PlainLoop(benchmark::State& state) {
  static const int kBayer[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};
  const auto& src = Photo();
  std::vector<uint16_t> dst(src.size());
  for (auto _ : state) {
    for (UINT y = 0; y < kPhotoSize; ++y) {
      const uint32_t* s = &src[size_t(y) * kPhotoSize];
      uint16_t* d = &dst[size_t(y) * kPhotoSize];
      for (UINT x = 0; x < kPhotoSize; ++x) {
        const float off = (kBayer[y & 3][x & 3] + 0.5f) / 16;
        const float r = ((s[x] >> 16) & 255) * (1.0f / 255), g = ((s[x] >> 8) & 255) * (1.0f / 255),
                    b = (s[x] & 255) * (1.0f / 255);
        d[x] = uint16_t(unsigned(r * 31 + off) << 11 | unsigned(g * 63 + off) << 5 | unsigned(b * 31 + off));
      }
    }
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * kPhotoSize * kPhotoSize);
}

void BM_Rows_R8G8B8_To_X8R8G8B8_Codec(benchmark::State& state) {
  Image src = PhotoAs24Bit();
  ConvertThroughCodecs(state, src, D3DFMT_R8G8B8, D3DFMT_X8R8G8B8, 4, false);
}

void BM_Rows_R8G8B8_To_X8R8G8B8_PlainLoop(benchmark::State& state) {
  const Image src = PhotoAs24Bit();
  std::vector<uint32_t> dst(size_t(kPhotoSize) * kPhotoSize);
  for (auto _ : state) {
    for (UINT y = 0; y < kPhotoSize; ++y) {
      const BYTE* s = &src.bytes[size_t(y) * src.pitch];
      uint32_t* d = &dst[size_t(y) * kPhotoSize];
      for (UINT x = 0; x < kPhotoSize; ++x) d[x] = s[3 * x] | s[3 * x + 1] << 8 | s[3 * x + 2] << 16;
    }
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * kPhotoSize * kPhotoSize);
}

}  // namespace

BENCHMARK(BM_Rows_A8R8G8B8_To_R5G6B5_Dither_Codec);
BENCHMARK(BM_Rows_A8R8G8B8_To_R5G6B5_Dither_PlainLoop);
BENCHMARK(BM_Rows_R8G8B8_To_X8R8G8B8_Codec);
BENCHMARK(BM_Rows_R8G8B8_To_X8R8G8B8_PlainLoop);
