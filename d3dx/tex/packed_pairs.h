// The packed formats that store two pixels per 32-bit word: YUY2 and UYVY (own Y, shared U and V),
// R8G8_B8G8 and G8R8_G8B8 (own G, shared R and B). The low 16 bits hold the first pixel.
#pragma once
#include <d3dx9.h>

namespace d3dx {

enum class PackedLayout {
  Yuy2,  // Y0 U Y1 V
  Uyvy,  // U Y0 V Y1
  Rgbg,  // G0 R G1 B
  Grgb,  // R G0 B G1
};

// The layout of a packed format; false for any other format.
bool PackedLayoutOf(D3DFORMAT format, PackedLayout* layout);

// One word to two colours (a = 1; YUV colours clamped to [0, 1]).
void DecodePackedPair(PackedLayout layout, DWORD word, D3DXCOLOR out[2]);
// Two colours to one word; the shared bytes come from the first pixel. The caller holds
// round-toward-zero.
DWORD EncodePackedPair(PackedLayout layout, const D3DXCOLOR in[2]);

}  // namespace d3dx
