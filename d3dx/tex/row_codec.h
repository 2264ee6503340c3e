// Row codecs: one per pixel format, bound to an image region, that decode a row of the region
// into four-float colours and encode such a row back. All conversion between formats passes
// through D3DXCOLOR; kind conversion, gamma, colour keys, palettes and dithering happen here.
#pragma once
#include <d3dx9math.h>

#include <array>
#include <cstdint>
#include <memory>

#include "format_info.h"
#include "image_region.h"

namespace d3dx {

// The range of a codec's colours.
enum class NumericKind : uint32_t {
  NONE = 0,
  UNORM = 1,   // all four channels unsigned in [0, 1]
  SNORM3 = 2,  // r, g, b signed in [-1, 1], a unsigned in [0, 1]
  SNORM4 = 3,  // all four signed in [-1, 1]
  FLOAT = 4,   // unbounded
};

// The kind of the codec of `format`; NONE for formats without a codec.
NumericKind KindOf(D3DFORMAT format);

// Dither offsets, four rows of eight: the row of (y, z) starts at (y & 3) * 8 + (z & 3) and pixel
// x adds entry x & 3 of it. RoundingOffsets are all 0.5; BayerOffsets hold the 4x4 ordered-dither
// matrix as (v + 0.5) / 16, each row of four written twice.
extern const float RoundingOffsets[32];
extern const float BayerOffsets[32];

// (i / 254)^(1 / 1.1) and (i / 254)^1.1 for i < 255, 1 at 255; interpolated on index x*x*254
// (decode) and sqrt(x)*254 (encode) they approximate x^2.2 and x^(1 / 2.2).
extern const float GammaEncodeTable[256];
extern const float GammaDecodeTable[256];

class RowCodec {
 public:
  virtual ~RowCodec();
  RowCodec(const RowCodec&) = delete;
  RowCodec& operator=(const RowCodec&) = delete;

  // Row y of slice z (relative to the region's top and front) into / from Width() colours.
  // D3DERR_INVALIDCALL for a row outside the region; E_OUTOFMEMORY when a codec's row buffer
  // could not be had.
  HRESULT DecodeRow(UINT y, UINT z, D3DXCOLOR* out);
  HRESULT EncodeRow(UINT y, UINT z, const D3DXCOLOR* in);

  // Replaces the colour key by the value the format can represent, so that it compares equal
  // with decoded pixels. CreateRowCodec calls it when the region has a key.
  virtual void PrepareColorKey();

  // On the destination codec: convert from the source's numeric kind at encode time, and take
  // the cheap gamma pair when both ends are sRGB. 0 or E_OUTOFMEMORY.
  HRESULT PrepareConversion(RowCodec& source);
  // The same for callers that hand FLOAT colours to EncodeRow themselves.
  HRESULT PrepareFloatInput();

  D3DFORMAT Format() const { return format_; }
  NumericKind Kind() const { return kind_; }
  bool IsPixelAddressable() const { return pixelAddressable_; }
  bool Srgb() const { return srgb_; }
  // The stored values pass through unchanged from here on (both ends sRGB, same values).
  void ClearSrgb() { srgb_ = bothEndsSrgb_ = false; }
  bool BothEndsSrgb() const { return bothEndsSrgb_; }
  bool HasColorKey() const { return colorKey_ != 0; }
  D3DCOLOR ColorKey() const { return colorKey_; }
  const D3DXCOLOR& ColorKeyColor() const { return colorKeyColor_; }
  bool HasPalette() const { return hasPalette_; }
  const D3DXCOLOR* Palette() const { return palette_.data(); }
  // Per-pixel codecs: the region's first pixel, with Region() rebased to start at 0. Block and
  // packed-pair codecs: the image's (0, 0, 0), with Region() in image coordinates.
  BYTE* Data() const { return data_; }
  const ImageBox& Region() const { return region_; }
  const float* DitherTable() const { return ditherTable_; }
  NumericKind ConversionSource() const { return conversionSource_; }
  UINT RowPitch() const { return rowPitch_; }
  UINT SlicePitch() const { return slicePitch_; }
  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  UINT Depth() const { return depth_; }
  UINT WidthInBytes() const { return widthInBytes_; }
  UINT BytesPerPixel() const { return bytesPerPixel_; }

 protected:
  // Per-pixel codecs (`pixelAddressable`) move the data pointer to the region's first pixel.
  RowCodec(const ImageRegion& region, NumericKind kind, bool pixelAddressable);

  // The rows themselves; y and z are inside the region.
  virtual HRESULT DecodeRows(UINT y, UINT z, D3DXCOLOR* out) = 0;
  virtual HRESULT EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) = 0;

  // Encoding steps 1 and 2: kind conversion and gamma encoding of `count` colours into the
  // conversion buffer. Returns the row to quantise (`in` when neither applies).
  const D3DXCOLOR* PrepareEncodeInput(const D3DXCOLOR* in, UINT count);
  // After decoding `count` colours: keyed colours become (0, 0, 0, 0), then gamma decoding.
  void FinishDecodedRow(D3DXCOLOR* row, UINT count) const;
  void ApplyColorKey(D3DXCOLOR* row, UINT count) const;
  void GammaDecode(D3DXCOLOR* row, UINT count) const;
  // Gamma encoding into `out` (may equal `in`).
  void GammaEncode(const D3DXCOLOR* in, D3DXCOLOR* out, UINT count) const;
  // The dither offsets of row y, slice z; pixel x adds entry x & 3.
  const float* DitherRow(UINT y, UINT z) const { return ditherTable_ + (y & 3) * 8 + (z & 3); }
  // The first byte of row y, slice z (relative to the data pointer).
  BYTE* RowAddress(UINT y, UINT z) const {
    return data_ + static_cast<size_t>(rowPitch_) * y + static_cast<size_t>(slicePitch_) * z;
  }
  // Allocates `count` colours, null when memory is exhausted.
  static std::unique_ptr<D3DXCOLOR[]> AllocateColors(size_t count);

  D3DFORMAT format_;
  NumericKind kind_;
  bool pixelAddressable_;
  bool srgb_;
  bool bothEndsSrgb_ = false;
  D3DCOLOR colorKey_;
  D3DXCOLOR colorKeyColor_;
  bool hasPalette_;
  BYTE* data_;
  const float* ditherTable_;
  std::array<D3DXCOLOR, 256> palette_;
  ImageBox region_;
  NumericKind conversionSource_ = NumericKind::NONE;
  std::unique_ptr<D3DXCOLOR[]> conversion_;
  UINT rowPitch_;
  UINT slicePitch_;
  UINT width_, height_, depth_;
  UINT widthInBytes_;
  UINT bytesPerPixel_;

 private:
  HRESULT AllocateConversionBuffer();
};

// A new codec for `region`, its colour key prepared. D3DERR_INVALIDCALL for a region that
// ValidateImageRegion refuses, E_FAIL for a format without codec (the depth formats other than
// the lockable ones, formats outside the table), E_OUTOFMEMORY.
HRESULT CreateRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec);

// The codecs of each layout, called by CreateRowCodec with a validated region of their layout
// (pixel_codecs.cpp, dxt_row_codec.cpp, packed_row_codec.cpp). E_FAIL when the format has none.
HRESULT CreatePixelRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec);
HRESULT CreateDxtRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec);
HRESULT CreatePackedPairRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec);

}  // namespace d3dx
