#include "tiled_fields.h"

#include <cmath>

#include "math/noise.h"

namespace {

uint32_t Mix32(uint32_t h) {
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

int Wrap(int i, int n) { return ((i % n) + n) % n; }

}  // namespace

float SmoothStep(float edge0, float edge1, float x) {
  float t = (x - edge0) / (edge1 - edge0);
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return t * t * (3 - 2 * t);
}

float HashUnit(uint32_t id, uint32_t seed) {
  return (float)(Mix32(id * 0x9E3779B1u ^ Mix32(seed + 0x632BE5ABu)) >> 8) * (1.0f / 16777216.0f);
}

float TiledFbm2(float u, float v, int periodU, int periodV, int octaves, float gain, float layer) {
  float sum = 0, total = 0, amplitude = 1;
  for (int k = 0; k < octaves; ++k) {
    const INT period[3] = {periodU << k, periodV << k, 256};
    const D3DXVECTOR3 p(u * (float)period[0], v * (float)period[1], layer + 31.37f * (float)k);
    sum += amplitude * GradientNoise3Tiled(&p, period);
    total += amplitude;
    amplitude *= gain;
  }
  return sum / total;
}

float TiledFbm(float u, float v, int basePeriod, int octaves, float gain, float layer) {
  return TiledFbm2(u, v, basePeriod, basePeriod, octaves, gain, layer);
}

CellDistances TiledCells(float u, float v, int cells, uint32_t seed) {
  const float x = u * (float)cells, y = v * (float)cells;
  const int cx = (int)std::floor(x), cy = (int)std::floor(y);
  CellDistances d{1e9f, 1e9f, 0};
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      // The neighbour's point is placed by its wrapped id, then measured where it lies unwrapped.
      const uint32_t id = (uint32_t)(Wrap(cy + dy, cells) * cells + Wrap(cx + dx, cells));
      const float px = (float)(cx + dx) + 0.1f + 0.8f * HashUnit(id, seed);
      const float py = (float)(cy + dy) + 0.1f + 0.8f * HashUnit(id, seed ^ 0xA511E9B3u);
      const float dist = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (dist < d.nearest) {
        d.second = d.nearest;
        d.nearest = dist;
        d.id = id;
      } else if (dist < d.second) {
        d.second = dist;
      }
    }
  return d;
}
