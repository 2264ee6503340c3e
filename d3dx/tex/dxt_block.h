// One 4x4 block of DXT1..DXT5 data to or from 16 colours in row-major order (texel 0 is the
// block's top-left, texel 4 the first of its second row).
#pragma once
#include <d3dx9.h>

namespace d3dx {

inline constexpr UINT kDxtBlockTexels = 16;

void DecodeDXT1Block(D3DXCOLOR* out16, const BYTE* block);
void DecodeDXT2Block(D3DXCOLOR* out16, const BYTE* block);
void DecodeDXT3Block(D3DXCOLOR* out16, const BYTE* block);
void DecodeDXT4Block(D3DXCOLOR* out16, const BYTE* block);
void DecodeDXT5Block(D3DXCOLOR* out16, const BYTE* block);

// The encoders run in round-toward-zero and restore the caller's rounding mode. Channels are
// saturated to [0, 1] first (NaN counts as 1).
void EncodeDXT1Block(BYTE* block, const D3DXCOLOR* in16);
void EncodeDXT2Block(BYTE* block, const D3DXCOLOR* in16);
void EncodeDXT3Block(BYTE* block, const D3DXCOLOR* in16);
void EncodeDXT4Block(BYTE* block, const D3DXCOLOR* in16);
void EncodeDXT5Block(BYTE* block, const D3DXCOLOR* in16);

// The same by format (DXT1..DXT5); a format outside them does nothing.
void DecodeDxtBlock(D3DFORMAT format, D3DXCOLOR* out16, const BYTE* block);
void EncodeDxtBlock(D3DFORMAT format, BYTE* block, const D3DXCOLOR* in16);

}  // namespace d3dx
