// The scene's terrain data: the heightmap file and grid, the height bands that pick a ground
// texture per cell, the ground texture files and the mirrored texture ramp. The terrain builds
// from these and the asset generator makes its files to fit them.
#pragma once
#include <array>

// The scene's one heightmap: a headerless file of one unsigned byte per vertex, row 0 (north)
// first, west to east within a row.
struct TerrainGrid {
  const char* file;
  int vertsPerRow, vertsPerCol;
  int cellSpacing;
  float heightScale;
};
inline constexpr TerrainGrid kSceneTerrain = {"coastMountain64.raw", 64, 64, 10, 0.5f};

enum class TerrainBand : int { Low = 0, Middle = 1, High = 2 };

// Limits on the unscaled height (the file byte, in the scene): Low below the first, High from
// the second on, Middle between.
inline constexpr float kTerrainBandLimits[2] = {51.0f, 204.0f};

// The band of a cell from the scaled integer height of its north-west vertex, divided back by
// the scale in single precision.
constexpr TerrainBand TerrainBandOf(int scaledHeight, float heightScale) {
  const float h = (float)scaledHeight / heightScale;
  return h < kTerrainBandLimits[0]   ? TerrainBand::Low
         : h < kTerrainBandLimits[1] ? TerrainBand::Middle
                                     : TerrainBand::High;
}

// The height a file byte becomes: truncated toward zero after scaling.
constexpr int TerrainScaledHeight(unsigned char fileByte, float heightScale) {
  return (int)((float)fileByte * heightScale);
}

// Loaded in this order; a band indexes the first three (low dirt, middle grass, high snow), the
// last two are held but not drawn.
inline constexpr std::array<const char*, 5> kGroundTextureFiles = {
    "Textures/dirt.jpg", "Textures/grass.jpg", "Textures/snow.jpg", "Textures/mud.jpg", "Textures/stone.jpg"};

// Texture coordinate of vertex column (or row) k: a ramp over 8 cells, mirrored over the next 8,
// so every ground texture meets its own mirror image at the cell edges where it turns.
inline constexpr int kTerrainTextureSpanCells = 8;
constexpr float TerrainTexCoord(int k) {
  const int m = k % (2 * kTerrainTextureSpanCells);
  const int t = m <= kTerrainTextureSpanCells ? m : 2 * kTerrainTextureSpanCells - m;
  return (float)t / (float)kTerrainTextureSpanCells;
}
