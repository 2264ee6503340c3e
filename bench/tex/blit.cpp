// Mip generation and resampling: a full mip chain of a 1024x1024 A8R8G8B8 texture with the
// default box filter beside a plain 2x2 box loop and stb_image_resize making the same levels;
// a triangle-filtered, dithered resample of a 1024x1024 image to 300x200 beside
// stb_image_resize.
#include <benchmark/benchmark.h>
#include <d3dx9.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench_device.h"
#include "photo.h"

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_resize.h>
#pragma GCC diagnostic pop

namespace {

constexpr UINT kSize = 1024;
constexpr UINT kResampleWidth = 300, kResampleHeight = 200;

// The benchmark photo tiled to 1024 x 1024.
const std::vector<uint32_t>& Image1024() {
  static const std::vector<uint32_t> image = [] {
    const auto& photo = texbench::Photo();
    std::vector<uint32_t> out(size_t(kSize) * kSize);
    for (UINT y = 0; y < kSize; ++y)
      for (UINT x = 0; x < kSize; ++x)
        out[size_t(y) * kSize + x] =
            photo[size_t(y % texbench::kPhotoSize) * texbench::kPhotoSize + x % texbench::kPhotoSize];
    return out;
  }();
  return image;
}

// A headless device with a 1024 x 1024 texture of full chain and a 300 x 200 target texture.
struct BlitScene {
  IDirect3DDevice9* device = nullptr;
  IDirect3DTexture9* chain = nullptr;
  IDirect3DTexture9* small = nullptr;

  BlitScene() {
    device = texbench::Device();
    if (!device) return;
    device->CreateTexture(kSize, kSize, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &chain, nullptr);
    device->CreateTexture(kResampleWidth, kResampleHeight, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &small,
                          nullptr);
    if (!chain) return;
    D3DLOCKED_RECT r;
    if (chain->LockRect(0, &r, nullptr, 0) != D3D_OK) return;
    const auto& image = Image1024();
    for (UINT y = 0; y < kSize; ++y)
      std::memcpy(static_cast<BYTE*>(r.pBits) + size_t(y) * r.Pitch, &image[size_t(y) * kSize], kSize * 4);
    chain->UnlockRect(0);
  }
  bool Ready() const { return chain && small; }
};

BlitScene& Scene() {
  static BlitScene scene;
  return scene;
}

// The 1024 x 1024 image and room for each level below it.
std::vector<std::vector<uint32_t>> ChainLevels() {
  std::vector<std::vector<uint32_t>> levels;
  levels.push_back(Image1024());
  for (UINT s = kSize / 2; s >= 1; s /= 2) levels.emplace_back(size_t(s) * s);
  return levels;
}

void BM_MipChain_D3DXFilterTexture(benchmark::State& state) {
  BlitScene& scene = Scene();
  if (!scene.Ready()) return state.SkipWithError("no device");
  for (auto _ : state) {
    if (FAILED(D3DXFilterTexture(scene.chain, nullptr, 0, D3DX_DEFAULT)))
      return state.SkipWithError("failed");
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

// Each channel (a + b + c + d + 2) >> 2, level after level.
void BM_MipChain_PlainBoxLoop(benchmark::State& state) {
  std::vector<std::vector<uint32_t>> levels = ChainLevels();
  for (auto _ : state) {
    UINT from = kSize;
    for (size_t l = 1; l < levels.size(); ++l, from /= 2) {
      const uint32_t* src = levels[l - 1].data();
      uint32_t* dst = levels[l].data();
      const UINT to = from / 2;
      for (UINT y = 0; y < to; ++y) {
        const uint32_t* r0 = src + size_t(2 * y) * from;
        const uint32_t* r1 = r0 + from;
        for (UINT x = 0; x < to; ++x) {
          const uint32_t a = r0[2 * x], b = r0[2 * x + 1], c = r1[2 * x], d = r1[2 * x + 1];
          uint32_t v = 0;
          for (int shift = 0; shift < 32; shift += 8) {
            const uint32_t sum =
                ((a >> shift) & 255) + ((b >> shift) & 255) + ((c >> shift) & 255) + ((d >> shift) & 255) + 2;
            v |= (sum >> 2) << shift;
          }
          dst[size_t(y) * to + x] = v;
        }
      }
    }
    benchmark::DoNotOptimize(levels.back().data());
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

void BM_MipChain_StbImageResize(benchmark::State& state) {
  std::vector<std::vector<uint32_t>> levels = ChainLevels();
  for (auto _ : state) {
    UINT from = kSize;
    for (size_t l = 1; l < levels.size(); ++l, from /= 2) {
      const int to = int(from / 2);
      stbir_resize_uint8_generic(reinterpret_cast<const unsigned char*>(levels[l - 1].data()), int(from),
                                 int(from), 0, reinterpret_cast<unsigned char*>(levels[l].data()), to, to, 0,
                                 4, 3, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_BOX, STBIR_COLORSPACE_LINEAR,
                                 nullptr);
    }
    benchmark::DoNotOptimize(levels.back().data());
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

void BM_Resample300x200_D3DXTriangleDither(benchmark::State& state) {
  BlitScene& scene = Scene();
  if (!scene.Ready()) return state.SkipWithError("no device");
  IDirect3DSurface9* target = nullptr;
  scene.small->GetSurfaceLevel(0, &target);
  const RECT whole = {0, 0, LONG(kSize), LONG(kSize)};
  const auto& image = Image1024();
  for (auto _ : state) {
    if (FAILED(D3DXLoadSurfaceFromMemory(target, nullptr, nullptr, image.data(), D3DFMT_A8R8G8B8, kSize * 4,
                                         nullptr, &whole, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, 0)))
      return state.SkipWithError("failed");
  }
  target->Release();
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

void Resample300x200WithStb(benchmark::State& state, stbir_filter filter) {
  const auto& image = Image1024();
  std::vector<uint32_t> out(size_t(kResampleWidth) * kResampleHeight);
  for (auto _ : state) {
    stbir_resize_uint8_generic(reinterpret_cast<const unsigned char*>(image.data()), int(kSize), int(kSize),
                               0, reinterpret_cast<unsigned char*>(out.data()), int(kResampleWidth),
                               int(kResampleHeight), 0, 4, 3, 0, STBIR_EDGE_WRAP, filter,
                               STBIR_COLORSPACE_LINEAR, nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

void BM_Resample300x200_StbImageResizeDefault(benchmark::State& state) {
  Resample300x200WithStb(state, STBIR_FILTER_DEFAULT);
}
void BM_Resample300x200_StbImageResizeTriangle(benchmark::State& state) {
  Resample300x200WithStb(state, STBIR_FILTER_TRIANGLE);
}

}  // namespace

BENCHMARK(BM_MipChain_D3DXFilterTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MipChain_PlainBoxLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MipChain_StbImageResize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample300x200_D3DXTriangleDither)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample300x200_StbImageResizeDefault)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample300x200_StbImageResizeTriangle)->Unit(benchmark::kMillisecond);
