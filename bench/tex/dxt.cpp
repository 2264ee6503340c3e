// DXT1 and DXT5 encoding of the benchmark photo: ours, stb_dxt (normal and high quality) and
// libsquish (range fit and cluster fit), one thread each, from the same 8-bit image. Speed is
// items (pixels) per second; quality is the RMSE of the decoded image in 8-bit units, RGB over
// the three channels and alpha separately, with every encoder's blocks decoded by one decoder.
// The *_cat counters give the same for the photograph at its own size, which the tests bound.
#include <benchmark/benchmark.h>
#include <squish.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

#include "../../d3dx/tex/dxt_block.h"
#include "../../d3dx/tex/dxt_encoder.h"
#include "../../d3dx/tex/format_info.h"
#include "../../d3dx/tex/round_mode.h"
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
  constexpr float k = 1.0f / 255.0f;
  for (unsigned i = 0; i < 16; ++i) {
    const uint32_t p = img.argb[size_t(by * 4 + i / 4) * img.width + bx * 4 + i % 4];
    out[i] =
        D3DXCOLOR(float(p >> 16 & 255) * k, float(p >> 8 & 255) * k, float(p & 255) * k, float(p >> 24) * k);
  }
}

enum class Encoder { Ours, Stb, StbHigh, SquishRange, SquishCluster };

// Every block's 16 texels, gathered once in each encoder's own input form, so that the timed
// loop holds nothing but encoding.
struct Blocks {
  std::vector<unsigned char> rgba;  // 64 bytes a block
  std::vector<D3DXCOLOR> colors;    // 16 colours a block
  size_t count;
};

Blocks Gather(const SourceImage& img) {
  const unsigned bw = img.width / 4, bh = img.height / 4;
  Blocks b{std::vector<unsigned char>(size_t(bw) * bh * 64), std::vector<D3DXCOLOR>(size_t(bw) * bh * 16),
           size_t(bw) * bh};
  for (unsigned by = 0; by < bh; ++by)
    for (unsigned bx = 0; bx < bw; ++bx) {
      const size_t n = size_t(by) * bw + bx;
      GatherRgba(img, bx, by, &b.rgba[n * 64]);
      GatherColors(img, bx, by, &b.colors[n * 16]);
    }
  return b;
}

void EncodeBlocks(Encoder encoder, D3DFORMAT format, const Blocks& in, std::vector<BYTE>& out) {
  const UINT blockBytes = d3dx::BlockBytes(format);
  const bool alpha = format == D3DFMT_DXT5;
  out.resize(in.count * blockBytes);
  const int squishFlags =
      (alpha ? squish::kDxt5 : squish::kDxt1) |
      (encoder == Encoder::SquishRange ? squish::kColourRangeFit : squish::kColourClusterFit);
  for (size_t n = 0; n < in.count; ++n) {
    BYTE* block = &out[n * blockBytes];
    const unsigned char* rgba = &in.rgba[n * 64];
    switch (encoder) {
      case Encoder::Ours:
        d3dx::EncodeDxtBlock(format, block, &in.colors[n * 16]);
        break;
      case Encoder::Stb:
      case Encoder::StbHigh:
        stb_compress_dxt_block(block, rgba, alpha,
                               encoder == Encoder::Stb ? STB_DXT_NORMAL : STB_DXT_HIGHQUAL);
        break;
      case Encoder::SquishRange:
      case Encoder::SquishCluster:
        squish::Compress(rgba, block, squishFlags);
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

// The photo with its alpha ramp for DXT5; opaque for DXT1, whose transparent texels would
// count as colour error.
const SourceImage& BenchPhoto(D3DFORMAT format) {
  static const SourceImage photo = {texbench::Photo(), texbench::kPhotoSize, texbench::kPhotoSize};
  static const SourceImage opaque = [] {
    SourceImage o = photo;
    for (uint32_t& p : o.argb) p |= 0xFF000000u;
    return o;
  }();
  return format == D3DFMT_DXT1 ? opaque : photo;
}

void Run(benchmark::State& state, Encoder encoder, D3DFORMAT format) {
  const SourceImage& img = BenchPhoto(format);
  const Blocks in = Gather(img);
  std::vector<BYTE> blocks;
  for (auto _ : state) {
    EncodeBlocks(encoder, format, in, blocks);
    benchmark::DoNotOptimize(blocks.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(img.width) * img.height);
  const Quality q = Measure(format, img, blocks);
  state.counters["rgb_rmse"] = q.rgb;
  if (format == D3DFMT_DXT5) state.counters["alpha_rmse"] = q.alpha;
  std::vector<BYTE> cat;
  EncodeBlocks(encoder, format, Gather(texbench::SourcePhoto()), cat);
  state.counters["rgb_rmse_cat"] = Measure(format, texbench::SourcePhoto(), cat).rgb;
}

// Ours through the row codec, as texture loading drives it: A8R8G8B8 rows decoded to colours
// and encoded into a DXT region.
void RunRows(benchmark::State& state, D3DFORMAT format) {
  const SourceImage& img = BenchPhoto(format);
  std::vector<uint32_t> src = img.argb;
  std::vector<BYTE> dst(d3dx::RowBytes(format, img.width) * (img.height / 4));
  const d3dx::ImageBox box = {0, 0, img.width, img.height, 0, 1};
  const d3dx::ImageRegion from = {reinterpret_cast<BYTE*>(src.data()),
                                  D3DFMT_A8R8G8B8,
                                  img.width * 4,
                                  0,
                                  box,
                                  box,
                                  FALSE,
                                  FALSE,
                                  0,
                                  nullptr};
  const d3dx::ImageRegion to = {
      dst.data(), format, UINT(d3dx::RowBytes(format, img.width)), 0, box, box, FALSE, FALSE, 0, nullptr};
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

// Ours with each colour optimiser kernel, to show what the vector ones buy.
void RunKernel(benchmark::State& state, d3dx::dxt::EncoderKernel kernel) {
  const auto optimizer = d3dx::dxt::ColorOptimizerFor(kernel);
  if (!optimizer) {
    state.SkipWithError("processor lacks the kernel");
    return;
  }
  const d3dx::dxt::BlockEncoder encoder(optimizer);
  const Blocks in = Gather(BenchPhoto(D3DFMT_DXT1));
  std::vector<BYTE> out(in.count * 8);
  for (auto _ : state) {
    d3dx::RoundTowardZeroScope rounding;
    for (size_t n = 0; n < in.count; ++n) encoder.Encode(D3DFMT_DXT1, &out[n * 8], &in.colors[n * 16]);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(in.count) * 16);
}

// Each format with ours (blocks, then rows), stb_dxt and libsquish, in that order.
const bool kRegistered = [] {
  const struct {
    const char* name;
    Encoder encoder;
  } encoders[] = {{"Ours", Encoder::Ours},
                  {"Stb", Encoder::Stb},
                  {"StbHighQuality", Encoder::StbHigh},
                  {"SquishRangeFit", Encoder::SquishRange},
                  {"SquishClusterFit", Encoder::SquishCluster}};
  for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT5}) {
    const std::string prefix = format == D3DFMT_DXT1 ? "DXT1_" : "DXT5_";
    for (const auto& e : encoders) {
      benchmark::RegisterBenchmark((prefix + e.name).c_str(), Run, e.encoder, format)
          ->Unit(benchmark::kMillisecond);
      if (e.encoder == Encoder::Ours)
        benchmark::RegisterBenchmark((prefix + "OursRows").c_str(), RunRows, format)
            ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("DXT1_OursKernelReference", RunKernel, d3dx::dxt::EncoderKernel::Reference)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("DXT1_OursKernelSse2", RunKernel, d3dx::dxt::EncoderKernel::Sse2)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("DXT1_OursKernelAvx2", RunKernel, d3dx::dxt::EncoderKernel::Avx2)
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
