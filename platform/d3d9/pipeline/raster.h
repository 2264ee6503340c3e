// Rasterisation of one tile's records.
#pragma once
#include <vector>

#include "bin.h"
#include "span.h"

namespace swr {

// Clears and triangles of `bin` in order, within the tile [tx0, tx1) x [ty0, ty1). `reference`:
// every pixel through the general per-pixel path.
void rasterTile(const std::vector<const BinRecord*>& bin, const Target& tg, int tx0, int ty0, int tx1,
                int ty1, bool reference);

}  // namespace swr
