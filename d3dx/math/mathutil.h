// Thresholds and small helpers shared by the math routines.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace mathutil {

constexpr float kEpsilon = 1.1920929e-7f;          // 2^-23
constexpr float kMinNormal = 1.1754944e-38f;       // smallest normal float
constexpr float kQuatInverseMin = 1.0842022e-19f;  // 2^-63

inline bool NearOne(float x) { return std::fabs(x - 1.0f) <= kEpsilon; }
inline bool NearZero(float x) { return std::fabs(x) <= kEpsilon; }

inline uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}
inline float FromBits(uint32_t u) {
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

// Steps a pointer by a stride in bytes.
template <typename T>
inline T* Step(T* p, unsigned stride) {
  using Byte = std::conditional_t<std::is_const_v<T>, const char, char>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(p) + stride);
}

}  // namespace mathutil
