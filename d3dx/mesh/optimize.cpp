// Optimize and OptimizeInplace: argument checks, the new mesh for Optimize, and the index lock
// around the shared core.
#include <cstring>

#include "triangle_mesh.h"

namespace d3dx {

template <typename Index>
class TriangleMesh<Index>::WorkingIndices {
 public:
  explicit WorkingIndices(TriangleMesh* mesh) : mesh_(mesh), lock_(mesh->indexBuffer, 0) {
    if (SUCCEEDED(lock_.result())) mesh_->lockedIndices = lock_.template data<Index>();
  }
  ~WorkingIndices() { mesh_->lockedIndices = nullptr; }
  WorkingIndices(const WorkingIndices&) = delete;
  WorkingIndices& operator=(const WorkingIndices&) = delete;
  HRESULT result() const { return lock_.result(); }

 private:
  TriangleMesh* mesh_;
  ScopedLock<IDirect3DIndexBuffer9> lock_;
};

template <typename Index>
HRESULT TriangleMesh<Index>::OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                                             DWORD* faceRemap, LPD3DXBUFFER* vertexRemap) {
  if ((flags & 0xC0BFEFFF) || (options & (D3DXMESH_IB_WRITEONLY | D3DXMESH_VB_WRITEONLY)))
    return D3DERR_INVALIDCALL;
  if (vbShared) flags |= D3DXMESHOPT_IGNOREVERTS;
  try {
    WorkingIndices lock(this);
    if (FAILED(lock.result())) return lock.result();
    return OptimizeCore(flags, adjacencyIn, adjacencyOut, faceRemap, vertexRemap, nullptr);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

template <typename Index>
HRESULT TriangleMesh<Index>::Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                                      DWORD* faceRemap, LPD3DXBUFFER* vertexRemap, LPD3DXMESH* optMesh) {
  if (!optMesh || (flags & 0xC0BE2000) || (flags & (D3DXMESH_32BIT | D3DXMESH_IB_WRITEONLY)) ||
      (options & (D3DXMESH_IB_WRITEONLY | D3DXMESH_VB_WRITEONLY)))
    return D3DERR_INVALIDCALL;
  DWORD newOptions;
  if (flags & 0x1CFFF) {
    newOptions = (flags & 0x1DFFF) | (options & D3DXMESH_32BIT);
  } else {
    newOptions = (options & ~static_cast<DWORD>(D3DXMESH_VB_SHARE)) | (flags & D3DXMESH_VB_SHARE);
  }
  flags &= ~0x1DFFFu;
  const bool share = newOptions & D3DXMESH_VB_SHARE;
  if (share) flags |= D3DXMESHOPT_IGNOREVERTS;

  TriangleMesh<Index>* mesh;
  HRESULT hr = NewTriangleMesh<Index>(d3dDevice, declElements, newOptions, &mesh);
  if (FAILED(hr)) return hr;
  try {
    if (share) mesh->ShareVerticesOf(*this);
    hr = mesh->Resize(faceCount, share ? vertexCount : 0);
    if (SUCCEEDED(hr)) {
      ScopedLock<IDirect3DIndexBuffer9> from(indexBuffer, D3DLOCK_READONLY);
      ScopedLock<IDirect3DIndexBuffer9> to(mesh->indexBuffer, 0);
      hr = FAILED(from.result()) ? from.result() : to.result();
      if (SUCCEEDED(hr))
        std::memcpy(to.data(), from.data(), static_cast<size_t>(faceCount) * 3 * sizeof(Index));
    }
    if (SUCCEEDED(hr)) {
      std::copy(attributes.begin(), attributes.begin() + faceCount, mesh->attributes.begin());
      mesh->hasFaceTags = hasFaceTags;
      mesh->hasStoredAdjacency = hasStoredAdjacency;
      if (hasFaceTags) mesh->faceTags.assign(faceTags.begin(), faceTags.begin() + faceCount);
      if (hasStoredAdjacency)
        mesh->storedAdjacency.assign(storedAdjacency.begin(), storedAdjacency.begin() + 3 * faceCount);
      if (attributeTableValid)
        mesh->KeepSortedAttributeTable(std::vector<D3DXATTRIBUTERANGE>(attributeTable));
      if (hasPointReps && pointReps.size() >= vertexCount) {
        mesh->hasPointReps = true;
        mesh->pointReps.assign(pointReps.begin(), pointReps.begin() + vertexCount);
      }
      mesh->vertexCount = vertexCount;
      WorkingIndices lock(mesh);
      hr = lock.result();
      if (SUCCEEDED(hr))
        hr = mesh->OptimizeCore(flags, adjacencyIn, adjacencyOut, faceRemap, vertexRemap,
                                share ? nullptr : vertexBuffer);
    }
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) {
    mesh->Release();
    return hr;
  }
  if (share) vbShared = true;
  *optMesh = mesh;
  return D3D_OK;
}

template HRESULT TriangleMesh<WORD>::Optimize(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*,
                                              LPD3DXMESH*);
template HRESULT TriangleMesh<DWORD>::Optimize(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*,
                                               LPD3DXMESH*);
template HRESULT TriangleMesh<WORD>::OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*);
template HRESULT TriangleMesh<DWORD>::OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*);

}  // namespace d3dx
