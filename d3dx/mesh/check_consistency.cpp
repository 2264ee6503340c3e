// Self-check of a mesh's per-face arrays against its index data.
#include "triangle_mesh.h"

namespace d3dx {

template <typename Index>
bool TriangleMesh<Index>::ConsistentWith(const Index* index) const {
  const TriangleMesh& mesh = *this;
  const bool adjacency = mesh.hasStoredAdjacency && mesh.storedAdjacency.size() >= 3ull * mesh.faceCount;
  const bool reps = mesh.hasPointReps && mesh.pointReps.size() >= mesh.vertexCount;
  for (DWORD f = 0; f < mesh.faceCount; ++f) {
    const Index* face = index + 3 * static_cast<size_t>(f);
    if (face[0] == kEmpty) {
      for (int k = 0; k < 3; ++k) {
        if (face[k] != kEmpty) return false;
        if (adjacency && mesh.storedAdjacency[3 * f + k] != kEmpty) return false;
      }
      continue;
    }
    if (!adjacency) continue;
    for (int e = 0; e < 3; ++e) {
      if (face[e] >= mesh.vertexCount) return false;
      Index n = mesh.storedAdjacency[3 * f + e];
      if (n == kEmpty) continue;
      if (n >= mesh.faceCount) return false;
      int back = -1;
      for (int j = 0; j < 3; ++j)
        if (mesh.storedAdjacency[3 * static_cast<size_t>(n) + j] == f) back = j;
      if (back < 0) return false;
      if (reps) {
        const Index* other = index + 3 * static_cast<size_t>(n);
        if (other[back] >= mesh.vertexCount || other[(back + 1) % 3] >= mesh.vertexCount) return false;
        Index a = mesh.pointReps[face[e]], b = mesh.pointReps[face[(e + 1) % 3]];
        Index c = mesh.pointReps[other[back]], d = mesh.pointReps[other[(back + 1) % 3]];
        if (!((a == c && b == d) || (a == d && b == c))) return false;
      }
    }
  }
  for (const D3DXATTRIBUTERANGE& r : mesh.attributeTable) {
    for (DWORD f = r.FaceStart; f < r.FaceStart + r.FaceCount; ++f) {
      if (f >= mesh.faceCount) return false;
      if (mesh.attributes[f] != r.AttribId) return false;
    }
  }
  return true;
}

template <typename Index>
BOOL TriangleMesh<Index>::CheckConsistency(const Index* indices) {
  if (indices) return ConsistentWith(indices);
  if (lockedIndices) return ConsistentWith(lockedIndices);
  if (faceCount == 0) return TRUE;
  ScopedLock<IDirect3DIndexBuffer9> lock(indexBuffer, D3DLOCK_READONLY);
  if (FAILED(lock.result())) return FALSE;
  return ConsistentWith(lock.data<const Index>());
}

template BOOL TriangleMesh<WORD>::CheckConsistency(const WORD*);
template BOOL TriangleMesh<DWORD>::CheckConsistency(const DWORD*);

}  // namespace d3dx
