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
        faceCount_(faceCount),
        vertexCount_(vertexCount),
        reps(vertexCount, kNoFace) {}

  // Each vertex in index order takes the newest earlier representative at an equal position (as
  // floats: -0 is 0, a NaN coordinate equals nothing) that it shares no face with. The shared-face
  // rule only ever refuses a vertex at the place of another vertex of one of its faces, so the
  // places are first welded without it; only when some face then has two corners welded together
  // is the welding done again under the rule.
  void Exact() {
    Weld(SharedFaces::kIgnored);
    if (merged_ && SomeFaceFolds()) Weld(SharedFaces::kKeptApart);
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
              if (ex * ex + ey * ey + ez * ez < epsilon2 && !ShareFace(v, u)) {
                reps[u] = v;
                merged_ = true;
              }
            }
          }
        }
      }
    }
  }

  // Every vertex stands for itself: the pairing may read the indices directly.
  bool Identity() const { return !merged_; }

 private:
  enum class SharedFaces { kIgnored, kKeptApart };

  // The places are kept in an open-addressed table; a slot holds the newest representative at its
  // place, older ones at the same place follow through samePlace_, so only equal positions are
  // ever compared.
  void Weld(SharedFaces rule) {
    merged_ = false;
    samePlace_.clear();
    // At most a quarter to half full: a longer probe, whose end is a branch taken at random,
    // costs more than the larger table.
    size_t capacity = 16;
    while (capacity < 2 * static_cast<size_t>(vertexCount_)) capacity *= 2;
    const size_t mask = capacity - 1;
    std::vector<PlaceSlot> table(capacity, PlaceSlot{0, kNoFace});
    for (DWORD v = 0; v < vertexCount_; ++v) {
      reps[v] = v;
      const Vec3 p = Position(v);
      if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) continue;  // never matches: not filed
      const DWORD tag = PlaceHash(p);
      for (size_t i = tag & mask;; i = (i + 1) & mask) {
        PlaceSlot& slot = table[i];
        if (slot.newest == kNoFace) {
          slot = {tag, v};
          break;
        }
        if (slot.tag != tag || !SamePlace(Position(slot.newest), p)) continue;
        DWORD u = slot.newest;
        if (rule == SharedFaces::kKeptApart) {
          while (u != kNoFace && ShareFace(v, u)) u = samePlace_.empty() ? kNoFace : samePlace_[u];
        }
        if (u != kNoFace) {
          reps[v] = u;
          merged_ = true;
        } else {  // a second representative at this place, now the newest
          if (samePlace_.empty()) samePlace_.assign(vertexCount_, kNoFace);
          samePlace_[v] = slot.newest;
          slot.newest = v;
        }
        break;
      }
    }
  }

  // Whether a face (any with its indices in range, as the shared-face rule sees them) has two
  // different vertices with one representative.
  bool SomeFaceFolds() const {
    for (DWORD f = 0; f < faceCount_; ++f) {
      const Index* face = indices_ + 3 * static_cast<size_t>(f);
      const DWORD a = face[0], b = face[1], c = face[2];
      if (a >= vertexCount_ || b >= vertexCount_ || c >= vertexCount_) continue;
      if ((a != b && reps[a] == reps[b]) || (b != c && reps[b] == reps[c]) || (a != c && reps[a] == reps[c]))
        return true;
    }
    return false;
  }

  struct PlaceSlot {
    DWORD tag;     // PlaceHash of the place
    DWORD newest;  // kNoFace for an empty slot
  };

  static bool SamePlace(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

  // Equal positions hash alike: -0 is hashed as 0.
  static DWORD PlaceHash(const Vec3& p) {
    const float c[3] = {p.x == 0 ? 0.0f : p.x, p.y == 0 ? 0.0f : p.y, p.z == 0 ? 0.0f : p.z};
    DWORD bits[3];
    std::memcpy(bits, c, sizeof(bits));
    return Hash(bits[0], bits[1], bits[2]);
  }

  Vec3 Position(DWORD v) const {
    Vec3 p;
    std::memcpy(&p, positions_ + static_cast<size_t>(v) * stride_, sizeof(p));
    return p;
  }

  // Corner lists, newest first; faces with an empty marker or a damaged index are left out. Most
  // meshes never ask whether two vertices share a face, so the lists wait for the first question.
  void MakeCornerLists() {
    cornerHead_.assign(vertexCount_, kNoFace);
    cornerNext_.assign(3 * static_cast<size_t>(faceCount_), kNoFace);
    for (DWORD f = 0; f < faceCount_; ++f) {
      const Index* face = indices_ + 3 * static_cast<size_t>(f);
      if (face[0] >= vertexCount_ || face[1] >= vertexCount_ || face[2] >= vertexCount_) continue;
      for (int k = 0; k < 3; ++k) {
        DWORD corner = 3 * f + k;
        cornerNext_[corner] = cornerHead_[face[k]];
        cornerHead_[face[k]] = corner;
      }
    }
    cornerListsMade_ = true;
  }

  // Two vertices of one triangle are never merged, however close.
  bool ShareFace(DWORD v, DWORD u) {
    if (!cornerListsMade_) MakeCornerLists();
    for (DWORD c = cornerHead_[v]; c != kNoFace; c = cornerNext_[c]) {
      const Index* face = indices_ + (c / 3) * 3;
      if (face[0] == u || face[1] == u || face[2] == u) return true;
    }
    return false;
  }

  const Index* indices_;
  const BYTE* positions_;
  DWORD stride_;
  DWORD faceCount_;
  DWORD vertexCount_;
  bool merged_ = false;
  bool cornerListsMade_ = false;
  std::vector<DWORD> cornerHead_, cornerNext_;
  std::vector<DWORD> samePlace_;  // per representative: the next older one at its place

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
    PairEdges(index.data<const Index>(), faceCount, vertexTotal,
              finder.Identity() ? nullptr : finder.reps.data(), positions, stride, ranges, adjacency);
    return D3D_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

template HRESULT TriangleMesh<WORD>::GenerateAdjacency(FLOAT, DWORD*);
template HRESULT TriangleMesh<DWORD>::GenerateAdjacency(FLOAT, DWORD*);

}  // namespace d3dx
