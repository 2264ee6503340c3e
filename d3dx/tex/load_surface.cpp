// The public transfer entry points: memory into surfaces and volumes, surface to surface (on
// the device where it can copy, else through locks) and volume to volume.
#include <d3dx9tex.h>

#include <cstring>

#include "../debug_mute.h"
#include "blitter.h"
#include "surface_lock.h"

using namespace d3dx;

namespace {

constexpr DWORD kDefaultFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;

DWORD ResolveFilter(DWORD filter) { return filter == D3DX_DEFAULT ? kDefaultFilter : filter; }

bool SamePalettes(const PALETTEENTRY* a, const PALETTEENTRY* b) {
  return a == b || (a && b && std::memcmp(a, b, 256 * sizeof(PALETTEENTRY)) == 0);
}

// A default-pool source read on a lost device gave undefined contents.
template <class Resource>
HRESULT CheckNotLost(Resource* source) {
  ComRef<IDirect3DDevice9> device;
  if (FAILED(source->GetDevice(device.Out()))) return S_OK;
  return device->TestCooperativeLevel() != D3D_OK ? D3DERR_DEVICELOST : S_OK;
}

// One side of a surface-to-surface transfer.
struct SurfaceEnd {
  IDirect3DSurface9* surface;
  const RECT* givenRect;  // the caller's, may be null
  const PALETTEENTRY* palette;
  D3DSURFACE_DESC desc;
  RECT rect;  // the given rectangle or the whole surface

  HRESULT Describe() {
    HRESULT hr = surface->GetDesc(&desc);
    rect = givenRect ? *givenRect : RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
    return hr;
  }
  LONG Width() const { return rect.right - rect.left; }
  LONG Height() const { return rect.bottom - rect.top; }
};

// Copies on the device itself when it can: same size, no key, no palette change, no box filter
// (which would halve), and a pair of pools that UpdateSurface or StretchRect serve.
bool CopiedOnDevice(const SurfaceEnd& dest, const SurfaceEnd& source, DWORD filter, D3DCOLOR colorKey) {
  if (FilterType(filter) == D3DX_FILTER_BOX || colorKey || !SamePalettes(dest.palette, source.palette) ||
      dest.Width() != source.Width() || dest.Height() != source.Height())
    return false;
  ComRef<IDirect3DDevice9> device;
  if (FAILED(source.surface->GetDevice(device.Out()))) return false;
  DebugMute(true);
  HRESULT hr = E_FAIL;
  if (dest.desc.Pool == D3DPOOL_DEFAULT && source.desc.Pool == D3DPOOL_SYSTEMMEM) {
    const POINT at = {dest.rect.left, dest.rect.top};
    hr = device->UpdateSurface(source.surface, source.givenRect, dest.surface, &at);
  } else if (dest.desc.Pool == D3DPOOL_DEFAULT && source.desc.Pool == D3DPOOL_DEFAULT) {
    hr = device->StretchRect(source.surface, source.givenRect, dest.surface, dest.givenRect, D3DTEXF_NONE);
  }
  DebugMute(false);
  return SUCCEEDED(hr);
}

// Caller memory as a source region: the box is both the image and the part read.
ImageRegion MemoryRegion(LPCVOID memory, D3DFORMAT format, UINT rowPitch, UINT slicePitch,
                         const ImageBox& box, const PALETTEENTRY* palette, D3DCOLOR colorKey) {
  return {static_cast<BYTE*>(const_cast<void*>(memory)),
          format,
          rowPitch,
          slicePitch,
          box,
          box,
          FALSE,
          FALSE,
          colorKey,
          palette};
}

// Locks the destination (a surface or a volume) for writing and transfers `source` into it.
// Bad filters and source regions are refused before the destination is touched.
template <class Lock, class Resource, class Area>
HRESULT LoadFromMemory(Resource* dest, const PALETTEENTRY* destPalette, const Area* destArea,
                       const ImageRegion& source, DWORD filter) {
  filter = ResolveFilter(filter);
  if (!IsValidFilter(filter)) return D3DERR_INVALIDCALL;
  HRESULT hr = ValidateImageRegion(source);
  if (FAILED(hr)) return hr;
  Lock lock;
  ImageRegion region;
  hr = lock.Lock(&region, dest, destPalette, destArea, 0, 0);
  if (FAILED(hr)) return hr;
  hr = Blit(region, source, filter);
  const HRESULT unlocked = lock.Unlock();
  return FAILED(hr) ? hr : unlocked;
}

}  // namespace

HRESULT WINAPI D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                         const RECT* pDestRect, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                         UINT SrcPitch, const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                         DWORD Filter, D3DCOLOR ColorKey) {
  if (!pDestSurface || !pSrcMemory || !pSrcRect) return D3DERR_INVALIDCALL;
  ImageBox box;
  if (!RectToBox(*pSrcRect, &box)) return D3DERR_INVALIDCALL;
  return LoadFromMemory<SurfaceLock>(
      pDestSurface, pDestPalette, pDestRect,
      MemoryRegion(pSrcMemory, SrcFormat, SrcPitch, 0, box, pSrcPalette, ColorKey), Filter);
}

HRESULT WINAPI D3DXLoadVolumeFromMemory(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                        const D3DBOX* pDestBox, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                        UINT SrcRowPitch, UINT SrcSlicePitch, const PALETTEENTRY* pSrcPalette,
                                        const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey) {
  if (!pDestVolume || !pSrcMemory || !pSrcBox) return D3DERR_INVALIDCALL;
  const ImageBox box = {pSrcBox->Left,   pSrcBox->Top,   pSrcBox->Right,
                        pSrcBox->Bottom, pSrcBox->Front, pSrcBox->Back};
  return LoadFromMemory<VolumeLock>(
      pDestVolume, pDestPalette, pDestBox,
      MemoryRegion(pSrcMemory, SrcFormat, SrcRowPitch, SrcSlicePitch, box, pSrcPalette, ColorKey), Filter);
}

HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                          const RECT* pDestRect, LPDIRECT3DSURFACE9 pSrcSurface,
                                          const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                          D3DCOLOR ColorKey) {
  if (!pDestSurface || !pSrcSurface) return D3DERR_INVALIDCALL;
  // Checked here too: the device path below would otherwise accept any word.
  Filter = ResolveFilter(Filter);
  if (!IsValidFilter(Filter)) return D3DERR_INVALIDCALL;
  SurfaceEnd dest = {pDestSurface, pDestRect, pDestPalette, {}, {}};
  SurfaceEnd source = {pSrcSurface, pSrcRect, pSrcPalette, {}, {}};
  HRESULT hr = dest.Describe();
  if (SUCCEEDED(hr)) hr = source.Describe();
  if (FAILED(hr)) return hr;
  if (CopiedOnDevice(dest, source, Filter, ColorKey)) return D3D_OK;

  // Reading the destination itself goes through a temporary copy.
  SurfaceLock lock;
  ImageRegion locked;
  const DWORD flags = kLockReadOnly | (pSrcSurface == pDestSurface ? DWORD(kLockCopy) : 0);
  hr = lock.Lock(&locked, pSrcSurface, pSrcPalette, pSrcRect, 0, flags);
  if (FAILED(hr)) return hr;
  const RECT region = BoxToRect(locked.region);
  hr = D3DXLoadSurfaceFromMemory(pDestSurface, pDestPalette, pDestRect, locked.data, source.desc.Format,
                                 locked.rowPitch, pSrcPalette, &region, Filter, ColorKey);
  lock.Unlock();
  if (SUCCEEDED(hr) && source.desc.Pool == D3DPOOL_DEFAULT && dest.desc.Pool != D3DPOOL_DEFAULT)
    hr = CheckNotLost(pSrcSurface);
  return hr;
}

HRESULT WINAPI D3DXLoadVolumeFromVolume(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                        const D3DBOX* pDestBox, LPDIRECT3DVOLUME9 pSrcVolume,
                                        const PALETTEENTRY* pSrcPalette, const D3DBOX* pSrcBox, DWORD Filter,
                                        D3DCOLOR ColorKey) {
  if (!pDestVolume || !pSrcVolume) return D3DERR_INVALIDCALL;
  Filter = ResolveFilter(Filter);
  if (!IsValidFilter(Filter)) return D3DERR_INVALIDCALL;
  D3DVOLUME_DESC destDesc, sourceDesc;
  HRESULT hr = pDestVolume->GetDesc(&destDesc);
  if (SUCCEEDED(hr)) hr = pSrcVolume->GetDesc(&sourceDesc);
  if (FAILED(hr)) return hr;
  VolumeLock lock;
  ImageRegion source;
  hr = lock.Lock(&source, pSrcVolume, pSrcPalette, pSrcBox, 0, kLockReadOnly);
  if (FAILED(hr)) return hr;
  const ImageBox& r = source.region;
  const D3DBOX region = {r.left, r.top, r.right, r.bottom, r.front, r.back};
  hr = D3DXLoadVolumeFromMemory(pDestVolume, pDestPalette, pDestBox, source.data, sourceDesc.Format,
                                source.rowPitch, source.slicePitch, pSrcPalette, &region, Filter, ColorKey);
  lock.Unlock();
  if (SUCCEEDED(hr) && sourceDesc.Pool == D3DPOOL_DEFAULT && destDesc.Pool != D3DPOOL_DEFAULT)
    hr = CheckNotLost(pSrcVolume);
  return hr;
}
