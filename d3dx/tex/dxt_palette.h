// What the DXT decoder and the encoder must agree on: endpoint colours, the alpha palette and
// the unit of each stored field.
#pragma once
#include <d3dx9.h>

#include "dxt_encoder.h"
#include "pixel_layouts.h"

namespace d3dx {
namespace dxt {

// The units of the stored fields: the floats nearest 1/15, 1/31, 1/63 and 1/255.
inline constexpr float kUnit4 = FieldScale(layout::A4R4G4B4.a);
inline constexpr float kUnit5 = FieldScale(layout::R5G6B5.r);
inline constexpr float kUnit6 = FieldScale(layout::R5G6B5.g);
inline constexpr float kUnit8 = FieldScale(layout::A8R8G8B8.a);

// An endpoint, decoded as an R5G6B5 pixel.
inline D3DXCOLOR ColorFrom565(WORD c) {
  D3DXCOLOR out;
  DecodeIntegerPixels<layout::R5G6B5>(reinterpret_cast<const BYTE*>(&c), &out, 1);
  return out;
}

inline WORD ReadWord(const BYTE* p) { return WORD(p[0] | p[1] << 8); }
inline void WriteWord(BYTE* p, WORD v) { p[0] = BYTE(v), p[1] = BYTE(v >> 8); }

// The eight alphas of a DXT4/DXT5 block: interpolated 8 ways when alpha1 < alpha0, else 6 ways
// plus exact 0 and 1.
inline void AlphaPalette(BYTE alpha0, BYTE alpha1, float palette[8]) {
  const float a0 = float(alpha0) * kUnit8, a1 = float(alpha1) * kUnit8;
  palette[0] = a0;
  palette[1] = a1;
  if (alpha1 < alpha0) {
    for (int i = 1; i <= 6; ++i) palette[i + 1] = (float(7 - i) * a0 + float(i) * a1) * kSeventh;
  } else {
    for (int i = 1; i <= 4; ++i) palette[i + 1] = (float(5 - i) * a0 + float(i) * a1) * kFifth;
    palette[6] = 0.0f;
    palette[7] = 1.0f;
  }
}

}  // namespace dxt
}  // namespace d3dx
