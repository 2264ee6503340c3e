// Vertex splitting before an attribute sort: each subset gets its own copy of a shared vertex.
#include "optimize_steps.h"

namespace d3dx {

void SplitVertices(std::vector<DWORD>& indices, const std::vector<DWORD>& attributes, DWORD faceCount,
                   DWORD vertexCount, std::vector<DWORD>& splitSource) {
  std::vector<DWORD> owner(vertexCount, kNone), chain(vertexCount, kNone);
  std::vector<DWORD> copyOwner, copyNext;
  splitSource.clear();
  for (DWORD f = 0; f < faceCount; ++f) {
    DWORD* face = &indices[3 * static_cast<size_t>(f)];
    if (face[0] == kNone) continue;
    const DWORD a = attributes[f];
    for (int k = 0; k < 3; ++k) {
      DWORD v = face[k];
      if (owner[v] == kNone) owner[v] = a;
      if (owner[v] == a) continue;
      DWORD copy = chain[v];
      while (copy != kNone && copyOwner[copy - vertexCount] != a) copy = copyNext[copy - vertexCount];
      if (copy == kNone) {
        copy = vertexCount + static_cast<DWORD>(splitSource.size());
        splitSource.push_back(v);
        copyOwner.push_back(a);
        copyNext.push_back(chain[v]);
        chain[v] = copy;
      }
      face[k] = copy;
    }
  }
}

}  // namespace d3dx
