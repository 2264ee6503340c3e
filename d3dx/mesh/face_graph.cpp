// Free faces kept in four buckets by their count of free neighbours, so the next start face and
// each neighbour update cost constant time.
#include "optimize_steps.h"

namespace d3dx {

FaceGraph::FaceGraph(const DWORD* adjacency, DWORD faceCount)
    : adjacency_(adjacency),
      placed_(faceCount, 1),
      freeCount_(faceCount, 0),
      prev_(faceCount, kNone),
      next_(faceCount, kNone) {
  for (DWORD& head : heads_) head = kNone;
}

void FaceGraph::Start(DWORD first, DWORD count) {
  for (DWORD& head : heads_) head = kNone;
  for (DWORD f = first; f < first + count; ++f) placed_[f] = 0;
  for (DWORD f = first; f < first + count; ++f) {
    int n = 0;
    for (int e = 0; e < 3; ++e) n += Neighbour(f, e) != kNone;
    freeCount_[f] = static_cast<BYTE>(n);
    PushFront(f);
  }
}

DWORD FaceGraph::NextStart() const {
  for (DWORD head : heads_)
    if (head != kNone) return head;
  return kNone;
}

void FaceGraph::Use(DWORD face) {
  placed_[face] = 1;
  Unlink(face);
  for (int e = 0; e < 3; ++e) {
    DWORD n = Neighbour(face, e);
    if (!Free(n)) continue;
    Unlink(n);
    if (freeCount_[n]) --freeCount_[n];
    PushFront(n);
  }
}

int FaceGraph::EdgeTo(DWORD face, DWORD from) const {
  for (int e = 0; e < 3; ++e)
    if (Neighbour(face, e) == from) return e;
  return 0;
}

void FaceGraph::Unlink(DWORD face) {
  if (prev_[face] != kNone)
    next_[prev_[face]] = next_[face];
  else
    heads_[freeCount_[face]] = next_[face];
  if (next_[face] != kNone) prev_[next_[face]] = prev_[face];
  prev_[face] = next_[face] = kNone;
}

void FaceGraph::PushFront(DWORD face) {
  DWORD& head = heads_[freeCount_[face]];
  prev_[face] = kNone;
  next_[face] = head;
  if (head != kNone) prev_[head] = face;
  head = face;
}

}  // namespace d3dx
