// Refusal of regions that would take a codec outside the image's memory.
#include "image_region.h"

#include <cstdint>

#include "format_info.h"

namespace d3dx {
namespace {

// The first storage unit (pixel, pair or block) that column or row `i` lies in, counted in units.
uint64_t FirstUnit(uint64_t i, UINT unit) { return i / unit; }

UINT ColumnUnit(D3DFORMAT format) {
  switch (LayoutOf(format)) {
    case PixelLayout::Block4x4:
      return 4;
    case PixelLayout::PackedPair:
      return 2;
    case PixelLayout::PerPixel:
      break;
  }
  return 1;
}

}  // namespace

HRESULT ValidateImageRegion(const ImageRegion& r) {
  if (!r.data || !r.bounds.IsOrdered() || !r.region.IsOrdered() || !r.bounds.Contains(r.region))
    return D3DERR_INVALIDCALL;
  const ImageBox& b = r.bounds;
  if (b.Width() == 0 || b.Height() == 0 || b.Depth() == 0) return D3D_OK;

  // Bytes of one row of the bounds, from the storage unit of its left column to its right edge.
  const UINT columnUnit = ColumnUnit(r.format);
  const uint64_t unitBytes = RowBytes(r.format, columnUnit);
  const uint64_t rowEnd = RowBytes(r.format, b.right);
  const uint64_t rowStart = FirstUnit(b.left, columnUnit) * unitBytes;
  const uint64_t rowBytes = rowEnd - rowStart;
  const uint64_t firstRow = FirstUnit(b.top, LayoutOf(r.format) == PixelLayout::Block4x4 ? 4 : 1);
  const uint64_t endRow = StorageRows(r.format, b.bottom);
  const uint64_t rows = endRow - firstRow;
  if (rows > 1 && r.rowPitch < rowBytes) return D3DERR_INVALIDCALL;
  if (b.Depth() > 1 && r.slicePitch < r.rowPitch * rows) return D3DERR_INVALIDCALL;

  // Every byte the bounds cover must be addressable with a 32-bit offset from `data`.
  const uint64_t last = uint64_t(r.slicePitch) * (b.back - 1) + uint64_t(r.rowPitch) * (endRow - 1) + rowEnd;
  if (rowEnd > UINT32_MAX || last > UINT32_MAX) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

}  // namespace d3dx
