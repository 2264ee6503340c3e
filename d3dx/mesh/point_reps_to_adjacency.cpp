// Face adjacency from point representatives: edges whose representatives match in opposite
// directions are paired; an edge shared by more than two faces pairs the best-aligned faces first.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "adjacency.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

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

float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// One directed edge: its end representative and the face corner it starts at (3 f + e). The
// start representative is the group the record is filed under.
struct EdgeRecord {
  DWORD end;
  DWORD corner;
};

// Segments longer than this are sorted by end and searched by halving; shorter ones are scanned.
constexpr DWORD kScanLimit = 16;

// The edge records grouped by start representative, each group newest first (the order in which
// candidates are weighed), so one lookup reads one short run of memory.
class EdgeIndex {
 public:
  EdgeIndex(const std::vector<DWORD>& faceReps, const std::vector<DWORD>& order, DWORD vertexCount)
      : first_(static_cast<size_t>(vertexCount) + 1, 0) {
    for (DWORD f : order)
      for (int e = 0; e < 3; ++e) ++first_[faceReps[3 * static_cast<size_t>(f) + e] + 1];
    for (DWORD v = 0; v < vertexCount; ++v) first_[v + 1] += first_[v];
    records_.resize(first_[vertexCount]);
    std::vector<DWORD> fill(first_.begin(), first_.end() - 1);
    // Newest first: the last record inserted lands at the front of its group.
    for (size_t i = order.size(); i-- > 0;) {
      const DWORD f = order[i];
      const DWORD* r = &faceReps[3 * static_cast<size_t>(f)];
      for (int e = 2; e >= 0; --e) records_[fill[r[e]]++] = {r[(e + 1) % 3], 3 * f + e};
    }
    for (DWORD v = 0; v < vertexCount; ++v) {
      if (first_[v + 1] - first_[v] <= kScanLimit) continue;
      std::stable_sort(records_.begin() + first_[v], records_.begin() + first_[v + 1],
                       [](const EdgeRecord& a, const EdgeRecord& b) { return a.end < b.end; });
    }
  }

  // The records from `start` to `end`, newest first.
  std::pair<const EdgeRecord*, const EdgeRecord*> Find(DWORD start, DWORD end) const {
    const EdgeRecord* begin = records_.data() + first_[start];
    const EdgeRecord* stop = records_.data() + first_[start + 1];
    if (stop - begin <= static_cast<ptrdiff_t>(kScanLimit)) return {begin, stop};
    auto less = [](const EdgeRecord& r, DWORD v) { return r.end < v; };
    const EdgeRecord* low = std::lower_bound(begin, stop, end, less);
    const EdgeRecord* high = low;
    while (high != stop && high->end == end) ++high;
    return {low, high};
  }

 private:
  std::vector<DWORD> first_;
  std::vector<EdgeRecord> records_;
};

}  // namespace

template <typename Index>
void PairEdges(const Index* indices, DWORD faceCount, DWORD vertexCount, const DWORD* reps,
               const BYTE* positions, DWORD stride, const std::vector<D3DXATTRIBUTERANGE>& ranges,
               DWORD* adjacency) {
  // Phase 1: the representatives of each taking part face's corners, and the faces in range order.
  std::vector<DWORD> faceReps(3 * static_cast<size_t>(faceCount), kNoFace), order;
  order.reserve(faceCount);
  for (const D3DXATTRIBUTERANGE& range : ranges) {
    for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
      DWORD r[3];
      bool ok = true;
      for (int k = 0; ok && k < 3; ++k) {
        const DWORD v = indices[3 * static_cast<size_t>(f) + k];
        ok = v < vertexCount;  // not the empty marker nor a damaged index
        r[k] = ok ? (reps ? reps[v] : v) : kNoFace;
        ok = ok && r[k] < vertexCount;
      }
      if (!ok || r[0] == r[1] || r[1] == r[2] || r[0] == r[2]) continue;  // degenerate: no edges
      std::copy(r, r + 3, &faceReps[3 * static_cast<size_t>(f)]);
      order.push_back(f);
    }
  }

  // Phase 2: the records by start representative.
  const EdgeIndex index(faceReps, order, vertexCount);

  // Phase 3: pair each open edge with the best aligned record of the same edge walked the other
  // way. A record is spent exactly when its corner's adjacency entry is set.
  std::fill(adjacency, adjacency + 3 * static_cast<size_t>(faceCount), kNoFace);
  for (DWORD f : order) {
    const DWORD* r = &faceReps[3 * static_cast<size_t>(f)];
    for (int e = 0; e < 3; ++e) {
      if (adjacency[3 * static_cast<size_t>(f) + e] != kNoFace) continue;
      const auto [begin, end] = index.Find(r[(e + 1) % 3], r[e]);
      auto normalOf = [&](const EdgeRecord& record) {
        const DWORD* g = &faceReps[record.corner - record.corner % 3];
        const int j = static_cast<int>(record.corner % 3);
        return Normal(positions, stride, g[j], g[(j + 1) % 3], g[(j + 2) % 3]);
      };
      const EdgeRecord* chosen = nullptr;
      int candidates = 0;
      float best = 0;
      Vec3 own{};
      for (const EdgeRecord* c = begin; c != end; ++c) {
        if (c->end != r[e] || adjacency[c->corner] != kNoFace) continue;
        if (candidates++ == 0) {
          chosen = c;
          continue;
        }
        if (candidates == 2) {  // normals only matter once there is a choice
          own = Normal(positions, stride, r[e], r[(e + 1) % 3], r[(e + 2) % 3]);
          best = Dot(normalOf(*chosen), own);
        }
        const float score = Dot(normalOf(*c), own);
        if (score > best) {  // a later candidate needs a strictly better alignment
          best = score;
          chosen = c;
        }
      }
      if (!chosen) continue;
      adjacency[3 * static_cast<size_t>(f) + e] = chosen->corner / 3;
      adjacency[chosen->corner] = f;
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
