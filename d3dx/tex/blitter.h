// Pixel transfer between two image regions of any formats and sizes: the strategy list, from
// plain byte copies to the filtered resamplers, over the row codecs of both ends.
#pragma once
#include <d3dx9tex.h>

#include <memory>
#include <new>

#include "row_codec.h"

namespace d3dx {

// The filter type in the low 16 bits of a filter word; flags above.
inline DWORD FilterType(DWORD filter) { return filter & 0xFFFF; }

// A type from D3DX_FILTER_NONE to D3DX_FILTER_BOX and no bit at or above 0x400000.
bool IsValidFilter(DWORD filter);

// Copies `source`'s region into `dest`'s region with `filter` (D3DX_DEFAULT already replaced).
// 0, D3DERR_INVALIDCALL (bad filter word or region), E_FAIL (no codec, no strategy) or
// E_OUTOFMEMORY.
HRESULT Blit(const ImageRegion& dest, const ImageRegion& source, DWORD filter);

// An array that may fail to allocate: null instead of an exception.
template <class T>
std::unique_ptr<T[]> TryAllocate(size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count ? count : 1]());
}

// One transfer: both codecs and the filter word. Each strategy performs the whole transfer
// (S_OK), declines (kDeclined) or runs out of memory (E_OUTOFMEMORY, also a decline for Run).
class Blitter {
 public:
  static constexpr HRESULT kDeclined = S_FALSE;

  Blitter(RowCodec& dest, RowCodec& source, DWORD filter) : dest_(dest), source_(source), filter_(filter) {}

  // The strategies in order; E_FAIL when every one declines.
  HRESULT Run();

 private:
  HRESULT CopySameFormat();
  HRESULT ConvertSameSize();
  HRESULT CopyUnfiltered();
  HRESULT SamplePoint();
  HRESULT BoxHalve2D();
  HRESULT BoxHalve3D();
  HRESULT FilterLinear2D();
  HRESULT FilterLinear3D();
  HRESULT FilterTriangle2D();
  HRESULT FilterTriangle3D();

  bool SameSize() const {
    return dest_.Width() == source_.Width() && dest_.Height() == source_.Height() &&
           dest_.Depth() == source_.Depth();
  }
  bool SourceEmpty() const { return !source_.Width() || !source_.Height() || !source_.Depth(); }
  // The stored values pass through unchanged when both ends are sRGB.
  void ClearSrgbOfBothEnds() {
    if (dest_.Srgb() && source_.Srgb()) dest_.ClearSrgb(), source_.ClearSrgb();
  }
  bool HasFlag(DWORD flag) const { return (filter_ & flag) != 0; }

  RowCodec& dest_;
  RowCodec& source_;
  DWORD filter_;
};

}  // namespace d3dx
