// Round-toward-zero for the quantising loops of the encoders: products and sums round toward
// zero and conversions truncate, as the stored values are defined. The caller's mode comes back
// when the scope ends.
#pragma once
#include <xmmintrin.h>

namespace d3dx {

class RoundTowardZeroScope {
 public:
  RoundTowardZeroScope() : saved_(_mm_getcsr()) {
    _mm_setcsr((saved_ & ~_MM_ROUND_MASK) | _MM_ROUND_TOWARD_ZERO);
  }
  ~RoundTowardZeroScope() { _mm_setcsr(saved_); }
  RoundTowardZeroScope(const RoundTowardZeroScope&) = delete;
  RoundTowardZeroScope& operator=(const RoundTowardZeroScope&) = delete;

 private:
  unsigned saved_;
};

}  // namespace d3dx
