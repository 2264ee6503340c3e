// The descriptor of a block of pixels in memory that a row codec reads or writes: a decoded file,
// caller memory or a locked surface.
#pragma once
#include <d3d9.h>

namespace d3dx {

// A box of pixels; right, bottom and back are exclusive.
struct ImageBox {
  UINT left, top, right, bottom, front, back;

  UINT Width() const { return right - left; }
  UINT Height() const { return bottom - top; }
  UINT Depth() const { return back - front; }
  // left <= right, top <= bottom, front <= back.
  bool IsOrdered() const { return left <= right && top <= bottom && front <= back; }
  bool Contains(const ImageBox& b) const {
    return b.left >= left && b.right <= right && b.top >= top && b.bottom <= bottom && b.front >= front &&
           b.back <= back;
  }
  bool operator==(const ImageBox&) const = default;
};

struct ImageRegion {
  BYTE* data;                   // the pixel at (0, 0, 0) of the whole image
  D3DFORMAT format;             // pixel format
  UINT rowPitch;                // bytes from one row to the next (rows of blocks for DXT data)
  UINT slicePitch;              // bytes from one slice to the next, 0 for 2-D data
  ImageBox bounds;              // extent of the whole image
  ImageBox region;              // the part that is read or written
  BOOL dither;                  // encode with the ordered-dither offsets instead of plain rounding
  BOOL srgb;                    // the stored values are gamma-2.2 encoded
  D3DCOLOR colorKey;            // 0 = none; else pixels of this ARGB colour decode transparent
  const PALETTEENTRY* palette;  // 256 entries (peFlags is alpha) for P8 and A8P8, may be null
};

// D3DERR_INVALIDCALL unless the region is something a codec can work on without leaving the
// image's memory: data present, boxes ordered, the region inside the bounds, pitches at least
// one row (slice) of the bounds, and every byte offset of the bounds within 32 bits.
HRESULT ValidateImageRegion(const ImageRegion& region);

}  // namespace d3dx
