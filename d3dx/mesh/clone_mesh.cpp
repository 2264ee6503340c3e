// Cloning a mesh into another layout, index width, pool or device; optionally sharing its vertices.
#include <cstring>

#include "triangle_mesh.h"

namespace d3dx {

// Copies the face data of one mesh into another of possibly different index width.
template <typename To>
template <typename From>
HRESULT TriangleMesh<To>::CopyFacesFrom(TriangleMesh<From>& original) {
  TriangleMesh<From>* source = &original;
  TriangleMesh<To>* clone = this;
  clone->hasStoredAdjacency = source->hasStoredAdjacency;
  clone->hasPointReps = source->hasPointReps;
  clone->hasAttributes = source->hasAttributes;
  clone->hasFaceTags = source->hasFaceTags;
  HRESULT hr = clone->Resize(source->faceCount, source->vertexCount);
  if (FAILED(hr)) return hr;
  try {
    std::memcpy(clone->attributes.data(), source->attributes.data(), source->faceCount * sizeof(DWORD));
    clone->attributeTable = source->attributeTable;
    clone->attributeTableValid = source->attributeTableValid;
    if (source->hasFaceTags) {
      clone->faceTags.resize(clone->faceCapacity, 0);
      std::memcpy(clone->faceTags.data(), source->faceTags.data(), source->faceCount * sizeof(WORD));
    }
    if (source->hasStoredAdjacency) {
      clone->storedAdjacency.assign(static_cast<size_t>(clone->faceCapacity) * 3, TriangleMesh<To>::kEmpty);
      for (size_t i = 0; i < static_cast<size_t>(source->faceCount) * 3; ++i)
        clone->storedAdjacency[i] = static_cast<To>(Widen(source->storedAdjacency[i]));
    }
    if (source->hasPointReps) {
      clone->pointReps.assign(
          clone->vertexCapacity > source->vertexCount ? clone->vertexCapacity : source->vertexCount, 0);
      for (DWORD i = 0; i < source->vertexCount; ++i)
        clone->pointReps[i] = static_cast<To>(source->pointReps[i]);
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  ScopedLock<IDirect3DIndexBuffer9> from(source->indexBuffer, D3DLOCK_READONLY);
  if (FAILED(from.result())) return from.result();
  ScopedLock<IDirect3DIndexBuffer9> to(clone->indexBuffer, 0);
  if (FAILED(to.result())) return to.result();
  const From* in = from.template data<From>();
  To* out = to.template data<To>();
  for (size_t i = 0; i < static_cast<size_t>(source->faceCount) * 3; ++i)
    out[i] = static_cast<To>(Widen(in[i]));
  return D3D_OK;
}

template <typename To>
template <typename From>
HRESULT TriangleMesh<To>::CopyVerticesFrom(TriangleMesh<From>& original) {
  TriangleMesh<From>* source = &original;
  TriangleMesh<To>* clone = this;
  if (!source->vertexBuffer || !clone->vertexBuffer || source->vertexCount == 0) return D3D_OK;
  ScopedLock<IDirect3DVertexBuffer9> from(source->vertexBuffer, D3DLOCK_READONLY);
  if (FAILED(from.result())) return from.result();
  ScopedLock<IDirect3DVertexBuffer9> to(clone->vertexBuffer, 0);
  if (FAILED(to.result())) return to.result();
  if (DeclEqual(source->declElements, clone->declElements)) {
    std::memcpy(to.data(), from.data(), static_cast<size_t>(source->vertexCount) * source->stride);
    return D3D_OK;
  }
  DeclConverter converter;
  converter.Setup(source->declElements, clone->declElements);
  converter.SetData(from.data(), to.data());
  for (DWORD i = 0; i < source->vertexCount; ++i) converter.ConvertVertex(i, i, true);
  return D3D_OK;
}

template <typename From>
template <typename To>
HRESULT TriangleMesh<From>::CloneInto(DWORD options, const D3DVERTEXELEMENT9* declaration,
                                      IDirect3DDevice9* device, LPD3DXMESH* out) {
  TriangleMesh<From>* source = this;
  TriangleMesh<To>* clone;
  HRESULT hr = NewTriangleMesh<To>(device, declaration, options, &clone);
  if (FAILED(hr)) return hr;
  // Sharing: the clone never owns a buffer of its own, it holds the source's.
  if (options & D3DXMESH_VB_SHARE) clone->ShareVerticesOf(*source);
  hr = clone->CopyFacesFrom(*source);
  if (SUCCEEDED(hr) && !(options & D3DXMESH_VB_SHARE)) hr = clone->CopyVerticesFrom(*source);
  if (FAILED(hr)) {
    clone->Release();
    return hr;
  }
  if (options & D3DXMESH_VB_SHARE) source->vbShared = true;
  *out = clone;
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::CloneMeshFVF(DWORD cloneOptions, DWORD cloneFvf, LPDIRECT3DDEVICE9 device,
                                          LPD3DXMESH* cloneMesh) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  HRESULT hr = D3DXDeclaratorFromFVF(cloneFvf, declaration);
  if (FAILED(hr)) return hr;
  return CloneMesh(cloneOptions, declaration, device, cloneMesh);
}

template <typename Index>
HRESULT TriangleMesh<Index>::CloneMesh(DWORD cloneOptions, const D3DVERTEXELEMENT9* declaration,
                                       LPDIRECT3DDEVICE9 device, LPD3DXMESH* cloneMesh) {
  if (!declaration) declaration = declElements;
  if (!DeclIsValid(declaration) || (cloneOptions & ~0x1DFFFu) || !device || !cloneMesh)
    return D3DERR_INVALIDCALL;
  if ((cloneOptions & D3DXMESH_VB_SHARE) && (!DeclEqual(declaration, declElements) || device != d3dDevice))
    return D3DERR_INVALIDCALL;
  if (options & (D3DXMESH_IB_WRITEONLY | D3DXMESH_VB_WRITEONLY)) return D3DERR_INVALIDCALL;
  if (cloneOptions & D3DXMESH_32BIT) return CloneInto<DWORD>(cloneOptions, declaration, device, cloneMesh);
  if (faceCount > 0xFFFF || vertexCount > 0xFFFF) return D3DERR_INVALIDCALL;
  return CloneInto<WORD>(cloneOptions, declaration, device, cloneMesh);
}

template HRESULT TriangleMesh<WORD>::CloneMeshFVF(DWORD, DWORD, LPDIRECT3DDEVICE9, LPD3DXMESH*);
template HRESULT TriangleMesh<DWORD>::CloneMeshFVF(DWORD, DWORD, LPDIRECT3DDEVICE9, LPD3DXMESH*);
template HRESULT TriangleMesh<WORD>::CloneMesh(DWORD, const D3DVERTEXELEMENT9*, LPDIRECT3DDEVICE9,
                                               LPD3DXMESH*);
template HRESULT TriangleMesh<DWORD>::CloneMesh(DWORD, const D3DVERTEXELEMENT9*, LPDIRECT3DDEVICE9,
                                                LPD3DXMESH*);

}  // namespace d3dx
