// The weight tables of the linear and triangle filters.
#include "filter_weights.h"

#include <cmath>
#include <new>

#include "round_mode.h"

namespace d3dx {

std::unique_ptr<LinearTap[]> BuildLinearTaps(UINT srcSize, UINT destSize, bool wrap) {
  std::unique_ptr<LinearTap[]> taps(new (std::nothrow) LinearTap[destSize ? destSize : 1]);
  if (!taps || !srcSize) return taps;
  RoundTowardZeroScope rtz;
  const float h = float(srcSize) / float(destSize);
  for (UINT i = 0; i < destSize; ++i) {
    const float o = (float(i) + 0.5f) * h + 0.5f;
    const long long second = static_cast<long long>(o);  // o > 0: truncation is the floor
    const long long first = second - 1;
    LinearTap& t = taps[i];
    t.firstWeight = float(second) + 1.0f - o;
    t.secondWeight = 1.0f - t.firstWeight;
    t.first = first < 0 ? (wrap ? srcSize - 1 : 0) : UINT(first);
    t.second = second >= srcSize ? (wrap ? 0 : srcSize - 1) : UINT(second);
  }
  return taps;
}

bool TriangleWeights::Build(UINT srcSize, UINT destSize, bool wrap) {
  srcSize_ = srcSize;
  destSize_ = destSize;
  start_.reset(new (std::nothrow) UINT[size_t(srcSize) + 1]);
  if (!start_) return false;
  start_[0] = 0;
  if (!srcSize || !destSize) {
    for (UINT i = 0; i < srcSize; ++i) start_[i + 1] = 0;
    pairs_.reset(new (std::nothrow) Pair[1]);
    return pairs_ != nullptr;
  }
  // Each half of a source pixel spans b destination pixels, so it touches at most ⌊b⌋ + 2.
  const uint64_t perPixel = 2 * (uint64_t(destSize / srcSize) + 2);
  const uint64_t capacity = perPixel * srcSize;
  if (capacity > UINT32_MAX) return false;
  pairs_.reset(new (std::nothrow) Pair[capacity]);
  if (!pairs_) return false;

  constexpr float kThreshold = 0.00001f;
  const float b = float(destSize) / float(srcSize);
  const float halfOverB = 0.5f / b;
  const float destEnd = float(destSize);
  UINT count = 0;
  for (UINT i = 0; i < srcSize; ++i) {
    // Successive contributions to one destination index are summed before they are kept.
    long long pending = -1;
    float sum = 0.0f;
    auto flush = [&] {
      if (pending >= 0 && sum > kThreshold && count < capacity) pairs_[count++] = {UINT(pending), sum};
    };
    for (int j = 0; j < 2; ++j) {
      const float g = float(i) + float(j) - 0.5f;
      float l = g * b, o = l + b;
      if (!wrap) {
        if (l < 0.0f) l = 0.0f;
        if (o > destEnd) o = destEnd;
      }
      for (long long k = static_cast<long long>(std::floor(l)); float(k) < o; ++k) {
        const long long index = k < 0 ? k + destSize : (k >= destSize ? k - destSize : k);
        const float v = l > float(k) ? l : float(k);
        const float m = o < float(k + 1) ? o : float(k + 1);
        float a = (v + m) * halfOverB - g;
        if (!wrap) {
          if (g < 0.0f) a = 1.0f;
          if (g + 1.0f >= float(srcSize)) a = 0.0f;
        }
        const float contribution = (j == 0 ? a : 1.0f - a) * (m - v);
        if (index != pending) {
          flush();
          pending = index;
          sum = 0.0f;
        }
        sum += contribution;
      }
    }
    flush();
    start_[i + 1] = count;
  }
  return true;
}

bool TriangleGather::Build(const TriangleWeights& scatter) {
  destSize_ = scatter.DestSize();
  const UINT srcSize = scatter.SourceSize();
  const UINT total = srcSize ? UINT(scatter.End(srcSize - 1) - scatter.Begin(0)) : 0;
  start_.reset(new (std::nothrow) UINT[size_t(destSize_) + 1]());
  pairs_.reset(new (std::nothrow) Pair[total ? total : 1]);
  if (!start_ || !pairs_) return false;
  // A counting sort, stable in the source order.
  for (UINT s = 0; s < srcSize; ++s)
    for (const Pair* p = scatter.Begin(s); p != scatter.End(s); ++p) ++start_[p->index + 1];
  for (UINT d = 0; d < destSize_; ++d) start_[d + 1] += start_[d];
  std::unique_ptr<UINT[]> next(new (std::nothrow) UINT[destSize_ ? destSize_ : 1]);
  if (!next) return false;
  for (UINT d = 0; d < destSize_; ++d) next[d] = start_[d];
  for (UINT s = 0; s < srcSize; ++s)
    for (const Pair* p = scatter.Begin(s); p != scatter.End(s); ++p)
      pairs_[next[p->index]++] = {s, p->weight};
  return true;
}

}  // namespace d3dx
