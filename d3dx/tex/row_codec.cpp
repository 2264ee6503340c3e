// What every row codec shares: the tables, kind conversion, gamma, colour keys, and the factory.
#include "row_codec.h"

#include <new>

#include "../math/cpu.h"
#include "../math/mathutil.h"
#include "round_mode.h"

namespace d3dx {
namespace {

// x^p for x in [0, 1] in double, at compile time: exp(p * ln x) with argument reduction.
constexpr double kLn2 = 0.69314718055994530942;

constexpr double ConstLog(double x) {
  int e = 0;
  while (x >= 2) x /= 2, ++e;
  while (x < 1) x *= 2, --e;
  const double s = (x - 1) / (x + 1), s2 = s * s;
  double term = s, sum = 0;
  for (int k = 1; k < 80; k += 2) sum += term / k, term *= s2;
  return 2 * sum + e * kLn2;
}

constexpr double ConstExp(double y) {
  const long k = static_cast<long>(y < 0 ? y / kLn2 - 0.5 : y / kLn2 + 0.5);
  const double r = y - k * kLn2;
  double term = 1, sum = 1;
  for (int n = 1; n < 40; ++n) term *= r / n, sum += term;
  for (long i = 0; i < k; ++i) sum *= 2;
  for (long i = 0; i > k; --i) sum /= 2;
  return sum;
}

constexpr std::array<float, 256> MakeGammaTable(double power) {
  std::array<float, 256> t{};
  for (int i = 0; i < 255; ++i)
    t[i] = i == 0 ? 0.0f : static_cast<float>(ConstExp(power * ConstLog(i / 254.0)));
  t[255] = 1.0f;
  return t;
}
constexpr std::array<float, 256> kGammaEncode = MakeGammaTable(1 / 1.1);
constexpr std::array<float, 256> kGammaDecode = MakeGammaTable(1.1);

constexpr std::array<float, 32> MakeBayer() {
  constexpr int m[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};
  std::array<float, 32> t{};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) t[y * 8 + x] = (m[y][x & 3] + 0.5f) / 16;
  return t;
}
constexpr std::array<float, 32> kBayer = MakeBayer();

// Linear interpolation in a gamma table; indices past the table's end extrapolate its last
// segment, and negative or NaN indices read entry 0, so that FLOAT colours outside [0, 1]
// never index outside the table.
inline float GammaLookup(const float* table, float index) {
  if (!(index > 0.0f)) index = 0.0f;
  const int i = index >= 254.0f ? 254 : static_cast<int>(index);
  return table[i] + (table[i + 1] - table[i]) * (index - static_cast<float>(i));
}

inline float Sqrt(float x) { return x > 0.0f ? x * ApproxInvSqrt(mathutil::Bits(x)) : 0.0f; }

inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v < hi ? v : hi); }

void ConvertKind(NumericKind to, NumericKind from, const D3DXCOLOR* in, D3DXCOLOR* out, UINT n) {
  using K = NumericKind;
  for (UINT i = 0; i < n; ++i) {
    D3DXCOLOR c = in[i];
    switch (to) {
      case K::UNORM:
        if (from == K::SNORM3) {
          c.r = (c.r + 1.0f) * 0.5f, c.g = (c.g + 1.0f) * 0.5f, c.b = (c.b + 1.0f) * 0.5f;
        } else if (from == K::SNORM4) {
          c.r = (c.r + 1.0f) * 0.5f, c.g = (c.g + 1.0f) * 0.5f, c.b = (c.b + 1.0f) * 0.5f;
          c.a = (c.a + 1.0f) * 0.5f;
        } else if (from == K::FLOAT) {
          c.r = Clamp(c.r, 0, 1), c.g = Clamp(c.g, 0, 1), c.b = Clamp(c.b, 0, 1), c.a = Clamp(c.a, 0, 1);
        }
        break;
      case K::SNORM3:
        if (from == K::UNORM) {
          c.r = 2 * c.r - 1, c.g = 2 * c.g - 1, c.b = 2 * c.b - 1;
        } else if (from == K::SNORM4) {
          c.a = (c.a + 1.0f) * 0.5f;
        } else if (from == K::FLOAT) {
          c.r = Clamp(c.r, -1, 1), c.g = Clamp(c.g, -1, 1), c.b = Clamp(c.b, -1, 1), c.a = Clamp(c.a, 0, 1);
        }
        break;
      case K::SNORM4:
        if (from == K::UNORM) {
          c.r = 2 * c.r - 1, c.g = 2 * c.g - 1, c.b = 2 * c.b - 1, c.a = 2 * c.a - 1;
        } else if (from == K::SNORM3) {
          c.a = 2 * c.a - 1;
        } else if (from == K::FLOAT) {
          c.r = Clamp(c.r, -1, 1), c.g = Clamp(c.g, -1, 1), c.b = Clamp(c.b, -1, 1), c.a = Clamp(c.a, -1, 1);
        }
        break;
      case K::NONE:
      case K::FLOAT:
        break;
    }
    out[i] = c;
  }
}

// SNORM4 formats store no gamma; of the SNORM3 formats only L6V5U5 has an unsigned channel.
bool KeepsSrgb(D3DFORMAT format, NumericKind kind) {
  if (kind == NumericKind::SNORM4) return false;
  if (kind == NumericKind::SNORM3) return format == D3DFMT_L6V5U5;
  return true;
}

}  // namespace

const float RoundingOffsets[32] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
                                   0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f,
                                   0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
#define SKYVALE_E4(t, i) t[i], t[i + 1], t[i + 2], t[i + 3]
#define SKYVALE_E16(t, i) SKYVALE_E4(t, i), SKYVALE_E4(t, i + 4), SKYVALE_E4(t, i + 8), SKYVALE_E4(t, i + 12)
#define SKYVALE_E64(t, i) \
  SKYVALE_E16(t, i), SKYVALE_E16(t, i + 16), SKYVALE_E16(t, i + 32), SKYVALE_E16(t, i + 48)
const float BayerOffsets[32] = {SKYVALE_E16(kBayer, 0), SKYVALE_E16(kBayer, 16)};
const float GammaEncodeTable[256] = {SKYVALE_E64(kGammaEncode, 0), SKYVALE_E64(kGammaEncode, 64),
                                     SKYVALE_E64(kGammaEncode, 128), SKYVALE_E64(kGammaEncode, 192)};
const float GammaDecodeTable[256] = {SKYVALE_E64(kGammaDecode, 0), SKYVALE_E64(kGammaDecode, 64),
                                     SKYVALE_E64(kGammaDecode, 128), SKYVALE_E64(kGammaDecode, 192)};
#undef SKYVALE_E64
#undef SKYVALE_E16
#undef SKYVALE_E4

NumericKind KindOf(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_V16U16:
    case D3DFMT_A2W10V10U10:
    case D3DFMT_CxV8U8:
      return NumericKind::SNORM3;
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_Q16W16V16U16:
      return NumericKind::SNORM4;
    case D3DFMT_D32F_LOCKABLE:
    case D3DFMT_R16F:
    case D3DFMT_G16R16F:
    case D3DFMT_A16B16G16R16F:
    case D3DFMT_R32F:
    case D3DFMT_G32R32F:
    case D3DFMT_A32B32G32R32F:
      return NumericKind::FLOAT;
    case D3DFMT_D16_LOCKABLE:
      return NumericKind::UNORM;
    default:
      break;
  }
  const FormatInfo& info = LookupFormatInfo(format);
  if (&info == &kFallbackFormatInfo || info.category == FormatCategory::DEPTH) return NumericKind::NONE;
  return NumericKind::UNORM;
}

RowCodec::RowCodec(const ImageRegion& r, NumericKind kind, bool pixelAddressable)
    : format_(r.format),
      kind_(kind),
      pixelAddressable_(pixelAddressable),
      srgb_(r.srgb && KeepsSrgb(r.format, kind)),
      colorKey_(r.colorKey),
      colorKeyColor_(D3DXCOLOR(r.colorKey)),
      hasPalette_(r.format == D3DFMT_P8 || r.format == D3DFMT_A8P8),
      data_(r.data),
      ditherTable_(r.dither ? BayerOffsets : RoundingOffsets),
      region_(r.region),
      rowPitch_(r.rowPitch),
      slicePitch_(r.slicePitch),
      width_(r.region.Width()),
      height_(r.region.Height()),
      depth_(r.region.Depth()),
      widthInBytes_(static_cast<UINT>(RowBytes(r.format, r.region.Width()))),
      bytesPerPixel_(d3dx::BytesPerPixel(r.format)) {
  constexpr float k = 1.0f / 255.0f;
  for (int i = 0; i < 256; ++i) {
    const PALETTEENTRY* e = r.palette ? &r.palette[i] : nullptr;
    palette_[i] = e ? D3DXCOLOR(e->peRed * k, e->peGreen * k, e->peBlue * k, e->peFlags * k)
                    : D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f);
  }
  if (pixelAddressable) {
    data_ += size_t(bytesPerPixel_) * r.region.left + size_t(rowPitch_) * r.region.top +
             size_t(slicePitch_) * r.region.front;
    region_ = {0, 0, width_, height_, 0, depth_};
  }
}

RowCodec::~RowCodec() = default;

HRESULT RowCodec::DecodeRow(UINT y, UINT z, D3DXCOLOR* out) {
  if (y >= height_ || z >= depth_ || !out) return D3DERR_INVALIDCALL;
  return DecodeRows(y, z, out);
}

HRESULT RowCodec::EncodeRow(UINT y, UINT z, const D3DXCOLOR* in) {
  if (y >= height_ || z >= depth_ || !in) return D3DERR_INVALIDCALL;
  return EncodeRows(y, z, in);
}

void RowCodec::PrepareColorKey() {
  if (!colorKey_) return;
  // A one-pixel round trip through the format, with plain rounding and nothing else applied.
  alignas(16) BYTE scratch[16] = {};
  BYTE* const data = data_;
  const UINT w = width_, h = height_, d = depth_;
  const float* const dither = ditherTable_;
  const D3DCOLOR key = colorKey_;
  const bool srgb = srgb_;
  const NumericKind conversion = conversionSource_;
  data_ = scratch;
  width_ = height_ = depth_ = 1;
  ditherTable_ = RoundingOffsets;
  colorKey_ = 0;
  srgb_ = false;
  conversionSource_ = NumericKind::NONE;

  D3DXCOLOR c(key);
  if (kind_ == NumericKind::SNORM3 || kind_ == NumericKind::SNORM4)
    ConvertKind(kind_, NumericKind::UNORM, &c, &c, 1);
  EncodeRows(0, 0, &c);
  DecodeRows(0, 0, &c);

  data_ = data;
  width_ = w, height_ = h, depth_ = d;
  ditherTable_ = dither;
  colorKey_ = key;
  srgb_ = srgb;
  conversionSource_ = conversion;
  colorKeyColor_ = c;
}

std::unique_ptr<D3DXCOLOR[]> RowCodec::AllocateColors(size_t count) {
  return std::unique_ptr<D3DXCOLOR[]>(new (std::nothrow) D3DXCOLOR[count ? count : 1]);
}

HRESULT RowCodec::AllocateConversionBuffer() {
  if (!conversion_) conversion_ = AllocateColors(width_);
  return conversion_ ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT RowCodec::PrepareConversion(RowCodec& source) {
  conversionSource_ = source.kind_ != kind_ && kind_ != NumericKind::FLOAT ? source.kind_ : NumericKind::NONE;
  if (conversionSource_ != NumericKind::NONE || srgb_) {
    if (FAILED(AllocateConversionBuffer())) return E_OUTOFMEMORY;
  }
  if (srgb_ && source.srgb_) bothEndsSrgb_ = source.bothEndsSrgb_ = true;
  return D3D_OK;
}

HRESULT RowCodec::PrepareFloatInput() {
  conversionSource_ = kind_ != NumericKind::FLOAT ? NumericKind::FLOAT : NumericKind::NONE;
  if (conversionSource_ != NumericKind::NONE || srgb_) return AllocateConversionBuffer();
  return D3D_OK;
}

const D3DXCOLOR* RowCodec::PrepareEncodeInput(const D3DXCOLOR* in, UINT count) {
  if (conversionSource_ == NumericKind::NONE && !srgb_) return in;
  // A codec used without PrepareConversion gets its buffer here.
  if (count > width_ || FAILED(AllocateConversionBuffer())) return nullptr;
  const D3DXCOLOR* row = in;
  if (conversionSource_ != NumericKind::NONE) {
    ConvertKind(kind_, conversionSource_, row, conversion_.get(), count);
    row = conversion_.get();
  }
  if (srgb_) {
    GammaEncode(row, conversion_.get(), count);
    row = conversion_.get();
  }
  return row;
}

void RowCodec::ApplyColorKey(D3DXCOLOR* row, UINT count) const {
  if (!colorKey_) return;
  const D3DXCOLOR k = colorKeyColor_;
  for (UINT i = 0; i < count; ++i) {
    const D3DXCOLOR& c = row[i];
    if (c.r == k.r && c.g == k.g && c.b == k.b && c.a == k.a) row[i] = D3DXCOLOR(0, 0, 0, 0);
  }
}

void RowCodec::FinishDecodedRow(D3DXCOLOR* row, UINT count) const {
  ApplyColorKey(row, count);
  if (srgb_) GammaDecode(row, count);
}

void RowCodec::GammaDecode(D3DXCOLOR* row, UINT count) const {
  RoundTowardZeroScope rtz;
  const bool alphaOnly = kind_ == NumericKind::SNORM3;
  auto decode = [this](float x) {
    return bothEndsSrgb_ ? x * x : GammaLookup(GammaDecodeTable, x * x * 254.0f);
  };
  for (UINT i = 0; i < count; ++i) {
    D3DXCOLOR& c = row[i];
    if (alphaOnly) {
      c.a = decode(c.a);
    } else {
      c.r = decode(c.r), c.g = decode(c.g), c.b = decode(c.b);
    }
  }
}

void RowCodec::GammaEncode(const D3DXCOLOR* in, D3DXCOLOR* out, UINT count) const {
  RoundTowardZeroScope rtz;
  const bool alphaOnly = kind_ == NumericKind::SNORM3;
  auto encode = [this](float x) {
    return bothEndsSrgb_ ? Sqrt(x) : GammaLookup(GammaEncodeTable, Sqrt(x) * 254.0f);
  };
  for (UINT i = 0; i < count; ++i) {
    D3DXCOLOR c = in[i];
    if (alphaOnly) {
      c.a = encode(c.a);
    } else {
      c.r = encode(c.r), c.g = encode(c.g), c.b = encode(c.b);
    }
    out[i] = c;
  }
}

HRESULT CreateRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec) {
  if (!codec) return D3DERR_INVALIDCALL;
  HRESULT hr = ValidateImageRegion(region);
  if (FAILED(hr)) return hr;
  if (KindOf(region.format) == NumericKind::NONE) return E_FAIL;
  std::unique_ptr<RowCodec> made;
  switch (LayoutOf(region.format)) {
    case PixelLayout::PerPixel:
      hr = CreatePixelRowCodec(region, &made);
      break;
    case PixelLayout::Block4x4:
      hr = CreateDxtRowCodec(region, &made);
      break;
    case PixelLayout::PackedPair:
      hr = CreatePackedPairRowCodec(region, &made);
      break;
  }
  if (FAILED(hr)) return hr;
  if (!made) return E_FAIL;
  if (made->HasColorKey()) made->PrepareColorKey();
  *codec = std::move(made);
  return D3D_OK;
}

}  // namespace d3dx
