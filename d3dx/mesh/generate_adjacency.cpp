// Face adjacency from vertex positions: vertices at one place (exactly, or closer than epsilon) get a
// common representative, then edges are paired by representatives.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "adjacency.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

struct Vec3 {
  float x, y, z;
};

template <typename Index>
class Representatives {
 public:
  Representatives(const Index* indices, DWORD faceCount, DWORD vertexCount, const BYTE* positions,
                  DWORD stride)
      : indices_(indices),
        positions_(positions),
        stride_(stride),
        vertexCount_(vertexCount),
        cornerHead_(vertexCount, kNoFace),
        cornerNext_(3 * static_cast<size_t>(faceCount), kNoFace),
        reps(vertexCount, kNoFace) {
    // Corner lists, newest first; faces with an empty marker or a damaged index are left out.
    for (DWORD f = 0; f < faceCount; ++f) {
      const Index* face = indices + 3 * static_cast<size_t>(f);
      if (face[0] >= vertexCount || face[1] >= vertexCount || face[2] >= vertexCount) continue;
      for (int k = 0; k < 3; ++k) {
        DWORD corner = 3 * f + k;
        cornerNext_[corner] = cornerHead_[face[k]];
        cornerHead_[face[k]] = corner;
      }
    }
  }

  void Exact() {
    const DWORD buckets = vertexCount_ / 3 ? vertexCount_ / 3 : 1;
    std::vector<DWORD> head(buckets, kNoFace), next(vertexCount_, kNoFace);
    for (DWORD v = 0; v < vertexCount_; ++v) {
      Vec3 p = Position(v);
      DWORD bits[3];
      std::memcpy(bits, &p, sizeof(bits));
      // The sum of the bit patterns, mixed: integer-valued coordinates leave the low bits of the
      // plain sum zero, which would pile whole grids into a few buckets.
      DWORD key = (bits[0] + bits[1] + bits[2]) * 0x9E3779B1u;
      DWORD bucket = (key ^ (key >> 15)) % buckets;
      for (DWORD u = head[bucket]; u != kNoFace; u = next[u]) {
        Vec3 q = Position(u);
        if (q.x == p.x && q.y == p.y && q.z == p.z && !ShareFace(v, u)) {
          reps[v] = u;
          break;
        }
      }
      if (reps[v] == kNoFace) {
        reps[v] = v;
        next[v] = head[bucket];
        head[bucket] = v;
      }
    }
  }

  void Sweep(float epsilon) {
    // NaN sorts last so the ordering stays strict; it never merges with anything.
    std::vector<float> key(vertexCount_);
    for (DWORD v = 0; v < vertexCount_; ++v) {
      float x = Position(v).x;
      key[v] = std::isnan(x) ? -std::numeric_limits<float>::infinity() : x;
    }
    std::vector<DWORD> sorted(vertexCount_);
    for (DWORD v = 0; v < vertexCount_; ++v) sorted[v] = v;
    std::sort(sorted.begin(), sorted.end(),
              [&](DWORD a, DWORD b) { return key[a] > key[b] || (key[a] == key[b] && a < b); });
    const float epsilon2 = epsilon * epsilon;
    DWORD w = 0;
    for (DWORD k = 0; k < vertexCount_; ++k) {
      DWORD v = sorted[k];
      while (w < vertexCount_ && key[v] - key[sorted[w]] <= epsilon) ++w;
      if (reps[v] != kNoFace) continue;
      reps[v] = v;
      Vec3 p = Position(v);
      for (DWORD i = k + 1; i < w; ++i) {
        DWORD u = sorted[i];
        if (reps[u] != kNoFace) continue;
        Vec3 q = Position(u);
        float dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
        if (dx * dx + dy * dy + dz * dz < epsilon2 && !ShareFace(v, u)) reps[u] = v;
      }
    }
  }

 private:
  Vec3 Position(DWORD v) const {
    Vec3 p;
    std::memcpy(&p, positions_ + static_cast<size_t>(v) * stride_, sizeof(p));
    return p;
  }

  // Two vertices of one triangle are never merged, however close.
  bool ShareFace(DWORD v, DWORD u) const {
    for (DWORD c = cornerHead_[v]; c != kNoFace; c = cornerNext_[c]) {
      const Index* face = indices_ + (c / 3) * 3;
      if (face[0] == u || face[1] == u || face[2] == u) return true;
    }
    return false;
  }

  const Index* indices_;
  const BYTE* positions_;
  DWORD stride_;
  DWORD vertexCount_;
  std::vector<DWORD> cornerHead_, cornerNext_;

 public:
  std::vector<DWORD> reps;
};

}  // namespace

template <typename Index>
HRESULT TriangleMesh<Index>::GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) {
  if (!adjacency || (options & (D3DXMESH_IB_WRITEONLY | D3DXMESH_VB_WRITEONLY))) return D3DERR_INVALIDCALL;
  ElementLookup lookup;
  lookup.Setup(declElements);
  if (!lookup.position) return D3DERR_INVALIDCALL;
  try {
    std::vector<D3DXATTRIBUTERANGE> ranges;
    HRESULT hr = FaceRanges(ranges);
    if (FAILED(hr)) return hr;
    ScopedLock<IDirect3DIndexBuffer9> index(indexBuffer, D3DLOCK_READONLY);
    if (FAILED(index.result())) return index.result();
    ScopedLock<IDirect3DVertexBuffer9> vertices(vertexBuffer, D3DLOCK_READONLY);
    if (FAILED(vertices.result())) return vertices.result();
    const BYTE* positions = vertices.data() + lookup.position->Offset;
    const DWORD vertexTotal = vertexCount <= vertexCapacity ? vertexCount : vertexCapacity;
    Representatives<Index> finder(index.data<const Index>(), faceCount, vertexTotal, positions, stride);
    if (epsilon == 0.0f)
      finder.Exact();
    else
      finder.Sweep(epsilon);
    PairEdges(index.data<const Index>(), faceCount, vertexTotal, finder.reps.data(), positions, stride,
              ranges, adjacency);
    return D3D_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

template HRESULT TriangleMesh<WORD>::GenerateAdjacency(FLOAT, DWORD*);
template HRESULT TriangleMesh<DWORD>::GenerateAdjacency(FLOAT, DWORD*);

}  // namespace d3dx
