// Mesh cleaning: drops double links between faces and gives each fan of a bowtie vertex its own copy.
#include <algorithm>
#include <cstring>
#include <vector>

#include "mesh_validation.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

void RemoveDoubleLinks(DWORD faceCount, DWORD* adjacency) {
  for (DWORD f = 0; f < faceCount; ++f) {
    DWORD* a = adjacency + 3 * static_cast<size_t>(f);
    DWORD n = a[0] == a[1] || a[0] == a[2] ? a[0] : (a[1] == a[2] ? a[1] : kNoFace);
    if (n == kNoFace) continue;
    for (int k = 0; k < 3; ++k)
      if (a[k] == n) a[k] = kNoFace;
    if (n < faceCount) {
      DWORD* b = adjacency + 3 * static_cast<size_t>(n);
      for (int k = 0; k < 3; ++k)
        if (b[k] == f) b[k] = kNoFace;
    }
  }
}

template <typename Index>
HRESULT Clean(ID3DXMesh* mesh, DWORD* adjacency, LPD3DXMESH* meshOut, MessageList& messages) {
  const DWORD faces = mesh->GetNumFaces(), vertexCount = mesh->GetNumVertices();
  std::vector<DWORD> indices(3 * static_cast<size_t>(faces));
  {
    void* data;
    HRESULT hr = mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    if (FAILED(hr)) return hr;
    const Index* source = static_cast<const Index*>(data);
    bool ok = CheckIndices(source, faces, vertexCount, adjacency, messages);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = source[i];
    mesh->UnlockIndexBuffer();
    if (!ok) return D3DXERR_INVALIDMESH;
  }

  // Each vertex met by a second fan gets one copy per further fan.
  std::vector<DWORD> owner(vertexCount, kNoFace), copyFan(vertexCount, kNoFace), copyIndex(vertexCount, 0);
  std::vector<DWORD> copySource;
  ForEachFan(faces, adjacency, [&](DWORD fan, DWORD face, int corner) {
    size_t slot = 3 * static_cast<size_t>(face) + corner;
    DWORD u = indices[slot];
    if (u >= vertexCount) return;  // already pointed at a copy by this fan
    if (owner[u] == kNoFace) {
      owner[u] = fan;
    } else if (owner[u] != fan) {
      if (copyFan[u] != fan) {
        copyFan[u] = fan;
        copyIndex[u] = vertexCount + static_cast<DWORD>(copySource.size());
        copySource.push_back(u);
      }
      indices[slot] = copyIndex[u];
    }
  });

  if (copySource.empty()) {
    mesh->AddRef();
    *meshOut = mesh;
    return D3D_OK;
  }

  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  HRESULT hr = mesh->GetDeclaration(declaration);
  if (FAILED(hr)) return hr;
  IDirect3DDevice9* device;
  if (FAILED(hr = mesh->GetDevice(&device))) return hr;
  ID3DXMesh* cleaned = nullptr;
  hr = D3DXCreateMesh(faces, vertexCount + static_cast<DWORD>(copySource.size()), mesh->GetOptions(),
                      declaration, device, &cleaned);
  device->Release();
  if (FAILED(hr)) return hr;

  const DWORD stride = mesh->GetNumBytesPerVertex();
  void *from = nullptr, *to = nullptr;
  if (SUCCEEDED(hr = mesh->LockVertexBuffer(D3DLOCK_READONLY, &from))) {
    if (SUCCEEDED(hr = cleaned->LockVertexBuffer(0, &to))) {
      BYTE* out = static_cast<BYTE*>(to);
      std::memcpy(out, from, static_cast<size_t>(vertexCount) * stride);
      for (size_t i = 0; i < copySource.size(); ++i)
        std::memcpy(out + (vertexCount + i) * stride, static_cast<const BYTE*>(from) + copySource[i] * stride,
                    stride);
      cleaned->UnlockVertexBuffer();
    }
    mesh->UnlockVertexBuffer();
  }
  if (SUCCEEDED(hr) && SUCCEEDED(hr = cleaned->LockIndexBuffer(0, &to))) {
    Index* out = static_cast<Index*>(to);
    for (size_t i = 0; i < indices.size(); ++i) out[i] = static_cast<Index>(indices[i]);
    cleaned->UnlockIndexBuffer();
  }
  DWORD *attributesIn = nullptr, *attributesOut = nullptr;
  if (SUCCEEDED(hr) && SUCCEEDED(hr = mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributesIn))) {
    if (SUCCEEDED(hr = cleaned->LockAttributeBuffer(0, &attributesOut))) {
      std::memcpy(attributesOut, attributesIn, faces * sizeof(DWORD));
      cleaned->UnlockAttributeBuffer();
    }
    mesh->UnlockAttributeBuffer();
  }
  if (FAILED(hr)) {
    cleaned->Release();
    return hr;
  }
  *meshOut = cleaned;
  return D3D_OK;
}

}  // namespace

}  // namespace d3dx

HRESULT WINAPI D3DXCleanMesh(LPD3DXMESH mesh, const DWORD* adjacencyIn, LPD3DXMESH* meshOut,
                             DWORD* adjacencyOut, LPD3DXBUFFER* errorsAndWarnings) {
  if (!mesh || !adjacencyIn || !meshOut || !adjacencyOut ||
      (mesh->GetOptions() & (D3DXMESH_IB_WRITEONLY | D3DXMESH_VB_WRITEONLY)))
    return D3DERR_INVALIDCALL;
  // Worked on a copy: the caller's mesh and adjacency outputs are written only on success.
  d3dx::MessageList messages;
  std::vector<DWORD> adjacency;
  ID3DXMesh* cleaned = nullptr;
  HRESULT hr;
  try {
    adjacency.assign(adjacencyIn, adjacencyIn + 3 * static_cast<size_t>(mesh->GetNumFaces()));
    d3dx::RemoveDoubleLinks(mesh->GetNumFaces(), adjacency.data());
    hr = (mesh->GetOptions() & D3DXMESH_32BIT)
             ? d3dx::Clean<DWORD>(mesh, adjacency.data(), &cleaned, messages)
             : d3dx::Clean<WORD>(mesh, adjacency.data(), &cleaned, messages);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  const HRESULT handed = messages.Hand(errorsAndWarnings);
  if (SUCCEEDED(hr) && FAILED(handed)) hr = handed;
  if (FAILED(hr)) {
    if (cleaned) cleaned->Release();
    return hr;
  }
  std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
  *meshOut = cleaned;
  return D3D_OK;
}
