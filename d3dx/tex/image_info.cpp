// What an image file holds, without decoding its pixels: the public D3DXGetImageInfo entries.
#include <d3dx9.h>

#include "file_mapping.h"
#include "loaded_image.h"

using namespace d3dx;

namespace {

template <typename Source>
HRESULT InfoFromSource(Source& source, HRESULT opened, D3DXIMAGE_INFO* info) {
  if (FAILED(opened)) return opened;
  return D3DXGetImageInfoFromFileInMemory(source.Data(), source.Size(), info);
}

}  // namespace

HRESULT WINAPI D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize,
                                                D3DXIMAGE_INFO* pSrcInfo) {
  LoadedImage image;
  return LoadImageFromMemory(&image, pSrcData, SrcDataSize, pSrcInfo, false);
}

HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo) {
  MappedFile file;
  return InfoFromSource(file, file.Open(pSrcFile), pSrcInfo);
}

HRESULT WINAPI D3DXGetImageInfoFromFileW(LPCWSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo) {
  MappedFile file;
  return InfoFromSource(file, file.Open(pSrcFile), pSrcInfo);
}

HRESULT WINAPI D3DXGetImageInfoFromResourceA(HMODULE hSrcModule, LPCSTR pSrcResource,
                                             D3DXIMAGE_INFO* pSrcInfo) {
  ResourceBlock block;
  return InfoFromSource(block, block.Open(hSrcModule, pSrcResource, true), pSrcInfo);
}

HRESULT WINAPI D3DXGetImageInfoFromResourceW(HMODULE hSrcModule, LPCWSTR pSrcResource,
                                             D3DXIMAGE_INFO* pSrcInfo) {
  ResourceBlock block;
  return InfoFromSource(block, block.Open(hSrcModule, pSrcResource, true), pSrcInfo);
}
