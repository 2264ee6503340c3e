// Per-axis weight tables of the resampling filters, built once per transfer for one source and
// one destination size. `wrap` is true when the axis's mirror flag is not set.
#pragma once
#include <windef.h>

#include <memory>

namespace d3dx {

// Bilinear sampling at pixel centres: destination index i reads source indices first and second.
struct LinearTap {
  UINT first, second;
  float firstWeight, secondWeight;
};

// One tap per destination index; null when memory is exhausted.
std::unique_ptr<LinearTap[]> BuildLinearTaps(UINT srcSize, UINT destSize, bool wrap);

// The tent filter as area-weighted resampling of the piecewise-linear reconstruction: for each
// source index the destination indices it contributes to, with their weights. The weights that
// any destination index receives sum to 1.
class TriangleWeights {
 public:
  struct Pair {
    UINT index;
    float weight;
  };

  // false when memory is exhausted.
  bool Build(UINT srcSize, UINT destSize, bool wrap);

  // The pairs of source index i, as [Begin(i), End(i)).
  const Pair* Begin(UINT i) const { return pairs_.get() + start_[i]; }
  const Pair* End(UINT i) const { return pairs_.get() + start_[i + 1]; }
  UINT SourceSize() const { return srcSize_; }
  UINT DestSize() const { return destSize_; }

 private:
  std::unique_ptr<UINT[]> start_;  // srcSize + 1 offsets into pairs_
  std::unique_ptr<Pair[]> pairs_;
  UINT srcSize_ = 0, destSize_ = 0;
};

// The same pairs filed by destination index: for each destination index the source indices that
// reach it with their weights, in the order a walk over the source meets them (source indices
// ascending, each one's pairs in order). Sums taken in this order are the scattered sums bit for
// bit, yet need only the few source rows that touch one destination row.
class TriangleGather {
 public:
  using Pair = TriangleWeights::Pair;

  // false when memory is exhausted.
  bool Build(const TriangleWeights& scatter);

  // The pairs (source index, weight) of destination index d, as [Begin(d), End(d)).
  const Pair* Begin(UINT d) const { return pairs_.get() + start_[d]; }
  const Pair* End(UINT d) const { return pairs_.get() + start_[d + 1]; }
  UINT DestSize() const { return destSize_; }

 private:
  std::unique_ptr<UINT[]> start_;  // destSize + 1 offsets into pairs_
  std::unique_ptr<Pair[]> pairs_;
  UINT destSize_ = 0;
};

}  // namespace d3dx
