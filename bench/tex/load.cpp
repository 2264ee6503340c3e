// Image-file decoding and texture creation: LoadImageFromMemory and
// D3DXCreateTextureFromFileInMemory (decode, conversion, full mip chain) of a 512x512 JPEG and
// PNG of the benchmark photo, beside libjpeg's and libpng's bare decodes of the same bytes.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <d3dx9.h>

#include "../../d3dx/tex/loaded_image.h"
#include "bench_device.h"
#include "photo.h"

using texbench::kPhotoSize;
using texbench::Photo;

namespace {

std::vector<uint8_t> PhotoRgb() {
  std::vector<uint8_t> rgb(size_t(kPhotoSize) * kPhotoSize * 3);
  const auto& argb = Photo();
  for (size_t i = 0; i < argb.size(); ++i) {
    rgb[3 * i] = uint8_t(argb[i] >> 16);
    rgb[3 * i + 1] = uint8_t(argb[i] >> 8);
    rgb[3 * i + 2] = uint8_t(argb[i]);
  }
  return rgb;
}

const std::vector<uint8_t>& PhotoJpeg() {
  static const std::vector<uint8_t> file = [] {
    const std::vector<uint8_t> rgb = PhotoRgb();
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = cinfo.image_height = kPhotoSize;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < kPhotoSize) {
      JSAMPROW row = const_cast<uint8_t*>(&rgb[size_t(cinfo.next_scanline) * kPhotoSize * 3]);
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
  }();
  return file;
}

const std::vector<uint8_t>& PhotoPng() {
  static const std::vector<uint8_t> file = [] {
    const std::vector<uint8_t> rgb = PhotoRgb();
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = kPhotoSize;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<uint8_t> bytes(size);
    png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
  }();
  return file;
}

void Load(benchmark::State& state, const std::vector<uint8_t>& file) {
  for (auto _ : state) {
    d3dx::LoadedImage image;
    if (FAILED(d3dx::LoadImageFromMemory(&image, file.data(), UINT(file.size()), nullptr, true)))
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image.pixels);
  }
}

void BM_LoadImageFromMemory_Jpeg512(benchmark::State& state) { Load(state, PhotoJpeg()); }

void BM_LoadImageFromMemory_Png512(benchmark::State& state) { Load(state, PhotoPng()); }

void CreateTexture(benchmark::State& state, const std::vector<uint8_t>& file) {
  IDirect3DDevice9* device = texbench::Device();
  if (!device) {
    state.SkipWithError("no device");
    return;
  }
  for (auto _ : state) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), &texture))) {
      state.SkipWithError("creation failed");
      break;
    }
    texture->Release();
  }
}

void BM_CreateTextureFromFileInMemory_Jpeg512(benchmark::State& state) { CreateTexture(state, PhotoJpeg()); }

void BM_CreateTextureFromFileInMemory_Png512(benchmark::State& state) { CreateTexture(state, PhotoPng()); }

// libjpeg's decode of the same file into RGB rows, with nothing around it.
void BM_BareLibjpeg_Jpeg512(benchmark::State& state) {
  const std::vector<uint8_t>& file = PhotoJpeg();
  std::vector<uint8_t> rgb(size_t(kPhotoSize) * kPhotoSize * 3);
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = &rgb[size_t(cinfo.output_scanline) * kPhotoSize * 3];
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(rgb.data());
  }
}

// libpng's decode of the same file into RGB rows, with nothing around it.
void BM_BareLibpng_Png512(benchmark::State& state) {
  const std::vector<uint8_t>& file = PhotoPng();
  std::vector<uint8_t> rgb(size_t(kPhotoSize) * kPhotoSize * 3);
  std::vector<png_bytep> rows(kPhotoSize);
  for (unsigned y = 0; y < kPhotoSize; ++y) rows[y] = &rgb[size_t(y) * kPhotoSize * 3];
  for (auto _ : state) {
    struct Reader {
      const uint8_t* data;
      size_t pos;
    } reader{file.data(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, size_t n) {
      auto* r = static_cast<Reader*>(png_get_io_ptr(p));
      std::memcpy(out, r->data + r->pos, n);
      r->pos += n;
    });
    png_read_info(png, info);
    png_read_update_info(png, info);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(rgb.data());
  }
}

BENCHMARK(BM_LoadImageFromMemory_Jpeg512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateTextureFromFileInMemory_Jpeg512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLibjpeg_Jpeg512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadImageFromMemory_Png512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateTextureFromFileInMemory_Png512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLibpng_Png512)->Unit(benchmark::kMillisecond);

}  // namespace
