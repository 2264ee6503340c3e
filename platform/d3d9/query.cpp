#include <cstring>

#include "device.h"
#include "objects.h"

namespace d3d9rt {

// The device transforms the whole vertex range a draw references once, so reuse does not
// depend on a small FIFO; vertex-cache ordering still pays through the locality it gives the
// binned rasteriser, so optimisers are asked for it with a generous cache.
D3DDEVINFO_VCACHE vertexCacheInfo() { return {MAKEFOURCC('C', 'A', 'C', 'H'), 1, 16, 8}; }

Query::Query(Device* device, D3DQUERYTYPE type) : CountedObject(device, false), type_(type) {}

HRESULT Query::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DQuery9) {
    *object = static_cast<IDirect3DQuery9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

DWORD Query::GetDataSize() { return type_ == D3DQUERYTYPE_VCACHE ? sizeof(D3DDEVINFO_VCACHE) : sizeof(BOOL); }

HRESULT Query::Issue(DWORD flags) {
  if (flags & ~(DWORD)(D3DISSUE_BEGIN | D3DISSUE_END)) return D3DERR_INVALIDCALL;
  // Both supported types are end-only.
  if (flags & D3DISSUE_BEGIN) return D3DERR_INVALIDCALL;
  if (flags & D3DISSUE_END) issued_ = true;
  return D3D_OK;
}

HRESULT Query::GetData(void* data, DWORD size, DWORD flags) {
  if (flags & ~(DWORD)D3DGETDATA_FLUSH) return D3DERR_INVALIDCALL;
  if (data && size < GetDataSize()) return D3DERR_INVALIDCALL;
  if (!data && size) return D3DERR_INVALIDCALL;
  if (type_ == D3DQUERYTYPE_EVENT) {
    if (!issued_) return D3DERR_INVALIDCALL;
    device_->flush();
    if (data) {
      BOOL done = TRUE;
      std::memcpy(data, &done, sizeof done);
    }
    return S_OK;
  }
  if (data) {
    D3DDEVINFO_VCACHE info = vertexCacheInfo();
    std::memcpy(data, &info, sizeof info);
  }
  return S_OK;
}

HRESULT Device::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) {
  if (type != D3DQUERYTYPE_VCACHE && type != D3DQUERYTYPE_EVENT) return D3DERR_NOTAVAILABLE;
  if (!query) return D3D_OK;  // a support check
  try {
    *query = new Query(this, type);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

}  // namespace d3d9rt
