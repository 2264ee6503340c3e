// The transfer entry and the strategies that need no filter tables: byte copies, same-size
// conversion, the unfiltered copy and point sampling. The filters live in their own files.
#include "blitter.h"

#include <cstring>

namespace d3dx {
namespace {

bool SamePalette(const RowCodec& a, const RowCodec& b) {
  return std::memcmp(a.Palette(), b.Palette(), 256 * sizeof(D3DXCOLOR)) == 0;
}

bool MultipleOf4(const ImageBox& box) { return !((box.left | box.top | box.right | box.bottom) & 3); }

}  // namespace

bool IsValidFilter(DWORD filter) {
  const DWORD type = FilterType(filter);
  return type >= D3DX_FILTER_NONE && type <= D3DX_FILTER_BOX && !(filter & 0xFFC00000u);
}

HRESULT Blit(const ImageRegion& destRegion, const ImageRegion& sourceRegion, DWORD filter) {
  if (!IsValidFilter(filter)) return D3DERR_INVALIDCALL;
  ImageRegion dest = destRegion, source = sourceRegion;
  source.srgb = (filter & D3DX_FILTER_SRGB_IN) != 0;
  dest.srgb = (filter & D3DX_FILTER_SRGB_OUT) != 0;
  dest.dither = (filter & D3DX_FILTER_DITHER) != 0;

  std::unique_ptr<RowCodec> destCodec, sourceCodec;
  HRESULT hr = CreateRowCodec(dest, &destCodec);
  if (FAILED(hr)) return hr;
  hr = CreateRowCodec(source, &sourceCodec);
  if (FAILED(hr)) return hr;
  hr = destCodec->PrepareConversion(*sourceCodec);
  if (FAILED(hr)) return hr;
  return Blitter(*destCodec, *sourceCodec, filter).Run();
}

HRESULT Blitter::Run() {
  // Nothing to write.
  if (!dest_.Width() || !dest_.Height() || !dest_.Depth()) return S_OK;
  HRESULT(Blitter::*const strategies[])
  () = {
      &Blitter::CopySameFormat,   &Blitter::ConvertSameSize, &Blitter::CopyUnfiltered,
      &Blitter::SamplePoint,      &Blitter::BoxHalve2D,      &Blitter::BoxHalve3D,
      &Blitter::FilterLinear2D,   &Blitter::FilterLinear3D,  &Blitter::FilterTriangle2D,
      &Blitter::FilterTriangle3D,
  };
  for (auto strategy : strategies) {
    if ((this->*strategy)() == S_OK) return S_OK;
  }
  return E_FAIL;
}

HRESULT Blitter::CopySameFormat() {
  if (dest_.Format() != source_.Format() || source_.HasColorKey() || !SameSize() ||
      dest_.Srgb() != source_.Srgb())
    return kDeclined;
  const UINT depth = dest_.Depth();
  if (!dest_.IsPixelAddressable()) {
    // Whole blocks; the packed-pair formats decline here.
    const UINT blockBytes = BlockBytes(dest_.Format());
    if (!blockBytes || !MultipleOf4(dest_.Region()) || !MultipleOf4(source_.Region())) return kDeclined;
    auto first = [blockBytes](const RowCodec& c) {
      const ImageBox& r = c.Region();
      return c.Data() + size_t(r.top / 4) * c.RowPitch() + size_t(r.left / 4) * blockBytes +
             size_t(r.front) * c.SlicePitch();
    };
    BYTE* const to = first(dest_);
    const BYTE* const from = first(source_);
    const size_t rowBytes = size_t(dest_.Width() / 4) * blockBytes;
    for (UINT z = 0; z < depth; ++z)
      for (UINT by = 0; by < dest_.Height() / 4; ++by)
        std::memmove(to + size_t(z) * dest_.SlicePitch() + size_t(by) * dest_.RowPitch(),
                     from + size_t(z) * source_.SlicePitch() + size_t(by) * source_.RowPitch(), rowBytes);
    return S_OK;
  }
  if (dest_.HasPalette() && &dest_ != &source_ && !SamePalette(dest_, source_)) return kDeclined;
  dest_.ClearSrgb();
  source_.ClearSrgb();
  const size_t rowBytes = size_t(dest_.Width()) * dest_.BytesPerPixel();
  for (UINT z = 0; z < depth; ++z)
    for (UINT y = 0; y < dest_.Height(); ++y)
      std::memmove(dest_.Data() + size_t(z) * dest_.SlicePitch() + size_t(y) * dest_.RowPitch(),
                   source_.Data() + size_t(z) * source_.SlicePitch() + size_t(y) * source_.RowPitch(),
                   rowBytes);
  return S_OK;
}

HRESULT Blitter::ConvertSameSize() {
  if (!SameSize()) return kDeclined;
  ClearSrgbOfBothEnds();
  auto row = TryAllocate<D3DXCOLOR>(dest_.Width());
  if (!row) return E_OUTOFMEMORY;
  for (UINT z = 0; z < dest_.Depth(); ++z)
    for (UINT y = 0; y < dest_.Height(); ++y) {
      HRESULT hr = source_.DecodeRow(y, z, row.get());
      if (SUCCEEDED(hr)) hr = dest_.EncodeRow(y, z, row.get());
      if (FAILED(hr)) return hr;
    }
  return S_OK;
}

HRESULT Blitter::CopyUnfiltered() {
  if (FilterType(filter_) != D3DX_FILTER_NONE) return kDeclined;
  ClearSrgbOfBothEnds();
  // Decoding writes the source's width; whatever lies beyond it stays (0, 0, 0, 0).
  const UINT wide = dest_.Width() > source_.Width() ? dest_.Width() : source_.Width();
  auto row = TryAllocate<D3DXCOLOR>(wide);
  auto zeros = TryAllocate<D3DXCOLOR>(dest_.Width());
  if (!row || !zeros) return E_OUTOFMEMORY;
  for (UINT z = 0; z < dest_.Depth(); ++z)
    for (UINT y = 0; y < dest_.Height(); ++y) {
      HRESULT hr;
      if (z < source_.Depth() && y < source_.Height()) {
        hr = source_.DecodeRow(y, z, row.get());
        if (SUCCEEDED(hr)) hr = dest_.EncodeRow(y, z, row.get());
      } else {
        hr = dest_.EncodeRow(y, z, zeros.get());
      }
      if (FAILED(hr)) return hr;
    }
  return S_OK;
}

HRESULT Blitter::SamplePoint() {
  if (FilterType(filter_) != D3DX_FILTER_POINT || SourceEmpty()) return kDeclined;
  ClearSrgbOfBothEnds();
  // 16.16 steps; in 64 bits so that sizes beyond 65535 do not wrap.
  auto step = [](UINT from, UINT to) { return (uint64_t(from) << 16) / to; };
  const uint64_t stepX = step(source_.Width(), dest_.Width());
  const uint64_t stepY = step(source_.Height(), dest_.Height());
  const uint64_t stepZ = step(source_.Depth(), dest_.Depth());
  auto columns = TryAllocate<UINT>(dest_.Width());
  auto sourceRow = TryAllocate<D3DXCOLOR>(source_.Width());
  auto destRow = TryAllocate<D3DXCOLOR>(dest_.Width());
  if (!columns || !sourceRow || !destRow) return E_OUTOFMEMORY;
  for (UINT x = 0; x < dest_.Width(); ++x) columns[x] = UINT((x * stepX) >> 16);

  for (UINT z = 0; z < dest_.Depth(); ++z) {
    const UINT sz = UINT((z * stepZ) >> 16);
    UINT decoded = UINT_MAX;
    for (UINT y = 0; y < dest_.Height(); ++y) {
      const UINT sy = UINT((y * stepY) >> 16);
      HRESULT hr = S_OK;
      if (sy != decoded) {
        hr = source_.DecodeRow(sy, sz, sourceRow.get());
        decoded = sy;
      }
      if (SUCCEEDED(hr)) {
        for (UINT x = 0; x < dest_.Width(); ++x) destRow[x] = sourceRow[columns[x]];
        hr = dest_.EncodeRow(y, z, destRow.get());
      }
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

}  // namespace d3dx
