// DXT1 and DXT5 encoding of the benchmark photo: ours, stb_dxt (normal and high quality) and
// libsquish (range fit and cluster fit), one thread each, from the same 8-bit image. Speed is
// items (pixels) per second; quality is the RMSE of the decoded image in 8-bit units, RGB over
// the three channels and alpha separately, with every encoder's blocks decoded by one decoder.
// The *_cat counters give the same for the photograph at its own size, which the tests bound.
#include <benchmark/benchmark.h>
#include <squish.h>

#include <cmath>
#include <cstring>
#include <vector>

#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

#include "../../d3dx/tex/dxt_block.h"
#include "../../d3dx/tex/format_info.h"
#include "../../d3dx/tex/row_codec.h"
#include "photo.h"

namespace {

using texbench::SourceImage;

// One 4x4 block of the image as RGBA bytes (the peers' input) and as colours (ours).
void GatherRgba(const SourceImage& img, unsigned bx, unsigned by, unsigned char rgba[64]) {
  for (unsigned i = 0; i < 16; ++i) {
    const uint32_t p = img.argb[size_t(by * 4 + i / 4) * img.width + bx * 4 + i % 4];
    rgba[4 * i] = p >> 16 & 255, rgba[4 * i + 1] = p >> 8 & 255, rgba[4 * i + 2] = p & 255;
    rgba[4 * i + 3] = p >> 24;
  }
}

void GatherColors(const SourceImage& img, unsigned bx, unsigned by, D3DXCOLOR out[16]) {
  for (unsigned i = 0; i < 16; ++i) out[i] = D3DXCOLOR(img.argb[size_t(by * 4 + i / 4) * img.width + bx * 4 + i % 4]);
}

enum class Encoder { Ours, Stb, StbHigh, SquishRange, SquishCluster };

void EncodeImage(Encoder encoder, D3DFORMAT format, const SourceImage& img, std::vector<BYTE>& out) {
  const UINT blockBytes = d3dx::BlockBytes(format);
  const bool alpha = format == D3DFMT_DXT5;
  const unsigned bw = img.width / 4, bh = img.height / 4;
  out.resize(size_t(bw) * bh * blockBytes);
  unsigned char rgba[64];
  D3DXCOLOR colors[16];
  for (unsigned by = 0; by < bh; ++by)
    for (unsigned bx = 0; bx < bw; ++bx) {
      BYTE* block = &out[(size_t(by) * bw + bx) * blockBytes];
      if (encoder == Encoder::Ours) {
        GatherColors(img, bx, by, colors);
        d3dx::EncodeDxtBlock(format, block, colors);
        continue;
      }
      GatherRgba(img, bx, by, rgba);
      switch (encoder) {
        case Encoder::Stb:
        case Encoder::StbHigh:
          stb_compress_dxt_block(block, rgba, alpha, encoder == Encoder::Stb ? STB_DXT_NORMAL : STB_DXT_HIGHQUAL);
          break;
        case Encoder::SquishRange:
        case Encoder::SquishCluster:
          squish::Compress(rgba, block,
                           (alpha ? squish::kDxt5 : squish::kDxt1) |
                               (encoder == Encoder::SquishRange ? squish::kColourRangeFit : squish::kColourClusterFit));
          break;
        case Encoder::Ours:
          break;
      }
    }
}

struct Quality {
  double rgb, alpha;
};

Quality Measure(D3DFORMAT format, const SourceImage& img, const std::vector<BYTE>& blocks) {
  const UINT blockBytes = d3dx::BlockBytes(format);
  const unsigned bw = img.width / 4, bh = img.height / 4;
  double rgb = 0, alpha = 0;
  D3DXCOLOR decoded[16];
  for (unsigned by = 0; by < bh; ++by)
    for (unsigned bx = 0; bx < bw; ++bx) {
      d3dx::DecodeDxtBlock(format, decoded, &blocks[(size_t(by) * bw + bx) * blockBytes]);
      for (unsigned i = 0; i < 16; ++i) {
        const uint32_t want = img.argb[size_t(by * 4 + i / 4) * img.width + bx * 4 + i % 4];
        const uint32_t got = DWORD(decoded[i]);
        for (int shift = 0; shift < 24; shift += 8) {
          const double d = double(int(want >> shift & 255) - int(got >> shift & 255));
          rgb += d * d;
        }
        const double d = double(int(want >> 24) - int(got >> 24));
        alpha += d * d;
      }
    }
  const double pixels = double(bw) * bh * 16;
  return {std::sqrt(rgb / (3 * pixels)), std::sqrt(alpha / pixels)};
}

const SourceImage& BenchPhoto() {
  static const SourceImage photo = {texbench::Photo(), texbench::kPhotoSize, texbench::kPhotoSize};
  return photo;
}

void Run(benchmark::State& state, Encoder encoder, D3DFORMAT format) {
  const SourceImage& img = BenchPhoto();
  std::vector<BYTE> blocks;
  for (auto _ : state) {
    EncodeImage(encoder, format, img, blocks);
    benchmark::DoNotOptimize(blocks.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(img.width) * img.height);
  const Quality q = Measure(format, img, blocks);
  state.counters["rgb_rmse"] = q.rgb;
  if (format == D3DFMT_DXT5) state.counters["alpha_rmse"] = q.alpha;
  std::vector<BYTE> cat;
  EncodeImage(encoder, format, texbench::SourcePhoto(), cat);
  state.counters["rgb_rmse_cat"] = Measure(format, texbench::SourcePhoto(), cat).rgb;
}

// Ours through the row codec, as texture loading drives it: A8R8G8B8 rows decoded to colours
// and encoded into a DXT region.
void RunRows(benchmark::State& state, D3DFORMAT format) {
  const SourceImage& img = BenchPhoto();
  std::vector<uint32_t> src = img.argb;
  std::vector<BYTE> dst(d3dx::RowBytes(format, img.width) * (img.height / 4));
  const d3dx::ImageBox box = {0, 0, img.width, img.height, 0, 1};
  const d3dx::ImageRegion from = {reinterpret_cast<BYTE*>(src.data()), D3DFMT_A8R8G8B8, img.width * 4, 0, box, box,
                                  FALSE, FALSE, 0, nullptr};
  const d3dx::ImageRegion to = {dst.data(), format, UINT(d3dx::RowBytes(format, img.width)), 0, box, box, FALSE,
                                FALSE, 0, nullptr};
  std::vector<D3DXCOLOR> row(img.width);
  for (auto _ : state) {
    std::unique_ptr<d3dx::RowCodec> in, out;
    if (FAILED(d3dx::CreateRowCodec(from, &in)) || FAILED(d3dx::CreateRowCodec(to, &out)) ||
        FAILED(out->PrepareConversion(*in))) {
      state.SkipWithError("no codec");
      return;
    }
    for (UINT y = 0; y < img.height; ++y) {
      in->DecodeRow(y, 0, row.data());
      out->EncodeRow(y, 0, row.data());
    }
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(img.width) * img.height);
  const Quality q = Measure(format, img, dst);
  state.counters["rgb_rmse"] = q.rgb;
  if (format == D3DFMT_DXT5) state.counters["alpha_rmse"] = q.alpha;
}

}  // namespace

BENCHMARK_CAPTURE(Run, DXT1_Ours, Encoder::Ours, D3DFMT_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunRows, DXT1_OursRows, D3DFMT_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT1_Stb, Encoder::Stb, D3DFMT_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT1_StbHighQuality, Encoder::StbHigh, D3DFMT_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT1_SquishRangeFit, Encoder::SquishRange, D3DFMT_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT1_SquishClusterFit, Encoder::SquishCluster, D3DFMT_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT5_Ours, Encoder::Ours, D3DFMT_DXT5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunRows, DXT5_OursRows, D3DFMT_DXT5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT5_Stb, Encoder::Stb, D3DFMT_DXT5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT5_StbHighQuality, Encoder::StbHigh, D3DFMT_DXT5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT5_SquishRangeFit, Encoder::SquishRange, D3DFMT_DXT5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, DXT5_SquishClusterFit, Encoder::SquishCluster, D3DFMT_DXT5)->Unit(benchmark::kMillisecond);
