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

struct Cell {
  int64_t x, y, z;
};

// The epsilon-sized cell of a position; false for a NaN coordinate, which never merges.
bool CellOf(const Vec3& p, float epsilon, Cell* cell) {
  const double limit = 1e15;  // far cells collapse together; the distance test still decides
  double c[3] = {std::floor(p.x / double(epsilon)), std::floor(p.y / double(epsilon)),
                 std::floor(p.z / double(epsilon))};
  for (double& v : c) {
    if (std::isnan(v)) return false;
    v = std::clamp(v, -limit, limit);
  }
  *cell = {int64_t(c[0]), int64_t(c[1]), int64_t(c[2])};
  return true;
}

DWORD Hash(int64_t x, int64_t y, int64_t z) {
  uint64_t h = uint64_t(x) * 0x9E3779B97F4A7C15ull ^ uint64_t(y) * 0xC2B2AE3D27D4EB4Full ^
               uint64_t(z) * 0x165667B19E3779F9ull;
  return DWORD(h ^ (h >> 29) ^ (h >> 47));
}

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
    // As many buckets as vertices: equal positions share a bucket whatever its count, so only
    // the chain lengths depend on it.
    const DWORD buckets = vertexCount_ ? vertexCount_ : 1;
    std::vector<DWORD> head(buckets, kNoFace), next(vertexCount_, kNoFace);
    for (DWORD v = 0; v < vertexCount_; ++v) {
      Vec3 p = Position(v);
      DWORD bits[3];
      std::memcpy(bits, &p, sizeof(bits));
      // Each coordinate's bit pattern mixed on its own: a plain sum would give every permutation
      // of a grid point's coordinates (and many other points) one bucket. Equal positions still
      // meet in one bucket, newest first, so the match found does not depend on the hash.
      const DWORD bucket = Hash(bits[0], bits[1], bits[2]) % buckets;
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

  // Vertices are visited by descending x; an unrepresented vertex takes every later unrepresented
  // vertex closer than epsilon. Candidates come from a grid of epsilon-sized cells rather than the
  // whole x window, so a mesh lying in a plane of constant x is not a quadratic search; the grid
  // finds exactly the window's vertices that pass the distance test.
  void Sweep(float epsilon) {
    if (!(epsilon > 0)) {  // a negative or NaN epsilon merges nothing
      for (DWORD v = 0; v < vertexCount_; ++v) reps[v] = v;
      return;
    }
    std::vector<float> key(vertexCount_);
    for (DWORD v = 0; v < vertexCount_; ++v) {
      float x = Position(v).x;
      key[v] = std::isnan(x) ? -std::numeric_limits<float>::infinity() : x;
    }
    std::vector<DWORD> sorted(vertexCount_), rank(vertexCount_);
    for (DWORD v = 0; v < vertexCount_; ++v) sorted[v] = v;
    std::sort(sorted.begin(), sorted.end(),
              [&](DWORD a, DWORD b) { return key[a] > key[b] || (key[a] == key[b] && a < b); });
    for (DWORD k = 0; k < vertexCount_; ++k) rank[sorted[k]] = k;

    const DWORD buckets = vertexCount_ ? vertexCount_ : 1;
    std::vector<DWORD> head(buckets, kNoFace), next(vertexCount_, kNoFace);
    for (DWORD v = 0; v < vertexCount_; ++v) {
      Cell c;
      if (!CellOf(Position(v), epsilon, &c)) continue;
      DWORD b = Hash(c.x, c.y, c.z) % buckets;
      next[v] = head[b];
      head[b] = v;
    }

    const float epsilon2 = epsilon * epsilon;
    for (DWORD k = 0; k < vertexCount_; ++k) {
      DWORD v = sorted[k];
      if (reps[v] != kNoFace) continue;
      reps[v] = v;
      Vec3 p = Position(v);
      Cell c;
      if (!CellOf(p, epsilon, &c)) continue;
      for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dz = -1; dz <= 1; ++dz) {
            for (DWORD u = head[Hash(c.x + dx, c.y + dy, c.z + dz) % buckets]; u != kNoFace; u = next[u]) {
              if (rank[u] <= k || reps[u] != kNoFace) continue;
              Vec3 q = Position(u);
              float ex = p.x - q.x, ey = p.y - q.y, ez = p.z - q.z;
              if (ex * ex + ey * ey + ez * ez < epsilon2 && !ShareFace(v, u)) reps[u] = v;
            }
          }
        }
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
