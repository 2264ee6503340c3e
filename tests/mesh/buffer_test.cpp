#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstring>

TEST(Buffer, CreationArgumentsAndSizes) {
  EXPECT_EQ(D3DXCreateBuffer(16, nullptr), D3DERR_INVALIDCALL);

  ID3DXBuffer* empty = nullptr;
  ASSERT_EQ(D3DXCreateBuffer(0, &empty), S_OK);
  EXPECT_EQ(empty->GetBufferSize(), 0u);
  EXPECT_EQ(empty->Release(), 0u);

  ID3DXBuffer* buffer = nullptr;
  ASSERT_EQ(D3DXCreateBuffer(12, &buffer), S_OK);
  EXPECT_EQ(buffer->GetBufferSize(), 12u);
  ASSERT_NE(buffer->GetBufferPointer(), nullptr);
  std::memset(buffer->GetBufferPointer(), 0xAB, 12);  // the whole block is writable
  EXPECT_EQ(buffer->AddRef(), 2u);
  EXPECT_EQ(buffer->Release(), 1u);
  EXPECT_EQ(buffer->Release(), 0u);
}

TEST(Buffer, QueryInterfaceAnswersItsOwnIdentifiers) {
  ID3DXBuffer* buffer = nullptr;
  ASSERT_EQ(D3DXCreateBuffer(4, &buffer), S_OK);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(buffer->QueryInterface(IID_IDirect3DDevice9, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(buffer->AddRef(), 2u);  // the failed query took no reference
  buffer->Release();

  ASSERT_EQ(buffer->QueryInterface(IID_ID3DXBuffer, &out), S_OK);
  EXPECT_EQ(out, buffer);
  ASSERT_EQ(buffer->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, buffer);
  EXPECT_EQ(buffer->Release(), 2u);
  EXPECT_EQ(buffer->Release(), 1u);
  EXPECT_EQ(buffer->Release(), 0u);
}
