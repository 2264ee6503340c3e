#include "device.h"
#include "objects.h"

namespace d3d9rt {
namespace {

// Buffers beyond this are refused rather than attempted.
constexpr UINT kMaxBufferBytes = 256u << 20;

HRESULT lockRange(std::vector<uint8_t>& bytes, UINT offset, UINT size, void** data) {
  UINT length = (UINT)bytes.size();
  if (!data || offset > length) return D3DERR_INVALIDCALL;
  if (size == 0) size = length - offset;
  if (size > length - offset) return D3DERR_INVALIDCALL;
  *data = bytes.data() + offset;
  return D3D_OK;
}

template <class Buffer>
HRESULT queryBuffer(Buffer* self, REFIID riid, const IID& own, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == own) {
    *object = self;
    self->AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

}  // namespace

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : Counted(device, false), bytes_(length, 0) {
  desc_ = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
}

HRESULT VertexBuffer::QueryInterface(REFIID riid, void** object) {
  return queryBuffer<IDirect3DVertexBuffer9>(this, riid, IID_IDirect3DVertexBuffer9, object);
}

// The pipeline consumes vertex data before a draw returns, so a lock never waits for it.
HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD) {
  HRESULT hr = lockRange(bytes_, offset, size, data);
  if (SUCCEEDED(hr)) ++locks_;
  return hr;
}

HRESULT VertexBuffer::Unlock() {
  if (locks_ == 0) return D3DERR_INVALIDCALL;
  --locks_;
  return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : Counted(device, false), bytes_(length, 0) {
  desc_ = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
}

HRESULT IndexBuffer::QueryInterface(REFIID riid, void** object) {
  return queryBuffer<IDirect3DIndexBuffer9>(this, riid, IID_IDirect3DIndexBuffer9, object);
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD) {
  HRESULT hr = lockRange(bytes_, offset, size, data);
  if (SUCCEEDED(hr)) ++locks_;
  return hr;
}

HRESULT IndexBuffer::Unlock() {
  if (locks_ == 0) return D3DERR_INVALIDCALL;
  --locks_;
  return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

namespace {
constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING |
                                D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out, HANDLE* sharedHandle) {
  if (!out || sharedHandle || length == 0 || length > kMaxBufferBytes) return D3DERR_INVALIDCALL;
  if ((usage & ~kBufferUsages) || (UINT)pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (fvf && length < fvfStride(fvf)) return D3DERR_INVALIDCALL;
  try {
    *out = new VertexBuffer(this, length, usage, fvf, pool);
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
    *out = new IndexBuffer(this, length, usage, format, pool);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

}  // namespace d3d9rt
