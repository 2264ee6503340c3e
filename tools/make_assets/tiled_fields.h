// Scalar fields over the unit square that wrap at its edges: a texture painted from them on a
// whole number of texels tiles without a seam.
#pragma once
#include <cstdint>

// Fractal sum of tiled gradient noise: octave k has basePeriod * 2^k lattice cells across the
// square (up to 256) and amplitude gain^k; the sum is divided by the total amplitude, so it
// stays roughly within [-1, 1]. `layer` picks an independent pattern (0 to 255).
float TiledFbm(float u, float v, int basePeriod, int octaves, float gain, float layer);

// The same with separate periods across and down (stretched features: blades, streaks).
float TiledFbm2(float u, float v, int periodU, int periodV, int octaves, float gain, float layer);

// Cellular distances to the nearest and second-nearest of one jittered point per cell in a
// cells x cells grid that wraps, in units of one cell, and the id of the nearest cell.
struct CellDistances {
  float nearest, second;
  uint32_t id;
};
CellDistances TiledCells(float u, float v, int cells, uint32_t seed);

// A repeatable value in [0, 1) from an id and a seed.
float HashUnit(uint32_t id, uint32_t seed);

// Hermite step from 0 at edge0 to 1 at edge1, clamped outside.
float SmoothStep(float edge0, float edge1, float x);
