#include "device.h"
#include "objects.h"

namespace d3d9rt {

void Image::allocate(const FormatInfo* format, UINT w, UINT h, UINT d) {
  info = format;
  width = w;
  height = h;
  depth = d;
  pitch = formatRowPitch(*format, w);
  slicePitch = pitch * formatRowCount(*format, h);
  bytes.assign((size_t)slicePitch * d, 0);
}

bool validLockRect(const FormatInfo& info, UINT width, UINT height, const RECT& r) {
  if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom) return false;
  if ((UINT)r.right > width || (UINT)r.bottom > height) return false;
  if (info.block) {
    if ((r.left & 3) || (r.top & 3)) return false;
    if (((UINT)r.right & 3) && (UINT)r.right != width) return false;
    if (((UINT)r.bottom & 3) && (UINT)r.bottom != height) return false;
  }
  return true;
}

Surface::Surface(Device* device, bool ownedByDevice, TextureCore* container, UINT face, UINT level,
                 const FormatInfo* info, UINT width, UINT height, DWORD usage, D3DPOOL pool, bool lockable)
    : ResourceObject(device, ownedByDevice || container != nullptr),
      container_(container),
      face_(face),
      level_(level),
      lockable_(lockable) {
  image_.allocate(info, width, height, 1);
  desc_.Format = info->format;
  desc_.Type = D3DRTYPE_SURFACE;
  desc_.Usage = usage;
  desc_.Pool = pool;
  desc_.MultiSampleType = D3DMULTISAMPLE_NONE;
  desc_.MultiSampleQuality = 0;
  desc_.Width = width;
  desc_.Height = height;
  if (info->depth) {
    // Depth starts cleared to the far plane, stencil to 0.
    uint32_t* words = (uint32_t*)image_.bytes.data();
    for (size_t i = 0, n = image_.bytes.size() / 4; i < n; ++i) words[i] = 0xFFFFFF00u;
  }
}

Surface::~Surface() {
  if (!container_) device_->flushIfUsing(useEpoch);
}

HRESULT Surface::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DSurface9) {
    *object = static_cast<IDirect3DSurface9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Surface::addRef() { return container_ ? container_->addRef() : Counted::addRef(); }
ULONG Surface::release() { return container_ ? container_->release() : Counted::release(); }
void Surface::bind() { container_ ? container_->bind() : Counted::bind(); }
void Surface::unbind() { container_ ? container_->unbind() : Counted::unbind(); }

HRESULT Surface::GetContainer(REFIID riid, void** container) {
  if (!container) return D3DERR_INVALIDCALL;
  if (container_) return container_->iface()->QueryInterface(riid, container);
  return device_->QueryInterface(riid, container);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  if (!lockedRect || locked_ || !lockable_) return D3DERR_INVALIDCALL;
  if ((flags & D3DLOCK_DISCARD) && !(desc_.Usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  RECT whole = {0, 0, (LONG)desc_.Width, (LONG)desc_.Height};
  if (rect && !validLockRect(*image_.info, desc_.Width, desc_.Height, *rect)) return D3DERR_INVALIDCALL;
  const RECT& r = rect ? *rect : whole;
  const uint64_t used = container_ ? container_->useEpoch : useEpoch;
  if ((flags & D3DLOCK_DISCARD) && container_ && container_->sampledInPlace() && used == device_->epoch())
    device_->renameStorage(image_.bytes);  // the old contents need not wait, nor be kept
  else
    device_->flushIfUsing(used);
  UINT unit = image_.info->block ? 4 : 1;
  lockedRect->Pitch = (INT)image_.pitch;
  lockedRect->pBits = image_.bytes.data() + (size_t)(r.top / unit) * image_.pitch +
                      (size_t)(r.left / unit) * image_.info->bytes;
  locked_ = true;
  lockedReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
  return D3D_OK;
}

HRESULT Surface::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (!lockedReadOnly_) contentChanged();
  return D3D_OK;
}

void Surface::contentChanged() {
  if (container_) container_->markDirty();
}

Volume::Volume(TextureCore* container, UINT level, const FormatInfo* info, UINT w, UINT h, UINT d,
               DWORD usage, D3DPOOL pool)
    : container_(container), level_(level) {
  image_.allocate(info, w, h, d);
  desc_ = {info->format, D3DRTYPE_VOLUME, usage, pool, w, h, d};
}

HRESULT Volume::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DVolume9) {
    *object = static_cast<IDirect3DVolume9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Volume::AddRef() { return container_->addRef(); }
ULONG Volume::Release() { return container_->release(); }
HRESULT Volume::GetDevice(IDirect3DDevice9** device) { return container_->getDevice(device); }

HRESULT Volume::GetContainer(REFIID riid, void** container) {
  if (!container) return D3DERR_INVALIDCALL;
  return container_->iface()->QueryInterface(riid, container);
}

HRESULT Volume::GetDesc(D3DVOLUME_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* out, const D3DBOX* box, DWORD flags) {
  if (!out || locked_) return D3DERR_INVALIDCALL;
  if (desc_.Pool == D3DPOOL_DEFAULT && !(desc_.Usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  if ((flags & D3DLOCK_DISCARD) && !(desc_.Usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  D3DBOX whole = {0, 0, desc_.Width, desc_.Height, 0, desc_.Depth};
  if (box) {
    RECT r = {(LONG)box->Left, (LONG)box->Top, (LONG)box->Right, (LONG)box->Bottom};
    if (box->Left > 0x7FFFFFFF || box->Right > 0x7FFFFFFF || box->Top > 0x7FFFFFFF ||
        box->Bottom > 0x7FFFFFFF || !validLockRect(*image_.info, desc_.Width, desc_.Height, r) ||
        box->Front >= box->Back || box->Back > desc_.Depth)
      return D3DERR_INVALIDCALL;
  }
  const D3DBOX& b = box ? *box : whole;
  container_->device()->flushIfUsing(container_->useEpoch);
  UINT unit = image_.info->block ? 4 : 1;
  out->RowPitch = (INT)image_.pitch;
  out->SlicePitch = (INT)image_.slicePitch;
  out->pBits = image_.bytes.data() + (size_t)b.Front * image_.slicePitch +
               (size_t)(b.Top / unit) * image_.pitch + (size_t)(b.Left / unit) * image_.info->bytes;
  locked_ = true;
  lockedReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
  return D3D_OK;
}

HRESULT Volume::UnlockBox() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (!lockedReadOnly_) container_->markDirty();
  return D3D_OK;
}

}  // namespace d3d9rt
