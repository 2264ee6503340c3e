// Face adjacency from point representatives: edges whose representatives match in opposite
// directions are paired; an edge shared by more than two faces pairs the best-aligned faces first.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

#include "adjacency.h"
#include "edge_normals.h"
#include "shared_edge_picker.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

// One directed edge filed under the lower of its two representatives: the other (higher) end, and
// the face corner the edge starts at (3 f + e), with kRunsDown set when it runs from the higher
// end to the lower. Corners fit in 31 bits: a mesh's index data is under 4 GiB.
struct EdgeRecord {
  DWORD high;
  DWORD corner;
};
constexpr DWORD kRunsDown = 0x80000000;
constexpr DWORD kMaxCornerCount = kRunsDown;

// Buckets up to this size are put in order by insertion; larger ones by a merge sort.
constexpr size_t kInsertionLimit = 24;
// Runs of one directed edge longer than this choose through a SharedEdgePicker: a scan would weigh
// every candidate again for each face on the edge.
constexpr size_t kPickerRun = 32;

// Edges whose representatives match in opposite directions are paired. Pairing on one undirected
// edge touches only its own corners, so each edge's records are handled on their own, in the
// order the face loop would meet them: records are filed by lower end in face order (a counting
// sort), each bucket ordered by higher end keeping that order, and an edge with one record each
// way (almost every edge) is paired outright.
template <typename Index>
class EdgePairing {
 public:
  EdgePairing(const Index* indices, DWORD faceCount, DWORD vertexCount, const DWORD* reps,
              const BYTE* positions, DWORD stride)
      : indices_(indices),
        faceCount_(faceCount),
        vertexCount_(vertexCount),
        reps_(reps),
        positions_(positions),
        stride_(stride),
        pickers_(3 * static_cast<size_t>(faceCount)) {
    if (3 * static_cast<size_t>(faceCount) > kMaxCornerCount) throw std::bad_alloc();
  }

  void Run(const std::vector<D3DXATTRIBUTERANGE>& ranges, DWORD* adjacency) {
    TakeFaces(ranges);
    FileRecords();
    std::fill(adjacency, adjacency + 3 * static_cast<size_t>(faceCount_), kNoFace);
    PairBuckets(adjacency);
  }

 private:
  // Phase 1: the representatives of each taking part face's corners, the faces in range order,
  // and how many records each lower end files.
  void TakeFaces(const std::vector<D3DXATTRIBUTERANGE>& ranges) {
    // Only taking part faces are ever read back, so the array starts unfilled.
    faceReps_.reset(new DWORD[3 * static_cast<size_t>(faceCount_)]);
    bucketEnd_.assign(vertexCount_, 0);
    order_.reserve(faceCount_);
    for (const D3DXATTRIBUTERANGE& range : ranges) {
      for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
        const Index* face = indices_ + 3 * static_cast<size_t>(f);
        DWORD r[3];
        bool ok = true;
        for (int k = 0; k < 3; ++k) {
          const DWORD v = face[k];
          ok = ok && v < vertexCount_;  // not the empty marker nor a damaged index
          r[k] = ok ? (reps_ ? reps_[v] : v) : kNoFace;
          ok = ok && r[k] < vertexCount_;
        }
        if (!ok || r[0] == r[1] || r[1] == r[2] || r[0] == r[2]) continue;  // degenerate: no edges
        std::copy(r, r + 3, &faceReps_[3 * static_cast<size_t>(f)]);
        order_.push_back(f);
        ++bucketEnd_[std::min(r[0], r[1])];
        ++bucketEnd_[std::min(r[1], r[2])];
        ++bucketEnd_[std::min(r[2], r[0])];
      }
    }
  }

  // Phase 2: the records by lower end, in the order their faces are met. Afterwards bucket v runs
  // from bucketEnd_[v - 1] (0 for the first) to bucketEnd_[v].
  void FileRecords() {
    DWORD total = 0;  // under kMaxCornerCount
    for (DWORD v = 0; v < vertexCount_; ++v) {
      const DWORD count = bucketEnd_[v];
      bucketEnd_[v] = total;
      total += count;
    }
    records_.reset(new EdgeRecord[total]);
    for (DWORD f : order_) {
      const DWORD* r = &faceReps_[3 * static_cast<size_t>(f)];
      for (int e = 0; e < 3; ++e) {
        const DWORD a = r[e], b = r[e == 2 ? 0 : e + 1];
        const DWORD corner = 3 * f + e;
        if (a < b)
          records_[bucketEnd_[a]++] = {b, corner};
        else
          records_[bucketEnd_[b]++] = {a, corner | kRunsDown};
      }
    }
  }

  // Phase 3: each bucket put in order by higher end (keeping face order within an edge), then
  // each edge's records paired.
  void PairBuckets(DWORD* adjacency) {
    size_t begin = 0;
    for (DWORD v = 0; v < vertexCount_; ++v) {
      const size_t end = bucketEnd_[v];
      EdgeRecord* first = records_.get() + begin;
      EdgeRecord* last = records_.get() + end;
      begin = end;
      if (last - first < 2) continue;
      OrderByHighEnd(first, last);
      for (EdgeRecord* run = first; run != last;) {
        EdgeRecord* runEnd = run + 1;
        size_t down = run->corner >> 31;
        while (runEnd != last && runEnd->high == run->high) down += runEnd++->corner >> 31;
        const size_t up = static_cast<size_t>(runEnd - run) - down;
        if (up == 1 && down == 1) {  // one face each way: nothing else can claim either record
          const DWORD a = run[0].corner & ~kRunsDown, b = run[1].corner & ~kRunsDown;
          adjacency[a] = b / 3;
          adjacency[b] = a / 3;
        } else if (up && down) {
          PairSharedEdge(run, runEnd, adjacency);
        }
        run = runEnd;
      }
    }
  }

  static void OrderByHighEnd(EdgeRecord* first, EdgeRecord* last) {
    if (static_cast<size_t>(last - first) > kInsertionLimit) {
      std::stable_sort(first, last, [](const EdgeRecord& a, const EdgeRecord& b) { return a.high < b.high; });
      return;
    }
    for (EdgeRecord* i = first + 1; i < last; ++i) {
      const EdgeRecord moving = *i;
      EdgeRecord* j = i;
      for (; j != first && (j - 1)->high > moving.high; --j) *j = *(j - 1);
      *j = moving;
    }
  }

  // One edge with several records in a direction: each record, in face order, that is still open
  // pairs with the best aligned open record walked the other way, newest first, a later candidate
  // winning only with a strictly better score. A record is spent exactly when its corner's
  // adjacency entry is set.
  void PairSharedEdge(const EdgeRecord* first, const EdgeRecord* last, DWORD* adjacency) {
    runCorners_[0].clear();
    runCorners_[1].clear();
    for (const EdgeRecord* r = first; r != last; ++r)
      runCorners_[r->corner >> 31].push_back(r->corner & ~kRunsDown);
    // Candidates are weighed newest first.
    std::reverse(runCorners_[0].begin(), runCorners_[0].end());
    std::reverse(runCorners_[1].begin(), runCorners_[1].end());
    const size_t key = 2 * static_cast<size_t>(first - records_.get());
    for (const EdgeRecord* r = first; r != last; ++r) {
      const DWORD own = r->corner & ~kRunsDown;
      if (adjacency[own] != kNoFace) continue;
      const int side = r->corner >> 31 ? 0 : 1;  // the candidates run the other way
      const std::vector<DWORD>& candidates = runCorners_[side];
      DWORD chosen = kNoFace;
      if (candidates.size() > kPickerRun) {
        SharedEdgePicker* picker = pickers_.Find(key + side);
        if (!picker) picker = &pickers_.Make(key + side, candidates, normalOf_, adjacency);
        chosen = picker->Pick(CornerNormal(own), adjacency);
      } else {
        int count = 0;
        float best = 0;
        Vec3 ownNormal{};
        for (DWORD c : candidates) {
          if (adjacency[c] != kNoFace) continue;
          if (count++ == 0) {
            chosen = c;
            continue;
          }
          if (count == 2) {  // normals only matter once there is a choice
            ownNormal = CornerNormal(own);
            best = Dot(CornerNormal(chosen), ownNormal);
          }
          const float score = Dot(CornerNormal(c), ownNormal);
          if (score > best) {
            best = score;
            chosen = c;
          }
        }
      }
      if (chosen == kNoFace) continue;
      adjacency[own] = chosen / 3;
      adjacency[chosen] = own / 3;
      pickers_.Spend(own);
      pickers_.Spend(chosen);
    }
  }

  // The normal of a corner's face with its corners taken from that corner on, worked out once.
  Vec3 CornerNormal(DWORD corner) {
    if (cornerNormals_.empty()) {
      cornerNormals_.resize(3 * static_cast<size_t>(faceCount_));
      cornerNormalKnown_.resize(3 * static_cast<size_t>(faceCount_));
    }
    if (!cornerNormalKnown_[corner]) {
      const DWORD* g = &faceReps_[corner - corner % 3];
      const int j = static_cast<int>(corner % 3);
      cornerNormals_[corner] = FaceNormal(positions_, stride_, g[j], g[(j + 1) % 3], g[(j + 2) % 3]);
      cornerNormalKnown_[corner] = true;
    }
    return cornerNormals_[corner];
  }

  const Index* indices_;
  DWORD faceCount_, vertexCount_;
  const DWORD* reps_;
  const BYTE* positions_;
  DWORD stride_;

  std::unique_ptr<DWORD[]> faceReps_;  // per corner, set for taking part faces only
  std::vector<DWORD> order_;           // taking part faces in range order
  std::vector<DWORD> bucketEnd_;       // per lower end: where its records end
  std::unique_ptr<EdgeRecord[]> records_;

  std::vector<Vec3> cornerNormals_;
  std::vector<bool> cornerNormalKnown_;
  const std::function<Vec3(DWORD)> normalOf_ = [this](DWORD corner) { return CornerNormal(corner); };
  SharedEdgePickers pickers_;
  std::vector<DWORD> runCorners_[2];  // one shared edge's corners, newest first: running up, down
};

}  // namespace

template <typename Index>
void PairEdges(const Index* indices, DWORD faceCount, DWORD vertexCount, const DWORD* reps,
               const BYTE* positions, DWORD stride, const std::vector<D3DXATTRIBUTERANGE>& ranges,
               DWORD* adjacency) {
  EdgePairing<Index>(indices, faceCount, vertexCount, reps, positions, stride).Run(ranges, adjacency);
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
