#include "formats.h"

#include <cmath>
#include <cstring>

namespace d3d9rt {
namespace {

// format, bytes, block, depth, stencil, alpha, texture, renderTarget
const FormatInfo kFormats[] = {
    {D3DFMT_A8R8G8B8, 4, false, false, false, true, true, true},
    {D3DFMT_X8R8G8B8, 4, false, false, false, false, true, true},
    {D3DFMT_R5G6B5, 2, false, false, false, false, true, false},
    {D3DFMT_X1R5G5B5, 2, false, false, false, false, true, false},
    {D3DFMT_A1R5G5B5, 2, false, false, false, true, true, false},
    {D3DFMT_A4R4G4B4, 2, false, false, false, true, true, false},
    {D3DFMT_X4R4G4B4, 2, false, false, false, false, true, false},
    {D3DFMT_R3G3B2, 1, false, false, false, false, true, false},
    {D3DFMT_A8R3G3B2, 2, false, false, false, true, true, false},
    {D3DFMT_A8, 1, false, false, false, true, true, false},
    {D3DFMT_L8, 1, false, false, false, false, true, false},
    {D3DFMT_A8L8, 2, false, false, false, true, true, false},
    {D3DFMT_A4L4, 1, false, false, false, true, true, false},
    {D3DFMT_L16, 2, false, false, false, false, true, false},
    {D3DFMT_A8B8G8R8, 4, false, false, false, true, true, false},
    {D3DFMT_X8B8G8R8, 4, false, false, false, false, true, false},
    {D3DFMT_A2R10G10B10, 4, false, false, false, true, true, false},
    {D3DFMT_A2B10G10R10, 4, false, false, false, true, true, false},
    {D3DFMT_G16R16, 4, false, false, false, false, true, false},
    {D3DFMT_A16B16G16R16, 8, false, false, false, true, true, false},
    {D3DFMT_R16F, 2, false, false, false, false, true, false},
    {D3DFMT_G16R16F, 4, false, false, false, false, true, false},
    {D3DFMT_A16B16G16R16F, 8, false, false, false, true, true, false},
    {D3DFMT_R32F, 4, false, false, false, false, true, false},
    {D3DFMT_G32R32F, 8, false, false, false, false, true, false},
    {D3DFMT_A32B32G32R32F, 16, false, false, false, true, true, false},
    {D3DFMT_DXT1, 8, true, false, false, true, true, false},
    {D3DFMT_DXT2, 16, true, false, false, true, true, false},
    {D3DFMT_DXT3, 16, true, false, false, true, true, false},
    {D3DFMT_DXT4, 16, true, false, false, true, true, false},
    {D3DFMT_DXT5, 16, true, false, false, true, true, false},
    {D3DFMT_D16, 4, false, true, false, false, false, false},
    {D3DFMT_D24S8, 4, false, true, true, false, false, false},
    {D3DFMT_D24X8, 4, false, true, false, false, false, false},
    {D3DFMT_D32, 4, false, true, false, false, false, false},
};

inline uint32_t expand(uint32_t v, int bits) {
  switch (bits) {
    case 1:
      return v ? 255 : 0;
    case 2:
      return v * 85;
    case 3:
      return (v << 5) | (v << 2) | (v >> 1);
    case 4:
      return v * 17;
    case 5:
      return (v << 3) | (v >> 2);
    case 6:
      return (v << 2) | (v >> 4);
    case 8:
      return v;
    case 10:
      return (v * 255 + 511) / 1023;
    default:
      return (v * 255 + 32767) / 65535;  // 16
  }
}

inline uint32_t quantise(uint32_t c8, int bits) {
  uint32_t max = (1u << bits) - 1;
  return (c8 * max + 127) / 255;
}

inline uint32_t unit(float f) {
  if (!(f > 0.0f)) return 0;  // also NaN
  if (f >= 1.0f) return 255;
  return (uint32_t)(f * 255.0f + 0.5f);
}

float half(uint16_t h) {
  uint32_t sign = h >> 15, exp = (h >> 10) & 31, man = h & 1023;
  float v;
  if (exp == 0)
    v = std::ldexp((float)man, -24);
  else if (exp == 31)
    v = man ? NAN : INFINITY;
  else
    v = std::ldexp((float)(man | 1024), (int)exp - 25);
  return sign ? -v : v;
}

uint16_t toHalf(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  uint32_t sign = (bits >> 16) & 0x8000;
  float a = std::fabs(f);
  if (a != a) return (uint16_t)(sign | 0x7E00);
  if (a >= 65520.0f) return (uint16_t)(sign | 0x7C00);
  if (a < 6.1035156e-05f) return (uint16_t)(sign | (uint32_t)(a * 16777216.0f + 0.5f));
  int e;
  float m = std::frexp(a, &e);                    // a = m * 2^e, m in [0.5, 1)
  uint32_t man = (uint32_t)(m * 2048.0f + 0.5f);  // 11 bits with the implicit one
  if (man == 2048) {
    man = 1024;
    e++;
  }
  return (uint16_t)(sign | ((uint32_t)(e + 14) << 10) | (man & 1023));
}

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

template <class T>
inline T load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
inline void store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

const FormatInfo* formatInfo(D3DFORMAT format) {
  for (const FormatInfo& f : kFormats)
    if (f.format == format) return &f;
  return nullptr;
}

UINT formatRowPitch(const FormatInfo& info, UINT width) {
  return info.block ? ((width + 3) / 4) * info.bytes : width * info.bytes;
}

UINT formatRowCount(const FormatInfo& info, UINT height) { return info.block ? (height + 3) / 4 : height; }

void decodeRow(const FormatInfo& info, const uint8_t* s, UINT width, uint32_t* d) {
  switch (info.format) {
    case D3DFMT_A8R8G8B8:
      std::memcpy(d, s, width * 4);
      break;
    case D3DFMT_X8R8G8B8:
      for (UINT x = 0; x < width; ++x) d[x] = load<uint32_t>(s + 4 * x) | 0xFF000000u;
      break;
    case D3DFMT_R5G6B5:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = load<uint16_t>(s + 2 * x);
        d[x] = argb(255, expand(v >> 11, 5), expand((v >> 5) & 63, 6), expand(v & 31, 5));
      }
      break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = load<uint16_t>(s + 2 * x);
        uint32_t a = info.alpha ? expand(v >> 15, 1) : 255;
        d[x] = argb(a, expand((v >> 10) & 31, 5), expand((v >> 5) & 31, 5), expand(v & 31, 5));
      }
      break;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = load<uint16_t>(s + 2 * x);
        uint32_t a = info.alpha ? expand(v >> 12, 4) : 255;
        d[x] = argb(a, expand((v >> 8) & 15, 4), expand((v >> 4) & 15, 4), expand(v & 15, 4));
      }
      break;
    case D3DFMT_R3G3B2:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = s[x];
        d[x] = argb(255, expand(v >> 5, 3), expand((v >> 2) & 7, 3), expand(v & 3, 2));
      }
      break;
    case D3DFMT_A8R3G3B2:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = load<uint16_t>(s + 2 * x);
        d[x] = argb(v >> 8, expand((v >> 5) & 7, 3), expand((v >> 2) & 7, 3), expand(v & 3, 2));
      }
      break;
    case D3DFMT_A8:
      for (UINT x = 0; x < width; ++x) d[x] = (uint32_t)s[x] << 24;
      break;
    case D3DFMT_L8:
      for (UINT x = 0; x < width; ++x) d[x] = argb(255, s[x], s[x], s[x]);
      break;
    case D3DFMT_A8L8:
      for (UINT x = 0; x < width; ++x) d[x] = argb(s[2 * x + 1], s[2 * x], s[2 * x], s[2 * x]);
      break;
    case D3DFMT_A4L4:
      for (UINT x = 0; x < width; ++x) {
        uint32_t l = expand(s[x] & 15, 4);
        d[x] = argb(expand(s[x] >> 4, 4), l, l, l);
      }
      break;
    case D3DFMT_L16:
      for (UINT x = 0; x < width; ++x) {
        uint32_t l = expand(load<uint16_t>(s + 2 * x), 16);
        d[x] = argb(255, l, l, l);
      }
      break;
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
      for (UINT x = 0; x < width; ++x) {
        const uint8_t* p = s + 4 * x;
        d[x] = argb(info.alpha ? p[3] : 255, p[0], p[1], p[2]);
      }
      break;
    case D3DFMT_A2R10G10B10:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = load<uint32_t>(s + 4 * x);
        d[x] = argb(expand(v >> 30, 2), expand((v >> 20) & 1023, 10), expand((v >> 10) & 1023, 10),
                    expand(v & 1023, 10));
      }
      break;
    case D3DFMT_A2B10G10R10:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = load<uint32_t>(s + 4 * x);
        d[x] = argb(expand(v >> 30, 2), expand(v & 1023, 10), expand((v >> 10) & 1023, 10),
                    expand((v >> 20) & 1023, 10));
      }
      break;
    case D3DFMT_G16R16:
      for (UINT x = 0; x < width; ++x) {
        uint32_t v = load<uint32_t>(s + 4 * x);
        d[x] = argb(255, expand(v & 0xFFFF, 16), expand(v >> 16, 16), 255);
      }
      break;
    case D3DFMT_A16B16G16R16:
      for (UINT x = 0; x < width; ++x) {
        const uint8_t* p = s + 8 * x;
        d[x] = argb(expand(load<uint16_t>(p + 6), 16), expand(load<uint16_t>(p), 16),
                    expand(load<uint16_t>(p + 2), 16), expand(load<uint16_t>(p + 4), 16));
      }
      break;
    case D3DFMT_R16F:
      for (UINT x = 0; x < width; ++x) d[x] = argb(255, unit(half(load<uint16_t>(s + 2 * x))), 255, 255);
      break;
    case D3DFMT_G16R16F:
      for (UINT x = 0; x < width; ++x)
        d[x] =
            argb(255, unit(half(load<uint16_t>(s + 4 * x))), unit(half(load<uint16_t>(s + 4 * x + 2))), 255);
      break;
    case D3DFMT_A16B16G16R16F:
      for (UINT x = 0; x < width; ++x) {
        const uint8_t* p = s + 8 * x;
        d[x] = argb(unit(half(load<uint16_t>(p + 6))), unit(half(load<uint16_t>(p))),
                    unit(half(load<uint16_t>(p + 2))), unit(half(load<uint16_t>(p + 4))));
      }
      break;
    case D3DFMT_R32F:
      for (UINT x = 0; x < width; ++x) d[x] = argb(255, unit(load<float>(s + 4 * x)), 255, 255);
      break;
    case D3DFMT_G32R32F:
      for (UINT x = 0; x < width; ++x)
        d[x] = argb(255, unit(load<float>(s + 8 * x)), unit(load<float>(s + 8 * x + 4)), 255);
      break;
    case D3DFMT_A32B32G32R32F:
      for (UINT x = 0; x < width; ++x) {
        const uint8_t* p = s + 16 * x;
        d[x] = argb(unit(load<float>(p + 12)), unit(load<float>(p)), unit(load<float>(p + 4)),
                    unit(load<float>(p + 8)));
      }
      break;
    default:
      for (UINT x = 0; x < width; ++x) d[x] = 0xFF000000u;
      break;
  }
}

void decodeImage(const FormatInfo& info, const uint8_t* src, UINT srcPitch, UINT width, UINT height,
                 uint32_t* dst, UINT dstPitch) {
  if (!info.block) {
    for (UINT y = 0; y < height; ++y)
      decodeRow(info, src + (size_t)y * srcPitch, width, dst + (size_t)y * dstPitch);
    return;
  }
  uint32_t texels[16];
  for (UINT by = 0; by < (height + 3) / 4; ++by) {
    for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
      decodeDxtBlock(info.format, src + (size_t)by * srcPitch + (size_t)bx * info.bytes, texels);
      for (UINT y = 0; y < 4 && by * 4 + y < height; ++y)
        for (UINT x = 0; x < 4 && bx * 4 + x < width; ++x)
          dst[(size_t)(by * 4 + y) * dstPitch + bx * 4 + x] = texels[y * 4 + x];
    }
  }
}

bool encodeRow(const FormatInfo& info, const uint32_t* s, UINT width, uint8_t* d) {
  for (UINT x = 0; x < width; ++x) {
    uint32_t c = s[x], a = c >> 24, r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    switch (info.format) {
      case D3DFMT_A8R8G8B8:
      case D3DFMT_X8R8G8B8:
        store<uint32_t>(d + 4 * x, c);
        break;
      case D3DFMT_R5G6B5:
        store<uint16_t>(d + 2 * x, (uint16_t)(quantise(r, 5) << 11 | quantise(g, 6) << 5 | quantise(b, 5)));
        break;
      case D3DFMT_X1R5G5B5:
      case D3DFMT_A1R5G5B5:
        store<uint16_t>(d + 2 * x, (uint16_t)((info.alpha ? quantise(a, 1) : 1) << 15 | quantise(r, 5) << 10 |
                                              quantise(g, 5) << 5 | quantise(b, 5)));
        break;
      case D3DFMT_A4R4G4B4:
      case D3DFMT_X4R4G4B4:
        store<uint16_t>(d + 2 * x, (uint16_t)((info.alpha ? quantise(a, 4) : 15) << 12 | quantise(r, 4) << 8 |
                                              quantise(g, 4) << 4 | quantise(b, 4)));
        break;
      case D3DFMT_R3G3B2:
        d[x] = (uint8_t)(quantise(r, 3) << 5 | quantise(g, 3) << 2 | quantise(b, 2));
        break;
      case D3DFMT_A8R3G3B2:
        store<uint16_t>(d + 2 * x,
                        (uint16_t)(a << 8 | quantise(r, 3) << 5 | quantise(g, 3) << 2 | quantise(b, 2)));
        break;
      case D3DFMT_A8:
        d[x] = (uint8_t)a;
        break;
      case D3DFMT_L8:
        d[x] = (uint8_t)((r * 77 + g * 150 + b * 29 + 128) >> 8);
        break;
      case D3DFMT_A8L8:
        d[2 * x] = (uint8_t)((r * 77 + g * 150 + b * 29 + 128) >> 8);
        d[2 * x + 1] = (uint8_t)a;
        break;
      case D3DFMT_A4L4:
        d[x] = (uint8_t)(quantise(a, 4) << 4 | quantise((r * 77 + g * 150 + b * 29 + 128) >> 8, 4));
        break;
      case D3DFMT_L16:
        store<uint16_t>(d + 2 * x, (uint16_t)(((r * 77 + g * 150 + b * 29 + 128) >> 8) * 257));
        break;
      case D3DFMT_A8B8G8R8:
      case D3DFMT_X8B8G8R8:
        store<uint32_t>(d + 4 * x, (info.alpha ? a : 255) << 24 | b << 16 | g << 8 | r);
        break;
      case D3DFMT_A2R10G10B10:
        store<uint32_t>(d + 4 * x, quantise(a, 2) << 30 | quantise(r, 10) << 20 | quantise(g, 10) << 10 |
                                       quantise(b, 10));
        break;
      case D3DFMT_A2B10G10R10:
        store<uint32_t>(d + 4 * x, quantise(a, 2) << 30 | quantise(b, 10) << 20 | quantise(g, 10) << 10 |
                                       quantise(r, 10));
        break;
      case D3DFMT_G16R16:
        store<uint32_t>(d + 4 * x, g * 257 << 16 | r * 257);
        break;
      case D3DFMT_A16B16G16R16:
        store<uint16_t>(d + 8 * x, (uint16_t)(r * 257));
        store<uint16_t>(d + 8 * x + 2, (uint16_t)(g * 257));
        store<uint16_t>(d + 8 * x + 4, (uint16_t)(b * 257));
        store<uint16_t>(d + 8 * x + 6, (uint16_t)(a * 257));
        break;
      case D3DFMT_R16F:
        store<uint16_t>(d + 2 * x, toHalf(r / 255.0f));
        break;
      case D3DFMT_G16R16F:
        store<uint16_t>(d + 4 * x, toHalf(r / 255.0f));
        store<uint16_t>(d + 4 * x + 2, toHalf(g / 255.0f));
        break;
      case D3DFMT_A16B16G16R16F:
        store<uint16_t>(d + 8 * x, toHalf(r / 255.0f));
        store<uint16_t>(d + 8 * x + 2, toHalf(g / 255.0f));
        store<uint16_t>(d + 8 * x + 4, toHalf(b / 255.0f));
        store<uint16_t>(d + 8 * x + 6, toHalf(a / 255.0f));
        break;
      case D3DFMT_R32F:
        store<float>(d + 4 * x, r / 255.0f);
        break;
      case D3DFMT_G32R32F:
        store<float>(d + 8 * x, r / 255.0f);
        store<float>(d + 8 * x + 4, g / 255.0f);
        break;
      case D3DFMT_A32B32G32R32F:
        store<float>(d + 16 * x, r / 255.0f);
        store<float>(d + 16 * x + 4, g / 255.0f);
        store<float>(d + 16 * x + 8, b / 255.0f);
        store<float>(d + 16 * x + 12, a / 255.0f);
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace d3d9rt
