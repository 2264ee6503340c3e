// Locks of surfaces and volumes for the transfers, with the temporary copies of surfaces that
// cannot be locked in place.
#include "surface_lock.h"

#include <cstring>

#include "../debug_mute.h"
#include "format_info.h"

namespace d3dx {
namespace {

// Probing calls that may fail on purpose keep the debug runtime quiet.
struct MuteScope {
  explicit MuteScope(bool mute = true) : mute_(mute) {
    if (mute_) DebugMute(true);
  }
  ~MuteScope() {
    if (mute_) DebugMute(false);
  }
  MuteScope(const MuteScope&) = delete;
  MuteScope& operator=(const MuteScope&) = delete;
  bool mute_;
};

// A lock of part of a block surface covers whole blocks; of a pair surface, whole pairs.
ImageBox LockArea(D3DFORMAT format, ImageBox r, UINT width, UINT height) {
  auto up = [](UINT v, UINT unit, UINT limit) {
    const uint64_t rounded = (uint64_t(v) + unit - 1) / unit * unit;
    return rounded < limit ? UINT(rounded) : limit;
  };
  switch (LayoutOf(format)) {
    case PixelLayout::Block4x4:
      r.left &= ~3u, r.top &= ~3u;
      r.right = up(r.right, 4, width), r.bottom = up(r.bottom, 4, height);
      break;
    case PixelLayout::PackedPair:
      r.left &= ~1u;
      r.right = up(r.right, 2, width);
      break;
    case PixelLayout::PerPixel:
      break;
  }
  return r;
}

// The rectangle as a box inside a width x height surface; false when it is not inside.
bool RectInside(const RECT& r, UINT width, UINT height, ImageBox* box) {
  return RectToBox(r, box) && box->right <= width && box->bottom <= height;
}

// Row-by-row copy between two surfaces of the same size and format.
HRESULT CopyRows(IDirect3DSurface9* from, IDirect3DSurface9* to) {
  D3DSURFACE_DESC desc;
  HRESULT hr = from->GetDesc(&desc);
  if (FAILED(hr)) return hr;
  MuteScope mute;
  D3DLOCKED_RECT src, dst;
  if (FAILED(hr = from->LockRect(&src, nullptr, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY))) return hr;
  if (FAILED(hr = to->LockRect(&dst, nullptr, D3DLOCK_NOSYSLOCK))) {
    from->UnlockRect();
    return hr;
  }
  const size_t rowBytes = size_t(RowBytes(desc.Format, desc.Width));
  const uint64_t rows = StorageRows(desc.Format, desc.Height);
  for (uint64_t y = 0; y < rows; ++y)
    std::memcpy(static_cast<BYTE*>(dst.pBits) + size_t(y) * size_t(dst.Pitch),
                static_cast<const BYTE*>(src.pBits) + size_t(y) * size_t(src.Pitch), rowBytes);
  to->UnlockRect();
  from->UnlockRect();
  return S_OK;
}

// Whether `resource` belongs to a container of interface `iid` that has exactly one level.
template <class Resource>
bool InSingleLevelContainer(Resource* resource, REFIID iid) {
  ComRef<IDirect3DBaseTexture9> texture;
  if (FAILED(resource->GetContainer(iid, reinterpret_cast<void**>(texture.Out()))) || !texture) return false;
  return texture->GetLevelCount() == 1;
}

// The locked `area` (whose first pixel is at `bits`) as an image, with `box` as its region.
ImageRegion LockedRegion(void* bits, D3DFORMAT format, UINT rowPitch, UINT slicePitch, const ImageBox& area,
                         const ImageBox& box, D3DCOLOR colorKey, const PALETTEENTRY* palette) {
  return {static_cast<BYTE*>(bits),
          format,
          rowPitch,
          slicePitch,
          {0, 0, area.Width(), area.Height(), 0, area.Depth()},
          {box.left - area.left, box.top - area.top, box.right - area.left, box.bottom - area.top,
           box.front - area.front, box.back - area.front},
          FALSE,
          FALSE,
          colorKey,
          palette};
}

}  // namespace

bool RectToBox(const RECT& r, ImageBox* box) {
  if (r.left < 0 || r.top < 0 || r.left > r.right || r.top > r.bottom) return false;
  *box = {UINT(r.left), UINT(r.top), UINT(r.right), UINT(r.bottom), 0, 1};
  return true;
}

HRESULT SurfaceLock::Lock(ImageRegion* out, IDirect3DSurface9* surface, const PALETTEENTRY* palette,
                          const RECT* rect, D3DCOLOR colorKey, DWORD flags) {
  Unlock();
  if (!out || !surface) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  HRESULT hr = surface->GetDesc(&desc);
  if (FAILED(hr)) return hr;
  const ImageBox whole = {0, 0, desc.Width, desc.Height, 0, 1};
  ImageBox box = whole;
  if (rect && !RectInside(*rect, desc.Width, desc.Height, &box)) return D3DERR_INVALIDCALL;
  const bool readOnly = (flags & kLockReadOnly) != 0;
  const bool partial = !(box == whole);
  const bool rewrite = !readOnly && !partial;
  const ImageBox area = partial ? LockArea(desc.Format, box, desc.Width, desc.Height) : whole;
  const RECT areaRect = BoxToRect(area);
  const RECT* lockRect = partial ? &areaRect : nullptr;

  surface_ = ComRef<IDirect3DSurface9>::Share(surface);
  lockFlags_ = D3DLOCK_NOSYSLOCK | (readOnly ? D3DLOCK_READONLY : 0);
  D3DLOCKED_RECT locked = {};
  bool copy = (flags & kLockCopy) != 0;
  if (!copy) {
    DWORD lockFlags = lockFlags_;
    if (rewrite && (desc.Usage & D3DUSAGE_DYNAMIC) &&
        ((flags & kLockRewrite) || InSingleLevelContainer(surface, IID_IDirect3DTexture9)))
      lockFlags |= D3DLOCK_DISCARD;
    MuteScope mute;
    if (SUCCEEDED(surface->LockRect(&locked, lockRect, lockFlags)))
      lockFlags_ = lockFlags;
    else
      copy = true;
  }
  if (copy) {
    hr = LockCopy(desc, rewrite);
    if (SUCCEEDED(hr)) hr = copy_->LockRect(&locked, lockRect, lockFlags_);
    if (FAILED(hr)) {
      copy_.Reset(), copyTexture_.Reset(), device_.Reset(), surface_.Reset();
      return hr;
    }
  }
  locked_ = true;

  *out = LockedRegion(locked.pBits, desc.Format, UINT(locked.Pitch), 0, area, box, colorKey, palette);
  return S_OK;
}

HRESULT SurfaceLock::LockCopy(const D3DSURFACE_DESC& desc, bool rewrite) {
  HRESULT hr = surface_->GetDevice(device_.Out());
  if (FAILED(hr)) return hr;
  // A block texture's top level must be a whole number of blocks: the copy is level i of a
  // texture whose top is the surface's size doubled i times.
  UINT width = desc.Width, height = desc.Height, level = 0;
  if (LayoutOf(desc.Format) == PixelLayout::Block4x4 && width && height)
    while ((width | height) & 3) width *= 2, height *= 2, ++level;
  const D3DPOOL pool = desc.Pool == D3DPOOL_SCRATCH ? D3DPOOL_SCRATCH : D3DPOOL_SYSTEMMEM;
  hr = device_->CreateTexture(width, height, level + 1, 0, desc.Format, pool, copyTexture_.Out(), nullptr);
  if (SUCCEEDED(hr)) hr = copyTexture_->GetSurfaceLevel(level, copy_.Out());
  if (FAILED(hr) || rewrite) return hr;
  return FillCopy(desc, level > 0);
}

HRESULT SurfaceLock::FillCopy(const D3DSURFACE_DESC& desc, bool extraLevels) {
  HRESULT hr = CopyRows(surface_.Get(), copy_.Get());
  if (SUCCEEDED(hr) || extraLevels) return hr;
  // A surface the CPU cannot read: through a lockable render target of the same kind.
  ComRef<IDirect3DSurface9> target;
  {
    MuteScope mute;
    hr = device_->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE, 0, TRUE,
                                     target.Out(), nullptr);
    if (SUCCEEDED(hr))
      hr = device_->StretchRect(surface_.Get(), nullptr, target.Get(), nullptr, D3DTEXF_NONE);
  }
  if (FAILED(hr)) return hr;
  return CopyRows(target.Get(), copy_.Get());
}

HRESULT SurfaceLock::Unlock() {
  HRESULT hr = S_OK;
  if (locked_) {
    locked_ = false;
    hr = (copy_ ? copy_.Get() : surface_.Get())->UnlockRect();
    if (copy_ && !(lockFlags_ & D3DLOCK_READONLY)) {
      HRESULT back = device_->UpdateSurface(copy_.Get(), nullptr, surface_.Get(), nullptr);
      if (FAILED(back)) back = CopyRows(copy_.Get(), surface_.Get());
      if (SUCCEEDED(hr)) hr = back;
    }
  }
  copy_.Reset();
  copyTexture_.Reset();
  device_.Reset();
  surface_.Reset();
  return hr;
}

HRESULT VolumeLock::Lock(ImageRegion* out, IDirect3DVolume9* volume, const PALETTEENTRY* palette,
                         const D3DBOX* box, D3DCOLOR colorKey, DWORD flags) {
  Unlock();
  if (!out || !volume) return D3DERR_INVALIDCALL;
  D3DVOLUME_DESC desc;
  HRESULT hr = volume->GetDesc(&desc);
  if (FAILED(hr)) return hr;
  const ImageBox whole = {0, 0, desc.Width, desc.Height, 0, desc.Depth};
  ImageBox b = whole;
  if (box) {
    b = {box->Left, box->Top, box->Right, box->Bottom, box->Front, box->Back};
    if (!b.IsOrdered() || !whole.Contains(b)) return D3DERR_INVALIDCALL;
  }
  // Nothing can copy a volume the CPU cannot reach.
  if (desc.Pool == D3DPOOL_DEFAULT && !(desc.Usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  const bool readOnly = (flags & kLockReadOnly) != 0;
  const bool partial = !(b == whole);
  ImageBox area = whole;
  if (partial) {
    area = LockArea(desc.Format, b, desc.Width, desc.Height);
    area.front = b.front, area.back = b.back;
  }
  const D3DBOX areaBox = {area.left, area.top, area.right, area.bottom, area.front, area.back};

  DWORD lockFlags = D3DLOCK_NOSYSLOCK | (readOnly ? D3DLOCK_READONLY : 0);
  if (!readOnly && !partial && (desc.Usage & D3DUSAGE_DYNAMIC) &&
      ((flags & kLockRewrite) || InSingleLevelContainer(volume, IID_IDirect3DVolumeTexture9)))
    lockFlags |= D3DLOCK_DISCARD;
  D3DLOCKED_BOX locked = {};
  {
    MuteScope mute;
    hr = volume->LockBox(&locked, partial ? &areaBox : nullptr, lockFlags);
  }
  if (FAILED(hr)) return hr;
  volume_ = ComRef<IDirect3DVolume9>::Share(volume);
  lockFlags_ = lockFlags;
  locked_ = true;

  *out = LockedRegion(locked.pBits, desc.Format, UINT(locked.RowPitch), UINT(locked.SlicePitch), area, b,
                      colorKey, palette);
  return S_OK;
}

HRESULT VolumeLock::Unlock() {
  HRESULT hr = S_OK;
  if (locked_) {
    locked_ = false;
    hr = volume_->UnlockBox();
  }
  volume_.Reset();
  return hr;
}

}  // namespace d3dx
