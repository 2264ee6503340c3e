// Decodes the shared photograph once with libjpeg (the asset generator's reader) and scales it
// to the benchmark size.
#include "photo.h"

#include <cstdio>
#include <cstdlib>

#include "image.h"
#include "jpeg_file.h"

namespace texbench {
namespace {

const Image& SourceJpeg() {
  static const Image image = [] {
    std::optional<Image> read = ReadJpeg(SKYVALE_TESTDATA_DIR "/jpeg/image-rs/progressive/cat.jpg");
    if (!read) {
      std::fprintf(stderr, "bench_tex: the shared photograph is missing\n");
      std::exit(1);
    }
    return *read;
  }();
  return image;
}

std::vector<uint32_t> MakePhoto() {
  const Image& src = SourceJpeg();
  const unsigned width = unsigned(src.width), height = unsigned(src.height);
  std::vector<uint32_t> out(size_t(kPhotoSize) * kPhotoSize);
  for (unsigned y = 0; y < kPhotoSize; ++y) {
    const float fy = (y + 0.5f) * height / kPhotoSize - 0.5f;
    const unsigned y0 = fy < 0 ? 0 : unsigned(fy), y1 = y0 + 1 < height ? y0 + 1 : y0;
    const float wy = fy < 0 ? 0 : fy - y0;
    for (unsigned x = 0; x < kPhotoSize; ++x) {
      const float fx = (x + 0.5f) * width / kPhotoSize - 0.5f;
      const unsigned x0 = fx < 0 ? 0 : unsigned(fx), x1 = x0 + 1 < width ? x0 + 1 : x0;
      const float wx = fx < 0 ? 0 : fx - x0;
      uint32_t argb = 0;
      for (int c = 0; c < 3; ++c) {
        auto at = [&](unsigned px, unsigned py) { return float(Channel(src.at(int(px), int(py)), c)); };
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

const SourceImage& SourcePhoto() {
  static const SourceImage photo = {SourceJpeg().texels, unsigned(SourceJpeg().width),
                                    unsigned(SourceJpeg().height)};
  return photo;
}

const std::vector<uint32_t>& Photo() {
  static const std::vector<uint32_t> photo = MakePhoto();
  return photo;
}

}  // namespace texbench
