// Bilinear (and trilinear, for volumes) resampling at pixel centres. Separable: every source
// row needed is decoded once and filtered across into a destination-wide row, and a small cache
// of those rows serves the neighbouring destination rows.
#include "blitter.h"
#include "filter_weights.h"

namespace d3dx {
namespace {

// Horizontal pass of one decoded source row.
void FilterAcross(const D3DXCOLOR* src, const LinearTap* taps, UINT width, D3DXCOLOR* out) {
  for (UINT x = 0; x < width; ++x) {
    const LinearTap& t = taps[x];
    const D3DXCOLOR& a = src[t.first];
    const D3DXCOLOR& b = src[t.second];
    out[x] =
        D3DXCOLOR(t.firstWeight * a.r + t.secondWeight * b.r, t.firstWeight * a.g + t.secondWeight * b.g,
                  t.firstWeight * a.b + t.secondWeight * b.b, t.firstWeight * a.a + t.secondWeight * b.a);
  }
}

// out = w0 * a + w1 * b.
void Blend(const D3DXCOLOR* a, float w0, const D3DXCOLOR* b, float w1, UINT width, D3DXCOLOR* out) {
  for (UINT x = 0; x < width; ++x)
    out[x] = D3DXCOLOR(w0 * a[x].r + w1 * b[x].r, w0 * a[x].g + w1 * b[x].g, w0 * a[x].b + w1 * b[x].b,
                       w0 * a[x].a + w1 * b[x].a);
}

// Source rows (slice, row) filtered across, kept in a few slots. A request is served from its
// slot when present; otherwise it is decoded into a slot that the current destination row does
// not need (so the last row of one step becomes the first of the next without decoding).
class FilteredRows {
 public:
  static constexpr int kSlots = 4;

  FilteredRows(RowCodec& source, const LinearTap* taps, UINT destWidth)
      : source_(source), taps_(taps), width_(destWidth) {}

  bool Allocate() {
    decoded_ = TryAllocate<D3DXCOLOR>(source_.Width());
    storage_ = TryAllocate<D3DXCOLOR>(size_t(width_) * kSlots);
    return decoded_ && storage_;
  }

  // The rows of `keys` (count of them) after this call; all of them stay valid together.
  HRESULT Fetch(const uint64_t* keys, int count, const D3DXCOLOR** rows) {
    bool needed[kSlots] = {};
    int slotOf[kSlots] = {-1, -1, -1, -1};
    for (int k = 0; k < count; ++k)
      for (int s = 0; s < kSlots; ++s)
        if (key_[s] == keys[k]) slotOf[k] = s, needed[s] = true;
    for (int k = 0; k < count; ++k) {
      if (slotOf[k] >= 0) continue;
      int s = 0;
      while (needed[s]) ++s;
      const UINT z = UINT(keys[k] >> 32), y = UINT(keys[k]);
      HRESULT hr = source_.DecodeRow(y, z, decoded_.get());
      if (FAILED(hr)) return hr;
      FilterAcross(decoded_.get(), taps_, width_, Slot(s));
      key_[s] = keys[k];
      needed[s] = true;
      slotOf[k] = s;
      // A later duplicate of the same key shares the slot.
      for (int later = k + 1; later < count; ++later)
        if (keys[later] == keys[k]) slotOf[later] = s;
    }
    for (int k = 0; k < count; ++k) rows[k] = Slot(slotOf[k]);
    return S_OK;
  }

  static uint64_t Key(UINT z, UINT y) { return uint64_t(z) << 32 | y; }

 private:
  D3DXCOLOR* Slot(int s) { return storage_.get() + size_t(width_) * s; }

  RowCodec& source_;
  const LinearTap* taps_;
  UINT width_;
  std::unique_ptr<D3DXCOLOR[]> decoded_, storage_;
  uint64_t key_[kSlots] = {~0ull, ~0ull, ~0ull, ~0ull};
};

}  // namespace

HRESULT Blitter::FilterLinear2D() {
  if (FilterType(filter_) != D3DX_FILTER_LINEAR || source_.Depth() != 1 || dest_.Depth() != 1 ||
      SourceEmpty())
    return kDeclined;
  const UINT width = dest_.Width();
  auto tapsX = BuildLinearTaps(source_.Width(), width, !HasFlag(D3DX_FILTER_MIRROR_U));
  auto tapsY = BuildLinearTaps(source_.Height(), dest_.Height(), !HasFlag(D3DX_FILTER_MIRROR_V));
  auto out = TryAllocate<D3DXCOLOR>(width);
  FilteredRows rows(source_, tapsX.get(), width);
  if (!tapsX || !tapsY || !out || !rows.Allocate()) return E_OUTOFMEMORY;
  for (UINT y = 0; y < dest_.Height(); ++y) {
    const LinearTap& ty = tapsY[y];
    const uint64_t keys[2] = {FilteredRows::Key(0, ty.first), FilteredRows::Key(0, ty.second)};
    const D3DXCOLOR* r[2];
    HRESULT hr = rows.Fetch(keys, 2, r);
    if (FAILED(hr)) return hr;
    Blend(r[0], ty.firstWeight, r[1], ty.secondWeight, width, out.get());
    hr = dest_.EncodeRow(y, 0, out.get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT Blitter::FilterLinear3D() {
  if (FilterType(filter_) != D3DX_FILTER_LINEAR || SourceEmpty()) return kDeclined;
  const UINT width = dest_.Width();
  auto tapsX = BuildLinearTaps(source_.Width(), width, !HasFlag(D3DX_FILTER_MIRROR_U));
  auto tapsY = BuildLinearTaps(source_.Height(), dest_.Height(), !HasFlag(D3DX_FILTER_MIRROR_V));
  auto tapsZ = BuildLinearTaps(source_.Depth(), dest_.Depth(), !HasFlag(D3DX_FILTER_MIRROR_W));
  auto nearRow = TryAllocate<D3DXCOLOR>(width);
  auto farRow = TryAllocate<D3DXCOLOR>(width);
  auto out = TryAllocate<D3DXCOLOR>(width);
  FilteredRows rows(source_, tapsX.get(), width);
  if (!tapsX || !tapsY || !tapsZ || !nearRow || !farRow || !out || !rows.Allocate()) return E_OUTOFMEMORY;
  for (UINT z = 0; z < dest_.Depth(); ++z) {
    const LinearTap& tz = tapsZ[z];
    for (UINT y = 0; y < dest_.Height(); ++y) {
      const LinearTap& ty = tapsY[y];
      const uint64_t keys[4] = {FilteredRows::Key(tz.first, ty.first), FilteredRows::Key(tz.first, ty.second),
                                FilteredRows::Key(tz.second, ty.first),
                                FilteredRows::Key(tz.second, ty.second)};
      const D3DXCOLOR* r[4];
      HRESULT hr = rows.Fetch(keys, 4, r);
      if (FAILED(hr)) return hr;
      Blend(r[0], ty.firstWeight, r[1], ty.secondWeight, width, nearRow.get());
      Blend(r[2], ty.firstWeight, r[3], ty.secondWeight, width, farRow.get());
      Blend(nearRow.get(), tz.firstWeight, farRow.get(), tz.secondWeight, width, out.get());
      hr = dest_.EncodeRow(y, z, out.get());
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

}  // namespace d3dx
