#include "heightmap.h"

#include <algorithm>
#include <cmath>

#include "math/noise.h"

namespace {

// Phase 1: the landform, roughly in file bytes. The land rises from the south-east corner to the
// north-west one: a shore plain, a meadow round the centre where the camera starts, foothills
// climbing steeply to the snow line and a snowfield with a summit. The contours are warped by
// noise so the shoreline and the snow line wind, and each zone carries its own roughness.
float Profile(float t) {
  // t: 0 at the south-east corner, 0.5 at the centre, 1 at the north-west corner. About a
  // quarter of the grid lies on either side of 0.354 and 0.646.
  if (t < 0.354f) return 4.0f + 47.0f * std::pow(t / 0.354f, 1.6f);
  if (t < 0.56f) return 52.0f + 38.0f * (t - 0.354f) / (0.56f - 0.354f);
  if (t < 0.646f) {
    const float k = (t - 0.56f) / (0.646f - 0.56f);
    return 90.0f + 114.0f * k * k * (3.0f - 2.0f * k);
  }
  return 204.0f + 30.0f * (t - 0.646f) / 0.354f;
}

std::vector<float> Landform(const TerrainGrid& grid) {
  const int rows = grid.vertsPerCol, cols = grid.vertsPerRow;
  std::vector<float> field((size_t)rows * cols);
  const auto noise = [](float x, float y, float layer) {
    const D3DXVECTOR3 p(x, y, layer);
    return GradientNoise3(&p);
  };
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      const float fi = (float)i, fj = (float)j;
      const float a = fi / (float)(rows - 1), b = fj / (float)(cols - 1);
      const float warp =
          0.045f * noise(fj / 14.0f, fi / 14.0f, 61.5f) + 0.02f * noise(fj / 6.0f, fi / 6.0f, 63.5f);
      const float t = 1.0f - (a + b) * 0.5f + warp;
      float height = Profile(t);
      // The summit, with spurs running down from it.
      const float di = (a - 0.14f) / 0.22f, dj = (b - 0.16f) / 0.22f;
      const float r = std::sqrt(di * di + dj * dj);
      const float ci = r > 1e-4f ? di / r : 0.0f, cj = r > 1e-4f ? dj / r : 1.0f;
      const float spurs = 1.0f - std::fabs(noise(cj * 1.6f, ci * 1.6f, 21.5f + r * 1.5f));
      height += 34.0f * std::exp(-r * r) * (0.5f + 0.5f * spurs);
      // Roughness: dunes on the shore, rolling meadow, broken rock higher up.
      const float rough = t < 0.354f ? 3.0f : t < 0.56f ? 7.0f : 12.0f;
      float rolling = 0, amplitude = 1;
      for (int k = 0; k < 3; ++k) {
        const float f = (float)(1 << k) / 9.0f;
        rolling += amplitude * noise(fj * f, fi * f, 3.5f + 11.0f * (float)k);
        amplitude *= 0.5f;
      }
      field[(size_t)i * cols + j] = height + rough * rolling;
    }
  return field;
}

// Phase 2: quantiles of the cells. Each cell takes its band from its north-west vertex, so the
// shares count the vertices that start a cell: every row and column but the last.
struct BandCuts {
  float lowest, low, high, highest;  // low: the first middle value; high: the first high value
};

BandCuts CellQuantiles(const std::vector<float>& field, const TerrainGrid& grid) {
  std::vector<float> cells;
  for (int i = 0; i + 1 < grid.vertsPerCol; ++i)
    for (int j = 0; j + 1 < grid.vertsPerRow; ++j) cells.push_back(field[(size_t)i * grid.vertsPerRow + j]);
  std::sort(cells.begin(), cells.end());
  const size_t quarter = cells.size() / 4;
  return {cells.front(), cells[quarter], cells[cells.size() - quarter], cells.back()};
}

// Phase 3: bytes. Each band's range of field values maps linearly onto its range of bytes, so the
// bands hold their quarter, half and quarter exactly and the ground stays continuous.
uint8_t ToByte(float v, const BandCuts& cuts) {
  const auto ramp = [](float x, float a, float b, float lo, float span) {
    const float t = b > a ? (x - a) / (b - a) : 0.0f;
    return lo + span * std::clamp(t, 0.0f, 1.0f);
  };
  const float lowTop = kTerrainBandLimits[0], highBottom = kTerrainBandLimits[1];
  float byte;
  if (v < cuts.low)
    byte = ramp(v, cuts.lowest, cuts.low, 0.0f, lowTop + 0.99f);
  else if (v < cuts.high)
    byte = ramp(v, cuts.low, cuts.high, lowTop + 1.0f, highBottom - lowTop - 1.01f);
  else
    byte = ramp(v, cuts.high, cuts.highest, highBottom, 255.99f - highBottom);
  return (uint8_t)std::clamp((int)byte, 0, 255);
}

}  // namespace

std::vector<uint8_t> MakeHeightmap(const TerrainGrid& grid) {
  const std::vector<float> field = Landform(grid);
  const BandCuts cuts = CellQuantiles(field, grid);
  std::vector<uint8_t> bytes(field.size());
  for (size_t k = 0; k < field.size(); ++k) bytes[k] = ToByte(field[k], cuts);
  return bytes;
}
