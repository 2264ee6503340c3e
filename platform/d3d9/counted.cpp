#include <cstring>

#include "device.h"
#include "objects.h"

namespace d3d9rt {

Counted::Counted(Device* device, bool ownedByDevice) : device_(device), refs_(ownedByDevice ? 0 : 1) {
  if (!ownedByDevice) device_->AddRef();
}

ULONG Counted::addRef() {
  if (refs_++ == 0) device_->AddRef();
  return refs_;
}

ULONG Counted::release() {
  if (refs_ == 0) return 0;  // an unbalanced Release must not underflow
  ULONG left = --refs_;
  if (left == 0) {
    Device* device = device_;
    if (binds_ == 0) destroy();
    device->Release();
  }
  return left;
}

void Counted::bind() { ++binds_; }

void Counted::unbind() {
  if (binds_ && --binds_ == 0 && refs_ == 0) destroy();
}

void Counted::destroy() { delete this; }

HRESULT Counted::getDevice(IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = device_;
  device_->AddRef();
  return D3D_OK;
}

namespace {
constexpr DWORD kPrivateDataIsUnknown = 1;
}

HRESULT PrivateData::set(REFGUID guid, const void* data, DWORD size, DWORD flags) {
  if (!data && size) return D3DERR_INVALIDCALL;
  if ((flags & kPrivateDataIsUnknown) && size != sizeof(IUnknown*)) return D3DERR_INVALIDCALL;
  free(guid);
  Entry e;
  e.guid = guid;
  if (flags & kPrivateDataIsUnknown) {
    std::memcpy(&e.object, data, sizeof(IUnknown*));
    if (e.object) e.object->AddRef();
  } else {
    e.bytes.assign((const uint8_t*)data, (const uint8_t*)data + size);
  }
  entries_.push_back(std::move(e));
  return D3D_OK;
}

HRESULT PrivateData::get(REFGUID guid, void* data, DWORD* size) {
  if (!size) return D3DERR_INVALIDCALL;
  for (Entry& e : entries_) {
    if (!(e.guid == guid)) continue;
    DWORD need = e.object ? (DWORD)sizeof(IUnknown*) : (DWORD)e.bytes.size();
    if (!data) {
      *size = need;
      return D3D_OK;
    }
    if (*size < need) {
      *size = need;
      return D3DERR_MOREDATA;
    }
    if (e.object) {
      std::memcpy(data, &e.object, sizeof(IUnknown*));
      e.object->AddRef();
    } else if (need) {
      std::memcpy(data, e.bytes.data(), need);
    }
    *size = need;
    return D3D_OK;
  }
  return D3DERR_NOTFOUND;
}

HRESULT PrivateData::free(REFGUID guid) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].guid == guid) {
      if (entries_[i].object) entries_[i].object->Release();
      entries_.erase(entries_.begin() + (ptrdiff_t)i);
      return D3D_OK;
    }
  }
  return D3DERR_NOTFOUND;
}

PrivateData::~PrivateData() {
  for (Entry& e : entries_)
    if (e.object) e.object->Release();
}

}  // namespace d3d9rt
