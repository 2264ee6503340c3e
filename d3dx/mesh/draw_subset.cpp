// Drawing one subset: a single call with a valid attribute table, one call per run of faces without,
// and triangle by triangle from system memory when the device cannot take 32-bit indices.
#include <cstring>

#include "triangle_mesh.h"

namespace d3dx {

namespace {

const D3DXATTRIBUTERANGE* FindRange(const std::vector<D3DXATTRIBUTERANGE>& table, DWORD id,
                                    bool tryIndexFirst) {
  if (tryIndexFirst && id < table.size() && table[id].AttribId == id) return &table[id];
  for (const D3DXATTRIBUTERANGE& r : table)
    if (r.AttribId == id) return &r;
  return nullptr;
}

}  // namespace

template <typename Index>
HRESULT TriangleMesh<Index>::DrawSubset(DWORD attribId) {
  if (!vertexBuffer) return D3D_OK;
  const bool useTable = attributeTableValid;

  if (kWide && emulate32BitDraw) {
    d3dDevice->SetVertexDeclaration(vertexDecl);
    DWORD first = 0, last = faceCount;
    if (attributeTableValid) {
      const D3DXATTRIBUTERANGE* range = FindRange(attributeTable, attribId, false);
      if (!range) return D3D_OK;
      first = range->FaceStart < faceCount ? range->FaceStart : faceCount;
      last = range->FaceCount < faceCount - first ? first + range->FaceCount : faceCount;
    }
    std::vector<BYTE> triangle;
    try {
      triangle.resize(3 * static_cast<size_t>(stride));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    ScopedLock<IDirect3DVertexBuffer9> vertices(vertexBuffer, D3DLOCK_READONLY);
    if (FAILED(vertices.result())) return vertices.result();
    ScopedLock<IDirect3DIndexBuffer9> indices(indexBuffer, D3DLOCK_READONLY);
    if (FAILED(indices.result())) return indices.result();
    const Index* index = indices.data<Index>();
    HRESULT hr = D3D_OK;
    for (DWORD f = first; f < last; ++f) {
      if (!attributeTableValid && attributes[f] != attribId) continue;
      bool inside = true;
      for (int k = 0; k < 3; ++k) {
        DWORD v = index[3 * f + k];
        if (v >= vertexCapacity) {
          inside = false;  // an empty face or a damaged index: nothing to copy
          break;
        }
        std::memcpy(&triangle[k * stride], vertices.data() + static_cast<size_t>(v) * stride, stride);
      }
      if (!inside) continue;
      hr = d3dDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle.data(), stride);
      if (FAILED(hr)) break;
    }
    return hr;
  }

  d3dDevice->SetVertexDeclaration(vertexDecl);
  d3dDevice->SetStreamSource(0, vertexBuffer, 0, stride);
  d3dDevice->SetIndices(indexBuffer);

  if (useTable) {
    const D3DXATTRIBUTERANGE* range = FindRange(attributeTable, attribId, true);
    if (!range || range->FaceCount == 0) return D3D_OK;
    return d3dDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range->VertexStart, range->VertexCount,
                                           3 * range->FaceStart, range->FaceCount);
  }

  HRESULT hr = D3D_OK;
  for (DWORD f = 0; f < faceCount;) {
    if (attributes[f] != attribId) {
      ++f;
      continue;
    }
    DWORD start = f;
    while (f < faceCount && attributes[f] == attribId) ++f;
    hr = d3dDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 3 * start, f - start);
    if (kWide && FAILED(hr)) return hr;
  }
  return hr;
}

template HRESULT TriangleMesh<WORD>::DrawSubset(DWORD);
template HRESULT TriangleMesh<DWORD>::DrawSubset(DWORD);

}  // namespace d3dx
