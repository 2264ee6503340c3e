// Face adjacency from point representatives: edges whose representatives match in opposite
// directions are paired; an edge shared by more than two faces pairs the best-aligned faces first.
#include <cmath>
#include <cstring>

#include "adjacency.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

struct EdgeRecord {
  DWORD start, end, third, face;
  BYTE edge;  // which edge of `face` the record stands for
  bool removed;
};

struct Vec3 {
  float x, y, z;
};

Vec3 Position(const BYTE* positions, DWORD stride, DWORD v) {
  Vec3 p;
  std::memcpy(&p, positions + static_cast<size_t>(v) * stride, sizeof(p));
  return p;
}

// Normalised (a - b) x (a - c); zero for a degenerate triangle.
Vec3 Normal(const BYTE* positions, DWORD stride, DWORD a, DWORD b, DWORD c) {
  if (!positions) return {0, 0, 0};
  Vec3 pa = Position(positions, stride, a), pb = Position(positions, stride, b),
       pc = Position(positions, stride, c);
  Vec3 u = {pa.x - pb.x, pa.y - pb.y, pa.z - pb.z}, v = {pa.x - pc.x, pa.y - pc.y, pa.z - pc.z};
  Vec3 n = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (!(length > 0)) return {0, 0, 0};
  return {n.x / length, n.y / length, n.z / length};
}

// Records are bucketed by both ends of the edge: the candidates of one search keep their relative
// order, and a vertex shared by thousands of faces does not pile every record into one bucket.
DWORD Bucket(DWORD start, DWORD end, DWORD buckets) {
  DWORD key = start * 0x9E3779B1u + end * 0x85EBCA77u;
  return (key ^ (key >> 15)) % buckets;
}

}  // namespace

template <typename Index>
void PairEdges(const Index* indices, DWORD faceCount, DWORD vertexCount, const DWORD* reps,
               const BYTE* positions, DWORD stride, const std::vector<D3DXATTRIBUTERANGE>& ranges,
               DWORD* adjacency) {
  const DWORD buckets = vertexCount / 3 ? vertexCount / 3 : 1;
  std::vector<DWORD> firstRecord(faceCount, kNoFace);

  // Representatives of a face's corners; false for faces that take no part.
  auto corners = [&](DWORD f, DWORD r[3]) {
    for (int k = 0; k < 3; ++k) {
      DWORD v = indices[3 * static_cast<size_t>(f) + k];
      if (v >= vertexCount) return false;  // empty marker or damaged index
      r[k] = reps ? reps[v] : v;
      if (r[k] >= vertexCount) return false;
    }
    return r[0] != r[1] && r[1] != r[2] && r[0] != r[2];
  };

  std::vector<EdgeRecord> inserted;
  inserted.reserve(static_cast<size_t>(faceCount) * 3);
  for (const D3DXATTRIBUTERANGE& range : ranges) {
    for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
      DWORD r[3];
      if (!corners(f, r)) continue;
      firstRecord[f] = static_cast<DWORD>(inserted.size());
      for (int e = 0; e < 3; ++e)
        inserted.push_back({r[e], r[(e + 1) % 3], r[(e + 2) % 3], f, static_cast<BYTE>(e), false});
    }
  }
  // Each bucket's records lie together, newest first, so a bucket walk reads one run of memory.
  std::vector<DWORD> bucketStart(buckets + 1, 0), slot(inserted.size());
  for (const EdgeRecord& r : inserted) ++bucketStart[Bucket(r.start, r.end, buckets) + 1];
  for (DWORD b = 0; b < buckets; ++b) bucketStart[b + 1] += bucketStart[b];
  std::vector<DWORD> fill(bucketStart.begin() + 1, bucketStart.end());
  std::vector<EdgeRecord> records(inserted.size());
  for (size_t i = 0; i < inserted.size(); ++i) {
    slot[i] = --fill[Bucket(inserted[i].start, inserted[i].end, buckets)];
    records[slot[i]] = inserted[i];
  }
  std::vector<EdgeRecord>().swap(inserted);

  std::fill(adjacency, adjacency + 3 * static_cast<size_t>(faceCount), kNoFace);

  for (const D3DXATTRIBUTERANGE& range : ranges) {
    for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
      DWORD r[3];
      if (firstRecord[f] == kNoFace || !corners(f, r)) continue;
      for (int e = 0; e < 3; ++e) {
        if (adjacency[3 * f + e] != kNoFace) continue;
        DWORD from = r[(e + 1) % 3], to = r[e];
        DWORD chosen = kNoFace;
        int candidates = 0;
        float best = 0;
        Vec3 own{};
        const DWORD bucket = Bucket(from, to, buckets);
        for (DWORD i = bucketStart[bucket]; i < bucketStart[bucket + 1]; ++i) {
          const EdgeRecord& c = records[i];
          if (c.removed || c.start != from || c.end != to) continue;
          if (candidates == 1) own = Normal(positions, stride, r[e], r[(e + 1) % 3], r[(e + 2) % 3]);
          if (candidates == 0) {
            chosen = i;
          } else {
            if (candidates == 1) {
              const EdgeRecord& first = records[chosen];
              Vec3 n = Normal(positions, stride, first.start, first.end, first.third);
              best = n.x * own.x + n.y * own.y + n.z * own.z;
            }
            Vec3 n = Normal(positions, stride, c.start, c.end, c.third);
            float score = n.x * own.x + n.y * own.y + n.z * own.z;
            if (score > best) {
              best = score;
              chosen = i;
            }
          }
          ++candidates;
        }
        if (chosen == kNoFace) continue;
        EdgeRecord& match = records[chosen];
        match.removed = true;
        records[slot[firstRecord[f] + e]].removed = true;
        adjacency[3 * f + e] = match.face;
        adjacency[3 * static_cast<size_t>(match.face) + match.edge] = f;
      }
    }
  }
}

template void PairEdges<WORD>(const WORD*, DWORD, DWORD, const DWORD*, const BYTE*, DWORD,
                              const std::vector<D3DXATTRIBUTERANGE>&, DWORD*);
template void PairEdges<DWORD>(const DWORD*, DWORD, DWORD, const DWORD*, const BYTE*, DWORD,
                               const std::vector<D3DXATTRIBUTERANGE>&, DWORD*);

template <typename Index>
HRESULT TriangleMesh<Index>::PointRepsToAdjacency(const DWORD* reps, DWORD* adjacency) {
  std::vector<D3DXATTRIBUTERANGE> ranges;
  HRESULT hr = FaceRanges(ranges);
  if (FAILED(hr)) return hr;
  ScopedLock<IDirect3DIndexBuffer9> index(indexBuffer, D3DLOCK_READONLY);
  if (FAILED(index.result())) return index.result();
  ElementLookup lookup;
  lookup.Setup(declElements);
  const BYTE* positions = nullptr;
  ScopedLock<IDirect3DVertexBuffer9> vertices(lookup.position ? vertexBuffer : nullptr, D3DLOCK_READONLY);
  if (lookup.position && vertexBuffer) {
    if (FAILED(vertices.result())) return vertices.result();
    positions = vertices.data() + lookup.position->Offset;
  }
  PairEdges(index.data<const Index>(), faceCount, vertexCount, reps, positions, stride, ranges, adjacency);
  return D3D_OK;
}

template <typename Index>
HRESULT TriangleMesh<Index>::ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) {
  if (!adjacency || (options & D3DXMESH_IB_WRITEONLY)) return D3DERR_INVALIDCALL;
  try {
    return PointRepsToAdjacency(pointReps, adjacency);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

template HRESULT TriangleMesh<WORD>::PointRepsToAdjacency(const DWORD*, DWORD*);
template HRESULT TriangleMesh<DWORD>::PointRepsToAdjacency(const DWORD*, DWORD*);
template HRESULT TriangleMesh<WORD>::ConvertPointRepsToAdjacency(const DWORD*, DWORD*);
template HRESULT TriangleMesh<DWORD>::ConvertPointRepsToAdjacency(const DWORD*, DWORD*);

}  // namespace d3dx
