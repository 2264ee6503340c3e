// Core library objects: the general-purpose result buffer.
#pragma once
#include "d3dx9.h"

// {932E6A7E-C68E-45DD-A7BF-53D19C86DB1F}
DEFINE_GUID(IID_ID3DXBuffer, 0x932e6a7e, 0xc68e, 0x45dd, 0xa7, 0xbf, 0x53, 0xd1, 0x9c, 0x86, 0xdb, 0x1f);

// A block of bytes handed to callers (adjacency, remaps, materials, messages).
struct ID3DXBuffer : public IUnknown {
  virtual LPVOID GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer);
