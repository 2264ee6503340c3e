// Surfaces and volumes loaded from image files: the file's first level, or a rectangle (box) of
// it, transferred with the caller's filter and colour key.
#include <d3dx9tex.h>

#include "file_mapping.h"
#include "loaded_image.h"
#include "surface_lock.h"

using namespace d3dx;

namespace {

// The image's first level as the whole source, or `given` when it lies inside that level.
bool SourceBox(const ImageBox& whole, const ImageBox* given, ImageBox* box) {
  if (!given) {
    *box = whole;
    return true;
  }
  if (!given->IsOrdered() || !whole.Contains(*given)) return false;
  *box = *given;
  return true;
}

// Decodes `data`, checks the source part and calls `load(image, box)`; `info` only on success.
template <class Load>
HRESULT LoadFromImageFile(const void* data, UINT size, const ImageBox* given, D3DXIMAGE_INFO* info,
                          Load load) {
  LoadedImage image;
  D3DXIMAGE_INFO decoded;
  HRESULT hr = LoadImageFromMemory(&image, data, size, &decoded, true);
  if (FAILED(hr)) return hr;
  ImageBox box;
  if (!SourceBox({0, 0, image.width, image.height, 0, image.depth}, given, &box)) return D3DERR_INVALIDCALL;
  hr = load(image, box);
  if (SUCCEEDED(hr) && info) *info = decoded;
  return hr;
}

// A rectangle as a box of the first slice; false for negative edges.
bool GivenRect(const RECT* rect, ImageBox* box) {
  if (!rect) return true;
  if (rect->left < 0 || rect->top < 0 || rect->right < 0 || rect->bottom < 0) return false;
  *box = {UINT(rect->left), UINT(rect->top), UINT(rect->right), UINT(rect->bottom), 0, 1};
  return true;
}

template <class Name, class Load>
HRESULT WithFile(Name file, Load load) {
  if (!file) return D3DERR_INVALIDCALL;
  MappedFile mapped;
  const HRESULT hr = mapped.Open(file);
  if (FAILED(hr)) return hr;
  return load(mapped.Data(), mapped.Size());
}

template <class Name, class Load>
HRESULT WithResource(HMODULE module, Name resource, Load load) {
  if (!resource) return D3DERR_INVALIDCALL;
  ResourceBlock block;
  const HRESULT hr = block.Open(module, resource, true);
  if (FAILED(hr)) return hr;
  return load(block.Data(), block.Size());
}

}  // namespace

HRESULT WINAPI D3DXLoadSurfaceFromFileInMemory(LPDIRECT3DSURFACE9 pDestSurface,
                                               const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                               LPCVOID pSrcData, UINT SrcDataSize, const RECT* pSrcRect,
                                               DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestSurface || !pSrcData || !SrcDataSize) return D3DERR_INVALIDCALL;
  ImageBox given;
  if (!GivenRect(pSrcRect, &given)) return D3DERR_INVALIDCALL;
  return LoadFromImageFile(pSrcData, SrcDataSize, pSrcRect ? &given : nullptr, pSrcInfo,
                           [&](const LoadedImage& image, const ImageBox& box) {
                             const RECT rect = BoxToRect(box);
                             return D3DXLoadSurfaceFromMemory(pDestSurface, pDestPalette, pDestRect,
                                                              image.pixels, image.format, image.rowPitch,
                                                              image.palette, &rect, Filter, ColorKey);
                           });
}

HRESULT WINAPI D3DXLoadSurfaceFromFileA(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                        const RECT* pDestRect, LPCSTR pSrcFile, const RECT* pSrcRect,
                                        DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestSurface) return D3DERR_INVALIDCALL;
  return WithFile(pSrcFile, [&](LPCVOID data, UINT size) {
    return D3DXLoadSurfaceFromFileInMemory(pDestSurface, pDestPalette, pDestRect, data, size, pSrcRect,
                                           Filter, ColorKey, pSrcInfo);
  });
}

HRESULT WINAPI D3DXLoadSurfaceFromFileW(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                        const RECT* pDestRect, LPCWSTR pSrcFile, const RECT* pSrcRect,
                                        DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestSurface) return D3DERR_INVALIDCALL;
  return WithFile(pSrcFile, [&](LPCVOID data, UINT size) {
    return D3DXLoadSurfaceFromFileInMemory(pDestSurface, pDestPalette, pDestRect, data, size, pSrcRect,
                                           Filter, ColorKey, pSrcInfo);
  });
}

HRESULT WINAPI D3DXLoadSurfaceFromResourceA(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                            const RECT* pDestRect, HMODULE hSrcModule, LPCSTR pSrcResource,
                                            const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestSurface) return D3DERR_INVALIDCALL;
  return WithResource(hSrcModule, pSrcResource, [&](LPCVOID data, UINT size) {
    return D3DXLoadSurfaceFromFileInMemory(pDestSurface, pDestPalette, pDestRect, data, size, pSrcRect,
                                           Filter, ColorKey, pSrcInfo);
  });
}

HRESULT WINAPI D3DXLoadSurfaceFromResourceW(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                            const RECT* pDestRect, HMODULE hSrcModule, LPCWSTR pSrcResource,
                                            const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestSurface) return D3DERR_INVALIDCALL;
  return WithResource(hSrcModule, pSrcResource, [&](LPCVOID data, UINT size) {
    return D3DXLoadSurfaceFromFileInMemory(pDestSurface, pDestPalette, pDestRect, data, size, pSrcRect,
                                           Filter, ColorKey, pSrcInfo);
  });
}

HRESULT WINAPI D3DXLoadVolumeFromFileInMemory(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                              const D3DBOX* pDestBox, LPCVOID pSrcData, UINT SrcDataSize,
                                              const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey,
                                              D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestVolume || !pSrcData || !SrcDataSize) return D3DERR_INVALIDCALL;
  ImageBox given;
  if (pSrcBox)
    given = {pSrcBox->Left, pSrcBox->Top, pSrcBox->Right, pSrcBox->Bottom, pSrcBox->Front, pSrcBox->Back};
  return LoadFromImageFile(pSrcData, SrcDataSize, pSrcBox ? &given : nullptr, pSrcInfo,
                           [&](const LoadedImage& image, const ImageBox& b) {
                             const D3DBOX box = {b.left, b.top, b.right, b.bottom, b.front, b.back};
                             return D3DXLoadVolumeFromMemory(
                                 pDestVolume, pDestPalette, pDestBox, image.pixels, image.format,
                                 image.rowPitch, image.slicePitch, image.palette, &box, Filter, ColorKey);
                           });
}

HRESULT WINAPI D3DXLoadVolumeFromFileA(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                       const D3DBOX* pDestBox, LPCSTR pSrcFile, const D3DBOX* pSrcBox,
                                       DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestVolume) return D3DERR_INVALIDCALL;
  return WithFile(pSrcFile, [&](LPCVOID data, UINT size) {
    return D3DXLoadVolumeFromFileInMemory(pDestVolume, pDestPalette, pDestBox, data, size, pSrcBox, Filter,
                                          ColorKey, pSrcInfo);
  });
}

HRESULT WINAPI D3DXLoadVolumeFromFileW(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                       const D3DBOX* pDestBox, LPCWSTR pSrcFile, const D3DBOX* pSrcBox,
                                       DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestVolume) return D3DERR_INVALIDCALL;
  return WithFile(pSrcFile, [&](LPCVOID data, UINT size) {
    return D3DXLoadVolumeFromFileInMemory(pDestVolume, pDestPalette, pDestBox, data, size, pSrcBox, Filter,
                                          ColorKey, pSrcInfo);
  });
}

HRESULT WINAPI D3DXLoadVolumeFromResourceA(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                           const D3DBOX* pDestBox, HMODULE hSrcModule, LPCSTR pSrcResource,
                                           const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey,
                                           D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestVolume) return D3DERR_INVALIDCALL;
  return WithResource(hSrcModule, pSrcResource, [&](LPCVOID data, UINT size) {
    return D3DXLoadVolumeFromFileInMemory(pDestVolume, pDestPalette, pDestBox, data, size, pSrcBox, Filter,
                                          ColorKey, pSrcInfo);
  });
}

HRESULT WINAPI D3DXLoadVolumeFromResourceW(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                           const D3DBOX* pDestBox, HMODULE hSrcModule, LPCWSTR pSrcResource,
                                           const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey,
                                           D3DXIMAGE_INFO* pSrcInfo) {
  if (!pDestVolume) return D3DERR_INVALIDCALL;
  return WithResource(hSrcModule, pSrcResource, [&](LPCVOID data, UINT size) {
    return D3DXLoadVolumeFromFileInMemory(pDestVolume, pDestPalette, pDestBox, data, size, pSrcBox, Filter,
                                          ColorKey, pSrcInfo);
  });
}
