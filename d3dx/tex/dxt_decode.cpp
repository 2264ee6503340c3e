// DXT1..DXT5 block decoding into 16 colours.
#include <cstdint>

#include "dxt_block.h"
#include "dxt_palette.h"

namespace d3dx {

using namespace dxt;

namespace {

// The DXT1 layout, also the colour half of DXT2..DXT5: four colours when colour0 > colour1,
// else three and transparent black.
void DecodeColorBlock(D3DXCOLOR* out, const BYTE* block) {
  const WORD c0 = ReadWord(block), c1 = ReadWord(block + 2);
  D3DXCOLOR palette[4] = {ColorFrom565(c0), ColorFrom565(c1)};
  const D3DXCOLOR span = palette[1] - palette[0];
  if (c0 > c1) {
    palette[2] = palette[0] + span * kThird;
    palette[3] = palette[0] + span * kTwoThirds;
  } else {
    palette[2] = (palette[0] + palette[1]) * 0.5f;
    palette[3] = D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f);
  }
  const DWORD indices = block[4] | block[5] << 8 | block[6] << 16 | DWORD(block[7]) << 24;
  for (UINT i = 0; i < kDxtBlockTexels; ++i) out[i] = palette[(indices >> (2 * i)) & 3];
}

void DecodeExplicitAlpha(D3DXCOLOR* out, const BYTE* block) {
  for (UINT i = 0; i < kDxtBlockTexels; ++i) out[i].a = float((block[i / 2] >> (4 * (i & 1))) & 15) * kUnit4;
}

void DecodeInterpolatedAlpha(D3DXCOLOR* out, const BYTE* block) {
  float palette[8];
  AlphaPalette(block[0], block[1], palette);
  uint64_t indices = 0;
  for (int i = 0; i < 6; ++i) indices |= uint64_t(block[2 + i]) << (8 * i);
  for (UINT i = 0; i < kDxtBlockTexels; ++i) out[i].a = palette[(indices >> (3 * i)) & 7];
}

// Stored colour is premultiplied; a colour at or above its alpha saturates.
void Unpremultiply(D3DXCOLOR* out) {
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    D3DXCOLOR& c = out[i];
    if (c.a == 0.0f) {
      c.r = c.g = c.b = 0.0f;
    } else if (c.a < 1.0f) {
      c.r = c.r < c.a ? c.r / c.a : 1.0f;
      c.g = c.g < c.a ? c.g / c.a : 1.0f;
      c.b = c.b < c.a ? c.b / c.a : 1.0f;
    }
  }
}

// DXT2..DXT5: the colour half, its alphas replaced from the alpha half; the premultiplied
// formats then divide the colour by alpha.
template <void (*DecodeAlpha)(D3DXCOLOR*, const BYTE*), bool Premultiplied>
void DecodeWithAlpha(D3DXCOLOR* out16, const BYTE* block) {
  DecodeColorBlock(out16, block + 8);
  DecodeAlpha(out16, block);
  if (Premultiplied) Unpremultiply(out16);
}

}  // namespace

void DecodeDXT1Block(D3DXCOLOR* out16, const BYTE* block) { DecodeColorBlock(out16, block); }
void DecodeDXT2Block(D3DXCOLOR* out16, const BYTE* block) {
  DecodeWithAlpha<DecodeExplicitAlpha, true>(out16, block);
}
void DecodeDXT3Block(D3DXCOLOR* out16, const BYTE* block) {
  DecodeWithAlpha<DecodeExplicitAlpha, false>(out16, block);
}
void DecodeDXT4Block(D3DXCOLOR* out16, const BYTE* block) {
  DecodeWithAlpha<DecodeInterpolatedAlpha, true>(out16, block);
}
void DecodeDXT5Block(D3DXCOLOR* out16, const BYTE* block) {
  DecodeWithAlpha<DecodeInterpolatedAlpha, false>(out16, block);
}

void DecodeDxtBlock(D3DFORMAT format, D3DXCOLOR* out16, const BYTE* block) {
  switch (format) {
    case D3DFMT_DXT1:
      return DecodeDXT1Block(out16, block);
    case D3DFMT_DXT2:
      return DecodeDXT2Block(out16, block);
    case D3DFMT_DXT3:
      return DecodeDXT3Block(out16, block);
    case D3DFMT_DXT4:
      return DecodeDXT4Block(out16, block);
    case D3DFMT_DXT5:
      return DecodeDXT5Block(out16, block);
    default:
      return;
  }
}

}  // namespace d3dx
