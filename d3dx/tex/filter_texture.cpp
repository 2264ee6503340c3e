// Mip generation: every level below the source level of each face is loaded from the source
// level, or from the level above when the filter halves (box) or samples (point).
#include <d3dx9tex.h>

#include "blitter.h"
#include "com_ref.h"

using namespace d3dx;

namespace {

bool IsPowerOfTwo(UINT v) { return v && !(v & (v - 1)); }

// The filter for the default: box for power-of-two sizes, else the dithered triangle filter.
DWORD DefaultFilter(bool powerOfTwo) {
  return powerOfTwo ? D3DX_FILTER_BOX : D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
}

// Loads levels first + 1 .. count - 1 of one face through `load(dest, source)`; `getLevel`
// fetches a level of the face.
template <class Level, class GetLevel, class Load>
HRESULT FilterFace(UINT first, UINT count, bool fromLevelAbove, GetLevel getLevel, Load load) {
  ComRef<Level> source;
  HRESULT hr = getLevel(first, source.Out());
  for (UINT i = first + 1; SUCCEEDED(hr) && i < count; ++i) {
    ComRef<Level> dest;
    hr = getLevel(i, dest.Out());
    if (SUCCEEDED(hr)) hr = load(dest.Get(), source.Get());
    if (SUCCEEDED(hr) && fromLevelAbove) source = std::move(dest);
  }
  return hr;
}

}  // namespace

HRESULT WINAPI D3DXFilterTexture(LPDIRECT3DBASETEXTURE9 pBaseTexture, const PALETTEENTRY* pPalette,
                                 UINT SrcLevel, DWORD Filter) {
  if (!pBaseTexture) return D3DERR_INVALIDCALL;
  const D3DRESOURCETYPE type = pBaseTexture->GetType();
  ComRef<IDirect3DTexture9> texture;
  ComRef<IDirect3DCubeTexture9> cube;
  ComRef<IDirect3DVolumeTexture9> volume;
  HRESULT hr = E_NOINTERFACE;
  if (type == D3DRTYPE_TEXTURE)
    hr = pBaseTexture->QueryInterface(IID_IDirect3DTexture9, reinterpret_cast<void**>(texture.Out()));
  else if (type == D3DRTYPE_CUBETEXTURE)
    hr = pBaseTexture->QueryInterface(IID_IDirect3DCubeTexture9, reinterpret_cast<void**>(cube.Out()));
  else if (type == D3DRTYPE_VOLUMETEXTURE)
    hr = pBaseTexture->QueryInterface(IID_IDirect3DVolumeTexture9, reinterpret_cast<void**>(volume.Out()));
  if (FAILED(hr)) return D3DERR_INVALIDCALL;

  if (Filter == D3DX_DEFAULT) {
    if (volume) {
      D3DVOLUME_DESC desc;
      if (FAILED(hr = volume->GetLevelDesc(0, &desc))) return hr;
      Filter =
          DefaultFilter(IsPowerOfTwo(desc.Width) && IsPowerOfTwo(desc.Height) && IsPowerOfTwo(desc.Depth));
    } else {
      D3DSURFACE_DESC desc;
      if (FAILED(hr = texture ? texture->GetLevelDesc(0, &desc) : cube->GetLevelDesc(0, &desc))) return hr;
      Filter = DefaultFilter(IsPowerOfTwo(desc.Width) && IsPowerOfTwo(desc.Height));
    }
  }
  // Cube faces meet at their edges: nothing wraps around.
  if (cube) Filter |= D3DX_FILTER_MIRROR;
  if (Filter & D3DX_FILTER_SRGB_OUT)
    Filter |= D3DX_FILTER_SRGB_IN;
  else
    Filter &= ~DWORD(D3DX_FILTER_SRGB);
  if (!IsValidFilter(Filter)) return D3DERR_INVALIDCALL;
  if (SrcLevel == D3DX_DEFAULT) SrcLevel = 0;
  const UINT levels = pBaseTexture->GetLevelCount();
  if (SrcLevel >= levels) return D3DERR_INVALIDCALL;
  const bool fromLevelAbove =
      FilterType(Filter) == D3DX_FILTER_POINT || FilterType(Filter) == D3DX_FILTER_BOX;

  if (volume) {
    return FilterFace<IDirect3DVolume9>(
        SrcLevel, levels, fromLevelAbove,
        [&](UINT level, IDirect3DVolume9** out) { return volume->GetVolumeLevel(level, out); },
        [&](IDirect3DVolume9* dest, IDirect3DVolume9* source) {
          return D3DXLoadVolumeFromVolume(dest, pPalette, nullptr, source, pPalette, nullptr, Filter, 0);
        });
  }
  auto loadSurface = [&](IDirect3DSurface9* dest, IDirect3DSurface9* source) {
    return D3DXLoadSurfaceFromSurface(dest, pPalette, nullptr, source, pPalette, nullptr, Filter, 0);
  };
  if (texture) {
    return FilterFace<IDirect3DSurface9>(
        SrcLevel, levels, fromLevelAbove,
        [&](UINT level, IDirect3DSurface9** out) { return texture->GetSurfaceLevel(level, out); },
        loadSurface);
  }
  for (UINT face = 0; face < 6; ++face) {
    hr = FilterFace<IDirect3DSurface9>(
        SrcLevel, levels, fromLevelAbove,
        [&](UINT level, IDirect3DSurface9** out) {
          return cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, out);
        },
        loadSurface);
    if (FAILED(hr)) return hr;
  }
  return D3D_OK;
}
