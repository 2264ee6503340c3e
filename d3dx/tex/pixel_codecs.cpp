// The codecs of the formats whose pixels are addressable one by one: integer bit fields
// (unsigned, signed, luminance), palettes, CxV8U8, and the float and half formats.
#include <cfloat>
#include <cmath>
#include <new>

#include "pixel_layouts.h"
#include "round_mode.h"
#include "row_codec.h"
#include "row_kernels.h"

namespace d3dx {
namespace {

// Per-pixel codecs share the constructor's rebasing and the encoder's first steps.
class PixelCodec : public RowCodec {
 protected:
  PixelCodec(const ImageRegion& r) : RowCodec(r, KindOf(r.format), true) {}

  // Kind conversion and gamma, then `quantise` under round-toward-zero.
  template <typename Quantise>
  HRESULT Encode(UINT y, UINT z, const D3DXCOLOR* in, Quantise quantise) {
    const D3DXCOLOR* row = PrepareEncodeInput(in, width_);
    if (!row) return E_OUTOFMEMORY;
    RoundTowardZeroScope rtz;
    quantise(row, RowAddress(y, z), DitherRow(y, z));
    return D3D_OK;
  }
};

template <const IntegerLayout& L>
class IntegerCodec final : public PixelCodec {
 public:
  IntegerCodec(const ImageRegion& r, RowKernels kernels)
      : PixelCodec(r),
        decode_(kernels.decode ? kernels.decode : &DecodeIntegerPixels<L>),
        encode_(kernels.encode ? kernels.encode : &EncodeIntegerPixels<L>) {}

 private:
  HRESULT DecodeRows(UINT y, UINT z, D3DXCOLOR* out) override {
    decode_(RowAddress(y, z), out, width_);
    FinishDecodedRow(out, width_);
    return D3D_OK;
  }
  HRESULT EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) override {
    return Encode(y, z, in, [this](const D3DXCOLOR* row, BYTE* dst, const float* dither) {
      encode_(row, dst, width_, dither);
    });
  }

  DecodeKernel decode_;
  EncodeKernel encode_;
};

// P8 (index in the byte) and A8P8 (index in bits 0-7, alpha in 8-15).
class PaletteCodec final : public PixelCodec {
 public:
  explicit PaletteCodec(const ImageRegion& r) : PixelCodec(r), withAlpha_(r.format == D3DFMT_A8P8) {}

 private:
  HRESULT DecodeRows(UINT y, UINT z, D3DXCOLOR* out) override {
    const BYTE* src = RowAddress(y, z);
    for (UINT x = 0; x < width_; ++x) {
      if (withAlpha_) {
        out[x] = palette_[src[2 * x]];
        out[x].a = src[2 * x + 1] * FieldScale(layout::U(0, 8));
      } else {
        out[x] = palette_[src[x]];
      }
    }
    FinishDecodedRow(out, width_);
    return D3D_OK;
  }

  HRESULT EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) override {
    return Encode(y, z, in, [this](const D3DXCOLOR* row, BYTE* dst, const float* dither) {
      for (UINT x = 0; x < width_; ++x) {
        const BYTE index = Nearest(row[x]);
        if (withAlpha_) {
          dst[2 * x] = index;
          dst[2 * x + 1] = static_cast<BYTE>(EncodeField<kAlpha>(row[x].a, dither[x & 3]));
        } else {
          dst[x] = index;
        }
      }
    });
  }

  // The lowest index of the smallest squared distance; A8P8 ignores the palette's alpha.
  BYTE Nearest(const D3DXCOLOR& c) const {
    float best = FLT_MAX;
    BYTE index = 0;
    for (int i = 0; i < 256; ++i) {
      const D3DXCOLOR& p = palette_[i];
      const float dr = c.r - p.r, dg = c.g - p.g, db = c.b - p.b, da = withAlpha_ ? 0.0f : c.a - p.a;
      const float d = dr * dr + dg * dg + db * db + da * da;
      if (d < best) best = d, index = static_cast<BYTE>(i);
    }
    return index;
  }

  static constexpr PixelField kAlpha = layout::U(0, 8);
  bool withAlpha_;
};

// U and V signed in bits 0-7 and 8-15; the third component of the unit normal is rebuilt.
class CxV8U8Codec final : public PixelCodec {
 public:
  explicit CxV8U8Codec(const ImageRegion& r) : PixelCodec(r) {}

 private:
  static constexpr PixelField kU = layout::S(0, 8), kV = layout::S(8, 8);

  HRESULT DecodeRows(UINT y, UINT z, D3DXCOLOR* out) override {
    const BYTE* src = RowAddress(y, z);
    for (UINT x = 0; x < width_; ++x) {
      const uint64_t p = LoadPixel<2>(src + 2 * x);
      const float u = DecodeField<kU>(p), v = DecodeField<kV>(p);
      const float radicand = 1.0f - u * u - v * v;
      out[x] = D3DXCOLOR(u, v, radicand > 0.0f ? std::sqrt(radicand) : 0.0f, 1.0f);
    }
    FinishDecodedRow(out, width_);
    return D3D_OK;
  }

  HRESULT EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) override {
    return Encode(y, z, in, [this](const D3DXCOLOR* row, BYTE* dst, const float* dither) {
      for (UINT x = 0; x < width_; ++x) {
        D3DXVECTOR3 n(row[x].r, row[x].g, row[x].b);
        D3DXVec3Normalize(&n, &n);
        const float off = dither[x & 3];
        StorePixel<2>(dst + 2 * x, EncodeField<kU>(n.x, off) | EncodeField<kV>(n.y, off));
      }
    });
  }
};

// 32-bit float or half channels r, g, b, a in that order; the channels not stored decode as 1.
// Neither direction clamps, converts or dithers.
class FloatCodec final : public PixelCodec {
 public:
  FloatCodec(const ImageRegion& r, UINT channels, bool half, std::unique_ptr<float[]> scratch)
      : PixelCodec(r), channels_(channels), half_(half), scratch_(std::move(scratch)) {}

 private:
  HRESULT DecodeRows(UINT y, UINT z, D3DXCOLOR* out) override {
    const BYTE* src = RowAddress(y, z);
    float* f = reinterpret_cast<float*>(out);
    const UINT count = width_ * channels_;
    // The stored floats go to the end of the row first, then spread forward into colours; a
    // colour never overwrites floats still to be read.
    float* packed = f + (4 * width_ - count);
    if (half_)
      D3DXFloat16To32Array(packed, reinterpret_cast<const D3DXFLOAT16*>(src), count);
    else
      std::memmove(packed, src, count * sizeof(float));
    if (channels_ < 4) {
      for (UINT x = 0; x < width_; ++x) {
        float c[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        for (UINT i = 0; i < channels_; ++i) c[i] = packed[x * channels_ + i];
        out[x] = D3DXCOLOR(c[0], c[1], c[2], c[3]);
      }
    }
    FinishDecodedRow(out, width_);
    return D3D_OK;
  }

  HRESULT EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) override {
    const D3DXCOLOR* row = PrepareEncodeInput(in, width_);
    if (!row) return E_OUTOFMEMORY;
    BYTE* dst = RowAddress(y, z);
    const float* f = reinterpret_cast<const float*>(row);
    if (channels_ < 4) {
      float* gathered = scratch_.get();
      for (UINT x = 0; x < width_; ++x)
        for (UINT i = 0; i < channels_; ++i) gathered[x * channels_ + i] = f[4 * x + i];
      f = gathered;
    }
    const UINT count = width_ * channels_;
    if (half_)
      D3DXFloat32To16Array(reinterpret_cast<D3DXFLOAT16*>(dst), f, count);
    else
      std::memcpy(dst, f, count * sizeof(float));
    return D3D_OK;
  }

  UINT channels_;
  bool half_;
  std::unique_ptr<float[]> scratch_;  // channels gathered for encoding, fewer than four
};

template <const IntegerLayout& L>
RowCodec* NewInteger(const ImageRegion& r, RowKernelSet set) {
  return new (std::nothrow) IntegerCodec<L>(r, FindRowKernels(set, r.format));
}

RowCodec* NewFloat(const ImageRegion& r, UINT channels, bool half) {
  std::unique_ptr<float[]> scratch;
  if (channels < 4) {
    scratch.reset(new (std::nothrow) float[size_t(r.region.Width()) * channels + 1]);
    if (!scratch) return nullptr;
  }
  return new (std::nothrow) FloatCodec(r, channels, half, std::move(scratch));
}

RowCodec* NewPixelCodec(const ImageRegion& r, RowKernelSet set) {
  namespace L = layout;
  switch (r.format) {
    case D3DFMT_R8G8B8:
      return NewInteger<L::R8G8B8>(r, set);
    case D3DFMT_A8R8G8B8:
      return NewInteger<L::A8R8G8B8>(r, set);
    case D3DFMT_X8R8G8B8:
      return NewInteger<L::X8R8G8B8>(r, set);
    case D3DFMT_R5G6B5:
      return NewInteger<L::R5G6B5>(r, set);
    case D3DFMT_X1R5G5B5:
      return NewInteger<L::X1R5G5B5>(r, set);
    case D3DFMT_A1R5G5B5:
      return NewInteger<L::A1R5G5B5>(r, set);
    case D3DFMT_A4R4G4B4:
      return NewInteger<L::A4R4G4B4>(r, set);
    case D3DFMT_X4R4G4B4:
      return NewInteger<L::X4R4G4B4>(r, set);
    case D3DFMT_R3G3B2:
      return NewInteger<L::R3G3B2>(r, set);
    case D3DFMT_A8:
      return NewInteger<L::A8>(r, set);
    case D3DFMT_A8R3G3B2:
      return NewInteger<L::A8R3G3B2>(r, set);
    case D3DFMT_A2B10G10R10:
      return NewInteger<L::A2B10G10R10>(r, set);
    case D3DFMT_A2R10G10B10:
      return NewInteger<L::A2R10G10B10>(r, set);
    case D3DFMT_A8B8G8R8:
      return NewInteger<L::A8B8G8R8>(r, set);
    case D3DFMT_X8B8G8R8:
      return NewInteger<L::X8B8G8R8>(r, set);
    case D3DFMT_G16R16:
      return NewInteger<L::G16R16>(r, set);
    case D3DFMT_A16B16G16R16:
      return NewInteger<L::A16B16G16R16>(r, set);
    case D3DFMT_L8:
      return NewInteger<L::L8>(r, set);
    case D3DFMT_A8L8:
      return NewInteger<L::A8L8>(r, set);
    case D3DFMT_A4L4:
      return NewInteger<L::A4L4>(r, set);
    case D3DFMT_L16:
    case D3DFMT_D16_LOCKABLE:
      return NewInteger<L::L16>(r, set);
    case D3DFMT_V8U8:
      return NewInteger<L::V8U8>(r, set);
    case D3DFMT_L6V5U5:
      return NewInteger<L::L6V5U5>(r, set);
    case D3DFMT_X8L8V8U8:
      return NewInteger<L::X8L8V8U8>(r, set);
    case D3DFMT_Q8W8V8U8:
      return NewInteger<L::Q8W8V8U8>(r, set);
    case D3DFMT_V16U16:
      return NewInteger<L::V16U16>(r, set);
    case D3DFMT_A2W10V10U10:
      return NewInteger<L::A2W10V10U10>(r, set);
    case D3DFMT_Q16W16V16U16:
      return NewInteger<L::Q16W16V16U16>(r, set);
    case D3DFMT_P8:
    case D3DFMT_A8P8:
      return new (std::nothrow) PaletteCodec(r);
    case D3DFMT_CxV8U8:
      return new (std::nothrow) CxV8U8Codec(r);
    case D3DFMT_D32F_LOCKABLE:
    case D3DFMT_R32F:
      return NewFloat(r, 1, false);
    case D3DFMT_G32R32F:
      return NewFloat(r, 2, false);
    case D3DFMT_A32B32G32R32F:
      return NewFloat(r, 4, false);
    case D3DFMT_R16F:
      return NewFloat(r, 1, true);
    case D3DFMT_G16R16F:
      return NewFloat(r, 2, true);
    case D3DFMT_A16B16G16R16F:
      return NewFloat(r, 4, true);
    default:
      break;
  }
  if (r.format == FMT_A16L16) return NewInteger<L::A16L16>(r, set);
  if (r.format == FMT_R16G16B16) return NewInteger<L::R16G16B16>(r, set);
  return nullptr;
}

}  // namespace

HRESULT CreatePixelRowCodecWithKernels(const ImageRegion& region, RowKernelSet set,
                                       std::unique_ptr<RowCodec>* codec) {
  if (KindOf(region.format) == NumericKind::NONE || LayoutOf(region.format) != PixelLayout::PerPixel)
    return E_FAIL;
  codec->reset(NewPixelCodec(region, set));
  return *codec ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT CreatePixelRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec) {
  return CreatePixelRowCodecWithKernels(region, DetectRowKernelSet(), codec);
}

}  // namespace d3dx
