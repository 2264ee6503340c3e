// Index checks and the message list shared by mesh validation and cleaning.
#pragma once
#include <d3dx9.h>

#include <string>
#include <vector>

namespace d3dx {

// Findings as text lines; handed out as one buffer of line-feed terminated lines.
class MessageList {
 public:
  void Add(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool empty() const { return lines_.empty(); }
  // Stores the buffer (or null when there is no text) in *out when out is given.
  HRESULT Hand(LPD3DXBUFFER* out) const;

 private:
  std::vector<std::string> lines_;
};

// Checks every face's indices and neighbours; false when anything was reported.
template <typename Index>
bool CheckIndices(const Index* indices, DWORD faceCount, DWORD vertexCount, const DWORD* adjacency,
                  MessageList& messages);

// Visits each fan of faces once: calls visit(fan, face, corner) for every corner of each fan, fans
// numbered from 0 in the order they are found. Adjacency must have passed CheckIndices.
template <typename Visit>
void ForEachFan(DWORD faceCount, const DWORD* adjacency, Visit visit);

}  // namespace d3dx

#include "fan_walker.h"

namespace d3dx {

template <typename Visit>
void ForEachFan(DWORD faceCount, const DWORD* adjacency, Visit visit) {
  std::vector<BYTE> reached(3 * static_cast<size_t>(faceCount), 0);
  FanWalker walker(adjacency, faceCount);
  DWORD fan = 0;
  for (DWORD i = 0; i < faceCount; ++i) {
    for (int n = 0; n < 3; ++n) {
      if (reached[3 * static_cast<size_t>(i) + n]) continue;
      // Rewind to the first face of an open fan; a closed one starts where it is.
      DWORD firstFace = i, face;
      int firstCorner = n, corner;
      walker.Start(i, n, FanWalker::kBackward);
      for (DWORD steps = 0; walker.Next(&face, &corner) && steps <= faceCount; ++steps) {
        firstFace = face;
        firstCorner = corner;
      }
      if (walker.closed()) firstFace = i, firstCorner = n;
      walker.Start(firstFace, firstCorner, FanWalker::kForward);
      for (DWORD steps = 0; steps <= faceCount && walker.Next(&face, &corner); ++steps) {
        reached[3 * static_cast<size_t>(face) + corner] = 1;
        visit(fan, face, corner);
      }
      ++fan;
    }
  }
}

}  // namespace d3dx
