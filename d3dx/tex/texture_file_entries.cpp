// The file, resource and short in-memory forms of texture creation from image files: each opens
// its source and passes it to the in-memory Ex form of its family.
#include <d3dx9tex.h>

#include "file_mapping.h"

using namespace d3dx;

namespace {

// The defaults of the short forms.
constexpr UINT kDefaultSize = D3DX_DEFAULT;
constexpr D3DPOOL kDefaultPool = D3DPOOL_MANAGED;

// Opens `source` with `open` and hands its bytes to `create`; the source closes on return.
template <class Source, class Open, class Create>
HRESULT WithSource(Open open, Create create) {
  Source source;
  const HRESULT hr = open(source);
  if (FAILED(hr)) return hr;
  return create(source.Data(), source.Size());
}

template <class Name>
HRESULT TextureFromFile(LPDIRECT3DDEVICE9 device, Name file, UINT width, UINT height, UINT levels,
                        DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                        D3DCOLOR key, D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                        LPDIRECT3DTEXTURE9* texture) {
  if (!device || !file || !texture) return D3DERR_INVALIDCALL;
  return WithSource<MappedFile>([&](MappedFile& f) { return f.Open(file); },
                                [&](LPCVOID data, UINT size) {
                                  return D3DXCreateTextureFromFileInMemoryEx(
                                      device, data, size, width, height, levels, usage, format, pool, filter,
                                      mipFilter, key, info, palette, texture);
                                });
}

template <class Name>
HRESULT TextureFromResource(LPDIRECT3DDEVICE9 device, HMODULE module, Name resource, UINT width, UINT height,
                            UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                            DWORD mipFilter, D3DCOLOR key, D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                            LPDIRECT3DTEXTURE9* texture) {
  if (!device || !resource || !texture) return D3DERR_INVALIDCALL;
  return WithSource<ResourceBlock>([&](ResourceBlock& b) { return b.Open(module, resource, true); },
                                   [&](LPCVOID data, UINT size) {
                                     return D3DXCreateTextureFromFileInMemoryEx(
                                         device, data, size, width, height, levels, usage, format, pool,
                                         filter, mipFilter, key, info, palette, texture);
                                   });
}

}  // namespace

HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture) {
  return TextureFromFile(pDevice, pSrcFile, Width, Height, MipLevels, Usage, Format, Pool, Filter, MipFilter,
                         ColorKey, pSrcInfo, pPalette, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileExW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture) {
  return TextureFromFile(pDevice, pSrcFile, Width, Height, MipLevels, Usage, Format, Pool, Filter, MipFilter,
                         ColorKey, pSrcInfo, pPalette, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                LPCSTR pSrcResource, UINT Width, UINT Height, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture) {
  return TextureFromResource(pDevice, hSrcModule, pSrcResource, Width, Height, MipLevels, Usage, Format, Pool,
                             Filter, MipFilter, ColorKey, pSrcInfo, pPalette, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceExW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                LPCWSTR pSrcResource, UINT Width, UINT Height, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture) {
  return TextureFromResource(pDevice, hSrcModule, pSrcResource, Width, Height, MipLevels, Usage, Format, Pool,
                             Filter, MipFilter, ColorKey, pSrcInfo, pPalette, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                 UINT SrcDataSize, LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, kDefaultSize, kDefaultSize,
                                             D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, kDefaultPool, D3DX_DEFAULT,
                                             D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, kDefaultSize, kDefaultSize, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, kDefaultPool, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                      nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromFileExW(pDevice, pSrcFile, kDefaultSize, kDefaultSize, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, kDefaultPool, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                      nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                              LPCSTR pSrcResource, LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromResourceExA(pDevice, hSrcModule, pSrcResource, kDefaultSize, kDefaultSize,
                                          D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, kDefaultPool, D3DX_DEFAULT,
                                          D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                              LPCWSTR pSrcResource, LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromResourceExW(pDevice, hSrcModule, pSrcResource, kDefaultSize, kDefaultSize,
                                          D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, kDefaultPool, D3DX_DEFAULT,
                                          D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}
