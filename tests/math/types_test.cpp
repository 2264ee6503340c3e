#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstddef>

// The value types are plain structures that callers copy bytewise and hand to the runtime.
TEST(MathTypes, LayoutMatchesTheRuntime) {
  EXPECT_EQ(offsetof(D3DXMATRIX, _41), 48u);
  EXPECT_EQ(offsetof(D3DXMATRIX, _23), 24u);
  EXPECT_EQ(offsetof(D3DXQUATERNION, w), 12u);
  EXPECT_EQ(offsetof(D3DXPLANE, d), 12u);
  EXPECT_EQ(offsetof(D3DXCOLOR, a), 12u);
  EXPECT_EQ(offsetof(D3DVIEWPORT9, MinZ), 16u);
  D3DXVECTOR3 v(1, 2, 3);
  const D3DVECTOR& base = v;
  EXPECT_EQ(base.z, 3.0f);
}
