// Tent-filter resampling for any size ratio. Separable: each source row is decoded once and
// filtered across into a destination-wide row, which is then added into the destination rows
// it contributes to. Only the destination rows (or slices) still waiting for contributions are
// kept; a finished one is clamped to the source's range, encoded and its buffer reused.
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

// How many (source index, weight) pairs reach each destination index, and the largest number
// of destination indices open at once when the source is walked in order.
struct Contributions {
  std::unique_ptr<UINT[]> remaining;
  UINT maxOpen = 0;

  bool Count(const TriangleWeights& w) {
    remaining = TryAllocate<UINT>(w.DestSize());
    auto left = TryAllocate<UINT>(w.DestSize());
    if (!remaining || !left) return false;
    for (UINT s = 0; s < w.SourceSize(); ++s)
      for (const TriangleWeights::Pair* p = w.Begin(s); p != w.End(s); ++p) ++remaining[p->index];
    std::memcpy(left.get(), remaining.get(), sizeof(UINT) * w.DestSize());
    UINT open = 0;
    auto isOpen = TryAllocate<bool>(w.DestSize());
    if (!isOpen) return false;
    for (UINT s = 0; s < w.SourceSize(); ++s)
      for (const TriangleWeights::Pair* p = w.Begin(s); p != w.End(s); ++p) {
        if (!isOpen[p->index]) isOpen[p->index] = true, ++open;
        if (open > maxOpen) maxOpen = open;
        if (--left[p->index] == 0) --open;
      }
    return true;
  }
};

// Destination buffers (rows or slices) of `size` colours each, taken when a destination index
// receives its first contribution and given back once it is encoded.
class AccumulatorPool {
 public:
  bool Allocate(UINT count, size_t size, UINT destSize) {
    size_ = size;
    storage_ = TryAllocate<D3DXCOLOR>(size * count);
    free_ = TryAllocate<UINT>(count);
    slotOf_ = TryAllocate<int>(destSize);
    if (!storage_ || !free_ || !slotOf_) return false;
    for (UINT i = 0; i < count; ++i) free_[i] = i;
    freeCount_ = count;
    for (UINT i = 0; i < destSize; ++i) slotOf_[i] = -1;
    return true;
  }

  // The buffer of destination index d, zeroed when it is first taken.
  D3DXCOLOR* Take(UINT d) {
    if (slotOf_[d] < 0) {
      slotOf_[d] = int(free_[--freeCount_]);
      std::memset(static_cast<void*>(Buffer(d)), 0, sizeof(D3DXCOLOR) * size_);
    }
    return Buffer(d);
  }
  void Release(UINT d) {
    free_[freeCount_++] = UINT(slotOf_[d]);
    slotOf_[d] = -1;
  }

 private:
  D3DXCOLOR* Buffer(UINT d) { return storage_.get() + size_ * UINT(slotOf_[d]); }

  size_t size_ = 0;
  std::unique_ptr<D3DXCOLOR[]> storage_;
  std::unique_ptr<UINT[]> free_;
  std::unique_ptr<int[]> slotOf_;
  UINT freeCount_ = 0;
};

}  // namespace

HRESULT Blitter::FilterTriangle2D() {
  if (source_.Depth() != 1 || dest_.Depth() != 1 || SourceEmpty()) return kDeclined;
  const UINT width = dest_.Width(), height = dest_.Height();
  TriangleWeights wx, wy;
  Contributions rows;
  AccumulatorPool pool;
  auto decoded = TryAllocate<D3DXCOLOR>(source_.Width());
  auto across = TryAllocate<D3DXCOLOR>(width);
  if (!wx.Build(source_.Width(), width, !HasFlag(D3DX_FILTER_MIRROR_U)) ||
      !wy.Build(source_.Height(), height, !HasFlag(D3DX_FILTER_MIRROR_V)) || !rows.Count(wy) || !decoded ||
      !across || !pool.Allocate(rows.maxOpen, width, height))
    return E_OUTOFMEMORY;

  // A destination row that nothing reaches would never be finished.
  for (UINT y = 0; y < height; ++y)
    if (!rows.remaining[y]) {
      std::memset(static_cast<void*>(across.get()), 0, sizeof(D3DXCOLOR) * width);
      HRESULT hr = dest_.EncodeRow(y, 0, across.get());
      if (FAILED(hr)) return hr;
    }

  for (UINT sy = 0; sy < source_.Height(); ++sy) {
    HRESULT hr = source_.DecodeRow(sy, 0, decoded.get());
    if (FAILED(hr)) return hr;
    FilterAcross(decoded.get(), wx, across.get());
    for (const TriangleWeights::Pair* p = wy.Begin(sy); p != wy.End(sy); ++p) {
      D3DXCOLOR* acc = pool.Take(p->index);
      AddScaled(acc, across.get(), p->weight, width);
      if (--rows.remaining[p->index]) continue;
      ClampToKind(source_.Kind(), acc, width);
      hr = dest_.EncodeRow(p->index, 0, acc);
      if (FAILED(hr)) return hr;
      pool.Release(p->index);
    }
  }
  return S_OK;
}

HRESULT Blitter::FilterTriangle3D() {
  if (SourceEmpty()) return kDeclined;
  const UINT width = dest_.Width(), height = dest_.Height(), depth = dest_.Depth();
  const size_t planeSize = size_t(width) * height;
  TriangleWeights wx, wy, wz;
  Contributions slices;
  AccumulatorPool pool;
  auto decoded = TryAllocate<D3DXCOLOR>(source_.Width());
  auto across = TryAllocate<D3DXCOLOR>(width);
  auto plane = TryAllocate<D3DXCOLOR>(planeSize);
  if (!wx.Build(source_.Width(), width, !HasFlag(D3DX_FILTER_MIRROR_U)) ||
      !wy.Build(source_.Height(), height, !HasFlag(D3DX_FILTER_MIRROR_V)) ||
      !wz.Build(source_.Depth(), depth, !HasFlag(D3DX_FILTER_MIRROR_W)) || !slices.Count(wz) || !decoded ||
      !across || !plane || !pool.Allocate(slices.maxOpen, planeSize, depth))
    return E_OUTOFMEMORY;

  auto encodeSlice = [&](UINT z, const D3DXCOLOR* colors) {
    for (UINT y = 0; y < height; ++y) {
      HRESULT hr = dest_.EncodeRow(y, z, colors + size_t(y) * width);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  };
  std::memset(static_cast<void*>(plane.get()), 0, sizeof(D3DXCOLOR) * planeSize);
  for (UINT z = 0; z < depth; ++z)
    if (!slices.remaining[z]) {
      HRESULT hr = encodeSlice(z, plane.get());
      if (FAILED(hr)) return hr;
    }

  for (UINT sz = 0; sz < source_.Depth(); ++sz) {
    // The source slice resampled to the destination's width and height.
    std::memset(static_cast<void*>(plane.get()), 0, sizeof(D3DXCOLOR) * planeSize);
    for (UINT sy = 0; sy < source_.Height(); ++sy) {
      HRESULT hr = source_.DecodeRow(sy, sz, decoded.get());
      if (FAILED(hr)) return hr;
      FilterAcross(decoded.get(), wx, across.get());
      for (const TriangleWeights::Pair* p = wy.Begin(sy); p != wy.End(sy); ++p)
        AddScaled(plane.get() + size_t(p->index) * width, across.get(), p->weight, width);
    }
    for (const TriangleWeights::Pair* p = wz.Begin(sz); p != wz.End(sz); ++p) {
      D3DXCOLOR* acc = pool.Take(p->index);
      AddScaled(acc, plane.get(), p->weight, planeSize);
      if (--slices.remaining[p->index]) continue;
      ClampToKind(source_.Kind(), acc, planeSize);
      HRESULT hr = encodeSlice(p->index, acc);
      if (FAILED(hr)) return hr;
      pool.Release(p->index);
    }
  }
  return S_OK;
}

}  // namespace d3dx
