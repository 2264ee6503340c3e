// Point representatives from adjacency: every vertex in one fan of faces gets the fan's first vertex.
#include <algorithm>

#include "fan_walker.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

constexpr DWORD kMaxFan = 10000;

}  // namespace

template <typename Index>
HRESULT TriangleMesh<Index>::ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* reps) {
  if (!adjacency || !reps || (options & D3DXMESH_IB_WRITEONLY)) return D3DERR_INVALIDCALL;
  try {
    std::vector<D3DXATTRIBUTERANGE> ranges;
    HRESULT hr = FaceRanges(ranges);
    if (FAILED(hr)) return hr;
    ScopedLock<IDirect3DIndexBuffer9> lock(indexBuffer, D3DLOCK_READONLY);
    if (FAILED(lock.result())) return lock.result();
    const Index* indices = lock.data<const Index>();
    std::vector<DWORD> result(vertexCount, kNoFace);
    FanWalker walker(adjacency, faceCount);
    for (const D3DXATTRIBUTERANGE& range : ranges) {
      for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
        for (int k = 0; k < 3; ++k) {
          DWORD v = indices[3 * static_cast<size_t>(f) + k];
          if (v >= vertexCount || result[v] != kNoFace) continue;
          walker.Start(f, k, FanWalker::kBothWays);
          DWORD face;
          int corner;
          DWORD steps = 0;
          while (walker.Next(&face, &corner)) {
            if (++steps > kMaxFan) return D3DXERR_INVALIDMESH;
            DWORD u = indices[3 * static_cast<size_t>(face) + corner];
            if (u < vertexCount) result[u] = v;
          }
        }
      }
    }
    for (DWORD v = 0; v < vertexCount; ++v) reps[v] = result[v] == kNoFace ? v : result[v];
    return D3D_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

template HRESULT TriangleMesh<WORD>::ConvertAdjacencyToPointReps(const DWORD*, DWORD*);
template HRESULT TriangleMesh<DWORD>::ConvertAdjacencyToPointReps(const DWORD*, DWORD*);

}  // namespace d3dx
