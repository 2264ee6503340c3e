// The scene's heightmap: a coast in the south-east rising to a mountain in the north-west.
#pragma once
#include <cstdint>
#include <vector>

#include "terrain_bands.h"

// One byte per vertex, rows north to south. A quarter of the cells (by their north-west vertex)
// fall in each of the low and high bands, the other half in the middle band.
std::vector<uint8_t> MakeHeightmap(const TerrainGrid& grid);
