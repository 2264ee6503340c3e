// What the DXT decoder and the encoder must agree on: endpoint colours, the alpha palette and
// the unit of each stored field.
#pragma once
#include <d3dx9.h>

#include <bit>

#include "dxt_encoder.h"

namespace d3dx {
namespace dxt {

// The single-precision numbers nearest 1/(2^n - 1).
inline constexpr float kUnit4 = std::bit_cast<float>(0x3D888889u);
inline constexpr float kUnit5 = std::bit_cast<float>(0x3D042108u);
inline constexpr float kUnit6 = std::bit_cast<float>(0x3C820821u);
inline constexpr float kUnit8 = std::bit_cast<float>(0x3B808081u);

inline D3DXCOLOR ColorFrom565(WORD c) {
  return D3DXCOLOR(float(c >> 11) * kUnit5, float((c >> 5) & 63) * kUnit6, float(c & 31) * kUnit5, 1.0f);
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
