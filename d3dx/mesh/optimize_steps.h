// The steps of mesh optimisation, on widened (32-bit) copies of the index data.
#pragma once
#include <d3dx9.h>

#include <vector>

namespace d3dx {

inline constexpr DWORD kNone = 0xFFFFFFFF;

// Gives every vertex used by faces of more than one attribute a duplicate per further attribute;
// the first attribute to use a vertex keeps it. Duplicates are numbered from vertexCount up and
// splitSource names the vertex each copies.
void SplitVertices(std::vector<DWORD>& indices, const std::vector<DWORD>& attributes, DWORD faceCount,
                   DWORD vertexCount, std::vector<DWORD>& splitSource);

// Sorts the kept faces (oldToNewFace != none) by attribute, keeping their relative order, and
// numbers the vertices subset by subset unless ignoreVertices. Rewrites oldToNewFace and
// oldToNewVertex and builds the table.
void AttributeSort(const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes, DWORD faceCount,
                   DWORD vertexCount, bool ignoreVertices, std::vector<DWORD>& oldToNewFace,
                   std::vector<DWORD>& oldToNewVertex, std::vector<D3DXATTRIBUTERANGE>& table);

// Free faces by neighbour count, for one range of faces at a time.
class FaceGraph {
 public:
  // `adjacency` holds three neighbours per face in current numbering, none when absent.
  FaceGraph(const DWORD* adjacency, DWORD faceCount);
  void Start(DWORD first, DWORD count);
  DWORD NextStart() const;
  void Use(DWORD face);
  bool Free(DWORD face) const { return face != kNone && !placed_[face]; }
  DWORD Neighbour(DWORD face, int edge) const { return adjacency_[3 * static_cast<size_t>(face) + edge]; }
  // The edge of `face` that leads back to `from`; 0 when the link is one-sided.
  int EdgeTo(DWORD face, DWORD from) const;
  int FreeCount(DWORD face) const { return freeCount_[face]; }

 private:
  void Unlink(DWORD face);
  void PushFront(DWORD face);

  const DWORD* adjacency_;
  std::vector<BYTE> placed_;
  std::vector<BYTE> freeCount_;
  std::vector<DWORD> prev_, next_;
  DWORD heads_[4];
};

// Orders the faces of [first, first + count) for the vertex cache; position[f] gets each face's slot.
void VertexCacheReorder(FaceGraph& graph, const DWORD* indices, DWORD first, DWORD count, int cacheSize,
                        int magic, DWORD* position);
// Orders the faces of [first, first + count) in greedy strips.
void StripReorder(FaceGraph& graph, DWORD first, DWORD count, DWORD* position);

}  // namespace d3dx
