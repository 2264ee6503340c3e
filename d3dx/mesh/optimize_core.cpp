// The optimisation core shared by Optimize and OptimizeInplace, as phases over the named arrays of
// an OptimizePlan: the working set reserved, flags, widened faces, split, compaction, attribute sort and
// permutation, reorder for the cache or strips, vertex remap, then the vertex data moved and the faces
// committed. The mesh is written only once nothing can fail any more.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "optimize_steps.h"
#include "triangle_mesh.h"

namespace d3dx {

namespace {

constexpr DWORD kAllowedFlags = ~0x003FEFFFu;

// Applies a face map (old face -> new position or none) to per-face data of `width` entries.
template <typename T>
std::vector<T> PermuteFaces(const std::vector<T>& data, size_t width, const std::vector<DWORD>& oldToNew,
                            DWORD newCount) {
  std::vector<T> out(newCount * width);
  for (size_t f = 0; f < oldToNew.size(); ++f) {
    if (oldToNew[f] == kNone) continue;
    std::copy_n(&data[f * width], width, &out[oldToNew[f] * width]);
  }
  return out;
}

// Neighbours inside the same range that list the face back across the same two vertices.
std::vector<DWORD> LocalAdjacency(const std::vector<DWORD>& indices,
                                  const std::vector<D3DXATTRIBUTERANGE>& table,
                                  const std::vector<DWORD>& newToOldFace,
                                  const std::vector<DWORD>& oldToNewFace, const DWORD* adjacencyIn,
                                  DWORD entryFaces) {
  std::vector<DWORD> local(indices.size(), kNone);
  for (const D3DXATTRIBUTERANGE& range : table) {
    const DWORD end = range.FaceStart + range.FaceCount;
    for (DWORD k = range.FaceStart; k < end; ++k) {
      const DWORD o = newToOldFace[k];
      const DWORD* n = adjacencyIn + 3 * static_cast<size_t>(o);
      for (int e = 0; e < 3; ++e) {
        if (n[e] >= entryFaces) continue;
        const DWORD l = oldToNewFace[n[e]];
        if (l == kNone || l < range.FaceStart || l >= end) continue;
        if (n[(e + 1) % 3] == n[e] || n[(e + 2) % 3] == n[e]) continue;
        const DWORD* back = adjacencyIn + 3 * static_cast<size_t>(n[e]);
        int j = back[0] == o ? 0 : back[1] == o ? 1 : back[2] == o ? 2 : -1;
        if (j < 0) continue;
        const DWORD* a = &indices[3 * static_cast<size_t>(k)];
        const DWORD* b = &indices[3 * static_cast<size_t>(l)];
        if (a[e] != b[(j + 1) % 3] || a[(e + 1) % 3] != b[j]) continue;
        local[3 * static_cast<size_t>(k) + e] = l;
      }
    }
  }
  return local;
}

// Each range's vertex span from the indices its faces use; ranges past the faces become empty.
void VertexRanges(const std::vector<DWORD>& indices, std::vector<D3DXATTRIBUTERANGE>& table) {
  const size_t faces = indices.size() / 3;
  for (D3DXATTRIBUTERANGE& range : table) {
    DWORD low = kNone, high = 0;
    for (size_t f = range.FaceStart; f < faces && f < size_t(range.FaceStart) + range.FaceCount; ++f) {
      for (int k = 0; k < 3; ++k) {
        low = std::min(low, indices[3 * f + k]);
        high = std::max(high, indices[3 * f + k]);
      }
    }
    range.VertexStart = low == kNone ? 0 : low;
    range.VertexCount = low == kNone ? 0 : high - low + 1;
  }
}

// Point representatives after the vertex map. A kept vertex whose representative is removed
// stands for itself and for the later vertices that shared that representative; every new vertex
// then takes the new index of its source's representative.
std::vector<DWORD> CarryPointReps(const std::vector<DWORD>& reps, const std::vector<DWORD>& oldToNewVertex,
                                  const std::vector<DWORD>& splitSource, DWORD entryVertices,
                                  DWORD keptVertices) {
  std::vector<DWORD> stand(reps), substitute(entryVertices, kNone);
  for (DWORD v = 0; v < entryVertices; ++v) {
    if (oldToNewVertex[v] == kNone) continue;
    const DWORD r = reps[v];
    if (r >= entryVertices) {
      stand[v] = v;
    } else if (oldToNewVertex[r] == kNone) {
      if (substitute[r] == kNone) substitute[r] = v;
      stand[v] = substitute[r];
    }
  }
  std::vector<DWORD> out(keptVertices);
  for (DWORD v = 0; v < oldToNewVertex.size(); ++v) {
    const DWORD i = oldToNewVertex[v];
    if (i >= keptVertices) continue;
    const DWORD r = stand[v < entryVertices ? v : splitSource[v - entryVertices]];
    out[i] = (r < entryVertices && oldToNewVertex[r] != kNone) ? oldToNewVertex[r] : i;
  }
  return out;
}

}  // namespace

// The named arrays the phases pass along. "Old" numbering is the mesh's on entry (vertices after
// the split included), "new" the result's.
struct OptimizePlan {
  DWORD flags = 0;
  bool reorder = false, ignoreVertices = false, attributeSort = false;
  DWORD entryFaces = 0, entryVertices = 0;
  DWORD splitVertices = 0;  // entry vertices plus duplicates
  DWORD keptFaces = 0, keptVertices = 0;
  std::vector<DWORD> indices;         // old faces, old vertices (widened)
  std::vector<DWORD> faceAttributes;  // per old face
  std::vector<DWORD> splitSource;     // per duplicate: the entry vertex it copies
  std::vector<DWORD> oldToNewFace, oldToNewVertex, newToOldFace;
  std::vector<DWORD> newIndices, newAttributes;  // new faces, new vertices
  std::vector<D3DXATTRIBUTERANGE> table;         // from the attribute sort
  std::vector<DWORD> newReps;                    // carried point representatives, when any
  ID3DXBuffer* remap = nullptr;                  // per new vertex: the entry vertex it comes from
  ~OptimizePlan() { SafeRelease(remap); }
};

namespace {

// The bytes the phases below hold at their peak (the reorder's last permutation): nineteen words and
// two bytes per face, two words per vertex.
constexpr size_t kWorkBytesPerFace = 19 * sizeof(DWORD) + 2, kWorkBytesPerVertex = 2 * sizeof(DWORD);

// Phase 0: a block the size of the whole working set, taken and given straight back untouched.
// glibc trims its heap once more than twice the largest block it has handed back to the system
// lies free at the top; each of our arrays is a small part of the working set, so without this a
// large mesh gives all their pages back at the end of every call and faults them in again on the
// next (a 256 x 256 grid: some 2 000 faults, a tenth of its time).
void ReserveWorkingSet(DWORD faces, DWORD vertices) {
  void* volatile block = std::malloc(faces * kWorkBytesPerFace + vertices * kWorkBytesPerVertex);
  std::free(block);
}

// Phase 1: the flags the core works to (compaction always; a reordering implies the sort).
HRESULT ReadFlags(DWORD flags, const DWORD* adjacencyIn, const DWORD* adjacencyOut, OptimizePlan& plan) {
  if (flags == 0 || (flags & ~kAllowedFlags) || (adjacencyOut && !adjacencyIn)) return D3DERR_INVALIDCALL;
  flags |= D3DXMESHOPT_COMPACT;
  plan.reorder = flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER);
  if (plan.reorder) flags |= D3DXMESHOPT_ATTRSORT;
  plan.ignoreVertices = flags & D3DXMESHOPT_IGNOREVERTS;
  plan.attributeSort = flags & D3DXMESHOPT_ATTRSORT;
  plan.flags = flags;
  return D3D_OK;
}

// Phase 2: widened copies; faces with a damaged index make the mesh unusable rather than unsafe.
template <typename Index>
HRESULT ReadFaces(const Index* lockedIndices, const std::vector<DWORD>& attributes, OptimizePlan& plan) {
  plan.indices.resize(3 * static_cast<size_t>(plan.entryFaces));
  for (size_t i = 0; i < plan.indices.size(); ++i) plan.indices[i] = Widen(lockedIndices[i]);
  for (DWORD f = 0; f < plan.entryFaces; ++f) {
    const DWORD* face = &plan.indices[3 * static_cast<size_t>(f)];
    if (face[0] == kNone) continue;
    if (face[0] >= plan.entryVertices || face[1] >= plan.entryVertices || face[2] >= plan.entryVertices)
      return D3DXERR_INVALIDMESH;
  }
  plan.faceAttributes.assign(attributes.begin(), attributes.begin() + plan.entryFaces);
  return D3D_OK;
}

// Phase 3: one vertex per attribute that uses it, unless splitting is turned off.
HRESULT Split(OptimizePlan& plan) {
  if (plan.attributeSort && !(plan.flags & D3DXMESHOPT_DONOTSPLIT)) {
    SplitVertices(plan.indices, plan.faceAttributes, plan.entryFaces, plan.entryVertices, plan.splitSource);
    if (!plan.splitSource.empty() && plan.ignoreVertices) return D3DXERR_CANNOTATTRSORT;
  }
  plan.splitVertices = plan.entryVertices + static_cast<DWORD>(plan.splitSource.size());
  return D3D_OK;
}

// Phase 4: drop empty faces and vertices no face uses.
HRESULT Compact(OptimizePlan& plan) {
  plan.oldToNewFace.assign(plan.entryFaces, kNone);
  plan.oldToNewVertex.assign(plan.splitVertices, kNone);
  std::vector<BYTE> used(plan.splitVertices, 0);
  for (DWORD f = 0; f < plan.entryFaces; ++f) {
    const DWORD* face = &plan.indices[3 * static_cast<size_t>(f)];
    if (face[0] == kNone) continue;
    plan.oldToNewFace[f] = plan.keptFaces++;
    used[face[0]] = used[face[1]] = used[face[2]] = 1;
  }
  for (DWORD v = 0; v < plan.splitVertices; ++v)
    if (used[v]) plan.oldToNewVertex[v] = plan.keptVertices++;
  if (plan.keptFaces == 0 || plan.keptVertices == 0) return D3DXERR_LOADEDMESHASNODATA;
  return D3D_OK;
}

// Phase 5: faces by attribute, then every face and vertex in its new place.
void SortAndPermute(OptimizePlan& plan) {
  if (plan.attributeSort)
    AttributeSort(plan.indices, plan.faceAttributes, plan.entryFaces, plan.splitVertices, plan.ignoreVertices,
                  plan.oldToNewFace, plan.oldToNewVertex, plan.table);
  if (plan.ignoreVertices) {
    for (DWORD v = 0; v < plan.splitVertices; ++v) plan.oldToNewVertex[v] = v;
    plan.keptVertices = plan.splitVertices;
  }
  plan.newToOldFace.assign(plan.keptFaces, kNone);
  for (DWORD f = 0; f < plan.entryFaces; ++f)
    if (plan.oldToNewFace[f] != kNone) plan.newToOldFace[plan.oldToNewFace[f]] = f;
  plan.newIndices = PermuteFaces(plan.indices, 3, plan.oldToNewFace, plan.keptFaces);
  for (DWORD& v : plan.newIndices) v = plan.oldToNewVertex[v];
  plan.newAttributes = PermuteFaces(plan.faceAttributes, 1, plan.oldToNewFace, plan.keptFaces);
}

// Phase 6: each subset's faces ordered for the vertex cache or in strips, then the vertices
// numbered in the order the new faces first use them.
void Reorder(const DWORD* adjacencyIn, DWORD cacheSize, DWORD cacheMagic, OptimizePlan& plan) {
  const bool independent = plan.flags & D3DXMESHOPT_DEVICEINDEPENDENT;
  const int size = (independent || cacheSize == 0) ? 12 : static_cast<int>(cacheSize);
  const int magic = independent ? 7 : static_cast<int>(cacheMagic);
  const bool strips = (plan.flags & D3DXMESHOPT_STRIPREORDER) || (cacheSize == 0 && !independent);
  std::vector<DWORD> local = LocalAdjacency(plan.newIndices, plan.table, plan.newToOldFace, plan.oldToNewFace,
                                            adjacencyIn, plan.entryFaces);
  std::vector<DWORD> position(plan.keptFaces);
  for (DWORD k = 0; k < plan.keptFaces; ++k) position[k] = k;
  FaceGraph graph(local.data(), plan.keptFaces);
  for (const D3DXATTRIBUTERANGE& range : plan.table) {
    if (strips)
      StripReorder(graph, range.FaceStart, range.FaceCount, position.data());
    else
      VertexCacheReorder(graph, plan.newIndices.data(), range.FaceStart, range.FaceCount, size, magic,
                         position.data());
  }
  plan.newIndices = PermuteFaces(plan.newIndices, 3, position, plan.keptFaces);
  plan.newAttributes = PermuteFaces(plan.newAttributes, 1, position, plan.keptFaces);
  for (DWORD f = 0; f < plan.entryFaces; ++f)
    if (plan.oldToNewFace[f] != kNone) plan.oldToNewFace[f] = position[plan.oldToNewFace[f]];
  for (DWORD f = 0; f < plan.entryFaces; ++f)
    if (plan.oldToNewFace[f] != kNone) plan.newToOldFace[plan.oldToNewFace[f]] = f;

  if (plan.ignoreVertices) return;
  std::vector<DWORD> firstUse(plan.splitVertices, kNone);
  DWORD next = 0;
  for (DWORD& v : plan.newIndices) {
    if (firstUse[v] == kNone) firstUse[v] = next++;
    v = firstUse[v];
  }
  for (DWORD& v : plan.oldToNewVertex)
    if (v != kNone) v = firstUse[v];
  VertexRanges(plan.newIndices, plan.table);
}

// Phase 7: the vertex remap, the entry vertex at each new position (duplicates name what they copy).
HRESULT BuildVertexRemap(OptimizePlan& plan) {
  HRESULT hr = D3DXCreateBuffer(4 * plan.splitVertices, &plan.remap);
  if (FAILED(hr)) return hr;
  DWORD* entries = static_cast<DWORD*>(plan.remap->GetBufferPointer());
  std::fill(entries, entries + plan.splitVertices, kNone);
  for (DWORD v = 0; v < plan.splitVertices; ++v)
    if (plan.oldToNewVertex[v] != kNone) entries[plan.oldToNewVertex[v]] = v;
  for (DWORD i = 0; i < plan.splitVertices; ++i)
    if (entries[i] != kNone && entries[i] >= plan.entryVertices)
      entries[i] = plan.splitSource[entries[i] - plan.entryVertices];
  return D3D_OK;
}

// Phase 8 (last, after the mesh took the results): the neighbours and face remap in new numbering.
void WriteFaceOutputs(const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                      const OptimizePlan& plan) {
  if (faceRemap) std::copy(plan.newToOldFace.begin(), plan.newToOldFace.end(), faceRemap);
  if (!adjacencyOut) return;
  std::vector<DWORD> links(3 * static_cast<size_t>(plan.keptFaces));
  for (DWORD i = 0; i < plan.keptFaces; ++i) {
    const DWORD o = plan.newToOldFace[i];
    for (int k = 0; k < 3; ++k) {
      DWORD n = adjacencyIn[3 * static_cast<size_t>(o) + k];
      links[3 * static_cast<size_t>(i) + k] = n < plan.entryFaces ? plan.oldToNewFace[n] : kNone;
    }
  }
  std::copy(links.begin(), links.end(), adjacencyOut);  // safe when out and in are one array
}

}  // namespace

template <typename Index>
HRESULT TriangleMesh<Index>::OptimizeCore(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                                          DWORD* faceRemap, LPD3DXBUFFER* vertexRemap,
                                          IDirect3DVertexBuffer9* sourceVertices) {
  OptimizePlan plan;
  HRESULT hr = ReadFlags(flags, adjacencyIn, adjacencyOut, plan);
  if (FAILED(hr)) return hr;
  plan.entryFaces = faceCount;
  plan.entryVertices = vertexCount;
  ReserveWorkingSet(plan.entryFaces, plan.entryVertices);
  if (FAILED(hr = ReadFaces(lockedIndices, attributes, plan))) return hr;
  if (FAILED(hr = Split(plan))) return hr;
  if (FAILED(hr = Compact(plan))) return hr;
  // The reordering's own requests are checked where it starts, after the split and the compaction.
  if (plan.reorder &&
      (!adjacencyIn || (plan.flags & D3DXMESHOPT_VERTEXCACHE && plan.flags & D3DXMESHOPT_STRIPREORDER)))
    return D3DERR_INVALIDCALL;
  // A narrow mesh cannot index the duplicates (the resize would refuse them).
  if (plan.splitSource.size() > kMaxCount - plan.entryVertices) return D3DERR_INVALIDCALL;
  SortAndPermute(plan);
  if (plan.reorder) Reorder(adjacencyIn, cacheSize, cacheMagic, plan);

  const bool haveOwnBuffer = vertexBuffer && !sourceVertices;
  if (vertexRemap || !plan.splitSource.empty() || !haveOwnBuffer) {
    if (FAILED(hr = BuildVertexRemap(plan))) return hr;
  }
  // Read before the vertex data moves: a fresh buffer comes with fresh representatives.
  const bool carryReps =
      hasPointReps && !vbShared && !plan.ignoreVertices && pointReps.size() >= plan.entryVertices;
  if (carryReps) {
    std::vector<DWORD> reps(plan.entryVertices);
    for (DWORD v = 0; v < plan.entryVertices; ++v) reps[v] = Widen(pointReps[v]);
    plan.newReps =
        CarryPointReps(reps, plan.oldToNewVertex, plan.splitSource, plan.entryVertices, plan.keptVertices);
  }
  if (!vbShared && FAILED(hr = MoveOptimizedVertices(plan, haveOwnBuffer, sourceVertices))) return hr;
  CommitOptimizedFaces(plan, carryReps);
  WriteFaceOutputs(adjacencyIn, adjacencyOut, faceRemap, plan);
  if (vertexRemap) {
    *vertexRemap = plan.remap;
    plan.remap = nullptr;
  }
  return D3D_OK;
}

// Vertex data: permuted in place, or copied into a fresh buffer. On failure the mesh keeps its
// old buffer and counts.
template <typename Index>
HRESULT TriangleMesh<Index>::MoveOptimizedVertices(const OptimizePlan& plan, bool haveOwnBuffer,
                                                   IDirect3DVertexBuffer9* sourceVertices) {
  if (plan.splitSource.empty() && haveOwnBuffer) {
    if (plan.ignoreVertices) return D3D_OK;
    ScopedLock<IDirect3DVertexBuffer9> lock(vertexBuffer, 0);
    if (FAILED(lock.result())) return lock.result();
    std::vector<BYTE> copy(lock.data(), lock.data() + static_cast<size_t>(plan.entryVertices) * stride);
    for (DWORD v = 0; v < plan.entryVertices; ++v)
      if (plan.oldToNewVertex[v] != kNone)
        std::memcpy(lock.data() + static_cast<size_t>(plan.oldToNewVertex[v]) * stride,
                    &copy[v * static_cast<size_t>(stride)], stride);
    return D3D_OK;
  }
  IDirect3DVertexBuffer9* source = sourceVertices ? sourceVertices : vertexBuffer;
  const DWORD oldCapacity = vertexCapacity, oldFaces = faceCount;
  IDirect3DVertexBuffer9* own = vertexBuffer;
  if (source) source->AddRef();
  vertexBuffer = nullptr;
  vertexCapacity = 0;
  HRESULT hr = Resize(plan.keptFaces, plan.splitVertices);
  if (SUCCEEDED(hr) && source) {
    ScopedLock<IDirect3DVertexBuffer9> to(vertexBuffer, 0);
    ScopedLock<IDirect3DVertexBuffer9> from(source, D3DLOCK_READONLY);
    hr = FAILED(to.result()) ? to.result() : from.result();
    if (SUCCEEDED(hr)) {
      const DWORD* entries = static_cast<const DWORD*>(plan.remap->GetBufferPointer());
      for (DWORD i = 0; i < plan.keptVertices; ++i)
        std::memcpy(to.data() + static_cast<size_t>(i) * stride,
                    from.data() + static_cast<size_t>(entries[i]) * stride, stride);
    }
  }
  if (FAILED(hr)) {
    SafeRelease(vertexBuffer);
    vertexBuffer = own;
    vertexCapacity = oldCapacity;
    faceCount = oldFaces;
    vertexCount = plan.entryVertices;
  } else {
    SafeRelease(own);
  }
  SafeRelease(source);
  return hr;
}

// The faces, their per-face arrays, the carried representatives, the counts and the table, once
// nothing can fail any more.
template <typename Index>
void TriangleMesh<Index>::CommitOptimizedFaces(OptimizePlan& plan, bool carryReps) {
  for (size_t i = 0; i < plan.newIndices.size(); ++i)
    lockedIndices[i] = static_cast<Index>(plan.newIndices[i]);
  std::copy(plan.newAttributes.begin(), plan.newAttributes.end(), attributes.begin());
  if (hasFaceTags && faceTags.size() >= plan.entryFaces) {
    std::vector<WORD> tags =
        PermuteFaces(std::vector<WORD>(faceTags.begin(), faceTags.begin() + plan.entryFaces), 1,
                     plan.oldToNewFace, plan.keptFaces);
    std::copy(tags.begin(), tags.end(), faceTags.begin());
  }
  if (hasStoredAdjacency && storedAdjacency.size() >= 3ull * plan.entryFaces) {
    std::vector<Index> links = PermuteFaces(
        std::vector<Index>(storedAdjacency.begin(), storedAdjacency.begin() + 3 * plan.entryFaces), 3,
        plan.oldToNewFace, plan.keptFaces);
    for (Index& n : links)
      n = (n == kEmpty || n >= plan.entryFaces || plan.oldToNewFace[n] == kNone)
              ? kEmpty
              : static_cast<Index>(plan.oldToNewFace[n]);
    std::copy(links.begin(), links.end(), storedAdjacency.begin());
  }
  if (carryReps) {
    if (pointReps.size() < plan.keptVertices) pointReps.resize(plan.keptVertices);
    for (DWORD i = 0; i < plan.keptVertices; ++i) pointReps[i] = static_cast<Index>(plan.newReps[i]);
  }
  faceCount = plan.keptFaces;
  vertexCount = vbShared ? plan.entryVertices : plan.keptVertices;
  if (plan.attributeSort) {
    KeepSortedAttributeTable(std::move(plan.table));
  } else if (plan.keptFaces != plan.entryFaces) {
    // Faces moved under an existing table; it no longer describes them.
    DropAttributeTable();
  } else {
    // Same faces in the same order, but the vertices may have been renumbered.
    VertexRanges(plan.newIndices, attributeTable);
  }
}

template HRESULT TriangleMesh<WORD>::OptimizeCore(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*,
                                                  IDirect3DVertexBuffer9*);
template HRESULT TriangleMesh<DWORD>::OptimizeCore(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*,
                                                   IDirect3DVertexBuffer9*);

}  // namespace d3dx
