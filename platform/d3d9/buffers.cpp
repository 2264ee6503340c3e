#include "device.h"
#include "objects.h"

namespace d3d9rt {
namespace {

// Buffers beyond this are refused rather than attempted.
constexpr UINT kMaxBufferBytes = 256u << 20;

constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING |
                                D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES;

}  // namespace

template <class Interface, class Desc>
HRESULT Buffer<Interface, Desc>::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  const IID& own =
      desc_.Type == D3DRTYPE_VERTEXBUFFER ? IID_IDirect3DVertexBuffer9 : IID_IDirect3DIndexBuffer9;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == own) {
    *object = static_cast<Interface*>(this);
    this->AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The pipeline consumes vertex data before a draw returns, so a lock never waits for it.
template <class Interface, class Desc>
HRESULT Buffer<Interface, Desc>::Lock(UINT offset, UINT size, void** data, DWORD) {
  UINT length = (UINT)bytes_.size();
  if (!data || offset > length) return D3DERR_INVALIDCALL;
  if (size == 0) size = length - offset;
  if (size > length - offset) return D3DERR_INVALIDCALL;
  *data = bytes_.data() + offset;
  ++locks_;
  return D3D_OK;
}

template <class Interface, class Desc>
HRESULT Buffer<Interface, Desc>::Unlock() {
  if (locks_ == 0) return D3DERR_INVALIDCALL;
  --locks_;
  return D3D_OK;
}

template <class Interface, class Desc>
HRESULT Buffer<Interface, Desc>::GetDesc(Desc* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

template class Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
template class Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out, HANDLE* sharedHandle) {
  if (!out || sharedHandle || length == 0 || length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
  if ((usage & ~kBufferUsages) || (UINT)pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (fvf && length < fvfStride(fvf)) return D3DERR_INVALIDCALL;
  try {
    std::vector<BYTE> bytes(length, 0);
    *out = new VertexBuffer(this, {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf},
                            std::move(bytes));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out, HANDLE* sharedHandle) {
  if (!out || sharedHandle || length == 0 || length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
  if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
  if ((usage & ~kBufferUsages) || (UINT)pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  try {
    std::vector<BYTE> bytes(length, 0);
    *out = new IndexBuffer(this, {format, D3DRTYPE_INDEXBUFFER, usage, pool, length}, std::move(bytes));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

}  // namespace d3d9rt
