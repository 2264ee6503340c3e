// Gradient noise with our own permutation and gradient tables.
#include "noise.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace {

// A fixed permutation of 0..255, shuffled by a small generator so the table is reproducible.
constexpr std::array<uint8_t, 256> MakePermutation() {
  std::array<uint8_t, 256> p{};
  for (int i = 0; i < 256; ++i) p[i] = (uint8_t)i;
  uint32_t s = 0x9E3779B9u;
  for (int i = 255; i > 0; --i) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    const int j = (int)(s % (uint32_t)(i + 1));
    const uint8_t t = p[i];
    p[i] = p[j];
    p[j] = t;
  }
  return p;
}
constexpr std::array<uint8_t, 256> kPerm = MakePermutation();

// Unit vectors towards the twelve cube edge midpoints, four repeated to fill sixteen entries.
constexpr float kR = 0.70710678f;
constexpr float kGrad[16][3] = {{kR, kR, 0}, {-kR, kR, 0}, {kR, -kR, 0}, {-kR, -kR, 0},
                                {kR, 0, kR}, {-kR, 0, kR}, {kR, 0, -kR}, {-kR, 0, -kR},
                                {0, kR, kR}, {0, -kR, kR}, {0, kR, -kR}, {0, -kR, -kR},
                                {kR, kR, 0}, {-kR, kR, 0}, {0, -kR, kR}, {0, -kR, -kR}};

int Hash(int x, int y, int z) { return kPerm[(kPerm[(kPerm[x & 255] + y) & 255] + z) & 255]; }

float Corner(int x, int y, int z, float fx, float fy, float fz) {
  const float* g = kGrad[Hash(x, y, z) & 15];
  return g[0] * fx + g[1] * fy + g[2] * fz;
}

float Fade(float t) { return t * t * (3.0f - 2.0f * t); }
float Lerp(float a, float b, float t) { return a + t * (b - a); }

}  // namespace

FLOAT GradientNoise3(const D3DXVECTOR3* p) {
  const float x = p->x + 10000.0f, y = p->y + 10000.0f, z = p->z + 10000.0f;
  const float flx = std::floor(x), fly = std::floor(y), flz = std::floor(z);
  // The lattice cell modulo 256; non-finite or huge input still lands in the table.
  const int ix = (int)(int64_t)std::fmod(std::isfinite(flx) ? flx : 0.0f, 256.0f) & 255;
  const int iy = (int)(int64_t)std::fmod(std::isfinite(fly) ? fly : 0.0f, 256.0f) & 255;
  const int iz = (int)(int64_t)std::fmod(std::isfinite(flz) ? flz : 0.0f, 256.0f) & 255;
  const float fx = x - flx, fy = y - fly, fz = z - flz;
  const float u = Fade(fx), v = Fade(fy), w = Fade(fz);
  const float x00 = Lerp(Corner(ix, iy, iz, fx, fy, fz), Corner(ix + 1, iy, iz, fx - 1, fy, fz), u);
  const float x10 =
      Lerp(Corner(ix, iy + 1, iz, fx, fy - 1, fz), Corner(ix + 1, iy + 1, iz, fx - 1, fy - 1, fz), u);
  const float x01 =
      Lerp(Corner(ix, iy, iz + 1, fx, fy, fz - 1), Corner(ix + 1, iy, iz + 1, fx - 1, fy, fz - 1), u);
  const float x11 = Lerp(Corner(ix, iy + 1, iz + 1, fx, fy - 1, fz - 1),
                         Corner(ix + 1, iy + 1, iz + 1, fx - 1, fy - 1, fz - 1), u);
  const float r = Lerp(Lerp(x00, x10, v), Lerp(x01, x11, v), w);
  return std::isfinite(r) ? r * 1.5f : 0.0f;
}
