// Tent-filter resampling for any size ratio. Separable: a source row is decoded and filtered
// across into a destination-wide row; each destination row, in order, is the weighted sum of the
// few such rows that reach it, clamped to the source's range and encoded. Working memory is a
// handful of rows (slices for volumes), whatever the ratio.
#include <xmmintrin.h>

#include <cstring>

#include "blitter.h"
#include "filter_weights.h"

namespace d3dx {
namespace {

// acc[i] += row[i] * w.
inline void AddScaled(D3DXCOLOR* acc, const D3DXCOLOR* row, float w, size_t count) {
  const __m128 weight = _mm_set1_ps(w);
  for (size_t i = 0; i < count; ++i) {
    float* a = &acc[i].r;
    _mm_storeu_ps(a, _mm_add_ps(_mm_loadu_ps(a), _mm_mul_ps(_mm_loadu_ps(&row[i].r), weight)));
  }
}

// The horizontal pass: every source pixel into the destination columns it touches.
void FilterAcross(const D3DXCOLOR* src, const TriangleWeights& wx, D3DXCOLOR* out) {
  std::memset(static_cast<void*>(out), 0, sizeof(D3DXCOLOR) * wx.DestSize());
  for (UINT x = 0; x < wx.SourceSize(); ++x) {
    const __m128 s = _mm_loadu_ps(&src[x].r);
    for (const TriangleWeights::Pair* p = wx.Begin(x); p != wx.End(x); ++p) {
      float* o = &out[p->index].r;
      _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_mul_ps(s, _mm_set1_ps(p->weight))));
    }
  }
}

// Accumulated values back into the numeric range of the source's kind.
void ClampToKind(NumericKind kind, D3DXCOLOR* row, size_t count) {
  float lo, hi, loA, hiA;
  switch (kind) {
    case NumericKind::UNORM:
      lo = loA = 0.0f, hi = hiA = 1.0f;
      break;
    case NumericKind::SNORM3:
      lo = -1.0f, hi = 1.0f, loA = 0.0f, hiA = 1.0f;
      break;
    case NumericKind::SNORM4:
      lo = loA = -1.0f, hi = hiA = 1.0f;
      break;
    default:
      return;
  }
  const __m128 low = _mm_setr_ps(lo, lo, lo, loA), high = _mm_setr_ps(hi, hi, hi, hiA);
  for (size_t i = 0; i < count; ++i) {
    float* c = &row[i].r;
    _mm_storeu_ps(c, _mm_min_ps(_mm_max_ps(_mm_loadu_ps(c), low), high));
  }
}

// Source rows (or slices) already filtered to the destination's width (and height), each in slot
// index % kSlots. The destination is walked in order and each of its rows reads only the few
// source rows that touch it, which are the same or the next ones for its successor; a row
// pushed out early (by a wrap-around neighbour) is simply filtered again, to the same values.
class ResampledCache {
 public:
  static constexpr UINT kSlots = 4;

  bool Allocate(size_t size) {
    size_ = size;
    storage_ = TryAllocate<D3DXCOLOR>(size * kSlots);
    return storage_ != nullptr;
  }

  // The buffer of source index s; *stale when it has to be filled first.
  D3DXCOLOR* Find(UINT s, bool* stale) {
    const UINT slot = s % kSlots;
    *stale = !held_[slot] || index_[slot] != s;
    held_[slot] = true;
    index_[slot] = s;
    return storage_.get() + size_ * slot;
  }

 private:
  size_t size_ = 0;
  std::unique_ptr<D3DXCOLOR[]> storage_;
  UINT index_[kSlots] = {};
  bool held_[kSlots] = {};
};

}  // namespace

HRESULT Blitter::FilterTriangle2D() {
  if (source_.Depth() != 1 || dest_.Depth() != 1 || SourceEmpty()) return kDeclined;
  const UINT width = dest_.Width(), height = dest_.Height();
  TriangleWeights wx, wy;
  TriangleGather rows;
  ResampledCache across;
  auto decoded = TryAllocate<D3DXCOLOR>(source_.Width());
  auto acc = TryAllocate<D3DXCOLOR>(width);
  if (!wx.Build(source_.Width(), width, !HasFlag(D3DX_FILTER_MIRROR_U)) ||
      !wy.Build(source_.Height(), height, !HasFlag(D3DX_FILTER_MIRROR_V)) || !rows.Build(wy) || !decoded ||
      !acc || !across.Allocate(width))
    return E_OUTOFMEMORY;

  for (UINT y = 0; y < height; ++y) {
    std::memset(static_cast<void*>(acc.get()), 0, sizeof(D3DXCOLOR) * width);
    for (const TriangleGather::Pair* p = rows.Begin(y); p != rows.End(y); ++p) {
      bool stale;
      D3DXCOLOR* row = across.Find(p->index, &stale);
      if (stale) {
        const HRESULT hr = source_.DecodeRow(p->index, 0, decoded.get());
        if (FAILED(hr)) return hr;
        FilterAcross(decoded.get(), wx, row);
      }
      AddScaled(acc.get(), row, p->weight, width);
    }
    // A row that nothing reaches stays transparent black.
    if (rows.Begin(y) != rows.End(y)) ClampToKind(source_.Kind(), acc.get(), width);
    const HRESULT hr = dest_.EncodeRow(y, 0, acc.get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT Blitter::FilterTriangle3D() {
  if (SourceEmpty()) return kDeclined;
  const UINT width = dest_.Width(), height = dest_.Height(), depth = dest_.Depth();
  const size_t planeSize = size_t(width) * height;
  TriangleWeights wx, wy, wz;
  TriangleGather slices;
  ResampledCache planes;
  auto decoded = TryAllocate<D3DXCOLOR>(source_.Width());
  auto across = TryAllocate<D3DXCOLOR>(width);
  auto acc = TryAllocate<D3DXCOLOR>(planeSize);
  if (!wx.Build(source_.Width(), width, !HasFlag(D3DX_FILTER_MIRROR_U)) ||
      !wy.Build(source_.Height(), height, !HasFlag(D3DX_FILTER_MIRROR_V)) ||
      !wz.Build(source_.Depth(), depth, !HasFlag(D3DX_FILTER_MIRROR_W)) || !slices.Build(wz) || !decoded ||
      !across || !acc || !planes.Allocate(planeSize))
    return E_OUTOFMEMORY;

  // Source slice sz resampled to the destination's width and height.
  auto resampleSlice = [&](UINT sz, D3DXCOLOR* plane) {
    std::memset(static_cast<void*>(plane), 0, sizeof(D3DXCOLOR) * planeSize);
    for (UINT sy = 0; sy < source_.Height(); ++sy) {
      const HRESULT hr = source_.DecodeRow(sy, sz, decoded.get());
      if (FAILED(hr)) return hr;
      FilterAcross(decoded.get(), wx, across.get());
      for (const TriangleWeights::Pair* p = wy.Begin(sy); p != wy.End(sy); ++p)
        AddScaled(plane + size_t(p->index) * width, across.get(), p->weight, width);
    }
    return S_OK;
  };

  for (UINT z = 0; z < depth; ++z) {
    std::memset(static_cast<void*>(acc.get()), 0, sizeof(D3DXCOLOR) * planeSize);
    for (const TriangleGather::Pair* p = slices.Begin(z); p != slices.End(z); ++p) {
      bool stale;
      D3DXCOLOR* plane = planes.Find(p->index, &stale);
      if (stale) {
        const HRESULT hr = resampleSlice(p->index, plane);
        if (FAILED(hr)) return hr;
      }
      AddScaled(acc.get(), plane, p->weight, planeSize);
    }
    if (slices.Begin(z) != slices.End(z)) ClampToKind(source_.Kind(), acc.get(), planeSize);
    for (UINT y = 0; y < height; ++y) {
      const HRESULT hr = dest_.EncodeRow(y, z, acc.get() + size_t(y) * width);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

}  // namespace d3dx
