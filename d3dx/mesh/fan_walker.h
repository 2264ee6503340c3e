// Walks the faces around one vertex through an adjacency array.
#pragma once
#include <d3dx9.h>

namespace d3dx {

class FanWalker {
 public:
  enum Mode { kBothWays = 0, kForward = 1, kBackward = 2 };

  FanWalker(const DWORD* adjacency, DWORD faceCount) : adjacency_(adjacency), faceCount_(faceCount) {}

  // Starts at the vertex sitting at `corner` of `face`.
  void Start(DWORD face, int corner, Mode mode) {
    start_ = current_ = face;
    startCorner_ = corner;
    mode_ = mode;
    forward_ = mode != kBackward;
    edge_ = forward_ ? corner : (corner + 2) % 3;
    closed_ = false;
  }

  // The next face of the fan and the corner where the vertex sits in it; false once the walk ended.
  bool Next(DWORD* face, int* corner) {
    if (current_ == kNone) return false;
    *face = current_;
    *corner = forward_ ? edge_ : (edge_ + 1) % 3;
    int back = 0;
    DWORD next = Across(current_, edge_, &back);
    if (next == start_) {
      closed_ = true;
      current_ = kNone;
    } else if (next != kNone) {
      current_ = next;
      edge_ = forward_ ? (back + 1) % 3 : (back + 2) % 3;
    } else if (mode_ == kBothWays && forward_) {
      // Reached a boundary: go round the other way from the start face.
      forward_ = false;
      next = Across(start_, (startCorner_ + 2) % 3, &back);
      current_ = (next == kNone || next == start_) ? kNone : next;
      edge_ = (back + 2) % 3;
    } else {
      current_ = kNone;
    }
    return true;
  }

  // The walk came back to its start face (a closed fan).
  bool closed() const { return closed_; }

 private:
  static constexpr DWORD kNone = 0xFFFFFFFF;

  // The neighbour across `edge` and the edge of the neighbour that points back; none when the
  // arrays disagree, so damaged adjacency ends the walk instead of leading it astray.
  DWORD Across(DWORD face, int edge, int* back) const {
    DWORD n = adjacency_[3 * static_cast<size_t>(face) + edge];
    if (n >= faceCount_) return kNone;
    for (int j = 0; j < 3; ++j) {
      if (adjacency_[3 * static_cast<size_t>(n) + j] == face) {
        *back = j;
        return n;
      }
    }
    return kNone;
  }

  const DWORD* adjacency_;
  DWORD faceCount_;
  DWORD start_ = kNone;
  DWORD current_ = kNone;
  int startCorner_ = 0;
  int edge_ = 0;
  Mode mode_ = kBothWays;
  bool forward_ = true;
  bool closed_ = false;
};

}  // namespace d3dx
