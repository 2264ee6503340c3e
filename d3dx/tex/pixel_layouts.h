// Bit layouts of the per-pixel integer formats and the portable loops that decode and encode
// them. The processor-specific kernels use the same loops for the pixels after their last full
// vector.
#pragma once
#include <d3dx9math.h>

#include <cstdint>
#include <cstring>

namespace d3dx {

// One channel field of the little-endian pixel value; bits = 0 means the channel is not stored.
struct PixelField {
  uint8_t shift, bits;
  bool isSigned;
  float absent;  // decoded value when not stored
};

struct IntegerLayout {
  UINT bytes;
  bool luminance;  // r holds L: decoding spreads it over r, g, b, encoding weighs r, g, b into it
  PixelField r, g, b, a;
};

// Luminance weights of r, g and b.
constexpr float kLumR = 0.2125f, kLumG = 0.7154f, kLumB = 0.0721f;

namespace layout {

constexpr PixelField U(uint8_t shift, uint8_t bits) { return {shift, bits, false, 0.0f}; }
constexpr PixelField S(uint8_t shift, uint8_t bits) { return {shift, bits, true, 0.0f}; }
constexpr PixelField One = {0, 0, false, 1.0f};
constexpr PixelField Zero = {0, 0, false, 0.0f};

constexpr IntegerLayout R8G8B8 = {3, false, U(16, 8), U(8, 8), U(0, 8), One};
constexpr IntegerLayout A8R8G8B8 = {4, false, U(16, 8), U(8, 8), U(0, 8), U(24, 8)};
constexpr IntegerLayout X8R8G8B8 = {4, false, U(16, 8), U(8, 8), U(0, 8), One};
constexpr IntegerLayout R5G6B5 = {2, false, U(11, 5), U(5, 6), U(0, 5), One};
constexpr IntegerLayout X1R5G5B5 = {2, false, U(10, 5), U(5, 5), U(0, 5), One};
constexpr IntegerLayout A1R5G5B5 = {2, false, U(10, 5), U(5, 5), U(0, 5), U(15, 1)};
constexpr IntegerLayout A4R4G4B4 = {2, false, U(8, 4), U(4, 4), U(0, 4), U(12, 4)};
constexpr IntegerLayout X4R4G4B4 = {2, false, U(8, 4), U(4, 4), U(0, 4), One};
constexpr IntegerLayout R3G3B2 = {1, false, U(5, 3), U(2, 3), U(0, 2), One};
constexpr IntegerLayout A8 = {1, false, Zero, Zero, Zero, U(0, 8)};
constexpr IntegerLayout A8R3G3B2 = {2, false, U(5, 3), U(2, 3), U(0, 2), U(8, 8)};
constexpr IntegerLayout A2B10G10R10 = {4, false, U(0, 10), U(10, 10), U(20, 10), U(30, 2)};
constexpr IntegerLayout A2R10G10B10 = {4, false, U(20, 10), U(10, 10), U(0, 10), U(30, 2)};
constexpr IntegerLayout A8B8G8R8 = {4, false, U(0, 8), U(8, 8), U(16, 8), U(24, 8)};
constexpr IntegerLayout X8B8G8R8 = {4, false, U(0, 8), U(8, 8), U(16, 8), One};
constexpr IntegerLayout G16R16 = {4, false, U(0, 16), U(16, 16), One, One};
constexpr IntegerLayout A16B16G16R16 = {8, false, U(0, 16), U(16, 16), U(32, 16), U(48, 16)};
constexpr IntegerLayout R16G16B16 = {6, false, U(32, 16), U(16, 16), U(0, 16), One};
constexpr IntegerLayout L8 = {1, true, U(0, 8), Zero, Zero, One};
constexpr IntegerLayout A8L8 = {2, true, U(0, 8), Zero, Zero, U(8, 8)};
constexpr IntegerLayout A4L4 = {1, true, U(0, 4), Zero, Zero, U(4, 4)};
constexpr IntegerLayout L16 = {2, true, U(0, 16), Zero, Zero, One};
constexpr IntegerLayout A16L16 = {4, true, U(0, 16), Zero, Zero, U(16, 16)};
constexpr IntegerLayout V8U8 = {2, false, S(0, 8), S(8, 8), One, One};
constexpr IntegerLayout L6V5U5 = {2, false, S(0, 5), S(5, 5), One, U(10, 6)};
constexpr IntegerLayout X8L8V8U8 = {4, false, S(0, 8), S(8, 8), One, U(16, 8)};
constexpr IntegerLayout Q8W8V8U8 = {4, false, S(0, 8), S(8, 8), S(16, 8), S(24, 8)};
constexpr IntegerLayout V16U16 = {4, false, S(0, 16), S(16, 16), One, One};
constexpr IntegerLayout A2W10V10U10 = {4, false, S(0, 10), S(10, 10), S(20, 10), U(30, 2)};
constexpr IntegerLayout Q16W16V16U16 = {8, false, S(0, 16), S(16, 16), S(32, 16), S(48, 16)};

}  // namespace layout

// The float nearest 1 / (2^n - 1) for unsigned fields and 1 / (2^(n-1) - 1) for signed ones.
constexpr float FieldScale(const PixelField& f) {
  return f.isSigned ? 1.0f / float((1u << (f.bits - 1)) - 1) : 1.0f / float((1ull << f.bits) - 1);
}
// The largest stored magnitude: 2^n - 1, or 2^(n-1) - 1 for signed fields.
constexpr float FieldRange(const PixelField& f) {
  return f.isSigned ? float((1u << (f.bits - 1)) - 1) : float((1ull << f.bits) - 1);
}

// Saturation: below lo gives lo; not below hi (NaN included) gives hi.
inline float Saturate(float v, float lo, float hi) { return v < lo ? lo : (v < hi ? v : hi); }

template <UINT Bytes>
inline uint64_t LoadPixel(const BYTE* p) {
  uint64_t v = 0;
  std::memcpy(&v, p, Bytes);
  return v;
}
template <UINT Bytes>
inline void StorePixel(BYTE* p, uint64_t v) {
  std::memcpy(p, &v, Bytes);
}

template <const PixelField& F>
inline float DecodeField(uint64_t pixel) {
  if constexpr (F.bits == 0) {
    return F.absent;
  } else if constexpr (F.isSigned) {
    constexpr uint32_t mask = (1u << F.bits) - 1, sign = 1u << (F.bits - 1);
    int32_t v = static_cast<int32_t>(static_cast<uint32_t>(pixel >> F.shift) & mask);
    if (v & sign) v -= static_cast<int32_t>(mask) + 1;
    if (v == -static_cast<int32_t>(sign)) ++v;  // the most negative value reads as -1 too
    return static_cast<float>(v) * FieldScale(F);
  } else {
    constexpr uint64_t mask = (1ull << F.bits) - 1;
    return static_cast<float>(static_cast<uint32_t>((pixel >> F.shift) & mask)) * FieldScale(F);
  }
}

template <const PixelField& F>
inline uint64_t EncodeField(float v, float offset) {
  if constexpr (F.bits == 0) {
    return 0;
  } else {
    constexpr uint64_t mask = (1ull << F.bits) - 1;
    const float s = F.isSigned ? Saturate(v, -1.0f, 1.0f) : Saturate(v, 0.0f, 1.0f);
    const int64_t q = static_cast<int64_t>(s * FieldRange(F) + offset);
    return (static_cast<uint64_t>(q) & mask) << F.shift;
  }
}

// A field of a layout by member: a subobject cannot be a template argument everywhere (clang
// before 18 refuses one), a static copy of it can.
template <const IntegerLayout& L, PixelField IntegerLayout::*M>
inline float DecodeMember(uint64_t pixel) {
  static constexpr PixelField kField = L.*M;
  return DecodeField<kField>(pixel);
}
template <const IntegerLayout& L, PixelField IntegerLayout::*M>
inline uint64_t EncodeMember(float v, float offset) {
  static constexpr PixelField kField = L.*M;
  return EncodeField<kField>(v, offset);
}

template <const IntegerLayout& L>
void DecodeIntegerPixels(const BYTE* src, D3DXCOLOR* out, UINT n) {
  for (UINT x = 0; x < n; ++x, src += L.bytes) {
    const uint64_t p = LoadPixel<L.bytes>(src);
    if constexpr (L.luminance) {
      const float l = DecodeMember<L, &IntegerLayout::r>(p);
      out[x] = D3DXCOLOR(l, l, l, DecodeMember<L, &IntegerLayout::a>(p));
    } else {
      out[x] = D3DXCOLOR(DecodeMember<L, &IntegerLayout::r>(p), DecodeMember<L, &IntegerLayout::g>(p),
                         DecodeMember<L, &IntegerLayout::b>(p), DecodeMember<L, &IntegerLayout::a>(p));
    }
  }
}

// Round-toward-zero must be in force.
template <const IntegerLayout& L>
void EncodeIntegerPixels(const D3DXCOLOR* in, BYTE* dst, UINT n, const float* ditherRow) {
  for (UINT x = 0; x < n; ++x, dst += L.bytes) {
    const D3DXCOLOR& c = in[x];
    const float off = ditherRow[x & 3];
    uint64_t p;
    if constexpr (L.luminance) {
      const float r = Saturate(c.r, 0.0f, 1.0f), g = Saturate(c.g, 0.0f, 1.0f), b = Saturate(c.b, 0.0f, 1.0f);
      p = EncodeMember<L, &IntegerLayout::r>(kLumR * r + kLumG * g + kLumB * b, off) |
          EncodeMember<L, &IntegerLayout::a>(c.a, off);
    } else {
      p = EncodeMember<L, &IntegerLayout::r>(c.r, off) | EncodeMember<L, &IntegerLayout::g>(c.g, off) |
          EncodeMember<L, &IntegerLayout::b>(c.b, off) | EncodeMember<L, &IntegerLayout::a>(c.a, off);
    }
    StorePixel<L.bytes>(dst, p);
  }
}

}  // namespace d3dx
