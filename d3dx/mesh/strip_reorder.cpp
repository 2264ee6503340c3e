// Face order for devices that prefer strips: greedy walks towards the neighbour with the fewest
// free neighbours.
#include "optimize_steps.h"

namespace d3dx {

void StripReorder(FaceGraph& graph, DWORD first, DWORD count, DWORD* position) {
  graph.Start(first, count);
  DWORD emitted = 0;
  for (DWORD face; (face = graph.NextStart()) != kNone;) {
    while (face != kNone) {
      graph.Use(face);
      position[face] = first + emitted++;
      DWORD best = kNone;
      int bestCount = 0, bestTie = 0;
      for (int e = 0; e < 3; ++e) {
        DWORD n = graph.Neighbour(face, e);
        if (!graph.Free(n)) continue;
        int tie = -1;
        for (int j = 0; j < 3; ++j) {
          DWORD m = graph.Neighbour(n, j);
          if (graph.Free(m) && (tie < 0 || graph.FreeCount(m) < tie)) tie = graph.FreeCount(m);
        }
        if (tie < 0) tie = 0;
        if (best == kNone || graph.FreeCount(n) < bestCount ||
            (graph.FreeCount(n) == bestCount && tie < bestTie)) {
          best = n;
          bestCount = graph.FreeCount(n);
          bestTie = tie;
        }
      }
      face = best;
    }
  }
}

}  // namespace d3dx
