// The file, resource and short in-memory forms of texture creation from image files, for the
// three families: each opens its source and passes the bytes to the in-memory Ex form.
#include <d3dx9tex.h>

#include "file_mapping.h"

using namespace d3dx;

namespace {

// The arguments of the short forms: sizes and levels chosen from the image, the managed pool,
// the default filters, no key, no info, no palette.
constexpr UINT kDefault = D3DX_DEFAULT;
constexpr D3DPOOL kDefaultPool = D3DPOOL_MANAGED;

// Maps `file` and hands its bytes to `create`; the mapping closes on return.
template <class Name, class Out, class Create>
HRESULT FromFile(IDirect3DDevice9* device, Name file, Out* out, Create create) {
  if (!device || !file || !out) return D3DERR_INVALIDCALL;
  MappedFile mapped;
  const HRESULT hr = mapped.Open(file);
  if (FAILED(hr)) return hr;
  return create(mapped.Data(), mapped.Size());
}

// The same for a module resource, bitmaps tried before raw data.
template <class Name, class Out, class Create>
HRESULT FromResource(IDirect3DDevice9* device, HMODULE module, Name resource, Out* out, Create create) {
  if (!device || !resource || !out) return D3DERR_INVALIDCALL;
  ResourceBlock block;
  const HRESULT hr = block.Open(module, resource, true);
  if (FAILED(hr)) return hr;
  return create(block.Data(), block.Size());
}

}  // namespace

// Textures.

HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture) {
  return FromFile(pDevice, pSrcFile, ppTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, MipLevels, Usage, Format,
                                               Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                               ppTexture);
  });
}

HRESULT WINAPI D3DXCreateTextureFromFileExW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture) {
  return FromFile(pDevice, pSrcFile, ppTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, MipLevels, Usage, Format,
                                               Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                               ppTexture);
  });
}

HRESULT WINAPI D3DXCreateTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                LPCSTR pSrcResource, UINT Width, UINT Height, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture) {
  return FromResource(pDevice, hSrcModule, pSrcResource, ppTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, MipLevels, Usage, Format,
                                               Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                               ppTexture);
  });
}

HRESULT WINAPI D3DXCreateTextureFromResourceExW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                LPCWSTR pSrcResource, UINT Width, UINT Height, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture) {
  return FromResource(pDevice, hSrcModule, pSrcResource, ppTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, MipLevels, Usage, Format,
                                               Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                               ppTexture);
  });
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                 UINT SrcDataSize, LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, kDefault, kDefault, kDefault, 0,
                                             D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                             nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, kDefault, kDefault, kDefault, 0, D3DFMT_UNKNOWN,
                                      kDefaultPool, kDefault, kDefault, 0, nullptr, nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromFileW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromFileExW(pDevice, pSrcFile, kDefault, kDefault, kDefault, 0, D3DFMT_UNKNOWN,
                                      kDefaultPool, kDefault, kDefault, 0, nullptr, nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                              LPCSTR pSrcResource, LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromResourceExA(pDevice, hSrcModule, pSrcResource, kDefault, kDefault, kDefault, 0,
                                          D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                          nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                              LPCWSTR pSrcResource, LPDIRECT3DTEXTURE9* ppTexture) {
  return D3DXCreateTextureFromResourceExW(pDevice, hSrcModule, pSrcResource, kDefault, kDefault, kDefault, 0,
                                          D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                          nullptr, ppTexture);
}

// Cube textures.

HRESULT WINAPI D3DXCreateCubeTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Size,
                                                UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return FromFile(pDevice, pSrcFile, ppCubeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateCubeTextureFromFileInMemoryEx(pDevice, data, size, Size, MipLevels, Usage, Format, Pool,
                                                   Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                                   ppCubeTexture);
  });
}

HRESULT WINAPI D3DXCreateCubeTextureFromFileExW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile, UINT Size,
                                                UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return FromFile(pDevice, pSrcFile, ppCubeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateCubeTextureFromFileInMemoryEx(pDevice, data, size, Size, MipLevels, Usage, Format, Pool,
                                                   Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                                   ppCubeTexture);
  });
}

HRESULT WINAPI D3DXCreateCubeTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCSTR pSrcResource, UINT Size, UINT MipLevels,
                                                    DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                    DWORD MipFilter, D3DCOLOR ColorKey,
                                                    D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                    LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return FromResource(pDevice, hSrcModule, pSrcResource, ppCubeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateCubeTextureFromFileInMemoryEx(pDevice, data, size, Size, MipLevels, Usage, Format, Pool,
                                                   Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                                   ppCubeTexture);
  });
}

HRESULT WINAPI D3DXCreateCubeTextureFromResourceExW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCWSTR pSrcResource, UINT Size, UINT MipLevels,
                                                    DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                    DWORD MipFilter, D3DCOLOR ColorKey,
                                                    D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                    LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return FromResource(pDevice, hSrcModule, pSrcResource, ppCubeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateCubeTextureFromFileInMemoryEx(pDevice, data, size, Size, MipLevels, Usage, Format, Pool,
                                                   Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                                   ppCubeTexture);
  });
}

HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                     UINT SrcDataSize,
                                                     LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return D3DXCreateCubeTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, kDefault, kDefault, 0,
                                                 D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                                 nullptr, ppCubeTexture);
}

HRESULT WINAPI D3DXCreateCubeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                              LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return D3DXCreateCubeTextureFromFileExA(pDevice, pSrcFile, kDefault, kDefault, 0, D3DFMT_UNKNOWN,
                                          kDefaultPool, kDefault, kDefault, 0, nullptr, nullptr,
                                          ppCubeTexture);
}

HRESULT WINAPI D3DXCreateCubeTextureFromFileW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile,
                                              LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return D3DXCreateCubeTextureFromFileExW(pDevice, pSrcFile, kDefault, kDefault, 0, D3DFMT_UNKNOWN,
                                          kDefaultPool, kDefault, kDefault, 0, nullptr, nullptr,
                                          ppCubeTexture);
}

HRESULT WINAPI D3DXCreateCubeTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                  LPCSTR pSrcResource,
                                                  LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return D3DXCreateCubeTextureFromResourceExA(pDevice, hSrcModule, pSrcResource, kDefault, kDefault, 0,
                                              D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                              nullptr, ppCubeTexture);
}

HRESULT WINAPI D3DXCreateCubeTextureFromResourceW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                  LPCWSTR pSrcResource,
                                                  LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  return D3DXCreateCubeTextureFromResourceExW(pDevice, hSrcModule, pSrcResource, kDefault, kDefault, 0,
                                              D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                              nullptr, ppCubeTexture);
}

// Volume textures.

HRESULT WINAPI D3DXCreateVolumeTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                                  UINT Height, UINT Depth, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                  DWORD MipFilter, D3DCOLOR ColorKey,
                                                  D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                  LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return FromFile(pDevice, pSrcFile, ppVolumeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateVolumeTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, Depth, MipLevels,
                                                     Usage, Format, Pool, Filter, MipFilter, ColorKey,
                                                     pSrcInfo, pPalette, ppVolumeTexture);
  });
}

HRESULT WINAPI D3DXCreateVolumeTextureFromFileExW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile, UINT Width,
                                                  UINT Height, UINT Depth, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                  DWORD MipFilter, D3DCOLOR ColorKey,
                                                  D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                  LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return FromFile(pDevice, pSrcFile, ppVolumeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateVolumeTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, Depth, MipLevels,
                                                     Usage, Format, Pool, Filter, MipFilter, ColorKey,
                                                     pSrcInfo, pPalette, ppVolumeTexture);
  });
}

HRESULT WINAPI D3DXCreateVolumeTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                      LPCSTR pSrcResource, UINT Width, UINT Height,
                                                      UINT Depth, UINT MipLevels, DWORD Usage,
                                                      D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                      DWORD MipFilter, D3DCOLOR ColorKey,
                                                      D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                      LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return FromResource(pDevice, hSrcModule, pSrcResource, ppVolumeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateVolumeTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, Depth, MipLevels,
                                                     Usage, Format, Pool, Filter, MipFilter, ColorKey,
                                                     pSrcInfo, pPalette, ppVolumeTexture);
  });
}

HRESULT WINAPI D3DXCreateVolumeTextureFromResourceExW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                      LPCWSTR pSrcResource, UINT Width, UINT Height,
                                                      UINT Depth, UINT MipLevels, DWORD Usage,
                                                      D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                      DWORD MipFilter, D3DCOLOR ColorKey,
                                                      D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                      LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return FromResource(pDevice, hSrcModule, pSrcResource, ppVolumeTexture, [&](LPCVOID data, UINT size) {
    return D3DXCreateVolumeTextureFromFileInMemoryEx(pDevice, data, size, Width, Height, Depth, MipLevels,
                                                     Usage, Format, Pool, Filter, MipFilter, ColorKey,
                                                     pSrcInfo, pPalette, ppVolumeTexture);
  });
}

HRESULT WINAPI D3DXCreateVolumeTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                       UINT SrcDataSize,
                                                       LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return D3DXCreateVolumeTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, kDefault, kDefault,
                                                   kDefault, kDefault, 0, D3DFMT_UNKNOWN, kDefaultPool,
                                                   kDefault, kDefault, 0, nullptr, nullptr, ppVolumeTexture);
}

HRESULT WINAPI D3DXCreateVolumeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                                LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return D3DXCreateVolumeTextureFromFileExA(pDevice, pSrcFile, kDefault, kDefault, kDefault, kDefault, 0,
                                            D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                            nullptr, ppVolumeTexture);
}

HRESULT WINAPI D3DXCreateVolumeTextureFromFileW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile,
                                                LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return D3DXCreateVolumeTextureFromFileExW(pDevice, pSrcFile, kDefault, kDefault, kDefault, kDefault, 0,
                                            D3DFMT_UNKNOWN, kDefaultPool, kDefault, kDefault, 0, nullptr,
                                            nullptr, ppVolumeTexture);
}

HRESULT WINAPI D3DXCreateVolumeTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCSTR pSrcResource,
                                                    LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return D3DXCreateVolumeTextureFromResourceExA(pDevice, hSrcModule, pSrcResource, kDefault, kDefault,
                                                kDefault, kDefault, 0, D3DFMT_UNKNOWN, kDefaultPool, kDefault,
                                                kDefault, 0, nullptr, nullptr, ppVolumeTexture);
}

HRESULT WINAPI D3DXCreateVolumeTextureFromResourceW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCWSTR pSrcResource,
                                                    LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  return D3DXCreateVolumeTextureFromResourceExW(pDevice, hSrcModule, pSrcResource, kDefault, kDefault,
                                                kDefault, kDefault, 0, D3DFMT_UNKNOWN, kDefaultPool, kDefault,
                                                kDefault, 0, nullptr, nullptr, ppVolumeTexture);
}
