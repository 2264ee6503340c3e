// A Direct3D surface or volume exposed as an ImageRegion for the length of one transfer. A
// surface that cannot be locked directly is worked on through a temporary system-memory copy,
// written back when the lock ends.
#pragma once
#include <d3d9.h>

#include "com_ref.h"
#include "image_region.h"

namespace d3dx {

enum LockFlag : DWORD {
  kLockReadOnly = 0x1,
  kLockCopy = 0x10000,     // work on a temporary copy
  kLockRewrite = 0x20000,  // the caller rewrites the whole surface: a dynamic one may be discarded
};

// A rectangle as a box of depth 1: false for negative or unordered edges.
bool RectToBox(const RECT& r, ImageBox* box);
inline RECT BoxToRect(const ImageBox& b) {
  return {LONG(b.left), LONG(b.top), LONG(b.right), LONG(b.bottom)};
}

class SurfaceLock {
 public:
  SurfaceLock() = default;
  ~SurfaceLock() { Unlock(); }
  SurfaceLock(const SurfaceLock&) = delete;
  SurfaceLock& operator=(const SurfaceLock&) = delete;

  // Locks `rect` of `surface` (null: the whole surface) and describes it in `out`, with the
  // caller's palette and colour key. D3DERR_INVALIDCALL for a rectangle outside the surface.
  HRESULT Lock(ImageRegion* out, IDirect3DSurface9* surface, const PALETTEENTRY* palette, const RECT* rect,
               D3DCOLOR colorKey, DWORD flags);
  // Ends the lock; a written temporary copy goes back to the surface.
  HRESULT Unlock();

 private:
  // Creates the temporary copy, filled from the surface unless it will be rewritten whole.
  HRESULT LockCopy(const D3DSURFACE_DESC& desc, bool rewrite);
  HRESULT FillCopy(const D3DSURFACE_DESC& desc, bool extraLevels);

  DWORD lockFlags_ = 0;
  bool locked_ = false;
  ComRef<IDirect3DSurface9> surface_;  // the caller's
  ComRef<IDirect3DSurface9> copy_;     // the temporary copy, when used
  ComRef<IDirect3DTexture9> copyTexture_;
  ComRef<IDirect3DDevice9> device_;
};

// The same for volumes, without a temporary copy: a volume that cannot be locked is an error.
class VolumeLock {
 public:
  VolumeLock() = default;
  ~VolumeLock() { Unlock(); }
  VolumeLock(const VolumeLock&) = delete;
  VolumeLock& operator=(const VolumeLock&) = delete;

  HRESULT Lock(ImageRegion* out, IDirect3DVolume9* volume, const PALETTEENTRY* palette, const D3DBOX* box,
               D3DCOLOR colorKey, DWORD flags);
  HRESULT Unlock();

 private:
  DWORD lockFlags_ = 0;
  bool locked_ = false;
  ComRef<IDirect3DVolume9> volume_;
};

}  // namespace d3dx
