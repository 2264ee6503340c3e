#include <d3d9.h>
#include <gtest/gtest.h>

// The runtime's structures keep the platform ABI's layout: callers copy them bytewise.
TEST(Headers, StructureSizes) {
  EXPECT_EQ(sizeof(D3DMATRIX), 64u);
  EXPECT_EQ(sizeof(D3DVERTEXELEMENT9), 8u);
  EXPECT_EQ(sizeof(D3DLIGHT9), 104u);
  EXPECT_EQ(sizeof(D3DMATERIAL9), 68u);
  EXPECT_EQ(sizeof(D3DVIEWPORT9), 24u);
  EXPECT_EQ(sizeof(D3DDEVINFO_VCACHE), 16u);
  EXPECT_EQ(D3DERR_INVALIDCALL, (HRESULT)0x8876086C);
  EXPECT_EQ(D3DERR_NOTAVAILABLE, (HRESULT)0x8876086A);
  EXPECT_EQ(D3DERR_DEVICELOST, (HRESULT)0x88760868);
  EXPECT_EQ(D3DFMT_DXT1, (D3DFORMAT)0x31545844);
}
