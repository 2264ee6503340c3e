// Shared helpers of the math tests: tolerant comparisons and random well-conditioned inputs.
#pragma once
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "../../d3dx/math/dispatch.h"

namespace mt {

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

// |a - b| <= tol * max(1, |a|, |b|): relative for large values, absolute near zero.
inline bool Close(float a, float b, float tol) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  const float scale = std::fmax(1.0f, std::fmax(std::fabs(a), std::fabs(b)));
  return std::fabs(a - b) <= tol * scale;
}

inline ::testing::AssertionResult CloseArray(const float* a, const float* b, int n, float tol) {
  for (int i = 0; i < n; ++i)
    if (!Close(a[i], b[i], tol))
      return ::testing::AssertionFailure() << "component " << i << ": " << a[i] << " vs " << b[i];
  return ::testing::AssertionSuccess();
}

template <typename T>
::testing::AssertionResult Near(const T& a, const T& b, float tol = 1e-5f) {
  static_assert(sizeof(T) % sizeof(float) == 0);
  return CloseArray(reinterpret_cast<const float*>(&a), reinterpret_cast<const float*>(&b),
                    (int)(sizeof(T) / sizeof(float)), tol);
}

template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

struct Rng {
  std::mt19937 gen{12345};
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(gen); }
  D3DXVECTOR2 Vec2(float r = 10) { return D3DXVECTOR2(Uniform(-r, r), Uniform(-r, r)); }
  D3DXVECTOR3 Vec3(float r = 10) { return D3DXVECTOR3(Uniform(-r, r), Uniform(-r, r), Uniform(-r, r)); }
  D3DXVECTOR4 Vec4(float r = 10) {
    return D3DXVECTOR4(Uniform(-r, r), Uniform(-r, r), Uniform(-r, r), Uniform(-r, r));
  }
  D3DXQUATERNION UnitQuat() {
    D3DXQUATERNION q(Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
    const float n = std::sqrt(D3DXQuaternionLengthSq(&q));
    return n < 0.1f ? D3DXQUATERNION(0, 0, 0, 1) : q / n;
  }
  // A rotation, a scale in [0.5, 2] per axis and a translation: comfortably invertible.
  D3DXMATRIX Affine() {
    D3DXMATRIX s, r, t;
    D3DXMatrixScaling(&s, Uniform(0.5f, 2), Uniform(0.5f, 2), Uniform(0.5f, 2));
    const D3DXQUATERNION q = UnitQuat();
    mathref::MatrixRotationQuaternion(&r, &q);
    mathref::MatrixTranslation(&t, Uniform(-5, 5), Uniform(-5, 5), Uniform(-5, 5));
    D3DXMATRIX m;
    mathref::MatrixMultiply(&m, &s, &r);
    mathref::MatrixMultiply(&m, &m, &t);
    return m;
  }
  // An affine matrix with a gentle projective column: for points within 10 of the origin w' stays
  // above 0.5, so the division does not amplify rounding.
  D3DXMATRIX General() {
    D3DXMATRIX m = Affine();
    m._14 = Uniform(-0.01f, 0.01f);
    m._24 = Uniform(-0.01f, 0.01f);
    m._34 = Uniform(-0.01f, 0.01f);
    m._44 = Uniform(0.8f, 1.2f);
    return m;
  }
};

// Runs a test body with only the reference versions installed, and restores detection after.
struct ReferenceOnly : ::testing::Test {
  void SetUp() override { D3DXCpuOptimizations(FALSE); }
  void TearDown() override { D3DXCpuOptimizations(TRUE); }
};

}  // namespace mt
