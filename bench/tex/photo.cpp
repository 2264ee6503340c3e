// Decodes the shared photograph once with libjpeg and scales it to the benchmark size.
#include "photo.h"

#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <cstdlib>

namespace texbench {
namespace {

struct Rgb {
  std::vector<uint8_t> pixels;
  unsigned width = 0, height = 0;
};

Rgb DecodeJpeg(const char* path) {
  Rgb out;
  FILE* f = std::fopen(path, "rb");
  if (!f) return out;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = cinfo.output_width;
  out.height = cinfo.output_height;
  out.pixels.resize(size_t(out.width) * out.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &out.pixels[size_t(cinfo.output_scanline) * out.width * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return out;
}

std::vector<uint32_t> MakePhoto() {
  const Rgb src = DecodeJpeg(SKYVALE_TESTDATA_DIR "/jpeg/image-rs/progressive/cat.jpg");
  if (src.pixels.empty()) {
    std::fprintf(stderr, "bench_tex: the shared photograph is missing\n");
    std::exit(1);
  }
  std::vector<uint32_t> out(size_t(kPhotoSize) * kPhotoSize);
  for (unsigned y = 0; y < kPhotoSize; ++y) {
    const float fy = (y + 0.5f) * src.height / kPhotoSize - 0.5f;
    const unsigned y0 = fy < 0 ? 0 : unsigned(fy), y1 = y0 + 1 < src.height ? y0 + 1 : y0;
    const float wy = fy < 0 ? 0 : fy - y0;
    for (unsigned x = 0; x < kPhotoSize; ++x) {
      const float fx = (x + 0.5f) * src.width / kPhotoSize - 0.5f;
      const unsigned x0 = fx < 0 ? 0 : unsigned(fx), x1 = x0 + 1 < src.width ? x0 + 1 : x0;
      const float wx = fx < 0 ? 0 : fx - x0;
      uint32_t argb = 0;
      for (int c = 0; c < 3; ++c) {
        auto at = [&](unsigned px, unsigned py) {
          return float(src.pixels[(size_t(py) * src.width + px) * 3 + c]);
        };
        const float v = (at(x0, y0) * (1 - wx) + at(x1, y0) * wx) * (1 - wy) +
                        (at(x0, y1) * (1 - wx) + at(x1, y1) * wx) * wy;
        argb |= uint32_t(v + 0.5f) << (16 - 8 * c);
      }
      const float dx = x - kPhotoSize / 2.0f, dy = y - kPhotoSize / 2.0f;
      const float r = 1.0f - (dx * dx + dy * dy) / (kPhotoSize * kPhotoSize / 2.0f);
      argb |= uint32_t((r < 0 ? 0 : r) * 255 + 0.5f) << 24;
      out[size_t(y) * kPhotoSize + x] = argb;
    }
  }
  return out;
}

}  // namespace

const std::vector<uint32_t>& Photo() {
  static const std::vector<uint32_t> photo = MakePhoto();
  return photo;
}

}  // namespace texbench
