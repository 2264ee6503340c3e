// Face order for the post-transform vertex cache: follow a run of neighbours, keep one alternative
// branch pending, and jump to it when the run would flush what the branch needs from the cache.
#include "optimize_steps.h"

namespace d3dx {

namespace {

// FIFO cache of the device's size; a hit scans every slot.
class VertexCacheSim {
 public:
  explicit VertexCacheSim(int size) : slots_(size > 0 ? size : 1, kNone) {}
  bool Access(DWORD v) {
    for (DWORD slot : slots_)
      if (slot == v) return true;
    slots_[insert_] = v;
    insert_ = (insert_ + 1) % slots_.size();
    return false;
  }

 private:
  std::vector<DWORD> slots_;
  size_t insert_ = 0;
};

struct Step {
  DWORD face = kNone;
  int edge = 0;
};

}  // namespace

void VertexCacheReorder(FaceGraph& graph, const DWORD* indices, DWORD first, DWORD count, int cacheSize,
                        int magic, DWORD* position) {
  VertexCacheSim cache(cacheSize);
  graph.Start(first, count);
  DWORD emitted = 0;
  Step pending;
  int misses = 0;
  auto enter = [&](DWORD next, DWORD from) { return Step{next, graph.EdgeTo(next, from)}; };

  for (DWORD start; (start = graph.NextStart()) != kNone;) {
    Step current{start, graph.Free(graph.Neighbour(start, 0))   ? 1
                        : graph.Free(graph.Neighbour(start, 1)) ? 2
                                                                : 0};
    bool check = true;
    for (;;) {
      if (check && pending.face != kNone) {
        // Length of the run ahead; past the cache's reach the pending branch would be lost.
        DWORD run = 1;
        Step walk = current;
        for (DWORD n; run <= count && graph.Free(n = graph.Neighbour(walk.face, (walk.edge + 2) % 3)); ++run)
          walk = enter(n, walk.face);
        if (static_cast<long long>(run) + misses - 1 > cacheSize - magic) {
          if (graph.Free(pending.face)) current = pending;
          pending = Step();
        }
      }
      graph.Use(current.face);
      position[current.face] = first + emitted++;
      for (int k = 0; k < 3; ++k) misses += !cache.Access(indices[3 * static_cast<size_t>(current.face) + k]);

      DWORD next = graph.Neighbour(current.face, (current.edge + 2) % 3);
      DWORD other = graph.Neighbour(current.face, (current.edge + 1) % 3);
      if (graph.Free(next)) {
        if (graph.Free(other) && pending.face == kNone) {
          pending = enter(other, current.face);
          misses = 0;
        }
        current = enter(next, current.face);
        check = false;
      } else if (graph.Free(other)) {
        current = enter(other, current.face);
        check = true;
      } else {
        current = pending;
        pending = Step();
        if (!graph.Free(current.face)) break;
        check = false;
      }
    }
  }
}

}  // namespace d3dx
