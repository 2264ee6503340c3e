// DXT1..DXT5 block decoding. Interpolated colours and alphas are rounded to the nearest 8-bit
// value, so every block decodes to one exact answer. DXT2 and DXT4 decode to their stored
// (premultiplied) values, as sampling hardware does.
#include <cstring>

#include "formats.h"

namespace d3d9rt {
namespace {

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

void decodeColors(const uint8_t* b, bool allowTransparent, uint32_t out[16]) {
  uint32_t c0 = b[0] | b[1] << 8, c1 = b[2] | b[3] << 8;
  uint32_t r[4], g[4], bl[4], a[4] = {255, 255, 255, 255};
  r[0] = (c0 >> 11) << 3 | (c0 >> 13);
  g[0] = ((c0 >> 5) & 63) << 2 | ((c0 >> 9) & 3);
  bl[0] = (c0 & 31) << 3 | ((c0 >> 2) & 7);
  r[1] = (c1 >> 11) << 3 | (c1 >> 13);
  g[1] = ((c1 >> 5) & 63) << 2 | ((c1 >> 9) & 3);
  bl[1] = (c1 & 31) << 3 | ((c1 >> 2) & 7);
  if (c0 > c1 || !allowTransparent) {
    r[2] = (2 * r[0] + r[1] + 1) / 3, g[2] = (2 * g[0] + g[1] + 1) / 3, bl[2] = (2 * bl[0] + bl[1] + 1) / 3;
    r[3] = (r[0] + 2 * r[1] + 1) / 3, g[3] = (g[0] + 2 * g[1] + 1) / 3, bl[3] = (bl[0] + 2 * bl[1] + 1) / 3;
  } else {
    r[2] = (r[0] + r[1] + 1) / 2, g[2] = (g[0] + g[1] + 1) / 2, bl[2] = (bl[0] + bl[1] + 1) / 2;
    r[3] = g[3] = bl[3] = a[3] = 0;
  }
  uint32_t idx = b[4] | b[5] << 8 | b[6] << 16 | (uint32_t)b[7] << 24;
  for (int i = 0; i < 16; ++i) {
    uint32_t k = (idx >> (2 * i)) & 3;
    out[i] = argb(a[k], r[k], g[k], bl[k]);
  }
}

}  // namespace

void decodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t out[16]) {
  if (format == D3DFMT_DXT1) {
    decodeColors(block, true, out);
    return;
  }
  // The colour half of DXT2..5 always uses four colours.
  decodeColors(block + 8, false, out);
  if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
    for (int i = 0; i < 16; ++i) {
      uint32_t a = (block[i / 2] >> (4 * (i & 1))) & 15;
      out[i] = (out[i] & 0xFFFFFF) | (a * 17) << 24;
    }
    return;
  }
  uint32_t a0 = block[0], a1 = block[1], alpha[8] = {a0, a1};
  if (a0 > a1) {
    for (int i = 1; i <= 6; ++i) alpha[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
  } else {
    for (int i = 1; i <= 4; ++i) alpha[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
    alpha[6] = 0;
    alpha[7] = 255;
  }
  uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= (uint64_t)block[2 + i] << (8 * i);
  for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0xFFFFFF) | alpha[(bits >> (3 * i)) & 7] << 24;
}

}  // namespace d3d9rt
