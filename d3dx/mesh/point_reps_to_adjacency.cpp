// Face adjacency from point representatives: edges whose representatives match in opposite
// directions are paired; an edge shared by more than two faces pairs the best-aligned faces first.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>

#include "adjacency.h"
#include "edge_normals.h"
#include "shared_edge_picker.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

// One directed edge filed under the lower of its two representatives, as one number so that
// ordering a bucket is ordering plain integers: the other (higher) end in the top half; below it
// the edge's visit shifted up one, with kRunsDown set when the edge runs from the higher end to
// the lower. A visit is 3 i + e for edge e of the i-th taking part face in range order, or simply
// the corner 3 f + e when faces are taken in ascending order (the same order, and no look-up).
using EdgeRecord = uint64_t;
constexpr EdgeRecord kRunsDown = 1;
// Visits shifted up one fit in the low half: a mesh's index data is under 4 GiB.
constexpr size_t kMaxVisits = size_t{1} << 31;

DWORD HighEnd(EdgeRecord r) { return static_cast<DWORD>(r >> 32); }
DWORD Visit(EdgeRecord r) { return static_cast<DWORD>(r) >> 1; }
bool RunsDown(EdgeRecord r) { return r & kRunsDown; }

// Runs of one directed edge longer than this choose through a SharedEdgePicker: a scan would weigh
// every candidate again for each face on the edge.
constexpr size_t kPickerRun = 32;
// Buckets up to this size are ordered by a sorting network of their size (no data-dependent
// branches, which would mispredict on nearly every bucket of an ordinary mesh); larger ones by
// std::sort.
constexpr size_t kNetworkLimit = 8;

// Size-optimal networks for two to eight records (Batcher's odd-even merge for eight).
constexpr unsigned char kNetwork2[][2] = {{0, 1}};
constexpr unsigned char kNetwork3[][2] = {{1, 2}, {0, 2}, {0, 1}};
constexpr unsigned char kNetwork4[][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}, {1, 2}};
constexpr unsigned char kNetwork5[][2] = {{0, 1}, {3, 4}, {2, 4}, {2, 3}, {1, 4},
                                          {0, 3}, {0, 2}, {1, 3}, {1, 2}};
constexpr unsigned char kNetwork6[][2] = {{1, 2}, {4, 5}, {0, 2}, {3, 5}, {0, 1}, {3, 4},
                                          {2, 5}, {0, 3}, {1, 4}, {2, 4}, {1, 3}, {2, 3}};
constexpr unsigned char kNetwork7[][2] = {{1, 2}, {3, 4}, {5, 6}, {0, 2}, {3, 5}, {4, 6}, {0, 1}, {4, 5},
                                          {2, 6}, {0, 4}, {1, 5}, {0, 3}, {2, 5}, {1, 3}, {2, 4}, {2, 3}};
constexpr unsigned char kNetwork8[][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3}, {4, 6},
                                          {5, 7}, {1, 2}, {5, 6}, {0, 4}, {1, 5}, {2, 6}, {3, 7},
                                          {2, 4}, {3, 5}, {1, 2}, {3, 4}, {5, 6}};

// One network's steps: exchange pairs, first and second index.
struct Network {
  const unsigned char (*steps)[2];
  size_t count;
};
template <size_t Steps>
constexpr Network NetworkOf(const unsigned char (&steps)[Steps][2]) {
  return {steps, Steps};
}
constexpr Network kNetworks[kNetworkLimit + 1] = {{},
                                                  {},
                                                  NetworkOf(kNetwork2),
                                                  NetworkOf(kNetwork3),
                                                  NetworkOf(kNetwork4),
                                                  NetworkOf(kNetwork5),
                                                  NetworkOf(kNetwork6),
                                                  NetworkOf(kNetwork7),
                                                  NetworkOf(kNetwork8)};

// Orders a bucket of at most kNetworkLimit records by its size's network.
void SortSmallBucket(EdgeRecord (&records)[kNetworkLimit], size_t count) {
  const Network& network = kNetworks[count];
  for (size_t s = 0; s < network.count; ++s) {
    EdgeRecord& a = records[network.steps[s][0]];
    EdgeRecord& b = records[network.steps[s][1]];
    const EdgeRecord low = a < b ? a : b, high = a < b ? b : a;
    a = low;
    b = high;
  }
}

// Edges whose representatives match in opposite directions are paired. Pairing on one undirected
// edge touches only its own corners, so each edge's records are handled on their own, in the
// order the face loop would meet them: records are filed by lower end (a counting sort), each
// bucket ordered by higher end then visit, and an edge with one record each way (almost every
// edge) is paired outright.
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
    if (3 * static_cast<size_t>(faceCount) > kMaxVisits) throw std::bad_alloc();
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
    if constexpr (std::is_same_v<Index, DWORD>) {
      if (!reps_) faceReps_ = indices_;  // a taking part face's representatives are its indices
    }
    if (!faceReps_) {
      // Only taking part faces are ever read back, so the array starts unfilled.
      ownFaceReps_.reset(new DWORD[3 * static_cast<size_t>(faceCount_)]);
      faceReps_ = ownFaceReps_.get();
    }
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
        if (ownFaceReps_) std::copy(r, r + 3, &ownFaceReps_[3 * static_cast<size_t>(f)]);
        inFaceOrder_ = inFaceOrder_ && (order_.empty() || f > order_.back());
        order_.push_back(f);
        ++bucketEnd_[std::min(r[0], r[1])];
        ++bucketEnd_[std::min(r[1], r[2])];
        ++bucketEnd_[std::min(r[2], r[0])];
      }
    }
  }

  // Phase 2: the records by lower end. Afterwards bucket v runs from bucketEnd_[v - 1] (0 for the
  // first) to bucketEnd_[v].
  void FileRecords() {
    DWORD total = 0;  // under kMaxVisits
    for (DWORD v = 0; v < vertexCount_; ++v) {
      const DWORD count = bucketEnd_[v];
      bucketEnd_[v] = total;
      total += count;
    }
    records_.reset(new EdgeRecord[total + kNetworkLimit]);
    std::fill_n(&records_[total], kNetworkLimit, 0);
    EdgeRecord sequence = 0;
    for (DWORD f : order_) {
      const DWORD* r = &faceReps_[3 * static_cast<size_t>(f)];
      for (int e = 0; e < 3; ++e, sequence += 2) {
        const EdgeRecord visit = inFaceOrder_ ? EdgeRecord{3 * f + e} << 1 : sequence;
        const DWORD a = r[e], b = r[e == 2 ? 0 : e + 1];
        if (a < b)
          records_[bucketEnd_[a]++] = EdgeRecord{b} << 32 | visit;
        else
          records_[bucketEnd_[b]++] = EdgeRecord{a} << 32 | visit | kRunsDown;
      }
    }
  }

  // Phase 3: each bucket ordered by higher end and visit, then each edge's records paired.
  void PairBuckets(DWORD* adjacency) {
    EdgeRecord sorted[kNetworkLimit];
    size_t begin = 0;
    for (DWORD v = 0; v < vertexCount_; ++v) {
      const size_t end = bucketEnd_[v], count = end - begin;
      EdgeRecord* filed = records_.get() + begin;
      begin = end;
      if (count < 2) continue;
      // A small bucket is copied out whole (records_ has room past its last bucket), so its
      // memory is only read; a larger one is sorted where it is.
      const EdgeRecord* bucket = filed;
      if (count <= kNetworkLimit) {
        std::copy_n(filed, kNetworkLimit, sorted);
        SortSmallBucket(sorted, count);
        bucket = sorted;
      } else {
        std::sort(filed, filed + count);
      }
      for (size_t i = 0; i < count;) {
        const DWORD high = HighEnd(bucket[i]);
        size_t j = i + 1;
        size_t down = RunsDown(bucket[i]);
        for (; j < count && HighEnd(bucket[j]) == high; ++j) down += RunsDown(bucket[j]);
        const size_t up = j - i - down;
        if (up == 1 && down == 1) {  // one face each way: nothing else can claim either record
          const DWORD a = Corner(bucket[i]), b = Corner(bucket[i + 1]);
          adjacency[a] = b / 3;
          adjacency[b] = a / 3;
        } else if (up && down) {
          PairSharedEdge(bucket + i, bucket + j, adjacency);
        }
        i = j;
      }
    }
  }

  // The face corner a record's edge starts at.
  DWORD Corner(EdgeRecord r) const {
    const DWORD visit = Visit(r);
    return inFaceOrder_ ? visit : 3 * order_[visit / 3] + visit % 3;
  }

  // One edge with several records in a direction: each record, in visiting order, that is still
  // open pairs with the best aligned open record walked the other way, newest first, a later
  // candidate winning only with a strictly better score. A record is spent exactly when its
  // corner's adjacency entry is set.
  void PairSharedEdge(const EdgeRecord* first, const EdgeRecord* last, DWORD* adjacency) {
    runCorners_[0].clear();
    runCorners_[1].clear();
    for (const EdgeRecord* r = last; r-- != first;) runCorners_[RunsDown(*r)].push_back(Corner(*r));
    for (const EdgeRecord* r = first; r != last; ++r) {
      const DWORD own = Corner(*r);
      if (adjacency[own] != kNoFace) continue;
      const int side = RunsDown(*r) ? 0 : 1;  // the candidates run the other way
      const std::vector<DWORD>& candidates = runCorners_[side];
      DWORD chosen = kNoFace;
      if (candidates.size() > kPickerRun) {
        const size_t key = 2 * static_cast<size_t>(Visit(*first)) + side;
        SharedEdgePicker* picker = pickers_.Find(key);
        if (!picker) picker = &pickers_.Make(key, candidates, normalOf_, adjacency);
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

  const DWORD* faceReps_ = nullptr;       // per corner, set for taking part faces only
  std::unique_ptr<DWORD[]> ownFaceReps_;  // faceReps_ unless that is the index data
  std::vector<DWORD> order_;              // taking part faces in range order
  bool inFaceOrder_ = true;               // order_ ascends: a visit is its corner
  std::vector<DWORD> bucketEnd_;          // per lower end: where its records end
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
