// Core library objects: the general-purpose result buffer and the sprite.
#pragma once
#pragma GCC visibility push(default)
#include "d3dx9.h"
#include "d3dx9math.h"

// {932E6A7E-C68E-45DD-A7BF-53D19C86DB1F}
DEFINE_GUID(IID_ID3DXBuffer, 0x932e6a7e, 0xc68e, 0x45dd, 0xa7, 0xbf, 0x53, 0xd1, 0x9c, 0x86, 0xdb, 0x1f);

// A block of bytes handed to callers (adjacency, remaps, materials, messages).
struct ID3DXBuffer : public IUnknown {
  virtual LPVOID GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer);

// {B07EC84A-8D35-4E86-A9A0-8DFF21D71075}
DEFINE_GUID(IID_ID3DXSprite, 0xb07ec84a, 0x8d35, 0x4e86, 0xa9, 0xa0, 0x8d, 0xff, 0x21, 0xd7, 0x10, 0x75);

// Draws texture rectangles as screen-space quads, one texel per pixel, modulated by a colour and
// alpha-blended (or alpha-tested where the device cannot blend). Begin sets the states sprites
// need and End restores the caller's; a draw outside Begin/End brackets itself.
struct ID3DXSprite : public IUnknown {
  virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* device) = 0;
  virtual HRESULT Begin() = 0;
  // The source rectangle (null: the whole level 0) scaled, rotated by `rotation` radians about
  // the rotation centre and translated; every vector may be null.
  virtual HRESULT Draw(LPDIRECT3DTEXTURE9 texture, const RECT* source, const D3DXVECTOR2* scaling,
                       const D3DXVECTOR2* rotationCenter, FLOAT rotation, const D3DXVECTOR2* translation,
                       D3DCOLOR color) = 0;
  virtual HRESULT DrawTransform(LPDIRECT3DTEXTURE9 texture, const RECT* source, const D3DXMATRIX* transform,
                                D3DCOLOR color) = 0;
  virtual HRESULT End() = 0;
  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXSprite* LPD3DXSPRITE;

HRESULT WINAPI D3DXCreateSprite(LPDIRECT3DDEVICE9 device, LPD3DXSPRITE* sprite);

// {4AAE6B4D-D15F-4909-B09F-8D6AA34AC06B}
DEFINE_GUID(IID_ID3DXFont, 0x4aae6b4d, 0xd15f, 0x4909, 0xb0, 0x9f, 0x8d, 0x6a, 0xa3, 0x4a, 0xc0, 0x6b);

// Text laid out and rasterised by GDI, drawn on the device as sprites modulated by a colour.
// Every font of a device shares one renderer, so Begin on one font and DrawText on another
// draw inside the same bracket.
struct ID3DXFont : public IUnknown {
  virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* device) = 0;
  virtual HRESULT GetLogFont(LOGFONTA* logFont) = 0;
  virtual HRESULT Begin() = 0;
  // GDI DrawText formats; count -1 for a terminated string. Returns the text height GDI reports
  // (with DT_CALCRECT the rectangle is set to the text's box and nothing is drawn), 0 on failure.
  virtual INT DrawTextA(LPCSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) = 0;
  virtual INT DrawTextW(LPCWSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) = 0;
  virtual HRESULT End() = 0;
  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXFont* LPD3DXFONT;

HRESULT WINAPI D3DXCreateFontIndirect(LPDIRECT3DDEVICE9 device, const LOGFONTA* logFont, LPD3DXFONT* font);
// A font with the description of a GDI font (which the caller keeps).
HRESULT WINAPI D3DXCreateFont(LPDIRECT3DDEVICE9 device, HFONT gdiFont, LPD3DXFONT* font);
#pragma GCC visibility pop
