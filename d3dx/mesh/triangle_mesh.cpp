// The mesh object's construction, reference counting, accessors and locks, and mesh creation.
#include "triangle_mesh.h"
#include "debug_mute.h"

#include <cstring>

namespace d3dx {

template <typename Index>
TriangleMesh<Index>::TriangleMesh(IDirect3DDevice9* device, const D3DVERTEXELEMENT9* declaration,
                                  DWORD meshOptions)
    : options(meshOptions) {
  CopyLayout(declaration);
  stride = D3DXGetDeclVertexSize(declElements, 0);
  if (FAILED(D3DXFVFFromDeclarator(declElements, &fvf))) fvf = 0;

  ibPool = (options & D3DXMESH_IB_SYSTEMMEM) ? D3DPOOL_SYSTEMMEM
           : (options & D3DXMESH_IB_MANAGED) ? D3DPOOL_MANAGED
                                             : D3DPOOL_DEFAULT;
  vbPool = (options & D3DXMESH_VB_SYSTEMMEM) ? D3DPOOL_SYSTEMMEM
           : (options & D3DXMESH_VB_MANAGED) ? D3DPOOL_MANAGED
                                             : D3DPOOL_DEFAULT;
  if (options & D3DXMESH_IB_WRITEONLY) ibUsage |= D3DUSAGE_WRITEONLY;
  if (options & D3DXMESH_VB_WRITEONLY) vbUsage |= D3DUSAGE_WRITEONLY;
  DWORD both = 0;
  if (options & D3DXMESH_DONOTCLIP) both |= D3DUSAGE_DONOTCLIP;
  if (options & D3DXMESH_POINTS) both |= D3DUSAGE_POINTS;
  if (options & D3DXMESH_RTPATCHES) both |= D3DUSAGE_RTPATCHES;
  if (options & D3DXMESH_NPATCHES) both |= D3DUSAGE_NPATCHES;
  ibUsage |= both;
  vbUsage |= both;
  if (options & D3DXMESH_IB_DYNAMIC) ibUsage |= D3DUSAGE_DYNAMIC;
  if (options & D3DXMESH_VB_DYNAMIC) vbUsage |= D3DUSAGE_DYNAMIC;
  if (options & D3DXMESH_IB_SOFTWAREPROCESSING) ibUsage |= D3DUSAGE_SOFTWAREPROCESSING;
  if (options & D3DXMESH_VB_SOFTWAREPROCESSING) vbUsage |= D3DUSAGE_SOFTWAREPROCESSING;
  if (options & D3DXMESH_VB_SHARE) vbShared = true;

  d3dDevice = device;
  d3dDevice->AddRef();
  if (FAILED(d3dDevice->GetDirect3D(&d3d))) d3d = nullptr;
}

template <typename Index>
TriangleMesh<Index>::~TriangleMesh() {
  SafeRelease(vertexDecl);
  SafeRelease(vertexBuffer);
  SafeRelease(indexBuffer);
  SafeRelease(d3d);
  SafeRelease(d3dDevice);
}

template <typename Index>
HRESULT TriangleMesh<Index>::QueryInterface(REFIID iid, void** object) {
  if (outer) return outer->QueryInterface(iid, object);
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_ID3DXBaseMesh || iid == IID_ID3DXMesh) {
    *object = static_cast<ID3DXMesh*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

template <typename Index>
ULONG TriangleMesh<Index>::AddRef() {
  if (outer) return outer->AddRef();
  return ++refCount;
}

template <typename Index>
ULONG TriangleMesh<Index>::Release() {
  if (outer) return outer->Release();
  ULONG count = --refCount;
  if (count == 0) delete this;
  return count;
}

template <typename Index>
HRESULT TriangleMesh<Index>::GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
  if (!declaration) return D3DERR_INVALIDCALL;
  std::memcpy(declaration, declElements, (DeclLength(declElements) + 1) * sizeof(D3DVERTEXELEMENT9));
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::GetDevice(LPDIRECT3DDEVICE9* device) {
  if (!device) return D3DERR_INVALIDCALL;
  *device = d3dDevice;
  d3dDevice->AddRef();
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = vertexBuffer;
  if (vertexBuffer) vertexBuffer->AddRef();
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = indexBuffer;
  if (indexBuffer) indexBuffer->AddRef();
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::LockVertexBuffer(DWORD flags, LPVOID* data) {
  if (!vertexBuffer) return D3DERR_INVALIDCALL;
  return vertexBuffer->Lock(0, 0, data, flags | D3DLOCK_NOSYSLOCK);
}

template <typename Index>
HRESULT TriangleMesh<Index>::UnlockVertexBuffer() {
  if (!vertexBuffer) return D3DERR_INVALIDCALL;
  return vertexBuffer->Unlock();
}

template <typename Index>
HRESULT TriangleMesh<Index>::LockIndexBuffer(DWORD flags, LPVOID* data) {
  if (!indexBuffer) return D3DERR_INVALIDCALL;
  return indexBuffer->Lock(0, 0, data, flags | D3DLOCK_NOSYSLOCK);
}

template <typename Index>
HRESULT TriangleMesh<Index>::UnlockIndexBuffer() {
  if (!indexBuffer) return D3DERR_INVALIDCALL;
  return indexBuffer->Unlock();
}

template <typename Index>
HRESULT TriangleMesh<Index>::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
  if (size) *size = static_cast<DWORD>(attributeTable.size());
  if (table && !attributeTable.empty())
    std::memcpy(table, attributeTable.data(), attributeTable.size() * sizeof(D3DXATTRIBUTERANGE));
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::LockAttributeBuffer(DWORD flags, DWORD** data) {
  if (!data) return D3DERR_INVALIDCALL;
  if (!(flags & D3DLOCK_READONLY)) {
    // The caller may change the subsets: the table no longer describes them.
    DropAttributeTable();
  }
  *data = attributes.data();
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::SetAttributeTable(const D3DXATTRIBUTERANGE* table, DWORD size) {
  if (size == 0) {
    if (table) return D3DERR_INVALIDCALL;
    attributeTable.clear();
    attributeTable.shrink_to_fit();
    return D3D_OK;
  }
  if (!table) return D3DERR_INVALIDCALL;
  try {
    // On allocation failure the old table stays whole, so nothing reads entries that do not exist.
    std::vector<D3DXATTRIBUTERANGE> copy(table, table + size);
    attributeTable.swap(copy);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

template <typename Index>
IDirect3DVertexDeclaration9* TriangleMesh<Index>::MakeDeclaration(const D3DVERTEXELEMENT9* declaration) {
  IDirect3DVertexDeclaration9* object = nullptr;
  // Out of memory here is one more refusal: the mesh goes on without a declaration object.
  try {
    d3dx::DebugMute(true);
    if (FAILED(d3dDevice->CreateVertexDeclaration(declaration, &object))) object = nullptr;
  } catch (const std::bad_alloc&) {
    SafeRelease(object);
  }
  try {
    d3dx::DebugMute(false);
  } catch (const std::bad_alloc&) {
  }
  return object;
}

template <typename Index>
HRESULT TriangleMesh<Index>::UpdateSemantics(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
  if (!DeclIsValid(declaration) || D3DXGetDeclVertexSize(declaration, 0) != stride) return D3DERR_INVALIDCALL;
  IDirect3DVertexDeclaration9* object = MakeDeclaration(declaration);
  CopyLayout(declaration);  // same size, so stride stands; fvf stays the one made at construction
  SafeRelease(vertexDecl);
  vertexDecl = object;
  return D3D_OK;
}

template <typename Index>
void TriangleMesh<Index>::CopyLayout(const D3DVERTEXELEMENT9* declaration) {
  const UINT n = DeclLength(declaration);
  std::memcpy(declElements, declaration, n * sizeof(D3DVERTEXELEMENT9));
  declElements[n] = D3DDECL_END();
}

template <typename Index>
void TriangleMesh<Index>::DropAttributeTable() {
  attributeTable.clear();
  attributeTable.shrink_to_fit();
  attributeTableValid = false;
}

template <typename Index>
void TriangleMesh<Index>::KeepSortedAttributeTable(std::vector<D3DXATTRIBUTERANGE>&& table) {
  attributeTable = std::move(table);
  attributeTableValid = true;
}

template <typename Index>
void TriangleMesh<Index>::AdoptPointReps(const std::vector<Index>& reps) {
  hasPointReps = true;
  pointReps = reps;
  if (pointReps.size() < vertexCapacity) pointReps.resize(vertexCapacity, 0);
}

template <typename Index>
std::vector<DWORD> TriangleMesh<Index>::AdoptedPointReps() const {
  if (!hasPointReps) return {};
  const size_t count = pointReps.size() < vertexCount ? pointReps.size() : vertexCount;
  return std::vector<DWORD>(pointReps.begin(), pointReps.begin() + count);
}

template <typename Index>
HRESULT TriangleMesh<Index>::FaceRanges(std::vector<D3DXATTRIBUTERANGE>& ranges) const {
  if (attributeTable.empty()) {
    ranges.assign(1, D3DXATTRIBUTERANGE{0, 0, faceCount, 0, vertexCount});
    return D3D_OK;
  }
  unsigned long long total = 0;
  for (const D3DXATTRIBUTERANGE& r : attributeTable) {
    total += r.FaceCount;
    if (static_cast<unsigned long long>(r.FaceStart) + r.FaceCount > faceCount) return E_FAIL;
  }
  if (total > faceCount) return E_FAIL;
  ranges = attributeTable;
  return D3D_OK;
}

template class TriangleMesh<WORD>;
template class TriangleMesh<DWORD>;

}  // namespace d3dx

using d3dx::TriangleMesh;

HRESULT WINAPI D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options,
                              const D3DVERTEXELEMENT9* declaration, LPDIRECT3DDEVICE9 device,
                              LPD3DXMESH* mesh) {
  if ((options & ~0x1CFFFu) || !device || !mesh || !d3dx::DeclIsValid(declaration) || numFaces == 0 ||
      numVertices == 0)
    return D3DERR_INVALIDCALL;
  HRESULT hr;
  ID3DXMesh* result;
  if (options & D3DXMESH_32BIT) {
    TriangleMesh<DWORD>* object;
    if (FAILED(hr = d3dx::NewTriangleMesh(device, declaration, options, &object))) return hr;
    hr = object->Resize(numFaces, numVertices);
    result = object;
  } else {
    if (numFaces > 0xFFFF || numVertices > 0xFFFF) return D3DERR_INVALIDCALL;
    TriangleMesh<WORD>* object;
    if (FAILED(hr = d3dx::NewTriangleMesh(device, declaration, options, &object))) return hr;
    hr = object->Resize(numFaces, numVertices);
    result = object;
  }
  if (FAILED(hr)) {
    result->Release();
    return hr;
  }
  *mesh = result;
  return D3D_OK;
}

HRESULT WINAPI D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                                 LPDIRECT3DDEVICE9 device, LPD3DXMESH* mesh) {
  if (fvf == 0 || (fvf & D3DFVF_RESERVED0) || (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW)
    return D3DERR_INVALIDCALL;
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  HRESULT hr = D3DXDeclaratorFromFVF(fvf, declaration);
  if (FAILED(hr)) return hr;
  return D3DXCreateMesh(numFaces, numVertices, options, declaration, device, mesh);
}
