// Shared pieces of the adjacency routines.
#pragma once
#include <d3dx9.h>

#include <vector>

namespace d3dx {

// Pairs the edges of the faces in `ranges` whose representatives match in opposite directions.
// `reps` may be null (every vertex stands for itself); `positions` may be null (no normals, the
// first candidate wins). Faces with an empty marker or an index out of range take no part.
template <typename Index>
void PairEdges(const Index* indices, DWORD faceCount, DWORD vertexCount, const DWORD* reps,
               const BYTE* positions, DWORD stride, const std::vector<D3DXATTRIBUTERANGE>& ranges,
               DWORD* adjacency);

}  // namespace d3dx
