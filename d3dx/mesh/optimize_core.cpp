// The optimisation core shared by Optimize and OptimizeInplace: split, compact, attribute sort,
// reorder for the cache or strips, then apply the maps to faces and vertices. Everything is computed
// on widened copies and written back to the mesh only once nothing can fail any more.
#include <algorithm>
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

template <typename Index>
HRESULT TriangleMesh<Index>::OptimizeCore(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                                          DWORD* faceRemap, LPD3DXBUFFER* vertexRemap,
                                          IDirect3DVertexBuffer9* sourceVertices) {
  if (flags == 0 || (flags & ~kAllowedFlags) || (adjacencyOut && !adjacencyIn)) return D3DERR_INVALIDCALL;
  flags |= D3DXMESHOPT_COMPACT;
  const bool reorder = flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER);
  if (reorder) flags |= D3DXMESHOPT_ATTRSORT;
  const bool ignoreVertices = flags & D3DXMESHOPT_IGNOREVERTS;
  const bool attributeSort = flags & D3DXMESHOPT_ATTRSORT;
  const DWORD entryFaces = faceCount, entryVertices = vertexCount;

  // Widened copies; faces with a damaged index make the mesh unusable rather than unsafe.
  std::vector<DWORD> indices(3 * static_cast<size_t>(entryFaces));
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = Widen(lockedIndices[i]);
  for (DWORD f = 0; f < entryFaces; ++f) {
    const DWORD* face = &indices[3 * static_cast<size_t>(f)];
    if (face[0] == kNone) continue;
    if (face[0] >= entryVertices || face[1] >= entryVertices || face[2] >= entryVertices)
      return D3DXERR_INVALIDMESH;
  }
  std::vector<DWORD> faceAttributes(attributes.begin(), attributes.begin() + entryFaces);

  std::vector<DWORD> splitSource;
  if (attributeSort && !(flags & D3DXMESHOPT_DONOTSPLIT)) {
    SplitVertices(indices, faceAttributes, entryFaces, entryVertices, splitSource);
    if (!splitSource.empty() && ignoreVertices) return D3DXERR_CANNOTATTRSORT;
  }
  const DWORD splitVertices = entryVertices + static_cast<DWORD>(splitSource.size());

  // Compact: drop empty faces and vertices no face uses.
  std::vector<DWORD> oldToNewFace(entryFaces, kNone), oldToNewVertex(splitVertices, kNone);
  DWORD keptFaces = 0, keptVertices = 0;
  {
    std::vector<BYTE> used(splitVertices, 0);
    for (DWORD f = 0; f < entryFaces; ++f) {
      const DWORD* face = &indices[3 * static_cast<size_t>(f)];
      if (face[0] == kNone) continue;
      oldToNewFace[f] = keptFaces++;
      used[face[0]] = used[face[1]] = used[face[2]] = 1;
    }
    for (DWORD v = 0; v < splitVertices; ++v)
      if (used[v]) oldToNewVertex[v] = keptVertices++;
  }
  if (keptFaces == 0 || keptVertices == 0) return D3DXERR_LOADEDMESHASNODATA;
  // The reordering's own requests are checked where it starts, after the split and the compaction.
  if (reorder && (!adjacencyIn || (flags & D3DXMESHOPT_VERTEXCACHE && flags & D3DXMESHOPT_STRIPREORDER)))
    return D3DERR_INVALIDCALL;
  // A narrow mesh cannot index the duplicates (the resize would refuse them).
  if (splitSource.size() > kMaxCount - entryVertices) return D3DERR_INVALIDCALL;

  std::vector<D3DXATTRIBUTERANGE> table;
  if (attributeSort)
    AttributeSort(indices, faceAttributes, entryFaces, splitVertices, ignoreVertices, oldToNewFace,
                  oldToNewVertex, table);
  if (ignoreVertices) {
    for (DWORD v = 0; v < splitVertices; ++v) oldToNewVertex[v] = v;
    keptVertices = splitVertices;
  }

  std::vector<DWORD> newToOldFace(keptFaces, kNone);
  for (DWORD f = 0; f < entryFaces; ++f)
    if (oldToNewFace[f] != kNone) newToOldFace[oldToNewFace[f]] = f;
  auto translate = [&](std::vector<DWORD>& faces) {
    for (DWORD& v : faces) v = oldToNewVertex[v];
  };
  std::vector<DWORD> newIndices = PermuteFaces(indices, 3, oldToNewFace, keptFaces);
  translate(newIndices);
  std::vector<DWORD> newAttributes = PermuteFaces(faceAttributes, 1, oldToNewFace, keptFaces);

  if (reorder) {
    const bool independent = flags & D3DXMESHOPT_DEVICEINDEPENDENT;
    const int size = (independent || cacheSize == 0) ? 12 : static_cast<int>(cacheSize);
    const int magic = independent ? 7 : static_cast<int>(cacheMagic);
    const bool strips = (flags & D3DXMESHOPT_STRIPREORDER) || (cacheSize == 0 && !independent);
    std::vector<DWORD> local =
        LocalAdjacency(newIndices, table, newToOldFace, oldToNewFace, adjacencyIn, entryFaces);
    std::vector<DWORD> position(keptFaces);
    for (DWORD k = 0; k < keptFaces; ++k) position[k] = k;
    FaceGraph graph(local.data(), keptFaces);
    for (const D3DXATTRIBUTERANGE& range : table) {
      if (strips)
        StripReorder(graph, range.FaceStart, range.FaceCount, position.data());
      else
        VertexCacheReorder(graph, newIndices.data(), range.FaceStart, range.FaceCount, size, magic,
                           position.data());
    }
    newIndices = PermuteFaces(newIndices, 3, position, keptFaces);
    newAttributes = PermuteFaces(newAttributes, 1, position, keptFaces);
    for (DWORD f = 0; f < entryFaces; ++f)
      if (oldToNewFace[f] != kNone) oldToNewFace[f] = position[oldToNewFace[f]];
    for (DWORD f = 0; f < entryFaces; ++f)
      if (oldToNewFace[f] != kNone) newToOldFace[oldToNewFace[f]] = f;

    if (!ignoreVertices) {
      // Number vertices in the order the new face order first uses them.
      std::vector<DWORD> firstUse(splitVertices, kNone);
      DWORD next = 0;
      for (DWORD& v : newIndices) {
        if (firstUse[v] == kNone) firstUse[v] = next++;
        v = firstUse[v];
      }
      for (DWORD& v : oldToNewVertex)
        if (v != kNone) v = firstUse[v];
      VertexRanges(newIndices, table);
    }
  }

  // Vertex remap: the old vertex at each new position, duplicates naming what they copy.
  ID3DXBuffer* remap = nullptr;
  const bool haveOwnBuffer = vertexBuffer && !sourceVertices;
  if (vertexRemap || !splitSource.empty() || !haveOwnBuffer) {
    HRESULT hr = D3DXCreateBuffer(4 * splitVertices, &remap);
    if (FAILED(hr)) return hr;
    DWORD* entries = static_cast<DWORD*>(remap->GetBufferPointer());
    std::fill(entries, entries + splitVertices, kNone);
    for (DWORD v = 0; v < splitVertices; ++v)
      if (oldToNewVertex[v] != kNone) entries[oldToNewVertex[v]] = v;
    for (DWORD i = 0; i < splitVertices; ++i)
      if (entries[i] != kNone && entries[i] >= entryVertices)
        entries[i] = splitSource[entries[i] - entryVertices];
  }

  // Read before the vertex data step: a fresh buffer comes with fresh representatives.
  const bool carryReps = hasPointReps && !vbShared && !ignoreVertices && pointReps.size() >= entryVertices;
  std::vector<DWORD> newReps;
  if (carryReps) {
    std::vector<DWORD> reps(entryVertices);
    for (DWORD v = 0; v < entryVertices; ++v) reps[v] = Widen(pointReps[v]);
    newReps = CarryPointReps(reps, oldToNewVertex, splitSource, entryVertices, keptVertices);
  }

  // Vertex data: permuted in place, or copied into a fresh buffer.
  HRESULT hr = D3D_OK;
  if (!vbShared) {
    if (splitSource.empty() && haveOwnBuffer) {
      ScopedLock<IDirect3DVertexBuffer9> lock(ignoreVertices ? nullptr : vertexBuffer, 0);
      hr = ignoreVertices ? D3D_OK : lock.result();
      if (!ignoreVertices && SUCCEEDED(hr)) {
        std::vector<BYTE> copy(lock.data(), lock.data() + static_cast<size_t>(entryVertices) * stride);
        for (DWORD v = 0; v < entryVertices; ++v)
          if (oldToNewVertex[v] != kNone)
            std::memcpy(lock.data() + static_cast<size_t>(oldToNewVertex[v]) * stride,
                        &copy[v * static_cast<size_t>(stride)], stride);
      }
    } else {
      IDirect3DVertexBuffer9* source = sourceVertices ? sourceVertices : vertexBuffer;
      const DWORD oldCapacity = vertexCapacity, oldFaces = faceCount;
      IDirect3DVertexBuffer9* own = vertexBuffer;
      if (source) source->AddRef();
      vertexBuffer = nullptr;
      vertexCapacity = 0;
      hr = Resize(keptFaces, splitVertices);
      if (SUCCEEDED(hr) && source) {
        ScopedLock<IDirect3DVertexBuffer9> to(vertexBuffer, 0);
        ScopedLock<IDirect3DVertexBuffer9> from(source, D3DLOCK_READONLY);
        hr = FAILED(to.result()) ? to.result() : from.result();
        if (SUCCEEDED(hr)) {
          const DWORD* entries = static_cast<const DWORD*>(remap->GetBufferPointer());
          for (DWORD i = 0; i < keptVertices; ++i)
            std::memcpy(to.data() + static_cast<size_t>(i) * stride,
                        from.data() + static_cast<size_t>(entries[i]) * stride, stride);
        }
      }
      if (FAILED(hr)) {
        // Put the old buffer back so the mesh stays as it was.
        SafeRelease(vertexBuffer);
        vertexBuffer = own;
        vertexCapacity = oldCapacity;
        faceCount = oldFaces;
        vertexCount = entryVertices;
      } else {
        SafeRelease(own);
      }
      SafeRelease(source);
    }
  }
  if (FAILED(hr)) {
    SafeRelease(remap);
    return hr;
  }

  // Commit the faces.
  for (size_t i = 0; i < newIndices.size(); ++i) lockedIndices[i] = static_cast<Index>(newIndices[i]);
  std::copy(newAttributes.begin(), newAttributes.end(), attributes.begin());
  if (hasFaceTags && faceTags.size() >= entryFaces) {
    std::vector<WORD> tags = PermuteFaces(std::vector<WORD>(faceTags.begin(), faceTags.begin() + entryFaces),
                                          1, oldToNewFace, keptFaces);
    std::copy(tags.begin(), tags.end(), faceTags.begin());
  }
  if (hasStoredAdjacency && storedAdjacency.size() >= 3ull * entryFaces) {
    std::vector<Index> links =
        PermuteFaces(std::vector<Index>(storedAdjacency.begin(), storedAdjacency.begin() + 3 * entryFaces), 3,
                     oldToNewFace, keptFaces);
    for (Index& n : links)
      n = (n == kEmpty || n >= entryFaces || oldToNewFace[n] == kNone) ? kEmpty
                                                                       : static_cast<Index>(oldToNewFace[n]);
    std::copy(links.begin(), links.end(), storedAdjacency.begin());
  }
  if (carryReps) {
    if (pointReps.size() < keptVertices) pointReps.resize(keptVertices);
    for (DWORD i = 0; i < keptVertices; ++i) pointReps[i] = static_cast<Index>(newReps[i]);
  }
  faceCount = keptFaces;
  vertexCount = vbShared ? entryVertices : keptVertices;
  if (attributeSort) {
    KeepSortedAttributeTable(std::move(table));
  } else if (keptFaces != entryFaces) {
    // Faces moved under an existing table; it no longer describes them.
    DropAttributeTable();
  } else {
    // Same faces in the same order, but the vertices may have been renumbered.
    VertexRanges(newIndices, attributeTable);
  }

  if (faceRemap) std::copy(newToOldFace.begin(), newToOldFace.end(), faceRemap);
  if (adjacencyOut) {
    std::vector<DWORD> links(3 * static_cast<size_t>(keptFaces));
    for (DWORD i = 0; i < keptFaces; ++i) {
      const DWORD o = newToOldFace[i];
      for (int k = 0; k < 3; ++k) {
        DWORD n = adjacencyIn[3 * static_cast<size_t>(o) + k];
        links[3 * static_cast<size_t>(i) + k] = n < entryFaces ? oldToNewFace[n] : kNone;
      }
    }
    std::copy(links.begin(), links.end(), adjacencyOut);  // safe when out and in are one array
  }
  if (vertexRemap)
    *vertexRemap = remap;
  else
    SafeRelease(remap);
  return D3D_OK;
}

template HRESULT TriangleMesh<WORD>::OptimizeCore(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*,
                                                  IDirect3DVertexBuffer9*);
template HRESULT TriangleMesh<DWORD>::OptimizeCore(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*,
                                                   IDirect3DVertexBuffer9*);

}  // namespace d3dx
