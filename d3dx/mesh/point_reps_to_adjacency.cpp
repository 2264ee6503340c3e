// Face adjacency from point representatives: edges whose representatives match in opposite
// directions are paired; an edge shared by more than two faces pairs the best-aligned faces first.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "adjacency.h"
#include "edge_normals.h"
#include "shared_edge_picker.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

// One directed edge: its end representative and the face corner it starts at (3 f + e). The
// start representative is the group the record is filed under.
struct EdgeRecord {
  DWORD end;
  DWORD corner;
};

// Segments longer than this are sorted by end and searched by halving; shorter ones are scanned.
constexpr DWORD kScanLimit = 16;
// Runs of one directed edge longer than this choose through a SharedEdgePicker: a scan would weigh
// every candidate again for each face on the edge.
constexpr ptrdiff_t kPickerRun = 32;

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
    const auto [low, high] =
        std::equal_range(begin, stop, EdgeRecord{end, 0},
                         [](const EdgeRecord& a, const EdgeRecord& b) { return a.end < b.end; });
    return {low, high};
  }

  // Where a run starts among all records: a name for it.
  size_t Offset(const EdgeRecord* record) const { return static_cast<size_t>(record - records_.data()); }

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
  // way. A record is spent exactly when its corner's adjacency entry is set. The normal seen from
  // each corner is worked out once, when an edge first has a choice.
  std::fill(adjacency, adjacency + 3 * static_cast<size_t>(faceCount), kNoFace);
  std::vector<Vec3> cornerNormals;
  std::vector<bool> cornerNormalKnown;
  const std::function<Vec3(DWORD)> cornerNormal = [&](DWORD corner) {
    if (cornerNormals.empty()) {
      cornerNormals.resize(3 * static_cast<size_t>(faceCount));
      cornerNormalKnown.resize(3 * static_cast<size_t>(faceCount));
    }
    if (!cornerNormalKnown[corner]) {
      const DWORD* g = &faceReps[corner - corner % 3];
      const int j = static_cast<int>(corner % 3);
      cornerNormals[corner] = FaceNormal(positions, stride, g[j], g[(j + 1) % 3], g[(j + 2) % 3]);
      cornerNormalKnown[corner] = true;
    }
    return cornerNormals[corner];
  };
  SharedEdgePickers pickers(3 * static_cast<size_t>(faceCount));
  std::vector<DWORD> runCorners;
  for (DWORD f : order) {
    const DWORD* r = &faceReps[3 * static_cast<size_t>(f)];
    for (int e = 0; e < 3; ++e) {
      if (adjacency[3 * static_cast<size_t>(f) + e] != kNoFace) continue;
      const auto [begin, end] = index.Find(r[(e + 1) % 3], r[e]);
      DWORD chosen = kNoFace;
      if (end - begin > kPickerRun) {  // a long group's runs hold only their own edge
        SharedEdgePicker* picker = pickers.Find(index.Offset(begin));
        if (!picker) {
          runCorners.clear();
          for (const EdgeRecord* c = begin; c != end; ++c) runCorners.push_back(c->corner);
          picker = &pickers.Make(index.Offset(begin), runCorners, cornerNormal, adjacency);
        }
        chosen = picker->Pick(cornerNormal(3 * f + e), adjacency);
      } else {
        int candidates = 0;
        float best = 0;
        Vec3 own{};
        for (const EdgeRecord* c = begin; c != end; ++c) {
          if (c->end != r[e] || adjacency[c->corner] != kNoFace) continue;
          if (candidates++ == 0) {
            chosen = c->corner;
            continue;
          }
          if (candidates == 2) {  // normals only matter once there is a choice
            own = cornerNormal(3 * f + e);
            best = Dot(cornerNormal(chosen), own);
          }
          const float score = Dot(cornerNormal(c->corner), own);
          if (score > best) {  // a later candidate needs a strictly better alignment
            best = score;
            chosen = c->corner;
          }
        }
      }
      if (chosen == kNoFace) continue;
      adjacency[3 * static_cast<size_t>(f) + e] = chosen / 3;
      adjacency[chosen] = f;
      pickers.Spend(3 * f + e);
      pickers.Spend(chosen);
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
