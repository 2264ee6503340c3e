// Growing a mesh's buffers, and the device's vertex-cache description that optimisation uses.
#include <cstring>
#include <mutex>

#include "triangle_mesh.h"

namespace d3dx {

namespace {

// The last device asked and its answer, remembered for the whole process (asking a device costs a
// query round trip). Meshes on several threads may resize at once, so it is read and written
// under its lock as one record.
class VertexCacheMemo {
 public:
  static VertexCacheMemo& Instance() {
    static VertexCacheMemo memo;
    return memo;
  }
  bool Recall(IDirect3DDevice9* device, DWORD* size, DWORD* magic) {
    std::lock_guard<std::mutex> hold(lock_);
    if (device_ != device) return false;
    *size = size_;
    *magic = magic_;
    return true;
  }
  void Remember(IDirect3DDevice9* device, DWORD size, DWORD magic) {
    std::lock_guard<std::mutex> hold(lock_);
    device_ = device;
    size_ = size;
    magic_ = magic;
  }
  void Forget() { Remember(nullptr, 0, 0); }

 private:
  std::mutex lock_;
  IDirect3DDevice9* device_ = nullptr;  // compared only, never called: it holds no reference
  DWORD size_ = 0;
  DWORD magic_ = 0;
};

void QueryVertexCache(IDirect3DDevice9* device, IDirect3D9* d3d, const D3DCAPS9& caps, DWORD* size,
                      DWORD* magic, HRESULT* error) {
  if (VertexCacheMemo::Instance().Recall(device, size, magic)) return;
  D3DADAPTER_IDENTIFIER9 id;
  std::memset(&id, 0, sizeof(id));
  HRESULT hr = d3d->GetAdapterIdentifier(caps.AdapterOrdinal, 0, &id);
  if (FAILED(hr)) {
    *error = hr;
    return;
  }
  if (id.VendorId == 0x1002 && id.DeviceId >= 0x5144 && id.DeviceId <= 0x5147) {
    *size = 0;  // this adapter family prefers strips
    *magic = 0;
  } else {
    D3DDEVINFO_VCACHE info;
    std::memset(&info, 0, sizeof(info));
    IDirect3DQuery9* query = nullptr;
    bool ok = SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_VCACHE, nullptr)) &&
              SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_VCACHE, &query)) && query &&
              SUCCEEDED(query->Issue(D3DISSUE_END));
    if (ok) {
      HRESULT data;
      do {
        data = query->GetData(&info, sizeof(info), D3DGETDATA_FLUSH);
      } while (data == S_FALSE);
      ok = SUCCEEDED(data);
    }
    SafeRelease(query);
    if (!ok) {
      *size = 12;
      *magic = 7;
    } else if (info.OptMethod == 0) {
      *size = 0;
      *magic = 0;
    } else {
      *size = info.CacheSize;
      *magic = info.MagicNumber;
    }
  }
  VertexCacheMemo::Instance().Remember(device, *size, *magic);
}

}  // namespace

void ForgetVertexCacheRecord() { VertexCacheMemo::Instance().Forget(); }

template <typename Index>
HRESULT TriangleMesh<Index>::Resize(DWORD faces, DWORD vertices) {
  if (!vertexDecl) vertexDecl = MakeDeclaration(declElements);
  if (faces > kMaxCount || vertices > kMaxCount) return D3DERR_INVALIDCALL;
  if (faces > 0xFFFFFFFFu / (3 * sizeof(Index)) || (stride && vertices > 0xFFFFFFFFu / stride))
    return D3DERR_INVALIDCALL;

  try {
    if (faceCapacity < faces) {
      // The arrays grow first: a failed allocation must not strand a buffer just created.
      attributes.resize(faces, 0);
      if (hasStoredAdjacency) storedAdjacency.resize(static_cast<size_t>(faces) * 3, kEmpty);
      if (hasFaceTags) faceTags.resize(faces, 0);
      IDirect3DIndexBuffer9* fresh = nullptr;
      HRESULT hr =
          d3dDevice->CreateIndexBuffer(faces * 3 * sizeof(Index), ibUsage,
                                       kWide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, ibPool, &fresh, nullptr);
      if (FAILED(hr)) return hr;
      if (faceCount || faceCapacity) {
        ScopedLock<IDirect3DIndexBuffer9> from(indexBuffer, 0);
        ScopedLock<IDirect3DIndexBuffer9> to(fresh, 0);
        if (FAILED(from.result()) || FAILED(to.result())) {
          hr = FAILED(from.result()) ? from.result() : to.result();
        } else {
          size_t keep = static_cast<size_t>(faceCapacity) * 3 * sizeof(Index);
          std::memcpy(to.data(), from.data(), keep);
          std::memset(to.data() + keep, 0, static_cast<size_t>(faces) * 3 * sizeof(Index) - keep);
        }
      }
      if (FAILED(hr)) {
        fresh->Release();
        return hr;
      }
      SafeRelease(indexBuffer);
      indexBuffer = fresh;
      faceCapacity = faces;
    }

    if (vertexCapacity < vertices) {
      if (hasPointReps) pointReps.resize(vertices, 0);
      if (!vbShared) {
        IDirect3DVertexBuffer9* fresh = nullptr;
        HRESULT hr = d3dDevice->CreateVertexBuffer(vertices * stride, vbUsage, fvf, vbPool, &fresh, nullptr);
        if (FAILED(hr)) return hr;
        if (vertexBuffer && vertexCount) {
          ScopedLock<IDirect3DVertexBuffer9> from(vertexBuffer, 0);
          ScopedLock<IDirect3DVertexBuffer9> to(fresh, 0);
          if (FAILED(from.result()) || FAILED(to.result())) {
            hr = FAILED(from.result()) ? from.result() : to.result();
          } else {
            size_t keep =
                static_cast<size_t>(vertexCount < vertexCapacity ? vertexCount : vertexCapacity) * stride;
            std::memcpy(to.data(), from.data(), keep);
            std::memset(to.data() + keep, 0, static_cast<size_t>(vertices) * stride - keep);
          }
        }
        if (FAILED(hr)) {
          fresh->Release();
          return hr;
        }
        SafeRelease(vertexBuffer);
        vertexBuffer = fresh;
        vertexCapacity = vertices;
      }
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }

  vertexCount = vertices;
  faceCount = faces;

  D3DCAPS9 caps;
  std::memset(&caps, 0, sizeof(caps));
  HRESULT hr = d3dDevice->GetDeviceCaps(&caps);
  if (FAILED(hr)) return hr;
  IDirect3D9* runtime = nullptr;
  hr = d3dDevice->GetDirect3D(&runtime);
  if (FAILED(hr)) return hr;
  if (kWide)
    emulate32BitDraw = caps.MaxVertexIndex < vertexCapacity || caps.MaxVertexIndex <= 0xFFFF ||
                       caps.MaxPrimitiveCount < faceCapacity;
  QueryVertexCache(d3dDevice, runtime, caps, &cacheSize, &cacheMagic, &hr);
  runtime->Release();
  return hr;
}

template HRESULT TriangleMesh<WORD>::Resize(DWORD, DWORD);
template HRESULT TriangleMesh<DWORD>::Resize(DWORD, DWORD);

}  // namespace d3dx
