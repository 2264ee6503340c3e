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

// One lattice cell: the corner indices on each axis (already wrapped into the table) and the
// position inside the cell.
struct LatticeCell {
  int x0, x1, y0, y1, z0, z1;
  float fx, fy, fz;
};

float Blend(const LatticeCell& c) {
  const float u = Fade(c.fx), v = Fade(c.fy), w = Fade(c.fz);
  const float fx = c.fx, fy = c.fy, fz = c.fz;
  const float x00 = Lerp(Corner(c.x0, c.y0, c.z0, fx, fy, fz), Corner(c.x1, c.y0, c.z0, fx - 1, fy, fz), u);
  const float x10 =
      Lerp(Corner(c.x0, c.y1, c.z0, fx, fy - 1, fz), Corner(c.x1, c.y1, c.z0, fx - 1, fy - 1, fz), u);
  const float x01 =
      Lerp(Corner(c.x0, c.y0, c.z1, fx, fy, fz - 1), Corner(c.x1, c.y0, c.z1, fx - 1, fy, fz - 1), u);
  const float x11 =
      Lerp(Corner(c.x0, c.y1, c.z1, fx, fy - 1, fz - 1), Corner(c.x1, c.y1, c.z1, fx - 1, fy - 1, fz - 1), u);
  const float r = Lerp(Lerp(x00, x10, v), Lerp(x01, x11, v), w);
  return std::isfinite(r) ? r * 1.5f : 0.0f;
}

// The lattice index of a floored coordinate modulo `period`; non-finite or huge input still
// lands inside the table.
int WrapIndex(float floored, int period) {
  const double f = std::isfinite(floored) ? (double)floored : 0.0;
  int i = (int)std::fmod(f, (double)period);
  return i < 0 ? i + period : i;
}

}  // namespace

FLOAT GradientNoise3(const D3DXVECTOR3* p) {
  const float x = p->x + 10000.0f, y = p->y + 10000.0f, z = p->z + 10000.0f;
  const float flx = std::floor(x), fly = std::floor(y), flz = std::floor(z);
  LatticeCell c;
  c.x0 = WrapIndex(flx, 256);
  c.y0 = WrapIndex(fly, 256);
  c.z0 = WrapIndex(flz, 256);
  c.x1 = c.x0 + 1;  // Hash wraps 256 to 0
  c.y1 = c.y0 + 1;
  c.z1 = c.z0 + 1;
  c.fx = x - flx;
  c.fy = y - fly;
  c.fz = z - flz;
  return Blend(c);
}

FLOAT GradientNoise3Tiled(const D3DXVECTOR3* p, const INT period[3]) {
  int n[3];
  for (int a = 0; a < 3; ++a) n[a] = period[a] < 1 ? 1 : period[a] > 256 ? 256 : period[a];
  const float flx = std::floor(p->x), fly = std::floor(p->y), flz = std::floor(p->z);
  LatticeCell c;
  c.x0 = WrapIndex(flx, n[0]);
  c.y0 = WrapIndex(fly, n[1]);
  c.z0 = WrapIndex(flz, n[2]);
  c.x1 = (c.x0 + 1) % n[0];
  c.y1 = (c.y0 + 1) % n[1];
  c.z1 = (c.z0 + 1) % n[2];
  c.fx = std::isfinite(flx) ? p->x - flx : 0.0f;
  c.fy = std::isfinite(fly) ? p->y - fly : 0.0f;
  c.fz = std::isfinite(flz) ? p->z - flz : 0.0f;
  return Blend(c);
}
