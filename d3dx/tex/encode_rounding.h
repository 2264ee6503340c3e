// Rounding rules shared by the encoders: round-toward-zero for the span of a scope (quantising
// uses truncating conversions and expects products and sums to truncate too), and saturation.
#pragma once
#include <cfenv>

namespace d3dx {

class RoundTowardZero {
 public:
  RoundTowardZero() : saved_(std::fegetround()) { std::fesetround(FE_TOWARDZERO); }
  ~RoundTowardZero() { std::fesetround(saved_); }
  RoundTowardZero(const RoundTowardZero&) = delete;
  RoundTowardZero& operator=(const RoundTowardZero&) = delete;

 private:
  int saved_;
};

// [0, 1]; values not below 1, NaN among them, become 1.
inline float Saturate(float v) { return !(v < 1.0f) ? 1.0f : v > 0.0f ? v : 0.0f; }

}  // namespace d3dx
