// Box halving: each destination pixel is the mean of the 2x2 (or 2x2x2) source pixels below it;
// an odd source size above 1 loses its last column, row or slice. Same-format transfers of the
// common formats run on packed integers, the rest on decoded rows.
#include "../math/cpu.h"
#include "blitter.h"
#include "box_packed.h"

namespace d3dx {
namespace {

// The destination size of a halving of `source` (1 stays 1).
bool Halves(UINT source, UINT dest) {
  return (source == 1 && dest == 1) || (dest != 0 && dest == source / 2);
}

// Column pairs (2x, 2x + 1), the same column twice for a one-pixel-wide source.
inline UINT Right(UINT x, UINT sourceWidth) { return sourceWidth == 1 ? 0 : 2 * x + 1; }

}  // namespace

HRESULT Blitter::BoxHalve2D() {
  if (FilterType(filter_) != D3DX_FILTER_BOX || source_.Depth() != 1 || dest_.Depth() != 1 ||
      !Halves(source_.Width(), dest_.Width()) || !Halves(source_.Height(), dest_.Height()))
    return kDeclined;
  const UINT width = dest_.Width(), height = dest_.Height(), srcWidth = source_.Width();

  // Keyed source pixels must average as transparent black, which only the decoded rows know.
  if (!HasFlag(D3DX_FILTER_DITHER) && dest_.Format() == source_.Format() && srcWidth > 1 &&
      source_.Height() > 1 && !dest_.Srgb() && !source_.Srgb() && !source_.HasColorKey() &&
      dest_.IsPixelAddressable()) {
    const PackedPath path = IsMmxAvailable() ? PackedPath::Simd : PackedPath::Plain;
    if (PackedHalveRow halve = FindPackedHalveRow(dest_.Format(), path)) {
      for (UINT y = 0; y < height; ++y) {
        const BYTE* row0 = source_.Data() + size_t(2 * y) * source_.RowPitch();
        halve(row0, row0 + source_.RowPitch(), dest_.Data() + size_t(y) * dest_.RowPitch(), width);
      }
      return S_OK;
    }
  }

  auto top = TryAllocate<D3DXCOLOR>(srcWidth);
  auto bottom = TryAllocate<D3DXCOLOR>(srcWidth);
  auto out = TryAllocate<D3DXCOLOR>(width);
  if (!top || !bottom || !out) return E_OUTOFMEMORY;
  for (UINT y = 0; y < height; ++y) {
    HRESULT hr = source_.DecodeRow(2 * y, 0, top.get());
    if (SUCCEEDED(hr)) hr = source_.DecodeRow(source_.Height() == 1 ? 0 : 2 * y + 1, 0, bottom.get());
    if (FAILED(hr)) return hr;
    for (UINT x = 0; x < width; ++x) {
      const UINT l = 2 * x, r = Right(x, srcWidth);
      out[x] = (((top[l] + top[r]) + bottom[l]) + bottom[r]) * 0.25f;
    }
    hr = dest_.EncodeRow(y, 0, out.get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT Blitter::BoxHalve3D() {
  if (FilterType(filter_) != D3DX_FILTER_BOX || !Halves(source_.Width(), dest_.Width()) ||
      !Halves(source_.Height(), dest_.Height()) || !Halves(source_.Depth(), dest_.Depth()))
    return kDeclined;
  const UINT width = dest_.Width(), srcWidth = source_.Width();
  // Rows 2y and 2y + 1 of slices 2z and 2z + 1, in the order they are summed.
  std::unique_ptr<D3DXCOLOR[]> rows[4];
  for (auto& row : rows)
    if (!(row = TryAllocate<D3DXCOLOR>(srcWidth))) return E_OUTOFMEMORY;
  auto out = TryAllocate<D3DXCOLOR>(width);
  if (!out) return E_OUTOFMEMORY;
  for (UINT z = 0; z < dest_.Depth(); ++z) {
    const UINT z0 = 2 * z, z1 = source_.Depth() == 1 ? 0 : 2 * z + 1;
    for (UINT y = 0; y < dest_.Height(); ++y) {
      const UINT y0 = 2 * y, y1 = source_.Height() == 1 ? 0 : 2 * y + 1;
      const UINT at[4][2] = {{y0, z0}, {y0, z1}, {y1, z0}, {y1, z1}};
      for (int i = 0; i < 4; ++i) {
        HRESULT hr = source_.DecodeRow(at[i][0], at[i][1], rows[i].get());
        if (FAILED(hr)) return hr;
      }
      for (UINT x = 0; x < width; ++x) {
        const UINT l = 2 * x, r = Right(x, srcWidth);
        D3DXCOLOR sum = rows[0][l];
        sum += rows[0][r];
        for (int i = 1; i < 4; ++i) {
          sum += rows[i][l];
          sum += rows[i][r];
        }
        out[x] = sum * 0.125f;
      }
      HRESULT hr = dest_.EncodeRow(y, z, out.get());
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

}  // namespace d3dx
