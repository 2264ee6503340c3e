// Encoded quality of a real photograph: DXT1 and DXT5 colour RMSE, in 8-bit units, within 1.1
// times what libsquish's range fit reaches on the same image (3.392, measured by bench_tex's
// rgb_rmse_cat counter), and DXT5 alpha on a smooth ramp.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "../../d3dx/tex/dxt_block.h"
#include "image.h"
#include "jpeg_file.h"

namespace {

// libsquish's range fit on the photograph, times the allowed 1.1.
constexpr double kRgbRmseBound = 3.392 * 1.1;

struct Rmse {
  double rgb, alpha;
};

// Encodes every block of the photo (alpha from `alphaOf`) and compares the decoded texels with
// the 8-bit originals.
template <typename AlphaOf>
Rmse EncodePhoto(const Image& p, D3DFORMAT format, AlphaOf alphaOf) {
  double rgb = 0, alpha = 0;
  size_t texels = 0;
  for (int by = 0; by + 4 <= p.height; by += 4)
    for (int bx = 0; bx + 4 <= p.width; bx += 4) {
      D3DXCOLOR in[16], out[16];
      BYTE block[16];
      int want[16][4];
      for (unsigned i = 0; i < 16; ++i) {
        const int x = bx + int(i % 4), y = by + int(i / 4);
        for (int c = 0; c < 3; ++c) want[i][c] = Channel(p.at(x, y), c);
        want[i][3] = alphaOf(x, y);
        in[i] = D3DXCOLOR(want[i][0] / 255.0f, want[i][1] / 255.0f, want[i][2] / 255.0f, want[i][3] / 255.0f);
      }
      d3dx::EncodeDxtBlock(format, block, in);
      d3dx::DecodeDxtBlock(format, out, block);
      for (unsigned i = 0; i < 16; ++i) {
        const float got[4] = {out[i].r, out[i].g, out[i].b, out[i].a};
        for (int c = 0; c < 4; ++c) {
          const double d = std::floor(got[c] * 255 + 0.5) - want[i][c];
          (c < 3 ? rgb : alpha) += d * d;
        }
      }
      texels += 16;
    }
  return {std::sqrt(rgb / (3.0 * texels)), std::sqrt(alpha / texels)};
}

TEST(DxtQuality, PhotographEncodesWithinTheRangeFitBound) {
  const std::optional<Image> photo = ReadJpeg(SKYVALE_TESTDATA_DIR "/jpeg/image-rs/progressive/cat.jpg");
  ASSERT_TRUE(photo);
  const Image& p = *photo;
  ASSERT_EQ(p.width, 320);
  ASSERT_EQ(p.height, 240);
  const Rmse dxt1 = EncodePhoto(p, D3DFMT_DXT1, [](int, int) { return 255; });
  EXPECT_LT(dxt1.rgb, kRgbRmseBound);
  RecordProperty("dxt1_rgb_rmse", std::to_string(dxt1.rgb));
  EXPECT_EQ(dxt1.alpha, 0.0);
  // DXT5 with a horizontal alpha ramp: the colour half is the same fit; alpha stays within a
  // fraction of one 8-bit step.
  const Rmse dxt5 = EncodePhoto(p, D3DFMT_DXT5, [](int x, int) { return x * 255 / 319; });
  EXPECT_LT(dxt5.rgb, kRgbRmseBound);
  EXPECT_LT(dxt5.alpha, 0.5);
}

}  // namespace
