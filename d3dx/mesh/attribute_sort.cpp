// Attribute sort: faces grouped by subset id in ascending order, vertices numbered per subset.
#include <algorithm>

#include "optimize_steps.h"

namespace d3dx {

void AttributeSort(const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes, DWORD faceCount,
                   DWORD vertexCount, bool ignoreVertices, std::vector<DWORD>& oldToNewFace,
                   std::vector<DWORD>& oldToNewVertex, std::vector<D3DXATTRIBUTERANGE>& table) {
  std::vector<DWORD> ids;
  ids.reserve(10);
  DWORD previous = kNone;
  bool first = true;
  for (DWORD f = 0; f < faceCount; ++f) {
    if (oldToNewFace[f] == kNone) continue;
    if (first || attributes[f] != previous) ids.push_back(attributes[f]);
    previous = attributes[f];
    first = false;
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

  struct Group {
    DWORD faces = 0, nextFace = 0, vertices = 0, nextVertex = 0;
  };
  std::vector<Group> groups(ids.size());
  std::vector<DWORD> faceGroup(faceCount, kNone), vertexGroup(vertexCount, kNone);
  DWORD lastId = kNone, lastGroup = kNone;
  for (DWORD f = 0; f < faceCount; ++f) {
    if (oldToNewFace[f] == kNone) continue;
    if (lastGroup == kNone || attributes[f] != lastId) {
      lastId = attributes[f];
      lastGroup = static_cast<DWORD>(std::lower_bound(ids.begin(), ids.end(), lastId) - ids.begin());
    }
    faceGroup[f] = lastGroup;
    ++groups[lastGroup].faces;
    for (int k = 0; k < 3; ++k) {
      DWORD v = indices[3 * static_cast<size_t>(f) + k];
      if (vertexGroup[v] == kNone) {
        vertexGroup[v] = lastGroup;
        ++groups[lastGroup].vertices;
      }
    }
  }

  table.assign(ids.size(), D3DXATTRIBUTERANGE{});
  DWORD faceStart = 0, vertexStart = 0;
  for (size_t g = 0; g < ids.size(); ++g) {
    table[g] = {ids[g], faceStart, groups[g].faces, vertexStart, groups[g].vertices};
    groups[g].nextFace = faceStart;
    groups[g].nextVertex = vertexStart;
    faceStart += groups[g].faces;
    vertexStart += groups[g].vertices;
  }
  for (DWORD f = 0; f < faceCount; ++f)
    if (faceGroup[f] != kNone) oldToNewFace[f] = groups[faceGroup[f]].nextFace++;
  if (ignoreVertices) {
    for (DWORD v = 0; v < vertexCount; ++v) oldToNewVertex[v] = v;
  } else {
    for (DWORD v = 0; v < vertexCount; ++v)
      oldToNewVertex[v] = vertexGroup[v] == kNone ? kNone : groups[vertexGroup[v]].nextVertex++;
  }

  // Vertex ranges from the vertices each subset's faces actually use.
  std::vector<DWORD> low(ids.size(), kNone), high(ids.size(), 0);
  for (DWORD f = 0; f < faceCount; ++f) {
    if (faceGroup[f] == kNone) continue;
    for (int k = 0; k < 3; ++k) {
      DWORD v = oldToNewVertex[indices[3 * static_cast<size_t>(f) + k]];
      low[faceGroup[f]] = std::min(low[faceGroup[f]], v);
      high[faceGroup[f]] = std::max(high[faceGroup[f]], v);
    }
  }
  for (size_t g = 0; g < ids.size(); ++g) {
    table[g].VertexStart = low[g] == kNone ? 0 : low[g];
    table[g].VertexCount = low[g] == kNone ? 0 : high[g] - low[g] + 1;
  }
}

}  // namespace d3dx
