// The plain packed box routines, one template over the pixel size and two channel masks, and
// the choice of routine per format.
#include "box_packed.h"

#include <cstdint>
#include <cstring>

#include "../math/dispatch.h"

namespace d3dx {
namespace {

// Two bits above every channel of a mask are free, so four channels sum without touching
// their neighbours, and the two bits below every channel (where the shift drops the remainder)
// are outside the mask. The rounding constant puts 2 at each channel's lowest bit.
constexpr uint64_t RoundingOf(uint32_t mask) { return uint64_t(mask & ~(mask << 1)) << 1; }

template <class Pixel>
inline uint64_t Load(const BYTE* p) {
  Pixel v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class Pixel, uint32_t kLow, uint32_t kHigh>
void HalveRowPlain(const BYTE* row0, const BYTE* row1, BYTE* out, UINT destWidth) {
  constexpr size_t n = sizeof(Pixel);
  for (UINT x = 0; x < destWidth; ++x) {
    const uint64_t a = Load<Pixel>(row0 + 2 * n * x), b = Load<Pixel>(row0 + 2 * n * x + n);
    const uint64_t c = Load<Pixel>(row1 + 2 * n * x), d = Load<Pixel>(row1 + 2 * n * x + n);
    const uint64_t low = ((a & kLow) + (b & kLow) + (c & kLow) + (d & kLow) + RoundingOf(kLow)) >> 2;
    const uint64_t high = ((a & kHigh) + (b & kHigh) + (c & kHigh) + (d & kHigh) + RoundingOf(kHigh)) >> 2;
    const Pixel v = Pixel((low & kLow) | (high & kHigh));
    std::memcpy(out + n * x, &v, n);
  }
}

template <UINT kKeep, bool kWide>
void HalveRow32Simd(const BYTE* row0, const BYTE* row1, BYTE* out, UINT destWidth) {
  (kWide ? HalveRow32Avx2 : HalveRow32Sse2)(row0, row1, out, destWidth, kKeep);
}

}  // namespace

PackedHalveRow FindPackedHalveRow(D3DFORMAT format, PackedPath path) {
  const bool simd = path == PackedPath::Simd;
  static const bool wide = MathProcessorHasAvx2Fma();
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A8B8G8R8:
      return simd ? (wide ? HalveRow32Simd<0xFFFFFFFFu, true> : HalveRow32Simd<0xFFFFFFFFu, false>)
                  : HalveRowPlain<uint32_t, 0x00FF00FF, 0xFF00FF00>;
    case D3DFMT_X8R8G8B8:
    case D3DFMT_X8B8G8R8:
      return simd ? (wide ? HalveRow32Simd<0x00FFFFFFu, true> : HalveRow32Simd<0x00FFFFFFu, false>)
                  : HalveRowPlain<uint32_t, 0x00FF00FF, 0x0000FF00>;
    case D3DFMT_R5G6B5:
      return HalveRowPlain<uint16_t, 0xF81F, 0x07E0>;
    case D3DFMT_X1R5G5B5:
      return HalveRowPlain<uint16_t, 0x7C1F, 0x03E0>;
    case D3DFMT_A1R5G5B5:
      return HalveRowPlain<uint16_t, 0x7C1F, 0x83E0>;
    case D3DFMT_A4R4G4B4:
      return HalveRowPlain<uint16_t, 0x0F0F, 0xF0F0>;
    case D3DFMT_X4R4G4B4:
      return HalveRowPlain<uint16_t, 0x0F0F, 0x00F0>;
    case D3DFMT_A8R3G3B2:
      return HalveRowPlain<uint16_t, 0x00E3, 0xFF1C>;
    case D3DFMT_A8L8:
      return HalveRowPlain<uint16_t, 0x00FF, 0xFF00>;
    case D3DFMT_R3G3B2:
      return HalveRowPlain<uint8_t, 0xE3, 0x1C>;
    case D3DFMT_A8:
    case D3DFMT_L8:
      return HalveRowPlain<uint8_t, 0xFF, 0x00>;
    case D3DFMT_A4L4:
      return HalveRowPlain<uint8_t, 0x0F, 0xF0>;
    default:
      return nullptr;
  }
}

}  // namespace d3dx
